// A ball of flowers turning in front of a flowery sky while the camera drifts
// along random paths; for the first 60 beats the ball bursts open and the
// camera jumps on the beat of the music. A hundred strawberries stream past,
// ten soft cloud sprites glow behind, two logos slide across, and after beat
// 32 one large strawberry flies at the viewer in front of everything.
#pragma once

#include <memory>

#include "demo/Element.h"
#include "scene/KDXDrawable.h"

namespace StdVantrel {
class Particles;
class Skybox;
}

namespace Prod {

class Flowerball : public Vantrel::Element {
public:
    explicit Flowerball(Vantrel::Demo* owner);
    ~Flowerball() override;
    void draw() override;

    // Where a strawberry of random value u1 lies along z at local time t: it
    // rises 200 units a second and is drawn only strictly inside +-1000.
    static float strawberryDepth(const Vantrel::Demo& demo, float u1, float t);
    static bool strawberryShown(float z);
    // The large strawberry appears strictly after beat 32.
    static bool largeStrawberryShown(const Vantrel::Demo& demo, float t);

    StdVantrel::KDXDrawable ball;
    StdVantrel::KDXDrawable strawberry;
    StdVantrel::KDXDrawable strawberryTop;

    // Kept from frame to frame: the camera paths' offset, moved on by every
    // beat, and the ball's animation time, thrown forward by every beat and
    // running down at 20000 units a second.
    float pathOffset = 0.0f;
    float ballTime = 0.0f;

private:
    std::unique_ptr<StdVantrel::Skybox> sky; // both made by the first draw
    std::unique_ptr<StdVantrel::Particles> sprites;

    void reactToBeat(float t);
    void drawStrawberries(float t);
    void drawSprites();
    void drawLargeStrawberry(float t);
};

} // namespace Prod
