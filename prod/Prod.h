// The production: music, tempo and display settings, and the timeline of
// scenes at their beats.
#pragma once

#include "demo/Demo.h"

namespace Prod {

// Known before anything loads: the capture tool reads beats and checks spans
// against them while it parses its command line.
constexpr float kTempo = 163.0f;
constexpr float kEndTime = 240.0f;

class Prod : public Vantrel::Demo {
public:
    Prod();
    void load() override;
};

} // namespace Prod
