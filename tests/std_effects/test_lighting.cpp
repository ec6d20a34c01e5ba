// The lit shaders in vantrel_data/ light from a point fixed to the viewer:
// spheres and quads drawn through the real shaders, with the camera moved
// around the world, must stay lit from the side they are seen from, and the
// ground shader must stay lit whichever way the world's up points.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
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
constexpr float kPi = std::numbers::pi_v<float>;
using Pixels = std::vector<unsigned char>;

std::unique_ptr<CompleteShader> loadShader(const std::string& name)
{
    TestSupport::glContext();
    std::ifstream file(std::string(VANTREL_SOURCE_DIR) + "/vantrel_data/" + name);
    std::stringstream text;
    text << file.rdbuf();
    return std::make_unique<CompleteShader>(text.str().c_str(), "vsMain", "psMain", name);
}

std::unique_ptr<Texture> flatPicture(unsigned char r, unsigned char g, unsigned char b)
{
    Pixels pixels(16 * 16 * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = r;
        pixels[i + 1] = g;
        pixels[i + 2] = b;
        pixels[i + 3] = 255;
    }
    return std::make_unique<Texture>(16, 16, pixels.data(), Frontend::kFormatRGBA, Frontend::kFilterLinear);
}

// A unit sphere round `centre` with outward normals, counter-clockwise seen from outside.
void drawSphere(float cx, float cy, float cz)
{
    const int rings = 24, segments = 32;
    auto vertex = [&](int ring, int segment) {
        const float theta = kPi * ring / rings, phi = 2 * kPi * segment / segments;
        const float x = std::sin(theta) * std::cos(phi), y = std::cos(theta), z = std::sin(theta) * std::sin(phi);
        State::vertexAttribute(10, x, y, z, 0);
        State::vertexAttribute(0, cx + x, cy + y, cz + z, 1);
    };
    State::begin(3);
    for (int r = 0; r < rings; r++)
        for (int s = 0; s < segments; s++) {
            vertex(r, s);
            vertex(r + 1, s + 1);
            vertex(r + 1, s);
            vertex(r, s);
            vertex(r, s + 1);
            vertex(r + 1, s + 1);
        }
    State::end();
}

struct Lighting : ::testing::Test {
    void SetUp() override
    {
        TestSupport::glContext();
        target = std::make_unique<RenderTarget>(kSide, kSide, true, true);
        target->bind();
        State::resetState();
        State::resetMatrices();
        State::enable(Frontend::kDepthTest);
        State::disable(Frontend::kCullFace);
        State::clear(0, 0, 0, 0, true, true, true);
    }

    // Camera `distance` from `centre` along `direction`, looking at it.
    void look(const float centre[3], const float direction[3], float distance, const float up[3])
    {
        State::perspective(40.0f, 1.0f, 0.5f, 5000.0f);
        State::lookAt(centre[0] + distance * direction[0], centre[1] + distance * direction[1],
                      centre[2] + distance * direction[2], centre[0], centre[1], centre[2], up[0], up[1], up[2]);
    }

    Pixels read()
    {
        target->bind();
        return TestSupport::readPixels(0, 0, kSide, kSide);
    }

    static int red(const Pixels& p, int x, int y) { return p[(y * kSide + x) * 4]; }
    static int channel(const Pixels& p, int x, int y, int c) { return p[(y * kSide + x) * 4 + c]; }

    std::unique_ptr<RenderTarget> target;
};

// Grey sphere of the colour shader, returns the picture.
Pixels colourSphere(Lighting& test, CompleteShader& shader, const float centre[3], const float direction[3],
                    const float up[3], const float light[4])
{
    shader.bind();
    shader.setFloat4("color", 0.6f, 0.6f, 0.6f, 1.0f);
    shader.setFloat("alpha", 1.0f);
    shader.setFloat4("lightPosition", light[0], light[1], light[2], light[3]);
    test.look(centre, direction, 5.0f, up);
    State::loadIdentityWorld();
    shader.setStateMatrices(State::computeStateMatrices());
    drawSphere(centre[0], centre[1], centre[2]);
    return test.read();
}

TEST_F(Lighting, TheHeadlightLightsWhatFacesTheCameraWhereverTheCameraIs)
{
    auto shader = loadShader("vantrel_colorspecular.cg");
    const float headlight[4] = {0, 0, 0, 1};
    const float up[3] = {0, 1, 0}, zUp[3] = {0, 0, 1};
    // The world origin, where the scenes' content sits, must not matter.
    const float places[3][3] = {{0, 0, 0}, {400, -30, 10}, {-50, 200, -900}};
    const float directions[3][3] = {{0, 0, 1}, {1, 0, 0}, {0, -0.6f, 0.8f}};
    for (int i = 0; i < 3; i++) {
        SCOPED_TRACE(i);
        State::clear(0, 0, 0, 0, true, true, true);
        Pixels p = colourSphere(*this, *shader, places[i], directions[i], i == 2 ? zUp : up, headlight);
        const int centre = red(p, 32, 32);
        // Facing the light: full diffuse plus a highlight.
        EXPECT_GT(centre, 200);
        // Towards the rim the surface turns away from the viewer and darkens,
        // evenly on every side.
        const int rims[4] = {red(p, 32 - 14, 32), red(p, 32 + 14, 32), red(p, 32, 32 - 14), red(p, 32, 32 + 14)};
        for (int rim : rims) {
            EXPECT_LT(rim, centre - 40);
            EXPECT_GT(rim, 60); // above the ambient floor: lit, not from behind
            EXPECT_NEAR(rim, rims[0], 12);
        }
    }
}

TEST_F(Lighting, ALightToTheViewersRightLightsTheRightSideWhicheverWayTheCameraTurns)
{
    auto shader = loadShader("vantrel_colorspecular.cg");
    const float right[4] = {300, 0, 0, 1};
    const float centre[3] = {20, 5, -7};
    const float up[3] = {0, 1, 0};
    for (const auto& direction : {std::vector<float>{0, 0, 1}, {0, 0, -1}, {-1, 0, 0}}) {
        State::clear(0, 0, 0, 0, true, true, true);
        Pixels p = colourSphere(*this, *shader, centre, direction.data(), up, right);
        EXPECT_GT(red(p, 32 + 12, 32), red(p, 32 - 12, 32) + 60) << direction[0] << " " << direction[2];
    }
    // A direction (w = 0) behind the viewer lights the middle like a headlight.
    const float behind[4] = {0, 0, 1, 0};
    const float front[3] = {0, 0, 1};
    State::clear(0, 0, 0, 0, true, true, true);
    Pixels p = colourSphere(*this, *shader, centre, front, up, behind);
    EXPECT_GT(red(p, 32, 32), 200);
    EXPECT_NEAR(red(p, 32 - 12, 32), red(p, 32 + 12, 32), 6);
}

TEST_F(Lighting, UnevenlyScaledMeshesKeepTheirSurfacesNormals)
{
    // A sphere flattened towards the viewer is nearly a disc facing it: most
    // of it faces the headlight. Normals carried through the plain matrix
    // would tilt towards the rim and darken it.
    auto shader = loadShader("vantrel_colorspecular.cg");
    shader->bind();
    shader->setFloat4("color", 0.6f, 0.6f, 0.6f, 1.0f);
    shader->setFloat("alpha", 1.0f);
    shader->setFloat4("lightPosition", 0, 0, 0, 1);
    const float centre[3] = {0, 0, 0}, direction[3] = {0, 0, 1}, up[3] = {0, 1, 0};
    look(centre, direction, 5.0f, up);
    State::loadIdentityWorld();
    State::scale(1.0f, 1.0f, 0.25f);
    shader->setStateMatrices(State::computeStateMatrices());
    drawSphere(0, 0, 0);
    Pixels p = read();
    // 60 % of the way out: the unit sphere's normal there leans 37 degrees,
    // the flattened one's about 10.
    EXPECT_GT(red(p, 32 + 10, 32), 150);
    EXPECT_GT(red(p, 32, 32 + 10), 150);
}

TEST_F(Lighting, TheNormalMapTiltsTheSurfaceAlongTheTangentFrame)
{
    // A quad facing the viewer whose normal map leans every texel towards +u
    // (the viewer's right). A light to the right must light it more than one
    // to the left; a flat map would light both alike.
    auto shader = loadShader("vantrel_specularbump.cg");
    auto colour = flatPicture(150, 150, 150);
    auto leaning = flatPicture(218, 128, 218); // (0.7, 0, 0.7) after unpacking
    const float centre[3] = {3, -4, 10}, direction[3] = {0, 0, 1}, up[3] = {0, 1, 0};
    auto draw = [&](float lightX) {
        State::clear(0, 0, 0, 0, true, true, true);
        shader->bind();
        shader->setTexture("tex0", colour.get());
        shader->setTexture("tex1", leaning.get());
        shader->setFloat4("lightPosition", lightX, 0, 0, 1);
        look(centre, direction, 5.0f, up);
        State::loadIdentityWorld();
        shader->setStateMatrices(State::computeStateMatrices());
        State::begin(4);
        const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        for (const auto& c : corners) {
            State::vertexAttribute(2, (c[0] + 1) / 2, (c[1] + 1) / 2, 0, 1);
            State::vertexAttribute(10, 0, 0, 1, 0);
            State::vertexAttribute(4, 1, 0, 0, 0); // tangent along +u
            State::vertexAttribute(5, 0, 1, 0, 0); // binormal along +v
            State::vertexAttribute(0, centre[0] + c[0], centre[1] + c[1], centre[2], 1);
        }
        State::end();
        return red(read(), 32, 32);
    };
    const int fromRight = draw(8.0f), fromLeft = draw(-8.0f);
    EXPECT_GT(fromRight, fromLeft + 50);
}

TEST_F(Lighting, GroundIsLitFromAboveWhicheverWayUpTheWorldIsAndFadesWithDistance)
{
    auto shader = loadShader("vantrel_texturediffuse.cg");
    auto grass = flatPicture(90, 140, 50);
    // A large ground quad with its normal along `upAxis`, seen from a camera
    // 30 above it looking slightly down; returns the picture.
    auto drawGround = [&](float upAxis) {
        State::clear(0, 0, 0, 0, true, true, true);
        shader->bind();
        shader->setTexture("tex0", grass.get());
        State::perspective(40.0f, 1.0f, 1.0f, 8000.0f);
        State::lookAt(0, 0, 30 * upAxis, 0, 300, 0, 0, 0, upAxis);
        State::loadIdentityWorld();
        shader->setStateMatrices(State::computeStateMatrices());
        State::begin(4);
        const float corners[4][2] = {{-4000, -100}, {4000, -100}, {4000, 6000}, {-4000, 6000}};
        for (const auto& c : corners) {
            State::vertexAttribute(2, 0, 0, 0, 1);
            State::vertexAttribute(10, 0, 0, upAxis, 0);
            State::vertexAttribute(0, c[0], c[1], 0, 1);
        }
        State::end();
        return read();
    };
    for (float upAxis : {1.0f, -1.0f}) {
        SCOPED_TRACE(upAxis);
        Pixels p = drawGround(upAxis);
        // Near the bottom of the picture the ground is a few dozen units
        // away: unfogged and lit well above the ambient floor, still green.
        EXPECT_GT(channel(p, 32, 2, 1), 100);
        EXPECT_GT(channel(p, 32, 2, 1), channel(p, 32, 2, 2) + 50);
        // Just under the horizon it lies thousands of units away and has
        // sunk into the blue of the distance.
        int horizon = kSide - 1;
        while (horizon > 0 && channel(p, 32, horizon, 3) == 0)
            horizon--;
        ASSERT_GT(horizon, kSide / 2);
        ASSERT_LT(horizon, kSide - 1);
        EXPECT_GT(channel(p, 32, horizon, 2), channel(p, 32, horizon, 1));
        EXPECT_GT(channel(p, 32, horizon, 2), 180);
    }
}

} // namespace
