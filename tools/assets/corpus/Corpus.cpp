// Seed files for the fuzz targets. Each is as small as its format allows
// while still reaching every branch of its reader: optional KDX fields and
// node kinds, several QBR meshes, PNG colour types, bit depths and
// interlacing, baseline, progressive and grey JPEGs.
#include "tools/assets/corpus/Corpus.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <filesystem>
#include <memory>
#include <vector>

#include "frontend/Error.h"
#include "frontend_ext/KDXScene.h"
#include "frontend_ext/QBRLoader.h"
#include "tools/assets/raster/Codec.h"

namespace Assets {

namespace {

using Bytes = std::vector<unsigned char>;

void writeBytes(const std::string& path, const Bytes& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (!file || std::fclose(file) != 0 || !written)
        throw Frontend::Error(path + ": cannot write the seed file");
}

int writeQbrSeeds(const std::string& dir)
{
    FrontendExt::QBRMesh triangle{"tri", {0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, {0, 1, 2}};
    FrontendExt::QBRMesh quad{"quad", {0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1, 1, 0, 1, 0, 0, 1}, {0, 1, 2, 0, 2, 3}};
    writeBytes(dir + "/triangle.qbr", FrontendExt::encodeQBR({triangle}));
    writeBytes(dir + "/two-meshes.qbr", FrontendExt::encodeQBR({quad, triangle}));
    writeBytes(dir + "/empty-mesh.qbr", FrontendExt::encodeQBR({FrontendExt::QBRMesh{}}));
    return 3;
}

std::unique_ptr<Scene::MeshNode> seedMesh(bool everyField)
{
    auto mesh = std::make_unique<Scene::MeshNode>();
    mesh->name = "mesh";
    mesh->materialName = "skin";
    mesh->vertexCount = 3;
    mesh->positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    mesh->indices = {0, 1, 2};
    mesh->hasChannel[1] = true;
    mesh->channels[1] = {0, 0, 1, 0, 0, 1};
    if (everyField) {
        mesh->hasNormals = mesh->hasBinormals = mesh->hasTangents = mesh->hasColors = mesh->hasExtra = true;
        mesh->normals = mesh->binormals = mesh->tangents = mesh->positions;
        mesh->colors.assign(12, 0.5f);
        mesh->extras.assign(3, 1.0f);
        mesh->hasChannel[0] = true;
        mesh->channels[0] = mesh->channels[1];
        mesh->hasInfluences = true;
        mesh->influenceNames = {"bone"};
        mesh->influenceValues.assign(12, 0);
        mesh->influenceWeights.assign(12, 0.25f);
    }
    mesh->positionTrack.addKey(Vec3{0, 0, 0}, 0.0f);
    mesh->positionTrack.addKey(Vec3{1, 2, 3}, 1.0f);
    mesh->rotationTrack.addKey(Scene::Quaternion{}, 0.0f);
    mesh->scaleTrack.addKey(Vec3{1, 1, 1}, 0.5f);
    return mesh;
}

int writeKdxSeeds(const std::string& dir)
{
    Halvane::Scene scene;
    auto material = std::make_unique<Scene::Material>();
    material->strings[0] = "skin";
    material->strings[2] = "skin.jpg";
    scene.materials.push_back(std::move(material));
    auto camera = std::make_unique<Scene::CameraNode>();
    camera->name = "camera";
    camera->targetName = "mesh";
    auto parameter = std::make_unique<Scene::ParameterNode>();
    parameter->children.push_back(seedMesh(false));
    camera->children.push_back(std::move(parameter));
    scene.roots.push_back(std::move(camera));
    scene.roots.push_back(seedMesh(true));
    auto marker = std::make_unique<Scene::Node>();
    marker->kind = Scene::kNodeKind5;
    scene.roots.push_back(std::move(marker));
    writeBytes(dir + "/scene.kdx", Halvane::encodeKDX(scene));

    Halvane::Scene small;
    small.roots.push_back(seedMesh(false));
    writeBytes(dir + "/mesh.kdx", Halvane::encodeKDX(small));
    return 2;
}

// PNG layouts the project's writer does not make: grey, palette, 16-bit, interlaced.
void writeRawPng(const std::string& path, int colourType, int bitDepth, int interlace)
{
    constexpr int kSide = 4;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!file || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        if (file)
            std::fclose(file);
        throw Frontend::Error(path + ": cannot write the seed file");
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, kSide, kSide, bitDepth, colourType, interlace, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color palette[2] = {{0, 0, 0}, {255, 128, 0}};
    png_byte alpha[1] = {128};
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, palette, 2);
        png_set_tRNS(png, info, alpha, 1, nullptr);
    }
    png_write_info(png, info);
    png_byte row[kSide * 8]; // wide enough for any layout here; nothing to destroy if libpng jumps
    std::fill(std::begin(row), std::end(row), png_byte{0x55});
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < kSide; ++y)
            png_write_row(png, row);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

int writePictureSeeds(const std::string& dir)
{
    Picture picture(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            picture.set(x, y, Color{x / 7.0f, y / 7.0f, 0.5f, (x + y) / 14.0f});
    savePngRGB(dir + "/rgb.png", picture);
    savePngRGBA(dir + "/rgba.png", picture);
    writeRawPng(dir + "/grey.png", PNG_COLOR_TYPE_GRAY, 8, PNG_INTERLACE_NONE);
    writeRawPng(dir + "/palette.png", PNG_COLOR_TYPE_PALETTE, 1, PNG_INTERLACE_NONE);
    writeRawPng(dir + "/deep.png", PNG_COLOR_TYPE_RGB_ALPHA, 16, PNG_INTERLACE_NONE);
    writeRawPng(dir + "/interlaced.png", PNG_COLOR_TYPE_RGB, 8, PNG_INTERLACE_ADAM7);
    saveJpeg(dir + "/rgb.jpg", picture);
    saveJpeg(dir + "/full-colour.jpg", picture, 100, true);
    return 8;
}

} // namespace

int writeFuzzCorpus(const std::string& directory)
{
    const std::string qbr = directory + "/qbr", kdx = directory + "/kdx", picture = directory + "/picture";
    for (const std::string& dir : {qbr, kdx, picture})
        std::filesystem::create_directories(dir);
    return writeQbrSeeds(qbr) + writeKdxSeeds(kdx) + writePictureSeeds(picture);
}

} // namespace Assets
