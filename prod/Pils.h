// A hundred mirror-bright forks swarm along smooth random paths under a sky,
// seen by a drifting camera; on every strong beat the swarm jumps to a new
// configuration. Pils opens the production (fading in from black) and comes
// back later; PilsTakeoff spreads the swarm out and fades to black at its end.
#pragma once

#include <memory>

#include "demo/Drawable.h"
#include "demo/Element.h"

namespace StdVantrel {
class Skybox;
}

namespace Prod {

// What differs between the two fork scenes.
struct ForkSwarmLook {
    const char* skyTexture;
    float cameraDistance;
    float farPlane;
    bool takeoff; // spread out and fade to black over the last four beats
};

// What a fork scene keeps from frame to frame (and across both of its spans).
struct ForkSwarmState {
    ForkSwarmState();
    ~ForkSwarmState();
    std::unique_ptr<StdVantrel::Skybox> sky; // made by the first draw
    Vantrel::BeatTrigger trigger;
    int jump = 1;
};

class Pils : public Vantrel::Element {
public:
    explicit Pils(Vantrel::Demo* owner);
    ~Pils() override;
    void draw() override;

private:
    ForkSwarmState state;
};

class PilsTakeoff : public Vantrel::Element {
public:
    explicit PilsTakeoff(Vantrel::Demo* owner);
    ~PilsTakeoff() override;
    void draw() override;

private:
    ForkSwarmState state;
};

void drawForkSwarm(Vantrel::Element& scene, ForkSwarmState& state, const ForkSwarmLook& look);

} // namespace Prod
