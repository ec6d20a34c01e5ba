#include "devmode/LiveStats.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <nlohmann/json.hpp>

#include "demo/Demo.h"
#include "demo/Music.h"
#include "devmode/FileWatch.h"
#include "frontend/Error.h"
#include "tools/capture/CaptureStats.h"

namespace Vantrel {

namespace {

// Ten minutes at 240 frames per second: the record grows past that only on
// a run that long, and then seldom.
constexpr size_t kReservedFrames = 10 * 60 * 240;

// The run being recorded, for endings that never come back to the loop: a
// display server that goes away makes the window library exit the process,
// and fatal errors end it from wherever they happen.
LiveStats* unfinished = nullptr;
Demo* unfinishedDemo = nullptr;

void saveUnfinished()
{
    if (unfinished)
        unfinished->end(*unfinishedDemo);
}

} // namespace

LiveStats::LiveStats(std::string statsPath) : path(std::move(statsPath))
{
    records.reserve(kReservedFrames);
}

LiveStats::~LiveStats()
{
    if (unfinished == this)
        unfinished = nullptr;
}

void LiveStats::begin(Demo& demo, Frontend::Context&, Music* demoMusic, bool)
{
    static bool atExit = std::atexit(saveUnfinished) == 0;
    (void)atExit;
    Frontend::setExitCleanup(saveUnfinished);
    unfinished = this;
    unfinishedDemo = &demo;
    music = demoMusic;
    const GLubyte* name = glGetString(GL_RENDERER);
    renderer = name ? reinterpret_cast<const char*>(name) : "unknown";
}

bool LiveStats::beforeCompose(Demo& demo)
{
    const double now = steadySeconds();
    if (!records.empty() && records.back().presentedAt == 0.0)
        records.back().presentedAt = now;
    records.push_back({demo.time, demo.activeEntry(), now, 0.0, 0.0});
    return true;
}

void LiveStats::afterCompose(Demo&)
{
    if (!records.empty())
        records.back().composedAt = steadySeconds();
}

void LiveStats::end(Demo& demo)
{
    if (unfinished == this) {
        unfinished = nullptr;
        Frontend::setExitCleanup(nullptr);
    }
    // The last frame was swapped before the loop ended; a frame the loop
    // left before composing it never reached the screen.
    if (!records.empty() && records.back().composedAt == 0.0)
        records.pop_back();
    else if (!records.empty() && records.back().presentedAt == 0.0)
        records.back().presentedAt = steadySeconds();
    if (music) {
        latency = music->latencySeconds();
        offset = music->offsetSeconds();
    }
    music = nullptr;
    if (path.empty())
        return;
    try {
        writeJson(demo);
    } catch (const Frontend::Error& error) {
        std::fprintf(stderr, "vantrel: %s\n", error.what());
    }
}

double LiveStats::frameMs(size_t i) const
{
    const double from = i == 0 ? records[0].startedAt : records[i - 1].presentedAt;
    return (records[i].presentedAt - from) * 1000.0;
}

EntryTimes LiveStats::entryTimes(int entry) const
{
    std::vector<double> times;
    for (size_t i = 0; i < records.size(); i++)
        if (records[i].entry == entry)
            times.push_back(frameMs(i));
    EntryTimes t;
    t.frames = static_cast<long>(times.size());
    if (times.empty())
        return t;
    std::sort(times.begin(), times.end());
    double total = 0.0;
    for (double ms : times)
        total += ms;
    t.meanMs = total / static_cast<double>(times.size());
    t.worstMs = times.back();
    // Nearest rank: the smallest time that 99 % of the frames do not exceed.
    const size_t rank = static_cast<size_t>(std::ceil(0.99 * static_cast<double>(times.size())));
    t.p99Ms = times[std::max<size_t>(rank, 1) - 1];
    return t;
}

void LiveStats::writeJson(const Demo& demo) const
{
    std::vector<Capture::EntrySpan> spans;
    for (const TimelineEntry& entry : demo.timeline)
        spans.push_back({entry.start, entry.end});
    Capture::CaptureStats summary(spans, static_cast<long>(records.size()));
    for (size_t i = 0; i < records.size(); i++)
        summary.record(records[i].time, records[i].entry, (records[i].composedAt - records[i].startedAt) * 1000.0,
                       frameMs(i));
    const double seconds = records.empty() ? 0.0 : records.back().presentedAt - records.front().startedAt;
    Capture::StatsInfo info;
    info.fps = seconds > 0.0 ? static_cast<double>(records.size()) / seconds : 0.0;
    info.width = demo.width;
    info.height = demo.height;
    info.scale = demo.renderScale;
    nlohmann::json json = summary.toJson(info);
    for (size_t i = 0; i < records.size(); i++) {
        json["frames"][i]["startedAt"] = records[i].startedAt;
        json["frames"][i]["presentedAt"] = records[i].presentedAt;
    }
    for (size_t i = 0; i < spans.size(); i++) {
        json["entries"][i]["p99Ms"] = entryTimes(static_cast<int>(i)).p99Ms;
        json["entries"][i]["scale"] = i < demo.entryScales.size() ? demo.entryScales[i] : demo.renderScale;
    }
    json["scaleAuto"] = demo.autoScale;
    if (!demo.scaleChoices.empty())
        json["scaleChoices"] = demo.scaleChoices;
    json["noEntry"]["p99Ms"] = entryTimes(-1).p99Ms;
    json["live"] = true;
    json["swapInterval"] = demo.grantedSwapInterval;
    json["renderer"] = renderer;
    json["audioLatencyMs"] = latency * 1000.0;
    json["audioOffsetMs"] = offset * 1000.0;

    // Whole or absent: written beside the target, then renamed over it.
    const std::string partial = path + ".partial";
    std::ofstream file(partial, std::ios::trunc);
    if (file)
        file << json.dump(1) << '\n';
    file.close();
    if (!file || std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        throw Frontend::Error("cannot write the stats file " + path);
    }
}

} // namespace Vantrel
