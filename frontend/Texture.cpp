// 2D textures with the demo's format and filter codes. The render targets
// make empty ones, the resource catalogue makes them from decoded pictures.
// Errors during upload are reported at fixed check points and work goes on.
#include "frontend/Texture.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

#include <string>

#include "frontend/Error.h"
#include "frontend/Platform.h"

namespace Frontend {

namespace {

struct FormatEntry {
    GLint internalFormat;
    GLenum pixelFormat;
    GLenum pixelType;
};

bool formatEntry(int code, FormatEntry& entry)
{
    switch (code) {
    case kFormatRGBA: entry = {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE}; return true;
    case kFormatRGB: entry = {GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE}; return true;
    case kFormatRGBAFloat: entry = {GL_RGBA32F, GL_RGBA, GL_FLOAT}; return true;
    case kFormatDepth16: entry = {GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE}; return true;
    case kFormatDepth24: entry = {GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE}; return true;
    default: return false;
    }
}

void setClampedFilter(GLint filter)
{
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

} // namespace

void Texture::setData(int width, int height, const void* pixels, int format, int filter)
{
    static const char* const where = "Frontend::Texture::setData";
    FormatEntry entry{};
    if (!formatEntry(format, entry))
        throw Error("unknown texture format code " + std::to_string(format));
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    beginImage(width, height, format, filter, maxSide, entry.internalFormat, entry.pixelFormat, entry.pixelType);

    auto uploadLevel0 = [&] {
        glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, pixelFormat, pixelType, pixels);
    };
    switch (filter) {
    case kFilterNearest:
        uploadLevel0();
        checkNativeError(where, 75);
        setClampedFilter(GL_NEAREST);
        checkNativeError(where, 80);
        break;
    case kFilterLinear:
        uploadLevel0();
        checkNativeError(where, 84);
        setClampedFilter(GL_LINEAR);
        checkNativeError(where, 89);
        break;
    case kFilterMipmap:
        if (pixels) // also rescales sides that are not powers of two
            gluBuild2DMipmaps(GL_TEXTURE_2D, internalFormat, width, height, pixelFormat, pixelType, pixels);
        else
            uploadLevel0();
        checkNativeError(where, 94);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        checkNativeError(where, 97);
        break;
    default: break; // the texture exists and is bound, with no image
    }
}

} // namespace Frontend
