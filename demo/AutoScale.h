// The automatic render scale (--scale auto): at start-up each timeline entry
// composes a few frames, timed, and plays at the largest of 0.5, 1 and 2 whose
// frames fit the budget, the display's refresh with vsync and 60 frames a
// second otherwise.
//
//   std::vector<ScaleChoice> choices = chooseEntryScales(demo, frameBudgetMs(vsyncs));
//   // composeFrame() now draws each entry at its own scale
#pragma once

#include <string>
#include <vector>

namespace Vantrel {

class Demo;

constexpr float kAutoScales[] = {0.5f, 1.0f, 2.0f};

struct ScaleChoice {
    float scale = 1.0f;
    double costMs[3] = {-1.0, -1.0, -1.0}; // per kAutoScales; negative where it was not measured
};

// The largest scale whose measured cost fits; the smallest where none was
// measured to fit. Scales are measured upwards, so a scale above one that was
// too dear is never taken.
float largestFitting(const double costMs[3], double budgetMs);

// The time a frame may take: one refresh of the window's display when the
// demo waits for it, otherwise a 60 Hz frame.
double frameBudgetMs(bool waitsForDisplay);

// Measures every entry (at 1, then at 2 when 1 fits) and sets the Demo's
// entry scales; the clock and the scenes are left as they were.
std::vector<ScaleChoice> chooseEntryScales(Demo& demo, double budgetMs);

// "scale auto (16.7 ms a frame): 0.5 1 1 2 ..." in timeline order, with the measured costs.
std::string describeScales(const std::vector<ScaleChoice>& choices, double budgetMs);

} // namespace Vantrel
