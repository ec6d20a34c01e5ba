// vantrel-capture run as a program, from a temporary run directory whose
// data/ and vantrel_data/ link to the build's. Tests that need the demo's
// data skip while it is not there; the error paths run regardless.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "tests/support/TestContext.h"
#include "tests/tools/test_capture_probe.h"

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

RunResult runCapture(const std::string& dir, const std::string& args)
{
    std::string command = "cd '" + dir + "' && '" + (kRunDir / "vantrel-capture").string() + "' " + args +
                          " > capture.log 2>&1";
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

} // namespace

TEST(CaptureRun, ReportsUsageAndSetupErrors)
{
    std::string empty = TestSupport::makeTempDir("capture-nodata");
    // 2 for a bad command line, 1 for anything that stops a good one.
    RunResult noData = runCapture(empty, "--quiet");
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
