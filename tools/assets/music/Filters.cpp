// The state-variable filter after Zavalishin's trapezoidal integration: the
// cutoff may change every sample without the filter blowing up.
#include "tools/assets/music/Filters.h"

#include <algorithm>
#include <cmath>

namespace Assets {

Svf::Out Svf::process(float in, float cutoffHz, float resonance)
{
    if (cutoffHz != lastHz) {
        lastHz = cutoffHz;
        g = std::tan(3.14159265f * std::clamp(cutoffHz, 10.0f, 20000.0f) / 44100.0f);
    }
    const float k = 2.0f - 2.0f * std::clamp(resonance, 0.0f, 0.98f);
    const float a1 = 1.0f / (1.0f + g * (g + k));
    const float a2 = g * a1;
    const float a3 = g * a2;
    const float v3 = in - ic2;
    const float v1 = a1 * ic1 + a2 * v3;
    const float v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0f * v1 - ic1;
    ic2 = 2.0f * v2 - ic2;
    return {v2, v1, in - k * v1 - v2};
}

OnePole::OnePole(float cutoffHz) : coefficient(1.0f - std::exp(-6.28318531f * cutoffHz / 44100.0f))
{
}

} // namespace Assets
