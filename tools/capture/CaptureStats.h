// Render timings of a capture run: one record per frame and a summary per
// timeline entry, written as JSON. This is the project's frame-rate
// benchmark (run it with --stats and no --out); nothing asserts on it.
//
//   CaptureStats stats({{0.0f, 4.4f}, {4.4f, 9.0f}}, expectedFrames);
//   stats.record(time, activeEntry, composeMs, frameMs);   // per frame, no allocation
//   stats.writeJson("stats.json", info);
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace Capture {

struct EntrySpan {
    float start;
    float end;
};

struct FrameRecord {
    double time;
    int entry;        // index of the active timeline entry, -1 for none
    double composeMs; // wall time inside the composition call (CPU side)
    double frameMs;   // until the GPU finished the frame
};

struct TimingSummary {
    long frames = 0;
    double meanMs = 0.0;
    double worstMs = 0.0;
    double meanComposeMs = 0.0;
    double worstComposeMs = 0.0;
};

// What the run was, written beside the numbers.
struct StatsInfo {
    double fps = 0.0;
    int width = 0;
    int height = 0;
    double scale = 1.0;
};

class CaptureStats {
public:
    CaptureStats(std::vector<EntrySpan> spans, long expectedFrames);

    void record(double time, int entry, double composeMs, double frameMs);

    const std::vector<FrameRecord>& frames() const { return records; }
    static constexpr int kAllFrames = -2;
    // Summary of the frames that composed entry `entry` (-1: frames with no entry, kAllFrames: every frame).
    TimingSummary summary(int entry) const;

    nlohmann::json toJson(const StatsInfo& info) const;
    // Throws Frontend::Error when the file cannot be written.
    void writeJson(const std::string& path, const StatsInfo& info) const;
    // Plain-text table of the per-entry summaries, for the terminal.
    std::string table() const;

private:
    std::vector<EntrySpan> entrySpans;
    std::vector<FrameRecord> records;
};

// Fails early (before rendering) when `path` cannot be created or written.
void checkStatsWritable(const std::string& path);

} // namespace Capture
