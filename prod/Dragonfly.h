// Dragonflies over a meadow: copies of an animated dragonfly fly along paths
// authored in a second KDX scene, whose camera follows the flock and cuts
// forward every 16 beats with a short white flash; four sunflowers stand
// around under a day sky. Glow and two depth-of-field blurs soften the picture.
#pragma once

#include <memory>

#include "demo/Element.h"
#include "scene/KDXDrawable.h"
#include "scene/KDXLoader.h"

namespace StdVantrel {
class Skybox;
}

namespace Prod {

class Dragonfly : public Vantrel::Element {
public:
    explicit Dragonfly(Vantrel::Demo* owner);
    ~Dragonfly() override;
    void draw() override;

    // The path scene's clock at local time t: 4000 per second, plus 3000 for
    // every 16-beat mark already passed (strictly), which makes the camera cut.
    static float animationTime(const Vantrel::Demo& demo, float t);
    // The white flash round each 16-beat mark: up over the last sixteenth of a
    // beat before it, down over the half beat after it.
    static float flash(const Vantrel::Demo& demo, float t);

    StdVantrel::KDXDrawable dragonfly;
    Scene::KDXLoader paths;
    StdVantrel::KDXDrawable solsikke;

private:
    std::unique_ptr<StdVantrel::Skybox> sky; // made by the first draw

    void placeCamera(float A);
    void drawGround();
    void drawDragonflies(float t);
    void drawSunflowers();
};

} // namespace Prod
