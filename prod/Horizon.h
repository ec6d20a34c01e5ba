// A landscape of flat picture layers scrolling sideways at different speeds
// over a still background, zooming out during the first seconds; then a cloud
// of 2000 glowing dots gathers from a wide swirl into the shape of a forest,
// holds it, and blows apart towards the end. Every frame is a function of the
// scene's local time alone.
#pragma once

#include <array>
#include <memory>

#include "demo/Element.h"

namespace StdVantrel {
class Particles;
}

namespace Prod {

class Horizon : public Vantrel::Element {
public:
    explicit Horizon(Vantrel::Demo* owner);
    ~Horizon() override;
    void draw() override;

    // The part of a picture that one layer shows across the viewport.
    struct Window {
        float left, right, lower, upper;
    };
    // The window centred on scrollU + 0.5, 2 * layerWidth - 1 wide, and from
    // scrollV + 1 - bottom up to scrollV + top.
    static Window layerWindow(float scrollU, float scrollV, float bottom, float layerWidth, float top);

    // The windows of the nine scrolling layers at local time t, farthest
    // first: each shows half its picture's height, the skies one picture
    // wide, until 3 s; by 10 s each shows its whole height and the skies
    // two pictures' width.
    static constexpr int kLayers = 9;
    static std::array<Window, kLayers> layerWindows(float t);

    // One quad over the whole viewport (with identity matrices) showing the window.
    void drawLayer(const Window& window);

    // The vertex a signed random value picks out of vertexCount: |rho| of the
    // way through, the last one for |rho| = 1.
    static int vertexChoice(float rho, int vertexCount);

private:
    std::unique_ptr<StdVantrel::Particles> dots; // made by the first draw

    void drawLayers(float t);
    void drawForest(float t);
};

} // namespace Prod
