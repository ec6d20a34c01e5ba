// Oscillators: band-limited saw and square (polyBLEP), sine, and a
// deterministic white-noise source (xorshift, fixed seed per voice).
#pragma once

#include <cstdint>

namespace Assets {

class Phasor {
public:
    explicit Phasor(float startPhase = 0.0f) : phase(startPhase) {}
    // Returns the phase in [0, 1) before advancing by hz.
    float next(float hz)
    {
        step = hz / 44100.0f;
        float p = phase;
        phase += step;
        if (phase >= 1.0f)
            phase -= 1.0f;
        return p;
    }
    float increment() const { return step; }

private:
    float phase;
    float step = 0.0f;
};

class Saw {
public:
    explicit Saw(float startPhase = 0.0f) : phasor(startPhase) {}
    float next(float hz);

private:
    Phasor phasor;
};

class Square {
public:
    explicit Square(float startPhase = 0.0f) : phasor(startPhase) {}
    float next(float hz, float width = 0.5f);

private:
    Phasor phasor;
};

class Sine {
public:
    explicit Sine(float startPhase = 0.0f) : phasor(startPhase) {}
    float next(float hz);

private:
    Phasor phasor;
};

class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed ? seed : 0x9e3779b9u) {}
    float next(); // uniform in [-1, 1)

private:
    uint32_t state;
};

} // namespace Assets
