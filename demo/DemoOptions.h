// Command line of the demo program. Parsing needs no window, so it is tested
// on its own; no options leave the production exactly as it is.
//
//   DemoParse parsed = parseDemoOptions(argc, argv);
//   if (parsed.status == DemoParse::Status::Help)  { print parsed.message on stdout; exit 0 }
//   if (parsed.status == DemoParse::Status::Error) { print parsed.message and parsed.usage; exit 2 }
//   std::string problem = applyDemoOptions(parsed.options, production);  // non-empty: exit 2
//
// Options come in groups (window, ...): a group adds its fields to
// DemoOptions and its own add, convert and apply steps in DemoOptions.cpp.
#pragma once

#include <string>

#include "demo/OptionText.h"

namespace Vantrel {

class Demo;

// off: never wait; on: every frame waits for the display; adaptive: a frame
// that is late is shown at once instead of waiting for the next refresh.
enum class Vsync { Unset, Off, On, Adaptive };

// The swap interval asked of the driver for each choice (Unset asks nothing).
int swapIntervalOf(Vsync vsync);

// The largest audio offset either way, beyond any display or Bluetooth delay.
constexpr float kMaxAudioOffsetMs = 2000.0f;

struct DemoOptions {
    // Window group.
    bool windowed = false; // an ordinary resizable window, no display-mode switch
    int width = 0;         // window size; 0 keeps the production's own
    int height = 0;

    // Picture group: render scale of every off-screen picture (0.5, 1, 2 or 4),
    // or chosen per timeline entry from its measured cost (--scale auto).
    float renderScale = 1.0f;
    bool autoScale = false;

    // Presentation group: waiting for the display, the sound's alignment and
    // a record of the frame times. Unset, the demo presents as fast as it can.
    Vsync vsync = Vsync::Unset;
    float audioOffsetMs = 0.0f; // positive: the sound is heard this much later than the stack says
    std::string statsFile;

    // Playback group: a span of the production, looped or not, and the
    // maker's development mode (keys, overlay, reloading) run by devmode/.
    PlayTime from;
    PlayTime to;
    bool loop = false;
    bool dev = false;

    bool playsSpan() const { return from.given || to.given || loop || dev; }
    // Whether the frame times are measured: for the stats file, the overlay's graph or the automatic scale.
    bool measuresFrames() const { return !statsFile.empty() || dev; }
};

struct DemoParse {
    enum class Status { Run, Help, Error };
    Status status = Status::Error;
    DemoOptions options;
    std::string message; // the usage for Help, one line on what is wrong for Error
    std::string usage;
};

// Exit status for a command line that cannot be run.
constexpr int kBadCommandLine = 2;

DemoParse parseDemoOptions(int argc, const char* const* argv);

// Hands the options to the production before it runs. Returns what is wrong
// with them once the production's tempo is known (a span that ends before it
// starts), or an empty string.
std::string applyDemoOptions(const DemoOptions& options, Demo& demo);

} // namespace Vantrel
