// Off-screen render targets: one framebuffer object with an RGBA8 colour
// texture and a depth texture (24-bit, or 16-bit where 24 is refused).
// Construction leaves the window's framebuffer bound. The same code serves
// desktop GL and WebGL 2, whose Texture makes the depth formats it takes.
#include "frontend/RenderTarget.h"

#include "frontend/Context.h"
#include "frontend/Error.h"
#include "frontend/GL.h"
#include "frontend/Platform.h"
#include "frontend/Texture.h"

namespace Frontend {

namespace {

bool acceptedStatus(GLenum status)
{
    // Only these two mean "this depth format cannot be used here"; any other
    // incompleteness is left to the error checks.
    return status != GL_FRAMEBUFFER_UNSUPPORTED && status != GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS;
}

} // namespace

RenderTarget::RenderTarget(int width, int height, bool withColour, bool withDepth) : targetW(width), targetH(height)
{
    static const char* const where = "Frontend::RenderTarget::RenderTarget";
    glGenFramebuffers(1, &framebuffer);
    checkNativeError(where, 10);

    if (withColour) {
        auto* colour = new Texture(width, height, nullptr, kFormatRGBA, kFilterLinear);
        colour->setWrap(1);
        colourTextures[0] = colour;
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour->id(), 0);
        glCheckFramebufferStatus(GL_FRAMEBUFFER);
    }
    if (withDepth) {
        depth = new Texture(width, height, nullptr, kFormatDepth24, kFilterLinear);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depth->id(), 0);
        if (!acceptedStatus(glCheckFramebufferStatus(GL_FRAMEBUFFER))) {
            delete depth;
            depth = nullptr;
            if (!attachDepth(new Texture(width, height, nullptr, kFormatDepth16, kFilterLinear)))
                showMessage("", "Unable to find a supported framebuffer format");
        }
        ownedDepth = depth;
    }
    unbind();
    checkNativeError(where, 35);
}

RenderTarget::~RenderTarget()
{
    // The textures guard their own GL names; only the framebuffer needs a context here.
    if (framebuffer != 0 && glContextIsCurrent())
        glDeleteFramebuffers(1, &framebuffer);
    delete colourTextures[0];
    delete ownedDepth;
}

void RenderTarget::bind()
{
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, targetW, targetH);
}

void RenderTarget::unbind()
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (Context* context = Context::current())
        glViewport(0, 0, context->window().clientWidth(), context->window().clientHeight());
}

void RenderTarget::copyColourFrom(const RenderTarget& source)
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, source.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    glBlitFramebuffer(0, 0, source.targetW, source.targetH, 0, 0, targetW, targetH, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    bind();
}

bool RenderTarget::attachDepth(Texture* texture)
{
    depth = texture;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, texture ? texture->id() : 0, 0);
    return acceptedStatus(glCheckFramebufferStatus(GL_FRAMEBUFFER));
}

} // namespace Frontend
