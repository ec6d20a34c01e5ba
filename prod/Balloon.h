// Hot-air balloons at night, seen through the camera of their own KDX scene,
// against a night sky between two layers of large additive sprites, fading
// in from black over the first two seconds.
#pragma once

#include <memory>

#include "demo/Element.h"
#include "scene/KDXDrawable.h"

namespace StdVantrel {
class Particles;
class Skybox;
}

namespace Prod {

class Balloon : public Vantrel::Element {
public:
    // The standard material drawable, except that colour-only materials are
    // blended by their own opacity alone (scalar 1 as the colour's fourth
    // component, the shader's "alpha" left as it was), and blending is
    // switched off after every mesh.
    class KDXDrawable : public StdVantrel::KDXDrawable {
    public:
        using StdVantrel::KDXDrawable::KDXDrawable;

    protected:
        void useColorMaterial(const ::Scene::Material& material) override;
        void afterMesh(bool colorOnly) override;
    };

    explicit Balloon(Vantrel::Demo* owner);
    ~Balloon() override;
    void draw() override;

    // The black overlay's opacity at local time t: 1 at the start, 0 from 2 s on.
    static float fadeIn(float t);

    KDXDrawable balloon;

private:
    std::unique_ptr<StdVantrel::Particles> sprites; // both sprite layers, made by the first draw
    std::unique_ptr<StdVantrel::Skybox> sky;

    void placeCamera(float K);
    void drawSprites(unsigned seed, const char* picture);
};

} // namespace Prod
