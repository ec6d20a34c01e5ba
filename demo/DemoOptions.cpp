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
                   "Render scale of the scene pictures: 0.5 (weak machines), 1 (default), 2 or 4 (large screens)")
        ->type_name("S");
}

std::string convertPictureGroup(const RawOptions& raw, DemoOptions& options)
{
    if (raw.scale.empty())
        return "";
    for (const char* allowed : {"0.5", "1", "2", "4"}) {
        if (raw.scale == allowed) {
            options.renderScale = std::strtof(allowed, nullptr);
            return "";
        }
    }
    return "--scale: '" + raw.scale + "' is not one of 0.5, 1, 2, 4";
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

} // namespace

namespace {

// The span becomes the production's own start and end: the music and the
// clock start at --from, and the loop ends at --to as it ends at the end.
std::string applyPlaybackGroup(const DemoOptions& options, Demo& demo)
{
    if (!options.playsSpan())
        return "";
    float from = options.from.given ? options.from.seconds(demo.tempo) : demo.musicStart;
    float to = options.to.given ? options.to.seconds(demo.tempo) : demo.endTime;
    char text[160];
    if (!(from < demo.endTime) && !options.to.given) {
        std::snprintf(text, sizeof text, "--from: %.3f s is not before the end of the production (%.3f s)", from,
                      demo.endTime);
        return text;
    }
    if (to > demo.endTime) {
        std::snprintf(text, sizeof text, "--to: %.3f s is past the end of the production (%.3f s)", to, demo.endTime);
        return text;
    }
    if (!(from < to)) {
        std::snprintf(text, sizeof text, "--to: %.3f s is not after --from (%.3f s)", to, from);
        return text;
    }
    demo.musicStart = from;
    demo.endTime = to;
    return "";
}

} // namespace

DemoParse parseDemoOptions(int argc, const char* const* argv)
{
    DemoParse result;
    RawOptions raw;
    CLI::App app{"Plays the demo: its music and, in step with it, its scenes, from the first beat to the end. "
                 "Escape ends it; F10 held writes every frame to dump0.png, dump1.png, ... "
                 "Run it from the directory that holds data/ and vantrel_data/.",
                 "vantrel"};
    addWindowGroup(app, raw, result.options);
    addPictureGroup(app, raw);
    addPlaybackGroup(app, raw, result.options);
    app.set_version_flag("--version", Frontend::versionText("vantrel"));
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
    return applyPlaybackGroup(options, demo);
}

} // namespace Vantrel
