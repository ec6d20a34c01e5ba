// The music stream in the browser: demo/Music.h on Web Audio.
//
// The page's web/site/audio.js (globalThis.VantrelAudio) fetches and decodes
// data/music.mp3 with decodeAudioData and plays it; the browser holds the
// decoded samples, so `track()` stays empty here and no MP3 decoder is linked
// (decodeMp3 is the desktop's). The clock is what is being heard: the
// AudioContext's time since the start minus the output latency it reports,
// minus the user's offset. The spectrum is computed here, from the decoded
// samples at that position, with the desktop's definition (KissSpectrum.h).
// Per frame nothing is allocated: the window is copied into a fixed buffer.
#include "demo/Music.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "web/platform/KissSpectrum.h"

// clang-format off
EM_JS(int, vantrel_audio_available, (), {
    return (globalThis.VantrelAudio && (globalThis.AudioContext || globalThis.webkitAudioContext)) ? 1 : 0;
});

// 2 decoded, 1 still loading (the page waits for it before it offers Play),
// 0 failed. Starts the load when the page has not.
EM_JS(int, vantrel_audio_open, (const char* pathText), {
    const audio = globalThis.VantrelAudio;
    const path = UTF8ToString(pathText);
    let status = audio.status(path);
    if (status === 'none') {
        audio.load(path).catch((error) => console.error(error.message));
        status = audio.status(path);
    }
    return status === 'ready' ? 2 : status === 'loading' ? 1 : 0;
});

// The load's complaint, in memory the caller frees.
EM_JS(char*, vantrel_audio_problem, (), {
    const text = globalThis.VantrelAudio.problem() || 'not loaded';
    const size = lengthBytesUTF8(text) + 1;
    const ptr = _malloc(size);
    stringToUTF8(text, ptr, size);
    return ptr;
});

EM_JS(int, vantrel_audio_ready, (), {
    return globalThis.VantrelAudio.duration() > 0 ? 1 : 0;
});

EM_JS(int, vantrel_audio_play, (double from), {
    return globalThis.VantrelAudio.play(from) ? 1 : 0;
});

EM_JS(void, vantrel_audio_stop, (), {
    globalThis.VantrelAudio.stop();
});

EM_JS(void, vantrel_audio_seek, (double seconds), {
    globalThis.VantrelAudio.seek(seconds);
});

EM_JS(double, vantrel_audio_position, (), {
    return globalThis.VantrelAudio.position();
});

EM_JS(double, vantrel_audio_duration, (), {
    return globalThis.VantrelAudio.duration();
});

EM_JS(void, vantrel_audio_set_offset, (double seconds), {
    if (globalThis.VantrelAudio)
        globalThis.VantrelAudio.setOffset(seconds);
});

EM_JS(double, vantrel_audio_latency, (), {
    return globalThis.VantrelAudio.latency();
});

// The mono mix of `count` frames from `frame` on, silence outside the track,
// as the desktop mixes its 16-bit frames.
EM_JS(void, vantrel_audio_window, (double frame, float* out, int count), {
    const audio = globalThis.VantrelAudio;
    const left = audio.samples(0);
    const right = audio.samples(1);
    const base = out >> 2;
    const length = left ? left.length : 0;
    for (let i = 0; i < count; ++i) {
        const f = frame + i;
        HEAPF32[base + i] = f >= 0 && f < length ? (left[f] + right[f]) * 0.5 : 0;
    }
});
// clang-format on

namespace {

// The spectrum handed out last and the first frame of its window, for the
// page's tests (a frame's copy of 1 KiB).
float lastSpectrum[Vantrel::kSpectrumBins];
double lastSpectrumFrame = -1.0;

} // namespace

// Where the page reads the spectrum the program was given last.
extern "C" EMSCRIPTEN_KEEPALIVE const float* vantrel_music_spectrum()
{
    return lastSpectrum;
}

extern "C" EMSCRIPTEN_KEEPALIVE double vantrel_music_spectrum_frame()
{
    return lastSpectrumFrame;
}

namespace Vantrel {

// ---------------------------------------------------------------------------
// SpectrumAnalyzer

struct SpectrumAnalyzer::Impl {
    Web::KissSpectrum transform;
    float mono[kFftSize];
};

SpectrumAnalyzer::SpectrumAnalyzer() : impl(new Impl)
{
}

SpectrumAnalyzer::~SpectrumAnalyzer()
{
    delete impl;
}

void SpectrumAnalyzer::analyze(const PcmTrack& track, int64_t frame, float out[kSpectrumBins])
{
    const int64_t frames = track.frames();
    const int16_t* s = track.samples.data();
    for (int i = 0; i < kFftSize; ++i) {
        const int64_t f = frame + i;
        impl->mono[i] = f >= 0 && f < frames
                            ? (static_cast<float>(s[2 * f]) + static_cast<float>(s[2 * f + 1])) * (0.5f / 32768.0f)
                            : 0.0f;
    }
    impl->transform.analyze(impl->mono, out);
}

// ---------------------------------------------------------------------------
// Music

struct Music::Impl {
    bool available = false;
    bool hasStream = false;
    bool paused = false;
    float offset = 0.0f; // the user's, seconds; positive: sound comes later
    Web::KissSpectrum transform;
    float mono[kFftSize];

    // What is being heard; until the music is decoded (or while it is held)
    // the place it was moved to.
    static double heard() { return vantrel_audio_position(); }
};

Music::Music() : impl(new Impl)
{
}

Music::~Music()
{
    free();
    delete impl;
}

bool Music::init()
{
    impl->available = vantrel_audio_available() != 0;
    return impl->available;
}

bool Music::open(const std::string& path)
{
    openProblem.clear();
    impl->hasStream = false;
    if (!impl->available) {
        openProblem = path + ": this browser has no Web Audio";
        return false;
    }
    if (vantrel_audio_open(path.c_str()) == 0) {
        char* text = vantrel_audio_problem();
        openProblem = text;
        std::free(text);
        return false;
    }
    impl->hasStream = true;
    return true;
}

bool Music::play()
{
    // The browser may still be decoding: the page offers Play only once it has.
    if (!impl->hasStream || !vantrel_audio_ready())
        return false;
    impl->paused = false;
    return vantrel_audio_play(vantrel_audio_position()) != 0;
}

void Music::setBytePosition(uint32_t bytes)
{
    if (impl->hasStream)
        vantrel_audio_seek(static_cast<double>(bytes / 4) / kSampleRate);
}

void Music::seekSeconds(double seconds)
{
    if (!impl->hasStream)
        return;
    // The first frame at or after `seconds`, as on the desktop.
    const double frame = std::ceil(std::max(seconds, 0.0) * kSampleRate);
    vantrel_audio_seek(frame / kSampleRate);
}

void Music::setPaused(bool paused)
{
    if (!impl->hasStream || paused == impl->paused)
        return;
    impl->paused = paused;
    if (paused)
        vantrel_audio_stop(); // holds the position heard last
    else
        vantrel_audio_play(vantrel_audio_position());
}

bool Music::paused() const
{
    return impl->paused;
}

float Music::positionSeconds() const
{
    return impl->hasStream ? static_cast<float>(impl->heard()) : 0.0f;
}

bool Music::finished() const
{
    if (!impl->hasStream)
        return false;
    const double length = vantrel_audio_duration();
    return length > 0.0 && impl->heard() >= length;
}

float Music::latencySeconds() const
{
    return impl->available ? static_cast<float>(vantrel_audio_latency()) : 0.0f;
}

float Music::offsetSeconds() const
{
    return impl->offset;
}

void Music::setOffsetSeconds(float seconds)
{
    impl->offset = seconds;
    vantrel_audio_set_offset(seconds);
}

void Music::spectrum(float* out)
{
    if (!impl->hasStream || !vantrel_audio_ready())
        return;
    const double frame = std::floor(impl->heard() * kSampleRate);
    vantrel_audio_window(frame, impl->mono, kFftSize);
    impl->transform.analyze(impl->mono, out);
    std::memcpy(lastSpectrum, out, sizeof lastSpectrum);
    lastSpectrumFrame = frame;
}

void Music::free()
{
    if (impl->hasStream)
        vantrel_audio_stop();
    impl->hasStream = false;
    impl->paused = false;
}

} // namespace Vantrel
