// The demo application: settings, clock, music spectrum, catalogues and the
// timeline, and the main loop that composes the active Elements each frame.
//
//   class MyProd : public Vantrel::Demo {
//       void load() override { Demo::load(); timeline.push_back({0, 10, new MyScene(this)}); }
//   };
//   MyProd prod; prod.run();
//
// run() is start() + music + loop + shutdown. Tools that render with a clock
// of their own (the capture tool) call start(), set time, frameTime and
// spectrum themselves and call composeFrame() per frame.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "demo/Catalogues.h"
#include "demo/Letterbox.h"

namespace Frontend {
class Context;
struct ContextDesc;
class Texture;
class Timer;
}

namespace Vantrel {

class Element;
class FrameHook;
class Music;

struct TimelineEntry {
    float start;
    float end;
    Element* element;

    bool isActiveAt(float t) const { return start < t && t < end; }
};

struct Camera {
    float cameraPosition[3];
    float targetPosition[3];
    float up[3];
};

struct Projection {
    float fov;
    float aspect;
    float zNear;
    float zFar;
};

class Demo : public DrawableResourceProxy {
public:
    Demo();
    virtual ~Demo();

    virtual void load();
    void run();

    // Opens the context (hidden for off-screen tools), loads, prepares and warms up.
    // A stop asked for meanwhile (frontend/StopRequest.h) lets the window go
    // and throws Frontend::StopRequested; run() then ends as after a stop.
    std::unique_ptr<Frontend::Context> start(bool hiddenWindow);
    // The window and context start() asks for: the Demo's size, buffers and window kind.
    Frontend::ContextDesc contextDesc(bool hiddenWindow) const;
    // Draws every catalogued shader once into a small target, so that the
    // driver's own compilation is paid at start-up.
    void warmUpShaders();
    // Prepares every registered Drawable, then warms each up with one draw.
    void prepareDrawables();
    // Composes every active timeline entry into the window at `time`: the
    // whole window is cleared and the picture (viewport's size) placed by `fit`.
    // With none active the window is cleared to black, except exactly between
    // two adjacent entries, where it is left as it is.
    void composeFrame();
    // Takes the window's drawable size in pixels as width and height: after a
    // display-mode switch, a resize, or on a high-density display it is not
    // the size that was asked for.
    void followDrawable(Frontend::Context& context);
    // Index of the last entry composed at `time`, or -1 when none is active.
    int activeEntry() const;
    // Whether `time` is exactly where one entry ends and another starts.
    bool atBoundaryBetweenEntries() const;
    // Writes the composed frame as "dump%i.png", numbered across the run.
    void dumpFrame(Frontend::Context& context);

    // b x 60 / tempo: the product in double precision, the quotient rounded to float.
    float beatsToSeconds(int beats) const;
    // The side in pixels of a target whose picture is `side` pixels at scale 1.
    int scaledSide(int side) const;
    static int sideAtScale(int side, float scale);

    // The Demo owns the Elements of its timeline and frees them when it goes.
    std::vector<TimelineEntry> timeline;
    bool fullscreen = false;
    bool windowed = false; // an ordinary decorated, resizable window (when not full screen)
    int width = 800;       // the window's drawable in pixels once running
    int height = 600;
    int depthBits = 24;
    int stencilBits = 8;
    int samples = 0;
    int floatPixels = 0;
    float endTime = 240.0f;
    std::string musicFile;
    float musicStart = 0.0f;
    int viewport[4] = {0, 0, 800, 600}; // the production's picture; its size sets the aspect on screen
    Fit fit = Fit::Bars;
    float tempo = 120.0f;
    float spectrum[512] = {};
    float time = 0.0f;
    float frameTime = 0.0f;
    TextureResourceProxy textures;
    PixelShaderResourceProxy pixelShaders;
    VertexShaderResourceProxy vertexShaders;
    CompleteShaderResourceProxy shaders;
    QBRResourceProxy meshes;
    TargetResourceProxy effectTargets;
    TargetResourceProxy targets;
    Camera camera = {};
    Projection projection = {};
    const Frontend::Texture* sharedTextures[8] = {};
    // Called by run()'s loop once per frame when set (demo/FrameHook.h); not owned.
    FrameHook* frameHook = nullptr;
    // Sharpness of every off-screen picture: each Element's target (scenes and
    // pools alike) is renderScale times its side. Everything a scene or pass
    // measures in pixels stays in pixels of the scale-1 picture, so the look is
    // the same at every scale. Set before start().
    float renderScale = 1.0f;
    // --scale auto: run() measures each entry at start-up and keeps its scale
    // here (demo/AutoScale.h); empty, every entry plays at renderScale.
    bool autoScale = false;
    std::vector<float> entryScales;
    std::string scaleChoices; // the choices in one line, once made
    // Puts every Element's picture at this scale (its targets made the first time).
    void useScale(float scale);

    // Presenting: the swap interval asked of the driver (0 never waits, 1
    // waits for the display, -1 waits unless the frame is late) when
    // setsSwapInterval, and the one it granted once running.
    int swapInterval = 0;
    bool setsSwapInterval = false;
    int grantedSwapInterval = 0;
    // Seconds the sound is heard later than the sound stack reports (the user's correction).
    float audioOffset = 0.0f;

private:
    float scaleInUse = 1.0f;
    void applySwapInterval();
    void chooseScales();
    bool startMusic(Music& music);
    // The start of both platforms' startMusic (DemoCompose.cpp): the device
    // and the file, each failure reported. False when the file did not open.
    bool openMusic(Music& music);
    void playLoop(Frontend::Context& context, Music* music, bool musicPlays, Frontend::Timer& timer);
};

} // namespace Vantrel
