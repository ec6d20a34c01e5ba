// What the web platform layer adds to the desktop's interfaces, for the web
// program's own files (web/platform/Demo.cpp, web/main.cpp).
#pragma once

#include <string>

namespace Frontend {

// Sizes the canvas's drawing buffer to its size on the page in device pixels;
// true when that changed it.
bool followCanvas();

// WebGL's getError waits for the GPU process, so checkNativeError asks it only
// while polling is on (loading and warm-up, where the check points tell which
// step failed); while the show plays, Context::update asks once a frame.
void setNativeErrorPolling(bool on);
// checkNativeError's report, whatever the polling setting.
bool pollNativeError(const char* location, int line);

// Hands an error that stops the production to the page (Module.onVantrelError)
// and to the console.
void reportToPage(const std::string& text);

} // namespace Frontend
