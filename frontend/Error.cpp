// Error reporting: message boxes through SDL, always mirrored on stderr.
//
// Boxes are modal and wait for a click, so they are only shown when someone
// can click: SDL video must be running on a real display driver, and the
// VANTREL_NO_DIALOGS switch (set by the tests and the tools) must be off.
#include "frontend/Error.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frontend/Platform.h"

namespace Frontend {

namespace {

bool headlessDriver()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    return !driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

void showBox(Uint32 flags, const std::string& caption, const std::string& text)
{
    if (caption.empty())
        std::fprintf(stderr, "%s\n", text.c_str());
    else
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    if (dialogsEnabled())
        SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), nullptr);
}

void (*exitCleanup)() = nullptr;

void runExitCleanup()
{
    void (*cleanup)() = exitCleanup;
    exitCleanup = nullptr;
    if (cleanup)
        cleanup();
}

} // namespace

void setExitCleanup(void (*cleanup)())
{
    exitCleanup = cleanup;
}

bool dialogsEnabled()
{
    const char* off = std::getenv("VANTREL_NO_DIALOGS");
    if (off && std::strcmp(off, "0") != 0 && *off)
        return false;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || headlessDriver())
        return false;
    return displayPresent();
}

void showMessage(const std::string& caption, const std::string& text)
{
    showBox(0, caption, text);
}

void fatalError(const std::string& message)
{
    showBox(SDL_MESSAGEBOX_ERROR, "Morvask Vantrel Error", message);
    runExitCleanup();
    // Ends at once, like a process kill: no exit handlers run into a half-built demo.
    std::fflush(nullptr);
    std::_Exit(kErrorExitStatus);
}

bool checkNativeError(const char* location, int line)
{
    if (!glContextIsCurrent())
        return false; // nothing to ask without a context
    GLenum code = glGetError();
    if (code == GL_NO_ERROR)
        return false;
    const char* where = location ? location : "";
    int length = std::snprintf(nullptr, 0, "OpenGL native error: %x\n\n%s, line %i.", code, where, line);
    std::string text(static_cast<size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, "OpenGL native error: %x\n\n%s, line %i.", code, where, line);
    showBox(0, "Frontend Native Error", text);
    return true;
}

void CGerror(const std::string& errorText, const std::string& listing)
{
    // Appended, never formatted: listings may contain '%'.
    std::string text = errorText;
    text += "\n";
    text += "\n";
    text += listing;
    text += "\n\n";
    showBox(0, "Frontend::CGerror", text);
    runExitCleanup();
    std::exit(kErrorExitStatus);
}

void reportUnrecoverable(const std::string& message)
{
    showBox(SDL_MESSAGEBOX_ERROR, "Morvask Vantrel Error", message);
    runExitCleanup();
    std::exit(kErrorExitStatus);
}

} // namespace Frontend
