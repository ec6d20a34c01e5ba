// The display and GL-context questions on SDL2 and the environment.
#include "frontend/Platform.h"

#include <SDL.h>

#include <cstdlib>

namespace Frontend {

namespace {

bool isSet(const char* variable)
{
    const char* value = std::getenv(variable);
    return value && *value;
}

} // namespace

bool displayPresent()
{
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

bool glContextIsCurrent()
{
    return SDL_GL_GetCurrentContext() != nullptr;
}

} // namespace Frontend
