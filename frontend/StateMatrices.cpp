// The matrix model of State.h: world, view and projection as three small
// matrix stacks kept in the program. Shaders get the State matrices from
// these copies, so nothing is read back from GL while drawing; each change
// is handed to the platform's mirror (frontend/StateMirror.h).
#include "frontend/State.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "frontend/StateMirror.h"

namespace Frontend {

namespace {
constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// A matrix stack like GL's: push copies the top, pop never goes below the base.
// Scenes nest a handful of levels; a push beyond the depth keeps the top level.
struct MatrixStack {
    static constexpr int kDepth = 32;
    float levels[kDepth][16];
    int top = 0;

    MatrixStack() { std::copy(kIdentity, kIdentity + 16, levels[0]); }
    float* current() { return levels[top]; }
    void push()
    {
        if (top + 1 < kDepth) {
            std::copy(levels[top], levels[top] + 16, levels[top + 1]);
            top++;
        }
    }
    void pop()
    {
        if (top > 0)
            top--;
    }
};

MatrixStack worldStack;
MatrixStack viewStack;
MatrixStack projectionStack;

void mirrorWorld()
{
    StateMirror::world(worldStack.current());
}

void mirrorProjection()
{
    StateMirror::projection(projectionStack.current());
}

void mirrorView()
{
    StateMirror::view(viewStack.current());
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

// m = m x b, in place.
void multiplyInto(float m[16], const float b[16])
{
    float product[16];
    multiply(m, b, product);
    std::copy(product, product + 16, m);
}

} // namespace

void State::setWorldMatrix(const float m[16])
{
    std::copy(m, m + 16, worldStack.current());
    mirrorWorld();
}

void State::getWorldMatrix(float m[16])
{
    std::copy(worldStack.current(), worldStack.current() + 16, m);
}

void State::getViewMatrix(float m[16])
{
    std::copy(viewStack.current(), viewStack.current() + 16, m);
}

void State::loadIdentityWorld()
{
    std::copy(kIdentity, kIdentity + 16, worldStack.current());
    mirrorWorld();
}

void State::resetMatrices()
{
    std::copy(kIdentity, kIdentity + 16, projectionStack.current());
    mirrorProjection();
    std::copy(kIdentity, kIdentity + 16, viewStack.current());
    mirrorView();
    loadIdentityWorld();
}

void State::translate(float x, float y, float z)
{
    float* m = worldStack.current();
    for (int row = 0; row < 4; ++row)
        m[12 + row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
    mirrorWorld();
}

void State::rotate(float degrees, float x, float y, float z)
{
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f)
        return; // no axis, no turn (GL leaves the matrix alone too)
    x /= length;
    y /= length;
    z /= length;
    const float radians = degrees * (std::numbers::pi_v<float> / 180.0f);
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    const float C = 1.0f - c;
    // Column-major, the matrix glRotate multiplies by.
    const float r[16] = {x * x * C + c,
                         y * x * C + z * s,
                         x * z * C - y * s,
                         0,
                         x * y * C - z * s,
                         y * y * C + c,
                         y * z * C + x * s,
                         0,
                         x * z * C + y * s,
                         y * z * C - x * s,
                         z * z * C + c,
                         0,
                         0,
                         0,
                         0,
                         1};
    multiplyInto(worldStack.current(), r);
    mirrorWorld();
}

void State::scale(float x, float y, float z)
{
    float* m = worldStack.current();
    for (int row = 0; row < 4; ++row) {
        m[row] *= x;
        m[4 + row] *= y;
        m[8 + row] *= z;
    }
    mirrorWorld();
}

void State::lookAt(float ex, float ey, float ez, float cx, float cy, float cz, float ux, float uy, float uz)
{
    // The standard look-at matrix: rows side, up and -forward, then the eye moved to the origin.
    float forward[3] = {cx - ex, cy - ey, cz - ez};
    const float forwardLength = std::sqrt(forward[0] * forward[0] + forward[1] * forward[1] + forward[2] * forward[2]);
    if (forwardLength > 0.0f) {
        for (float& f : forward)
            f /= forwardLength;
    }
    float side[3] = {forward[1] * uz - forward[2] * uy, forward[2] * ux - forward[0] * uz,
                     forward[0] * uy - forward[1] * ux};
    const float sideLength = std::sqrt(side[0] * side[0] + side[1] * side[1] + side[2] * side[2]);
    if (sideLength > 0.0f) {
        for (float& f : side)
            f /= sideLength;
    }
    const float up[3] = {side[1] * forward[2] - side[2] * forward[1], side[2] * forward[0] - side[0] * forward[2],
                         side[0] * forward[1] - side[1] * forward[0]};
    float* m = viewStack.current();
    const float rotation[16] = {side[0], up[0], -forward[0], 0, side[1], up[1], -forward[1], 0,
                                side[2], up[2], -forward[2], 0, 0,       0,     0,           1};
    std::copy(rotation, rotation + 16, m);
    for (int row = 0; row < 4; ++row)
        m[12 + row] = m[row] * -ex + m[4 + row] * -ey + m[8 + row] * -ez + m[12 + row];
    mirrorView();
}

void State::perspective(float fovY, float aspect, float zNear, float zFar)
{
    // The standard perspective matrix, formed in double precision.
    const double radians = fovY / 2.0 * std::numbers::pi / 180.0;
    const double deltaZ = static_cast<double>(zFar) - zNear;
    const double sine = std::sin(radians);
    float* m = projectionStack.current();
    std::copy(kIdentity, kIdentity + 16, m);
    if (deltaZ == 0.0 || sine == 0.0 || aspect == 0.0f) {
        mirrorProjection(); // a degenerate request leaves the identity, as GLU does
        return;
    }
    const double cotangent = std::cos(radians) / sine;
    m[0] = static_cast<float>(cotangent / aspect);
    m[5] = static_cast<float>(cotangent);
    m[10] = static_cast<float>(-(static_cast<double>(zFar) + zNear) / deltaZ);
    m[11] = -1.0f;
    m[14] = static_cast<float>(-2.0 * zNear * zFar / deltaZ);
    m[15] = 0.0f;
    mirrorProjection();
}

void State::pushWorld()
{
    worldStack.push();
}

void State::popWorld()
{
    worldStack.pop();
    mirrorWorld();
}

void State::pushAll()
{
    worldStack.push();
    viewStack.push();
    projectionStack.push();
}

void State::popAll()
{
    worldStack.pop();
    viewStack.pop();
    projectionStack.pop();
    mirrorWorld();
    mirrorView();
    mirrorProjection();
}

StateMatrices State::computeStateMatrices()
{
    StateMatrices out;
    getWorldMatrix(out.world);
    getViewMatrix(out.view);
    std::copy(projectionStack.current(), projectionStack.current() + 16, out.projection);
    multiply(out.projection, out.view, out.viewProjection);
    multiply(out.viewProjection, out.world, out.complete);
    multiply(out.view, out.world, out.worldView);
    return out;
}

BlendScope::BlendScope(int source, int destination, bool overlay) : depthOff(overlay)
{
    if (overlay)
        State::disable(kDepthTest);
    State::enable(kBlend);
    State::setBlendFunc(source, destination);
}

BlendScope::~BlendScope()
{
    State::disable(kBlend);
    if (depthOff)
        State::enable(kDepthTest);
}

} // namespace Frontend
