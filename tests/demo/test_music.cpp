// The music stream: decoding, seeking, the real-time clock and the spectrum
// scale, checked against MP3 files encoded here from known signals.
#include "demo/Music.h"

#include <gtest/gtest.h>

#include <functional>
#include <lame/lame.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <thread>

using namespace Vantrel;

namespace {

constexpr double kBinHz = double(kSampleRate) / kFftSize;

// Appends a sine at the centre of FFT bin `bin` to a stereo track.
void appendSine(PcmTrack& t, int bin, double amplitude, double seconds)
{
    const int64_t n = static_cast<int64_t>(seconds * kSampleRate);
    const int64_t offset = t.frames();
    for (int64_t i = 0; i < n; ++i) {
        double v = amplitude * std::sin(2.0 * std::numbers::pi * bin * kBinHz * double(offset + i) / kSampleRate);
        auto s = static_cast<int16_t>(std::lround(v * 32767.0));
        t.samples.push_back(s);
        t.samples.push_back(s);
    }
}

void appendSilence(PcmTrack& t, double seconds)
{
    t.samples.resize(t.samples.size() + 2 * static_cast<size_t>(seconds * kSampleRate), 0);
}

// Encodes with the LAME tag written, so the decoder trims encoder delay and
// padding and the decoded length equals the input length.
std::string writeMp3(const PcmTrack& t, const std::string& name)
{
    lame_global_flags* gf = lame_init();
    lame_set_in_samplerate(gf, kSampleRate);
    lame_set_num_channels(gf, 2);
    lame_set_VBR(gf, vbr_default);
    lame_set_VBR_quality(gf, 2.0f);
    lame_set_write_id3tag_automatic(gf, 0);
    EXPECT_EQ(lame_init_params(gf), 0);
    std::vector<unsigned char> mp3;
    std::vector<unsigned char> buffer(1 << 20);
    const int frames = static_cast<int>(t.frames());
    int n = lame_encode_buffer_interleaved(gf, const_cast<short*>(t.samples.data()), frames, buffer.data(),
                                           static_cast<int>(buffer.size()));
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + std::max(n, 0));
    n = lame_encode_flush(gf, buffer.data(), static_cast<int>(buffer.size()));
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + std::max(n, 0));
    size_t tag = lame_get_lametag_frame(gf, buffer.data(), buffer.size());
    std::copy_n(buffer.begin(), std::min(tag, mp3.size()), mp3.begin());
    lame_close(gf);

    // Per process: ctest runs the tests of a suite in parallel processes.
    std::string path = testing::TempDir() + std::to_string(getpid()) + "_" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    std::fwrite(mp3.data(), 1, mp3.size(), f);
    std::fclose(f);
    return path;
}

int peakBin(const float* s)
{
    return static_cast<int>(std::max_element(s, s + kSpectrumBins) - s);
}

// 1 s at bin 12 (about 1034 Hz), 1 s at bin 40 (about 3445 Hz), 1 s of silence.
class MusicFile : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        PcmTrack t;
        appendSine(t, 12, 0.5, 1.0);
        appendSine(t, 40, 0.5, 1.0);
        appendSilence(t, 1.0);
        path = new std::string(writeMp3(t, "vantrel_music_test.mp3"));
    }
    static void TearDownTestSuite()
    {
        std::remove(path->c_str());
        delete path;
    }
    static std::string* path;
};
std::string* MusicFile::path = nullptr;

} // namespace

TEST(SpectrumAnalyzer, FullScaleBinCentreSineReadsOne)
{
    PcmTrack t;
    appendSine(t, 20, 1.0, 0.1);
    SpectrumAnalyzer a;
    float s[kSpectrumBins];
    a.analyze(t, 1000, s);
    EXPECT_EQ(peakBin(s), 20);
    EXPECT_NEAR(s[20], 1.0f, 0.01f);
    // The Hann window leaks into the neighbours at half the level and no further.
    EXPECT_NEAR(s[19], 0.5f, 0.01f);
    EXPECT_LT(s[17], 0.01f);

    // Frames before the start and after the end are silence.
    a.analyze(t, -kFftSize, s);
    EXPECT_EQ(*std::max_element(s, s + kSpectrumBins), 0.0f);
    a.analyze(t, t.frames(), s);
    EXPECT_EQ(*std::max_element(s, s + kSpectrumBins), 0.0f);
    // Half the window inside the track still finds the tone.
    a.analyze(t, t.frames() - kFftSize / 2, s);
    EXPECT_EQ(peakBin(s), 20);
}

TEST_F(MusicFile, DecodesToExactLengthAndKnownSpectrum)
{
    PcmTrack t;
    ASSERT_TRUE(decodeMp3(*path, t));
    EXPECT_EQ(t.frames(), 3 * kSampleRate);
    EXPECT_NEAR(t.lengthSeconds(), 3.0f, 1e-6f);

    SpectrumAnalyzer a;
    float s[kSpectrumBins];
    a.analyze(t, kSampleRate / 2, s);
    EXPECT_EQ(peakBin(s), 12);
    EXPECT_NEAR(s[12], 0.5f, 0.05f);
    a.analyze(t, kSampleRate * 3 / 2, s);
    EXPECT_EQ(peakBin(s), 40);
    EXPECT_NEAR(s[40], 0.5f, 0.05f);
    a.analyze(t, kSampleRate * 5 / 2, s);
    EXPECT_LT(*std::max_element(s, s + kSpectrumBins), 0.01f);
}

TEST_F(MusicFile, SeeksByBytePositionAndReportsWhatIsHeard)
{
    Music m;
    ASSERT_TRUE(m.init());
    ASSERT_TRUE(m.open(*path));
    EXPECT_EQ(m.positionSeconds(), 0.0f);

    m.setBytePosition(kBytesPerSecond * 3 / 2);
    EXPECT_FLOAT_EQ(m.positionSeconds(), 1.5f);
    // A byte offset inside a frame rounds down to the frame.
    m.setBytePosition(kBytesPerSecond + 3);
    EXPECT_FLOAT_EQ(m.positionSeconds(), 1.0f);

    // The live spectrum is the analyser's at the heard position.
    m.setBytePosition(kBytesPerSecond * 3 / 2);
    float live[kSpectrumBins];
    float offline[kSpectrumBins];
    m.spectrum(live);
    SpectrumAnalyzer a;
    a.analyze(m.track(), kSampleRate * 3 / 2, offline);
    for (int k = 0; k < kSpectrumBins; ++k)
        ASSERT_EQ(live[k], offline[k]) << "bin " << k;
    EXPECT_FALSE(m.finished());

    // Past the end the position stays at the track length.
    m.setBytePosition(kBytesPerSecond * 10);
    EXPECT_FLOAT_EQ(m.positionSeconds(), 3.0f);
    EXPECT_TRUE(m.finished());
}

TEST_F(MusicFile, ClockAdvancesInRealTimeAndStopsAtTheEnd)
{
    // Polled with generous deadlines: the audio thread may be slow on a busy machine.
    auto waitFor = [](const std::function<bool()>& done) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return done();
    };
    Music m;
    ASSERT_TRUE(m.init());
    ASSERT_TRUE(m.open(*path));
    ASSERT_TRUE(m.play());
    auto start = std::chrono::steady_clock::now();
    m.setBytePosition(0);
    ASSERT_TRUE(waitFor([&] { return m.positionSeconds() > 0.15f; }));
    float t = m.positionSeconds();
    float elapsed = std::chrono::duration<float>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(t, elapsed + 0.1f); // never ahead of real time
    EXPECT_GE(m.positionSeconds(), t);

    m.setBytePosition(static_cast<uint32_t>(kBytesPerSecond * 2.8));
    ASSERT_TRUE(waitFor([&] { return m.finished(); }));
    EXPECT_FLOAT_EQ(m.positionSeconds(), 3.0f);
}

TEST(Music, MissingOrUndecodableFileLeavesNoStream)
{
    Music m;
    ASSERT_TRUE(m.init());
    EXPECT_FALSE(m.open(testing::TempDir() + "no_such_music.mp3"));
    EXPECT_FALSE(m.play());
    EXPECT_EQ(m.positionSeconds(), 0.0f);
    EXPECT_FALSE(m.finished());
    float s[kSpectrumBins];
    std::fill(s, s + kSpectrumBins, 7.0f);
    m.spectrum(s);
    EXPECT_EQ(s[0], 7.0f);

    std::string text = testing::TempDir() + "not_music.mp3";
    FILE* f = std::fopen(text.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    for (int i = 0; i < 200; ++i)
        std::fputs("this is a text file, not an MPEG audio stream\n", f);
    std::fclose(f);
    EXPECT_FALSE(m.open(text));
    EXPECT_FALSE(m.play());
    EXPECT_EQ(m.problem().rfind(text + ": ", 0), 0u) << m.problem();
    std::remove(text.c_str());

    // A pipe with no writer would block the decoder's open for ever.
    std::string pipe = testing::TempDir() + "pipe_music.mp3";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(m.open(pipe));
    EXPECT_EQ(m.problem(), "cannot open file '" + pipe + "': it is a pipe");
    std::remove(pipe.c_str());
}
