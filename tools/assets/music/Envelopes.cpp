// Adsr shape: the release starts from the level reached at the gate, so short
// notes whose gate closes during the attack or decay fall away without a jump.
#include "tools/assets/music/Envelopes.h"

namespace Assets {

namespace {

float held(const Adsr& e, float t)
{
    if (t < e.attack)
        return t / e.attack;
    return e.sustain + (1.0f - e.sustain) * std::exp(-(t - e.attack) / e.decay);
}

} // namespace

float Adsr::at(float t, float gate) const
{
    if (t < 0.0f)
        return 0.0f;
    if (t < gate)
        return held(*this, t);
    return held(*this, gate) * std::exp(-(t - gate) / release);
}

} // namespace Assets
