// Frame times of a live run, as a frame hook: when each frame read the clock
// and when it reached the screen, per timeline entry, written at the end as
// the same kind of JSON record the capture tool writes (plus the 99th
// percentile, the swap interval, the renderer and the render scale).
//
//   LiveStats stats("stats.json");     // an empty path measures without writing
//   production.frameHook = &stats;     // or in a FrameHookChain after the DevSession
//   production.run();                  // the file is written when the loop ends
//
// It is also written when the process ends without returning to the loop
// (the display server went away, a fatal error), with the frames up to then.
#pragma once

#include <string>
#include <vector>

#include "demo/FrameHook.h"

namespace Vantrel {

struct LiveFrame {
    double time;        // the demo time the frame showed
    int entry;          // active timeline entry, -1 for none
    double startedAt;   // steady seconds when the frame read the clock
    double composedAt;  // ... when its composition was done
    double presentedAt; // ... when it had been swapped to the screen (the next frame's start)
};

struct EntryTimes {
    long frames = 0;
    double meanMs = 0.0;
    double worstMs = 0.0;
    double p99Ms = 0.0;
};

class LiveStats : public FrameHook {
public:
    explicit LiveStats(std::string path);
    ~LiveStats() override;
    LiveStats(const LiveStats&) = delete;
    LiveStats& operator=(const LiveStats&) = delete;

    void begin(Demo& demo, Frontend::Context& context, Music* music, bool musicPlays) override;
    bool beforeCompose(Demo& demo) override;
    void afterCompose(Demo& demo) override;
    void end(Demo& demo) override;

    const std::vector<LiveFrame>& frames() const { return records; }
    // Screen-to-screen time of frame i in milliseconds.
    double frameMs(size_t i) const;
    EntryTimes entryTimes(int entry) const;
    // Throws Frontend::Error naming the file when it cannot be written.
    void writeJson(const Demo& demo) const;

private:
    std::string path;
    std::string renderer;
    float latency = 0.0f;
    float offset = 0.0f;
    Music* music = nullptr;
    std::vector<LiveFrame> records;
};

} // namespace Vantrel
