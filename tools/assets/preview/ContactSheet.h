// The contact sheet: one picture with every generated picture (over a
// checkerboard, so transparency shows) and a shaded preview of every mesh,
// each labelled with its file name. Meshes are drawn by a small software
// rasteriser with back faces culled, so a wrongly wound face shows as a hole.
#pragma once

#include <string>

#include "tools/assets/Catalog.h"
#include "tools/assets/raster/Raster.h"

namespace Assets {

// only: a file name to show alone, or empty for everything.
Picture makeContactSheet(const std::string& only);

// A shaded view of the meshes, turned upright by `up`; texture may be null.
Picture renderMeshPreview(const std::vector<Mesh>& parts, UpAxis up, const Picture* texture, int width, int height);

} // namespace Assets
