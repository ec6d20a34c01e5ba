// The texture calls that desktop GL and WebGL 2 make alike; each
// platform's Texture.cpp makes the images (setData).
#include "frontend/Texture.h"

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

void Texture::setWrap(int mode)
{
    GLint wrap = mode == 1 ? GL_CLAMP_TO_EDGE : GL_REPEAT;
    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
}

} // namespace Frontend
