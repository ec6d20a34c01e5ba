// The Demo in a web page: start-up as on the desktop, then the browser's
// frame loop (emscripten's main loop on requestAnimationFrame) in place of
// the desktop's. The page drives it through the exported functions of the
// page contract: _vantrel_play(from, to), _vantrel_stop(), _vantrel_still(t)
// and _vantrel_resize(w, h); it hears back through Module.onVantrelReady,
// onVantrelEnded and onVantrelStillDone (errors: Frontend's Error.cpp).
//
// The demo time is the music's position, the position of what is heard
// (demo/Music.h on Web Audio). A still is composed the way the capture tool
// composes one: the frame time of a 60 fps capture and the spectrum of the
// music at that moment, once the browser has decoded it.
#include "demo/Demo.h"

#include <emscripten/emscripten.h>

#include <algorithm>

#include "demo/DemoClock.h"
#include "demo/Music.h"
#include "frontend/Context.h"
#include "frontend/StopRequest.h"
#include "web/platform/WebPlatform.h"

namespace Vantrel {

namespace {

// clang-format off
EM_JS(void, callPageReady, (), {
    if (typeof Module['onVantrelReady'] === 'function') Module['onVantrelReady']();
});
EM_JS(void, callPageEnded, (), {
    if (typeof Module['onVantrelEnded'] === 'function') Module['onVantrelEnded']();
});
EM_JS(void, callPageStillDone, (double t), {
    if (typeof Module['onVantrelStillDone'] === 'function') Module['onVantrelStillDone'](t);
});
// clang-format on

// The capture tool's default frame rate, whose frame time its stills see.
constexpr float kStillFrameTime = 1.0f / 60.0f;
// How long a still waits for the music's samples (its spectrum) before it is
// drawn with a silent one, as the capture tool draws without a music file.
constexpr double kStillSpectrumWaitMs = 15000.0;

enum class Mode { Idle, Playing, Still };

struct Show {
    Demo* demo = nullptr;
    std::unique_ptr<Frontend::Context> context;
    Music music;
    bool withMusic = false;
    Mode mode = Mode::Idle;
    float playEnd = 0.0f;
    bool musicPlays = false;
    DemoClock clock{0.0f};
    Frontend::Timer timer;
    double stillTime = 0.0;
    double stillAskedAt = 0.0;
};

Show* show = nullptr;

void stopShow()
{
    if (show->withMusic)
        show->music.setPaused(true);
    show->mode = Mode::Idle;
    emscripten_pause_main_loop();
}

// The spectrum of the music at t, or false while the browser still decodes it.
bool spectrumAt(double t, float* out)
{
    if (!show->withMusic)
        return false;
    show->music.seekSeconds(t);
    out[0] = -1.0f; // magnitudes are never negative: still there means nothing was written
    show->music.spectrum(out);
    return out[0] >= 0.0f;
}

void drawStill()
{
    Demo& demo = *show->demo;
    if (!spectrumAt(show->stillTime, demo.spectrum)) {
        if (emscripten_get_now() - show->stillAskedAt < kStillSpectrumWaitMs && show->withMusic)
            return; // the next frame asks again
        std::fill(demo.spectrum, demo.spectrum + kSpectrumBins, 0.0f);
    }
    demo.time = static_cast<float>(show->stillTime);
    demo.frameTime = kStillFrameTime;
    demo.composeFrame();
    show->mode = Mode::Idle;
    emscripten_pause_main_loop();
    // The canvas still holds the picture while the page's handler runs.
    callPageStillDone(show->stillTime);
}

void drawPlaying()
{
    Demo& demo = *show->demo;
    Music& music = show->music;
    if (show->withMusic && !show->musicPlays) // the decode finished after Play
        show->musicPlays = music.play();
    const bool heard = show->musicPlays && !music.finished();
    demo.time = show->withMusic ? show->clock.fromMusic(heard, music.positionSeconds(), show->timer.time())
                                : show->clock.fromTimer(show->timer.time());
    demo.frameTime = show->timer.delta();
    if (!(demo.time < show->playEnd)) {
        stopShow();
        callPageEnded();
        return;
    }
    if (show->withMusic)
        music.spectrum(demo.spectrum);
    demo.composeFrame();
}

void frame()
{
    Frontend::followCanvas();
    show->demo->followDrawable(*show->context);
    show->context->update();
    if (show->mode == Mode::Still)
        drawStill();
    else if (show->mode == Mode::Playing)
        drawPlaying();
}

} // namespace

std::unique_ptr<Frontend::Context> Demo::start(bool hiddenWindow)
{
    auto context = std::make_unique<Frontend::Context>(contextDesc(hiddenWindow));
    followDrawable(*context);
    // Loading names the step that failed; the show itself polls once a frame.
    Frontend::setNativeErrorPolling(true);
    load();
    warmUpShaders();
    prepareDrawables();
    Frontend::setNativeErrorPolling(false);
    return context;
}

// The page's Play starts the sound (vantrel_play).
bool Demo::startMusic(Music& music)
{
    return openMusic(music);
}

void Demo::run()
{
    // The show lives as long as the page: main returns, the browser loop goes on.
    show = new Show;
    show->demo = this;
    Frontend::followCanvas();
    show->context = start(false);
    show->withMusic = !musicFile.empty() && startMusic(show->music);
    emscripten_set_main_loop(frame, 0, 0);
    emscripten_pause_main_loop();
    callPageReady();
}

} // namespace Vantrel

extern "C" {

EMSCRIPTEN_KEEPALIVE void vantrel_play(double from, double to)
{
    using namespace Vantrel;
    if (!show)
        return;
    Demo& demo = *show->demo;
    const float start = static_cast<float>(std::max(0.0, from));
    show->playEnd = to < 0.0 ? demo.endTime : std::min(static_cast<float>(to), demo.endTime);
    show->clock = DemoClock(start);
    show->timer = Frontend::Timer();
    if (show->withMusic) {
        show->music.setPaused(true);
        show->music.seekSeconds(start);
        show->musicPlays = show->music.play();
    }
    demo.time = start;
    show->mode = Mode::Playing;
    emscripten_resume_main_loop();
}

EMSCRIPTEN_KEEPALIVE void vantrel_stop()
{
    if (Vantrel::show)
        Vantrel::stopShow();
}

EMSCRIPTEN_KEEPALIVE void vantrel_still(double t)
{
    using namespace Vantrel;
    if (!show)
        return;
    if (show->withMusic)
        show->music.setPaused(true);
    show->stillTime = std::max(0.0, t);
    show->stillAskedAt = emscripten_get_now();
    show->mode = Mode::Still;
    emscripten_resume_main_loop();
}

EMSCRIPTEN_KEEPALIVE void vantrel_resize(int cssWidth, int cssHeight)
{
    // The loop reads the canvas's size on the page each frame; a resize
    // while nothing plays redraws nothing, so only the buffer follows.
    (void)cssWidth;
    (void)cssHeight;
    Frontend::followCanvas();
}

} // extern "C"
