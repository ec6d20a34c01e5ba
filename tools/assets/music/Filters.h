// Filters: a state-variable filter (topology-preserving transform, stable under
// fast cutoff sweeps) with low, band and high outputs, and one-pole sections.
#pragma once

namespace Assets {

class Svf {
public:
    struct Out {
        float low, band, high;
    };
    // resonance: 0 (none) .. about 0.95 (close to self-oscillation)
    Out process(float in, float cutoffHz, float resonance);
    float lowpass(float in, float cutoffHz, float resonance) { return process(in, cutoffHz, resonance).low; }
    float highpass(float in, float cutoffHz, float resonance) { return process(in, cutoffHz, resonance).high; }
    float bandpass(float in, float cutoffHz, float resonance) { return process(in, cutoffHz, resonance).band; }

private:
    float ic1 = 0.0f, ic2 = 0.0f;
    float lastHz = -1.0f, g = 0.0f; // tan() only when the cutoff moves
};

class OnePole {
public:
    explicit OnePole(float cutoffHz);
    float lowpass(float in)
    {
        state += coefficient * (in - state);
        return state;
    }
    float highpass(float in) { return in - lowpass(in); }

private:
    float coefficient;
    float state = 0.0f;
};

} // namespace Assets
