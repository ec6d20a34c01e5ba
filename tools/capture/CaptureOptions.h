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

struct CaptureOptions {
    double fps = 60.0;
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

    OutputKind outputKind() const;
    double frameTime() const { return 1.0 / fps; }
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

} // namespace Capture
