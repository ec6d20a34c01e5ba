// The production's first scenes, rendered with the generated data: fades,
// determinism and the placement on the timeline.
#include <gtest/gtest.h>

#include <filesystem>

#include "demo/Element.h"
#include "frontend/RenderTarget.h"
#include "prod/Prod.h"
#include "tests/support/TestContext.h"
#include "tests/support/engine/RunDirectory.h"

namespace {

class FirstScenes : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        run = new TestSupport::RunDirectory("scenes");
        std::filesystem::remove(run->path + "/data");
        std::filesystem::create_directory_symlink(std::string(VANTREL_RUN_DIR) + "/data", run->path + "/data");
        prod = new Prod::Prod;
        prod->load();
        prod->prepareDrawables();
    }

    // The composed window at demo time t.
    static std::vector<unsigned char> frameAt(float t)
    {
        prod->time = t;
        prod->frameTime = 1.0f / 60.0f;
        prod->composeFrame();
        Frontend::RenderTarget::unbind();
        return TestSupport::readPixels(0, 0, prod->width, prod->height);
    }

    // The picture of the entry's Element at demo time t, even beyond its span.
    static std::vector<unsigned char> pictureAt(const Vantrel::TimelineEntry& entry, float t)
    {
        prod->time = t;
        prod->frameTime = 1.0f / 60.0f;
        Frontend::State::resetState();
        entry.element->renderSpan(entry.start, entry.end - entry.start);
        entry.element->bind();
        std::vector<unsigned char> pixels = TestSupport::readPixels(0, 0, entry.element->width, entry.element->height);
        Frontend::RenderTarget::unbind();
        return pixels;
    }

    static double brightness(const std::vector<unsigned char>& pixels)
    {
        double sum = 0.0;
        for (size_t i = 0; i < pixels.size(); i++)
            sum += (i % 4 == 3) ? 0 : pixels[i];
        return sum / (static_cast<double>(pixels.size()) * 0.75);
    }

    static TestSupport::RunDirectory* run;
    static Prod::Prod* prod;
};

TestSupport::RunDirectory* FirstScenes::run = nullptr;
Prod::Prod* FirstScenes::prod = nullptr;

} // namespace

TEST_F(FirstScenes, TheTimelineHoldsTheFirstScenesAtTheirBeats)
{
    ASSERT_EQ(prod->timeline.size(), 10u);
    EXPECT_EQ(prod->timeline[0].element, prod->timeline[4].element);  // Pils comes back
    EXPECT_EQ(prod->timeline[1].start, prod->timeline[0].end);
    EXPECT_EQ(prod->timeline[1].end, prod->beatsToSeconds(44));
    EXPECT_EQ(prod->timeline[4].start, prod->beatsToSeconds(140));
    EXPECT_EQ(prod->timeline[8].end, prod->beatsToSeconds(460));
}

TEST_F(FirstScenes, ShinyCrossIsBlackAtItsStartAndAgainFromTwelveSeconds)
{
    const Vantrel::TimelineEntry& shiny = prod->timeline[1];
    EXPECT_LT(brightness(pictureAt(shiny, shiny.start)), 1.0);
    EXPECT_GT(brightness(pictureAt(shiny, shiny.start + 4.0f)), 40.0);
    EXPECT_LT(brightness(pictureAt(shiny, shiny.start + 12.0f)), 1.0);
    EXPECT_LT(brightness(pictureAt(shiny, shiny.start + 14.0f)), 1.0);
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
    const float seconds[] = {0.0f, 4.4171777f, 16.196320f, 27.975460f, 51.533741f, 75.092026f,
                             98.650307f, 122.20859f, 145.76688f, 169.32515f, 204.66258f};
    for (int i = 0; i < 11; i++)
        EXPECT_EQ(prod.beatsToSeconds(beats[i]), seconds[i]) << "beat " << beats[i];
    EXPECT_FLOAT_EQ(prod.beatsToSeconds(1), 0.36809816f);
    EXPECT_EQ(prod.endTime, 240.0f);
    EXPECT_EQ(prod.musicFile, "data/music.mp3");
    EXPECT_TRUE(prod.fullscreen);
}
