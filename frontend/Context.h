// The window, the OpenGL context and the shader compiler context.
//
//   Frontend::ContextDesc desc;           // 800 x 600, depth 24, stencil 8
//   Frontend::Context context(desc);      // window, GL, shader context, default shader bound
//   while (context.update()) { ... }      // one window event, then present
//
// SDL2 stands in for the window system (compatibility-profile GL through
// libepoxy). Everything else reaches the one context through Context::current().
#pragma once

#include <memory>
#include <string>
#include <vector>

struct SDL_Window;

namespace Frontend {

class CgContext;
class CompleteShader;

struct ContextDesc {
    int width = 800;
    int height = 600;
    int depthBits = 24;
    int stencilBits = 8;
    int samples = 0;
    int pixelType = 0;           // 1 asks for float pixels (multisampled path only)
    bool hidden = false;         // off-screen tools keep the window hidden
    bool ordinaryWindow = false; // decorated, resizable and centred instead of borderless at the origin
};

// Handle kinds for Context::handle.
enum HandleKind { kHandleWindow = 0, kHandleDeviceContext = 1, kHandleGLContext = 2, kHandleCgContext = 3 };

// Keys the demo reads.
enum class Key { Escape, F10 };

class Window {
public:
    explicit Window(const ContextDesc& desc);
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    void destroy();
    int clientWidth() const;
    int clientHeight() const;
    SDL_Window* native() const { return window; }

private:
    SDL_Window* window = nullptr;
};

class Context {
public:
    explicit Context(const ContextDesc& desc);
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    void* handle(int kind) const;

    // Handles at most one pending window event and presents the back buffer.
    // Returns false once the quit event has arrived (the frame is not presented).
    bool update();

    void release();

    // Makes this context current again (tools and tests that hold several).
    void makeCurrent();

    // Writes the back buffer (the frame just composed) as an upright 24-bit PNG.
    bool saveScreenshot(const std::string& fileName); // false (and one line on stderr) when it cannot be written
    // The back buffer as tightly packed RGB rows, top row first; valid until
    // the next read. Null when the window has no area.
    const unsigned char* readFrame(int& width, int& height);

    Window& window() { return *mainWindow; }
    CgContext& cgContext() { return *cg; }
    CompleteShader& defaultShader() { return *shader; }
    // Binds the default shader with the State matrices of the moment.
    void bindDefaultShader();

    static Context* current();

private:
    // Once the platform's GL context is made: the viewport, Context::current()
    // and the default shader, bound (ContextCommon.cpp).
    void startDrawing();
    // The platform's half of makeCurrent(): its GL context current again.
    void makeNativeCurrent();

    std::unique_ptr<Window> mainWindow;
    void* glContext = nullptr;
    std::unique_ptr<CgContext> cg;
    std::unique_ptr<CompleteShader> shader; // freed in release(), while the context is still current
    std::vector<unsigned char> framePixels; // kept between reads: dumps and captures allocate once
};

// Keyboard state as of the last event pump.
bool isKeyPressed(Key key);

void setFullscreenMode(int width, int height, int bitsPerPixel);
void restoreDisplayMode();

// Single-precision seconds from the high-resolution counter.
class Timer {
public:
    Timer();
    float time();  // seconds since construction
    float delta(); // seconds since the previous delta (or construction)

private:
    float seconds() const; // since construction

    long long origin = 0; // counter at construction; readings are taken relative to it
    float secondsPerTick = 0.0f;
    float lastTime = 0.0f;
};

} // namespace Frontend
