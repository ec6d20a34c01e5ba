// The web build's spectrum (web/platform/KissSpectrum.h, kissfft) against the
// desktop's (SpectrumAnalyzer, FFTW) on the same sample windows: tones on and
// between bin centres, noise, the track's edges and the production's music.
// Both are single-precision results of one definition; they may differ by
// rounding only. Tolerance: 1e-6 absolute per bin (magnitudes reach about 1;
// measured at most 6e-8 on the production's music).
#include "demo/Music.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>

#include "web/platform/KissSpectrum.h"

using namespace Vantrel;

namespace {

constexpr float kTolerance = 1e-6f;

// The mono mix the desktop analyses, as the page hands it over.
void mixWindow(const PcmTrack& t, int64_t frame, float* mono)
{
    for (int i = 0; i < kFftSize; ++i) {
        const int64_t f = frame + i;
        mono[i] = f >= 0 && f < t.frames() ? (float(t.samples[2 * f]) + float(t.samples[2 * f + 1])) * (0.5f / 32768.0f)
                                           : 0.0f;
    }
}

// Largest per-bin difference over the windows starting at `frames`.
float largestDifference(const PcmTrack& t, const std::vector<int64_t>& frames)
{
    SpectrumAnalyzer desktop;
    Web::KissSpectrum web;
    float mono[kFftSize], a[kSpectrumBins], b[kSpectrumBins];
    float worst = 0.0f;
    for (int64_t frame : frames) {
        desktop.analyze(t, frame, a);
        mixWindow(t, frame, mono);
        web.analyze(mono, b);
        for (int k = 0; k < kSpectrumBins; ++k)
            worst = std::max(worst, std::abs(a[k] - b[k]));
    }
    return worst;
}

} // namespace

TEST(WebSpectrum, EqualsTheDesktopsOnTonesNoiseAndEdges)
{
    // Left: a full-scale tone at bin 20 then one between bins 57 and 58;
    // right: noise from a fixed generator. Two seconds.
    PcmTrack t;
    uint32_t seed = 12345;
    for (int64_t i = 0; i < 2 * kSampleRate; ++i) {
        const double bin = i < kSampleRate ? 20.0 : 57.5;
        const double tone = std::sin(2.0 * std::numbers::pi * bin * i / kFftSize);
        seed = seed * 1103515245u + 12345u;
        t.samples.push_back(static_cast<int16_t>(std::lround(tone * 32767.0)));
        t.samples.push_back(static_cast<int16_t>(static_cast<int32_t>(seed >> 16) - 32768));
    }
    std::vector<int64_t> frames{-kFftSize,        -100,      0, 1000, kSampleRate - 256, kSampleRate + 777,
                                t.frames() - 300, t.frames()};
    EXPECT_LE(largestDifference(t, frames), kTolerance);

    // The web transform reads a centred full-scale tone as 1.0, like the desktop's.
    PcmTrack pure;
    for (int i = 0; i < kFftSize; ++i) {
        auto v = static_cast<int16_t>(std::lround(32767.0 * std::sin(2.0 * std::numbers::pi * 20 * i / kFftSize)));
        pure.samples.insert(pure.samples.end(), {v, v});
    }
    float mono[kFftSize], out[kSpectrumBins];
    mixWindow(pure, 0, mono);
    Web::KissSpectrum().analyze(mono, out);
    EXPECT_NEAR(out[20], 1.0f, 1e-3f);
    EXPECT_NEAR(out[19], 0.5f, 1e-3f);
}

TEST(WebSpectrum, EqualsTheDesktopsOnTheProductionsMusic)
{
    const std::string path = std::string(VANTREL_RUN_DIR) + "/data/music.mp3";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << path << " is not built";
    PcmTrack music;
    ASSERT_TRUE(decodeMp3(path, music));
    std::vector<int64_t> frames;
    for (int64_t frame = 0; frame < music.frames(); frame += music.frames() / 97)
        frames.push_back(frame);
    EXPECT_LE(largestDifference(music, frames), kTolerance);
}
