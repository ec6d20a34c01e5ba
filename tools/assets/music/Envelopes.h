// Envelopes, evaluated per sample from the time since the note started, so a
// note can be rendered from any point without running state.
#pragma once

#include <cmath>

namespace Assets {

// Linear attack, exponential decay to `sustain`, exponential release after
// `gate` seconds. Times in seconds.
struct Adsr {
    float attack = 0.005f;
    float decay = 0.2f; // time constant of the fall to sustain
    float sustain = 1.0f;
    float release = 0.1f; // time constant after the gate closes

    float at(float t, float gate) const;
};

// Instant attack (with a short ramp against clicks) and exponential decay.
inline float percussive(float t, float decay, float ramp = 0.0015f)
{
    if (t < 0.0f)
        return 0.0f;
    float a = t < ramp ? t / ramp : 1.0f;
    return a * std::exp(-t / decay);
}

} // namespace Assets
