// Decodes a JPEG or PNG file into 8-bit RGB (format 1) or RGBA (format 0)
// rows, bottom row first. Grey, palette and 16-bit sources are converted.
// A corrupt, truncated or unknown file throws Frontend::Error naming the file.
#pragma once

#include <string>
#include <vector>

#include "frontend/File.h"
#include "frontend/Texture.h"

namespace FrontendExt {

class ImageExt : public Frontend::Image {};

class ImageLoader : public ImageExt {
public:
    explicit ImageLoader(File file);
    // A whole file already in memory; `name` only names it in errors.
    ImageLoader(const std::vector<unsigned char>& bytes, const std::string& name);

    int width() const override { return imageWidth; }
    int height() const override { return imageHeight; }
    int format() const override { return imageFormat; }
    const unsigned char* data() const override { return pixels.data(); }

private:
    std::vector<unsigned char> pixels;
    int imageWidth = 0;
    int imageHeight = 0;
    int imageFormat = 1;
};

// Encodes tightly packed RGB rows (top row first) as a PNG file.
// Throws Frontend::Error when the file cannot be written.
void writePng(const char* path, int width, int height, const unsigned char* rgbTopFirst, int compressionLevel);

// The same for tightly packed RGBA rows (straight alpha), top row first.
void writePngRGBA(const char* path, int width, int height, const unsigned char* rgbaTopFirst, int compressionLevel);

} // namespace FrontendExt
