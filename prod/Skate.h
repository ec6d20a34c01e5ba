// The closing scene: a bump-mapped skateboard whose vertices ripple along a
// random key track (the starfish's method) under a slowly turning sky with
// rising bubbles, the credits laid over the picture, a glow, two gentle sine
// distortions and a long fade to black.
#pragma once

#include <memory>

#include "demo/Element.h"
#include "prod/Underwater.h"
#include "frontend_ext/Tracks.h"

namespace StdVantrel {
class Skybox;
}

namespace Vantrel {

class Skate : public Element {
public:
    explicit Skate(Demo* owner);
    ~Skate() override;
    void prepare() override;
    void draw() override;

    Prod::Ripple board;
    Scene::VectorTrack spinTrack;

private:
    std::unique_ptr<StdVantrel::Skybox> sky; // both made by the first draw
    std::unique_ptr<StdVantrel::Particles> bubbles;

    void drawBoard();
    void applyPasses(float t);
};

} // namespace Vantrel
