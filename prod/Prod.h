// The production: music, tempo and display settings, and the timeline of
// scenes at their beats.
#pragma once

#include "demo/Demo.h"

namespace Prod {

class Prod : public Vantrel::Demo {
public:
    Prod();
    void load() override;
};

} // namespace Prod
