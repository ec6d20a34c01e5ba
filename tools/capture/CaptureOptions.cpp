// Command-line parsing for vantrel-capture (CLI11), with the checks that need
// more than one option at a time done after CLI11 has split the line.
#include "tools/capture/CaptureOptions.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include <CLI/CLI.hpp>

#include "frontend/Version.h"

namespace Capture {

namespace {

// strtod with the whole text consumed, and no inf or nan.
bool parseNumber(const std::string& text, double& value)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

bool parseSide(const std::string& text, int& side)
{
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), digit))
        return false;
    side = std::atoi(text.c_str());
    return side > 0;
}

std::string lowerExtension(const std::string& path)
{
    std::size_t dot = path.find_last_of('.');
    std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    std::string ext = path.substr(dot);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

struct RawOptions {
    std::string fps, from, to, at, size, scale, fit;
    bool atGiven = false;
};

const std::string kProductionEndText = std::to_string(static_cast<int>(kProductionEnd));

constexpr double kScales[] = {0.5, 1.0, 2.0, 4.0};

// Turns the raw option texts into values; returns an empty string or the first problem.
std::string convert(const RawOptions& raw, CaptureOptions& options)
{
    if (!raw.fps.empty() && !parseNumber(raw.fps, options.fps))
        return "--fps: '" + raw.fps + "' is not a number";
    if (!(options.fps >= kMinFps && options.fps <= kMaxFps))
        return "--fps must lie between " + std::to_string(static_cast<int>(kMinFps)) + " and " +
               std::to_string(static_cast<int>(kMaxFps)) + " (got " + raw.fps + ")";
    if (!raw.from.empty() && !parseNumber(raw.from, options.from))
        return "--from: '" + raw.from + "' is not a number of seconds";
    if (!raw.to.empty() && !parseNumber(raw.to, options.to))
        return "--to: '" + raw.to + "' is not a number of seconds";
    if (options.from < 0.0)
        return "--from must not be negative";
    if (options.from >= kProductionEnd)
        return "--from: " + raw.from + " s is not before the end of the production (" + kProductionEndText + " s)";
    if (options.to > kProductionEnd)
        return "--to: " + raw.to + " s is past the end of the production (" + kProductionEndText + " s)";
    if (!(options.from < options.to))
        return "--from must be below --to (got " + std::to_string(options.from) + " and " + std::to_string(options.to) +
               ")";

    if (raw.atGiven && raw.at.empty())
        return "--at: the list of times is empty (expected a list like 1.5,10,20)";
    if (!raw.at.empty()) {
        std::stringstream list(raw.at);
        std::string item;
        while (std::getline(list, item, ',')) {
            double t = 0.0;
            if (!parseNumber(item, t))
                return "--at: '" + item + "' is not a number of seconds (expected a list like 1.5,10,20)";
            if (t < 0.0)
                return "--at: times must not be negative (got " + item + ")";
            options.at.push_back(t);
        }
        if (options.at.empty() || raw.at.back() == ',')
            return "--at: expected a comma-separated list of times like 1.5,10,20";
    }

    if (!raw.size.empty()) {
        std::size_t x = raw.size.find('x');
        if (x == std::string::npos || !parseSide(raw.size.substr(0, x), options.width) ||
            !parseSide(raw.size.substr(x + 1), options.height))
            return "--size: '" + raw.size + "' is not a size like 800x600 with positive sides";
    }

    if (!raw.scale.empty()) {
        if (!parseNumber(raw.scale, options.scale) ||
            std::find(std::begin(kScales), std::end(kScales), options.scale) == std::end(kScales))
            return "--scale: '" + raw.scale + "' is not one of 0.5, 1, 2, 4";
    }
    if (raw.fit == "crop")
        options.fit = Vantrel::Fit::Crop;
    else if (!raw.fit.empty() && raw.fit != "bars")
        return "--fit: '" + raw.fit + "' is neither bars nor crop";
    return "";
}

std::string checkCombination(const CaptureOptions& options)
{
    if (options.outputKind() == OutputKind::Video) {
        if (options.width % 2 != 0 || options.height % 2 != 0)
            return "--size: a video needs even sides (got " + std::to_string(options.width) + "x" +
                   std::to_string(options.height) + ")";
        if (!options.at.empty())
            return "--at renders single frames and cannot be written as a video; use --out FOLDER";
    }
    long frames = countFrames(options);
    if (frames > kMaxFrames)
        return "this would render " + std::to_string(frames) + " frames; at most " + std::to_string(kMaxFrames) +
               " are allowed (check --fps)";
    return "";
}

} // namespace

OutputKind CaptureOptions::outputKind() const
{
    if (out.empty())
        return OutputKind::None;
    std::string ext = lowerExtension(out);
    return ext == ".mp4" || ext == ".mkv" ? OutputKind::Video : OutputKind::PngSequence;
}

CaptureParse parseCaptureOptions(int argc, const char* const* argv)
{
    CaptureParse result;
    RawOptions raw;
    CLI::App app{"Renders the demo's frames off-screen at a fixed frame rate, as PNG pictures or a video with "
                 "its music. Run it from the directory that holds data/ and vantrel_data/.",
                 "vantrel-capture"};
    app.add_option("--fps", raw.fps, "Frames per second of demo time (default 60)")->type_name("N");
    CLI::Option* from =
        app.add_option("--from", raw.from, "First demo time in seconds (default 0)")->type_name("SECONDS");
    CLI::Option* to =
        app.add_option("--to", raw.to, "Render while the time is below this (default 240)")->type_name("SECONDS");
    CLI::Option* at = app.add_option("--at", raw.at, "Render only these demo times, in this order")
                          ->type_name("T1,T2,...")
                          ->excludes(from)
                          ->excludes(to);
    app.add_option("--size", raw.size, "Output size (default 800x600)")->type_name("WIDTHxHEIGHT");
    app.add_option("--scale", raw.scale,
                   "Render scale of the scene pictures: 0.5, 1, 2 or 4 (default: 1 up to 800x600, "
                   "above it the smallest scale at least as sharp as the output)")
        ->type_name("S");
    app.add_option("--fit", raw.fit,
                   "On an output of another aspect: bars (whole picture, black bars; default) or crop "
                   "(fills the output, cuts the overhang)")
        ->type_name("bars|crop");
    app.add_option("--out", result.options.out,
                   "A folder for frame_000000.png, ... or a .mp4/.mkv video with the music")
        ->type_name("PATH");
    app.add_option("--stats", result.options.stats, "Write per-frame render times as JSON")->type_name("FILE.json");
    app.add_flag("--quiet", result.options.quiet, "No progress bar");
    app.set_version_flag("--version", Frontend::versionText("vantrel-capture"));

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        result.status = CaptureParse::Status::Help;
        result.message = app.help();
        return result;
    } catch (const CLI::CallForVersion& version) {
        result.status = CaptureParse::Status::Help;
        result.message = std::string(version.what()) + "\n";
        return result;
    } catch (const CLI::ParseError& error) {
        result.message = error.what();
        return result;
    }

    raw.atGiven = at->count() > 0;
    result.message = convert(raw, result.options);
    if (result.message.empty())
        result.message = checkCombination(result.options);
    if (result.message.empty() && !result.options.out.empty() && result.options.out == result.options.stats)
        result.message = "--out and --stats name the same file";
    result.status = result.message.empty() ? CaptureParse::Status::Run : CaptureParse::Status::Error;
    return result;
}

double chooseRenderScale(const CaptureOptions& options)
{
    if (options.scale > 0.0)
        return options.scale;
    if (options.width <= kPictureWidth && options.height <= kPictureHeight)
        return 1.0;
    Vantrel::PixelRect picture =
        Vantrel::placePicture(options.fit, options.width, options.height, kPictureWidth, kPictureHeight);
    for (double scale : {1.0, 2.0, 4.0})
        if (kScenePictureSide * scale >= picture.height)
            return scale;
    return 4.0;
}

long countFrames(const CaptureOptions& options)
{
    if (!options.at.empty())
        return static_cast<long>(options.at.size());
    double estimate = std::ceil((options.to - options.from) * options.fps);
    if (estimate > static_cast<double>(kMaxFrames) + 1.0)
        return static_cast<long>(std::min(estimate, 1e18));
    // The estimate can be one off either way through rounding; settle it on the same
    // expression that generates the times.
    long n = std::max(0L, static_cast<long>(estimate));
    while (n > 0 && options.from + static_cast<double>(n - 1) / options.fps >= options.to)
        --n;
    while (options.from + static_cast<double>(n) / options.fps < options.to)
        ++n;
    return n;
}

std::vector<double> captureTimes(const CaptureOptions& options)
{
    if (!options.at.empty())
        return options.at;
    long n = countFrames(options);
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(n));
    for (long i = 0; i < n; ++i)
        times.push_back(options.from + static_cast<double>(i) / options.fps);
    return times;
}

} // namespace Capture
