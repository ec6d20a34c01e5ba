// The closing scene: a bump-mapped skateboard whose vertices ripple along a
// random key track (the starfish's method) under a slowly turning sky with
// rising bubbles, the credits laid over the picture, a glow, two gentle sine
// distortions and a long fade to black.
#pragma once

#include "demo/Element.h"
#include "prod/Underwater.h"
#include "frontend_ext/Tracks.h"

namespace Vantrel {

class Skate : public Element {
public:
    explicit Skate(Demo* owner) : Element(owner, "Untitled", 512, 512) {}
    void prepare() override;
    void draw() override;

    Prod::Ripple board;
    Scene::VectorTrack spinTrack;

private:
    void drawBoard();
    void applyPasses(float t);
};

} // namespace Vantrel
