// K-weighting is a high shelf (+4 dB above about 1.7 kHz) followed by a
// high-pass near 38 Hz; mean square over 400 ms blocks with 75 % overlap,
// blocks below -70 LUFS and then those 10 LU below the ungated mean dropped.
#include "tools/assets/music/Loudness.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Assets {

namespace {

struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0.0, z2 = 0.0;
    double process(double x)
    {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

Biquad highShelf(double rate)
{
    const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
    const double k = std::tan(std::numbers::pi * f0 / rate);
    const double vh = std::pow(10.0, gainDb / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1.0 + k / q + k * k;
    return {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
            2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

Biquad highPass(double rate)
{
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    const double k = std::tan(std::numbers::pi * f0 / rate);
    const double a0 = 1.0 + k / q + k * k;
    return {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
}

double toDb(double amplitude)
{
    return amplitude > 0.0 ? 20.0 * std::log10(amplitude) : -100.0;
}

double integratedLoudness(const std::vector<int16_t>& s)
{
    const size_t frames = s.size() / 2;
    std::vector<double> power(frames);
    Biquad shelf[2] = {highShelf(44100), highShelf(44100)};
    Biquad hp[2] = {highPass(44100), highPass(44100)};
    for (size_t i = 0; i < frames; ++i) {
        double p = 0.0;
        for (int c = 0; c < 2; ++c) {
            const double y = hp[c].process(shelf[c].process(s[2 * i + c] / 32768.0));
            p += y * y;
        }
        power[i] = p;
    }
    const size_t block = 17640, hop = 4410; // 400 ms, 100 ms
    std::vector<double> blocks;
    for (size_t start = 0; start + block <= frames; start += hop) {
        double sum = 0.0;
        for (size_t i = start; i < start + block; ++i)
            sum += power[i];
        blocks.push_back(sum / block);
    }
    auto lufs = [](double meanSquare) { return -0.691 + 10.0 * std::log10(std::max(meanSquare, 1e-20)); };
    auto gatedMean = [&](double gate) {
        double sum = 0.0;
        size_t n = 0;
        for (double b : blocks)
            if (lufs(b) > gate) {
                sum += b;
                ++n;
            }
        return n ? sum / n : 0.0;
    };
    const double absolute = gatedMean(-70.0);
    return lufs(gatedMean(lufs(absolute) - 10.0));
}

// Windowed-sinc interpolation at three points between each pair of samples.
double truePeak(const std::vector<int16_t>& s)
{
    constexpr int taps = 8;
    double kernel[3][2 * taps];
    for (int phase = 1; phase <= 3; ++phase)
        for (int k = -taps + 1; k <= taps; ++k) {
            const double x = k - phase / 4.0;
            const double w = 0.5 + 0.5 * std::cos(std::numbers::pi * x / taps);
            kernel[phase - 1][k + taps - 1] = std::sin(std::numbers::pi * x) / (std::numbers::pi * x) * w;
        }
    const auto frames = static_cast<int64_t>(s.size() / 2);
    double peak = 0.0;
    for (int c = 0; c < 2; ++c)
        for (int64_t i = 0; i < frames; ++i) {
            peak = std::max(peak, std::fabs(s[2 * i + c] / 32768.0));
            if (i < taps || i + taps >= frames)
                continue;
            for (int phase = 0; phase < 3; ++phase) {
                double v = 0.0;
                for (int k = -taps + 1; k <= taps; ++k)
                    v += kernel[phase][k + taps - 1] * s[2 * (i + k) + c];
                peak = std::max(peak, std::fabs(v / 32768.0));
            }
        }
    return peak;
}

} // namespace

Levels measureLevels(const std::vector<int16_t>& stereo)
{
    Levels l;
    l.lufs = integratedLoudness(stereo);
    int peak = 0;
    for (int16_t v : stereo)
        peak = std::max(peak, std::abs(static_cast<int>(v)));
    l.samplePeakDb = toDb(peak / 32768.0);
    l.truePeakDb = toDb(truePeak(stereo));
    return l;
}

} // namespace Assets
