// The matrix model and the render-state codes, checked on the shared hidden
// context against matrices computed here by hand.
#include "frontend/State.h"

#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <array>
#include <cmath>
#include <string>

#include "frontend/Error.h"
#include "tests/support/TestContext.h"

using Frontend::State;
using Matrix = std::array<float, 16>; // column-major

namespace {

Matrix identity()
{
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

Matrix product(const Matrix& a, const Matrix& b)
{
    Matrix out{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += static_cast<double>(a[k * 4 + r]) * b[c * 4 + k];
            out[c * 4 + r] = static_cast<float>(sum);
        }
    return out;
}

Matrix lookAtMatrix(const double eye[3], const double centre[3], const double up[3])
{
    double f[3] = {centre[0] - eye[0], centre[1] - eye[1], centre[2] - eye[2]};
    double fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    for (double& v : f)
        v /= fl;
    double s[3] = {f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2], f[0] * up[1] - f[1] * up[0]};
    double sl = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    for (double& v : s)
        v /= sl;
    double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    auto dot = [&](const double a[3]) { return a[0] * eye[0] + a[1] * eye[1] + a[2] * eye[2]; };
    // Rows s, u, -f; translation -R eye.
    return {float(s[0]), float(u[0]), float(-f[0]), 0, float(s[1]),    float(u[1]),    float(-f[1]),  0,
            float(s[2]), float(u[2]), float(-f[2]), 0, float(-dot(s)), float(-dot(u)), float(dot(f)), 1};
}

Matrix perspectiveMatrix(double fovY, double aspect, double n, double f)
{
    double cot = 1.0 / std::tan(fovY * 3.14159265358979323846 / 360.0);
    Matrix m{};
    m[0] = float(cot / aspect);
    m[5] = float(cot);
    m[10] = float((f + n) / (n - f));
    m[11] = -1.0f;
    m[14] = float(2.0 * f * n / (n - f));
    return m;
}

void expectMatrixNear(const float* got, const Matrix& want, float tolerance = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(got[i], want[i], tolerance * std::max(1.0f, std::fabs(want[i]))) << "element " << i;
}

Matrix current(GLenum which)
{
    Matrix m{};
    glGetFloatv(which, m.data());
    return m;
}

class StateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestSupport::glContext();
        while (glGetError() != GL_NO_ERROR) {
        }
        glActiveTexture(GL_TEXTURE0);
        State::resetMatrices();
    }
    void TearDown() override { EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)); }
};

TEST_F(StateTest, IdentityStacksGiveSixIdentityMatrices)
{
    const Frontend::StateMatrices m = State::computeStateMatrices();
    for (const float* matrix : {m.world, m.view, m.projection, m.worldView, m.viewProjection, m.complete})
        expectMatrixNear(matrix, identity(), 0.0f);
}

TEST_F(StateTest, StateMatricesAreProductsOfTheThreeStacks)
{
    const double eye[3] = {3, 4, 5}, centre[3] = {0, 1, 0}, up[3] = {0, 1, 0};
    State::lookAt(3, 4, 5, 0, 1, 0, 0, 1, 0);
    State::perspective(60.0f, 4.0f / 3.0f, 0.5f, 200.0f);
    State::translate(1.0f, -2.0f, 3.0f);
    State::rotate(30.0f, 0.0f, 1.0f, 0.0f);
    State::scale(2.0f, 2.0f, 0.5f);

    const double c = std::cos(30.0 * 3.14159265358979323846 / 180.0),
                 s = std::sin(30.0 * 3.14159265358979323846 / 180.0);
    Matrix t = identity(), r = identity(), sc = identity();
    t[12] = 1.0f;
    t[13] = -2.0f;
    t[14] = 3.0f;
    r[0] = float(c);
    r[2] = float(-s);
    r[8] = float(s);
    r[10] = float(c);
    sc[0] = 2.0f;
    sc[5] = 2.0f;
    sc[10] = 0.5f;
    const Matrix w = product(product(t, r), sc);
    const Matrix v = lookAtMatrix(eye, centre, up);
    const Matrix p = perspectiveMatrix(60.0, 4.0 / 3.0, 0.5, 200.0);

    const Frontend::StateMatrices m = State::computeStateMatrices();
    expectMatrixNear(m.world, w);
    expectMatrixNear(m.view, v);
    expectMatrixNear(m.projection, p);
    expectMatrixNear(m.worldView, product(v, w));
    expectMatrixNear(m.viewProjection, product(p, v));
    expectMatrixNear(m.complete, product(product(p, v), w), 1e-4f);

    // The view lives apart from the world: the modelview stack holds W alone.
    expectMatrixNear(current(GL_MODELVIEW_MATRIX).data(), w);
    Matrix world{};
    State::getWorldMatrix(world.data());
    expectMatrixNear(world.data(), w);
}

TEST_F(StateTest, ViewStaysOnUnitZeroWhateverUnitIsActive)
{
    glActiveTexture(GL_TEXTURE3);
    State::lookAt(0, 0, 10, 0, 0, 0, 0, 1, 0);
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE3) << "the caller's unit comes back";
    expectMatrixNear(current(GL_TEXTURE_MATRIX).data(), identity(), 0.0f);

    Matrix view{};
    State::getViewMatrix(view.data());
    const double eye[3] = {0, 0, 10}, centre[3] = {0, 0, 0}, up[3] = {0, 1, 0};
    expectMatrixNear(view.data(), lookAtMatrix(eye, centre, up));
    glActiveTexture(GL_TEXTURE0);
    expectMatrixNear(current(GL_TEXTURE_MATRIX).data(), lookAtMatrix(eye, centre, up));
    expectMatrixNear(current(GL_MODELVIEW_MATRIX).data(), identity(), 0.0f);
}

TEST_F(StateTest, PushAllAndPopAllRestoreEveryStack)
{
    State::lookAt(1, 2, 3, 0, 0, 0, 0, 1, 0);
    State::perspective(45.0f, 1.0f, 1.0f, 10.0f);
    State::translate(5.0f, 0.0f, 0.0f);
    const Frontend::StateMatrices before = State::computeStateMatrices();

    State::pushAll();
    State::resetMatrices();
    State::lookAt(9, 9, 9, 0, 0, 0, 0, 0, 1);
    State::perspective(90.0f, 2.0f, 0.1f, 5.0f);
    State::pushWorld();
    State::scale(3.0f, 3.0f, 3.0f);
    State::popWorld();
    State::popAll();

    const Frontend::StateMatrices after = State::computeStateMatrices();
    expectMatrixNear(after.complete, Matrix(std::to_array(before.complete)), 0.0f);
    expectMatrixNear(after.view, Matrix(std::to_array(before.view)), 0.0f);

    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 7, 8, 9, 1};
    State::setWorldMatrix(m);
    expectMatrixNear(current(GL_MODELVIEW_MATRIX).data(), std::to_array(m), 0.0f);
    State::loadIdentityWorld();
    expectMatrixNear(current(GL_MODELVIEW_MATRIX).data(), identity(), 0.0f);
}

TEST_F(StateTest, CapabilitiesOutsideTheTableChangeNothing)
{
    State::resetState();
    GLboolean before[3] = {glIsEnabled(GL_BLEND), glIsEnabled(GL_DEPTH_TEST), glIsEnabled(GL_CULL_FACE)};
    State::enable(Frontend::kNoEffect);
    State::disable(Frontend::kNoEffect);
    State::enable(9);
    State::disable(-1);
    EXPECT_EQ(glIsEnabled(GL_BLEND), before[0]);
    EXPECT_EQ(glIsEnabled(GL_DEPTH_TEST), before[1]);
    EXPECT_EQ(glIsEnabled(GL_CULL_FACE), before[2]);

    State::enable(Frontend::kCullFace);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    State::disable(Frontend::kDepthTest);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(StateTest, CodesOutsideTheirTablesThrowNamingTheCode)
{
    auto message = [](auto call) {
        try {
            call();
        } catch (const Frontend::Error& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([] { State::setBlendFunc(12, 0); }), "unknown blend factor code 12");
    EXPECT_EQ(message([] { State::setDepthFunc(7); }), "unknown compare function code 7");
    EXPECT_EQ(message([] { State::glStencilOperation(5); }), "unknown stencil operation code 5");
    EXPECT_EQ(message([] { State::begin(5); }), "unknown primitive type code 5");
    EXPECT_EQ(State::glBlendFactor(Frontend::kOneMinusDstAlpha), static_cast<unsigned>(GL_ONE_MINUS_DST_ALPHA));
    EXPECT_EQ(State::glCompareFunction(Frontend::kGreaterEqual), static_cast<unsigned>(GL_GEQUAL));
    EXPECT_EQ(State::glStencilOperation(Frontend::kStencilDecrement), static_cast<unsigned>(GL_DECR));
    EXPECT_EQ(State::glPrimitive(4), static_cast<unsigned>(GL_QUADS));
}

TEST_F(StateTest, ResetStateRestoresTheDefaults)
{
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_STENCIL_TEST);
    glBlendFunc(GL_ONE, GL_ONE);
    glAlphaFunc(GL_GREATER, 0.1f);
    glStencilOp(GL_ZERO, GL_ZERO, GL_ZERO);
    glColorMask(GL_FALSE, GL_TRUE, GL_FALSE, GL_FALSE);
    glDepthMask(GL_FALSE);
    glLineWidth(3.0f);
    glCullFace(GL_FRONT);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);

    State::resetState();
    auto integer = [](GLenum name) {
        GLint values[4] = {};
        glGetIntegerv(name, values);
        return values[0];
    };
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
    EXPECT_EQ(integer(GL_BLEND_SRC_RGB), GL_SRC_ALPHA);
    EXPECT_EQ(integer(GL_BLEND_DST_RGB), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(integer(GL_ALPHA_TEST_FUNC), GL_LESS);
    EXPECT_EQ(integer(GL_STENCIL_FUNC), GL_LESS);
    EXPECT_EQ(integer(GL_STENCIL_FAIL), GL_KEEP);
    EXPECT_EQ(integer(GL_STENCIL_PASS_DEPTH_PASS), GL_REPLACE);
    EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_EQ(integer(GL_CULL_FACE_MODE), GL_BACK);
    EXPECT_EQ(integer(GL_POLYGON_MODE), GL_FILL);
    GLboolean mask[4] = {};
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    EXPECT_TRUE(mask[0] && mask[1] && mask[2] && mask[3]);
    GLfloat width = 0.0f;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 1.0f);
}

TEST_F(StateTest, VertexAttributesGoToTheirGenericNumbers)
{
    auto attribute = [](GLuint index) {
        std::array<float, 4> v{};
        glGetVertexAttribfv(index, GL_CURRENT_VERTEX_ATTRIB, v.data());
        return v;
    };
    for (GLuint i = 1; i < 16; ++i)
        glVertexAttrib4f(i, 0.0f, 0.0f, 0.0f, 0.0f);

    State::vertexAttribute(10, 0.1f, 0.2f, 0.3f, 0.9f); // normal: w not used
    EXPECT_EQ(attribute(2), (std::array<float, 4>{0.1f, 0.2f, 0.3f, 1.0f}));
    State::vertexAttribute(11, 0.5f, 0.6f, 0.7f, 0.8f);
    EXPECT_EQ(attribute(3), (std::array<float, 4>{0.5f, 0.6f, 0.7f, 0.8f}));
    State::vertexAttribute(2, 1.0f, 2.0f, 3.0f, 4.0f); // texture unit 0
    EXPECT_EQ(attribute(8), (std::array<float, 4>{1.0f, 2.0f, 3.0f, 4.0f}));
    State::vertexAttribute(9, 5.0f, 6.0f, 7.0f, 8.0f); // texture unit 7
    EXPECT_EQ(attribute(15), (std::array<float, 4>{5.0f, 6.0f, 7.0f, 8.0f}));
    State::vertexAttribute(105, 9.0f, 9.5f, 10.0f, 10.5f);
    EXPECT_EQ(attribute(5), (std::array<float, 4>{9.0f, 9.5f, 10.0f, 10.5f}));

    std::array<std::array<float, 4>, 16> before{};
    for (GLuint i = 1; i < 16; ++i)
        before[i] = attribute(i);
    for (int silent : {1, 12, 13, 14, 99, 116, -3})
        State::vertexAttribute(silent, 42.0f, 42.0f, 42.0f, 42.0f);
    for (GLuint i = 1; i < 16; ++i)
        EXPECT_EQ(attribute(i), before[i]) << "attribute " << i;
}

TEST_F(StateTest, ImmediateQuadWithTheDefaultShaderFillsTheViewport)
{
    Frontend::Context& context = TestSupport::glContext();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    State::setViewport(0, 0, context.window().clientWidth(), context.window().clientHeight());
    State::resetState();
    State::clear(0.0f, 0.0f, 0.0f, 0.0f, true, true, true);
    context.bindDefaultShader();
    State::begin(4);
    State::vertexAttribute(0, -0.5f, -0.5f, 0.0f, 1.0f);
    State::vertexAttribute(0, 0.5f, -0.5f, 0.0f, 1.0f);
    State::vertexAttribute(0, 0.5f, 0.5f, 0.0f, 1.0f);
    State::vertexAttribute(0, -0.5f, 0.5f, 0.0f, 1.0f);
    State::end();
    glReadBuffer(GL_BACK);
    auto centre = TestSupport::readPixels(400, 300, 1, 1);
    auto corner = TestSupport::readPixels(10, 10, 1, 1);
    EXPECT_EQ(centre[0], 255);
    EXPECT_EQ(centre[1], 255);
    EXPECT_EQ(corner[0], 0);

    State::clear(1.0f, 0.0f, 0.0f, 1.0f, false, true, false); // depth only: colour stays
    EXPECT_EQ(TestSupport::readPixels(10, 10, 1, 1)[0], 0);
    State::clear(1.0f, 0.0f, 0.0f, 1.0f, true, false, false);
    EXPECT_EQ(TestSupport::readPixels(10, 10, 1, 1)[0], 255);
}

} // namespace
