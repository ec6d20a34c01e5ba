// The catalogue of everything the generator makes: each picture and mesh by
// the file name the production loads it under, with the function that builds
// it. main.cpp writes them; the contact sheet shows them.
#pragma once

#include <string>
#include <vector>

#include "tools/assets/mesh/Mesh.h"
#include "tools/assets/raster/Raster.h"

namespace Assets {

// JpegData: a JPEG whose channels carry data (a normal map): finer quantisation,
// colour kept at full resolution.
enum class Encoding { Jpeg, JpegData, PngRGB, PngRGBA };

struct PictureAsset {
    const char* name;
    Encoding encoding;
    Picture (*make)();
};

// Which model axis points up in the scene that shows the mesh; the contact
// sheet turns every mesh to stand upright.
enum class UpAxis { PlusY, PlusZ, MinusY };

struct MeshAsset {
    const char* name;
    std::vector<Mesh> (*make)();
    UpAxis up;
    const char* previewTexture; // a picture of the catalogue drawn on the preview, or nullptr
};

const std::vector<PictureAsset>& pictureAssets();
const std::vector<MeshAsset>& meshAssets();

// Writes one picture, mesh or animated scene (kdx/KdxContent.h) into `directory`; false when `name` is not in the
// catalogue.
bool writeAsset(const std::string& directory, const std::string& name);
void writePicture(const std::string& path, const PictureAsset& asset, const Picture& picture);
void writeMesh(const std::string& path, const MeshAsset& asset, const std::vector<Mesh>& parts);

} // namespace Assets
