// The production's first scenes, rendered with the generated data: fades,
// determinism and the placement on the timeline.
#include <gtest/gtest.h>

#include <filesystem>

#include "demo/Element.h"
#include "frontend/RenderTarget.h"
#include "prod/Prod.h"
#include "tests/support/TestContext.h"
#include "tests/support/engine/ProductionFixture.h"

namespace {

class FirstScenes : public TestSupport::ProductionFixture {};

} // namespace

TEST_F(FirstScenes, TheTimelineHoldsTheFirstScenesAtTheirBeats)
{
    ASSERT_EQ(prod->timeline.size(), 10u);
    EXPECT_EQ(prod->timeline[0].element, prod->timeline[4].element); // Pils comes back
    EXPECT_EQ(prod->timeline[1].start, prod->timeline[0].end);
    EXPECT_EQ(prod->timeline[1].end, prod->beatsToSeconds(44));
    EXPECT_EQ(prod->timeline[4].start, prod->beatsToSeconds(140));
    EXPECT_EQ(prod->timeline[8].end, prod->beatsToSeconds(460));
}

TEST_F(FirstScenes, ShinyCrossIsBlackAtItsStartAndAgainFromTwelveSeconds)
{
    const Vantrel::TimelineEntry& shiny = prod->timeline[1];
    EXPECT_LT(brightness(pictureAt(shiny, 0.0f)), 1.0);
    EXPECT_GT(brightness(pictureAt(shiny, 4.0f)), 40.0);
    EXPECT_LT(brightness(pictureAt(shiny, 12.0f)), 1.0);
    EXPECT_LT(brightness(pictureAt(shiny, 14.0f)), 1.0);
}

TEST_F(FirstScenes, FramesAtTheSameTimeAreIdentical)
{
    const float t = prod->beatsToSeconds(12) + 5.0f;
    std::vector<unsigned char> first = frameAt(t);
    frameAt(t + 2.0f);
    EXPECT_EQ(frameAt(t), first);
}

TEST_F(FirstScenes, PilsFadesInOnlyAtTheStartOfTheDemo)
{
    // Half a second into each Pils span: the opening fade darkens only the first.
    const float opening = brightness(frameAt(0.5f));
    const float later = brightness(frameAt(prod->beatsToSeconds(140) + 0.5f));
    EXPECT_LT(opening, later * 0.7);
    EXPECT_LT(brightness(frameAt(0.001f)), 1.0);
}

TEST_F(FirstScenes, PilsTakeoffEndsInBlack)
{
    EXPECT_GT(brightness(frameAt(prod->beatsToSeconds(396) + 5.0f)), 20.0);
    EXPECT_LT(brightness(frameAt(prod->beatsToSeconds(460) - 0.01f)), 1.0);
}

TEST(ProductionTimeline, BeatsBecomeTheSecondsOfTheProductionTable)
{
    Prod::Prod prod;
    const int beats[] = {0, 12, 44, 76, 140, 204, 268, 332, 396, 460, 556};
    const float seconds[] = {0.0f,       4.4171777f, 16.196320f, 27.975460f, 51.533741f, 75.092026f,
                             98.650307f, 122.20859f, 145.76688f, 169.32515f, 204.66258f};
    for (int i = 0; i < 11; i++)
        EXPECT_EQ(prod.beatsToSeconds(beats[i]), seconds[i]) << "beat " << beats[i];
    EXPECT_FLOAT_EQ(prod.beatsToSeconds(1), 0.36809816f);
    EXPECT_EQ(prod.endTime, 240.0f);
    EXPECT_EQ(prod.musicFile, "data/music.mp3");
    EXPECT_TRUE(prod.fullscreen);
}
