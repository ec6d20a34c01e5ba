// The mixer: renders a Score into buses, applies the send effect and the
// kick-driven ducking, sums, fades the tail and limits the master.
//
//   Mix mix = mixScore(score, range);     // range: the frames to render
//   std::vector<int16_t> pcm = master(mix, settings);
#pragma once

#include "tools/assets/music/Sequencer.h"

#include <cstdint>
#include <vector>

namespace Assets {

struct FrameRange {
    int64_t from = 0, to = 0; // absolute frames, [from, to)
};

struct Mix {
    StereoBuffer drums; // drums and risers, not ducked
    StereoBuffer music; // everything tonal, ducked under the kick
};

Mix mixScore(const Score& score, FrameRange range);

struct MasterSettings {
    float gain = 1.0f;
    float ceiling = 0.74f; // sample-peak limit, about -2.6 dBFS
    int64_t fadeFrom = 0;  // absolute frame where the tail fade starts
    int64_t fadeTo = 0;    // and where it reaches silence
};

// Sums the buses, fades, limits and converts to interleaved 16-bit stereo.
std::vector<int16_t> master(Mix& mix, const MasterSettings& settings);

// Look-ahead peak limiter over a stereo pair of buffers, in place: no sample
// leaves it above `ceiling`.
void limit(std::vector<float>& left, std::vector<float>& right, float ceiling);

} // namespace Assets
