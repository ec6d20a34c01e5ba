// The render-state calls that desktop GL and WebGL 2 make alike, with the
// capability table; each platform's State.cpp has the rest.
#include "frontend/State.h"

// After State.h: libepoxy's glStencilOp macro would rename its member.
#include "frontend/GL.h"

namespace Frontend {

namespace {

GLenum capabilityOf(int code)
{
    switch (code) {
    case kBlend: return GL_BLEND;
    case kDepthTest: return GL_DEPTH_TEST;
    case kStencilTest: return GL_STENCIL_TEST;
    case kCullFace: return GL_CULL_FACE;
#ifdef GL_ALPHA_TEST // desktop GL's fixed-function capabilities; WebGL 2 has none of them
    case kAlphaTest: return GL_ALPHA_TEST;
    case kNormalize: return GL_NORMALIZE;
    case kLineSmooth: return GL_LINE_SMOOTH;
    case kPointSmooth: return GL_POINT_SMOOTH;
#endif
    default: return 0; // kNoEffect and codes outside the table
    }
}

} // namespace

void State::enable(int capability)
{
    if (GLenum cap = capabilityOf(capability))
        glEnable(cap);
}

void State::disable(int capability)
{
    if (GLenum cap = capabilityOf(capability))
        glDisable(cap);
}

void State::finish()
{
    glFinish();
}

void State::setBlendFunc(int source, int destination)
{
    glBlendFunc(glBlendFactor(source), glBlendFactor(destination));
}

void State::setDepthFunc(int compare)
{
    glDepthFunc(glCompareFunction(compare));
}

void State::setDepthWrite(bool enabled)
{
    glDepthMask(enabled ? GL_TRUE : GL_FALSE);
}

void State::setViewport(int x, int y, int width, int height)
{
    glViewport(x, y, width, height);
}

void State::clear(float r, float g, float b, float a, bool colour, bool depth, bool stencil)
{
    glClearColor(r, g, b, a);
    GLbitfield mask =
        (colour ? GL_COLOR_BUFFER_BIT : 0) | (depth ? GL_DEPTH_BUFFER_BIT : 0) | (stencil ? GL_STENCIL_BUFFER_BIT : 0);
    glClear(mask);
}

} // namespace Frontend
