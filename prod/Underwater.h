// Under the sea: a textured sea floor, a bump-mapped starfish whose vertices
// ripple and drift along two random key tracks, two hundred rising bubbles,
// and a camera that orbits and jumps to a new orbit on every strong bass beat.
// The local clock jumps forward by two seconds at fixed beats; the picture is
// finished with depth of field, two sine distortions, short edge-detection
// flashes and a glow that brightens on the beat.
#pragma once

#include <memory>
#include <vector>

#include "demo/Element.h"
#include "frontend_ext/Tracks.h"

namespace FrontendExt {
class Geometry;
}
namespace StdVantrel {
class Particles;
class Skybox;
}

namespace Prod {

// Turns every vertex of a mesh about the origin along a key track of angles,
// the vertices farther out lagging behind, and optionally shifts it along a
// second track. The mesh is rewritten from its rest positions every time, so
// its shape depends only on the time given.
class Ripple {
public:
    // Builds the mesh's tangent frames, then takes its positions as the rest shape.
    void capture(FrontendExt::Geometry* target);
    void apply(float T, const Scene::VectorTrack& spin, const Scene::VectorTrack* drift);

    FrontendExt::Geometry* mesh = nullptr;
    std::vector<float> restPositions; // x, y, z per vertex
    std::vector<float> restLengths;
};

// Rising bubbles that wrap round a cube of 800 units around the origin; the
// same layout for the same t. Shared with the closing scene.
void placeBubbles(StdVantrel::Particles& bubbles, float t);
// Additive, without depth writes, with "bubble.jpg" as their picture.
void drawBubbles(Vantrel::Drawable& scene, StdVantrel::Particles& bubbles);

class Underwater : public Vantrel::Element {
public:
    explicit Underwater(Vantrel::Demo* owner);
    ~Underwater() override;
    void prepare() override;
    void draw() override;

    // The scene clock for a local time t0: two seconds ahead from the start,
    // two more after each of the beats 16, 31, 32 and 48.
    static float jumpedTime(const Vantrel::Demo& demo, float t0);
    // Edges are drawn during beat 31 and during the last beat of the span.
    static bool edgeFlash(const Vantrel::Demo& demo, float t0);

    Ripple star;
    Scene::VectorTrack spinTrack;
    Scene::VectorTrack driftTrack;

private:
    std::unique_ptr<StdVantrel::Skybox> sky; // both made by the first draw
    std::unique_ptr<StdVantrel::Particles> bubbles;

    void placeCamera(float T, Vec3& beatCentre, float& flash);
    void drawFloorAndStar();
    void applyPasses(float t0, float T, float flash);
};

} // namespace Prod
