#include "tools/assets/Catalog.h"

#include "frontend/Error.h"
#include "tools/assets/kdx/KdxContent.h"
#include "tools/assets/meshes/Meshes.h"
#include "tools/assets/pictures/Pictures.h"
#include "tools/assets/raster/Codec.h"

namespace Assets {

const std::vector<PictureAsset>& pictureAssets()
{
    static const std::vector<PictureAsset> kPictures = {
        {"bw.jpg", Encoding::Jpeg, makeStudioEnvironment},
        {"someenv.jpg", Encoding::Jpeg, makeDaylightEnvironment},
        {"bgenv.jpg", Encoding::Jpeg, makeSunsetEnvironment},
        {"jall.jpg", Encoding::Jpeg, makeChromeEnvironment},
        {"scene1.jpg", Encoding::Jpeg, makeFlowerSky},
        {"scene2.jpg", Encoding::Jpeg, makeDaySky},
        {"scene3.jpg", Encoding::Jpeg, makeHorizonBackdrop},
        {"scene6.jpg", Encoding::Jpeg, makeUnderwaterSky},
        {"natthimmel.jpg", Encoding::Jpeg, makeNightSky},
        {"grass-bakke.jpg", Encoding::Jpeg, makeMeadow},
        {"sand2.jpg", Encoding::Jpeg, makeSand},
        {"stjerne.jpg", Encoding::Jpeg, makeStarfishSkin},
        {"stjerne_bump.jpg", Encoding::JpegData, makeStarfishNormals},
        {"bubble.jpg", Encoding::Jpeg, makeBubble},
        {"skate-top.jpg", Encoding::Jpeg, makeDeckTop},
        {"normal_skate-top.png", Encoding::PngRGB, makeDeckNormals},
        {"skyer1.png", Encoding::PngRGBA, makeCloudBank},
        {"skyer2.png", Encoding::PngRGBA, makeCloudStreaks},
        {"skyer3.png", Encoding::PngRGBA, makeCloudPuffs},
        {"skyer4.png", Encoding::PngRGBA, makeCloudWisps},
        {"piper1.png", Encoding::PngRGBA, makeNearHill},
        {"piper2.png", Encoding::PngRGBA, makeMiddleHills},
        {"piper3.png", Encoding::PngRGBA, makeFarHills},
        {"gress.png", Encoding::PngRGBA, makeGrassLayer},
        {"grill.png", Encoding::PngRGBA, makeFence},
        {"dott.png", Encoding::PngRGBA, makeDot},
        {"sky.png", Encoding::PngRGBA, makeCloudSprite},
        {"nattsky1.png", Encoding::PngRGBA, makeNebulaSprite},
        {"nattsky2.png", Encoding::PngRGBA, makeStarSprite},
        {"kronblad.jpg", Encoding::Jpeg, makeFlowerAtlas},
        {"normal_kronblad.jpg", Encoding::JpegData, makeFlowerAtlasNormals},
        {"oyenstikker.jpg", Encoding::Jpeg, makeDragonflyBody},
        {"normal_oyenstikker.jpg", Encoding::JpegData, makeDragonflyBodyNormals},
        {"vinge.jpg", Encoding::Jpeg, makeDragonflyWing},
        {"jordbaer.jpg", Encoding::Jpeg, makeStrawberrySkin},
        {"normal_jordbaer.jpg", Encoding::JpegData, makeStrawberryNormals},
        {"kurv.jpg", Encoding::Jpeg, makeWicker},
        {"logo.png", Encoding::PngRGBA, makeTitleLogo},
        {"logo2.png", Encoding::PngRGBA, makeGroupLogo},
        {"credits.png", Encoding::PngRGBA, makeCredits},
    };
    return kPictures;
}

const std::vector<MeshAsset>& meshAssets()
{
    static const std::vector<MeshAsset> kMeshes = {
        {"cross.qbr", makeCross, UpAxis::PlusY, nullptr},
        {"morvask.qbr", makeLogoMesh, UpAxis::PlusY, nullptr},
        {"jiha.qbr", makeOrnament, UpAxis::PlusY, nullptr},
        {"gaffel.qbr", makeFork, UpAxis::PlusZ, nullptr},
        {"seastar.qbr", makeStarfish, UpAxis::PlusZ, "stjerne.jpg"},
        {"seafloor.qbr", makeSeaFloor, UpAxis::PlusZ, "sand2.jpg"},
        {"atsolskogen.qbr", makeForest, UpAxis::MinusY, nullptr},
        {"skate.qbr", makeSkateboard, UpAxis::PlusZ, "skate-top.jpg"},
    };
    return kMeshes;
}

void writePicture(const std::string& path, const PictureAsset& asset, const Picture& picture)
{
    switch (asset.encoding) {
    case Encoding::Jpeg: saveJpeg(path, picture); break;
    case Encoding::JpegData: saveJpeg(path, picture, 95, true); break;
    case Encoding::PngRGB: savePngRGB(path, picture); break;
    case Encoding::PngRGBA: savePngRGBA(path, picture); break;
    }
}

void writeMesh(const std::string& path, const MeshAsset& asset, const std::vector<Mesh>& parts)
{
    std::vector<FrontendExt::QBRMesh> meshes;
    for (size_t i = 0; i < parts.size(); ++i)
        meshes.push_back(parts[i].toQBR(i == 0 ? asset.name : "part"));
    FrontendExt::writeQBR(path, meshes);
}

bool writeAsset(const std::string& directory, const std::string& name)
{
    for (const PictureAsset& asset : pictureAssets())
        if (name == asset.name) {
            writePicture(directory + "/" + name, asset, asset.make());
            return true;
        }
    for (const MeshAsset& asset : meshAssets())
        if (name == asset.name) {
            writeMesh(directory + "/" + name, asset, asset.make());
            return true;
        }
    for (const KdxAsset& asset : kdxAssets())
        if (name == asset.name) {
            Halvane::writeKDX(directory + "/" + name, *asset.make());
            return true;
        }
    return false;
}

} // namespace Assets
