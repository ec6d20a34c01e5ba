// Band-limited oscillators: the polyBLEP correction smooths each jump of the
// naive waveform over one sample on either side, which removes most aliasing
// at the pitches the piece uses.
#include "tools/assets/music/Oscillators.h"

#include <cmath>

namespace Assets {

namespace {

float polyBlep(float t, float dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

} // namespace

float Saw::next(float hz)
{
    float t = phasor.next(hz);
    return 2.0f * t - 1.0f - polyBlep(t, phasor.increment());
}

float Square::next(float hz, float width)
{
    float t = phasor.next(hz);
    float dt = phasor.increment();
    float v = t < width ? 1.0f : -1.0f;
    v += polyBlep(t, dt);
    float shifted = t + (1.0f - width);
    if (shifted >= 1.0f)
        shifted -= 1.0f;
    v -= polyBlep(shifted, dt);
    return v;
}

float Sine::next(float hz)
{
    return std::sin(6.28318531f * phasor.next(hz));
}

float Noise::next()
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<float>(state) * (2.0f / 4294967296.0f) - 1.0f;
}

} // namespace Assets
