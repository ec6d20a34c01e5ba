// Command-line parsing for the demo program (CLI11). Each option group
// registers its options on the app, then turns the raw texts into values;
// the first problem found becomes the one-line error.
#include "demo/DemoOptions.h"

#include <cstdlib>

#include <CLI/CLI.hpp>

#include "demo/Demo.h"

namespace Vantrel {

namespace {

// Option texts as typed, converted once CLI11 has split the line.
struct RawOptions {
    std::string size;
};

constexpr int kMaxSide = 16384;

bool parseSide(const std::string& text, int& side)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    side = std::atoi(text.c_str());
    return side > 0 && side <= kMaxSide;
}

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
    std::size_t x = raw.size.find('x');
    if (x == std::string::npos || !parseSide(raw.size.substr(0, x), options.width) ||
        !parseSide(raw.size.substr(x + 1), options.height))
        return "--size: '" + raw.size + "' is not a size like 1024x768 (sides 1 to " + std::to_string(kMaxSide) + ")";
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
    result.usage = app.help();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        result.status = DemoParse::Status::Help;
        result.message = result.usage;
        return result;
    } catch (const CLI::ParseError& error) {
        result.message = error.what();
        return result;
    }
    result.message = convertWindowGroup(raw, result.options);
    result.status = result.message.empty() ? DemoParse::Status::Run : DemoParse::Status::Error;
    return result;
}

void applyDemoOptions(const DemoOptions& options, Demo& demo)
{
    if (options.windowed) {
        demo.fullscreen = false;
        demo.windowed = true;
    }
    if (options.width > 0) {
        demo.width = options.width;
        demo.height = options.height;
    }
}

} // namespace Vantrel
