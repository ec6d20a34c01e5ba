// Render state on desktop GL.
// (The integer code tables are in StateCodes.cpp, the capabilities and the
// calls WebGL 2 makes alike in StateCalls.cpp, the matrix stacks in
// StateMatrices.cpp.)
//
// The program's matrix stacks are mirrored into the GL stacks they live in
// (world in the modelview stack, view in texture unit 0's texture-matrix
// stack, projection in the projection stack) whenever they change. The view
// is written to unit 0 directly where the driver offers direct state access,
// so no query of the active unit is needed.
#include "frontend/State.h"

#include <epoxy/gl.h>

#include "frontend/StateMirror.h"

namespace Frontend {

namespace {

// Selects texture unit 0 for the view stack and restores the caller's unit;
// only needed where the driver lacks direct state access.
class ViewStack {
public:
    ViewStack()
    {
        glGetIntegerv(GL_ACTIVE_TEXTURE, &previousUnit);
        if (previousUnit != GL_TEXTURE0)
            glActiveTexture(GL_TEXTURE0);
    }
    ~ViewStack()
    {
        if (previousUnit != GL_TEXTURE0)
            glActiveTexture(static_cast<GLenum>(previousUnit));
    }
    ViewStack(const ViewStack&) = delete;
    ViewStack& operator=(const ViewStack&) = delete;

private:
    GLint previousUnit = GL_TEXTURE0;
};

bool hasDirectStateAccess()
{
    static const bool available = epoxy_has_gl_extension("GL_EXT_direct_state_access");
    return available;
}

} // namespace

void StateMirror::world(const float m[16])
{
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(m);
}

void StateMirror::projection(const float m[16])
{
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(m);
}

void StateMirror::view(const float m[16])
{
    if (hasDirectStateAccess()) {
        glMatrixLoadfEXT(GL_TEXTURE0, m);
        return;
    }
    ViewStack unit;
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(m);
}

void State::setMultisample(bool enabled)
{
    if (enabled)
        glEnable(GL_MULTISAMPLE);
    else
        glDisable(GL_MULTISAMPLE);
}

void State::resetState()
{
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_NORMALIZE);
    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_POINT_SMOOTH);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glAlphaFunc(GL_LESS, 0.5f);
    glStencilFunc(GL_LESS, 0, ~0u);
    glStencilOp(GL_KEEP, GL_KEEP, GL_REPLACE);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glPointSize(1.0f);
    glLineWidth(1.0f);
    glCullFace(GL_BACK);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void State::begin(int primitiveType)
{
    glBegin(glPrimitive(primitiveType));
}

void State::vertexAttribute(int semantic, float x, float y, float z, float w)
{
    // Generic attributes at the numbers the compiled shaders bind their
    // inputs to; attribute 0 completes the vertex inside begin/end.
    const GLfloat values[4] = {x, y, z, w};
    if (semantic == 0)
        glVertexAttrib4fv(0, values);
    else if (semantic >= 2 && semantic <= 9)
        glVertexAttrib4fv(static_cast<GLuint>(8 + semantic - 2), values);
    else if (semantic == 10)
        glVertexAttrib3f(2, x, y, z);
    else if (semantic == 11)
        glVertexAttrib4fv(3, values);
    else if (semantic >= 100 && semantic <= 115)
        glVertexAttrib4fv(static_cast<GLuint>(semantic - 100), values);
}

void State::end()
{
    glEnd();
}

} // namespace Frontend
