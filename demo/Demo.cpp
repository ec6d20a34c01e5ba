// The Demo on the desktop: the window and its display mode, the music, the
// swap interval and the main loop (the rest is in DemoCompose.cpp).
#include "demo/Demo.h"

#include <SDL2/SDL.h>

#include <cstdio>

#include "demo/AutoScale.h"
#include "demo/DemoClock.h"
#include "demo/FrameHook.h"
#include "demo/Music.h"
#include "frontend/Context.h"
#include "frontend/Error.h"
#include "frontend/StopRequest.h"

namespace Vantrel {

std::unique_ptr<Frontend::Context> Demo::start(bool hiddenWindow)
{
    auto context = std::make_unique<Frontend::Context>(contextDesc(hiddenWindow));
    if (fullscreen && !hiddenWindow)
        Frontend::setFullscreenMode(width, height, 32);
    // Whether or not the display could switch, the window is what it now is.
    followDrawable(*context);
    try {
        load();
        warmUpShaders();
        prepareDrawables();
    } catch (const Frontend::StopRequested&) {
        if (fullscreen && !hiddenWindow)
            Frontend::restoreDisplayMode();
        context->release();
        throw;
    }
    return context;
}

void Demo::applySwapInterval()
{
    if (setsSwapInterval && SDL_GL_SetSwapInterval(swapInterval) != 0) {
        // Adaptive swapping is an extension some drivers lack: wait for every refresh instead.
        const int fallback = swapInterval < 0 ? 1 : swapInterval;
        std::fprintf(stderr, "vantrel: the driver refused swap interval %d (%s); asking for %d\n", swapInterval,
                     SDL_GetError(), fallback);
        SDL_GL_SetSwapInterval(fallback);
    }
    grantedSwapInterval = SDL_GL_GetSwapInterval();
}

void Demo::run()
{
    std::unique_ptr<Frontend::Context> context;
    try {
        context = start(false);
    } catch (const Frontend::StopRequested&) {
        // Nothing was drawn or played, and start() has let the window go.
        // Said, because a stop nobody asked for (a stray signal) is otherwise
        // indistinguishable from a run that did nothing.
        if (Frontend::stopSignal() != 0)
            std::fprintf(stderr, "vantrel: stopped while loading (signal %d)\n", Frontend::stopSignal());
        return;
    }
    applySwapInterval();
    if (autoScale)
        chooseScales();
    Music music;
    bool withMusic = !musicFile.empty();
    bool musicPlays = withMusic && startMusic(music);
    Frontend::Timer timer;
    time = 0.0f;
    frameTime = 0.0f;
    if (!Frontend::isKeyPressed(Frontend::Key::Escape) && !Frontend::stopRequested())
        playLoop(*context, withMusic ? &music : nullptr, musicPlays, timer);
    if (frameHook)
        frameHook->end(*this);
    if (withMusic)
        music.free();
    if (fullscreen)
        Frontend::restoreDisplayMode();
    context->release();
}

void Demo::chooseScales()
{
    scaleInUse = renderScale;
    const double budget = frameBudgetMs(setsSwapInterval && grantedSwapInterval != 0);
    scaleChoices = describeScales(chooseEntryScales(*this, budget), budget);
}

bool Demo::startMusic(Music& music)
{
    // Each failure is reported and the demo plays on; the clock falls back to
    // the timer when there is nothing to play.
    openMusic(music);
    // Placed before it plays: the device would otherwise take a first piece
    // from the track's start.
    music.setBytePosition(static_cast<uint32_t>(static_cast<int64_t>(musicStart * kBytesPerSecond)));
    bool playing = music.play();
    if (!playing)
        Frontend::showMessage("BASS", "BASS error, can not play stream?");
    return playing;
}

void Demo::playLoop(Frontend::Context& context, Music* music, bool musicPlays, Frontend::Timer& timer)
{
    DemoClock clock(musicStart);
    if (frameHook)
        frameHook->begin(*this, context, music, musicPlays);
    for (;;) {
        if (!context.update())
            break;
        // Read every frame rather than on resize events alone: a full-screen
        // switch settles a few events after it was asked for.
        followDrawable(context);
        if (!(time < endTime))
            break;
        if (music)
            time = clock.fromMusic(musicPlays && !music->finished(), music->positionSeconds(), timer.time());
        else
            time = clock.fromTimer(timer.time());
        frameTime = timer.delta();
        if (music)
            music->spectrum(spectrum);
        if (frameHook && !frameHook->beforeCompose(*this))
            break;
        composeFrame();
        if (Frontend::isKeyPressed(Frontend::Key::F10))
            dumpFrame(context);
        if (frameHook)
            frameHook->afterCompose(*this);
        if (Frontend::isKeyPressed(Frontend::Key::Escape) || Frontend::stopRequested())
            break;
    }
}

} // namespace Vantrel
