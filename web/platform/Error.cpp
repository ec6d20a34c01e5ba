// Error reporting in a web page: every message goes to the console (stderr
// is console.error), and what ends the desktop process ends the production
// here, handed to the page first (Module.onVantrelError) so that it shows
// the text instead of a blank canvas. The texts are the desktop's.
#include "frontend/Error.h"

#include <GLES3/gl3.h>
#include <emscripten/emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/Platform.h"
#include "web/platform/WebPlatform.h"

namespace Frontend {

namespace {

EM_JS(void, callPageError, (const char* text), {
    const message = UTF8ToString(text);
    if (typeof Module['onVantrelError'] === 'function')
        Module['onVantrelError'](message);
});

void (*exitCleanup)() = nullptr;
bool pollingOn = true;

void runExitCleanup()
{
    void (*cleanup)() = exitCleanup;
    exitCleanup = nullptr;
    if (cleanup)
        cleanup();
}

[[noreturn]] void endProduction(const std::string& caption, const std::string& text)
{
    reportToPage(caption + ": " + text);
    runExitCleanup();
    emscripten_cancel_main_loop();
    emscripten_force_exit(kErrorExitStatus);
}

} // namespace

void reportToPage(const std::string& text)
{
    std::fprintf(stderr, "%s\n", text.c_str());
    callPageError(text.c_str());
}

void setExitCleanup(void (*cleanup)())
{
    exitCleanup = cleanup;
}

bool dialogsEnabled()
{
    return false; // a page shows its errors itself
}

void showMessage(const std::string& caption, const std::string& text)
{
    if (caption.empty())
        std::fprintf(stderr, "%s\n", text.c_str());
    else
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

void fatalError(const std::string& message)
{
    endProduction("Morvask Vantrel Error", message);
}

void setNativeErrorPolling(bool on)
{
    pollingOn = on;
}

bool pollNativeError(const char* location, int line)
{
    if (!glContextIsCurrent())
        return false;
    GLenum code = glGetError();
    if (code == GL_NO_ERROR)
        return false;
    char text[512];
    std::snprintf(text, sizeof text, "OpenGL native error: %x\n\n%s, line %i.", code, location ? location : "", line);
    showMessage("Frontend Native Error", text);
    return true;
}

bool checkNativeError(const char* location, int line)
{
    return pollingOn && pollNativeError(location, line);
}

void CGerror(const std::string& errorText, const std::string& listing)
{
    // Appended, never formatted: listings may contain '%'.
    endProduction("Frontend::CGerror", errorText + "\n\n" + listing + "\n\n");
}

void reportUnrecoverable(const std::string& message)
{
    endProduction("Morvask Vantrel Error", message);
}

} // namespace Frontend
