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
#include "frontend/DataPath.h"
#include "frontend/Error.h"
#include "frontend/Platform.h"
#include "frontend/RenderTarget.h"
#include "frontend/StopRequest.h"
#include "prod/Prod.h"
#include "tools/capture/CaptureOptions.h"
#include "tools/capture/CaptureStats.h"
#include "tools/capture/FrameBudget.h"
#include "tools/capture/FrameReader.h"
#include "tools/capture/FrameSink.h"
#include "tools/capture/MotionBlur.h"
#include "tools/capture/OutputFile.h"
#include "tools/capture/Progress.h"
#include "tools/capture/QueuedSink.h"
#include "tools/capture/VideoSink.h"
#include "tools/capture/YuvConverter.h"

using namespace Capture;

namespace {

constexpr int kUsageExitStatus = 2;
constexpr int kInterruptedExitStatus = 130;
// Finished frames waiting for the encoding thread: enough to ride out a slow
// frame on either side, few enough to stay small at 4K (25 MB each); fewer
// where the frames are larger (see planFrameMemory).
constexpr int kQueuedFrames = 3;

// The video being written, under its partial name: removed when the run ends
// without a playable one, also when an error ends the process on the spot.
std::string pendingOutput;

void removePendingOutput()
{
    if (pendingOutput.empty())
        return;
    std::error_code error;
    std::filesystem::remove(pendingOutput, error);
    pendingOutput.clear();
}

void checkDataFolders()
{
    for (const char* folder : {"data", "vantrel_data"}) {
        if (!std::filesystem::is_directory(folder))
            throw Frontend::Error(
                "no " + std::string(folder) + "/ folder in " + std::filesystem::current_path().string() +
                ", beside the program or in the installed folder; run from the directory that holds data/ "
                "and vantrel_data/ (build/run)");
    }
}

// No display: SDL's off-screen driver. No box may wait for a click either way.
void prepareEnvironment()
{
    if (!Frontend::displayPresent())
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("VANTREL_NO_DIALOGS", "1", 1);
}

std::unique_ptr<FrameSink> makeEncoder(const CaptureOptions& options, const Vantrel::PcmTrack* music,
                                       const std::vector<bool>& kept)
{
    switch (options.outputKind()) {
    case OutputKind::PngSequence:
        return std::make_unique<PngSequenceSink>(options.out, options.width, options.height, kept);
    case OutputKind::Video: {
        VideoSinkDesc desc;
        desc.path = options.out;
        desc.width = options.width;
        desc.height = options.height;
        desc.fpsNum = static_cast<int>(options.fps.num);
        desc.fpsDen = static_cast<int>(options.fps.den);
        desc.music = music;
        desc.audioFrom = options.from;
        desc.audioTo = options.to;
        desc.crf = options.crf;
        desc.preset = options.preset;
        desc.fullRange = options.fullRange;
        desc.lossless = options.lossless;
        return std::make_unique<VideoSink>(desc);
    }
    case OutputKind::None: break;
    }
    return nullptr;
}

double millisecondsBetween(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// Frames are read from the back buffer (or the blur's own picture) at the
// size asked for, which the GL driver must be able to draw and read.
void checkWindowSize(Frontend::Context& context, const CaptureOptions& options)
{
    std::string problem = sizeProblem(options.width, options.height, queryGlLimits());
    if (!problem.empty())
        throw Frontend::Error(problem);
    int width = context.window().clientWidth();
    int height = context.window().clientHeight();
    if (width != options.width || height != options.height)
        throw Frontend::Error("the window is " + std::to_string(width) + "x" + std::to_string(height) + ", not the " +
                              std::to_string(options.width) + "x" + std::to_string(options.height) + " asked for");
}

// A window of the capture's size, never full screen, with the production's
// picture placed on it by the demo's own rule and rendered at `scale`.
void sizeProduction(Prod::Prod& production, const CaptureOptions& options, double scale)
{
    production.fullscreen = false;
    production.width = options.width;
    production.height = options.height;
    production.fit = options.fit;
    production.renderScale = static_cast<float>(scale);
}

std::string scaleLabel(const CaptureOptions& options, double scale)
{
    char text[48];
    std::snprintf(text, sizeof text, "scale %g%s  ", scale, options.scale > 0.0 ? "" : " (automatic)");
    return text;
}

// One composition at demo time t, with the spectrum of the music at that moment.
void compose(Prod::Prod& production, double t, float frameTime, const Vantrel::PcmTrack* track,
             Vantrel::SpectrumAnalyzer& analyzer)
{
    production.time = static_cast<float>(t);
    production.frameTime = frameTime;
    if (track)
        analyzer.analyze(*track, static_cast<int64_t>(static_cast<double>(production.time) * Vantrel::kSampleRate),
                         production.spectrum);
    production.composeFrame();
}

// Ctrl+C reaches SDL as a quit event, SIGTERM the stop handler.
bool stopAsked()
{
    return Frontend::stopRequested() || SDL_QuitRequested();
}

struct FrameRenderer {
    Prod::Prod& production;
    const CaptureOptions& options;
    const Vantrel::PcmTrack* track;
    Vantrel::SpectrumAnalyzer analyzer;
    MotionBlur* blur;    // null without motion blur
    CaptureStats* stats; // null unless --stats: its GPU times wait for the GPU
    bool stopped = false; // a stop request cut the last frame short: it has no picture

    // Output frame `frame`: its compositions, averaged by the blur unless
    // `compositionsOnly` (a frame kept on disk, composed for the state the
    // scenes carry on). Returns the framebuffer that holds the picture. A
    // stop request is heard between sub-frames too, since one blurred 4K frame
    // can take minutes.
    unsigned render(long frame, bool compositionsOnly)
    {
        auto begin = std::chrono::steady_clock::now();
        double composeMs = 0.0;
        int entry = -1;
        const bool blurring = blur && !compositionsOnly;
        if (blurring)
            blur->begin();
        for (int sub = 0; sub < options.motionBlur; ++sub) {
            if (sub > 0 && stopAsked()) {
                stopped = true;
                return 0;
            }
            auto start = std::chrono::steady_clock::now();
            compose(production, compositionTime(options, frame, sub), static_cast<float>(options.frameTime()), track,
                    analyzer);
            composeMs += millisecondsBetween(start, std::chrono::steady_clock::now());
            if (sub == 0)
                entry = production.activeEntry();
            if (blurring)
                blur->add();
        }
        unsigned framebuffer = blurring ? blur->resolve() : 0;
        if (stats) {
            glFinish();
            stats->record(compositionTime(options, frame, 0), entry, composeMs,
                          millisecondsBetween(begin, std::chrono::steady_clock::now()));
        }
        return framebuffer;
    }
};

struct RunResult {
    long done = 0;
    bool interrupted = false;
};

bool isKept(const std::vector<bool>& kept, long frame)
{
    return frame < static_cast<long>(kept.size()) && kept[static_cast<std::size_t>(frame)];
}

// Whether a video takes its YUV from the GPU, as --yuv-on says, where the
// planes' picture fits the driver; otherwise the sink converts RGB.
bool convertOnGpu(const CaptureOptions& options)
{
    if (options.yuvOn == YuvOn::Cpu || !YuvConverter::fits(options.width, options.height))
        return false;
    return options.yuvOn == YuvOn::Gpu || !YuvConverter::softwareRenderer();
}

// The frame buffers of a capture, allocated once the GL context has shown
// that it can hold frames of this size. The encoder moves to a thread of its
// own, behind a short queue of finished frames.
struct FrameBuffers {
    std::unique_ptr<MotionBlur> blur;
    std::unique_ptr<YuvConverter> yuv;
    std::unique_ptr<FrameReader> reader;

    FrameBuffers(const CaptureOptions& options, std::unique_ptr<FrameSink>& sink, int slots)
    {
        if (!sink)
            return;
        if (convertOnGpu(options) && sink->takeLayout(FrameLayout::Yuv420))
            yuv = std::make_unique<YuvConverter>(options.width, options.height, options.fullRange);
        sink = std::make_unique<QueuedSink>(std::move(sink), options.width, options.height, slots);
        if (options.motionBlur > 1)
            blur = std::make_unique<MotionBlur>(options.width, options.height);
        reader = std::make_unique<FrameReader>(options.width, options.height, sink->layout());
    }

    // The framebuffer a frame is read from, once its picture is in `framebuffer`.
    unsigned finished(unsigned framebuffer) { return yuv ? yuv->convert(framebuffer) : framebuffer; }
};

RunResult renderAll(Prod::Prod& production, const CaptureOptions& options, double scale, const Vantrel::PcmTrack* track,
                    std::unique_ptr<FrameSink>& encoder, const std::vector<bool>& kept, int slots)
{
    RunResult run;
    std::unique_ptr<Frontend::Context> context;
    try {
        context = production.start(true);
    } catch (const Frontend::StopRequested&) {
        run.interrupted = true; // Ctrl+C or SIGTERM while loading: no frame was made
        return run;
    }
    checkWindowSize(*context, options);
    FrameBuffers buffers(options, encoder, slots);
    FrameSink* sink = encoder.get();
    FrameReader* reader = buffers.reader.get();

    const long frames = countFrames(options);
    std::vector<EntrySpan> spans;
    for (const Vantrel::TimelineEntry& entry : production.timeline)
        spans.push_back({entry.start, entry.end});
    CaptureStats stats(spans, frames);
    ProgressBar progress(frames, !options.quiet && isatty(STDERR_FILENO), scaleLabel(options, scale));
    FrameRenderer renderer{
        production, options, track, {}, buffers.blur.get(), options.stats.empty() ? nullptr : &stats};

    for (long frame = 0; frame < frames; ++frame) {
        // Stop cleanly so the video stays playable.
        if (stopAsked()) {
            run.interrupted = true;
            break;
        }
        const bool onDisk = isKept(kept, frame);
        unsigned framebuffer = renderer.render(frame, onDisk || !sink);
        if (renderer.stopped) {
            run.interrupted = true;
            break;
        }
        if (sink && !onDisk) {
            reader->start(buffers.finished(framebuffer));
            if (reader->full())
                sink->writeFrame(reader->finishOldest());
        }
        progress.update(++run.done);
    }
    // The frames still on their way back were rendered: they are written, interrupted or not.
    while (reader && reader->pending() > 0)
        sink->writeFrame(reader->finishOldest());
    progress.finish();
    if (!options.stats.empty())
        stats.writeJson(options.stats, StatsInfo{options.fps.value(), options.width, options.height, scale});
    if (!options.quiet && !options.stats.empty() && !run.interrupted)
        std::printf("%s", stats.table().c_str());
    return run;
}

// The spectrum (and a video's sound) come from the decoded file, not from
// playback. A video that would silently lose its sound is refused instead.
bool loadMusic(const Prod::Prod& production, const CaptureOptions& options, Vantrel::PcmTrack& track)
{
    std::string problem;
    if (production.musicFile.empty() || Vantrel::decodeMp3(production.musicFile, track, &problem))
        return !production.musicFile.empty();
    if (options.outputKind() == OutputKind::Video && !options.silent)
        throw Frontend::Error(problem + "; the video would have no sound (--silent captures it without)");
    std::fprintf(stderr, "vantrel-capture: %s; rendering with a silent spectrum\n", problem.c_str());
    return false;
}

// Every frame buffer must fit before the first is allocated.
int plannedQueueSlots(const CaptureOptions& options)
{
    if (options.outputKind() == OutputKind::None)
        return 0;
    FrameMemory memory =
        planFrameMemory(options.width, options.height, options.motionBlur > 1, kQueuedFrames, physicalMemory());
    if (!memory.problem.empty())
        throw Frontend::Error(memory.problem);
    return memory.slots;
}

int capture(const CaptureOptions& options)
{
    checkDataFolders();
    prepareEnvironment();

    Prod::Prod production;
    const double scale = chooseRenderScale(options);
    sizeProduction(production, options, scale);
    Vantrel::PcmTrack music;
    const Vantrel::PcmTrack* track = loadMusic(production, options, music) ? &music : nullptr;
    const Vantrel::PcmTrack* sound = options.silent ? nullptr : track;

    // Output problems show before the long start-up, not after it.
    if (!options.stats.empty())
        checkStatsWritable(options.stats);
    const int slots = plannedQueueSlots(options);
    std::vector<bool> kept;
    if (options.resume)
        kept = framesOnDisk(options.out, countFrames(options), options.width, options.height);
    std::unique_ptr<FrameSink> sink = makeEncoder(options, sound, kept);
    if (options.outputKind() == OutputKind::Video) {
        pendingOutput = partialPath(options.out);
        Frontend::setExitCleanup(removePendingOutput);
    }

    RunResult run;
    std::string written;
    try {
        run = renderAll(production, options, scale, track, sink, kept, slots);
        if (sink && run.done > 0) {
            sink->finish();
            pendingOutput.clear();
            written = sink->describe();
        }
    } catch (...) {
        sink.reset();
        removePendingOutput();
        throw;
    }
    sink.reset();
    removePendingOutput();

    if (run.interrupted) {
        std::string outcome = options.outputKind() == OutputKind::None ? ""
                              : written.empty()                        ? "; nothing written"
                                                                       : "; wrote " + written;
        std::fprintf(stderr, "vantrel-capture: interrupted after %ld of %ld frames%s\n", run.done, countFrames(options),
                     outcome.c_str());
        return kInterruptedExitStatus;
    }
    if (!options.quiet && !written.empty())
        std::printf("vantrel-capture: wrote %s\n", written.c_str());
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
    // Ctrl+C or SIGTERM, at any moment (loading included), ends the run cleanly.
    Frontend::installStopHandlers();
    // Data is read from the data root; outputs stay named against where the user started.
    try {
        std::string moved = Frontend::enterDataRoot();
        if (!moved.empty())
            throw Frontend::Error(moved);
        parsed.options.out = Frontend::outputPath(parsed.options.out);
        parsed.options.stats = Frontend::outputPath(parsed.options.stats);
        return capture(parsed.options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vantrel-capture: %s\n", error.what());
        return Frontend::kErrorExitStatus;
    }
}
