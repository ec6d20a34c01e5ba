// A one-line progress bar on stderr: frames done / total, frames per second
// and the time left. Drawn only when stderr is a terminal and not silenced;
// redrawn at most a few times a second so it costs nothing per frame.
//
//   ProgressBar bar(total, !quiet && isatty(2));
//   for (...) { render(); bar.update(done); }
//   bar.finish();
#pragma once

#include <chrono>
#include <string>

namespace Capture {

// The line itself: "[#####-----]  120/7200 frames   14.2 fps   8:19 left".
// `barWidth` is the number of cells between the brackets.
std::string formatProgress(long done, long total, double elapsedSeconds, int barWidth);

class ProgressBar {
public:
    // `label` leads the line (the render scale, for instance).
    ProgressBar(long total, bool enabled, std::string label = "");
    void update(long done);
    // Draws the final state and ends the line.
    void finish();

private:
    void draw(long done);

    using Clock = std::chrono::steady_clock;
    long totalFrames;
    std::string lead;
    bool shown;
    bool drawn = false;
    long lastDone = 0;
    Clock::time_point started;
    Clock::time_point lastDraw;
};

} // namespace Capture
