// On white: a spinning, glowing centre ornament among sixty tumbling crosses
// whose spread first closes in and at the end flies apart, with the 3D logo
// sweeping in and out; outlined by depth, softened and faded from and to black.
#pragma once

#include "demo/Element.h"

namespace Prod {

class ShinyCross : public Vantrel::Element {
public:
    explicit ShinyCross(Vantrel::Demo* owner);
    void draw() override;

private:
    void drawCentre(float T);
    void drawCrosses(float T);
    void drawLogo(float T);
};

} // namespace Prod
