// Sprite particles: the fresh set, setters that touch only their own sprite,
// quads that face the camera, and the environment slot as the sprite picture.
#include <gtest/gtest.h>

#include "demo/Element.h"
#include "frontend/Error.h"
#include "frontend/RenderTarget.h"
#include "std_effects/Particles.h"
#include "tests/support/TestContext.h"
#include "tests/support/engine/SceneFixture.h"

using namespace Vantrel;

namespace {

constexpr int kSide = 64;

class ParticleSets : public TestSupport::SceneFixture {
protected:
    ParticleSets() : SceneFixture("particles", kSide) {}

    void SetUp() override
    {
        run.writePicture("white.png", 8, 8, 255, 255, 255);
        load();
    }

    // Renders the set seen from `eye` towards the origin, 90 degrees, square.
    std::vector<unsigned char> render(StdVantrel::Particles& set, float ex, float ey, float ez, bool withPicture = true)
    {
        Frontend::State::resetState();
        scene->bind();
        Frontend::State::clear(0.0f, 0.0f, 0.0f, 1.0f, true, true, true);
        scene->perspective(90.0f, 1.0f, 0.5f, 100.0f);
        const float up[3] = {0.0f, ey == 0.0f ? 1.0f : 0.0f, ey == 0.0f ? 0.0f : 1.0f};
        scene->lookAt(ex, ey, ez, 0.0f, 0.0f, 0.0f, up[0], up[1], up[2]);
        Frontend::State::loadIdentityWorld();
        demo.sharedTextures[0] = nullptr;
        if (withPicture)
            scene->setEnvironmentTexture("white.png");
        set.draw();
        std::vector<unsigned char> pixels = TestSupport::readPixels(0, 0, kSide, kSide);
        Frontend::RenderTarget::unbind();
        return pixels;
    }

    static int red(const std::vector<unsigned char>& pixels, int x, int y) { return pixels[(y * kSide + x) * 4]; }

    // Columns of row y that are lit.
    static int litWidth(const std::vector<unsigned char>& pixels, int y)
    {
        int lit = 0;
        for (int x = 0; x < kSide; x++)
            lit += red(pixels, x, y) > 128 ? 1 : 0;
        return lit;
    }
};

} // namespace

TEST_F(ParticleSets, AFreshSetDrawsWhiteUnitQuadsAtTheOriginFacingTheCamera)
{
    auto* set = demo.own(new StdVantrel::Particles(&demo, 3));
    EXPECT_FALSE(set->isLocked());
    // From 2 units away with 90 degrees, a quad of half-size 1 spans half the picture.
    const float eyes[3][3] = {{0.0f, 0.0f, 2.0f}, {2.0f, 0.0f, 0.0f}, {0.0f, -2.0f, 0.0f}};
    for (const float* eye : eyes) {
        std::vector<unsigned char> pixels = render(*set, eye[0], eye[1], eye[2]);
        EXPECT_EQ(red(pixels, 32, 32), 255);
        EXPECT_EQ(pixels[(32 * kSide + 32) * 4 + 1], 255);
        EXPECT_EQ(red(pixels, 2, 2), 0);
        EXPECT_NEAR(litWidth(pixels, 32), 32, 1);
        int litRows = 0;
        for (int y = 0; y < kSide; y++)
            litRows += red(pixels, 32, y) > 128 ? 1 : 0;
        EXPECT_NEAR(litRows, 32, 1);
    }
}

TEST_F(ParticleSets, SettersChangeOnlyTheirSpriteAndKeepTheRestFromTheLastFrame)
{
    auto* set = demo.own(new StdVantrel::Particles(&demo, 2));
    set->setPosition(0, -1.0f, 1.0f, 0.0f);
    set->setSize(0, 0.25f);
    set->setPosition(1, 1.0f, -1.0f, 0.0f);
    set->setSize(1, 0.25f);
    set->setColor(1, 0.0f, 1.0f, 0.0f, 1.0f);
    EXPECT_TRUE(set->isLocked());
    std::vector<unsigned char> first = render(*set, 0.0f, 0.0f, 2.0f);
    EXPECT_FALSE(set->isLocked());
    EXPECT_NEAR(litWidth(first, 48), 8, 1); // sprite 0, upper left, white
    EXPECT_EQ(red(first, 48, 16), 0);       // sprite 1 is green
    EXPECT_EQ(first[(16 * kSide + 48) * 4 + 1], 255);

    set->setSize(0, 0.5f);
    std::vector<unsigned char> second = render(*set, 0.0f, 0.0f, 2.0f);
    EXPECT_NEAR(litWidth(second, 48), 16, 1);
    for (int y = 0; y < 32; y++)
        for (int x = 32; x < kSide; x++)
            ASSERT_EQ(second[(y * kSide + x) * 4 + 1], first[(y * kSide + x) * 4 + 1]) << x << ", " << y;

    // A draw without setters shows the same frame again.
    EXPECT_EQ(render(*set, 0.0f, 0.0f, 2.0f), second);
}

TEST_F(ParticleSets, TheTextureRectangleAndColourShapeEachSprite)
{
    auto* set = demo.own(new StdVantrel::Particles(&demo, 1));
    set->setColor(0, 1.0f, 0.5f, 0.0f, 1.0f);
    set->setTextureRect(0, 0.25f, 0.25f, 0.75f, 0.75f); // inside the flat picture: still white
    std::vector<unsigned char> pixels = render(*set, 0.0f, 0.0f, 2.0f);
    EXPECT_EQ(red(pixels, 32, 32), 255);
    EXPECT_NEAR(pixels[(32 * kSide + 32) * 4 + 1], 128, 1);
    EXPECT_EQ(pixels[(32 * kSide + 32) * 4 + 2], 0);
}

TEST_F(ParticleSets, AnEmptyEnvironmentSlotBindsNoTexture)
{
    auto* set = demo.own(new StdVantrel::Particles(&demo, 1));
    render(*set, 0.0f, 0.0f, 2.0f, false);
    EXPECT_TRUE(set->boundTextures.empty());
    render(*set, 0.0f, 0.0f, 2.0f, true);
    ASSERT_EQ(set->boundTextures.size(), 1u);
    EXPECT_EQ(set->boundTextures[0], "tex0");
}

TEST_F(ParticleSets, AnIndexOutsideTheSetIsAnErrorNotAStrayWrite)
{
    auto* set = demo.own(new StdVantrel::Particles(&demo, 4));
    EXPECT_THROW(set->setPosition(4, 0.0f, 0.0f, 0.0f), Frontend::Error);
    EXPECT_THROW(set->setSize(-1, 1.0f), Frontend::Error);
    EXPECT_THROW(StdVantrel::Particles(&demo, 0), Frontend::Error);
    set->setSize(3, 1.0f);
    set->draw(); // the set is still usable
    EXPECT_FALSE(set->isLocked());
}
