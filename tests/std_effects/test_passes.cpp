// Full-screen passes and the sky box on small pictures made in the test.
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <cmath>
#include <cstdlib>

#include "demo/Element.h"
#include "frontend/ImageLoader.h"
#include "frontend/RenderTarget.h"
#include "std_effects/Skybox.h"
#include "tests/support/TestContext.h"
#include "tests/support/engine/SceneFixture.h"

using namespace Vantrel;

namespace {

constexpr int kSide = 64;

GLint boundFramebuffer()
{
    GLint name = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &name);
    return name;
}

// Vertical stripes four pixels wide, white on dark grey, into the bound target.
void paintStripes(int side)
{
    glEnable(GL_SCISSOR_TEST);
    Frontend::State::clear(0.2f, 0.2f, 0.2f, 1.0f, true, true, true);
    for (int x = 0; x < side; x += 8) {
        glScissor(x, 0, 4, side);
        Frontend::State::clear(1.0f, 1.0f, 1.0f, 1.0f, true, false, false);
    }
    glDisable(GL_SCISSOR_TEST);
}

std::vector<unsigned char> pictureOf(Element& element)
{
    element.bind();
    return TestSupport::readPixels(0, 0, element.width, element.height);
}

double meanOf(const std::vector<unsigned char>& pixels)
{
    double sum = 0.0;
    for (size_t i = 0; i < pixels.size(); i++) {
        if (i % 4 != 3)
            sum += pixels[i];
    }
    return sum / (static_cast<double>(pixels.size()) * 3.0 / 4.0);
}

class Passes : public TestSupport::SceneFixture {
protected:
    Passes() : SceneFixture("passes", kSide) {}

    void SetUp() override
    {
        load();
        Frontend::State::resetState();
        scene->bind();
        paintStripes(kSide);
        before = pictureOf(*scene);
    }

    std::vector<unsigned char> before;
};

} // namespace

TEST_F(Passes, BelowTheirThresholdsPassesLeaveThePictureAndTheBindingAlone)
{
    const float black[4] = {0, 0, 0, 1};
    const float white[4] = {1, 1, 1, 1};
    Frontend::RenderTarget::unbind();
    scene->findEdges(0.009f, black, white);
    scene->outlineEdges(0.009f, black);
    scene->directionalBlur(0.0f, 0.0f, 2.0f, 1.0f);
    scene->directionalBlur(2.0f, 0.0f, 2.0f, 0.0f);
    scene->depthOfField(0, 0.9f, 0.5f, 0.0f, 2.0f, 96.0f, 4.0f);
    scene->glow(64, 0.5f, 2.0f, 0.0009f, 1.0f);
    scene->colorOverlay(1, 0, 0, 0.0009f);
    EXPECT_EQ(boundFramebuffer(), 0);
    EXPECT_EQ(pictureOf(*scene), before);
}

TEST_F(Passes, AtTheirThresholdsEdgePassesRunAndLeaveTheScratchTargetBound)
{
    const float black[4] = {0, 0, 0, 1};
    const float white[4] = {1, 1, 1, 1};
    scene->findEdges(0.01f, black, white);
    EXPECT_EQ(boundFramebuffer(), static_cast<GLint>(demo.effectTargets[kSide]->framebufferName()));
    EXPECT_NE(pictureOf(*scene), before);
}

TEST_F(Passes, SineDistortionNeedsBothAmplitudesPositive)
{
    const float freq[2] = {10, 10};
    const float offset[2] = {0, 0};
    const float mixed[2] = {0.01f, -0.01f};
    scene->distortSine(freq, mixed, offset);
    EXPECT_EQ(boundFramebuffer(), static_cast<GLint>(demo.effectTargets[kSide]->framebufferName()));
    EXPECT_EQ(pictureOf(*scene), before);
    const float both[2] = {0.05f, 0.05f};
    scene->distortSine(freq, both, offset);
    EXPECT_NE(pictureOf(*scene), before);
}

TEST_F(Passes, NegativeBlurDistancesStillBlur)
{
    scene->directionalBlur(-2.0f, 0.0f, 2.0f, 1.0f);
    EXPECT_NE(pictureOf(*scene), before);
}

TEST_F(Passes, BlurWithGammaOneKeepsTheMeanBrightness)
{
    scene->blur(1.0f, 2.0f, 1.0f);
    std::vector<unsigned char> after = pictureOf(*scene);
    EXPECT_NE(after, before);
    EXPECT_NEAR(meanOf(after), meanOf(before), 0.04 * meanOf(before));
}

TEST_F(Passes, GlowOnlyBrightens)
{
    scene->glow(32, 0.5f, 2.0f, 1.0f, 1.0f);
    std::vector<unsigned char> after = pictureOf(*scene);
    int brighter = 0;
    for (size_t i = 0; i < after.size(); i++) {
        if (i % 4 == 3)
            continue;
        ASSERT_GE(after[i] + 1, before[i]) << "pixel byte " << i;
        brighter += after[i] > before[i] ? 1 : 0;
    }
    EXPECT_GT(brighter, 0);
}

TEST_F(Passes, GlowBelowItsAlphaDoesNotEvenCopy)
{
    Element* glowTarget = demo.targets[16];
    glowTarget->bind();
    Frontend::State::clear(0.0f, 1.0f, 0.0f, 1.0f, true, true, true);
    std::vector<unsigned char> marker = pictureOf(*glowTarget);
    scene->glow(16, 0.5f, 2.0f, 0.0009f, 1.0f);
    EXPECT_EQ(pictureOf(*glowTarget), marker);
}

TEST_F(Passes, OpaqueColourOverlayReplacesThePicture)
{
    scene->bind();
    scene->colorOverlay(0.0f, 0.0f, 1.0f, 1.0f);
    std::vector<unsigned char> after = pictureOf(*scene);
    for (size_t i = 0; i < after.size(); i += 4) {
        ASSERT_EQ(after[i], 0);
        ASSERT_EQ(after[i + 2], 255);
    }
}

TEST_F(Passes, DepthOfFieldRunsItsIterations)
{
    scene->depthOfField(1, 0.5f, 2.0f, 0.0f, 2.0f, 96.0f, 4.0f);
    EXPECT_EQ(boundFramebuffer(), static_cast<GLint>(scene->framebufferName()));
}

TEST_F(Passes, TheSkyBoxIgnoresTheCameraPosition)
{
    // An environment picture with a different colour in each quarter.
    std::vector<unsigned char> rgb(64 * 64 * 3);
    for (int y = 0; y < 64; y++) {
        for (int x = 0; x < 64; x++) {
            unsigned char* p = &rgb[(y * 64 + x) * 3];
            p[0] = x < 32 ? 255 : 0;
            p[1] = y < 32 ? 255 : 0;
            p[2] = static_cast<unsigned char>(x * 4);
        }
    }
    FrontendExt::writePng((run.path + "/data/env.png").c_str(), 64, 64, rgb.data(), 1);
    TestSupport::TestDemo skyDemo;
    skyDemo.loadAndPrepare();
    auto* holder = skyDemo.own(new TestSupport::SquareElement(&skyDemo, kSide));
    auto* sky = skyDemo.own(new StdVantrel::Skybox(&skyDemo));
    holder->setEnvironmentTexture("env.png");
    sky->caps = true;

    auto render = [&](float ex, float ey, float ez) {
        holder->bind();
        Frontend::State::clear(0, 0, 0, 1, true, true, true);
        holder->perspective(90.0f, 1.0f, 1.0f, 100.0f);
        holder->lookAt(ex, ey, ez, ex + 1.0f, ey + 0.5f, ez - 1.0f, 0.0f, 1.0f, 0.0f);
        Frontend::State::loadIdentityWorld();
        sky->draw();
        return pictureOf(*holder);
    };
    std::vector<unsigned char> here = render(0, 0, 0);
    std::vector<unsigned char> there = render(500, -40, 12);
    EXPECT_EQ(here, there);
    if (const char* dir = std::getenv("VANTREL_TEST_PICTURES")) {
        std::vector<unsigned char> shot;
        for (int y = kSide - 1; y >= 0; y--)
            for (int x = 0; x < kSide; x++)
                for (int c = 0; c < 3; c++)
                    shot.push_back(here[(y * kSide + x) * 4 + c]);
        FrontendExt::writePng((std::string(dir) + "/skybox.png").c_str(), kSide, kSide, shot.data(), 1);
    }
    EXPECT_GT(meanOf(here), 10.0); // something was drawn
}
