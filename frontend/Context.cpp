// The window, the OpenGL context, the shader compiler context, display modes,
// keys and the frame timer, on SDL2.
//
// SDL stands in for the window system: one borderless window at the screen
// origin, a compatibility-profile GL context (GLX on a display, EGL with the
// offscreen driver), one event taken per update. Everything else finds the
// context through Context::current(), set once the GL context is current.
#include "frontend/Context.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <malloc.h>

#include <algorithm>
#include <cstdio>

#include "frontend/Error.h"
#include "frontend/ImageLoader.h"
#include "frontend/Platform.h"
#include "frontend/Shader.h"

namespace Frontend {

namespace {

// Frame dumps are written every frame while the key is held: a fast zlib level.
constexpr int kScreenshotCompression = 1;

// Keys pressed since the last query. The loop looks at the keys once a
// frame, but a tap can come and go within one event pump; like the original
// platform's asynchronous key state, a press in between still counts.
bool pressedSinceQuery[2] = {false, false};

int watchKeys(void*, SDL_Event* event)
{
    if (event->type == SDL_KEYDOWN) {
        if (event->key.keysym.scancode == SDL_SCANCODE_ESCAPE)
            pressedSinceQuery[0] = true;
        else if (event->key.keysym.scancode == SDL_SCANCODE_F10)
            pressedSinceQuery[1] = true;
    }
    return 1;
}

void initVideo()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        // With no display to show on, render off-screen (EGL) rather than let
        // SDL probe display servers that are not there, which complain on stderr.
        const char* driver = SDL_getenv("SDL_VIDEODRIVER");
        if (!(driver && *driver) && !displayPresent())
            SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            throw Error(std::string("cannot start the video system: ") + SDL_GetError());
        // The GL driver stays loaded for the life of the process. SDL would
        // unload it with the last window: a window made again would pay the
        // driver's start-up again, and what the driver keeps until exit would
        // outlive its code, unnamed in leak reports.
        if (SDL_GL_LoadLibrary(nullptr) != 0)
            throw Error(std::string("cannot load the OpenGL library: ") + SDL_GetError());
        SDL_AddEventWatch(watchKeys, nullptr);
    }
}

void setContextAttributes(const ContextDesc& desc)
{
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, desc.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, desc.stencilBits);
    if (desc.samples > 0) {
        // Only a multisampled request asks for alpha bits and, optionally, float pixels.
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, desc.samples);
        SDL_GL_SetAttribute(SDL_GL_FLOATBUFFERS, desc.pixelType == 1 ? 1 : 0);
    }
}

// The whole renderer needs matrix stacks and glBegin: refuse ES and core contexts.
void requireCompatibilityProfile()
{
    if (!epoxy_is_desktop_gl())
        throw Error("the OpenGL context is OpenGL ES; a desktop compatibility context is required");
    if (epoxy_gl_version() >= 32) {
        GLint mask = 0;
        glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
        if (mask & GL_CONTEXT_CORE_PROFILE_BIT)
            throw Error("the OpenGL context is a core profile; a compatibility context is required");
    }
}

} // namespace

// ---- Window ----------------------------------------------------------------

Window::Window(const ContextDesc& desc)
{
    initVideo();
    Uint32 flags = SDL_WINDOW_OPENGL;
    // A visible window asks for a drawable in real pixels on high-density
    // displays; a hidden one renders at exactly the size asked for.
    flags |= desc.hidden ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN | SDL_WINDOW_ALLOW_HIGHDPI;
    flags |= desc.ordinaryWindow ? SDL_WINDOW_RESIZABLE : SDL_WINDOW_BORDERLESS;
    int position = desc.ordinaryWindow ? SDL_WINDOWPOS_CENTERED : 0;
    window = SDL_CreateWindow("Frontend Window", position, position, desc.width, desc.height, flags);
    if (!window)
        throw Error(std::string("cannot create the window: ") + SDL_GetError());
    if (!desc.hidden)
        SDL_RaiseWindow(window);
}

Window::~Window()
{
    destroy();
}

void Window::destroy()
{
    if (window) {
        SDL_DestroyWindow(window);
        window = nullptr;
    }
}

int Window::clientWidth() const
{
    int width = 0;
    if (window)
        SDL_GL_GetDrawableSize(window, &width, nullptr);
    return width;
}

int Window::clientHeight() const
{
    int height = 0;
    if (window)
        SDL_GL_GetDrawableSize(window, nullptr, &height);
    return height;
}

// ---- Context ---------------------------------------------------------------

namespace {

// A software GL driver takes tens of megabytes of heap for each frame's
// binned triangles and frees them at the end of the frame. With the C
// library's default thresholds that memory goes back to the kernel whenever
// it lies at the top of the heap, and the next frame faults every page in
// again: a frame of a hundred meshes then takes three times as long, or not,
// depending on where the heap's other blocks happen to lie. Freed memory
// stays in the process instead (and blocks up to the largest threshold come
// from the heap rather than from mmap).
void keepFreedMemory()
{
    constexpr int kTrimThreshold = 512 << 20;
    constexpr int kMmapThreshold = 32 << 20; // the C library's largest on 64-bit
    mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
    mallopt(M_MMAP_THRESHOLD, kMmapThreshold);
}

} // namespace

Context::Context(const ContextDesc& desc)
{
    keepFreedMemory();
    initVideo();
    setContextAttributes(desc);
    const char* formatRefused = "FRONTEND ERROR: Pixel format/type not supported";
    try {
        mainWindow = std::make_unique<Window>(desc);
    } catch (const Error&) {
        if (desc.samples > 0)
            throw Error(formatRefused);
        throw;
    }
    glContext = SDL_GL_CreateContext(mainWindow->native());
    if (!glContext) {
        if (desc.samples > 0)
            throw Error(formatRefused);
        throw Error(std::string("cannot create an OpenGL context: ") + SDL_GetError());
    }
    SDL_GL_MakeCurrent(mainWindow->native(), static_cast<SDL_GLContext>(glContext));
    requireCompatibilityProfile();
    SDL_GL_SetSwapInterval(0); // the demo runs without a frame-rate limit
    SDL_DisableScreenSaver();

    startDrawing();
    if (glGetError() != GL_NO_ERROR)
        showMessage("Error", "asdjn");
}

void* Context::handle(int kind) const
{
    switch (kind) {
    case kHandleWindow:
    case kHandleDeviceContext: // SDL draws straight into the window
        return mainWindow ? mainWindow->native() : nullptr;
    case kHandleGLContext: return glContext;
    case kHandleCgContext: return cg.get();
    default: return nullptr;
    }
}

bool Context::update()
{
    checkNativeError("Frontend::Context::update", 175);
    SDL_Event event;
    if (SDL_PollEvent(&event) && event.type == SDL_QUIT)
        return false;
    SDL_GL_SwapWindow(mainWindow->native());
    return true;
}

void Context::release()
{
    if (!glContext)
        return;
    if (mainWindow) {
        // The default shader's program belongs to this context: free it while current.
        SDL_GL_MakeCurrent(mainWindow->native(), static_cast<SDL_GLContext>(glContext));
        shader.reset();
        SDL_GL_MakeCurrent(mainWindow->native(), nullptr);
    }
    shader.reset();
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(glContext));
    glContext = nullptr;
}

const unsigned char* Context::readFrame(int& width, int& height)
{
    width = mainWindow->clientWidth();
    height = mainWindow->clientHeight();
    if (width <= 0 || height <= 0)
        return nullptr;
    const size_t stride = static_cast<size_t>(width) * 3;
    framePixels.resize(stride * height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, framePixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4); // GL's default, which every other read assumes

    // GL hands rows bottom first; pictures want the top of the screen first.
    unsigned char* rows = framePixels.data();
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(rows + stride * top, rows + stride * (top + 1), rows + stride * bottom);
    return rows;
}

bool Context::saveScreenshot(const std::string& fileName)
{
    int width = 0;
    int height = 0;
    const unsigned char* rows = readFrame(width, height);
    if (!rows)
        return true; // nothing composed yet: nothing failed
    try {
        FrontendExt::writePng(fileName.c_str(), width, height, rows, kScreenshotCompression);
    } catch (const Error& error) {
        // A failed dump must not stop the show.
        std::fprintf(stderr, "%s\n", error.what());
        return false;
    }
    return true;
}

void Context::makeNativeCurrent()
{
    SDL_GL_MakeCurrent(mainWindow->native(), static_cast<SDL_GLContext>(glContext));
}

// ---- Keys and display mode -------------------------------------------------

bool isKeyPressed(Key key)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return false;
    SDL_PumpEvents();
    const Uint8* keys = SDL_GetKeyboardState(nullptr);
    const int index = key == Key::Escape ? 0 : 1;
    SDL_Scancode code = key == Key::Escape ? SDL_SCANCODE_ESCAPE : SDL_SCANCODE_F10;
    bool pressed = (keys && keys[code] != 0) || pressedSinceQuery[index];
    pressedSinceQuery[index] = false;
    return pressed;
}

void setFullscreenMode(int width, int height, int bitsPerPixel)
{
    Context* context = Context::current();
    if (context) {
        SDL_Window* window = context->window().native();
        SDL_DisplayMode mode{};
        SDL_GetDesktopDisplayMode(0, &mode);
        SDL_DisplayMode desktop = mode;
        mode.w = width;
        mode.h = height;
        mode.format = bitsPerPixel == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888;
        mode.refresh_rate = 0; // not requested
        SDL_SetWindowDisplayMode(window, &mode);
        // The display switches to the closest mode it has. Sizing the window to
        // that mode first covers the screen even where no window manager
        // carries out the full-screen request (a bare X server).
        SDL_DisplayMode closest{};
        const SDL_DisplayMode& target = SDL_GetClosestDisplayMode(0, &mode, &closest) ? closest : desktop;
        SDL_SetWindowSize(window, target.w, target.h);
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
    }
    SDL_ShowCursor(SDL_DISABLE);
}

void restoreDisplayMode()
{
    Context* context = Context::current();
    if (context && context->window().native())
        SDL_SetWindowFullscreen(context->window().native(), 0);
    SDL_ShowCursor(SDL_ENABLE);
}

// ---- Timer -----------------------------------------------------------------
//
// Seconds are single precision, as counter x secondsPerTick. The counter is
// taken relative to its value at construction: SDL's counter counts
// nanoseconds since boot, and a float of that would step in whole
// milliseconds after a day of uptime.

Timer::Timer()
{
    secondsPerTick = 1.0f / static_cast<float>(SDL_GetPerformanceFrequency());
    origin = static_cast<long long>(SDL_GetPerformanceCounter());
}

float Timer::seconds() const
{
    return static_cast<float>(static_cast<long long>(SDL_GetPerformanceCounter()) - origin) * secondsPerTick;
}

} // namespace Frontend
