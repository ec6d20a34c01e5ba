// Command-line parsing for the demo program (CLI11). Each option group
// registers its options on the app, then turns the raw texts into values;
// the first problem found becomes the one-line error.
#include "demo/DemoOptions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <CLI/CLI.hpp>

#include "demo/Demo.h"
#include "frontend/Version.h"

namespace Vantrel {

namespace {

// Option texts as typed, converted once CLI11 has split the line.
struct RawOptions {
    std::string size;
    std::string scale;
    std::string from;
    std::string to;
    std::string vsync;
    std::string audioOffset;
};

void addWindowGroup(CLI::App& app, RawOptions& raw, DemoOptions& options)
{
    app.add_flag("--windowed", options.windowed,
                 "Play in an ordinary resizable window instead of switching the display mode");
    app.add_option("--size", raw.size, "Window size in pixels; the picture is scaled with its aspect kept")
        ->type_name("WIDTHxHEIGHT");
}

std::string convertWindowGroup(const RawOptions& raw, DemoOptions& options)
{
    if (raw.size.empty())
        return "";
    if (!parseSize(raw.size, options.width, options.height))
        return "--size: '" + raw.size + "' is not a size like 1024x768 (sides 1 to " + std::to_string(kMaxSide) + ")";
    return "";
}

void addPictureGroup(CLI::App& app, RawOptions& raw)
{
    app.add_option("--scale", raw.scale,
                   "Render scale of the scene pictures: 0.5 (weak machines), 1 (default), 2 or 4 (large screens), "
                   "or auto (per timeline entry, the largest of 0.5, 1, 2 that keeps up with the display)")
        ->type_name("S");
}

std::string convertPictureGroup(const RawOptions& raw, DemoOptions& options)
{
    if (raw.scale.empty())
        return "";
    if (raw.scale == "auto") {
        options.autoScale = true;
        return "";
    }
    for (const char* allowed : {"0.5", "1", "2", "4"}) {
        if (raw.scale == allowed) {
            options.renderScale = std::strtof(allowed, nullptr);
            return "";
        }
    }
    return "--scale: '" + raw.scale + "' is not one of 0.5, 1, 2, 4, auto";
}

void addPlaybackGroup(CLI::App& app, RawOptions& raw, DemoOptions& options)
{
    app.add_option("--from", raw.from, "Start there: music and clock begin at this moment")->type_name("TIME");
    app.add_option("--to", raw.to, "End there (TIME is seconds like 12.5, or beats like 76b)")->type_name("TIME");
    app.add_flag("--loop", options.loop, "Play the span from --from to --to again and again, music included");
    app.add_flag("--dev", options.dev,
                 "Development mode: Space pauses, Left/Right step a beat (Shift: 16), Page Up/Down jump "
                 "between timeline entries, Home goes back to --from; an overlay shows where you are; "
                 "edited shaders and pictures reload while it runs");
}

std::string convertTime(const char* option, const std::string& text, PlayTime& time)
{
    if (text.empty() || parsePlayTime(text, time))
        return "";
    return std::string(option) + ": '" + text + "' is not a time like 12.5 (seconds) or 76b (beats)";
}

std::string convertPlaybackGroup(const RawOptions& raw, DemoOptions& options)
{
    std::string problem = convertTime("--from", raw.from, options.from);
    if (problem.empty())
        problem = convertTime("--to", raw.to, options.to);
    return problem;
}

// Presentation group -------------------------------------------------------

void addPresentationGroup(CLI::App& app, RawOptions& raw, DemoOptions& options)
{
    app.add_option("--vsync", raw.vsync,
                   "Wait for the display before showing a frame: off (no limit, the default), on, or adaptive "
                   "(a late frame is shown at once); on is recommended on real screens")
        ->type_name("MODE");
    app.add_option("--audio-offset", raw.audioOffset,
                   "Milliseconds the sound reaches you later than the sound system says (negative: the picture "
                   "is the late one); in --dev, [ and ] change it by 5")
        ->type_name("MS");
    app.add_option("--stats", options.statsFile,
                   "Write the frame times per timeline entry (mean, worst, 99th percentile) to this JSON file")
        ->type_name("FILE.json");
}

std::string convertPresentationGroup(const RawOptions& raw, DemoOptions& options)
{
    if (!raw.vsync.empty()) {
        const char* names[] = {"off", "on", "adaptive"};
        const Vsync modes[] = {Vsync::Off, Vsync::On, Vsync::Adaptive};
        for (int i = 0; i < 3; i++)
            if (raw.vsync == names[i])
                options.vsync = modes[i];
        if (options.vsync == Vsync::Unset)
            return "--vsync: '" + raw.vsync + "' is not one of off, on, adaptive";
    }
    if (!raw.audioOffset.empty()) {
        char* end = nullptr;
        const double ms = std::strtod(raw.audioOffset.c_str(), &end);
        if (*end != '\0' || !std::isfinite(ms) || std::fabs(ms) > kMaxAudioOffsetMs ||
            raw.audioOffset.find_first_not_of("+-0123456789.") != std::string::npos) {
            char text[160];
            std::snprintf(text, sizeof text, "--audio-offset: '%s' is not milliseconds from -%.0f to %.0f",
                          raw.audioOffset.c_str(), kMaxAudioOffsetMs, kMaxAudioOffsetMs);
            return text;
        }
        options.audioOffsetMs = static_cast<float>(ms);
    }
    return "";
}

} // namespace

int swapIntervalOf(Vsync vsync)
{
    return vsync == Vsync::On ? 1 : vsync == Vsync::Adaptive ? -1 : 0;
}

namespace {

// The span becomes the production's own start and end: the music and the
// clock start at --from, and the loop ends at --to as it ends at the end.
std::string applyPlaybackGroup(const DemoOptions& options, Demo& demo)
{
    if (!options.playsSpan())
        return "";
    float from = options.from.given ? options.from.seconds(demo.tempo) : demo.musicStart;
    float to = options.to.given ? options.to.seconds(demo.tempo) : demo.endTime;
    std::string problem = spanProblem(from, to, demo.endTime);
    if (!problem.empty())
        return problem;
    demo.musicStart = from;
    demo.endTime = to;
    return "";
}

} // namespace

DemoParse parseDemoOptions(int argc, const char* const* argv)
{
    DemoParse result;
    RawOptions raw;
    CLI::App app{
        "Plays the demo: its music and, in step with it, its scenes, from the first beat to the end. "
        "Escape ends it; F10 held writes every frame to dump0.png, dump1.png, ... "
        "It finds data/ and vantrel_data/ in the current directory, beside the program or in the installed folder.",
        "vantrel"};
    addWindowGroup(app, raw, result.options);
    addPictureGroup(app, raw);
    addPlaybackGroup(app, raw, result.options);
    app.set_version_flag("--version", Frontend::versionText("vantrel"));
    addPresentationGroup(app, raw, result.options);
    result.usage = app.help();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        result.status = DemoParse::Status::Help;
        result.message = result.usage;
        return result;
    } catch (const CLI::CallForVersion& version) {
        result.status = DemoParse::Status::Help;
        result.message = std::string(version.what()) + "\n";
        return result;
    } catch (const CLI::ParseError& error) {
        result.message = error.what();
        return result;
    }
    result.message = convertWindowGroup(raw, result.options);
    if (result.message.empty())
        result.message = convertPictureGroup(raw, result.options);
    if (result.message.empty())
        result.message = convertPlaybackGroup(raw, result.options);
    if (result.message.empty())
        result.message = convertPresentationGroup(raw, result.options);
    result.status = result.message.empty() ? DemoParse::Status::Run : DemoParse::Status::Error;
    return result;
}

std::string applyDemoOptions(const DemoOptions& options, Demo& demo)
{
    if (options.windowed) {
        demo.fullscreen = false;
        demo.windowed = true;
    }
    if (options.width > 0) {
        demo.width = options.width;
        demo.height = options.height;
    }
    demo.renderScale = options.renderScale;
    demo.autoScale = options.autoScale;
    demo.swapInterval = swapIntervalOf(options.vsync);
    demo.setsSwapInterval = options.vsync != Vsync::Unset;
    demo.audioOffset = options.audioOffsetMs / 1000.0f;
    return applyPlaybackGroup(options, demo);
}

} // namespace Vantrel
