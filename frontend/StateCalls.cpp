// The render-state calls that desktop GL and WebGL 2 make alike; each
// platform's State.cpp has the rest.
#include "frontend/State.h"

// After State.h: libepoxy's glStencilOp macro would rename its member.
#include "frontend/GL.h"

namespace Frontend {

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
