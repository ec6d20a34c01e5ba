// Level measurements of a finished mix: integrated loudness after the
// K-weighting and gating of the broadcast loudness recommendation (an
// approximation: biquads designed for 44.1 kHz), and a 4x-oversampled
// true-peak estimate.
#pragma once

#include <cstdint>
#include <vector>

namespace Assets {

struct Levels {
    double lufs = -100.0;       // integrated, gated
    double truePeakDb = -100.0; // dBFS, 4x oversampled
    double samplePeakDb = -100.0;
};

// `stereo`: interleaved 16-bit samples at 44.1 kHz.
Levels measureLevels(const std::vector<int16_t>& stereo);

} // namespace Assets
