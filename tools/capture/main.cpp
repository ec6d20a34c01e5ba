// vantrel-capture: renders the production off-screen at a fixed frame rate,
// composing each frame exactly as the demo does, and hands the pictures to a
// PNG or video sink; optionally records how long every frame took.
//
//   cd build/run && ./vantrel-capture --fps 30 --out vantrel.mp4
//   ./vantrel-capture --at 10,20.5 --out shots --size 400x300
//   ./vantrel-capture --fps 30 --stats stats.json --quiet
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <SDL.h>
#include <epoxy/gl.h>
#include <unistd.h>

#include "demo/Music.h"
#include "frontend/Context.h"
#include "frontend/Error.h"
#include "frontend/RenderTarget.h"
#include "prod/Prod.h"
#include "tools/capture/CaptureOptions.h"
#include "tools/capture/CaptureStats.h"
#include "tools/capture/FrameSink.h"
#include "tools/capture/Progress.h"
#include "tools/capture/VideoSink.h"

using namespace Capture;

namespace {

constexpr int kUsageExitStatus = 2;
constexpr int kInterruptedExitStatus = 130;

void checkDataFolders()
{
    for (const char* folder : {"data", "vantrel_data"}) {
        if (!std::filesystem::is_directory(folder))
            throw Frontend::Error("no " + std::string(folder) + "/ folder in " +
                                  std::filesystem::current_path().string() +
                                  "; run from the directory that holds data/ and vantrel_data/ (build/run)");
    }
}

// No display: SDL's off-screen driver. No box may wait for a click either way.
void prepareEnvironment()
{
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!display || !*display) && (!wayland || !*wayland))
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("VANTREL_NO_DIALOGS", "1", 1);
}

std::unique_ptr<FrameSink> makeSink(const CaptureOptions& options, const Vantrel::PcmTrack* music)
{
    switch (options.outputKind()) {
    case OutputKind::PngSequence:
        return std::make_unique<PngSequenceSink>(options.out, options.width, options.height);
    case OutputKind::Video: {
        VideoSinkDesc desc;
        desc.path = options.out;
        desc.width = options.width;
        desc.height = options.height;
        desc.fps = options.fps;
        desc.music = music;
        desc.audioFrom = options.from;
        desc.audioTo = options.to;
        return std::make_unique<VideoSink>(desc);
    }
    case OutputKind::None:
        break;
    }
    return nullptr;
}


double millisecondsBetween(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// The composed frame from the back buffer, read before anything presents it.
const unsigned char* readFrame(Frontend::Context& context, const CaptureOptions& options)
{
    Frontend::RenderTarget::unbind();
    int width = 0;
    int height = 0;
    const unsigned char* rows = context.readFrame(width, height);
    if (!rows || width != options.width || height != options.height)
        throw Frontend::Error("the window is " + std::to_string(width) + "x" + std::to_string(height) +
                              ", not the " + std::to_string(options.width) + "x" + std::to_string(options.height) +
                              " asked for");
    return rows;
}

// A window of the capture's size, never full screen.
void sizeProduction(Prod::Prod& production, const CaptureOptions& options)
{
    production.fullscreen = false;
    production.width = options.width;
    production.height = options.height;
    production.viewport[0] = 0;
    production.viewport[1] = 0;
    production.viewport[2] = options.width;
    production.viewport[3] = options.height;
}

// One frame at demo time t, with the spectrum of the music at that moment,
// timed on the CPU and until the GPU has finished.
void renderFrame(Prod::Prod& production, double t, float frameTime, const Vantrel::PcmTrack* track,
                 Vantrel::SpectrumAnalyzer& analyzer, CaptureStats& stats)
{
    production.time = static_cast<float>(t);
    production.frameTime = frameTime;
    if (track)
        analyzer.analyze(*track, static_cast<int64_t>(static_cast<double>(production.time) * Vantrel::kSampleRate),
                         production.spectrum);
    auto begin = std::chrono::steady_clock::now();
    production.composeFrame();
    auto composed = std::chrono::steady_clock::now();
    glFinish();
    auto finished = std::chrono::steady_clock::now();
    stats.record(t, production.activeEntry(), millisecondsBetween(begin, composed), millisecondsBetween(begin, finished));
}

int capture(const CaptureOptions& options)
{
    checkDataFolders();
    prepareEnvironment();

    Prod::Prod production;
    sizeProduction(production, options);

    // The spectrum (and the film's sound) come from the decoded file, not from playback.
    Vantrel::PcmTrack track;
    std::string musicProblem;
    bool haveMusic = !production.musicFile.empty() && Vantrel::decodeMp3(production.musicFile, track, &musicProblem);
    if (!production.musicFile.empty() && !haveMusic)
        std::fprintf(stderr, "vantrel-capture: %s; rendering with a silent spectrum and no sound\n",
                     musicProblem.c_str());

    // Output problems show before the long start-up, not after it.
    std::unique_ptr<FrameSink> sink = makeSink(options, haveMusic ? &track : nullptr);
    if (!options.stats.empty())
        checkStatsWritable(options.stats);

    std::unique_ptr<Frontend::Context> context = production.start(true);

    std::vector<double> times = captureTimes(options);
    std::vector<EntrySpan> spans;
    for (const Vantrel::TimelineEntry& entry : production.timeline)
        spans.push_back({entry.start, entry.end});
    CaptureStats stats(spans, static_cast<long>(times.size()));
    ProgressBar progress(static_cast<long>(times.size()), !options.quiet && isatty(STDERR_FILENO));
    Vantrel::SpectrumAnalyzer analyzer;

    long done = 0;
    bool interrupted = false;
    for (double t : times) {
        // Ctrl+C reaches SDL as a quit event; stop cleanly so the video stays playable.
        if (SDL_QuitRequested()) {
            interrupted = true;
            break;
        }
        renderFrame(production, t, static_cast<float>(options.frameTime()), haveMusic ? &track : nullptr, analyzer,
                    stats);
        if (sink)
            sink->writeFrame(readFrame(*context, options));
        progress.update(++done);
    }
    progress.finish();

    if (sink)
        sink->finish();
    if (!options.stats.empty())
        stats.writeJson(options.stats, StatsInfo{options.fps, options.width, options.height});

    if (interrupted) {
        std::fprintf(stderr, "vantrel-capture: interrupted after %ld of %zu frames%s%s\n", done, times.size(),
                     sink ? "; wrote " : "", sink ? sink->describe().c_str() : "");
        return kInterruptedExitStatus;
    }
    if (!options.quiet) {
        if (!options.stats.empty())
            std::printf("%s", stats.table().c_str());
        if (sink)
            std::printf("vantrel-capture: wrote %s\n", sink->describe().c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    CaptureParse parsed = parseCaptureOptions(argc, argv);
    if (parsed.status == CaptureParse::Status::Help) {
        std::printf("%s", parsed.message.c_str());
        return 0;
    }
    if (parsed.status == CaptureParse::Status::Error) {
        std::fprintf(stderr, "vantrel-capture: %s\nRun with --help for the options.\n", parsed.message.c_str());
        return kUsageExitStatus;
    }
    try {
        return capture(parsed.options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vantrel-capture: %s\n", error.what());
        return Frontend::kErrorExitStatus;
    }
}
