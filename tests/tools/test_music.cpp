// The production's music, checked from the decoded MP3 the way the demo hears
// it: length, levels, kicks on the beat grid, the spectrum triggers the scenes
// use, and byte-for-byte repeatable renders.
#include "demo/Music.h"
#include "tools/assets/music/Loudness.h"
#include "tools/assets/music/Mp3Encoder.h"
#include "tools/assets/music/Song.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr double kTempo = 163.0;

double beatToSeconds(double beat)
{
    return beat * 60.0 / kTempo;
}

// The scenes' trigger: fires when the value exceeds 0.3 and is re-armed once
// it drops below, simulated at 60 frames per second from `clockOffset` seconds.
std::vector<double> triggerTimes(const Vantrel::PcmTrack& track, int band, double clockOffset = 0.0)
{
    Vantrel::SpectrumAnalyzer analyzer;
    float spectrum[Vantrel::kSpectrumBins];
    std::vector<double> fires;
    float level = 0.0f;
    const int frames = static_cast<int>((track.lengthSeconds() - clockOffset) * 60.0);
    for (int i = 0; i < frames; ++i) {
        const double t = clockOffset + i / 60.0;
        analyzer.analyze(track, static_cast<int64_t>(t * Vantrel::kSampleRate), spectrum);
        const bool above = spectrum[band] > 0.3f;
        if (level <= 0.0f && above) {
            fires.push_back(t);
            level = 0.15f;
        } else if (!above) {
            level = 0.0f;
        }
        level -= 1.0f / 60.0f;
    }
    return fires;
}

struct TriggerMatch {
    int kicksWithoutFire = 0, kicksWithSeveral = 0, firesAwayFromKicks = 0;
};

// A fire belongs to a kick when it comes at most 100 ms after it (the
// analysis window starts at the frame, so it can also see a kick 11 ms early).
TriggerMatch matchTriggers(const std::vector<double>& fires, const std::vector<double>& kickBeats)
{
    TriggerMatch m;
    std::vector<int> perKick(kickBeats.size(), 0);
    for (double f : fires) {
        auto it = std::lower_bound(kickBeats.begin(), kickBeats.end(), f * kTempo / 60.0 + 0.04);
        const bool near = it != kickBeats.begin() && f - beatToSeconds(*(it - 1)) < 0.1;
        if (near)
            ++perKick[static_cast<size_t>(it - 1 - kickBeats.begin())];
        else
            ++m.firesAwayFromKicks;
    }
    for (int n : perKick) {
        m.kicksWithoutFire += n == 0;
        m.kicksWithSeveral += n > 1;
    }
    return m;
}

class ProductionMusic : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        rendered = new std::vector<int16_t>(Assets::renderMusic(0.0, Assets::musicSeconds()));
        const std::vector<unsigned char> mp3 = Assets::encodeMp3(*rendered);
        // A file of this process's own: ctest runs the tests of this suite in parallel processes.
        std::string path = testing::TempDir() + "vantrel_production_music_XXXXXX";
        const int fd = mkstemp(path.data());
        ASSERT_GE(fd, 0);
        FILE* f = fdopen(fd, "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(mp3.data(), 1, mp3.size(), f);
        std::fclose(f);
        decoded = new Vantrel::PcmTrack;
        const bool ok = Vantrel::decodeMp3(path, *decoded);
        std::remove(path.c_str());
        ASSERT_TRUE(ok);
        kicks = new std::vector<double>(Assets::kickBeats());
    }
    static void TearDownTestSuite()
    {
        delete rendered;
        delete decoded;
        delete kicks;
    }
    static std::vector<int16_t>* rendered;
    static Vantrel::PcmTrack* decoded;
    static std::vector<double>* kicks;
};
std::vector<int16_t>* ProductionMusic::rendered = nullptr;
Vantrel::PcmTrack* ProductionMusic::decoded = nullptr;
std::vector<double>* ProductionMusic::kicks = nullptr;

} // namespace

TEST_F(ProductionMusic, DecodesToTheFullLengthWithoutClipping)
{
    ASSERT_GT(decoded->frames(), 0);
    EXPECT_GE(decoded->lengthSeconds(), 241.0f);
    // The encoder's delay and padding are trimmed: decoded positions are rendered positions.
    EXPECT_EQ(decoded->samples.size(), rendered->size());

    const Assets::Levels levels = Assets::measureLevels(decoded->samples);
    EXPECT_LT(levels.truePeakDb, -1.0);
    EXPECT_NEAR(levels.lufs, -14.0, 1.0);
}

TEST_F(ProductionMusic, KicksFollowTheTimeline)
{
    ASSERT_FALSE(kicks->empty());
    EXPECT_GE(kicks->front(), 12.0); // the intro has none
    EXPECT_LE(kicks->back(), 556.0); // nor has the tail
    auto hasKick = [&](double beat) { return std::binary_search(kicks->begin(), kicks->end(), beat); };
    // breaks at the scene cuts and the build-up into beat 460
    for (double beat : {219.0, 235.0, 251.0, 267.0, 299.0, 331.0, 456.0, 457.0, 458.0, 459.0})
        EXPECT_FALSE(hasKick(beat)) << "beat " << beat;
    for (double beat : {12.0, 218.0, 220.0, 300.0, 455.0, 460.0, 555.0})
        EXPECT_TRUE(hasKick(beat)) << "beat " << beat;
}

TEST_F(ProductionMusic, KickOnsetsSitOnTheBeatGrid)
{
    // Onset: the first frame near the beat where the low-passed mix reaches
    // a third of its local peak.
    const int64_t frames = decoded->frames();
    std::vector<float> low(static_cast<size_t>(frames));
    float a = 0.0f, b = 0.0f;
    const float c = 1.0f - std::exp(-6.2831853f * 300.0f / Vantrel::kSampleRate);
    for (int64_t i = 0; i < frames; ++i) {
        const float mono = (decoded->samples[2 * i] + decoded->samples[2 * i + 1]) / 65536.0f;
        a += c * (mono - a);
        b += c * (a - b);
        low[static_cast<size_t>(i)] = std::fabs(b);
    }
    double worst = 0.0;
    for (double beat : *kicks) {
        const auto at = static_cast<int64_t>(beatToSeconds(beat) * Vantrel::kSampleRate);
        const int64_t from = std::max<int64_t>(0, at - 882), to = std::min(frames, at + 2205);
        const float peak = *std::max_element(low.begin() + from, low.begin() + to);
        int64_t onset = from;
        while (onset < to && low[static_cast<size_t>(onset)] < peak / 3.0f)
            ++onset;
        worst = std::max(worst, std::fabs(double(onset - at)) / Vantrel::kSampleRate);
    }
    EXPECT_LT(worst, 0.004) << "worst kick onset off the grid by " << worst * 1000 << " ms";
}

TEST_F(ProductionMusic, SpectrumTriggersFireOnKicksOnly)
{
    // Bands 0 (0-86 Hz) and 1 (86-172 Hz): exactly one trigger per kick and none in between.
    for (int band : {0, 1}) {
        const TriggerMatch m = matchTriggers(triggerTimes(*decoded, band), *kicks);
        EXPECT_EQ(m.kicksWithoutFire, 0) << "band " << band;
        EXPECT_EQ(m.kicksWithSeveral, 0) << "band " << band;
        EXPECT_EQ(m.firesAwayFromKicks, 0) << "band " << band;
    }
}

TEST_F(ProductionMusic, SpectrumTriggersDoNotDependOnTheFramePhase)
{
    // The demo's frames land anywhere relative to the beat: a kick must
    // trigger once however the video clock is shifted against the music.
    for (double shift : {0.25, 0.5, 0.75}) {
        for (int band : {0, 1}) {
            const TriggerMatch m = matchTriggers(triggerTimes(*decoded, band, shift / 60.0), *kicks);
            EXPECT_EQ(m.kicksWithoutFire + m.kicksWithSeveral + m.firesAwayFromKicks, 0)
                << "band " << band << ", clock shifted by " << shift << " frame: " << m.kicksWithoutFire
                << " kicks missed, " << m.kicksWithSeveral << " fired twice, " << m.firesAwayFromKicks
                << " fires between kicks";
        }
    }
}

TEST(ProductionMusicRender, RepeatsByteForByte)
{
    // An excerpt across a section boundary with a drum break (beats 219-220).
    const std::vector<int16_t> first = Assets::renderMusic(79.0, 83.0);
    const std::vector<int16_t> second = Assets::renderMusic(79.0, 83.0);
    ASSERT_EQ(first.size(), static_cast<size_t>(4 * Vantrel::kSampleRate * 2));
    EXPECT_TRUE(first == second);
    EXPECT_TRUE(Assets::encodeMp3(first) == Assets::encodeMp3(second));
    EXPECT_GT(*std::max_element(first.begin(), first.end()), 8000); // not silence
}
