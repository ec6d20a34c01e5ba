// The development mode: the span options, the clock under the maker's keys,
// looping with the music, reloading edited files and the overlay staying out
// of frame dumps. Keys are pressed through the session, not the keyboard.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <thread>

#include "demo/AutoScale.h"
#include "demo/DemoOptions.h"
#include "demo/Element.h"
#include "demo/Music.h"
#include "devmode/DevSession.h"
#include "devmode/FrameGraph.h"
#include "devmode/TextOverlay.h"
#include "frontend/ImageLoader.h"
#include "frontend/RenderTarget.h"
#include "frontend/State.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/TestContext.h"
#include "tests/support/engine/RunDirectory.h"

using namespace Vantrel;

namespace {

DemoParse parseLine(std::initializer_list<const char*> args)
{
    std::vector<const char*> argv{"vantrel"};
    argv.insert(argv.end(), args);
    return parseDemoOptions(static_cast<int>(argv.size()), argv.data());
}

// Records the demo time of every frame it is composed in.
class TimeProbe : public Element {
public:
    explicit TimeProbe(Demo* owner) : Element(owner, "Untitled", 16, 16) {}
    void draw() override { seen.push_back(*time); }
    std::vector<float> seen;
};

class SpanDemo : public TestSupport::TestDemo {
public:
    void load() override
    {
        Demo::load();
        probe = new TimeProbe(this);
        timeline.push_back({0.0f, 1000.0f, probe});
    }
    TimeProbe* probe = nullptr;
};

// Runs frames through the session without a window, as the loop would.
void frames(DevSession& session, Demo& demo, int count, float frameTime)
{
    for (int i = 0; i < count; i++) {
        demo.frameTime = frameTime;
        ASSERT_TRUE(session.beforeCompose(demo));
    }
}

// Draws "probe.cg" over its picture with "probe.png".
class ShaderProbe : public Element {
public:
    explicit ShaderProbe(Demo* owner) : Element(owner, "Untitled", 16, 16) {}
    void draw() override
    {
        useShader("probe.cg");
        setTexture("tex0", "probe.png");
        drawFullscreenQuad(-1.0f, -1.0f, 1.0f, 1.0f);
        releaseTextures();
    }
};

std::string probeShader(const char* tint)
{
    return std::string("sampler2D tex0;\n"
                       "struct VertexOut { float4 position : POSITION; float2 uv : TEXCOORD0; };\n"
                       "VertexOut vsMain(float4 position : POSITION, float2 uv : TEXCOORD0)\n"
                       "{ VertexOut r; r.position = position; r.uv = uv; return r; }\n"
                       "float4 psMain(float2 uv : TEXCOORD0) : COLOR { return tex2D(tex0, uv) * float4(") +
           tint + "); }\n";
}

class DevFrames : public testing::Test {
protected:
    void SetUp() override
    {
        run.writeFile("data/probe.cg", probeShader("1.0, 0.0, 0.0, 1.0"));
        run.writePicture("probe.png", 4, 4, 255, 255, 255);
        demo.loadAndPrepare();
        demo.timeline.push_back({0.0f, 1000.0f, new ShaderProbe(&demo)});
        session.begin(demo, TestSupport::glContext(), nullptr, false);
    }

    // Composes one frame as the loop does and returns the window's average colour.
    std::vector<double> frame()
    {
        demo.frameTime = 0.01f;
        EXPECT_TRUE(session.beforeCompose(demo));
        demo.composeFrame();
        Frontend::RenderTarget::unbind();
        std::vector<double> colour = TestSupport::averageColour(0, 0, demo.width, demo.height);
        session.afterCompose(demo);
        return colour;
    }

    // Runs frames until the condition holds (reloads wait for the save to settle).
    void frameUntil(const std::function<bool()>& condition)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!condition() && std::chrono::steady_clock::now() < deadline) {
            frame();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_TRUE(condition()) << session.reloadReport();
    }

    TestSupport::RunDirectory run{"devmode"};
    TestSupport::TestDemo demo;
    DevSession session{DevSettings{1.0f, 100.0f, false, true}};
};

} // namespace

TEST(DevOptions, VsyncAudioOffsetAndStatsAreReadAndBadOnesRefused)
{
    DemoParse none = parseLine({});
    EXPECT_EQ(none.options.vsync, Vsync::Unset) << "without the option the swap interval is left alone";
    DemoParse given = parseLine({"--vsync", "adaptive", "--audio-offset", "-42.5", "--stats", "s.json"});
    ASSERT_EQ(given.status, DemoParse::Status::Run) << given.message;
    EXPECT_EQ(swapIntervalOf(given.options.vsync), -1);
    EXPECT_EQ(swapIntervalOf(Vsync::On), 1);
    EXPECT_FLOAT_EQ(given.options.audioOffsetMs, -42.5f);
    EXPECT_TRUE(given.options.measuresFrames());
    for (auto args : {std::initializer_list<const char*>{"--vsync", "yes"},
                      {"--scale", "Auto"},
                      {"--audio-offset", "2001"},
                      {"--audio-offset", "nan"},
                      {"--audio-offset", "1e3"},
                      {"--audio-offset", "5ms"}})
        EXPECT_EQ(parseLine(args).status, DemoParse::Status::Error) << *args.begin() << " " << *(args.begin() + 1);
}

TEST(DevOptions, TimesInSecondsOrBeatsBecomeTheSpanAndBadOnesAreRefused)
{
    DemoParse beats = parseLine({"--from", "76b", "--to", "100.5", "--loop", "--dev"});
    ASSERT_EQ(beats.status, DemoParse::Status::Run) << beats.message;
    TestSupport::TestDemo demo;
    ASSERT_EQ(applyDemoOptions(beats.options, demo), "");
    EXPECT_EQ(demo.musicStart, demo.beatsToSeconds(76)) << "beats land where the timeline places them";
    EXPECT_FLOAT_EQ(demo.endTime, 100.5f);
    EXPECT_TRUE(beats.options.loop && beats.options.dev);

    for (auto args : {std::initializer_list<const char*>{"--from", "abc"},
                      {"--to", "-3"},
                      {"--from", "7bb"},
                      {"--from", "b"},
                      {"--from", "1.2.3"},
                      {"--to"}}) {
        DemoParse bad = parseLine(args);
        EXPECT_EQ(bad.status, DemoParse::Status::Error) << *args.begin() << " " << bad.message;
    }
    DemoParse wholeBeats = parseLine({"--from", "76b", "--to", "140b"});
    TestSupport::TestDemo beatSpan;
    ASSERT_EQ(applyDemoOptions(wholeBeats.options, beatSpan), "");
    EXPECT_EQ(beatSpan.endTime, beatSpan.beatsToSeconds(140));

    // Beat counts past an int must stay huge, not wrap into a negative time that plays forever.
    for (auto args : {std::initializer_list<const char*>{"--from", "20", "--to", "10"},
                      {"--from", "300"},
                      {"--from", "3000000000b"},
                      {"--from", "99999999999b", "--to", "1b"},
                      {"--from", "230", "--to", "241"}}) {
        TestSupport::TestDemo other;
        DemoParse parsed = parseLine(args);
        ASSERT_EQ(parsed.status, DemoParse::Status::Run);
        EXPECT_NE(applyDemoOptions(parsed.options, other), "") << "a span that cannot be played";
    }
    EXPECT_EQ(DevSession::fromOptions(parseLine({}).options, demo), nullptr) << "no options, no hook";
}

TEST(DevSpan, FromAndToComposeOnlyThatSpanAndEndByThemselves)
{
    TestSupport::RunDirectory run("devmode-span");
    SpanDemo demo;
    DemoParse parsed = parseLine({"--from", "100", "--to", "101"});
    ASSERT_EQ(applyDemoOptions(parsed.options, demo), "");
    std::unique_ptr<DevSession> session = DevSession::fromOptions(parsed.options, demo);
    demo.frameHook = session.get();
    demo.run();
    std::vector<float> seen(demo.probe->seen.begin() + 1, demo.probe->seen.end()); // past the warm-up
    ASSERT_GT(seen.size(), 3u);
    for (float t : seen) {
        EXPECT_GE(t, 100.0f);
        EXPECT_LT(t, 101.0f);
    }
}

TEST(DevClock, PauseHoldsTimeStepsMoveByBeatsAndPageDownFindsTheNextEntry)
{
    TestSupport::TestDemo demo;
    demo.timeline = {{0.0f, 10.0f, nullptr}, {10.0f, 20.0f, nullptr}, {20.0f, 30.0f, nullptr}};
    DevSession session(DevSettings{5.0f, 30.0f, false, false});
    session.begin(demo, TestSupport::glContext(), nullptr, false);
    frames(session, demo, 1, 0.5f);
    EXPECT_FLOAT_EQ(demo.time, 5.5f);

    session.press(DevKey::Pause);
    frames(session, demo, 5, 0.5f);
    EXPECT_FLOAT_EQ(demo.time, 5.5f) << "frames go on, the clock does not";

    session.press(DevKey::BeatForward);
    frames(session, demo, 1, 0.5f);
    EXPECT_FLOAT_EQ(demo.time, 5.5f + 60.0f / 163.0f);
    session.press(DevKey::NextEntry);
    frames(session, demo, 1, 0.5f);
    EXPECT_FLOAT_EQ(demo.time, 10.0f);
    EXPECT_EQ(demo.activeEntry(), 1) << "the jump lands inside the entry, not on its open boundary";
    session.press(DevKey::BarsForward);
    frames(session, demo, 1, 0.5f);
    EXPECT_FLOAT_EQ(demo.time, 10.0f + 16.0f * 60.0f / 163.0f);
    session.press(DevKey::PreviousEntry);
    session.press(DevKey::PreviousEntry);
    frames(session, demo, 1, 0.5f);
    EXPECT_EQ(demo.activeEntry(), 0) << "back to this entry's start, then to the one before";
    session.press(DevKey::Home);
    session.press(DevKey::Pause);
    frames(session, demo, 1, 0.5f);
    EXPECT_FLOAT_EQ(demo.time, 5.0f);
    frames(session, demo, 1, 0.5f);
    EXPECT_FLOAT_EQ(demo.time, 5.5f) << "playing again";
}

TEST(DevClock, BracketsNudgeTheAudioOffsetOfTheMusicByFiveMillisecondsWithinItsRange)
{
    Music music;
    ASSERT_TRUE(music.init());
    TestSupport::TestDemo demo;
    demo.audioOffset = 0.010f;
    DevSession session(DevSettings{0.0f, 30.0f, false, false});
    session.begin(demo, TestSupport::glContext(), &music, false);
    for (DevKey key : {DevKey::OffsetLater, DevKey::OffsetLater, DevKey::OffsetLater, DevKey::OffsetEarlier})
        session.press(key);
    frames(session, demo, 1, 0.0f);
    EXPECT_FLOAT_EQ(demo.audioOffset, 0.020f);
    EXPECT_NEAR(music.offsetSeconds(), 0.020f, 1.0 / kSampleRate) << "the clock hears of it at once";

    demo.audioOffset = -1.997f;
    session.press(DevKey::OffsetEarlier);
    frames(session, demo, 1, 0.0f);
    EXPECT_FLOAT_EQ(demo.audioOffset, -kMaxAudioOffsetMs / 1000.0f) << "no further than the option allows";
    music.free();
}

TEST(DevClock, LoopWrapsAtToWithTheMusicBackAtFrom)
{
    TestSupport::RunDirectory run("devmode-loop");
    Music music;
    ASSERT_TRUE(music.init());
    ASSERT_TRUE(music.open(std::string(VANTREL_RUN_DIR) + "/data/music.mp3"));
    ASSERT_TRUE(music.play());
    music.seekSeconds(10.0);
    TestSupport::TestDemo demo;
    DevSession session(DevSettings{10.0f, 10.2f, true, false});
    session.begin(demo, TestSupport::glContext(), &music, true);
    float previous = 10.0f;
    bool wrapped = false;
    for (int i = 0; i < 400 && !wrapped; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        frames(session, demo, 1, 0.002f);
        wrapped = demo.time < previous;
        EXPECT_LT(demo.time, 10.2f);
        previous = demo.time;
    }
    ASSERT_TRUE(wrapped);
    EXPECT_FLOAT_EQ(demo.time, 10.0f);
    EXPECT_NEAR(music.positionSeconds(), 10.0f, 1024.0 / kSampleRate) << "within one audio buffer";
    music.free();
}

TEST_F(DevFrames, AnEditedShaderOrPictureShowsInTheNextFrameAndABrokenOneKeepsTheOldPicture)
{
    std::vector<double> before = frame();
    EXPECT_GT(before[0], 250);
    EXPECT_LT(before[1], 5);

    run.writeFile("data/probe.cg", probeShader("0.0, 1.0, 1.0, 1.0"));
    frameUntil([&] { return session.reloads() == 1; });
    std::vector<double> edited = frame();
    EXPECT_LT(edited[0], 5);
    EXPECT_GT(edited[1], 250);
    EXPECT_NE(session.reloadReport().find("ms save to screen"), std::string::npos) << session.reloadReport();

    testing::internal::CaptureStderr();
    run.writeFile("data/probe.cg", probeShader("0.0, 1.0, 1.0, 1.0") + "this is not Cg\n");
    frameUntil([&] { return session.failedReloads() == 1; });
    std::string stderrText = testing::internal::GetCapturedStderr();
    std::vector<double> broken = frame();
    EXPECT_GT(broken[1], 250) << "the last good program stays";
    EXPECT_NE(session.reloadReport().find("probe.cg"), std::string::npos);
    EXPECT_NE(stderrText.find("probe.cg:"), std::string::npos) << "the listing names the file and line: " << stderrText;
    EXPECT_NE(std::string(session.overlayLine(DevSession::kListingLine)).find("probe.cg"), std::string::npos)
        << "listing on the overlay";

    run.writePicture("probe.png", 4, 4, 0, 0, 255);
    frameUntil([&] { return session.reloads() == 2; });
    std::vector<double> picture = frame();
    EXPECT_LT(picture[1], 5);
    EXPECT_GT(picture[2], 250);
}

TEST_F(DevFrames, TheOverlayIsDrawnAfterTheDumpAndNeverIntoIt)
{
    run.writeFile("data/probe.cg", probeShader("0.0, 0.0, 0.0, 1.0"));
    frameUntil([&] { return session.reloads() == 1; });
    demo.frameTime = 0.01f;
    ASSERT_TRUE(session.beforeCompose(demo));
    demo.composeFrame();
    demo.dumpFrame(TestSupport::glContext());
    session.afterCompose(demo);
    EXPECT_NE(std::string(session.overlayLine(1)).find("ShaderProbe"), std::string::npos) << session.overlayLine(1);
    const int h = demo.height;
    std::vector<double> withOverlay = TestSupport::averageColour(0, h - 40, 200, 40);
    EXPECT_GT(withOverlay[0], 5) << "the overlay's text is on the window";

    TestSupport::AllocationCounter counter;
    ASSERT_TRUE(session.beforeCompose(demo));
    session.afterCompose(demo);
    EXPECT_EQ(counter.stop(), 0) << "the overlay, keys, clock and file watch allocate nothing per frame";

    FrontendExt::ImageLoader dump(FrontendExt::File("dump0.png", "rb"));
    double sum = 0;
    for (int i = 0; i < dump.width() * dump.height() * 3; i++)
        sum += dump.data()[i];
    EXPECT_EQ(sum, 0) << "the dump is the composed frame alone";
}

TEST(DevGraph, TheGraphKeepsTheLastFramesAndDrawsEachAsABarColouredByTheRefresh)
{
    FrameGraph graph;
    for (int i = 0; i < FrameGraph::kFrames + 60; i++)
        graph.add(static_cast<float>(i));
    ASSERT_EQ(graph.count(), FrameGraph::kFrames);
    EXPECT_EQ(graph.at(0), 60.0f) << "the oldest frames make room";
    EXPECT_EQ(graph.at(FrameGraph::kFrames - 1), FrameGraph::kFrames + 59.0f);

    TestSupport::glContext();
    TextOverlay overlay;
    const int w = 400, h = 300;
    // The lowest rows of the graph, where every bar over 10 ms is drawn.
    auto barsColour = [&](float ms) {
        FrameGraph steady;
        for (int i = 0; i < FrameGraph::kFrames; i++)
            steady.add(ms);
        Frontend::RenderTarget::unbind();
        Frontend::State::setViewport(0, 0, w, h);
        Frontend::State::clear(0.0f, 0.0f, 0.0f, 0.0f, true, true, true);
        overlay.drawGraph(steady, w, h);
        return TestSupport::averageColour(w - 4 - FrameGraph::kFrames, h - 4 - TextOverlay::kGraphHeight,
                                          FrameGraph::kFrames, 10);
    };
    std::vector<double> onTime = barsColour(12.0f);
    EXPECT_GT(onTime[1], 150);
    EXPECT_LT(onTime[0], 100) << "within a refresh: green";
    std::vector<double> late = barsColour(40.0f);
    EXPECT_GT(late[0], 150);
    EXPECT_LT(late[1], 150) << "late: orange";
    EXPECT_LT(barsColour(0.0f)[1], 5) << "no frame time, no bar";
}

// Records the side of the target it draws into, and runs a pass through the pool.
class SideProbe : public Element {
public:
    explicit SideProbe(Demo* owner) : Element(owner, "Untitled", 16, 16) {}
    void draw() override
    {
        side = colorTexture()->width();
        blur(1.0f, 0.0f, 1.0f);
    }
    int side = 0;
};

TEST(AutoScale, EachEntryPlaysAtTheLargestScaleThatFitsOnTargetsOfItsOwnMadeOnce)
{
    const double fitsAtTwo[3] = {-1.0, 10.0, 30.0};
    EXPECT_EQ(largestFitting(fitsAtTwo, 40.0), 2.0f);
    EXPECT_EQ(largestFitting(fitsAtTwo, 20.0), 1.0f);
    EXPECT_EQ(largestFitting(fitsAtTwo, 5.0), 0.5f) << "the smallest when nothing measured fits";
    const double twoUnmeasured[3] = {-1.0, 10.0, -1.0};
    EXPECT_EQ(largestFitting(twoUnmeasured, 1e9), 1.0f) << "never a scale that was not measured";
    ASSERT_EQ(parseLine({"--scale", "auto"}).status, DemoParse::Status::Run);
    EXPECT_TRUE(parseLine({"--scale", "auto"}).options.autoScale);

    TestSupport::RunDirectory run("autoscale");
    TestSupport::TestDemo demo;
    demo.loadAndPrepare();
    auto* first = new SideProbe(&demo);
    auto* second = new SideProbe(&demo);
    demo.timeline = {{0.0f, 10.0f, first}, {10.0f, 20.0f, second}};
    std::vector<ScaleChoice> generous = chooseEntryScales(demo, 1e9);
    ASSERT_EQ(demo.entryScales, (std::vector<float>{2.0f, 2.0f}));
    EXPECT_GE(generous[1].costMs[2], 0.0);
    EXPECT_EQ(demo.time, 0.0f) << "the clock is left where it was";
    chooseEntryScales(demo, 0.0);
    ASSERT_EQ(demo.entryScales, (std::vector<float>{0.5f, 0.5f}));
    EXPECT_NE(describeScales(generous, 16.7).find("2 ("), std::string::npos) << describeScales(generous, 16.7);

    demo.entryScales = {0.5f, 2.0f};
    auto composeAt = [&](float t) {
        demo.time = t;
        demo.composeFrame();
    };
    composeAt(5.0f);
    composeAt(15.0f);
    TestSupport::AllocationCounter counter;
    composeAt(5.0f);
    EXPECT_EQ(first->side, 8);
    composeAt(15.0f);
    EXPECT_EQ(second->side, 32);
    EXPECT_EQ(counter.stop(), 0) << "changing scale between entries makes no targets";
    demo.entryScales.clear();
    demo.useScale(1.0f);
    composeAt(5.0f);
    EXPECT_EQ(first->side, 16) << "back on the targets it was made with";
}
