// The music stream: MP3 decoding, playback through SDL2 audio, the playback
// clock and the spectrum of what is being heard.
//
// The whole file is decoded once when the stream is opened, so seeking and the
// clock are exact to the sample. The audio callback copies frames from the
// decoded track into a small device buffer and notes which frames it handed
// over and when; the main thread derives the heard position from that note,
// interpolated with the performance counter. Nothing here allocates per frame.
#include "demo/Music.h"

#include <SDL2/SDL.h>
#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <fftw3.h>
#include <mpg123.h>
#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/thread-mainloop.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <numbers>
#include <string>

#include "frontend/Error.h"
#include "frontend/File.h"
#include "frontend/Limits.h"

namespace Vantrel {

namespace {

// Frames per device buffer: small, so that what is buffered (and therefore not
// yet heard) stays well under a video frame.
constexpr int kDeviceFrames = 1024;

// Lets the decoder output exactly one format: 16-bit stereo at 44.1 kHz
// (mono is duplicated, other rates resampled by the decoder).
bool configureDecoder(mpg123_handle* mh)
{
    mpg123_param(mh, MPG123_FLAGS, MPG123_QUIET | MPG123_FORCE_STEREO | MPG123_GAPLESS, 0.0);
    mpg123_param(mh, MPG123_FORCE_RATE, kSampleRate, 0.0);
    if (mpg123_format_none(mh) != MPG123_OK)
        return false;
    return mpg123_format(mh, kSampleRate, MPG123_STEREO, MPG123_ENC_SIGNED_16) == MPG123_OK;
}

// Returns the decoder's complaint, or an empty text when the whole stream decoded.
std::string decodeOpened(mpg123_handle* mh, PcmTrack& out)
{
    constexpr size_t kMaxSamples = static_cast<size_t>(Frontend::Limits::kMaxMusicSeconds) * kSampleRate * 2;
    std::vector<int16_t> chunk(16384);
    for (;;) {
        size_t done = 0;
        int rc = mpg123_read(mh, reinterpret_cast<unsigned char*>(chunk.data()), chunk.size() * sizeof(int16_t), &done);
        out.samples.insert(out.samples.end(), chunk.begin(), chunk.begin() + done / sizeof(int16_t));
        if (rc == MPG123_DONE)
            break;
        if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT)
            return mpg123_strerror(mh);
        if (out.samples.size() > kMaxSamples)
            return "longer than the longest music played (" + std::to_string(Frontend::Limits::kMaxMusicSeconds / 60) +
                   " minutes)";
    }
    if (out.samples.size() % 2)
        out.samples.pop_back();
    return out.samples.empty() ? "no MP3 audio in the file" : "";
}

// Only a regular file of a bounded size reaches the decoder: it would wait
// forever on a pipe and read a device without end.
std::string checkReadable(const std::string& path)
{
    try {
        FrontendExt::File file(path, "rb");
        if (static_cast<uint64_t>(file.size()) > Frontend::Limits::kMaxFileBytes)
            return path + ": larger than the largest file read (" +
                   std::to_string(Frontend::Limits::kMaxFileBytes >> 20) + " MiB)";
    } catch (const Frontend::Error& error) {
        return error.what();
    }
    return "";
}

// The FFTW planner is not thread-safe; executing a finished plan is.
std::mutex plannerMutex;

} // namespace

bool decodeMp3(const std::string& path, PcmTrack& out, std::string* problem)
{
    out.samples.clear();
    std::string why = checkReadable(path);
    if (why.empty()) {
        mpg123_init(); // a no-op on current libraries, needed on old ones
        int err = MPG123_OK;
        mpg123_handle* mh = mpg123_new(nullptr, &err);
        if (!mh)
            why = path + ": " + mpg123_plain_strerror(err);
        else if (!configureDecoder(mh) || mpg123_open(mh, path.c_str()) != MPG123_OK)
            why = path + ": " + mpg123_strerror(mh);
        else {
            std::string failure = decodeOpened(mh, out);
            if (!failure.empty())
                why = path + ": " + failure;
            mpg123_close(mh);
        }
        mpg123_delete(mh);
    }
    if (!why.empty())
        out.samples.clear();
    if (problem)
        *problem = why;
    return why.empty();
}

// ---------------------------------------------------------------------------
// SpectrumAnalyzer

struct SpectrumAnalyzer::Impl {
    float* input = nullptr;
    fftwf_complex* output = nullptr;
    fftwf_plan plan = nullptr;
    float window[kFftSize];
    // A full-scale sine at a bin centre gives |X_k| = amplitude * sum(window) / 2,
    // so this factor makes it read 1.0. For the periodic Hann window sum = N / 2.
    float scale = 0.0f;
};

SpectrumAnalyzer::SpectrumAnalyzer() : impl(new Impl)
{
    std::lock_guard<std::mutex> lock(plannerMutex);
    impl->input = fftwf_alloc_real(kFftSize);
    impl->output = fftwf_alloc_complex(kFftSize / 2 + 1);
    impl->plan = fftwf_plan_dft_r2c_1d(kFftSize, impl->input, impl->output, FFTW_ESTIMATE);
    double sum = 0.0;
    for (int i = 0; i < kFftSize; ++i) {
        double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / kFftSize);
        impl->window[i] = static_cast<float>(w);
        sum += w;
    }
    impl->scale = static_cast<float>(2.0 / sum);
}

SpectrumAnalyzer::~SpectrumAnalyzer()
{
    std::lock_guard<std::mutex> lock(plannerMutex);
    fftwf_destroy_plan(impl->plan);
    fftwf_free(impl->input);
    fftwf_free(impl->output);
    delete impl;
}

void SpectrumAnalyzer::analyze(const PcmTrack& track, int64_t frame, float out[kSpectrumBins])
{
    const int64_t frames = track.frames();
    const int16_t* s = track.samples.data();
    for (int i = 0; i < kFftSize; ++i) {
        int64_t f = frame + i;
        float mono = 0.0f;
        if (f >= 0 && f < frames)
            mono = (static_cast<float>(s[2 * f]) + static_cast<float>(s[2 * f + 1])) * (0.5f / 32768.0f);
        impl->input[i] = mono * impl->window[i];
    }
    fftwf_execute(impl->plan);
    for (int k = 0; k < kSpectrumBins; ++k) {
        float re = impl->output[k][0];
        float im = impl->output[k][1];
        out[k] = std::sqrt(re * re + im * im) * impl->scale;
    }
}

// ---------------------------------------------------------------------------
// Music

namespace {

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...)
{
}

} // namespace

namespace {

// Shared by the audio callback and the main thread; written only under the
// device lock (the callback runs with it held).
struct Playback {
    const PcmTrack* track = nullptr;
    int64_t nextFrame = 0;    // next frame the callback hands to the device
    int64_t restartFrame = 0; // where playback started last: nothing before it is heard
    int64_t delayFrames = 0;  // latency behind the hand-over plus the user's offset
    int64_t chunkStart = 0;   // first frame of the chunk handed over last
    int64_t chunkFrames = 0;  // frames of the track in that chunk
    uint64_t chunkTick = 0;   // performance counter when it was handed over
    uint64_t tickRate = 1;

    void restartAt(int64_t frame)
    {
        nextFrame = chunkStart = restartFrame = frame;
        chunkFrames = 0; // nothing of the new position is heard yet
    }
};

void fillAudio(void* userdata, Uint8* stream, int len)
{
    auto* p = static_cast<Playback*>(userdata);
    auto* out = reinterpret_cast<int16_t*>(stream);
    const int64_t wanted = len / 4;
    const int64_t total = p->track ? p->track->frames() : 0;
    const int64_t start = std::min(p->nextFrame, total);
    const int64_t count = std::min(wanted, total - start);
    if (count > 0)
        std::copy_n(p->track->samples.data() + 2 * start, 2 * count, out);
    std::fill(out + 2 * std::max<int64_t>(count, 0), out + 2 * wanted, int16_t(0));
    p->chunkStart = start;
    p->chunkFrames = std::max<int64_t>(count, 0);
    p->chunkTick = SDL_GetPerformanceCounter();
    p->nextFrame = start + p->chunkFrames;
}

SDL_AudioDeviceID openDevice(Playback* playback, SDL_AudioSpec& have)
{
    SDL_AudioSpec want{};
    want.freq = kSampleRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kDeviceFrames;
    want.callback = fillAudio;
    want.userdata = playback;
    have = SDL_AudioSpec{};
    return SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
}

// SDL reports no stream latency, only the device buffer it granted. Behind a
// real device (ALSA, a sound server) the chunk handed over waits at least that
// buffer before it sounds; the dummy and disk drivers take it the moment it is
// handed over. A PulseAudio server is asked for its own figure (ServerLatency).
int64_t latencyFrames(const SDL_AudioSpec& have)
{
    const char* driver = SDL_GetCurrentAudioDriver();
    if (!driver || !std::strcmp(driver, "dummy") || !std::strcmp(driver, "disk"))
        return 0;
    return have.freq > 0 ? static_cast<int64_t>(have.samples) * kSampleRate / have.freq : 0;
}

// The chunk handed over last is being played out in real time since it was
// handed over; everything before it has been handed over. What is heard lags
// that by the delay, and never reaches back before the last restart.
int64_t heardFrame(const Playback& p)
{
    const uint64_t now = SDL_GetPerformanceCounter();
    const double elapsed = static_cast<double>(now - p.chunkTick) / static_cast<double>(p.tickRate);
    const int64_t played = static_cast<int64_t>(elapsed * kSampleRate);
    const int64_t handedOver = p.chunkStart + std::clamp<int64_t>(played, 0, p.chunkFrames);
    const int64_t end = p.track ? p.track->frames() : 0;
    return std::clamp<int64_t>(handedOver - p.delayFrames, p.restartFrame, std::max(end, p.restartFrame));
}

// The sound server's own account of our stream (PulseAudio, or PipeWire's
// PulseAudio service): what its buffer holds ahead of the ear plus the sink's
// latency, asked for twice a second on a connection of our own, since SDL
// hands neither over. libpulse is opened at run time: a machine without it
// plays on with the device buffer as the latency.
class ServerLatency {
public:
    ~ServerLatency() { stop(); }

    // False when there is no libpulse or no server to ask.
    bool start()
    {
        if (!load())
            return false;
        loop = fn.mainloopNew();
        if (!loop)
            return false;
        fn.lock(loop);
        context = fn.contextNew(fn.getApi(loop), "vantrel clock");
        const bool connecting = context && fn.contextConnect(context, nullptr, PA_CONTEXT_NOFLAGS, nullptr) >= 0;
        if (connecting) {
            timeval due{};
            gettimeofday(&due, nullptr);
            timer = fn.getApi(loop)->time_new(fn.getApi(loop), &due, ask, this);
        }
        fn.unlock(loop);
        if (!connecting || fn.mainloopStart(loop) < 0) {
            stop();
            return false;
        }
        return true;
    }

    void stop()
    {
        if (!loop)
            return;
        fn.mainloopStop(loop);
        if (timer)
            fn.getApi(loop)->time_free(timer);
        if (context) {
            fn.contextDisconnect(context);
            fn.contextUnref(context);
        }
        fn.mainloopFree(loop);
        loop = nullptr;
        context = nullptr;
        timer = nullptr;
    }

    // Microseconds of the median of the last answers; negative before the first.
    int64_t latencyUsec() const { return latest.load(); }

private:
    struct Functions {
        pa_threaded_mainloop* (*mainloopNew)();
        int (*mainloopStart)(pa_threaded_mainloop*);
        void (*mainloopStop)(pa_threaded_mainloop*);
        void (*mainloopFree)(pa_threaded_mainloop*);
        pa_mainloop_api* (*getApi)(pa_threaded_mainloop*);
        void (*lock)(pa_threaded_mainloop*);
        void (*unlock)(pa_threaded_mainloop*);
        pa_context* (*contextNew)(pa_mainloop_api*, const char*);
        int (*contextConnect)(pa_context*, const char*, pa_context_flags_t, const pa_spawn_api*);
        pa_context_state_t (*contextState)(const pa_context*);
        void (*contextDisconnect)(pa_context*);
        void (*contextUnref)(pa_context*);
        pa_operation* (*sinkInputs)(pa_context*, pa_sink_input_info_cb_t, void*);
        void (*operationUnref)(pa_operation*);
        const char* (*proplistGets)(const pa_proplist*, const char*);
    };

    bool load()
    {
        static void* library = dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return false;
        const std::pair<void**, const char*> symbols[] = {
            {reinterpret_cast<void**>(&fn.mainloopNew), "pa_threaded_mainloop_new"},
            {reinterpret_cast<void**>(&fn.mainloopStart), "pa_threaded_mainloop_start"},
            {reinterpret_cast<void**>(&fn.mainloopStop), "pa_threaded_mainloop_stop"},
            {reinterpret_cast<void**>(&fn.mainloopFree), "pa_threaded_mainloop_free"},
            {reinterpret_cast<void**>(&fn.getApi), "pa_threaded_mainloop_get_api"},
            {reinterpret_cast<void**>(&fn.lock), "pa_threaded_mainloop_lock"},
            {reinterpret_cast<void**>(&fn.unlock), "pa_threaded_mainloop_unlock"},
            {reinterpret_cast<void**>(&fn.contextNew), "pa_context_new"},
            {reinterpret_cast<void**>(&fn.contextConnect), "pa_context_connect"},
            {reinterpret_cast<void**>(&fn.contextState), "pa_context_get_state"},
            {reinterpret_cast<void**>(&fn.contextDisconnect), "pa_context_disconnect"},
            {reinterpret_cast<void**>(&fn.contextUnref), "pa_context_unref"},
            {reinterpret_cast<void**>(&fn.sinkInputs), "pa_context_get_sink_input_info_list"},
            {reinterpret_cast<void**>(&fn.operationUnref), "pa_operation_unref"},
            {reinterpret_cast<void**>(&fn.proplistGets), "pa_proplist_gets"},
        };
        for (const auto& [slot, name] : symbols)
            if (!(*slot = dlsym(library, name)))
                return false;
        return true;
    }

    // On the server connection's thread, twice a second.
    static void ask(pa_mainloop_api* api, pa_time_event* event, const timeval*, void* self)
    {
        auto* me = static_cast<ServerLatency*>(self);
        if (me->fn.contextState(me->context) == PA_CONTEXT_READY)
            if (pa_operation* op = me->fn.sinkInputs(me->context, answer, me))
                me->fn.operationUnref(op);
        timeval due{};
        gettimeofday(&due, nullptr);
        due.tv_usec += 500000;
        due.tv_sec += due.tv_usec / 1000000;
        due.tv_usec %= 1000000;
        api->time_restart(event, &due);
    }

    static void answer(pa_context*, const pa_sink_input_info* info, int eol, void* self)
    {
        auto* me = static_cast<ServerLatency*>(self);
        if (eol || !info)
            return;
        const char* pid = me->fn.proplistGets(info->proplist, "application.process.id");
        if (!pid || std::strtol(pid, nullptr, 10) != static_cast<long>(getpid()))
            return;
        // A sink settles its latency in the first moments of a stream: a
        // median of the last answers keeps one odd answer out of the clock.
        me->answers[me->answerCount++ % kAnswers] = static_cast<int64_t>(info->buffer_usec + info->sink_usec);
        const int n = std::min(me->answerCount, kAnswers);
        int64_t sorted[kAnswers];
        std::copy(me->answers, me->answers + n, sorted);
        std::nth_element(sorted, sorted + n / 2, sorted + n);
        me->latest.store(sorted[n / 2]);
    }

    static constexpr int kAnswers = 5;
    Functions fn{};
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    pa_time_event* timer = nullptr;
    int64_t answers[kAnswers] = {};
    int answerCount = 0;
    std::atomic<int64_t> latest{-1};
};

} // namespace

struct Music::Impl {
    SDL_AudioDeviceID device = 0;
    bool audioInitialised = false;
    bool hasStream = false;
    bool paused = false;
    SDL_AudioSpec have{};
    int64_t latency = 0; // frames
    int64_t offset = 0;  // frames
    Playback playback;
    SpectrumAnalyzer analyzer;
    ServerLatency server;
    int64_t serverUsec = -1; // the server's answer the latency holds now

    void lock()
    {
        if (device)
            SDL_LockAudioDevice(device);
    }
    void unlock()
    {
        if (device)
            SDL_UnlockAudioDevice(device);
    }
    void setLatency(int64_t frames)
    {
        latency = frames;
        lock();
        playback.delayFrames = latency + offset;
        unlock();
    }
    int64_t heard()
    {
        const int64_t usec = server.latencyUsec();
        if (usec >= 0 && usec != serverUsec) {
            serverUsec = usec;
            setLatency(usec * kSampleRate / 1000000);
        }
        lock();
        const int64_t frame = heardFrame(playback);
        unlock();
        return frame;
    }
};

Music::Music() : impl(new Impl)
{
    impl->playback.track = &pcm;
    impl->playback.tickRate = SDL_GetPerformanceFrequency();
}

Music::~Music()
{
    free();
    delete impl;
}

bool Music::init()
{
    if (impl->device)
        return true;
    // Probing a machine without a sound card makes the sound library print its
    // own errors; the outcome is reported below in one line instead.
    snd_lib_error_set_handler(ignoreAlsaError);
    bool opened = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (opened) {
        impl->audioInitialised = true;
        impl->device = openDevice(&impl->playback, impl->have);
        opened = impl->device != 0;
    }
    snd_lib_error_set_handler(nullptr);
    if (opened) {
        // Until the server answers, the device buffer is the best guess.
        impl->setLatency(latencyFrames(impl->have));
        const char* driver = SDL_GetCurrentAudioDriver();
        if (driver && !std::strcmp(driver, "pulseaudio"))
            impl->server.start();
        return true;
    }
    if (impl->audioInitialised) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        impl->audioInitialised = false;
    }
    // No usable sound device: the dummy driver consumes samples in real time,
    // which keeps the music clock running without sound.
    std::fprintf(stderr, "vantrel: no sound device could be opened; the music plays silently\n");
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    impl->audioInitialised = true;
    impl->device = openDevice(&impl->playback, impl->have);
    if (!impl->device) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        impl->audioInitialised = false;
    }
    impl->setLatency(0);
    return impl->device != 0;
}

bool Music::open(const std::string& path)
{
    PcmTrack decoded;
    const bool ok = decodeMp3(path, decoded, &openProblem);
    impl->lock();
    pcm.samples.swap(decoded.samples);
    impl->hasStream = ok;
    impl->playback.restartAt(0);
    impl->unlock();
    return ok;
}

bool Music::play()
{
    if (!impl->hasStream || !impl->device)
        return false;
    SDL_PauseAudioDevice(impl->device, 0);
    return true;
}

void Music::setBytePosition(uint32_t bytes)
{
    if (!impl->hasStream)
        return;
    impl->lock();
    impl->playback.restartAt(std::min<int64_t>(bytes / 4, pcm.frames()));
    impl->unlock();
}

void Music::seekSeconds(double seconds)
{
    if (!impl->hasStream)
        return;
    const int64_t frame = static_cast<int64_t>(std::ceil(std::max(seconds, 0.0) * kSampleRate));
    impl->lock();
    impl->playback.restartAt(std::min<int64_t>(frame, pcm.frames()));
    impl->unlock();
}

void Music::setPaused(bool paused)
{
    if (!impl->device || paused == impl->paused)
        return;
    impl->paused = paused;
    if (paused) {
        // What the device still holds is dropped; playing on starts at the
        // frame heard last, so the clock neither jumps nor drifts.
        SDL_PauseAudioDevice(impl->device, 1);
        impl->lock();
        impl->playback.restartAt(heardFrame(impl->playback));
        impl->unlock();
    } else if (impl->hasStream) {
        SDL_PauseAudioDevice(impl->device, 0);
    }
}

bool Music::paused() const
{
    return impl->paused;
}

float Music::positionSeconds() const
{
    if (!impl->hasStream)
        return 0.0f;
    return static_cast<float>(static_cast<double>(impl->heard()) / kSampleRate);
}

float Music::latencySeconds() const
{
    return static_cast<float>(static_cast<double>(impl->latency) / kSampleRate);
}

float Music::offsetSeconds() const
{
    return static_cast<float>(static_cast<double>(impl->offset) / kSampleRate);
}

void Music::setOffsetSeconds(float seconds)
{
    impl->offset = std::lround(static_cast<double>(seconds) * kSampleRate);
    impl->setLatency(impl->latency);
}

bool Music::finished() const
{
    return impl->hasStream && impl->heard() >= pcm.frames();
}

void Music::spectrum(float* out)
{
    if (impl->hasStream)
        impl->analyzer.analyze(pcm, impl->heard(), out);
}

void Music::free()
{
    impl->server.stop();
    impl->serverUsec = -1;
    if (impl->device) {
        SDL_CloseAudioDevice(impl->device);
        impl->device = 0;
    }
    if (impl->audioInitialised) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        impl->audioInitialised = false;
    }
    impl->hasStream = false;
    impl->paused = false;
    impl->playback.restartAt(0);
    pcm.samples.clear();
    pcm.samples.shrink_to_fit();
}

} // namespace Vantrel
