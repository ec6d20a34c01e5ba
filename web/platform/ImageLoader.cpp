// The web build's picture decoder: FrontendExt::ImageLoader (frontend/ImageLoader.h)
// on stb_image, which builds with emscripten where libjpeg and libpng do not.
// It refuses what the desktop's decoder refuses, before allocating, with the
// same messages; stb_image's own reason stands in for libjpeg's and libpng's
// texts of a corrupt file. Frame dumps (writePng) do not exist in a page.
#include "frontend/ImageLoader.h"

#include <cstdint>
#include <cstring>

#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include "frontend/Error.h"
#include "frontend/Limits.h"

namespace FrontendExt {

namespace {

// As on the desktop: deflate packs at most 1032 bytes into one.
constexpr uint64_t kMaxDeflateRatio = 1032;

[[noreturn]] void decodeFailure(const std::string& path, const std::string& problem)
{
    throw Frontend::Error("cannot decode picture '" + path + "': " + problem);
}

bool isPng(const std::vector<unsigned char>& file)
{
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return file.size() >= 8 && std::memcmp(file.data(), signature, 8) == 0;
}

bool isJpeg(const std::vector<unsigned char>& file)
{
    return file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF;
}

// Entropy-coded data stuffs every 0xFF byte, so each FF DA pair starts a scan.
int jpegScanCount(const std::vector<unsigned char>& file)
{
    int scans = 0;
    for (size_t i = 0; i + 1 < file.size(); ++i)
        scans += file[i] == 0xFF && file[i + 1] == 0xDA;
    return scans;
}

uint32_t bigEndian(const unsigned char* bytes)
{
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

void checkSides(const std::string& path, uint64_t width, uint64_t height)
{
    const uint64_t limit = Frontend::Limits::kMaxPictureSide;
    if (width == 0 || height == 0 || width > limit || height > limit)
        decodeFailure(path, "it declares " + std::to_string(width) + " x " + std::to_string(height) +
                                " pixels; pictures of 1 to " + std::to_string(limit) + " pixels a side are read");
}

// The header's sides, and rows that the file's size could hold, read as libpng reads them.
void checkPng(const std::string& path, const std::vector<unsigned char>& file)
{
    if (file.size() < 33)
        decodeFailure(path, "corrupt PNG (file is truncated)");
    const unsigned char* header = file.data() + 16;
    uint64_t width = bigEndian(header), height = bigEndian(header + 4);
    checkSides(path, width, height);
    static const int kChannels[7] = {1, 0, 3, 1, 2, 0, 4}; // by colour type
    int channels = header[9] < 7 ? kChannels[header[9]] : 0;
    uint64_t rowBytes = (width * header[8] * channels + 7) / 8;
    if (height * (rowBytes + 1) > kMaxDeflateRatio * file.size())
        decodeFailure(path, "corrupt PNG (the file is far too small for the picture it declares)");
}

void checkJpeg(const std::string& path, const std::vector<unsigned char>& file)
{
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(file.data(), static_cast<int>(file.size()), &width, &height, &channels))
        decodeFailure(path, "corrupt JPEG (" + std::string(stbi_failure_reason()) + ")");
    checkSides(path, static_cast<uint64_t>(width), static_cast<uint64_t>(height));
    if (jpegScanCount(file) > Frontend::Limits::kMaxJpegScans)
        decodeFailure(path, "progressive JPEG of more than " + std::to_string(Frontend::Limits::kMaxJpegScans) +
                                " scans, the limit");
}

} // namespace

ImageLoader::ImageLoader(File file) : ImageLoader(file.readAll(), file.path())
{
}

ImageLoader::ImageLoader(const std::vector<unsigned char>& bytes, const std::string& path)
{
    if (bytes.empty())
        decodeFailure(path, "the file is empty");
    bool png = isPng(bytes);
    if (!png && !isJpeg(bytes))
        decodeFailure(path, "neither a JPEG nor a PNG file");
    if (png)
        checkPng(path, bytes);
    else
        checkJpeg(path, bytes);

    int width = 0, height = 0, channels = 0;
    stbi_uc* decoded =
        stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels, 0);
    if (!decoded)
        decodeFailure(path, (png ? "corrupt PNG (" : "corrupt JPEG (") + std::string(stbi_failure_reason()) + ")");
    // Grey becomes RGB, grey with alpha RGBA, as the desktop's decoder expands them.
    int out = channels == 2 || channels == 4 ? 4 : 3;
    pixels.resize(static_cast<size_t>(width) * height * out);
    for (int y = 0; y < height; ++y) {
        const stbi_uc* row = decoded + static_cast<size_t>(height - 1 - y) * width * channels;
        unsigned char* to = pixels.data() + static_cast<size_t>(y) * width * out;
        for (int x = 0; x < width; ++x, row += channels, to += out) {
            bool grey = channels <= 2;
            to[0] = row[0];
            to[1] = row[grey ? 0 : 1];
            to[2] = row[grey ? 0 : 2];
            if (out == 4)
                to[3] = row[channels - 1];
        }
    }
    stbi_image_free(decoded);
    imageWidth = width;
    imageHeight = height;
    imageFormat = out == 4 ? Frontend::kFormatRGBA : Frontend::kFormatRGB;
}

} // namespace FrontendExt
