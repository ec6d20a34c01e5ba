// The engine's pure pieces: clock hand-over, beat triggers, easing, wildcard
// scans, catalogue lookups and the beat arithmetic of the timeline.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <vector>

#include "demo/Catalogues.h"
#include "demo/DemoClock.h"
#include "demo/DemoOptions.h"
#include "demo/Letterbox.h"
#include "demo/Drawable.h"
#include "demo/Demo.h"
#include "frontend/Error.h"
#include "tests/support/TestContext.h"

using namespace Vantrel;

TEST(DemoClock, FollowsTheMusicThenCarriesOnWithTheTimerFromWhereItStopped)
{
    DemoClock clock(0.0f);
    EXPECT_FLOAT_EQ(clock.fromMusic(true, 10.0f, 10.2f), 10.0f);
    EXPECT_FLOAT_EQ(clock.fromMusic(true, 200.5f, 200.9f), 200.5f);
    // The music ended at 200.5 s: the timer takes over from there.
    EXPECT_FLOAT_EQ(clock.fromMusic(false, 200.5f, 201.0f), 200.5f);
    EXPECT_NEAR(clock.fromMusic(false, 200.5f, 240.0f), 239.5f, 1e-4f);
}

TEST(DemoClock, WithoutAStreamRunsFromTheMusicStart)
{
    DemoClock clock(3.0f);
    EXPECT_FLOAT_EQ(clock.fromMusic(false, 0.0f, 5.0f), 3.0f);
    EXPECT_FLOAT_EQ(clock.fromMusic(false, 0.0f, 6.0f), 4.0f);
    EXPECT_FLOAT_EQ(clock.fromTimer(2.0f), 5.0f);
}

TEST(BeatTrigger, FiresOnRisingAndAtMostOncePerHoldWhileAbove)
{
    BeatTrigger trigger;
    const float frame = 0.0625f; // exact in binary, so the hold runs out after three frames
    int fired = 0;
    for (int i = 0; i < 12; i++)
        fired += runBeatTrigger(trigger, 0.5f, 0.3f, frame) ? 1 : 0;
    EXPECT_EQ(fired, 4);

    BeatTrigger edge;
    EXPECT_TRUE(runBeatTrigger(edge, 0.5f, 0.3f, frame));
    EXPECT_FALSE(runBeatTrigger(edge, 0.5f, 0.3f, frame));
    EXPECT_FALSE(runBeatTrigger(edge, 0.1f, 0.3f, frame)); // drops below: re-armed at once
    EXPECT_TRUE(runBeatTrigger(edge, 0.5f, 0.3f, frame));
    EXPECT_FALSE(runBeatTrigger(edge, 0.3f, 0.3f, frame)); // the comparison is strict
}

TEST(Ease, ClampsAndFollowsTheHalfCosine)
{
    EXPECT_EQ(Drawable::ease(-3.0f), 0.0f);
    EXPECT_EQ(Drawable::ease(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(Drawable::ease(0.5f), 0.5f);
    EXPECT_FLOAT_EQ(Drawable::ease(1.0f), 1.0f);
    EXPECT_FLOAT_EQ(Drawable::ease(7.0f), 1.0f);
    EXPECT_LT(Drawable::ease(0.25f), 0.25f);
}

TEST(Catalogue, ScansMatchWildcardsWithoutRegardToCaseInNameOrder)
{
    std::string dir = TestSupport::makeTempDir("scan") + "/";
    for (const char* name : {"b.png", "A.PNG", "c.Png", "notes.txt", "d.png.bak"})
        std::ofstream(dir + name) << "x";
    std::vector<std::string> names = listMatchingFiles(dir, "*.png");
    EXPECT_EQ(names, (std::vector<std::string>{"A.PNG", "b.png", "c.Png"}));
    EXPECT_TRUE(listMatchingFiles(dir + "missing/", "*.png").empty());
    std::filesystem::remove_all(dir);
}

TEST(Catalogue, AFolderThatCannotBeListedIsNamedWithTheReason)
{
    std::string dir = TestSupport::makeTempDir("unlisted") + "/";
    std::ofstream(dir + "data") << "x";
    try {
        listMatchingFiles(dir + "data/", "*.png");
        ADD_FAILURE() << "a file was listed as a folder";
    } catch (const Frontend::Error& error) {
        EXPECT_NE(std::string(error.what()).find("data/: cannot list the folder (Not a directory)"), std::string::npos)
            << error.what();
    }
    // Enterable, not readable: the case an ordinary user meets (root reads it anyway).
    std::filesystem::create_directory(dir + "locked");
    std::filesystem::permissions(dir + "locked", std::filesystem::perms::owner_exec);
    if (geteuid() != 0) {
        EXPECT_THROW(listMatchingFiles(dir + "locked/", "*.png"), Frontend::Error);
    }
    std::filesystem::permissions(dir + "locked", std::filesystem::perms::owner_all);
    std::filesystem::remove_all(dir);
}

TEST(Catalogue, KeysAreCaseSensitive)
{
    ResourceProxy<int, std::string> catalogue;
    int value = 7;
    catalogue.store("Sky.png", &value);
    EXPECT_EQ(catalogue["Sky.png"], &value);
    EXPECT_FALSE(catalogue.contains("sky.png"));
}

TEST(CatalogueDeathTest, MissingKeysEndTheDemoNamingTheKey)
{
    ResourceProxy<int, std::string> catalogue;
    EXPECT_EXIT(catalogue["skate.qbr"], testing::ExitedWithCode(1),
                "ResourceProxy::operator \\[\\] : ResourceProxy not loaded: skate.qbr");
    TargetResourceProxy pool;
    EXPECT_EXIT(pool[96], testing::ExitedWithCode(1), "ResourceProxy not loaded: 96");
}

TEST(Timeline, SpansAreOpenAtBothEnds)
{
    TimelineEntry entry{1.0f, 2.0f, nullptr};
    EXPECT_FALSE(entry.isActiveAt(1.0f));
    EXPECT_TRUE(entry.isActiveAt(1.5f));
    EXPECT_FALSE(entry.isActiveAt(2.0f));
    TimelineEntry empty{2.0f, 2.0f, nullptr};
    EXPECT_FALSE(empty.isActiveAt(2.0f));
    TimelineEntry reversed{3.0f, 2.0f, nullptr};
    EXPECT_FALSE(reversed.isActiveAt(2.5f));
}

TEST(Letterbox, FitsTheLargestCentredRectangleAndCoversWithTheSmallest)
{
    auto same = [](PixelRect r, PixelRect e) {
        return r.x == e.x && r.y == e.y && r.width == e.width && r.height == e.height;
    };
    EXPECT_TRUE(same(fitInside(800, 600, 800, 600), {0, 0, 800, 600}));
    EXPECT_TRUE(same(coverOutput(800, 600, 800, 600), {0, 0, 800, 600}));
    EXPECT_TRUE(same(fitInside(1920, 1080, 800, 600), {240, 0, 1440, 1080}));
    EXPECT_TRUE(same(fitInside(1024, 768, 800, 600), {0, 0, 1024, 768}));
    EXPECT_TRUE(same(fitInside(640, 360, 800, 600), {80, 0, 480, 360}));
    EXPECT_TRUE(same(fitInside(600, 800, 800, 600), {0, 175, 600, 450}));
    EXPECT_TRUE(same(coverOutput(1920, 1080, 800, 600), {0, -180, 1920, 1440}));
    EXPECT_TRUE(same(fitInside(0, 600, 800, 600), {0, 0, 0, 600}));
}

namespace {

DemoParse parseLine(std::initializer_list<const char*> args)
{
    std::vector<const char*> argv{"vantrel"};
    argv.insert(argv.end(), args);
    return parseDemoOptions(static_cast<int>(argv.size()), argv.data());
}

} // namespace

TEST(DemoOptions, NoOptionsLeaveTheProductionAsItIsAndTheWindowGroupAppliesItsValues)
{
    Demo untouched;
    untouched.fullscreen = true;
    DemoParse none = parseLine({});
    ASSERT_EQ(none.status, DemoParse::Status::Run);
    applyDemoOptions(none.options, untouched);
    EXPECT_TRUE(untouched.fullscreen);
    EXPECT_FALSE(untouched.windowed);
    EXPECT_EQ(untouched.width, 800);
    EXPECT_EQ(untouched.height, 600);

    Demo demo;
    demo.fullscreen = true;
    DemoParse parsed = parseLine({"--windowed", "--size", "640x360"});
    ASSERT_EQ(parsed.status, DemoParse::Status::Run) << parsed.message;
    applyDemoOptions(parsed.options, demo);
    EXPECT_FALSE(demo.fullscreen);
    EXPECT_TRUE(demo.windowed);
    EXPECT_EQ(demo.width, 640);
    EXPECT_EQ(demo.height, 360);
    EXPECT_EQ(demo.viewport[2], 800) << "the picture keeps the production's size; only the window changes";
    EXPECT_EQ(demo.renderScale, 1.0f);

    DemoParse scaled = parseLine({"--scale", "0.5"});
    ASSERT_EQ(scaled.status, DemoParse::Status::Run) << scaled.message;
    applyDemoOptions(scaled.options, demo);
    EXPECT_EQ(demo.renderScale, 0.5f);
}

TEST(DemoOptions, HelpAndBadLinesAreReportedWithTheUsage)
{
    DemoParse help = parseLine({"--help"});
    EXPECT_EQ(help.status, DemoParse::Status::Help);
    EXPECT_NE(help.message.find("--windowed"), std::string::npos);
    for (auto args : {std::initializer_list<const char*>{"--bogus"},
                      {"--size"},
                      {"--size", "640"},
                      {"--size", "0x360"},
                      {"--size", "640x-3"},
                      {"--size", "99999x2"},
                      {"stray"},
                      {"--scale", "3"},
                      {"--scale", "0.50"}}) {
        DemoParse bad = parseLine(args);
        EXPECT_EQ(bad.status, DemoParse::Status::Error) << *args.begin();
        EXPECT_EQ(bad.message.find('\n'), std::string::npos) << bad.message;
        EXPECT_NE(bad.usage.find("--size"), std::string::npos);
    }
}

// The size and time texts both programs read.
TEST(OptionText, SizesUpToTheCapAndTimesInSecondsOrBeats)
{
    int width = 0, height = 0;
    EXPECT_TRUE(parseSize("16384x1", width, height));
    EXPECT_EQ(width, 16384);
    for (const char* bad : {"16385x1", "1x99999", "0x5", "5x", "x5", "5", "5x5x5", "-5x5", " 5x5", "5.0x5"})
        EXPECT_FALSE(parseSize(bad, width, height)) << bad;

    PlayTime time;
    ASSERT_TRUE(parsePlayTime("76b", time));
    Demo demo;
    demo.tempo = 163.0f;
    EXPECT_EQ(time.seconds(demo.tempo), demo.beatsToSeconds(76));
    ASSERT_TRUE(parsePlayTime("12.5", time));
    EXPECT_EQ(time.seconds(demo.tempo), 12.5f);
    ASSERT_TRUE(parsePlayTime("1e40b", time) == false && parsePlayTime("99999999999b", time));
    EXPECT_GT(time.seconds(demo.tempo), 1e9f) << "a huge beat count stays huge";
    for (const char* bad : {"", "b", "-1", "1e3", "inf", "nan", "1bb", "b1", " 1"})
        EXPECT_FALSE(parsePlayTime(bad, time)) << bad;

    EXPECT_EQ(spanProblem(0.0, 240.0, 240.0), "");
    EXPECT_EQ(spanProblem(257.669, 240.0, 240.0),
              "--from: 257.669 s is not before the end of the production (240.000 s)");
    EXPECT_NE(spanProblem(10.0, 240.5, 240.0).find("--to: 240.500 s is past the end"), std::string::npos);
    EXPECT_NE(spanProblem(10.0, 10.0, 240.0).find("is not after --from"), std::string::npos);
}
