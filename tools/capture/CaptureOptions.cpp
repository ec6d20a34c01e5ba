// Command-line parsing for vantrel-capture (CLI11), with the checks that need
// more than one option at a time done after CLI11 has split the line.
#include "tools/capture/CaptureOptions.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <sstream>

#include <CLI/CLI.hpp>

#include "demo/OptionText.h"
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

// A moment in seconds or beats at the production's tempo. Seconds keep the
// double typed: rounded to float, 134.05 would lie 3 us late, and a piece
// ending there would render the frame at 134.05 that the next piece starts with.
bool parseTime(const std::string& text, double& seconds)
{
    Vantrel::PlayTime time;
    if (!Vantrel::parsePlayTime(text, time))
        return false;
    seconds = time.inBeats ? time.seconds(Prod::kTempo) : time.value;
    return true;
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
    std::string motionBlur, shutter;
    std::string crf, preset, color, yuvOn;
    bool atGiven = false;
};

// Up to 9 digits, all of them digits; false for an empty text.
bool parseDigits(const std::string& text, long& value)
{
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), digit))
        return false;
    value = std::atol(text.c_str());
    return true;
}

// "60", "29.97" (exactly 2997/100) or "60000/1001", reduced.
bool parseFrameRate(const std::string& text, FrameRate& rate)
{
    long num = 0;
    long den = 1;
    std::size_t slash = text.find('/');
    std::size_t dot = text.find('.');
    if (slash != std::string::npos) {
        if (!parseDigits(text.substr(0, slash), num) || !parseDigits(text.substr(slash + 1), den))
            return false;
    } else if (dot != std::string::npos) {
        std::string decimals = text.substr(dot + 1);
        if (decimals.size() > 6 || !parseDigits(text.substr(0, dot) + decimals, num))
            return false;
        for (std::size_t i = 0; i < decimals.size(); ++i)
            den *= 10;
    } else if (!parseDigits(text, num)) {
        return false;
    }
    if (num <= 0 || den <= 0)
        return false;
    long divisor = std::gcd(num, den);
    rate = FrameRate(num / divisor, den / divisor);
    return true;
}

// --motion-blur and --shutter; an empty string or the first problem.
std::string convertMotionBlur(const RawOptions& raw, CaptureOptions& options)
{
    if (!raw.motionBlur.empty()) {
        long n = 0;
        if (!parseDigits(raw.motionBlur, n) || n < 1 || n > kMaxMotionBlur)
            return "--motion-blur: '" + raw.motionBlur + "' is not a whole number of sub-frames from 1 to " +
                   std::to_string(kMaxMotionBlur);
        options.motionBlur = static_cast<int>(n);
    }
    if (!raw.shutter.empty() &&
        (!parseNumber(raw.shutter, options.shutter) || !(options.shutter > 0.0 && options.shutter <= kMaxShutter)))
        return "--shutter: '" + raw.shutter + "' is not an angle above 0 and at most 360 degrees";
    return "";
}

// --crf, --preset and --color; an empty string or the first problem.
std::string convertEncoding(const RawOptions& raw, CaptureOptions& options)
{
    long crf = 0;
    if (!raw.crf.empty() && (!parseDigits(raw.crf, crf) || crf > kMaxCrf))
        return "--crf: '" + raw.crf + "' is not a quality from 0 (lossless) to " + std::to_string(kMaxCrf) +
               " (default " + std::to_string(kDefaultCrf) + ")";
    if (!raw.crf.empty())
        options.crf = static_cast<int>(crf);
    if (!raw.preset.empty()) {
        if (std::find(std::begin(kPresets), std::end(kPresets), raw.preset) == std::end(kPresets)) {
            std::string names;
            for (const char* name : kPresets)
                names += std::string(names.empty() ? "" : ", ") + name;
            return "--preset: '" + raw.preset + "' is not one of " + names;
        }
        options.preset = raw.preset;
    }
    if (raw.color == "full-range")
        options.fullRange = true;
    else if (!raw.color.empty() && raw.color != "limited-range")
        return "--color: '" + raw.color + "' is neither limited-range nor full-range";
    if (raw.yuvOn == "gpu")
        options.yuvOn = YuvOn::Gpu;
    else if (raw.yuvOn == "cpu")
        options.yuvOn = YuvOn::Cpu;
    else if (!raw.yuvOn.empty() && raw.yuvOn != "auto")
        return "--yuv-on: '" + raw.yuvOn + "' is not auto, gpu or cpu";
    return "";
}

constexpr double kScales[] = {0.5, 1.0, 2.0, 4.0};

// Turns the raw option texts into values; returns an empty string or the first problem.
std::string convert(const RawOptions& raw, CaptureOptions& options)
{
    if (!raw.fps.empty() && !parseFrameRate(raw.fps, options.fps))
        return "--fps: '" + raw.fps + "' is not a frame rate like 60, 29.97 or 60000/1001";
    if (!(options.fps.value() >= kMinFps && options.fps.value() <= kMaxFps))
        return "--fps must lie between " + std::to_string(static_cast<int>(kMinFps)) + " and " +
               std::to_string(static_cast<int>(kMaxFps)) + " (got " + raw.fps + ")";
    if (!raw.from.empty() && !parseTime(raw.from, options.from))
        return "--from: '" + raw.from + "' is not a time like 12.5 (seconds) or 76b (beats)";
    if (!raw.to.empty() && !parseTime(raw.to, options.to))
        return "--to: '" + raw.to + "' is not a time like 12.5 (seconds) or 76b (beats)";
    std::string span = Vantrel::spanProblem(options.from, options.to, kProductionEnd);
    if (!span.empty())
        return span;

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
        if (!Vantrel::parseSize(raw.size, options.width, options.height))
            return "--size: '" + raw.size + "' is not a size like 800x600 (sides 1 to " +
                   std::to_string(Vantrel::kMaxSide) + ")";
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
    std::string problem = convertMotionBlur(raw, options);
    return problem.empty() ? convertEncoding(raw, options) : problem;
}

// What only a video takes, and what the lossless master leaves to FFV1.
std::string checkVideoOptions(const RawOptions& raw, const CaptureOptions& options)
{
    const bool video = options.outputKind() == OutputKind::Video;
    const bool tuned = !raw.crf.empty() || !raw.preset.empty() || !raw.color.empty() || !raw.yuvOn.empty();
    if ((tuned || options.silent) && !video)
        return std::string(tuned ? "--crf, --preset, --color and --yuv-on" : "--silent") +
               " apply to a video (--out FILE.mp4)";
    if (options.lossless && lowerExtension(options.out) != ".mkv")
        return "--lossless writes a Matroska file: use --out FILE.mkv";
    if (options.lossless && tuned)
        return "--lossless keeps the RGB pictures exactly; --crf, --preset, --color and --yuv-on set the H.264 "
               "encoding";
    return "";
}

std::string checkCombination(const RawOptions& raw, const CaptureOptions& options)
{
    if (options.outputKind() == OutputKind::Video) {
        if (options.width % 2 != 0 || options.height % 2 != 0)
            return "--size: a video needs even sides (got " + std::to_string(options.width) + "x" +
                   std::to_string(options.height) + ")";
        if (!options.at.empty())
            return "--at renders single frames and cannot be written as a video; use --out FOLDER";
    }
    std::string video = checkVideoOptions(raw, options);
    if (!video.empty())
        return video;
    if (options.resume && options.outputKind() != OutputKind::PngSequence)
        return "--resume continues a folder of PNG frames (--out FOLDER); a video is continued by capturing the "
               "rest as a piece of its own and joining the pieces";
    long frames = countFrames(options);
    if (frames > kMaxFrames)
        return "this would render " + std::to_string(frames) + " frames; at most " + std::to_string(kMaxFrames) +
               " are allowed (check --fps)";
    return "";
}

// How a video is encoded and what it carries.
void addVideoOptions(CLI::App& app, RawOptions& raw, CaptureOptions& options)
{
    app.add_option("--crf", raw.crf,
                   "H.264 constant quality: 0 (lossless) to 51, lower is better and larger (default 20)")
        ->type_name("N");
    app.add_option("--preset", raw.preset,
                   "x264 speed preset, ultrafast to placebo; slower gives smaller files (default superfast)")
        ->type_name("NAME");
    app.add_option("--color", raw.color,
                   "Video range: limited-range (16-235, what players and video sites expect; default) or "
                   "full-range (0-255, tagged so)")
        ->type_name("limited-range|full-range");
    app.add_option("--yuv-on", raw.yuvOn,
                   "Where the pictures are converted to the video's YUV: gpu (half the bytes read back), cpu "
                   "(FFmpeg's swscale) or auto (gpu unless the GL driver renders in software; default); the two "
                   "differ by rounding, one level at most")
        ->type_name("auto|gpu|cpu");
    app.add_flag("--lossless", options.lossless,
                 "A lossless master for editing: --out FILE.mkv gets FFV1 pictures in RGB and FLAC sound");
    app.add_flag("--silent", options.silent,
                 "A video without sound; also captures when the music file cannot be decoded");
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
                 "its music. It finds data/ and vantrel_data/ in the current directory, beside the program or in the "
                 "installed folder.",
                 "vantrel-capture"};
    app.add_option("--fps", raw.fps, "Frames per second of demo time, also as a fraction like 60000/1001 (default 60)")
        ->type_name("N|NUM/DEN");
    CLI::Option* from =
        app.add_option("--from", raw.from, "First demo time: seconds like 12.5 or beats like 76b (default 0)")
            ->type_name("TIME");
    CLI::Option* to =
        app.add_option("--to", raw.to, "Render while the time is below this (default: the end)")->type_name("TIME");
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
    app.add_option("--motion-blur", raw.motionBlur,
                   "Motion blur: every frame is the mean of N compositions, in linear light (1 to 256; default 1, "
                   "none)")
        ->type_name("N");
    app.add_option("--shutter", raw.shutter,
                   "With --motion-blur: the share of the frame interval the shutter is open, in degrees "
                   "(default 180, at most 360)")
        ->type_name("DEGREES");
    app.add_flag("--resume", result.options.resume,
                 "Continue a PNG capture into the same folder, keeping the frames already there");
    addVideoOptions(app, raw, result.options);
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
        result.message = checkCombination(raw, result.options);
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
    double estimate = std::ceil((options.to - options.from) * options.fps.value());
    if (estimate > static_cast<double>(kMaxFrames) + 1.0)
        return static_cast<long>(std::min(estimate, 1e18));
    // The estimate can be one off either way through rounding; settle it on the same
    // expression that generates the times.
    long n = std::max(0L, static_cast<long>(estimate));
    while (n > 0 && compositionTime(options, n - 1, 0) >= options.to)
        --n;
    while (compositionTime(options, n, 0) < options.to)
        ++n;
    return n;
}

double compositionTime(const CaptureOptions& options, long frame, int sub)
{
    const double open = options.shutter / kMaxShutter;
    const double den = static_cast<double>(options.fps.den);
    const double scaledNum = static_cast<double>(options.fps.num) * options.motionBlur;
    if (!options.at.empty())
        return options.at[static_cast<std::size_t>(frame)] + sub * open * den / scaledNum;
    // One product and one division from the frame's index: no error builds up
    // over a long run, and sub 0 of a frame is exactly from + frame * den / num.
    const double step = static_cast<double>(frame) * options.motionBlur + sub * open;
    return options.from + step * den / scaledNum;
}

std::vector<double> captureTimes(const CaptureOptions& options)
{
    if (!options.at.empty())
        return options.at;
    long n = countFrames(options);
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(n));
    for (long i = 0; i < n; ++i)
        times.push_back(compositionTime(options, i, 0));
    return times;
}

} // namespace Capture
