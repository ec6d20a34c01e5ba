// The three scenes drawn from KDX files, with the generated data: Dragonfly's
// path clock and flashes, Flowerball's strawberry stream and ball clock,
// Balloon's fade-in and its own colour-only material path, and all three
// repeating themselves exactly at the same time.
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "demo/Element.h"
#include "frontend/RenderTarget.h"
#include "frontend/Shader.h"
#include "frontend/State.h"
#include "prod/Balloon.h"
#include "prod/Dragonfly.h"
#include "prod/Flowerball.h"
#include "prod/Prod.h"
#include "tests/scene/KDXBuilders.h"
#include "tests/support/TestContext.h"
#include "tests/support/engine/ProductionFixture.h"

namespace {

class KdxScenes : public TestSupport::ProductionFixture {
protected:
    // Renders t, then another time (and, between them, another scene), then t again.
    template <typename Scene>
    static void expectRepeats(float t)
    {
        const Vantrel::TimelineEntry& entry = entryOf<Scene>();
        std::vector<unsigned char> first = pictureAt(entry, t);
        pictureAt(entry, t + 1.3f);
        pictureAt(prod->timeline[2], 3.0f);
        EXPECT_EQ(pictureAt(entry, t), first) << t;
        EXPECT_GT(brightness(first), 20.0) << t;
    }
};

// The balloon scene's drawable, noting whether blending is on after each mesh.
class BalloonDrawable : public Prod::Balloon::KDXDrawable {
public:
    using Prod::Balloon::KDXDrawable::KDXDrawable;
    std::vector<bool> blendAfterMesh;

protected:
    void afterMesh(bool colorOnly) override
    {
        Prod::Balloon::KDXDrawable::afterMesh(colorOnly);
        blendAfterMesh.push_back(glIsEnabled(GL_BLEND) == GL_TRUE);
    }
};

float beat(double b)
{
    return static_cast<float>(b * 60.0 / 163.0f);
}

} // namespace

TEST_F(KdxScenes, TheScenesStandAtTheirBeats)
{
    EXPECT_EQ(entryOf<Prod::Flowerball>().start, prod->beatsToSeconds(76));
    EXPECT_EQ(entryOf<Prod::Flowerball>().end, prod->beatsToSeconds(140));
    EXPECT_EQ(entryOf<Prod::Dragonfly>().start, prod->beatsToSeconds(204));
    EXPECT_EQ(entryOf<Prod::Balloon>().start, prod->beatsToSeconds(332));
    EXPECT_EQ(entryOf<Prod::Balloon>().end, prod->beatsToSeconds(396));
}

TEST_F(KdxScenes, TheDragonflyClockJumpsAtEverySixteenBeats)
{
    const Vantrel::Demo& demo = *prod;
    EXPECT_EQ(Prod::Dragonfly::animationTime(demo, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(Prod::Dragonfly::animationTime(demo, 0.5f), 4000.0f * 0.5f + 3000.0f);
    const float b16 = demo.beatsToSeconds(16);
    EXPECT_FLOAT_EQ(Prod::Dragonfly::animationTime(demo, b16), 4000.0f * b16 + 3000.0f);
    const float after = std::nextafter(b16, 100.0f);
    EXPECT_FLOAT_EQ(Prod::Dragonfly::animationTime(demo, after), 4000.0f * after + 6000.0f);
    const float end = demo.beatsToSeconds(64) - 0.01f;
    EXPECT_FLOAT_EQ(Prod::Dragonfly::animationTime(demo, end), 4000.0f * end + 12000.0f);
}

TEST_F(KdxScenes, TheDragonflyFlashRisesBeforeEachMarkAndFallsAfterIt)
{
    const Vantrel::Demo& demo = *prod;
    EXPECT_NEAR(Prod::Dragonfly::flash(demo, beat(16) - beat(0.03125)), 0.5f, 1e-3f);
    EXPECT_NEAR(Prod::Dragonfly::flash(demo, beat(16) + beat(0.25)), 0.5f, 1e-3f);
    EXPECT_NEAR(Prod::Dragonfly::flash(demo, beat(16)), 1.0f, 1e-5f);
    EXPECT_NEAR(Prod::Dragonfly::flash(demo, beat(48) + beat(0.5)), 0.0f, 1e-5f);
    EXPECT_NEAR(Prod::Dragonfly::flash(demo, beat(8)), 0.0f, 1e-6f);
    EXPECT_NEAR(Prod::Dragonfly::flash(demo, 0.0f), 0.0f, 1e-6f);
}

TEST_F(KdxScenes, DragonflyFramesShowTheFlashAndRepeat)
{
    const Vantrel::TimelineEntry& entry = entryOf<Prod::Dragonfly>();
    EXPECT_GT(brightness(pictureAt(entry, beat(16))), 250.0);
    expectRepeats<Prod::Dragonfly>(3.0f);
    expectRepeats<Prod::Dragonfly>(beat(16) + 1.0f);
}

TEST_F(KdxScenes, DragonflyIgnoresTheWorldMatrixTheSceneBeforeItLeft)
{
    const Vantrel::TimelineEntry& entry = entryOf<Prod::Dragonfly>();
    const std::vector<unsigned char> clean = pictureAt(entry, 2.0f);
    Frontend::State::rotate(40.0f, 0.0f, 0.0f, 1.0f);
    Frontend::State::translate(50.0f, 0.0f, 0.0f);
    EXPECT_TRUE(pictureAt(entry, 2.0f) == clean);
}

TEST_F(KdxScenes, TheDragonflyPathTargetCarriesNoDragonfly)
{
    auto* scene = dynamic_cast<Prod::Dragonfly*>(entryOf<Prod::Dragonfly>().element);
    ASSERT_NE(scene, nullptr);
    // Take the flyers out of the path scene: what is left of its plain nodes
    // is the camera's target, in the middle of the picture.
    auto& roots = scene->paths.roots;
    std::vector<std::unique_ptr<Scene::Node>> flyers;
    for (auto it = roots.begin(); it != roots.end();) {
        if ((*it)->kind == Scene::kNodePlain && (*it)->name != "Camera01.Target") {
            flyers.push_back(std::move(*it));
            it = roots.erase(it);
        } else {
            ++it;
        }
    }
    ASSERT_FALSE(flyers.empty());
    const std::vector<unsigned char> targetOnly = pictureAt(entryOf<Prod::Dragonfly>(), 2.0f);
    // The same without any dragonfly to draw at all.
    std::vector<std::unique_ptr<Scene::Node>> dragonfly = std::move(scene->dragonfly.roots);
    scene->dragonfly.roots.clear();
    const std::vector<unsigned char> none = pictureAt(entryOf<Prod::Dragonfly>(), 2.0f);
    scene->dragonfly.roots = std::move(dragonfly);
    for (auto& flyer : flyers)
        roots.push_back(std::move(flyer));
    EXPECT_TRUE(targetOnly == none);
    // With the flyers back, dragonflies do show.
    EXPECT_FALSE(pictureAt(entryOf<Prod::Dragonfly>(), 2.0f) == none);
}

TEST_F(KdxScenes, StrawberriesShowOnlyStrictlyInsideTheirRange)
{
    EXPECT_FALSE(Prod::Flowerball::strawberryShown(1000.0f));
    EXPECT_FALSE(Prod::Flowerball::strawberryShown(-1000.0f));
    EXPECT_TRUE(Prod::Flowerball::strawberryShown(999.9f));
    EXPECT_TRUE(Prod::Flowerball::strawberryShown(-999.9f));
    const Vantrel::Demo& demo = *prod;
    const float b32 = demo.beatsToSeconds(32);
    EXPECT_FLOAT_EQ(Prod::Flowerball::strawberryDepth(demo, -0.1f, b32), 500.0f);
    EXPECT_FLOAT_EQ(Prod::Flowerball::strawberryDepth(demo, 0.0f, b32 + 1.0f), -200.0f);
    EXPECT_FALSE(Prod::Flowerball::largeStrawberryShown(demo, b32));
    EXPECT_TRUE(Prod::Flowerball::largeStrawberryShown(demo, std::nextafter(b32, 100.0f)));
}

TEST_F(KdxScenes, TheLargeStrawberryFliesThroughTheMiddleOneSecondAfterBeat32)
{
    const Vantrel::TimelineEntry& entry = entryOf<Prod::Flowerball>();
    const float b32 = prod->beatsToSeconds(32);
    // Strawberry red fills the middle of the picture as it passes the origin.
    std::vector<unsigned char> passing = pictureAt(entry, b32 + 1.0f);
    std::vector<unsigned char> before = pictureAt(entry, b32 - 0.5f);
    auto middleRedness = [](const std::vector<unsigned char>& p) {
        double red = 0;
        for (int y = 236; y < 276; y++)
            for (int x = 236; x < 276; x++) {
                const unsigned char* px = &p[(static_cast<size_t>(y) * 512 + x) * 4];
                red += px[0] - 0.5 * (px[1] + px[2]);
            }
        return red / 1600.0;
    };
    EXPECT_GT(middleRedness(passing), middleRedness(before) + 20.0);
}

TEST_F(KdxScenes, FlowerballFramesRepeat)
{
    expectRepeats<Prod::Flowerball>(4.0f);
    expectRepeats<Prod::Flowerball>(15.0f);
}

TEST_F(KdxScenes, BalloonFadesInFromBlackOverTwoSeconds)
{
    EXPECT_EQ(Prod::Balloon::fadeIn(0.0f), 1.0f);
    EXPECT_EQ(Prod::Balloon::fadeIn(2.0f), 0.0f);
    EXPECT_EQ(Prod::Balloon::fadeIn(7.0f), 0.0f);
    EXPECT_NEAR(Prod::Balloon::fadeIn(1.0f), 0.5f, 1e-6f);
    const Vantrel::TimelineEntry& entry = entryOf<Prod::Balloon>();
    EXPECT_LT(brightness(pictureAt(entry, 0.0f)), 1.0);
    EXPECT_GT(brightness(pictureAt(entry, 2.0f)), 20.0);
}

TEST_F(KdxScenes, BalloonFramesRepeat)
{
    expectRepeats<Prod::Balloon>(3.0f);
    expectRepeats<Prod::Balloon>(20.0f);
}

TEST_F(KdxScenes, TheFlowerBallRunsBackwardsUntilTheFirstBeat)
{
    const Vantrel::TimelineEntry& entry = entryOf<Prod::Flowerball>();
    auto* scene = dynamic_cast<Prod::Flowerball*>(entry.element);
    const float before = scene->ballTime;
    pictureAt(entry, 2.0f);
    EXPECT_FLOAT_EQ(scene->ballTime, before - 20000.0f / 60.0f);
    EXPECT_LT(scene->ballTime, 0.0f);
    EXPECT_EQ(scene->pathOffset, 0.0f);

    // A beat throws the ball's clock forward (at most 10000) and moves the camera paths on.
    prod->spectrum[1] = 1.0f;
    pictureAt(entry, 2.0f);
    prod->spectrum[1] = 0.0f;
    EXPECT_GT(scene->ballTime, -20000.0f / 60.0f);
    EXPECT_LE(scene->ballTime, 10000.0f);
    EXPECT_FLOAT_EQ(scene->pathOffset, 0.3f);
}

TEST_F(KdxScenes, BalloonColourOnlyMeshesBlendByTheirAlphaAloneAndLeaveBlendingOff)
{
    // A colour-only quad in the middle of the picture, then a textured one off to the side.
    auto writeScene = [](const std::string& path, float alpha) {
        Halvane::Scene scene;
        // Colour 3's red is the standard drawable's color.w; this one ignores it.
        scene.materials.push_back(KDXTest::colourMaterial("cloth", 0.5f, alpha));
        scene.materials.push_back(KDXTest::material("basket", "sand2.jpg", ""));
        scene.roots.push_back(KDXTest::quadMesh("Cloth", "cloth"));
        scene.roots.push_back(KDXTest::quadMesh("Basket", "basket"));
        scene.roots.back()->restPosition = {30.0f, 0.0f, -50.0f};
        Halvane::writeKDX(path, scene);
    };
    Vantrel::Element& target = *entryOf<Prod::Balloon>().element;
    auto render = [&](BalloonDrawable& drawable) {
        Frontend::State::resetState();
        target.bind();
        Frontend::State::clear(0, 0, 0, 1, true, true, true);
        target.perspective(90.0f, 1.0f, 0.5f, 100.0f);
        target.lookAt(0, 0, 2, 0, 0, 0, 0, 1, 0);
        Frontend::State::loadIdentityWorld();
        drawable.draw(0.0f);
        std::vector<unsigned char> pixel = TestSupport::readPixels(target.width / 2, target.height / 2, 1, 1);
        Frontend::RenderTarget::unbind();
        return pixel;
    };
    writeScene("quarter.kdx", 0.25f);
    writeScene("opaque.kdx", 1.0f);
    // Drawables stay registered with the production: they live as long as it does.
    auto& quarter = *new BalloonDrawable(prod, "quarter.kdx");
    auto& opaque = *new BalloonDrawable(prod, "opaque.kdx");
    prod->shaders["vantrel_colorspecular.cg"]->setFloat("alpha", 1.0f); // as the scenes before leave it

    const std::vector<unsigned char> whole = render(opaque);
    const std::vector<unsigned char> part = render(quarter);
    ASSERT_GT(whole[2], 60);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(part[c], whole[c] * 0.25, 2.0) << "channel " << c;
    EXPECT_EQ(quarter.blendAfterMesh, (std::vector<bool>{false, false}));
}
