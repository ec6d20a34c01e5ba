// The real demo under Xvfb with frame dumps: on a screen without an 800 x 600
// mode the picture fills the screen like a capture of that size, an ordinary
// window of another aspect shows it between black bars, and stderr stays empty.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "demo/Letterbox.h"
#include "frontend/ImageLoader.h"
#include "tests/support/TestContext.h"

namespace fs = std::filesystem;

namespace {

const fs::path kRunDir = VANTREL_RUN_DIR;
const fs::path kSession = fs::path(VANTREL_SOURCE_DIR) / "tests" / "e2e" / "dump_session.sh";

bool haveDemo()
{
    return fs::exists(kRunDir / "vantrel") && fs::exists(kRunDir / "data" / "music.mp3") &&
           std::system("command -v xvfb-run xdotool > /dev/null") == 0;
}

std::string makeRunDir(const char* tag)
{
    fs::path dir = TestSupport::makeTempDir(tag);
    for (const char* folder : {"data", "vantrel_data"})
        fs::create_directory_symlink(kRunDir / folder, dir / folder);
    return dir.string();
}

int runIn(const std::string& dir, const std::string& command)
{
    int raw = std::system(("cd '" + dir + "' && " + command).c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Plays the demo on a screen of the given size with `options`, holding F10; returns its run directory.
std::string playWithDumps(const char* tag, const std::string& screen, const std::string& options)
{
    std::string dir = makeRunDir(tag);
    std::string command = "xvfb-run -a -s '-screen 0 " + screen + "x24' '" + kSession.string() + "' '" +
                          (kRunDir / "vantrel").string() + "' " + options + " > session.log 2>&1";
    EXPECT_EQ(runIn(dir, command), 0) << "see " << dir << "/session.log";
    return dir;
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Mean absolute difference per channel over a rectangle (rows bottom first).
double meanDifference(const FrontendExt::ImageLoader& a, const FrontendExt::ImageLoader& b, Vantrel::PixelRect r)
{
    double sum = 0.0;
    for (int y = r.y; y < r.y + r.height; y++) {
        for (int x = r.x * 3; x < (r.x + r.width) * 3; x++) {
            size_t i = static_cast<size_t>(y) * a.width() * 3 + x;
            sum += std::abs(int(a.data()[i]) - int(b.data()[i]));
        }
    }
    return sum / (3.0 * r.width * r.height);
}

// The last dump of a session, which must have said nothing on stderr.
FrontendExt::ImageLoader lastDump(const std::string& dir)
{
    EXPECT_EQ(fileText(dir + "/demo.err"), "");
    return FrontendExt::ImageLoader(FrontendExt::File(dir + "/dump3.png", "rb"));
}

double brightest(const FrontendExt::ImageLoader& image, Vantrel::PixelRect r)
{
    int most = 0;
    for (int y = r.y; y < r.y + r.height; y++)
        for (int x = r.x * 3; x < (r.x + r.width) * 3; x++)
            most = std::max(most, int(image.data()[static_cast<size_t>(y) * image.width() * 3 + x]));
    return most;
}

} // namespace

TEST(ScreenFill, OnA1024x768ServerTheDumpIsTheWholeScreenLikeACaptureOfThatSize)
{
    if (!haveDemo())
        GTEST_SKIP() << "needs the built demo with its data, xvfb-run and xdotool";
    std::string dir = playWithDumps("fill", "1024x768", "");
    FrontendExt::ImageLoader dump = lastDump(dir);
    ASSERT_EQ(dump.width(), 1024);
    ASSERT_EQ(dump.height(), 768);

    // The moment of the dump is not known exactly. The music clock runs in real
    // time from about 0 at the first dump, so the last one came roughly as long
    // after it as their files were written apart: take the closest of captures
    // a 20th of a second apart up to a while past that.
    auto written = [&](const char* name) { return fs::last_write_time(dir + "/" + name); };
    double after = std::chrono::duration<double>(written("dump3.png") - written("dump0.png")).count();
    std::string times;
    for (int i = 1; i <= static_cast<int>((after + 1.5) / 0.05); i++)
        times += (i > 1 ? "," : "") + std::to_string(i * 0.05);
    ASSERT_EQ(runIn(dir, "'" + (kRunDir / "vantrel-capture").string() + "' --quiet --size 1024x768 --at " + times +
                             " --out shots > capture.log 2>&1"),
              0);
    const Vantrel::PixelRect whole{0, 0, 1024, 768};
    const Vantrel::PixelRect rightStrip{800, 0, 224, 768};
    const Vantrel::PixelRect topBand{0, 600, 1024, 168};
    double best = std::numeric_limits<double>::max();
    double bestStrip = 0.0;
    double bestBand = 0.0;
    for (const auto& shot : fs::directory_iterator(dir + "/shots")) {
        FrontendExt::ImageLoader capture(FrontendExt::File(shot.path().string(), "rb"));
        double difference = meanDifference(dump, capture, whole);
        if (difference < best) {
            best = difference;
            bestStrip = meanDifference(dump, capture, rightStrip);
            bestBand = meanDifference(dump, capture, topBand);
        }
    }
    EXPECT_LT(best, 10.0) << "the last dump came " << after << " s after the first";
    EXPECT_LT(bestStrip, 14.0) << "the right strip is not the picture";
    EXPECT_LT(bestBand, 14.0) << "the top band is not the picture";
    if (!HasFailure())
        fs::remove_all(dir);
}

TEST(ScreenFill, AWindowOfAnotherAspectShowsThePictureCentredBetweenBlackBars)
{
    if (!haveDemo())
        GTEST_SKIP() << "needs the built demo with its data, xvfb-run and xdotool";
    std::string dir = playWithDumps("bars", "1024x768", "--windowed --size 640x360");
    FrontendExt::ImageLoader dump = lastDump(dir);
    ASSERT_EQ(dump.width(), 640);
    ASSERT_EQ(dump.height(), 360);
    Vantrel::PixelRect picture = Vantrel::fitInside(640, 360, 800, 600);
    EXPECT_EQ(brightest(dump, {0, 0, picture.x, 360}), 0);
    EXPECT_EQ(brightest(dump, {picture.x + picture.width, 0, 640 - picture.x - picture.width, 360}), 0);
    EXPECT_GT(brightest(dump, {picture.x, 0, 8, 360}), 0) << "the picture starts right after the left bar";
    EXPECT_GT(brightest(dump, {picture.x + picture.width - 8, 0, 8, 360}), 0);
    if (!HasFailure())
        fs::remove_all(dir);
}
