// The stop request: a flag a signal handler may set, and the window's quit
// events and Escape key read on the thread that owns the window.
#include "frontend/StopRequest.h"

#include <SDL2/SDL.h>

#include <chrono>
#include <csignal>

namespace Frontend {

namespace {

// The signal's number, -1 for a request the program made itself.
volatile std::sig_atomic_t requested = 0;

// Pumping window events asks the display server; per call that would slow a
// loop over thousands of small meshes, and a stop needs no better than this.
constexpr auto kEventPollInterval = std::chrono::milliseconds(50);
std::chrono::steady_clock::time_point lastPoll;

void markRequest(int signal)
{
    requested = signal;
}

bool windowAsksToStop()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return false;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastPoll >= kEventPollInterval) {
        lastPoll = now;
        SDL_PumpEvents();
        // Peeked, not taken: the main loop still sees the quit event.
        if (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT) > 0)
            return true;
    }
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    return keys && keys[SDL_SCANCODE_ESCAPE] != 0;
}

} // namespace

void installStopHandlers()
{
    struct sigaction action = {};
    action.sa_handler = markRequest;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr); // the terminal that started it closed
}

bool stopRequested()
{
    // The window's requests are not kept: the main loop reads the same quit
    // event and key, and a later start-up in this process must not see them.
    return requested != 0 || windowAsksToStop();
}

void requestStop()
{
    requested = -1;
}

int stopSignal()
{
    return requested > 0 ? requested : 0;
}

void clearStopRequest()
{
    requested = 0;
}

void throwIfStopRequested()
{
    if (stopRequested())
        throw StopRequested();
}

} // namespace Frontend
