// Sample buffers and the musical clock of the piece.
//
// Everything is rendered offline into float buffers at 44.1 kHz. A buffer may
// cover only part of the piece (an excerpt): `origin` is the absolute frame of
// its first sample, and instruments write through `add`, which drops frames
// outside the buffer, so the same note code serves full renders and excerpts.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace Assets {

constexpr int kRate = 44100;
constexpr double kTempo = 163.0;

// Absolute frame of a (fractional) beat, on the same grid as the demo's
// timeline (beat * 60 / tempo seconds).
inline int64_t beatFrame(double beat)
{
    return static_cast<int64_t>(std::llround(beat * 60.0 / kTempo * kRate));
}

inline double beatSeconds(double beats)
{
    return beats * 60.0 / kTempo;
}

struct StereoBuffer {
    int64_t origin = 0;
    std::vector<float> left, right;

    StereoBuffer() = default;
    StereoBuffer(int64_t originFrame, int64_t frames)
        : origin(originFrame), left(static_cast<size_t>(frames), 0.0f), right(static_cast<size_t>(frames), 0.0f)
    {
    }
    int64_t frames() const { return static_cast<int64_t>(left.size()); }
    int64_t end() const { return origin + frames(); }
    bool overlaps(int64_t from, int64_t to) const { return to > origin && from < end(); }

    void add(int64_t frame, float l, float r)
    {
        int64_t i = frame - origin;
        if (i >= 0 && i < frames()) {
            left[static_cast<size_t>(i)] += l;
            right[static_cast<size_t>(i)] += r;
        }
    }
};

// Constant-power pan: -1 left, 0 centre, 1 right.
struct Pan {
    float left, right;
    explicit Pan(float position)
    {
        const float a = (position + 1.0f) * 0.25f * 3.14159265f;
        left = std::cos(a) * 1.41421356f;
        right = std::sin(a) * 1.41421356f;
    }
};

inline float midiHz(double note)
{
    return static_cast<float>(440.0 * std::pow(2.0, (note - 69.0) / 12.0));
}

} // namespace Assets
