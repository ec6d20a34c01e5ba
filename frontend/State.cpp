// Render state and the matrix model on the fixed-function GL stacks.
// (The integer code tables are in StateCodes.cpp.)
//
// World lives in the modelview stack, view in the texture-matrix stack and
// projection in the projection stack. The view is always kept on texture
// unit 0's stack, whatever unit texture binding left active, so that lookAt
// and the shader's State matrices never disagree about where it lives.
#include "frontend/State.h"

#include <epoxy/gl.h>
#include <GL/glu.h>

#include <string>

#include "frontend/Context.h"
#include "frontend/Error.h"
#include "frontend/Shader.h"

namespace Frontend {

namespace {

// Selects texture unit 0 for the view stack and restores the caller's unit.
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

GLenum capabilityOf(int code)
{
    switch (code) {
    case kBlend: return GL_BLEND;
    case kDepthTest: return GL_DEPTH_TEST;
    case kAlphaTest: return GL_ALPHA_TEST;
    case kStencilTest: return GL_STENCIL_TEST;
    case kCullFace: return GL_CULL_FACE;
    case kNormalize: return GL_NORMALIZE;
    case kLineSmooth: return GL_LINE_SMOOTH;
    case kPointSmooth: return GL_POINT_SMOOTH;
    default: return 0;  // kNoEffect and codes outside the table
    }
}

// out = a x b, column-major, each element summed in the order GL's own
// matrix multiply uses.
void multiply(const float a[16], const float b[16], float out[16])
{
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            float sum = a[row] * b[column * 4];
            sum = sum + a[4 + row] * b[column * 4 + 1];
            sum = sum + a[8 + row] * b[column * 4 + 2];
            sum = sum + a[12 + row] * b[column * 4 + 3];
            out[column * 4 + row] = sum;
        }
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

void State::setWorldMatrix(const float m[16])
{
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(m);
}

void State::getWorldMatrix(float m[16])
{
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
}

void State::getViewMatrix(float m[16])
{
    ViewStack unit;
    glGetFloatv(GL_TEXTURE_MATRIX, m);
}

void State::loadIdentityWorld()
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void State::resetMatrices()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    {
        ViewStack unit;
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
    }
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void State::translate(float x, float y, float z)
{
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(x, y, z);
}

void State::rotate(float degrees, float x, float y, float z)
{
    glMatrixMode(GL_MODELVIEW);
    glRotatef(degrees, x, y, z);
}

void State::scale(float x, float y, float z)
{
    glMatrixMode(GL_MODELVIEW);
    glScalef(x, y, z);
}

void State::lookAt(float ex, float ey, float ez, float cx, float cy, float cz, float ux, float uy, float uz)
{
    ViewStack unit;
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    gluLookAt(ex, ey, ez, cx, cy, cz, ux, uy, uz);
}

void State::perspective(float fovY, float aspect, float zNear, float zFar)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fovY, aspect, zNear, zFar);
}

void State::pushWorld()
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
}

void State::popWorld()
{
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void State::pushAll()
{
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    {
        ViewStack unit;
        glMatrixMode(GL_TEXTURE);
        glPushMatrix();
    }
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
}

void State::popAll()
{
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    {
        ViewStack unit;
        glMatrixMode(GL_TEXTURE);
        glPopMatrix();
    }
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
}

void State::setViewport(int x, int y, int width, int height)
{
    glViewport(x, y, width, height);
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

void State::clear(float r, float g, float b, float a, bool colour, bool depth, bool stencil)
{
    glClearColor(r, g, b, a);
    GLbitfield mask = (colour ? GL_COLOR_BUFFER_BIT : 0) | (depth ? GL_DEPTH_BUFFER_BIT : 0) |
                      (stencil ? GL_STENCIL_BUFFER_BIT : 0);
    glClear(mask);
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

void State::bindDefaultShader()
{
    CompleteShader& shader = Context::current()->defaultShader();
    shader.bind();
    shader.setStateMatrices();
}

void State::computeStateMatrices(StateMatrices& out)
{
    glGetFloatv(GL_MODELVIEW_MATRIX, out.world);
    getViewMatrix(out.view);
    glGetFloatv(GL_PROJECTION_MATRIX, out.projection);
    multiply(out.projection, out.view, out.viewProjection);
    multiply(out.viewProjection, out.world, out.complete);
    multiply(out.view, out.world, out.worldView);
}

} // namespace Frontend
