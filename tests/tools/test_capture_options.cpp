// Command-line parsing, the frame-time list, the progress line and the stats
// summary of vantrel-capture; none of these need GL.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/capture/CaptureOptions.h"
#include "tools/capture/CaptureStats.h"
#include "tools/capture/FrameBudget.h"
#include "tools/capture/Progress.h"

using namespace Capture;

namespace {

CaptureParse parse(std::initializer_list<const char*> args)
{
    std::vector<const char*> argv{"vantrel-capture"};
    argv.insert(argv.end(), args.begin(), args.end());
    return parseCaptureOptions(static_cast<int>(argv.size()), argv.data());
}

} // namespace

TEST(CaptureOptions, DefaultsRenderTheWholeDemoAtSixtyFps)
{
    CaptureParse parsed = parse({});
    ASSERT_EQ(parsed.status, CaptureParse::Status::Run) << parsed.message;
    EXPECT_EQ(parsed.options.width, 800);
    EXPECT_EQ(parsed.options.height, 600);
    EXPECT_EQ(parsed.options.outputKind(), OutputKind::None);
    EXPECT_EQ(countFrames(parsed.options), 240 * 60);
    EXPECT_DOUBLE_EQ(parsed.options.frameTime(), 1.0 / 60.0);
}

TEST(CaptureOptions, ReadsEveryOption)
{
    CaptureParse parsed = parse({"--fps", "30", "--from", "1.5", "--to", "3", "--size", "320x240", "--out", "film.MKV",
                                 "--stats", "s.json", "--quiet"});
    ASSERT_EQ(parsed.status, CaptureParse::Status::Run) << parsed.message;
    const CaptureOptions& o = parsed.options;
    EXPECT_DOUBLE_EQ(o.fps.value(), 30.0);
    EXPECT_DOUBLE_EQ(o.from, 1.5);
    EXPECT_DOUBLE_EQ(o.to, 3.0);
    EXPECT_EQ(o.width, 320);
    EXPECT_EQ(o.height, 240);
    EXPECT_EQ(o.outputKind(), OutputKind::Video);
    EXPECT_EQ(o.stats, "s.json");
    EXPECT_TRUE(o.quiet);
}

TEST(CaptureOptions, OutputKindFollowsTheExtension)
{
    EXPECT_EQ(parse({"--out", "a.mp4"}).options.outputKind(), OutputKind::Video);
    EXPECT_EQ(parse({"--out", "shots"}).options.outputKind(), OutputKind::PngSequence);
    // A dot in a folder name does not make a video.
    EXPECT_EQ(parse({"--out", "v1.mp4/frames"}).options.outputKind(), OutputKind::PngSequence);
}

TEST(CaptureOptions, AtKeepsTheGivenOrder)
{
    CaptureParse parsed = parse({"--at", "230,1.5,4.4171777,1.5"});
    ASSERT_EQ(parsed.status, CaptureParse::Status::Run) << parsed.message;
    EXPECT_EQ(captureTimes(parsed.options), (std::vector<double>{230.0, 1.5, 4.4171777, 1.5}));
}

TEST(CaptureOptions, RejectsBadValuesWithAMessage)
{
    const std::vector<std::vector<const char*>> bad = {
        {"--fps", "0"},
        {"--fps", "-5"},
        {"--fps", "abc"},
        {"--fps", "nan"},
        {"--fps", "1e9"},
        {"--from", "5", "--to", "5"},
        {"--from", "6", "--to", "5"},
        {"--from", "-1"},
        {"--to", "inf"},
        {"--from", "300", "--to", "302"},
        {"--to", "240.5"},
        {"--from", "240"},
        {"--size", "800"},
        {"--size", "0x600"},
        {"--size", "800x-6"},
        {"--size", "800x600x2"},
        {"--size", "16385x600"},
        {"--from", "700b"},
        {"--at", "1,,2"},
        {"--at", "1,x"},
        {"--at", "1,"},
        {"--at", "-2"},
        {"--at", "1", "--from", "0"},
        {"--at", "1", "--out", "a.mp4"},
        {"--size", "801x600", "--out", "a.mp4"},
        {"--bogus"},
        {"--fps"},
        {"--out", "x.json", "--stats", "x.json"},
        {"--at", ""},
        {"--fps", "1e-9"},
        {"--fps", "0.5", "--out", "v.mp4"},
        {"--scale", "3"},
        {"--scale", "0"},
        {"--fit", "stretch"},
    };
    for (const std::vector<const char*>& args : bad) {
        std::vector<const char*> argv{"vantrel-capture"};
        argv.insert(argv.end(), args.begin(), args.end());
        CaptureParse parsed = parseCaptureOptions(static_cast<int>(argv.size()), argv.data());
        std::string line;
        for (const char* a : args)
            line += std::string(a) + " ";
        EXPECT_EQ(parsed.status, CaptureParse::Status::Error) << line;
        EXPECT_FALSE(parsed.message.empty()) << line;
    }
    EXPECT_EQ(parse({"--from", "12.5", "--to", "240"}).status, CaptureParse::Status::Run) << "the whole tail";
    // Beats at the production's tempo, landing where its timeline puts them.
    CaptureParse beats = parse({"--from", "76b", "--to", "140b", "--size", "16384x2"});
    ASSERT_EQ(beats.status, CaptureParse::Status::Run) << beats.message;
    EXPECT_EQ(beats.options.from, static_cast<float>(76 * 60.0 / 163.0));
    EXPECT_EQ(beats.options.to, static_cast<float>(140 * 60.0 / 163.0));
    // Odd sides are fine for pictures.
    EXPECT_EQ(parse({"--size", "801x601", "--out", "shots"}).status, CaptureParse::Status::Run);
}

// The automatic scale makes the scene pictures (512 x scale) at least as tall
// as the picture on the output; an explicit --scale always wins.
TEST(CaptureOptions, ChoosesTheRenderScale)
{
    auto scaleFor = [](std::initializer_list<const char*> args) {
        CaptureParse parsed = parse(args);
        EXPECT_EQ(parsed.status, CaptureParse::Status::Run) << parsed.message;
        return chooseRenderScale(parsed.options);
    };
    EXPECT_EQ(scaleFor({}), 1.0);
    EXPECT_EQ(scaleFor({"--size", "320x240"}), 1.0);
    EXPECT_EQ(scaleFor({"--size", "1024x768"}), 2.0);                  // picture 768 tall
    EXPECT_EQ(scaleFor({"--size", "1280x720"}), 2.0);                  // bars: 960 x 720
    EXPECT_EQ(scaleFor({"--size", "1920x1080"}), 4.0);                 // 1080 > 1024
    EXPECT_EQ(scaleFor({"--size", "1280x720", "--fit", "crop"}), 2.0); // 1280 x 960
    EXPECT_EQ(scaleFor({"--size", "3840x2160"}), 4.0);                 // the largest there is
    EXPECT_EQ(scaleFor({"--size", "1920x1080", "--scale", "0.5"}), 0.5);
    EXPECT_EQ(parse({"--fit", "crop"}).options.fit, Vantrel::Fit::Crop);
}

TEST(CaptureOptions, HelpListsTheOptions)
{
    CaptureParse parsed = parse({"--help"});
    EXPECT_EQ(parsed.status, CaptureParse::Status::Help);
    EXPECT_NE(parsed.message.find("--fps"), std::string::npos);
    EXPECT_NE(parsed.message.find("--stats"), std::string::npos);
}

TEST(CaptureTimes, StepByOneOverFpsAndStopBelowTo)
{
    CaptureOptions o;
    o.fps = 4;
    o.from = 0;
    o.to = 0.5;
    EXPECT_EQ(captureTimes(o), (std::vector<double>{0.0, 0.25})); // 0.5 itself is not rendered

    o.fps = 3;
    o.to = 1;
    ASSERT_EQ(countFrames(o), 3);
    EXPECT_NEAR(captureTimes(o).back(), 2.0 / 3.0, 1e-12);

    // Spans that are not a whole number of frames round up.
    o.fps = 10;
    o.from = 2;
    o.to = 2.25;
    EXPECT_EQ(countFrames(o), 3);
    EXPECT_EQ(captureTimes(o).size(), 3u);

    // Pieces cut at a boundary of whole frames that float cannot hold share no frame.
    CaptureOptions first = parse({"--fps", "60", "--from", "134", "--to", "134.05"}).options;
    CaptureOptions second = parse({"--fps", "60", "--from", "134.05", "--to", "134.1"}).options;
    EXPECT_EQ(countFrames(first), 3);
    EXPECT_EQ(countFrames(second), 3);
    EXPECT_EQ(compositionTime(second, 0, 0), 134.05);
}

TEST(CaptureProgress, LineShowsCountRateAndTimeLeft)
{
    EXPECT_EQ(formatProgress(0, 100, 0.0, 10), "[----------] 0/100 frames");
    std::string half = formatProgress(50, 100, 5.0, 10);
    EXPECT_NE(half.find("[#####-----] 50/100 frames"), std::string::npos) << half;
    EXPECT_NE(half.find("10.0 fps"), std::string::npos) << half;
    EXPECT_NE(half.find("0:05 left"), std::string::npos) << half;
    EXPECT_NE(formatProgress(10, 7210, 10.0, 10).find("2:00:00 left"), std::string::npos);
    EXPECT_NE(formatProgress(3, 3, 1.0, 4).find("[####]"), std::string::npos);
    EXPECT_EQ(formatProgress(0, 0, 0.0, 4), "[####] 0/0 frames");
}

TEST(CaptureStats, SummarisesPerEntryAndWritesNullForNoEntry)
{
    CaptureStats stats({{0.0f, 1.0f}, {1.0f, 2.0f}, {2.0f, 3.0f}}, 4);
    stats.record(0.5, 0, 1.0, 10.0);
    stats.record(0.75, 0, 3.0, 20.0);
    stats.record(1.0, -1, 0.5, 2.0);
    stats.record(1.5, 1, 2.0, 8.0);

    TimingSummary first = stats.summary(0);
    EXPECT_EQ(first.frames, 2);
    EXPECT_DOUBLE_EQ(first.meanMs, 15.0);
    EXPECT_DOUBLE_EQ(first.worstMs, 20.0);
    EXPECT_DOUBLE_EQ(first.worstComposeMs, 3.0);
    EXPECT_EQ(stats.summary(2).frames, 0);
    EXPECT_DOUBLE_EQ(stats.summary(CaptureStats::kAllFrames).worstMs, 20.0);

    nlohmann::json json = stats.toJson({30.0, 160, 120});
    ASSERT_EQ(json["frames"].size(), 4u);
    EXPECT_TRUE(json["frames"][2]["activeEntry"].is_null());
    EXPECT_EQ(json["frames"][3]["activeEntry"], 1);
    EXPECT_DOUBLE_EQ(json["frames"][1]["time"].get<double>(), 0.75);
    ASSERT_EQ(json["entries"].size(), 3u);
    EXPECT_EQ(json["entries"][1]["frames"], 1);
    EXPECT_EQ(json["entries"][2]["frames"], 0);
    EXPECT_EQ(json["noEntry"]["frames"], 1);
    EXPECT_EQ(json["all"]["frames"], 4);
}

TEST(CaptureOptions, FractionalRatesStayExactOverTheWholeDemo)
{
    CaptureParse parsed = parse({"--fps", "60000/1001"});
    ASSERT_EQ(parsed.status, CaptureParse::Status::Run) << parsed.message;
    const CaptureOptions& o = parsed.options;
    EXPECT_EQ(o.fps.num, 60000);
    EXPECT_EQ(o.fps.den, 1001);
    // 240 s * 60000 / 1001 = 14385.6: frames 0 .. 14385, the last at 14385 * 1001 / 60000 s.
    ASSERT_EQ(countFrames(o), 14386);
    EXPECT_DOUBLE_EQ(captureTimes(o).back(), 14385.0 * 1001.0 / 60000.0);

    EXPECT_EQ(parse({"--fps", "29.97"}).options.fps.den, 100);
    EXPECT_EQ(parse({"--fps", "48/2"}).options.fps.num, 24); // reduced
    for (const char* bad : {"60000/0", "1/2", "60/", "6e1", "-30", "30.1234567", "2000"}) {
        CaptureParse wrong = parse({"--fps", bad});
        EXPECT_EQ(wrong.status, CaptureParse::Status::Error) << bad;
        EXPECT_NE(wrong.message.find("--fps"), std::string::npos) << wrong.message;
    }
}

TEST(CaptureOptions, MotionBlurShutterAndResumeAreChecked)
{
    CaptureParse parsed = parse({"--motion-blur", "256", "--shutter", "360", "--resume", "--out", "shots"});
    ASSERT_EQ(parsed.status, CaptureParse::Status::Run) << parsed.message;
    EXPECT_EQ(parsed.options.motionBlur, 256);
    EXPECT_TRUE(parsed.options.resume);
    EXPECT_DOUBLE_EQ(parse({}).options.shutter, 180.0);
    for (auto bad : {std::vector<const char*>{"--motion-blur", "0"},
                     {"--motion-blur", "257"},
                     {"--shutter", "0"},
                     {"--shutter", "361"},
                     {"--resume"},
                     {"--resume", "--out", "a.mkv"}}) {
        bad.insert(bad.begin(), "vantrel-capture");
        CaptureParse wrong = parseCaptureOptions(static_cast<int>(bad.size()), bad.data());
        EXPECT_EQ(wrong.status, CaptureParse::Status::Error) << bad[1];
    }
}

// The open part of the interval starts at the frame's time; a full shutter
// gives the times of a capture at N times the rate, bit for bit.
TEST(CaptureTimes, SubFramesSpreadOverTheOpenPartOfTheInterval)
{
    CaptureOptions blurred;
    blurred.fps = FrameRate(60000, 1001);
    blurred.from = 3.5;
    blurred.motionBlur = 8;
    blurred.shutter = 360;
    CaptureOptions fast = blurred;
    fast.fps = FrameRate(480000, 1001);
    fast.motionBlur = 1;
    for (long frame : {0L, 1L, 7919L})
        for (int sub = 0; sub < 8; ++sub)
            EXPECT_EQ(compositionTime(blurred, frame, sub), compositionTime(fast, frame * 8 + sub, 0));
    EXPECT_DOUBLE_EQ(blurred.frameTime(), fast.frameTime());

    blurred.shutter = 90; // open for the first quarter: [t, t + 1 / (4 fps))
    const double t = compositionTime(blurred, 100, 0);
    const double interval = 1001.0 / 60000.0;
    EXPECT_DOUBLE_EQ(t, 3.5 + 100 * interval);
    EXPECT_NEAR(compositionTime(blurred, 100, 7) - t, 7.0 / 8.0 * interval / 4.0, 1e-12);
    blurred.at = {12.0};
    EXPECT_EQ(compositionTime(blurred, 0, 0), 12.0);
    EXPECT_NEAR(compositionTime(blurred, 0, 4), 12.0 + interval / 8.0, 1e-12);
}

TEST(CaptureOptions, VideoEncodingOptionsAreChecked)
{
    CaptureOptions defaults = parse({"--out", "a.mp4"}).options;
    EXPECT_EQ(defaults.crf, 20);
    EXPECT_EQ(defaults.preset, "superfast");
    EXPECT_FALSE(defaults.fullRange || defaults.lossless || defaults.silent);
    EXPECT_EQ(defaults.yuvOn, YuvOn::Automatic);
    EXPECT_EQ(parse({"--out", "a.mp4", "--yuv-on", "cpu"}).options.yuvOn, YuvOn::Cpu);
    EXPECT_EQ(parse({"--out", "a.mp4", "--yuv-on", "gpu"}).options.yuvOn, YuvOn::Gpu);
    CaptureParse tuned = parse({"--out", "a.mp4", "--crf", "0", "--preset", "veryslow", "--color", "full-range"});
    ASSERT_EQ(tuned.status, CaptureParse::Status::Run) << tuned.message;
    EXPECT_EQ(tuned.options.crf, 0);
    EXPECT_TRUE(tuned.options.fullRange);
    EXPECT_EQ(parse({"--out", "m.MKV", "--lossless", "--silent"}).status, CaptureParse::Status::Run);
    for (auto bad : {std::vector<const char*>{"--crf", "52"},
                     {"--crf", "-1"},
                     {"--crf", "2.5"},
                     {"--preset", "quick"},
                     {"--color", "full"},
                     {"--yuv-on", "opengl"},
                     {"--lossless", "--out", "m.mp4"},
                     {"--lossless", "--out", "shots"},
                     {"--lossless", "--crf", "10", "--out", "m.mkv"},
                     {"--lossless", "--yuv-on", "gpu", "--out", "m.mkv"},
                     {"--silent", "--out", "shots"}}) {
        bad.insert(bad.begin(), "vantrel-capture");
        if (std::string(bad[1]) != "--lossless" && std::string(bad[1]) != "--silent") {
            bad.push_back("--out");
            bad.push_back("a.mp4");
        }
        CaptureParse wrong = parseCaptureOptions(static_cast<int>(bad.size()), bad.data());
        EXPECT_EQ(wrong.status, CaptureParse::Status::Error) << bad[1] << " " << bad[2];
        EXPECT_NE(wrong.message.find(bad[1]), std::string::npos) << wrong.message;
    }
    EXPECT_EQ(parse({"--crf", "10", "--out", "shots"}).status, CaptureParse::Status::Error) << "a folder has no crf";
}

// Sizes past any GL limit are named with the limit; the queue shrinks for
// huge frames, and frames beyond the machine's memory are refused up front.
TEST(FrameBudget, SizesAndMemoryAreBoundedBeforeAllocating)
{
    const GlLimits limits{16384, 8192, 16384, 16384};
    EXPECT_EQ(sizeProblem(8192, 4320, limits), "");
    EXPECT_NE(sizeProblem(8193, 100, limits).find("GL_MAX_TEXTURE_SIZE"), std::string::npos);
    EXPECT_NE(sizeProblem(100, 9000, {8192, 16384, 16384, 16384}).find("GL_MAX_RENDERBUFFER_SIZE"), std::string::npos);
    EXPECT_NE(sizeProblem(5000, 100, {16384, 16384, 4096, 4096}).find("GL_MAX_VIEWPORT_DIMS"), std::string::npos);

    const uint64_t gib = uint64_t{1} << 30;
    EXPECT_EQ(planFrameMemory(1920, 1080, false, 3, 24 * gib).slots, 3);
    FrameMemory huge = planFrameMemory(16384, 16384, false, 3, 24 * gib); // 768 MiB a frame
    EXPECT_EQ(huge.slots, 1);
    EXPECT_EQ(huge.problem, "");
    FrameMemory blurred = planFrameMemory(16384, 16384, true, 3, 16 * gib); // 11.5 GiB
    EXPECT_NE(blurred.problem.find("--size 16384x16384 with motion blur needs about"), std::string::npos)
        << blurred.problem;
    EXPECT_NE(planFrameMemory(3840, 2160, false, 3, gib / 4).problem, "");
}
