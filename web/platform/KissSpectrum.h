// The spectrum's transform for the web build, on kissfft's header-only C++
// template (Debian's libkissfft-dev; FFTW does not build with emscripten).
// Same definition as the desktop's SpectrumAnalyzer (demo/Music.h): 512
// samples of the mono mix, periodic Hann window, magnitudes scaled so that a
// full-scale sine at a bin centre reads 1.0. Header-only so that a native test
// can hold it against the desktop's FFTW transform.
#pragma once

#include <kissfft/kissfft.hh>

#include <cmath>
#include <complex>
#include <numbers>

#include "demo/Music.h"

namespace Vantrel::Web {

class KissSpectrum {
public:
    // Double precision inside: the 256-point transform is cheap, and the
    // result then differs from FFTW's single-precision one by FFTW's rounding only.
    KissSpectrum() : fft(kFftSize / 2, false)
    {
        double sum = 0.0;
        for (int i = 0; i < kFftSize; ++i) {
            window[i] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / kFftSize);
            sum += window[i];
        }
        scale = 2.0 / sum;
    }

    // `mono` holds kFftSize samples of the mono mix in [-1, 1].
    void analyze(const float* mono, float out[kSpectrumBins])
    {
        for (int i = 0; i < kFftSize; ++i)
            input[i] = mono[i] * window[i];
        fft.transform_real(input, output);
        // transform_real packs bin N/2 into bin 0's imaginary part; bins 0 to 255 are wanted.
        out[0] = static_cast<float>(std::abs(output[0].real()) * scale);
        for (int k = 1; k < kSpectrumBins; ++k)
            out[k] = static_cast<float>(std::abs(output[k]) * scale);
    }

private:
    kissfft<double> fft;
    double window[kFftSize];
    double input[kFftSize];
    std::complex<double> output[kFftSize / 2];
    double scale = 0.0;
};

} // namespace Vantrel::Web
