// The frame sinks of vantrel-capture without GL: numbered PNGs that decode
// back to the same pixels, and a short film whose pictures and sound come
// back from FFmpeg with the right count, size and length.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "demo/Music.h"
#include "frontend/Error.h"
#include "frontend/File.h"
#include "frontend/ImageLoader.h"
#include "tests/support/TestContext.h"
#include "tests/tools/test_capture_probe.h"
#include "tools/capture/FrameSink.h"
#include "tools/capture/QueuedSink.h"
#include "tools/capture/VideoSink.h"

namespace fs = std::filesystem;
using namespace Capture;

namespace {

// A frame whose colour depends on the row, so a flipped or shifted image shows.
std::vector<unsigned char> gradient(int width, int height, int shade)
{
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = static_cast<unsigned char>(y * 255 / (height - 1));
            p[1] = static_cast<unsigned char>(x * 255 / (width - 1));
            p[2] = static_cast<unsigned char>(shade);
        }
    return rgb;
}

Vantrel::PcmTrack sineTrack(double seconds)
{
    Vantrel::PcmTrack track;
    long frames = std::lround(seconds * Vantrel::kSampleRate);
    for (long i = 0; i < frames; ++i) {
        double phase = 2 * M_PI * 440.0 * static_cast<double>(i) / Vantrel::kSampleRate;
        auto v = static_cast<int16_t>(16000 * std::sin(phase));
        track.samples.push_back(v);
        track.samples.push_back(v);
    }
    return track;
}

} // namespace

TEST(PngSequenceSink, WritesNumberedUprightPictures)
{
    std::string dir = TestSupport::makeTempDir("capture-png") + "/nested/shots"; // made when missing
    PngSequenceSink sink(dir, 6, 4);
    std::vector<unsigned char> first = gradient(6, 4, 10);
    sink.writeFrame(first.data());
    sink.writeFrame(gradient(6, 4, 200).data());
    sink.finish();

    EXPECT_EQ(PngSequenceSink::frameName(12), "frame_000012.png");
    ASSERT_TRUE(fs::exists(dir + "/frame_000001.png"));
    EXPECT_FALSE(fs::exists(dir + "/frame_000002.png"));
    FrontendExt::ImageLoader image{FrontendExt::File((dir + "/frame_000000.png").c_str(), "rb")};
    ASSERT_EQ(image.width(), 6);
    ASSERT_EQ(image.height(), 4);
    // The loader gives rows bottom first; the sink was handed them top first.
    const unsigned char* bottomRow = image.data();
    EXPECT_EQ(bottomRow[0], first[3 * 6 * 3]);
    EXPECT_EQ(bottomRow[2], 10);
}

TEST(PngSequenceSink, RefusesAPathItCannotWrite)
{
    std::string dir = TestSupport::makeTempDir("capture-bad");
    std::ofstream(dir + "/plain-file") << "x";
    EXPECT_THROW(PngSequenceSink(dir + "/plain-file", 4, 4), Frontend::Error);
    EXPECT_THROW(PngSequenceSink(dir + "/plain-file/below", 4, 4), Frontend::Error);
}

namespace {

std::string bytesOf(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// Fails on its third frame, as a full disk would.
class FailingSink : public FrameSink {
public:
    void writeFrame(const unsigned char*) override
    {
        if (++frames == 3)
            throw Frontend::Error("disk full");
    }
    void finish() override {}
    std::string describe() const override { return ""; }
    int frames = 0;
};

} // namespace

// More frames than slots, each overwritten right after it is handed over:
// the queued sink writes exactly the files a direct one does.
TEST(QueuedSink, WritesWhatTheSinkWritesDirectlyAndReportsItsFailures)
{
    std::string dir = TestSupport::makeTempDir("capture-queue");
    PngSequenceSink direct(dir + "/direct", 32, 24);
    QueuedSink queued(std::make_unique<PngSequenceSink>(dir + "/queued", 32, 24), 32, 24, 2);
    std::vector<unsigned char> frame;
    for (int i = 0; i < 9; ++i) {
        frame = gradient(32, 24, i * 25);
        direct.writeFrame(frame.data());
        queued.writeFrame(frame.data());
        std::fill(frame.begin(), frame.end(), 0);
    }
    queued.finish();
    EXPECT_EQ(queued.describe(), "9 frames in " + dir + "/queued/");
    for (int i = 0; i < 9; ++i) {
        std::string name = "/" + PngSequenceSink::frameName(i);
        EXPECT_EQ(bytesOf(dir + "/direct" + name), bytesOf(dir + "/queued" + name)) << name;
    }

    auto failing = std::make_unique<FailingSink>();
    QueuedSink broken(std::move(failing), 4, 4, 2);
    std::vector<unsigned char> small(4 * 4 * 3);
    EXPECT_THROW(
        {
            for (int i = 0; i < 10; ++i)
                broken.writeFrame(small.data());
            broken.finish();
        },
        Frontend::Error);
}

TEST(VideoSink, FilmHasEveryFrameAndSoundOfTheWholeSpan)
{
    std::string path = TestSupport::makeTempDir("capture-video") + "/film.mp4";
    // The track ends inside the span: the rest of the sound is silence, not missing.
    Vantrel::PcmTrack track = sineTrack(1.2);
    VideoSinkDesc desc;
    desc.path = path;
    desc.width = 160;
    desc.height = 120;
    desc.fpsNum = 10;
    desc.music = &track;
    desc.audioFrom = 0.5;
    desc.audioTo = 2.0;
    {
        VideoSink sink(desc);
        for (int i = 0; i < 15; ++i)
            sink.writeFrame(gradient(160, 120, i * 16).data());
        sink.finish();
        EXPECT_NE(sink.describe().find("15 frames"), std::string::npos) << sink.describe();
    }
    CaptureTest::MediaInfo info = CaptureTest::probeMedia(path);
    ASSERT_TRUE(info.opened);
    EXPECT_EQ(info.videoFrames, 15);
    EXPECT_EQ(info.width, 160);
    EXPECT_EQ(info.height, 120);
    ASSERT_TRUE(info.hasAudio);
    EXPECT_NEAR(info.audioSeconds, 1.5, 0.03);
    EXPECT_GT(info.peakSample, 0.3); // the sine made it through the sample conversion
}

TEST(VideoSink, SilentFilmAndMatroska)
{
    std::string path = TestSupport::makeTempDir("capture-mkv") + "/film.mkv";
    VideoSinkDesc desc;
    desc.path = path;
    desc.width = 64;
    desc.height = 48;
    desc.fpsNum = 24;
    VideoSink sink(desc);
    for (int i = 0; i < 5; ++i)
        sink.writeFrame(gradient(64, 48, i).data());
    sink.finish();
    CaptureTest::MediaInfo info = CaptureTest::probeMedia(path);
    ASSERT_TRUE(info.opened);
    EXPECT_EQ(info.videoFrames, 5);
    EXPECT_FALSE(info.hasAudio);
}

TEST(VideoSink, UnwritablePathFailsAtConstruction)
{
    VideoSinkDesc desc;
    desc.path = TestSupport::makeTempDir("capture-nodir") + "/missing/film.mp4";
    EXPECT_THROW(VideoSink{desc}, Frontend::Error);
}

TEST(VideoSink, RunCutShortEndsTheSoundWithTheLastPicture)
{
    std::string path = TestSupport::makeTempDir("capture-cut") + "/film.mp4";
    Vantrel::PcmTrack track = sineTrack(3.0);
    VideoSinkDesc desc;
    desc.path = path;
    desc.width = 32;
    desc.height = 32;
    desc.fpsNum = 10;
    desc.music = &track;
    desc.audioTo = 3.0;
    VideoSink sink(desc);
    for (int i = 0; i < 5; ++i)
        sink.writeFrame(gradient(32, 32, i).data());
    sink.finish();
    CaptureTest::MediaInfo info = CaptureTest::probeMedia(path);
    EXPECT_EQ(info.videoFrames, 5);
    EXPECT_NEAR(info.audioSeconds, 0.5, 0.03);
}

namespace {

// Pure patches side by side: black, white, red, green, blue, grey.
std::vector<unsigned char> patches(int width, int height)
{
    const unsigned char colours[6][3] = {{0, 0, 0},   {255, 255, 255}, {255, 0, 0},
                                         {0, 255, 0}, {0, 0, 255},     {128, 128, 128}};
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = colours[(i / 3 % width) * 6 / width][i % 3];
    return rgb;
}

// The first frame decoded by FFmpeg's own tools, as RGB, read by its tags.
std::vector<unsigned char> decodeFirstFrame(const std::string& path, int width, int height)
{
    std::string command = "ffmpeg -v error -i '" + path + "' -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null";
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    FILE* pipe = popen(command.c_str(), "r");
    std::size_t got = pipe ? std::fread(rgb.data(), 1, rgb.size(), pipe) : 0;
    if (pipe)
        pclose(pipe);
    rgb.resize(got);
    return rgb;
}

// Offsets of the top-level boxes of an MP4, by name.
long boxOffset(const std::string& path, const char* name)
{
    std::ifstream in(path, std::ios::binary);
    unsigned char head[8];
    for (long at = 0; in.read(reinterpret_cast<char*>(head), 8);) {
        if (std::memcmp(head + 4, name, 4) == 0)
            return at;
        unsigned long size = (unsigned long)head[0] << 24 | head[1] << 16 | head[2] << 8 | head[3];
        if (size < 8)
            return -1;
        at += static_cast<long>(size);
        in.seekg(at);
    }
    return -1;
}

} // namespace

// High definition is tagged and converted as BT.709, smaller pictures as
// BT.601, both limited range; the patches survive the trip within 3 levels
// only when the conversion and the tags agree. The index leads the file.
// Full range must reach the file as well as the tag: its black is luma 0, not 16.
TEST(VideoSink, ColourIsTaggedAsConvertedAndTheIndexComesFirst)
{
    struct Case {
        int width, height;
        AVColorSpace space;
        AVColorPrimaries primaries;
        bool fullRange;
    } cases[] = {{1920, 1080, AVCOL_SPC_BT709, AVCOL_PRI_BT709, false},
                 {640, 480, AVCOL_SPC_SMPTE170M, AVCOL_PRI_BT470BG, false},
                 {640, 480, AVCOL_SPC_SMPTE170M, AVCOL_PRI_BT470BG, true}};
    for (const Case& c : cases) {
        std::string path = TestSupport::makeTempDir("capture-colour") + "/film.mp4";
        VideoSinkDesc desc;
        desc.path = path;
        desc.width = c.width;
        desc.height = c.height;
        desc.fpsNum = 10;
        desc.fullRange = c.fullRange;
        std::vector<unsigned char> frame = patches(c.width, c.height);
        VideoSink sink(desc);
        sink.writeFrame(frame.data());
        sink.finish();
        CaptureTest::MediaInfo info = CaptureTest::probeMedia(path);
        EXPECT_EQ(info.colorSpace, c.space) << c.height;
        EXPECT_EQ(info.primaries, c.primaries) << c.height;
        EXPECT_EQ(info.transfer, c.height > 576 ? AVCOL_TRC_BT709 : AVCOL_TRC_SMPTE170M);
        EXPECT_EQ(info.range, c.fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG);
        EXPECT_EQ(CaptureTest::firstLumaSample(path, c.width / 24, c.height / 2), c.fullRange ? 0 : 16);
        long moov = boxOffset(path, "moov"), mdat = boxOffset(path, "mdat");
        EXPECT_TRUE(moov >= 0 && moov < mdat) << "moov at " << moov << ", mdat at " << mdat;
        std::vector<unsigned char> back = decodeFirstFrame(path, c.width, c.height);
        if (back.empty())
            continue; // no ffmpeg program: the tags above still hold
        ASSERT_EQ(back.size(), frame.size());
        // Patch centres only: chroma subsampling blurs the edges between them.
        int worst = 0;
        for (int p = 0; p < 6; ++p) {
            std::size_t at = (static_cast<std::size_t>(c.height / 2) * c.width + (2 * p + 1) * c.width / 12) * 3;
            for (int k = 0; k < 3; ++k)
                worst = std::max(worst, std::abs(int(back[at + k]) - int(frame[at + k])));
        }
        EXPECT_LE(worst, 3) << c.width << "x" << c.height;
    }
}

// The master's pictures decode to the very bytes handed in; until finish() the
// film exists only under its partial name, and an unfinished one not at all.
TEST(VideoSink, LosslessMasterDecodesExactlyAndIsNamedWhenWhole)
{
    std::string dir = TestSupport::makeTempDir("capture-lossless");
    VideoSinkDesc desc;
    desc.path = dir + "/master.mkv";
    desc.width = 96;
    desc.height = 64;
    desc.fpsNum = 10;
    desc.lossless = true;
    std::vector<std::vector<unsigned char>> frames = {gradient(96, 64, 7), patches(96, 64)};
    {
        VideoSink sink(desc);
        for (const std::vector<unsigned char>& frame : frames)
            sink.writeFrame(frame.data());
        EXPECT_EQ(sink.writingPath(), dir + "/master.partial.mkv");
        EXPECT_TRUE(fs::exists(sink.writingPath()));
        EXPECT_FALSE(fs::exists(desc.path));
        sink.finish();
    }
    EXPECT_FALSE(fs::exists(dir + "/master.partial.mkv"));
    EXPECT_EQ(CaptureTest::decodeRgbFrames(desc.path, 96, 64), frames);
    EXPECT_EQ(CaptureTest::probeMedia(desc.path).colorSpace, AVCOL_SPC_RGB);

    desc.path = dir + "/cut.mkv";
    {
        VideoSink(desc).writeFrame(frames[0].data());
    }
    EXPECT_FALSE(fs::exists(desc.path));
    EXPECT_FALSE(fs::exists(dir + "/cut.partial.mkv"));
}
