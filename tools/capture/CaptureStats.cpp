// Frame timings and their per-entry summary (nlohmann-json).
#include "tools/capture/CaptureStats.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include <nlohmann/json.hpp>

#include "frontend/Error.h"
#include "tools/capture/OutputFile.h"

namespace Capture {

CaptureStats::CaptureStats(std::vector<EntrySpan> spans, long expectedFrames) : entrySpans(std::move(spans))
{
    records.reserve(static_cast<std::size_t>(std::max(0L, expectedFrames)));
}

void CaptureStats::record(double time, int entry, double composeMs, double frameMs)
{
    records.push_back({time, entry, composeMs, frameMs});
}

TimingSummary CaptureStats::summary(int entry) const
{
    TimingSummary s;
    double total = 0.0;
    double totalCompose = 0.0;
    for (const FrameRecord& r : records) {
        if (entry != kAllFrames && r.entry != entry)
            continue;
        ++s.frames;
        total += r.frameMs;
        totalCompose += r.composeMs;
        s.worstMs = std::max(s.worstMs, r.frameMs);
        s.worstComposeMs = std::max(s.worstComposeMs, r.composeMs);
    }
    if (s.frames > 0) {
        s.meanMs = total / static_cast<double>(s.frames);
        s.meanComposeMs = totalCompose / static_cast<double>(s.frames);
    }
    return s;
}

namespace {

nlohmann::json summaryJson(const TimingSummary& s)
{
    return {{"frames", s.frames},
            {"meanMs", s.meanMs},
            {"worstMs", s.worstMs},
            {"meanComposeMs", s.meanComposeMs},
            {"worstComposeMs", s.worstComposeMs}};
}

} // namespace

nlohmann::json CaptureStats::toJson(const StatsInfo& info) const
{
    nlohmann::json frameList = nlohmann::json::array();
    for (std::size_t i = 0; i < records.size(); ++i) {
        const FrameRecord& r = records[i];
        frameList.push_back({{"frame", i},
                             {"time", r.time},
                             {"activeEntry", r.entry >= 0 ? nlohmann::json(r.entry) : nlohmann::json(nullptr)},
                             {"composeMs", r.composeMs},
                             {"frameMs", r.frameMs}});
    }
    nlohmann::json entries = nlohmann::json::array();
    for (std::size_t i = 0; i < entrySpans.size(); ++i) {
        nlohmann::json entry = summaryJson(summary(static_cast<int>(i)));
        entry["entry"] = i;
        entry["start"] = entrySpans[i].start;
        entry["end"] = entrySpans[i].end;
        entries.push_back(entry);
    }
    return {{"fps", info.fps},
            {"width", info.width},
            {"height", info.height},
            {"scale", info.scale},
            {"frames", frameList},
            {"entries", entries},
            {"noEntry", summaryJson(summary(-1))},
            {"all", summaryJson(summary(kAllFrames))}};
}

// Written under its partial name and renamed once whole: a full disk or a
// kill never leaves a truncated file under the name asked for.
void CaptureStats::writeJson(const std::string& path, const StatsInfo& info) const
{
    const std::string partial = partialPath(path);
    std::ofstream file(partial, std::ios::trunc);
    if (!file)
        throw Frontend::Error("cannot write the stats file " + partial);
    file << toJson(info).dump(1) << '\n';
    file.close();
    if (!file) {
        std::remove(partial.c_str());
        throw Frontend::Error("cannot write the stats file " + partial + " (disk full?)");
    }
    commitPartial(partial, path);
}

std::string CaptureStats::table() const
{
    std::string text = "entry     start      end   frames  mean ms  worst ms\n";
    char line[128];
    auto row = [&](const char* label, float start, float end, const TimingSummary& s) {
        std::snprintf(line, sizeof line, "%-6s %8.3f %8.3f %8ld %8.2f %9.2f\n", label, static_cast<double>(start),
                      static_cast<double>(end), s.frames, s.meanMs, s.worstMs);
        text += line;
    };
    for (std::size_t i = 0; i < entrySpans.size(); ++i) {
        TimingSummary s = summary(static_cast<int>(i));
        if (s.frames > 0)
            row(std::to_string(i).c_str(), entrySpans[i].start, entrySpans[i].end, s);
    }
    TimingSummary none = summary(-1);
    if (none.frames > 0)
        row("none", 0.0f, 0.0f, none);
    return text;
}

void checkStatsWritable(const std::string& path)
{
    const std::string partial = partialPath(path);
    if (!std::ofstream(partial, std::ios::app))
        throw Frontend::Error("cannot write the stats file " + path);
    std::remove(partial.c_str());
}

} // namespace Capture
