// The texture calls that desktop GL and WebGL 2 make alike; each
// platform's Texture.cpp has the format table and makes the images (setData).
#include "frontend/Texture.h"

#include <string>

#include "frontend/Error.h"
#include "frontend/GL.h"
#include "frontend/Platform.h"

namespace Frontend {

Texture::Texture(int width, int height, const void* pixels, int format, int filter)
{
    setData(width, height, pixels, format, filter);
}

Texture::Texture(const Image& image, int filter)
{
    setData(image.width(), image.height(), image.data(), image.format(), filter);
}

Texture::~Texture()
{
    if (textureId != 0 && glContextIsCurrent())
        glDeleteTextures(1, &textureId);
}

void Texture::beginImage(int width, int height, int format, int filter, int maxSide, int layoutInternal,
                         unsigned layoutFormat, unsigned layoutType)
{
    static const char* const where = "Frontend::Texture::setData";
    if (width < 0 || height < 0 || (maxSide > 0 && (width > maxSide || height > maxSide)))
        throw Error("a texture of " + std::to_string(width) + " x " + std::to_string(height) +
                    " is more than this GL context takes (" + std::to_string(maxSide) + " texels a side)");
    texFormat = format;
    texFilter = filter;
    texWidth = width;
    texHeight = height;
    // One texture name for the object's whole life; new data replaces the image.
    if (textureId == 0)
        glGenTextures(1, &textureId);
    checkNativeError(where, 35);
    glBindTexture(GL_TEXTURE_2D, textureId);
    checkNativeError(where, 37);

    internalFormat = layoutInternal;
    pixelFormat = layoutFormat;
    pixelType = layoutType;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
}

void Texture::setWrap(int mode)
{
    GLint wrap = mode == 1 ? GL_CLAMP_TO_EDGE : GL_REPEAT;
    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
}

} // namespace Frontend
