#include "demo/AutoScale.h"

#include <SDL2/SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "demo/Demo.h"

namespace Vantrel {

namespace {

constexpr int kTimedFrames = 3;

double nowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The mean cost of a few frames spread over the entry. One untimed frame
// first: the targets of a new scale are cold on their first draw.
double measureEntry(Demo& demo, size_t entry, float scale)
{
    const TimelineEntry& span = demo.timeline[entry];
    demo.entryScales[entry] = scale;
    double total = 0.0;
    for (int i = 0; i <= kTimedFrames; i++) {
        demo.time = span.start + (span.end - span.start) * static_cast<float>(i + 1) / (kTimedFrames + 2);
        const double started = nowMs();
        demo.composeFrame();
        glFinish();
        if (i > 0)
            total += nowMs() - started;
    }
    return total / kTimedFrames;
}

int scaleIndex(float scale)
{
    return scale == kAutoScales[0] ? 0 : scale == kAutoScales[1] ? 1 : 2;
}

} // namespace

float largestFitting(const double costMs[3], double budgetMs)
{
    float chosen = kAutoScales[0];
    for (int i = 0; i < 3; i++) {
        if (costMs[i] < 0.0)
            continue;
        if (costMs[i] > budgetMs)
            break;
        chosen = kAutoScales[i];
    }
    return chosen;
}

double frameBudgetMs(bool waitsForDisplay)
{
    SDL_DisplayMode mode{};
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    const int display = window ? std::max(SDL_GetWindowDisplayIndex(window), 0) : 0;
    if (waitsForDisplay && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0)
        return 1000.0 / mode.refresh_rate;
    return 1000.0 / 60.0;
}

std::vector<ScaleChoice> chooseEntryScales(Demo& demo, double budgetMs)
{
    const float time = demo.time;
    const float frameTime = demo.frameTime;
    demo.frameTime = 0.0f; // scenes that integrate over frames stay where they are
    demo.entryScales.assign(demo.timeline.size(), 1.0f);
    std::vector<ScaleChoice> choices(demo.timeline.size());
    for (size_t i = 0; i < demo.timeline.size(); i++) {
        ScaleChoice& choice = choices[i];
        for (int s = 1; s < 3; s++) {
            choice.costMs[s] = measureEntry(demo, i, kAutoScales[s]);
            if (choice.costMs[s] > budgetMs)
                break;
        }
        choice.scale = largestFitting(choice.costMs, budgetMs);
        demo.entryScales[i] = choice.scale;
    }
    // The targets of every scale chosen are made now, not when their entry comes.
    for (const ScaleChoice& choice : choices)
        demo.useScale(choice.scale);
    demo.time = time;
    demo.frameTime = frameTime;
    return choices;
}

std::string describeScales(const std::vector<ScaleChoice>& choices, double budgetMs)
{
    char text[64];
    std::snprintf(text, sizeof text, "scale auto (%.1f ms a frame):", budgetMs);
    std::string line = text;
    for (const ScaleChoice& choice : choices) {
        const double cost = choice.costMs[scaleIndex(choice.scale)];
        if (cost >= 0.0)
            std::snprintf(text, sizeof text, " %g (%.0f ms)", choice.scale, cost);
        else
            std::snprintf(text, sizeof text, " %g (1: %.0f ms)", choice.scale, choice.costMs[1]);
        line += text;
    }
    return line;
}

} // namespace Vantrel
