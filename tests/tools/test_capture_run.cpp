// vantrel-capture run as a program, from a temporary run directory whose
// data/ and vantrel_data/ link to the build's. Tests that need the demo's
// data skip while it is not there; the error paths run regardless.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "demo/Music.h"
#include "frontend/File.h"
#include "frontend/ImageLoader.h"
#include "frontend/Texture.h"
#include "tests/support/TestContext.h"
#include "tests/tools/test_capture_probe.h"
#include "tools/capture/FrameSink.h"

namespace fs = std::filesystem;

namespace {

const fs::path kRunDir = VANTREL_RUN_DIR;

bool haveDemoData()
{
    return fs::exists(kRunDir / "data" / "music.mp3") && fs::is_directory(kRunDir / "vantrel_data");
}

// A run directory: links to the real data, or empty folders when `linkData` is false.
std::string makeRunDir(const char* tag, bool linkData)
{
    fs::path dir = TestSupport::makeTempDir(tag);
    for (const char* folder : {"data", "vantrel_data"}) {
        if (linkData)
            fs::create_directory_symlink(kRunDir / folder, dir / folder);
        else
            fs::create_directory(dir / folder);
    }
    return dir.string();
}

struct RunResult {
    int status;
    std::string output;
};

RunResult runCapture(const std::string& dir, const std::string& args,
                     const fs::path& tool = kRunDir / "vantrel-capture")
{
    std::string command = "cd '" + dir + "' && '" + tool.string() + "' " + args + " > capture.log 2>&1";
    int raw = std::system(command.c_str());
    std::ifstream log(dir + "/capture.log");
    std::string output((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, output};
}

std::string fileBytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// A captured PNG as RGB rows, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;

    explicit Picture(const fs::path& path)
    {
        FrontendExt::ImageLoader image{FrontendExt::File(path.string().c_str(), "rb")};
        width = image.width();
        height = image.height();
        const int channels = image.format() == Frontend::kFormatRGBA ? 4 : 3;
        rgb.resize(static_cast<std::size_t>(width) * height * 3);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c)
                    rgb[(static_cast<std::size_t>(y) * width + x) * 3 + c] =
                        image.data()[(static_cast<std::size_t>(height - 1 - y) * width + x) * channels + c];
    }
    int at(int x, int y, int c) const { return rgb[(static_cast<std::size_t>(y) * width + x) * 3 + c]; }
    // Rows [top, top + rows) and columns [left, left + columns) equal those of `other` from (0, 0).
    bool regionEquals(const Picture& other, int left, int top) const
    {
        for (int y = 0; y < other.height; ++y)
            for (int x = 0; x < other.width; ++x)
                for (int c = 0; c < 3; ++c)
                    if (at(left + x, top + y, c) != other.at(x, y, c))
                        return false;
        return true;
    }
};

// Mean absolute difference per channel of `fine` box-filtered by `factor` against `coarse`.
double meanDifferenceAfterBoxFilter(const Picture& fine, const Picture& coarse, int factor)
{
    double total = 0.0;
    for (int y = 0; y < coarse.height; ++y)
        for (int x = 0; x < coarse.width; ++x)
            for (int c = 0; c < 3; ++c) {
                double sum = 0.0;
                for (int j = 0; j < factor; ++j)
                    for (int i = 0; i < factor; ++i)
                        sum += fine.at(x * factor + i, y * factor + j, c);
                total += std::abs(sum / (factor * factor) - coarse.at(x, y, c));
            }
    return total / (static_cast<double>(coarse.width) * coarse.height * 3);
}

// Mean magnitude of the 4-neighbour Laplacian of the luminance: fine detail.
double highFrequencyEnergy(const Picture& picture)
{
    auto luma = [&](int x, int y) {
        return 0.299 * picture.at(x, y, 0) + 0.587 * picture.at(x, y, 1) + 0.114 * picture.at(x, y, 2);
    };
    double total = 0.0;
    for (int y = 1; y + 1 < picture.height; ++y)
        for (int x = 1; x + 1 < picture.width; ++x)
            total += std::abs(4 * luma(x, y) - luma(x - 1, y) - luma(x + 1, y) - luma(x, y - 1) - luma(x, y + 1));
    return total / (static_cast<double>(picture.width - 2) * (picture.height - 2));
}

} // namespace

TEST(CaptureRun, ReportsUsageAndSetupErrors)
{
    std::string empty = TestSupport::makeTempDir("capture-nodata");
    // 2 for a bad command line, 1 for anything that stops a good one. A copy of
    // the tool, so that no data/ lies beside it either.
    fs::copy_file(kRunDir / "vantrel-capture", fs::path(empty) / "vantrel-capture");
    RunResult noData = runCapture(empty, "--quiet", fs::path(empty) / "vantrel-capture");
    EXPECT_EQ(noData.status, 1);
    EXPECT_NE(noData.output.find("vantrel-capture: no data/ folder"), std::string::npos) << noData.output;

    RunResult badOption = runCapture(empty, "--fps 0");
    EXPECT_EQ(badOption.status, 2);
    EXPECT_NE(badOption.output.find("--fps"), std::string::npos) << badOption.output;

    // The output is checked before anything is loaded, so empty data folders do.
    std::string dir = makeRunDir("capture-unwritable", false);
    std::ofstream(dir + "/taken") << "x";
    RunResult unwritable = runCapture(dir, "--out taken/frames --quiet");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.output.find("taken/frames"), std::string::npos) << unwritable.output;
}

TEST(CaptureRun, AnInterruptStopsBetweenFramesWithStatus130)
{
    if (!haveDemoData())
        GTEST_SKIP() << "no demo data in " << kRunDir;
    std::string dir = makeRunDir("capture-interrupt", true);
    const std::string tool = (kRunDir / "vantrel-capture").string();
    const std::string log = dir + "/capture.log";
    // Started directly, not through a shell, whose background jobs ignore Ctrl+C.
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) == 0 && std::freopen(log.c_str(), "w", stderr))
            execl(tool.c_str(), tool.c_str(), "--size", "64x48", "--quiet", static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    // Ctrl+C at any point after start-up: the whole demo cannot be rendered in that time.
    sleep(4);
    kill(pid, SIGINT);
    int raw = 0;
    waitpid(pid, &raw, 0);
    const std::string output = fileBytes(log);
    EXPECT_TRUE(WIFEXITED(raw)) << output;
    EXPECT_EQ(WEXITSTATUS(raw), 130) << output;
    EXPECT_NE(output.find("vantrel-capture: interrupted after"), std::string::npos) << output;
}

// Two runs over one --at list: identical pictures, and the stats name the
// entry the demo's own rule picks (none on a span boundary or past the last span).
TEST(CaptureRun, AtListIsRepeatableAndBoundariesComposeNothing)
{
    if (!haveDemoData())
        GTEST_SKIP() << "no demo data in " << kRunDir;
    const std::string at = "--at 1,4.4171777,230,20,4.4171777 --size 160x120 --quiet";
    std::string dir = makeRunDir("capture-at", true);
    RunResult first = runCapture(dir, at + " --out a --stats a.json");
    ASSERT_EQ(first.status, 0) << first.output;
    RunResult second = runCapture(dir, at + " --out b");
    ASSERT_EQ(second.status, 0) << second.output;

    for (int i = 0; i < 5; ++i) {
        std::string name = "frame_00000" + std::to_string(i) + ".png";
        std::string a = fileBytes(fs::path(dir) / "a" / name);
        ASSERT_FALSE(a.empty()) << name;
        EXPECT_EQ(a, fileBytes(fs::path(dir) / "b" / name)) << name;
    }
    EXPECT_FALSE(fs::exists(fs::path(dir) / "a" / "frame_000005.png"));

    nlohmann::json stats = nlohmann::json::parse(fileBytes(fs::path(dir) / "a.json"));
    const nlohmann::json& frames = stats["frames"];
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_TRUE(frames[2]["activeEntry"].is_null()) << "230 s lies past every span";
    for (const nlohmann::json& frame : frames) {
        auto t = static_cast<float>(frame["time"].get<double>());
        int expected = -1;
        for (const nlohmann::json& entry : stats["entries"])
            if (entry["start"].get<float>() < t && t < entry["end"].get<float>())
                expected = entry["entry"].get<int>();
        if (expected < 0)
            EXPECT_TRUE(frame["activeEntry"].is_null()) << "at " << t;
        else
            EXPECT_EQ(frame["activeEntry"], expected) << "at " << t;
    }
}

TEST(CaptureRun, ShortVideoHasItsFramesAndSound)
{
    if (!haveDemoData())
        GTEST_SKIP() << "no demo data in " << kRunDir;
    std::string dir = makeRunDir("capture-film", true);
    RunResult run = runCapture(dir, "--from 0 --to 1 --fps 10 --size 160x120 --out film.mp4");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("film.mp4"), std::string::npos) << run.output;

    CaptureTest::MediaInfo info = CaptureTest::probeMedia(dir + "/film.mp4");
    ASSERT_TRUE(info.opened);
    EXPECT_EQ(info.videoFrames, 10);
    EXPECT_EQ(info.width, 160);
    EXPECT_EQ(info.height, 120);
    EXPECT_TRUE(info.hasAudio);
    EXPECT_NEAR(info.audioSeconds, 1.0, 0.03);
}

// One time inside each timeline entry, from the first scene to the last.
const char* const kOneFramePerEntry = "--at 2,10,20,40,60,80,110,135,150,180";

// Per scene: scale 2 box-filtered down matches scale 1 (the same look), and
// on a 1600x1200 output it has clearly more fine detail than scale 1 enlarged.
TEST(CaptureRun, ScaleTwoIsTheSamePictureWithMoreDetail)
{
    if (!haveDemoData())
        GTEST_SKIP() << "no demo data in " << kRunDir;
    std::string dir = makeRunDir("capture-scale", true);
    for (const char* run : {"--size 800x600 --scale 1 --out one", "--size 1600x1200 --scale 1 --out enlarged",
                            "--size 1600x1200 --scale 2 --out two"}) {
        RunResult result = runCapture(dir, std::string(kOneFramePerEntry) + " --quiet " + run);
        ASSERT_EQ(result.status, 0) << result.output;
    }
    double ratioSum = 0.0;
    for (int i = 0; i < 10; ++i) {
        std::string name = "frame_00000" + std::to_string(i) + ".png";
        Picture one(fs::path(dir) / "one" / name);
        Picture enlarged(fs::path(dir) / "enlarged" / name);
        Picture two(fs::path(dir) / "two" / name);
        // Measured: 0.7 to 3.3 of 255 per channel (glows and edges are computed
        // on finer pictures); a pass that ignores the scale moves it past 5.
        EXPECT_LT(meanDifferenceAfterBoxFilter(two, one, 2), 5.0) << name;
        // Measured: 1.03 times (depth of field over most of the frame) to 1.6 times.
        const double ratio = highFrequencyEnergy(two) / highFrequencyEnergy(enlarged);
        EXPECT_GT(ratio, 1.0) << name;
        ratioSum += ratio;
    }
    EXPECT_GT(ratioSum / 10.0, 1.2) << "measured 1.30";
}

// 640x360 is 16:9: bars keep the 4:3 picture whole between black columns
// 80 pixels wide, crop fills the width and cuts equally at top and bottom.
TEST(CaptureRun, WideOutputsKeepThePicturesAspect)
{
    if (!haveDemoData())
        GTEST_SKIP() << "no demo data in " << kRunDir;
    std::string dir = makeRunDir("capture-aspect", true);
    const std::string at = "--at 60,150 --scale 0.5 --quiet ";
    for (const char* run : {"--size 640x360 --out bars", "--size 640x360 --fit crop --out crop",
                            "--size 480x360 --out narrow", "--size 640x480 --out tall"}) {
        RunResult result = runCapture(dir, at + run);
        ASSERT_EQ(result.status, 0) << result.output;
    }
    for (const char* name : {"frame_000000.png", "frame_000001.png"}) {
        Picture bars(fs::path(dir) / "bars" / name);
        Picture crop(fs::path(dir) / "crop" / name);
        Picture narrow(fs::path(dir) / "narrow" / name);
        Picture tall(fs::path(dir) / "tall" / name);
        bool barsBlack = true;
        for (int y = 0; y < 360; ++y)
            for (int x : {0, 79, 560, 639})
                for (int c = 0; c < 3; ++c)
                    barsBlack = barsBlack && bars.at(x, y, c) == 0;
        EXPECT_TRUE(barsBlack) << name;
        EXPECT_TRUE(bars.regionEquals(narrow, 80, 0)) << name << ": the picture between the bars is the 4:3 one";
        Picture middle = tall;
        middle.height = 360;
        middle.rgb.assign(tall.rgb.begin() + 60 * 640 * 3, tall.rgb.begin() + 420 * 640 * 3);
        EXPECT_TRUE(crop.regionEquals(middle, 0, 0)) << name << ": crop is the middle of the 4:3 picture";
    }
}

// [10, 11) and [11, 12) as Matroska pieces, joined by FFmpeg's concat demuxer,
// give the frames and the sound of one capture over [10, 12), sample for sample.
TEST(CaptureRun, PiecesJoinIntoOneSeamlessFilm)
{
    if (!haveDemoData())
        GTEST_SKIP() << "no demo data in " << kRunDir;
    std::string dir = makeRunDir("capture-pieces", true);
    for (const char* run : {"--from 10 --to 11 --out piece0.mkv", "--from 11 --to 12 --out piece1.mkv",
                            "--from 10 --to 12 --out whole.mkv"}) {
        RunResult result = runCapture(dir, std::string(run) + " --fps 10 --size 160x120 --quiet");
        ASSERT_EQ(result.status, 0) << result.output;
    }
    std::ofstream(dir + "/pieces.txt") << "ffconcat version 1.0\nfile piece0.mkv\nfile piece1.mkv\n";
    CaptureTest::MediaInfo joined = CaptureTest::probeMedia(dir + "/pieces.txt");
    CaptureTest::MediaInfo whole = CaptureTest::probeMedia(dir + "/whole.mkv");
    ASSERT_TRUE(joined.opened && whole.opened);
    EXPECT_EQ(whole.videoFrames, 20);
    EXPECT_EQ(joined.videoFrames, whole.videoFrames);
    EXPECT_DOUBLE_EQ(whole.audioSeconds, 2.0);
    EXPECT_DOUBLE_EQ(joined.audioSeconds, whole.audioSeconds);
}

// SIGTERM while the demo is still loading: nothing rendered, no video left behind.
TEST(CaptureRun, StoppedBeforeTheFirstFrameLeavesNoVideo)
{
    if (!haveDemoData())
        GTEST_SKIP() << "no demo data in " << kRunDir;
    std::string dir = makeRunDir("capture-stopped", true);
    std::string command = "cd '" + dir + "' && { '" + (kRunDir / "vantrel-capture").string() +
                          "' --from 0 --to 5 --fps 10 --size 160x120 --out v.mp4 > capture.log 2>&1 & "
                          "sleep 0.5; kill -TERM $!; wait $!; }";
    int raw = std::system(command.c_str());
    std::ifstream log(dir + "/capture.log");
    RunResult run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1,
                  std::string((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>())};
    EXPECT_EQ(run.status, 130) << run.output;
    EXPECT_NE(run.output.find("nothing written"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(fs::path(dir) / "v.mp4"));
}

namespace {

std::string PngName(int i)
{
    return Capture::PngSequenceSink::frameName(i);
}

double linearLight(int code)
{
    double c = code / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

int srgbCode(double v)
{
    double s = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
    return static_cast<int>(std::floor(s * 255.0 + 0.5));
}

// Largest difference of `blurred` from the linear-light mean of `frames`.
int worstDifferenceFromMean(const Picture& blurred, const std::vector<Picture>& frames)
{
    int worst = 0;
    for (std::size_t i = 0; i < blurred.rgb.size(); ++i) {
        double sum = 0.0;
        for (const Picture& frame : frames)
            sum += linearLight(frame.rgb[i]);
        worst = std::max(worst, std::abs(srgbCode(sum / frames.size()) - blurred.rgb[i]));
    }
    return worst;
}

} // namespace

// Skate at 185 s moves (its bubbles rise). 8 sub-frames over a full shutter at
// 10 fps are the frames of an 80 fps capture, each with its own clock and
// spectrum; N = 1 is today's path; a shutter too short for float demo time to
// move is a still moment, where averaging must not change a level.
TEST(CaptureRun, MotionBlurIsTheLinearMeanOfItsSubFrames)
{
    if (!haveDemoData())
        GTEST_SKIP() << "no demo data in " << kRunDir;
    std::string dir = makeRunDir("capture-blur", true);
    const std::string span = " --from 185 --to 185.1 --size 160x120 --quiet";
    for (const std::string run : {"--fps 80 --out fast", "--fps 10 --motion-blur 8 --shutter 360 --out blur8",
                                  "--fps 10 --out plain", "--fps 10 --motion-blur 1 --shutter 90 --out blur1",
                                  "--fps 1 --motion-blur 8 --shutter 0.0001 --out still8"}) {
        RunResult result = runCapture(dir, run + span);
        ASSERT_EQ(result.status, 0) << run << ": " << result.output;
    }
    const fs::path root(dir);
    EXPECT_EQ(fileBytes(root / "plain/frame_000000.png"), fileBytes(root / "blur1/frame_000000.png"));

    std::vector<Picture> subFrames;
    for (int i = 0; i < 8; ++i)
        subFrames.emplace_back(root / "fast" / PngName(i));
    Picture blurred(root / "blur8/frame_000000.png");
    EXPECT_LE(worstDifferenceFromMean(blurred, subFrames), 1);
    EXPECT_NE(subFrames[0].rgb, subFrames[7].rgb) << "the scene must move for this to test anything";

    EXPECT_LE(
        worstDifferenceFromMean(Picture(root / "still8/frame_000000.png"), {Picture(root / "plain/frame_000000.png")}),
        0);
}

// A PNG capture killed outright in the middle, then resumed, leaves the same
// folder as one uninterrupted run (Flowerball carries random numbers and beat
// state from frame to frame, so the kept frames must still be composed).
TEST(CaptureRun, ResumeAfterSigkillGivesTheUninterruptedFolder)
{
    if (!haveDemoData())
        GTEST_SKIP() << "no demo data in " << kRunDir;
    std::string dir = makeRunDir("capture-resume", true);
    const std::string args = "--from 30 --to 32 --fps 20 --size 160x120 --quiet --out ";
    ASSERT_EQ(runCapture(dir, args + "whole").status, 0);
    const std::string command = "cd '" + dir + "' && { '" + (kRunDir / "vantrel-capture").string() + "' " + args +
                                "cut > /dev/null 2>&1 & n=0; while [ ! -e cut/" + PngName(10) +
                                " ] && [ $n -lt 600 ]; do sleep 0.05; n=$((n + 1)); done; kill -KILL $!; wait $!; }";
    std::system(command.c_str());
    long before = std::distance(fs::directory_iterator(fs::path(dir) / "cut"), fs::directory_iterator{});
    ASSERT_LT(before, 40) << "the run ended before it was killed";
    RunResult resumed = runCapture(dir, args + "cut --resume");
    ASSERT_EQ(resumed.status, 0) << resumed.output;
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(fileBytes(fs::path(dir) / "whole" / PngName(i)), fileBytes(fs::path(dir) / "cut" / PngName(i)))
            << PngName(i);
    EXPECT_FALSE(fs::exists(fs::path(dir) / "cut" / PngName(40)));
}

TEST(CaptureRun, FractionalRateIsTheVideosTimeBase)
{
    if (!haveDemoData())
        GTEST_SKIP() << "no demo data in " << kRunDir;
    std::string dir = makeRunDir("capture-ntsc", true);
    ASSERT_EQ(runCapture(dir, "--fps 60000/1001 --from 0 --to 0.1 --size 160x120 --quiet --out v.mp4").status, 0);
    CaptureTest::MediaInfo info = CaptureTest::probeMedia(dir + "/v.mp4");
    EXPECT_EQ(info.videoFrames, 6); // 0.1 s * 59.94 = 5.994
    std::string probe = "cd '" + dir +
                        "' && ffprobe -v error -select_streams v -show_entries stream=r_frame_rate "
                        "-of csv=p=0 v.mp4 > rate.txt 2>&1";
    if (std::system(probe.c_str()) != 0)
        GTEST_SKIP() << "no ffprobe";
    EXPECT_EQ(fileBytes(fs::path(dir) / "rate.txt"), "60000/1001\n");
}

// A video killed outright leaves only its partial name, never a film without
// an index under the name asked for nor an older film there; no stats either.
TEST(CaptureRun, SigkillLeavesNoFileUnderTheFinalName)
{
    if (!haveDemoData())
        GTEST_SKIP() << "no demo data in " << kRunDir;
    std::string dir = makeRunDir("capture-kill", true);
    std::ofstream(dir + "/v.mp4") << "an older film";
    const std::string command = "cd '" + dir + "' && { '" + (kRunDir / "vantrel-capture").string() +
                                "' --from 80 --to 90 --fps 10 --size 160x120 --quiet --stats s.json --out v.mp4 "
                                "> /dev/null 2>&1 & n=0; while [ $(stat -c %s v.partial.mp4 2>/dev/null || echo 0) "
                                "-lt 20000 ] && [ $n -lt 600 ]; do sleep 0.05; n=$((n + 1)); done; kill -KILL $!; "
                                "wait $!; }";
    std::system(command.c_str());
    EXPECT_TRUE(fs::exists(fs::path(dir) / "v.partial.mp4"));
    EXPECT_FALSE(fs::exists(fs::path(dir) / "v.mp4"));
    EXPECT_FALSE(fs::exists(fs::path(dir) / "s.json"));
}

// The lossless master of a span decodes to the PNG frames of the same span.
TEST(CaptureRun, LosslessMasterEqualsThePngFrames)
{
    if (!haveDemoData())
        GTEST_SKIP() << "no demo data in " << kRunDir;
    std::string dir = makeRunDir("capture-master", true);
    const std::string span = "--from 134 --to 134.25 --fps 10 --size 160x120 --quiet ";
    ASSERT_EQ(runCapture(dir, span + "--out shots").status, 0);
    RunResult master = runCapture(dir, span + "--lossless --out m.mkv");
    ASSERT_EQ(master.status, 0) << master.output;
    std::vector<std::vector<unsigned char>> frames = CaptureTest::decodeRgbFrames(dir + "/m.mkv", 160, 120);
    ASSERT_EQ(frames.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(frames[i], Picture(fs::path(dir) / "shots" / PngName(i)).rgb) << i;
    EXPECT_TRUE(CaptureTest::probeMedia(dir + "/m.mkv").hasAudio);
}

namespace {

// Every sample of every decoded picture, Y then U then V, frame after frame.
std::vector<int> decodedSamples(const std::string& path)
{
    std::vector<int> samples;
    CaptureTest::decodeStream(path, AVMEDIA_TYPE_VIDEO, [&](const AVFrame* frame) {
        for (int plane = 0; plane < 3; ++plane) {
            const int shift = plane == 0 ? 0 : 1;
            for (int y = 0; y < frame->height >> shift; ++y)
                for (int x = 0; x < frame->width >> shift; ++x)
                    samples.push_back(frame->data[plane][y * frame->linesize[plane] + x]);
        }
    });
    return samples;
}

} // namespace

// The GPU's YUV is swscale's conversion but for rounding: decoded from
// lossless H.264, no sample is more than one level off, at BT.601 and
// BT.709, limited and full range, from the back buffer and from the blur.
TEST(CaptureRun, GpuYuvEqualsTheCpuConversionWithinOneLevel)
{
    if (!haveDemoData())
        GTEST_SKIP() << "no demo data in " << kRunDir;
    std::string dir = makeRunDir("capture-yuv", true);
    for (const char* options : {"--size 160x120", "--size 128x580 --fit crop --color full-range --motion-blur 2"}) {
        const std::string span = std::string("--from 134 --to 134.2 --fps 10 --crf 0 --silent --quiet ") + options;
        ASSERT_EQ(runCapture(dir, span + " --yuv-on gpu --out gpu.mp4").status, 0) << options;
        ASSERT_EQ(runCapture(dir, span + " --yuv-on cpu --out cpu.mp4").status, 0) << options;
        std::vector<int> gpu = decodedSamples(dir + "/gpu.mp4");
        std::vector<int> cpu = decodedSamples(dir + "/cpu.mp4");
        ASSERT_EQ(gpu.size(), cpu.size()) << options;
        ASSERT_GT(gpu.size(), 0u) << options;
        long off = 0;
        int worst = 0;
        for (std::size_t i = 0; i < gpu.size(); ++i) {
            worst = std::max(worst, std::abs(gpu[i] - cpu[i]));
            off += gpu[i] != cpu[i];
        }
        EXPECT_LE(worst, 1) << options;
        EXPECT_LT(off, static_cast<long>(gpu.size() / 10)) << options << ": " << off << " samples differ";
    }
}

namespace {

// The lag, in samples within +-`range`, at which `captured` best matches `music` from `start`.
long bestLag(const std::vector<float>& captured, const std::vector<int16_t>& music, long start, long range)
{
    long best = 0;
    double bestScore = -1e300;
    const long length = std::min<long>(static_cast<long>(captured.size()) - range, 8192);
    for (long lag = -range; lag <= range; ++lag) {
        double score = 0.0;
        for (long i = range; i < length; ++i)
            score += captured[static_cast<std::size_t>(i)] * music[static_cast<std::size_t>((start + i + lag) * 2)];
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}

} // namespace

// The film's sound over [a, b) is the music from a: lag 0 within 1 ms, for an
// .mp4 once the decoder drops the encoder delay the file signals, and for an .mkv.
TEST(CaptureRun, SoundIsInStepWithTheMusic)
{
    if (!haveDemoData())
        GTEST_SKIP() << "no demo data in " << kRunDir;
    Vantrel::PcmTrack music;
    ASSERT_TRUE(Vantrel::decodeMp3((kRunDir / "data" / "music.mp3").string(), music));
    std::string dir = makeRunDir("capture-sync", true);
    for (const char* name : {"s.mp4", "s.mkv"}) {
        ASSERT_EQ(runCapture(dir, std::string("--from 20 --to 21 --fps 10 --size 64x48 --quiet --out ") + name).status,
                  0);
        std::vector<float> sound = CaptureTest::decodeLeftChannel(dir + "/" + name);
        ASSERT_GT(sound.size(), 20000u) << name;
        EXPECT_LE(std::abs(bestLag(sound, music.samples, 20L * Vantrel::kSampleRate, 2048)), 44) << name;
    }
}
