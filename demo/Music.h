// The music stream and the demo clock's source.
//
// libmpg123 decodes the whole MP3 into memory when the stream is created
// (exact positions, exact seeking), SDL2 audio plays it, and FFTW gives the
// spectrum of what is being heard. With no sound device SDL's dummy driver
// consumes samples in real time, so the clock runs without sound.
//
//   Vantrel::Music music;
//   if (!music.init()) ...                       // "BASS error"
//   if (!music.open("data/music.mp3")) ...       // "BASS error, file not found?"
//   if (!music.play()) ...                       // "BASS error, can not play stream?"
//   music.setBytePosition(0);
//   float t = music.positionSeconds();
//   music.spectrum(values256);
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace Vantrel {

constexpr int kSpectrumBins = 256;
constexpr int kFftSize = 512;
constexpr int kSampleRate = 44100;
constexpr int kBytesPerSecond = 176400; // 44100 Hz, 16-bit stereo

// Decoded PCM: interleaved 16-bit stereo at 44.1 kHz.
struct PcmTrack {
    std::vector<int16_t> samples; // left, right, left, right, ...
    int64_t frames() const { return static_cast<int64_t>(samples.size() / 2); }
    float lengthSeconds() const { return static_cast<float>(frames()) / kSampleRate; }
};

// Decodes an MP3 file to 44.1 kHz stereo. Returns false when the file cannot
// be read or holds no MP3 audio; `problem`, when given, then receives a line
// naming the file and the cause.
bool decodeMp3(const std::string& path, PcmTrack& out, std::string* problem = nullptr);

// The spectrum scale used everywhere (live, capture, tests): a mono mix of the
// 512 frames starting at `frame`, Hann window, FFT; magnitudes are scaled so that
// a full-scale sine at a bin centre reads 1.0. Frames outside the track count as silence.
class SpectrumAnalyzer {
public:
    SpectrumAnalyzer();
    ~SpectrumAnalyzer();
    SpectrumAnalyzer(const SpectrumAnalyzer&) = delete;
    SpectrumAnalyzer& operator=(const SpectrumAnalyzer&) = delete;
    void analyze(const PcmTrack& track, int64_t frame, float out[kSpectrumBins]);

private:
    struct Impl;
    Impl* impl;
};

class Music {
public:
    Music();
    ~Music();
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;

    bool init();                        // opens the audio device
    bool open(const std::string& path); // decodes the stream
    // Why the last open failed, naming the file; empty after a good open.
    const std::string& problem() const { return openProblem; }
    bool play();
    void setBytePosition(uint32_t bytes);
    // Moves playback to the first sample at or after `seconds`; from the next
    // position and spectrum on, both are those of the new place.
    void seekSeconds(double seconds);
    // Holds playback where it is heard now (the position stays put) or goes on from there.
    void setPaused(bool paused);
    bool paused() const;
    // Seconds of what is being heard; for a missing stream 0.
    float positionSeconds() const;
    bool finished() const; // the stream played to its end

    // What lies between the hand-over and the ear: the latency the sound stack
    // gives for the open device (0 where it reports none), and a correction of
    // the user's for delays the stack cannot see (positive: sound comes later).
    // The position and the spectrum are those of the sound heard now.
    float latencySeconds() const;
    float offsetSeconds() const;
    void setOffsetSeconds(float seconds);
    // Fills 256 magnitudes of what is being heard; leaves out untouched without a stream.
    void spectrum(float* out);
    void free();

    const PcmTrack& track() const { return pcm; }

private:
    // implementation details are the music class's own
    struct Impl;
    Impl* impl;
    PcmTrack pcm;
    std::string openProblem;
};

} // namespace Vantrel
