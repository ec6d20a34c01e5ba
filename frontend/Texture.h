// 2D textures with the demo's format and filter codes.
//
//   Format: 0 RGBA8, 1 RGB8, 2 RGBA32F, 3 depth 16, 4 depth 24.
//   Filter: 0 nearest + clamp, 1 linear + clamp, 2 trilinear mipmaps (GLU builder), wrap untouched.
// Pixel rows are tightly packed, bottom row first.
#pragma once

namespace Frontend {

class Image;

enum TextureFormat { kFormatRGBA = 0, kFormatRGB = 1, kFormatRGBAFloat = 2, kFormatDepth16 = 3, kFormatDepth24 = 4 };
enum TextureFilter { kFilterNearest = 0, kFilterLinear = 1, kFilterMipmap = 2 };

class Texture {
public:
    Texture(int width, int height, const void* pixels, int format, int filter);
    Texture(const Image& image, int filter);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    void setData(int width, int height, const void* pixels, int format, int filter);
    // 1: clamp to edge on both axes; any other value: repeat.
    void setWrap(int mode);

    unsigned id() const { return textureId; }
    int width() const { return texWidth; }
    int height() const { return texHeight; }
    int format() const { return texFormat; }
    int filter() const { return texFilter; }

private:
    // The start both platforms' setData share (TextureCommon.cpp): the sides
    // checked against maxSide (0: no limit known), then the texture named,
    // bound and given the pixel layout of the format.
    void beginImage(int width, int height, int format, int filter, int maxSide, int layoutInternal,
                    unsigned layoutFormat, unsigned layoutType);

    unsigned textureId = 0;
    unsigned pixelFormat = 0;
    unsigned pixelType = 0;
    int texFormat = 0;
    int texFilter = 0;
    int texWidth = 0;
    int texHeight = 0;
    int internalFormat = 0;
};

// A decoded picture: tightly packed 8-bit rows, bottom row first.
class Image {
public:
    virtual ~Image() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual int format() const = 0; // TextureFormat: 0 RGBA or 1 RGB
    virtual const unsigned char* data() const = 0;
};

} // namespace Frontend
