// 2D textures on WebGL 2, with the desktop's format and filter codes.
//
// Mipmaps come from glGenerateMipmap. Like the desktop's GLU builder, a
// picture whose sides are not powers of two is first scaled to the nearest
// ones, so both sample the same levels. Depth textures take the pixel types
// WebGL 2 asks for and nearest filtering: ES 3.0 filters no depth format.
#include "frontend/Texture.h"

#include <GLES3/gl3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "frontend/Error.h"
#include "frontend/Platform.h"

namespace Frontend {

namespace {

struct FormatEntry {
    GLint internalFormat;
    GLenum pixelFormat;
    GLenum pixelType;
    int bytesPerPixel;
};

bool formatEntry(int code, FormatEntry& entry)
{
    switch (code) {
    case kFormatRGBA: entry = {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4}; return true;
    case kFormatRGB: entry = {GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE, 3}; return true;
    case kFormatRGBAFloat: entry = {GL_RGBA32F, GL_RGBA, GL_FLOAT, 16}; return true;
    case kFormatDepth16: entry = {GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, 2}; return true;
    case kFormatDepth24: entry = {GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, 4}; return true;
    default: return false;
    }
}

bool isDepth(int code)
{
    return code == kFormatDepth16 || code == kFormatDepth24;
}

void setClampedFilter(GLint filter)
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

int maxTextureSide()
{
    static const int side = [] {
        GLint value = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &value);
        return static_cast<int>(value);
    }();
    return side;
}

// The power of two GLU's mipmap builder scales a side to: the nearer of the
// two around it, decided by the two leading bits (3 x 2^k goes up).
int glulikePowerOfTwo(int side)
{
    int power = 1;
    for (unsigned value = static_cast<unsigned>(side); value > 1; value >>= 1) {
        if (value == 3)
            return power * 4;
        power *= 2;
    }
    return power;
}

// Box-filter scaling of 8-bit pixels, each output pixel the area-weighted
// mean of the input pixels it covers (what GLU's image scaler computes).
void scaleImage(const unsigned char* in, int inW, int inH, int channels, unsigned char* out, int outW, int outH)
{
    const float sx = static_cast<float>(inW) / outW;
    const float sy = static_cast<float>(inH) / outH;
    for (int y = 0; y < outH; ++y) {
        const float y0 = y * sy;
        const float y1 = y0 + sy;
        for (int x = 0; x < outW; ++x) {
            const float x0 = x * sx;
            const float x1 = x0 + sx;
            float sum[4] = {0, 0, 0, 0};
            float area = 0;
            for (int iy = static_cast<int>(y0); iy < inH && iy < y1; ++iy) {
                const float wy = std::min<float>(y1, iy + 1) - std::max<float>(y0, iy);
                for (int ix = static_cast<int>(x0); ix < inW && ix < x1; ++ix) {
                    const float w = wy * (std::min<float>(x1, ix + 1) - std::max<float>(x0, ix));
                    const unsigned char* p = in + (static_cast<size_t>(iy) * inW + ix) * channels;
                    for (int c = 0; c < channels; ++c)
                        sum[c] += w * p[c];
                    area += w;
                }
            }
            unsigned char* q = out + (static_cast<size_t>(y) * outW + x) * channels;
            for (int c = 0; c < channels; ++c)
                q[c] = static_cast<unsigned char>(std::min(255.0f, sum[c] / area + 0.5f));
        }
    }
}

} // namespace

void Texture::setData(int width, int height, const void* pixels, int format, int filter)
{
    static const char* const where = "Frontend::Texture::setData";
    FormatEntry entry{};
    if (!formatEntry(format, entry))
        throw Error("unknown texture format code " + std::to_string(format));
    beginImage(width, height, format, filter, maxTextureSide(), entry.internalFormat, entry.pixelFormat,
               entry.pixelType);

    auto upload = [&](int w, int h, const void* data) {
        glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, w, h, 0, pixelFormat, pixelType, data);
    };
    if (isDepth(format) && filter != kFilterNearest)
        filter = kFilterNearest;
    switch (filter) {
    case kFilterNearest:
    case kFilterLinear:
        upload(width, height, pixels);
        checkNativeError(where, 75);
        setClampedFilter(filter == kFilterNearest ? GL_NEAREST : GL_LINEAR);
        checkNativeError(where, 80);
        break;
    case kFilterMipmap: {
        const int w = pixels ? glulikePowerOfTwo(width) : width;
        const int h = pixels ? glulikePowerOfTwo(height) : height;
        if (pixels && (w != width || h != height) && entry.pixelType == GL_UNSIGNED_BYTE) {
            std::vector<unsigned char> scaled(static_cast<size_t>(w) * h * entry.bytesPerPixel);
            scaleImage(static_cast<const unsigned char*>(pixels), width, height, entry.bytesPerPixel, scaled.data(), w,
                       h);
            upload(w, h, scaled.data());
        } else {
            upload(width, height, pixels);
        }
        if (pixels)
            glGenerateMipmap(GL_TEXTURE_2D);
        checkNativeError(where, 94);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        checkNativeError(where, 97);
        break;
    }
    default: break; // the texture exists and is bound, with no image
    }
}

} // namespace Frontend
