// Progress bar of the capture tool.
#include "tools/capture/Progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace Capture {

namespace {

std::string formatDuration(double seconds)
{
    long s = static_cast<long>(std::lround(std::max(0.0, seconds)));
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, (s / 60) % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

} // namespace

std::string formatProgress(long done, long total, double elapsedSeconds, int barWidth)
{
    done = std::clamp(done, 0L, std::max(total, 0L));
    double fraction = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
    int filled = static_cast<int>(fraction * barWidth);
    std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(barWidth - filled), '-') + "]";

    char text[128];
    std::snprintf(text, sizeof text, " %ld/%ld frames", done, total);
    line += text;
    if (done > 0 && elapsedSeconds > 0.0) {
        double rate = static_cast<double>(done) / elapsedSeconds;
        std::snprintf(text, sizeof text, "  %.1f fps  %s left", rate,
                      formatDuration(static_cast<double>(total - done) / rate).c_str());
        line += text;
    }
    return line;
}

ProgressBar::ProgressBar(long total, bool enabled, std::string label)
    : totalFrames(total), lead(std::move(label)), shown(enabled), started(Clock::now()), lastDraw(started)
{
}

void ProgressBar::update(long done)
{
    lastDone = done;
    if (!shown)
        return;
    Clock::time_point now = Clock::now();
    if (drawn && now - lastDraw < std::chrono::milliseconds(200))
        return;
    lastDraw = now;
    draw(done);
}

void ProgressBar::draw(long done)
{
    double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    // Trailing spaces wipe what a longer previous line left behind.
    std::fprintf(stderr, "\r%s%s   ", lead.c_str(), formatProgress(done, totalFrames, elapsed, 30).c_str());
    std::fflush(stderr);
    drawn = true;
}

void ProgressBar::finish()
{
    if (!shown)
        return;
    draw(lastDone);
    std::fputc('\n', stderr);
    shown = false;
}

} // namespace Capture
