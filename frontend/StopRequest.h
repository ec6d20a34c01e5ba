// Whether the user has asked the program to stop: SIGINT or SIGTERM, the
// window's close request, or Escape held in the window.
//
//   Frontend::installStopHandlers();       // in main, before the window opens
//   for (...) { Frontend::throwIfStopRequested(); loadOne(); }
//
// The main loop asks once a frame. Loading and warm-up ask inside their long
// loops and leave by throwing StopRequested, so that a stop asked for during
// a start-up of minutes ends it within a fraction of a second; the entry
// points catch it and end as a stop between frames does.
#pragma once

#include <exception>

namespace Frontend {

// Not a Frontend::Error: nothing went wrong, and no handler that reports
// errors may take it for one.
class StopRequested : public std::exception {
public:
    const char* what() const noexcept override { return "stopped at the user's request"; }
};

// SIGINT, SIGTERM and SIGHUP only mark the request. Installed before SDL starts,
// which then leaves them in place instead of turning them into quit events.
void installStopHandlers();

// The request as a signal or a call left it, and once the window is open its
// close request and the Escape key. Window events are fetched at most every
// few tens of milliseconds, so asking per mesh costs next to nothing.
bool stopRequested();
void requestStop();
// The signal that asked for the stop, or 0 when none did.
int stopSignal();
// Forgets an earlier request (tests that run several start-ups in one process).
void clearStopRequest();

// Throws StopRequested when a stop has been asked for.
void throwIfStopRequested();

} // namespace Frontend
