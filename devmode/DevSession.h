// The production maker's development mode, plugged into the Demo's loop as
// its frame hook: plays a span of the production (once or looped, music
// included), and with --dev adds the keys that pause and move the clock, an
// overlay that says where the demo is and what a frame costs, and reloading
// of shaders and pictures saved while it runs.
//
//   std::unique_ptr<DevSession> session = DevSession::fromOptions(options, production);
//   production.frameHook = session.get();   // null when no option asks for it
//   production.run();
//
// Without music the clock is the frame times added up; with music it is the
// music's position, which every jump moves with it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "demo/FrameHook.h"
#include "devmode/DevKeys.h"
#include "devmode/FrameGraph.h"

namespace Vantrel {

struct DemoOptions;
class FileWatch;
class TextOverlay;

struct DevSettings {
    float from = 0.0f; // where the clock starts, and where Home and the loop go back to
    float to = 240.0f; // no frame at or past it is composed
    bool loop = false;
    bool dev = false; // keys, overlay and reloading
};

class DevSession : public FrameHook {
public:
    explicit DevSession(const DevSettings& settings);
    ~DevSession() override;

    // Null when the options ask for none of this (after applyDemoOptions, which
    // has put the span into the production's start and end).
    static std::unique_ptr<DevSession> fromOptions(const DemoOptions& options, const Demo& demo);

    void begin(Demo& demo, Frontend::Context& context, Music* music, bool musicPlays) override;
    bool beforeCompose(Demo& demo) override;
    void afterCompose(Demo& demo) override;
    void end(Demo& demo) override;

    // Acts on a key at the next frame, as if it had been typed.
    void press(DevKey key) { keys.push(key); }
    bool paused() const { return isPaused; }
    int reloads() const { return reloadCount; }
    int failedReloads() const { return failedCount; }
    // The last reload's line as the overlay shows it.
    const std::string& reloadReport() const { return report; }

    static constexpr int kOverlayLines = 12;
    // The first line of a failed shader's listing; the lines above it are always there.
    static constexpr int kListingLine = 6;
    // The overlay's text of the last frame (empty lines beyond the used ones).
    const char* overlayLine(int index) const { return lines[index]; }
    const FrameGraph& frameGraph() const { return graph; }

private:
    void act(DevKey key, Demo& demo);
    void jumpTo(float target, Demo& demo);
    void nudgeOffset(float ms, Demo& demo);
    float entryStart(const Demo& demo, bool forward) const;
    void advanceClock(Demo& demo);
    void reloadSettled(Demo& demo);
    void writeOverlay(const Demo& demo);

    DevSettings settings;
    DevKeyQueue keys;
    Music* music = nullptr;
    bool musicPlays = false;
    double position = 0.0;
    bool isPaused = false;
    bool jumped = false;

    std::unique_ptr<TextOverlay> overlay;
    std::unique_ptr<FileWatch> watch;
    std::vector<std::string> sceneNames; // per timeline entry, demangled once at the start
    std::string report = "no reload yet";
    std::vector<std::string> listing; // of the last shader that did not compile
    int reloadCount = 0;
    int failedCount = 0;
    double pendingSavedAt = -1.0; // a reload to time from save to screen

    double frameStarted = 0.0;
    double lastFrameMs = 0.0;
    double fpsWindowStart = 0.0;
    int fpsFrames = 0;
    double fps = 0.0;
    FrameGraph graph;
    char lines[kOverlayLines][160] = {};
};

} // namespace Vantrel
