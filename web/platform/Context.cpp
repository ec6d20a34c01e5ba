// The window, the GL context, the shader context, keys and the frame timer
// in a web page: the "window" is the page's canvas (Module.canvas), the
// context a WebGL 2 context on it made through emscripten's html5.h, and the
// frame is presented when the main-loop callback returns to the browser.
//
// The canvas's drawing buffer follows its size on the page (CSS pixels times
// the device pixel ratio): followCanvas() is asked once a frame, so the
// picture stays sharp through resizes and full screen.
#include "frontend/Context.h"

#include <GLES3/gl3.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "frontend/Error.h"
#include "frontend/Shader.h"
#include "web/platform/WebPlatform.h"

namespace Frontend {

namespace {

const char* const kCanvas = "#canvas";

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE webglContext = 0;

} // namespace

// ---- Window ----------------------------------------------------------------

Window::Window(const ContextDesc& desc)
{
    // Until the page lays the canvas out, draw at the size asked for.
    if (emscripten_set_canvas_element_size(kCanvas, desc.width, desc.height) != EMSCRIPTEN_RESULT_SUCCESS)
        throw Error("the page has no canvas for the production (Module.canvas)");
}

Window::~Window() = default;

void Window::destroy()
{
}

int Window::clientWidth() const
{
    int width = 0;
    int height = 0;
    emscripten_get_canvas_element_size(kCanvas, &width, &height);
    return width;
}

int Window::clientHeight() const
{
    int width = 0;
    int height = 0;
    emscripten_get_canvas_element_size(kCanvas, &width, &height);
    return height;
}

bool followCanvas()
{
    double cssWidth = 0;
    double cssHeight = 0;
    if (emscripten_get_element_css_size(kCanvas, &cssWidth, &cssHeight) != EMSCRIPTEN_RESULT_SUCCESS)
        return false;
    const double ratio = emscripten_get_device_pixel_ratio();
    const int width = std::max(1, static_cast<int>(std::lround(cssWidth * ratio)));
    const int height = std::max(1, static_cast<int>(std::lround(cssHeight * ratio)));
    int current[2] = {0, 0};
    emscripten_get_canvas_element_size(kCanvas, &current[0], &current[1]);
    if (current[0] == width && current[1] == height)
        return false;
    emscripten_set_canvas_element_size(kCanvas, width, height);
    return true;
}

// ---- Context ---------------------------------------------------------------

Context::Context(const ContextDesc& desc)
{
    mainWindow = std::make_unique<Window>(desc);
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = false; // the page behind must not show through a picture's alpha
    attributes.depth = desc.depthBits > 0;
    attributes.stencil = desc.stencilBits > 0;
    attributes.antialias = desc.samples > 0;
    attributes.premultipliedAlpha = false;
    attributes.powerPreference = EM_WEBGL_POWER_PREFERENCE_HIGH_PERFORMANCE;
    attributes.failIfMajorPerformanceCaveat = false;
    webglContext = emscripten_webgl_create_context(kCanvas, &attributes);
    if (webglContext <= 0)
        throw Error("this browser offers no WebGL 2 on the page's canvas (error " + std::to_string(webglContext) +
                    "); the production needs WebGL 2");
    emscripten_webgl_make_context_current(webglContext);
    glContext = reinterpret_cast<void*>(static_cast<intptr_t>(webglContext));

    startDrawing();
    checkNativeError("Frontend::Context::Context", 0);
}

void* Context::handle(int kind) const
{
    switch (kind) {
    case kHandleWindow:
    case kHandleDeviceContext: return mainWindow.get();
    case kHandleGLContext: return glContext;
    case kHandleCgContext: return cg.get();
    default: return nullptr;
    }
}

bool Context::update()
{
    // The browser presents the canvas when the frame's callback returns; this
    // is the one place a frame asks WebGL for its errors (see WebPlatform.h).
    pollNativeError("Frontend::Context::update", 175);
    return true;
}

void Context::release()
{
    if (!glContext)
        return;
    shader.reset(); // its program belongs to this context
    emscripten_webgl_make_context_current(0);
    emscripten_webgl_destroy_context(webglContext);
    webglContext = 0;
    glContext = nullptr;
}

const unsigned char* Context::readFrame(int& width, int& height)
{
    width = mainWindow->clientWidth();
    height = mainWindow->clientHeight();
    if (width <= 0 || height <= 0)
        return nullptr;
    // WebGL promises RGBA reads only; the rows are packed down to RGB in place.
    const size_t pixels = static_cast<size_t>(width) * height;
    framePixels.resize(pixels * 4);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, framePixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    unsigned char* rows = framePixels.data();
    for (size_t i = 0; i < pixels; ++i)
        std::copy(rows + i * 4, rows + i * 4 + 3, rows + i * 3);
    const size_t stride = static_cast<size_t>(width) * 3;
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(rows + stride * top, rows + stride * (top + 1), rows + stride * bottom);
    return rows;
}

bool Context::saveScreenshot(const std::string& fileName)
{
    std::fprintf(stderr, "%s: frame dumps are not written in a web page\n", fileName.c_str());
    return false;
}

void Context::makeNativeCurrent()
{
    emscripten_webgl_make_context_current(webglContext);
}

// ---- Keys and display mode -------------------------------------------------
//
// The page owns the keyboard and full screen: Escape leaves full screen in
// the browser itself, and the page's controls stop the show.

bool isKeyPressed(Key)
{
    return false;
}

void setFullscreenMode(int, int, int)
{
}

void restoreDisplayMode()
{
}

// ---- Timer -----------------------------------------------------------------

Timer::Timer()
{
    secondsPerTick = 0.001f; // emscripten_get_now counts milliseconds
    origin = static_cast<long long>(emscripten_get_now());
}

float Timer::seconds() const
{
    return static_cast<float>((emscripten_get_now() - static_cast<double>(origin)) * 0.001);
}

} // namespace Frontend
