// A landscape of flat picture layers scrolling sideways at different speeds
// over a still background, zooming out during the first seconds; then a cloud
// of 2000 glowing dots gathers from a wide swirl into the shape of a forest,
// holds it, and blows apart towards the end. Every frame is a function of the
// scene's local time alone.
#pragma once

#include "demo/Element.h"

namespace Prod {

class Horizon : public Vantrel::Element {
public:
    explicit Horizon(Vantrel::Demo* owner) : Vantrel::Element(owner, "Untitled", 512, 512) {}
    void draw() override;

    // One quad over the whole viewport (with identity matrices) showing the
    // texture window centred on scrollU + 0.5, 2 * layerWidth - 1 wide, and from
    // scrollV + 1 - bottom up to scrollV + top.
    void drawLayer(float scrollU, float scrollV, float bottom, float layerWidth, float top);

    // The vertex a signed random value picks out of vertexCount: |rho| of the
    // way through, the last one for |rho| = 1.
    static int vertexChoice(float rho, int vertexCount);

private:
    void drawLayers(float t);
    void drawForest(float t);
};

} // namespace Prod
