// Pixel checks of the hand-written shaders in vantrel_data/: each one is
// compiled through the runtime's path and drawn over small synthetic pictures
// (64 x 64), and the read-back pixels are compared with what the effect is for.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "frontend/RenderTarget.h"
#include "frontend/Shader.h"
#include "frontend/State.h"
#include "frontend/Texture.h"
#include "tests/support/TestContext.h"

namespace {

using Frontend::CompleteShader;
using Frontend::RenderTarget;
using Frontend::State;
using Frontend::Texture;

constexpr int kSide = 64;
using Pixels = std::vector<unsigned char>;

std::unique_ptr<CompleteShader> loadShader(const std::string& name)
{
    TestSupport::glContext();
    std::ifstream file(std::string(VANTREL_SOURCE_DIR) + "/vantrel_data/" + name);
    std::stringstream text;
    text << file.rdbuf();
    return std::make_unique<CompleteShader>(text.str().c_str(), "vsMain", "psMain", name);
}

// The full-screen quad as the passes draw it: identity matrices, texture
// coordinate before position.
void drawQuad(CompleteShader& shader, float z0 = 0, float z1 = 0)
{
    State::resetMatrices();
    State::disable(Frontend::kCullFace);
    shader.setStateMatrices(State::computeStateMatrices());
    State::begin(4);
    const float corners[4][3] = {{0, 0, z0}, {1, 0, z1}, {1, 1, z1}, {0, 1, z0}};
    for (const auto& c : corners) {
        State::vertexAttribute(2, c[0], c[1], 0, 1);
        State::vertexAttribute(0, c[0] * 2 - 1, c[1] * 2 - 1, c[2], 1);
    }
    State::end();
}

// A picture given by a function of the pixel position, linear and clamped
// like the render targets.
template <class F>
std::unique_ptr<Texture> makePicture(F colourAt)
{
    Pixels pixels(kSide * kSide * 4);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            colourAt(x, y, &pixels[(y * kSide + x) * 4]);
    return std::make_unique<Texture>(kSide, kSide, pixels.data(), Frontend::kFormatRGBA, Frontend::kFilterLinear);
}

Pixels render(RenderTarget& target)
{
    target.bind();
    return TestSupport::readPixels(0, 0, kSide, kSide);
}

const unsigned char* at(const Pixels& p, int x, int y)
{
    return &p[(y * kSide + x) * 4];
}

double meanRed(const Pixels& p)
{
    double sum = 0;
    for (int i = 0; i < kSide * kSide; ++i)
        sum += p[i * 4];
    return sum / (kSide * kSide);
}

struct ShaderLook : ::testing::Test {
    void SetUp() override
    {
        TestSupport::glContext();
        target = std::make_unique<RenderTarget>(kSide, kSide, true, true);
        target->bind();
        State::resetState();
        State::disable(Frontend::kDepthTest); // as the full-screen passes draw
        State::clear(0, 0, 0, 0, true, true, true);
    }
    // Vertical bars: black on the left half, white on the right.
    std::unique_ptr<Texture> halves()
    {
        return makePicture([](int x, int, unsigned char* p) {
            unsigned char v = x < kSide / 2 ? 0 : 255;
            p[0] = p[1] = p[2] = v;
            p[3] = 255;
        });
    }
    std::unique_ptr<RenderTarget> target;
};

TEST_F(ShaderLook, EveryShaderDeclaresWhatItsUsersSet)
{
    const std::vector<std::pair<std::string, std::vector<const char*>>> expected = {
        {"vantrel_texture.cg", {"alpha", "tex0", "StateComplete"}},
        {"vantrel_color.cg", {"color", "StateComplete"}},
        {"vantrel_find_edges.cg", {"edgeColor", "bgColor", "texelSize", "amp", "tex0"}},
        {"vantrel_outline_edges.cg", {"edgeColor", "texelSize", "amp", "tex0", "tex1"}},
        {"vantrel_distort_sine.cg", {"freq", "amp", "ofset", "tex0"}},
        {"vantrel_directional_blur.cg", {"pixelStep", "gamma", "tex0"}},
        {"vantrel_depth_of_field.cg", {"pixelStep", "focusDepth", "ramp", "exponent", "colorMap", "depthMap"}},
        {"vantrel_planarenv.cg", {"color", "tex0", "StateComplete", "StateWorldView"}},
        {"vantrel_sphericalenv.cg", {"color", "tex0", "StateComplete", "StateWorldView"}},
    };
    for (const auto& [file, names] : expected) {
        auto shader = loadShader(file);
        for (const char* name : names)
            EXPECT_TRUE(shader->hasParameter(name)) << file << " lacks " << name;
    }
}

TEST_F(ShaderLook, TextureCopiesExactlyAndAlphaScalesOnlyTheAlphaChannel)
{
    auto picture = makePicture([](int x, int y, unsigned char* p) {
        p[0] = static_cast<unsigned char>(x * 4);
        p[1] = static_cast<unsigned char>(y * 4);
        p[2] = static_cast<unsigned char>((x * y) & 255);
        p[3] = 200;
    });
    auto shader = loadShader("vantrel_texture.cg");
    shader->bind();
    shader->setTexture("tex0", picture.get());
    shader->setFloat("alpha", 1.0f);
    drawQuad(*shader);
    Pixels copy = render(*target);
    for (int y = 0; y < kSide; y += 7)
        for (int x = 0; x < kSide; x += 5) {
            ASSERT_EQ(at(copy, x, y)[0], x * 4);
            ASSERT_EQ(at(copy, x, y)[1], y * 4);
            ASSERT_EQ(at(copy, x, y)[2], (x * y) & 255);
            ASSERT_EQ(at(copy, x, y)[3], 200);
        }
    shader->setFloat("alpha", 0.5f);
    drawQuad(*shader);
    Pixels half = render(*target);
    EXPECT_EQ(at(half, 10, 10)[0], 40);
    EXPECT_NEAR(at(half, 10, 10)[3], 100, 1);
}

TEST_F(ShaderLook, FindEdgesMarksOnlyTheColourStep)
{
    auto picture = halves();
    auto shader = loadShader("vantrel_find_edges.cg");
    shader->bind();
    shader->setFloat4("edgeColor", 1, 1, 1, 1);
    shader->setFloat4("bgColor", 0, 0, 1, 0);
    shader->setFloat("texelSize", 1.0f / kSide);
    shader->setFloat("amp", 5);
    shader->setTexture("tex0", picture.get());
    drawQuad(*shader);
    Pixels p = render(*target);
    EXPECT_EQ(at(p, kSide / 2, 20)[0], 255); // beside the step: edge colour
    EXPECT_EQ(at(p, kSide / 2 - 1, 20)[0], 255);
    for (int x : {0, 10, kSide / 2 - 3, kSide / 2 + 3, kSide - 1}) {
        EXPECT_EQ(at(p, x, 20)[0], 0) << x; // flat areas: background
        EXPECT_EQ(at(p, x, 20)[2], 255) << x;
    }
}

TEST_F(ShaderLook, OutlinesFollowDepthStepsButNotSlopes)
{
    // Depth: a plane sloping across the picture, and a nearer strip over
    // its middle (pixels 24 to 39).
    State::enable(Frontend::kDepthTest);
    auto flat = loadShader("vantrel_color.cg");
    flat->bind();
    drawQuad(*flat, -0.6f, 0.8f);
    State::begin(4);
    const float strip[4][2] = {{-0.25f, -1}, {0.25f, -1}, {0.25f, 1}, {-0.25f, 1}};
    for (const auto& c : strip)
        State::vertexAttribute(0, c[0], c[1], -0.9f, 1);
    State::end();
    State::disable(Frontend::kDepthTest);

    auto grey = makePicture([](int, int, unsigned char* p) { p[0] = p[1] = p[2] = p[3] = 200; });
    RenderTarget output(kSide, kSide, true, true);
    output.bind();
    auto shader = loadShader("vantrel_outline_edges.cg");
    shader->bind();
    shader->setFloat4("edgeColor", 0, 0, 0, 1);
    shader->setFloat("texelSize", 1.0f / kSide);
    shader->setFloat("amp", 250);
    shader->setTexture("tex0", target->depthTexture());
    shader->setTexture("tex1", grey.get());
    drawQuad(*shader);
    Pixels p = render(output);
    for (int x : {0, 5, 12, 20, 30, 34, 45, 55, kSide - 1})
        EXPECT_EQ(at(p, x, 30)[0], 200) << "no outline expected at " << x;
    for (int x : {23, 24, 39, 40})
        EXPECT_EQ(at(p, x, 30)[0], 0) << "outline expected at " << x;
}

TEST_F(ShaderLook, DirectionalBlurKeepsBrightnessAtGammaOneAndCurvesOtherwise)
{
    auto picture = halves();
    auto shader = loadShader("vantrel_directional_blur.cg");
    shader->bind();
    shader->setTexture("tex0", picture.get());
    shader->setFloat("gamma", 1.0f);
    shader->setFloat4("pixelStep", 1.0f / kSide, 0, 0, 0);
    drawQuad(*shader);
    Pixels across = render(*target);
    EXPECT_NEAR(meanRed(across), 127.5, 1.0);
    EXPECT_GT(at(across, kSide / 2 - 1, 5)[0], 20); // the step is smeared
    EXPECT_LT(at(across, kSide / 2, 5)[0], 235);
    EXPECT_EQ(at(across, 5, 5)[0], 0); // far from it nothing moves

    shader->setFloat4("pixelStep", 0, 1.0f / kSide, 0, 0);
    drawQuad(*shader);
    Pixels along = render(*target);
    EXPECT_NEAR(at(along, kSide / 2 - 1, 30)[0], 0, 1); // blurring along the bars changes nothing
    EXPECT_NEAR(at(along, kSide / 2, 30)[0], 255, 1);

    auto midGrey = makePicture([](int, int, unsigned char* p) {
        p[0] = p[1] = p[2] = 128;
        p[3] = 255;
    });
    shader->setTexture("tex0", midGrey.get());
    shader->setFloat("gamma", 0.5f);
    drawQuad(*shader);
    EXPECT_NEAR(at(render(*target), 30, 30)[0], 64, 2);
    shader->setFloat("gamma", 2.0f);
    drawQuad(*shader);
    EXPECT_NEAR(at(render(*target), 30, 30)[0], 181, 2);
}

TEST_F(ShaderLook, DepthOfFieldLeavesTheFocusSharpAndBlursTheRest)
{
    // Depth 0.75 everywhere.
    State::enable(Frontend::kDepthTest);
    auto flat = loadShader("vantrel_color.cg");
    flat->bind();
    drawQuad(*flat, 0.5f, 0.5f);
    State::disable(Frontend::kDepthTest);

    auto picture = halves();
    RenderTarget output(kSide, kSide, true, true);
    output.bind();
    auto shader = loadShader("vantrel_depth_of_field.cg");
    shader->bind();
    shader->setTexture("colorMap", picture.get());
    shader->setTexture("depthMap", target->depthTexture());
    shader->setFloat4("pixelStep", 2.0f / kSide, 0, 0, 0);
    shader->setFloat("ramp", 96);
    shader->setFloat("exponent", 4);
    shader->setFloat("focusDepth", 0.75f);
    drawQuad(*shader);
    Pixels sharp = render(output);
    EXPECT_EQ(at(sharp, kSide / 2 - 1, 10)[0], 0);
    EXPECT_EQ(at(sharp, kSide / 2, 10)[0], 255);

    shader->setFloat("focusDepth", 0.5f);
    drawQuad(*shader);
    Pixels blurred = render(output);
    EXPECT_GT(at(blurred, kSide / 2 - 2, 10)[0], 20);
    EXPECT_LT(at(blurred, kSide / 2 + 1, 10)[0], 235);
    EXPECT_NEAR(meanRed(blurred), 127.5, 1.0);
}

TEST_F(ShaderLook, DistortSineMovesNothingWithoutAmplitude)
{
    auto picture = halves();
    auto shader = loadShader("vantrel_distort_sine.cg");
    shader->bind();
    shader->setTexture("tex0", picture.get());
    shader->setFloat4("freq", 10, 10, 0, 1);
    shader->setFloat4("ofset", 0.9f, 0.3f, 0, 1);
    shader->setFloat4("amp", 0, 0, 0, 1);
    drawQuad(*shader);
    Pixels still = render(*target);
    for (int y = 0; y < kSide; y += 9) {
        EXPECT_EQ(at(still, kSide / 2 - 1, y)[0], 0);
        EXPECT_EQ(at(still, kSide / 2, y)[0], 255);
    }
    shader->setFloat4("amp", 0.05f, 0.05f, 0, 1);
    drawQuad(*shader);
    Pixels moved = render(*target);
    int changedRows = 0;
    for (int y = 0; y < kSide; ++y)
        changedRows += at(moved, kSide / 2 - 2, y)[0] != 0 || at(moved, kSide / 2 + 1, y)[0] != 255;
    EXPECT_GT(changedRows, kSide / 4);
}

TEST_F(ShaderLook, EnvironmentMapsAreTintedByColorIncludingAlpha)
{
    auto environment = makePicture([](int, int, unsigned char* p) {
        p[0] = 200;
        p[1] = 100;
        p[2] = 50;
        p[3] = 255;
    });
    for (const char* file : {"vantrel_planarenv.cg", "vantrel_sphericalenv.cg"}) {
        auto shader = loadShader(file);
        shader->bind();
        shader->setTexture("tex0", environment.get());
        // A quad facing the viewer half-way into the view volume.
        auto drawFacing = [&] {
            State::resetMatrices();
            shader->setStateMatrices(State::computeStateMatrices());
            State::begin(4);
            const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
            for (const auto& c : corners) {
                State::vertexAttribute(10, 0, 0, 1, 0);
                State::vertexAttribute(0, c[0], c[1], -0.5f, 1);
            }
            State::end();
        };
        shader->setFloat4("color", 1, 1, 1, 1);
        drawFacing();
        Pixels full = render(*target);
        shader->setFloat4("color", 0.5f, 0.5f, 0.5f, 0.5f);
        drawFacing();
        Pixels half = render(*target);
        for (int x : {5, 32, 60}) {
            EXPECT_GE(at(full, x, 32)[0], 200) << file; // the environment, maybe brightened at the rim
            EXPECT_NEAR(at(half, x, 32)[0], at(full, x, 32)[0] / 2.0, 1.0) << file;
            EXPECT_NEAR(at(half, x, 32)[3], 128, 1) << file;
        }
    }
}

// The environment pictures are mirror balls with the sky at the top: a
// surface tilted up must mirror the top of the picture and one tilted down
// its bottom, whichever way each shader addresses the picture.
TEST_F(ShaderLook, EnvironmentMapsMirrorTheSkyOnSurfacesFacingUp)
{
    auto environment = makePicture([](int, int y, unsigned char* p) {
        p[0] = p[1] = p[2] = y >= kSide / 2 ? 255 : 0; // rows from the bottom: white top half
        p[3] = 255;
    });
    for (const char* file : {"vantrel_planarenv.cg", "vantrel_sphericalenv.cg"}) {
        auto shader = loadShader(file);
        shader->bind();
        shader->setTexture("tex0", environment.get());
        shader->setFloat4("color", 0.5f, 0.5f, 0.5f, 1);
        for (float tilt : {0.6f, -0.6f}) {
            State::resetMatrices();
            shader->setStateMatrices(State::computeStateMatrices());
            State::begin(4);
            const float corners[4][2] = {{-0.2f, -0.2f}, {0.2f, -0.2f}, {0.2f, 0.2f}, {-0.2f, 0.2f}};
            for (const auto& c : corners) {
                State::vertexAttribute(10, 0, tilt, 0.8f, 0);
                State::vertexAttribute(0, c[0], c[1], -0.5f, 1);
            }
            State::end();
            Pixels p = render(*target);
            if (tilt > 0)
                EXPECT_GE(at(p, kSide / 2, kSide / 2)[0], 120) << file << ": facing up shows the sky";
            else
                EXPECT_LE(at(p, kSide / 2, kSide / 2)[0], 10) << file << ": facing down shows the floor";
        }
    }
}

} // namespace
