// The display and GL-context questions in a web page.
#include "frontend/Platform.h"

#include <emscripten/html5.h>

namespace Frontend {

bool displayPresent()
{
    return true; // the page is on a screen, or a headless browser stands in for one
}

bool glContextIsCurrent()
{
    return emscripten_webgl_get_current_context() != 0;
}

} // namespace Frontend
