// Writing pictures: JPEG through libjpeg (quality 90, baseline, no
// timestamps, so the same picture always gives the same bytes) and PNG
// through the project's own PNG writer. Errors throw Frontend::Error naming the file.
#pragma once

#include <string>

#include "tools/assets/raster/Raster.h"

namespace Assets {

// fullColour: keep colour at full resolution (no 4:2:0 subsampling), for
// pictures whose channels carry data, such as normal maps.
void saveJpeg(const std::string& path, const Picture& picture, int quality = 90, bool fullColour = false);
void savePngRGB(const std::string& path, const Picture& picture);
void savePngRGBA(const std::string& path, const Picture& picture);

} // namespace Assets
