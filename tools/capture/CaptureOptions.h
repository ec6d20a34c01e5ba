// Command-line options of vantrel-capture and the list of demo times they
// select. Parsing needs no GL, so it is tested on its own.
//
//   CaptureParse parsed = parseCaptureOptions(argc, argv);
//   if (parsed.status == CaptureParse::Status::Error) { print parsed.message; exit non-zero }
//   for (double t : captureTimes(parsed.options)) ...
#pragma once

#include <string>
#include <vector>

#include "demo/Letterbox.h"
#include "prod/Prod.h"

namespace Capture {

// Where the production ends; a span past it would render frames of nothing.
constexpr double kProductionEnd = Prod::kEndTime;

enum class OutputKind { None, PngSequence, Video };

// Where a video's pictures become YUV: a GPU pass, or swscale on the CPU.
// Automatic: the GPU, unless the GL driver itself draws on the CPU, where
// swscale costs less.
enum class YuvOn { Automatic, Gpu, Cpu };

// A frame rate as an exact fraction, so that 60000/1001 stays exact: frame i
// lies at from + i * den / num, computed from i alone, never by adding steps.
struct FrameRate {
    long num = 60;
    long den = 1;
    FrameRate(long numerator = 60, long denominator = 1) : num(numerator), den(denominator) {}
    double value() const { return static_cast<double>(num) / static_cast<double>(den); }
};

// Sub-frames per output frame for motion blur, and the shutter's limits in degrees.
constexpr int kMaxMotionBlur = 256;
constexpr double kMaxShutter = 360.0;

// H.264 quality and speed: x264's constant-quality scale (0 is lossless, 51
// the coarsest) and its presets from fastest to slowest.
constexpr int kDefaultCrf = 20;
constexpr int kMaxCrf = 51;
constexpr const char* kDefaultPreset = "superfast";
constexpr const char* kPresets[] = {"ultrafast", "superfast", "veryfast", "faster",   "fast",
                                    "medium",    "slow",      "slower",   "veryslow", "placebo"};

struct CaptureOptions {
    FrameRate fps;
    double from = 0.0;
    double to = kProductionEnd;
    std::vector<double> at; // when not empty, only these times, in this order
    int width = 800;
    int height = 600;
    std::string out;   // folder of PNGs, or a .mp4 / .mkv file
    std::string stats; // JSON file of per-frame timings
    bool quiet = false;
    double scale = 0.0; // render scale; 0 until chosen (see chooseRenderScale)
    Vantrel::Fit fit = Vantrel::Fit::Bars;
    // Motion blur: each frame is the mean of this many compositions spread
    // over the open part of its interval, [t, t + shutter / 360 / fps).
    int motionBlur = 1;
    double shutter = 180.0;
    bool resume = false; // a PNG sequence keeps the frames already on disk
    int crf = kDefaultCrf;
    std::string preset = kDefaultPreset;
    bool fullRange = false; // video YUV over 0..255 instead of the broadcast 16..235
    YuvOn yuvOn = YuvOn::Automatic;
    bool lossless = false;  // Matroska with FFV1 in RGB and FLAC sound
    bool silent = false;    // a video without sound; a music file that cannot be decoded is no error then

    OutputKind outputKind() const;
    // What every composition sees as the frame time: 1 / (fps * motionBlur),
    // as in a capture at motionBlur times the rate, so that state the scenes
    // carry from frame to frame advances by 1 / fps per output frame.
    double frameTime() const { return static_cast<double>(fps.den) / (static_cast<double>(fps.num) * motionBlur); }
};

struct CaptureParse {
    enum class Status { Run, Help, Error };
    Status status = Status::Error;
    CaptureOptions options;
    std::string message; // the help text, or what is wrong with the command line
};

// More frames than this in one run is almost surely a typo in --fps.
constexpr long kMaxFrames = 1000000;

CaptureParse parseCaptureOptions(int argc, const char* const* argv);

// Frame rates outside these make no sense for a demo and, for a video, no valid time base.
constexpr double kMinFps = 1.0;
constexpr double kMaxFps = 1000.0;

// The production's picture at scale 1: 800 x 600 composed from 512 x 512 scene pictures.
constexpr int kPictureWidth = 800;
constexpr int kPictureHeight = 600;
constexpr int kScenePictureSide = 512;

// The render scale for these options: --scale when given; otherwise 1 up to
// 800 x 600, and above it the smallest of 1, 2, 4 whose scene pictures are at
// least as tall as the production's picture on the output (4 when none is).
double chooseRenderScale(const CaptureOptions& options);

// Demo times to render, in rendering order: the --at list, or from + i / fps while below to.
std::vector<double> captureTimes(const CaptureOptions& options);

// Number of frames captureTimes would give, without building the list.
long countFrames(const CaptureOptions& options);

// The demo time of composition `sub` (0 .. motionBlur - 1) of output frame
// `frame`: the frame's own time for sub 0, then evenly spaced over the open
// part of its interval. With a 360 degree shutter the times are those of a
// capture at motionBlur times the rate, bit for bit.
double compositionTime(const CaptureOptions& options, long frame, int sub);

} // namespace Capture
