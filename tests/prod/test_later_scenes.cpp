// Horizon, Underwater and Skate rendered with the generated data: their place
// on the timeline, their clocks, fades and determinism, the meshes they
// deform, Horizon's layer windows and Underwater's beat camera and glow.
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "demo/Catalogues.h"
#include "demo/Element.h"
#include "frontend/RenderTarget.h"
#include "frontend/Shader.h"
#include "frontend/State.h"
#include "frontend_ext/QBRLoader.h"
#include "prod/Horizon.h"
#include "prod/Pils.h"
#include "prod/Prod.h"
#include "prod/ShinyCross.h"
#include "prod/Skate.h"
#include "prod/Underwater.h"
#include "tests/support/TestContext.h"
#include "tests/support/engine/ProductionFixture.h"

namespace {

class LaterScenes : public TestSupport::ProductionFixture {};

} // namespace

TEST_F(LaterScenes, TheScenesStandAtTheirBeatsInCreationOrder)
{
    const auto& timeline = prod->timeline;
    ASSERT_EQ(timeline.size(), 10u);
    const int starts[] = {0, 12, 44, 76, 140, 204, 268, 332, 396, 460};
    const int ends[] = {12, 44, 76, 140, 204, 268, 332, 396, 460, 556};
    for (size_t i = 0; i < timeline.size(); i++) {
        EXPECT_EQ(timeline[i].start, prod->beatsToSeconds(starts[i])) << i;
        EXPECT_EQ(timeline[i].end, prod->beatsToSeconds(ends[i])) << i;
    }
    EXPECT_TRUE(dynamic_cast<Prod::Horizon*>(timeline[2].element));
    EXPECT_EQ(timeline[4].element, timeline[0].element);
    EXPECT_TRUE(dynamic_cast<Prod::Underwater*>(timeline[6].element));
    EXPECT_TRUE(dynamic_cast<Prod::PilsTakeoff*>(timeline[8].element));
    EXPECT_TRUE(dynamic_cast<Vantrel::Skate*>(timeline[9].element));

    // Creation order: each scene after the one before it in the table (the
    // returning Pils, entry 4, creates nothing).
    const auto& drawables = prod->drawables();
    auto indexOf = [&](Vantrel::Drawable* d) {
        return std::find(drawables.begin(), drawables.end(), d) - drawables.begin();
    };
    const int created[] = {0, 1, 2, 3, 5, 6, 7, 8, 9};
    for (size_t i = 1; i < std::size(created); i++)
        EXPECT_LT(indexOf(timeline[created[i - 1]].element), indexOf(timeline[created[i]].element)) << created[i];
}

TEST_F(LaterScenes, HorizonRepeatsItselfAtTheSameTime)
{
    const Vantrel::TimelineEntry& horizon = entryOf<Prod::Horizon>();
    for (float t : {1.0f, 6.0f, 10.5f}) {
        std::vector<unsigned char> first = pictureAt(horizon, t);
        pictureAt(horizon, t + 0.7f);
        EXPECT_EQ(pictureAt(horizon, t), first) << t;
        EXPECT_GT(brightness(first), 20.0) << t;
    }
}

TEST_F(LaterScenes, HorizonLayersIgnoreTheCameraAnotherSceneLeftInTheirShader)
{
    const Vantrel::TimelineEntry& horizon = entryOf<Prod::Horizon>();
    const std::vector<unsigned char> clean = pictureAt(horizon, 1.0f);
    Frontend::StateMatrices camera{};
    for (float* m :
         {camera.world, camera.view, camera.projection, camera.worldView, camera.viewProjection, camera.complete})
        m[0] = m[5] = m[10] = m[15] = 0.25f;
    prod->shaders["vantrel_texture.cg"]->setStateMatrices(camera);
    EXPECT_TRUE(pictureAt(horizon, 1.0f) == clean);
}

TEST(HorizonDots, ARandomValueOfOneEitherWayPicksTheLastVertex)
{
    EXPECT_EQ(Prod::Horizon::vertexChoice(-1.0f, 977), 976);
    EXPECT_EQ(Prod::Horizon::vertexChoice(1.0f, 977), 976);
    EXPECT_EQ(Prod::Horizon::vertexChoice(0.0f, 977), 0);
    EXPECT_EQ(Prod::Horizon::vertexChoice(-0.5f, 10), 5);
    EXPECT_EQ(Prod::Horizon::vertexChoice(0.999f, 10), 9);
    EXPECT_EQ(Prod::Horizon::vertexChoice(1.0f, 1), 0);
}

TEST(HorizonLayers, HalfHighUntilThreeSecondsThenWholeAndTheSkiesTwiceAsWideByTen)
{
    auto expectWindow = [](const Prod::Horizon::Window& w, float left, float right, float lower, float upper) {
        EXPECT_NEAR(w.left, left, 1e-5f);
        EXPECT_NEAR(w.right, right, 1e-5f);
        EXPECT_NEAR(w.lower, lower, 1e-5f);
        EXPECT_NEAR(w.upper, upper, 1e-5f);
    };
    const auto start = Prod::Horizon::layerWindows(0.0f);
    expectWindow(start[0], 0.0f, 1.0f, 0.5f, 1.0f);     // the far sky, one picture wide
    expectWindow(start[1], 0.0f, 1.0f, 0.501f, 1.001f); // raised by its sine's offset
    expectWindow(start[8], -0.2f, 1.2f, 0.5f, 1.0f);    // the grill, 1.4 wide from the start
    const auto late = Prod::Horizon::layerWindows(10.0f);
    expectWindow(late[0], 0.2f - 0.5f, 0.2f + 1.5f, 0.0f, 1.0f);
    expectWindow(late[4], 0.1f - 0.2f, 0.1f + 1.2f, 0.0f, 1.0f);
    expectWindow(late[8], 2.5f - 0.2f, 2.5f + 1.2f, 0.0f, 1.0f);
    for (const auto& w : late)
        EXPECT_NEAR(w.upper - w.lower, 1.0f, 2e-3f);
}

TEST_F(LaterScenes, UnderwaterRunsTwoSecondsAheadAndJumpsAtItsBeats)
{
    const Prod::Prod& p = *prod;
    EXPECT_EQ(Prod::Underwater::jumpedTime(p, 0.0f), 0.0f); // only a time past the start jumps
    EXPECT_FLOAT_EQ(Prod::Underwater::jumpedTime(p, 0.01f), 2.01f);
    const int beats[] = {16, 31, 32, 48};
    float jump = 2.0f;
    for (int beat : beats) {
        const float before = p.beatsToSeconds(beat) - 0.01f;
        const float after = p.beatsToSeconds(beat) + 0.01f;
        EXPECT_FLOAT_EQ(Prod::Underwater::jumpedTime(p, before), before + jump) << beat;
        jump += 2.0f;
        EXPECT_FLOAT_EQ(Prod::Underwater::jumpedTime(p, after), after + jump) << beat;
    }
    EXPECT_FLOAT_EQ(Prod::Underwater::jumpedTime(p, p.beatsToSeconds(64) - 0.01f),
                    p.beatsToSeconds(64) - 0.01f + 10.0f);

    // The scene itself writes the jumped clock back at its first frame.
    const Vantrel::TimelineEntry& underwater = entryOf<Prod::Underwater>();
    pictureAt(underwater, 0.05f);
    EXPECT_NEAR(underwater.element->localTime, 2.05f, 1e-4f);
}

TEST_F(LaterScenes, UnderwaterFlashesEdgesOnlyInBeat31AndTheLastBeat)
{
    const Prod::Prod& p = *prod;
    auto flashes = [&](float beats) { return Prod::Underwater::edgeFlash(p, beats * 60.0f / p.tempo); };
    EXPECT_FALSE(flashes(0.5f));
    EXPECT_FALSE(flashes(30.9f));
    EXPECT_TRUE(flashes(31.1f));
    EXPECT_TRUE(flashes(31.9f));
    EXPECT_FALSE(flashes(32.1f));
    EXPECT_FALSE(flashes(62.9f));
    EXPECT_TRUE(flashes(63.1f));
    EXPECT_TRUE(flashes(63.99f));
}

TEST_F(LaterScenes, UnderwaterOrbitsTheOriginUntilTheFirstBassBeatWhoseGlowThenFades)
{
    const Vantrel::TimelineEntry& entry = entryOf<Prod::Underwater>();
    const Frontend::CompleteShader* blur = prod->shaders["vantrel_directional_blur.cg"];
    auto glowGamma = [&] {
        float value = 0.0f;
        glGetUniformfv(blur->glProgram(), glGetUniformLocation(blur->glProgram(), "gamma"), &value);
        return value;
    };
    const float* eye = prod->camera.cameraPosition;

    // No beat yet: the orbit is centred on the origin and starts on the +y axis.
    const float t0 = 3.0f;
    pictureAt(entry, t0);
    const float T = Prod::Underwater::jumpedTime(*prod, t0);
    EXPECT_NEAR(eye[0], 0.0f, 1e-3f);
    EXPECT_NEAR(eye[1], 210.0f, 1e-3f);
    EXPECT_NEAR(eye[2], 30.0f + 50.0f * std::sin(0.9f * T + 0.5f), 1e-3f);
    EXPECT_FLOAT_EQ(glowGamma(), 1.05f);

    // A bass beat moves the orbit and lifts the glow to 1.3, which then falls
    // back by the frame time each frame.
    prod->spectrum[0] = 1.0f;
    pictureAt(entry, t0);
    prod->spectrum[0] = 0.0f;
    EXPECT_GT(std::fabs(eye[0]) + std::fabs(eye[1] - 210.0f), 1.0f);
    for (int frame = 1; frame <= 16; frame++) {
        EXPECT_NEAR(glowGamma(), 1.05f + std::max(0.25f - frame / 60.0f, 0.0f), 1e-5f) << frame;
        pictureAt(entry, t0);
    }
    EXPECT_FLOAT_EQ(glowGamma(), 1.05f);
}

TEST_F(LaterScenes, UnderwaterShowsTheSeaAndRipplesTheStarFromItsRestShape)
{
    const Vantrel::TimelineEntry& entry = entryOf<Prod::Underwater>();
    auto* scene = dynamic_cast<Prod::Underwater*>(entry.element);
    EXPECT_GT(brightness(pictureAt(entry, 3.0f)), 20.0);
    ASSERT_NE(scene->star.mesh, nullptr);
    EXPECT_EQ(scene->spinTrack.keyCount(), 500);
    EXPECT_EQ(scene->driftTrack.keyCount(), 500);
    EXPECT_EQ(scene->spinTrack.keyTime(499), scene->driftTrack.keyTime(499));
}

TEST_F(LaterScenes, SkateIsBlackAtItsStartAndFromTwentyNineSeconds)
{
    const Vantrel::TimelineEntry& skate = entryOf<Vantrel::Skate>();
    EXPECT_LT(brightness(pictureAt(skate, 0.0f)), 1.0);
    EXPECT_GT(brightness(pictureAt(skate, 8.0f)), 15.0);
    EXPECT_LT(brightness(pictureAt(skate, 29.0f)), 1.0);
    EXPECT_LT(brightness(pictureAt(skate, 33.0f)), 1.0);
}

TEST_F(LaterScenes, SkateRepeatsItselfAtTheSameTime)
{
    const Vantrel::TimelineEntry& skate = entryOf<Vantrel::Skate>();
    std::vector<unsigned char> first = pictureAt(skate, 6.5f);
    pictureAt(skate, 9.0f);
    EXPECT_EQ(pictureAt(skate, 6.5f), first);
}

TEST_F(LaterScenes, TheBoardTurnsAboutTheOriginWithoutMovingAway)
{
    const Vantrel::TimelineEntry& entry = entryOf<Vantrel::Skate>();
    auto* skate = dynamic_cast<Vantrel::Skate*>(entry.element);
    ASSERT_NE(skate->board.mesh, nullptr);
    pictureAt(entry, 7.3f);
    std::unique_ptr<FrontendExt::Geometry::Attribute> positions(
        skate->board.mesh->getAttribute(FrontendExt::kSemanticPosition));
    ASSERT_TRUE(positions);
    const int n = static_cast<int>(skate->board.restLengths.size());
    ASSERT_GT(n, 0);
    int moved = 0;
    for (int i = 0; i < n; i++) {
        float p[4];
        positions->get(p, i);
        const float length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        ASSERT_NEAR(length, skate->board.restLengths[i], 1e-3f * (1.0f + length)) << "vertex " << i;
        const float* rest = &skate->board.restPositions[3 * i];
        if (std::fabs(p[0] - rest[0]) + std::fabs(p[1] - rest[1]) + std::fabs(p[2] - rest[2]) > 1e-3f)
            moved++;
    }
    EXPECT_GT(moved, n / 2); // the board does ripple
}
