// A KDX scene that draws itself with per-mesh materials: a colour texture with
// a bump map, a colour texture alone, or only a colour, each with its shader,
// a fixed light and the demo's camera.
//
//   auto* flies = new StdVantrel::KDXDrawable(demo, "data/dragonfly.kdx");
//   flies->draw(animationTime);   // evaluate, then draw every mesh instance
#pragma once

#include "demo/Drawable.h"
#include "scene/KDXLoader.h"

namespace StdVantrel {

class KDXDrawable : public Vantrel::Drawable, public Scene::KDXLoader {
public:
    KDXDrawable(Vantrel::Demo* demo, const std::string& path);

    // Drawing as a plain Drawable shows nothing; scenes call draw(time).
    void draw() override {}
    void draw(float time) override;

protected:
    // The colour-only path; the balloon scene handles it its own way.
    // A mesh without a material comes here with an opaque grey material.
    virtual void useColorMaterial(const ::Scene::Material& material);
    virtual void afterMesh(bool colorOnly);

private:
    // Every picture a drawn mesh's material names must be loaded; throws
    // Frontend::Error naming the scene file, the material and the picture.
    void requireTextures(const std::string& path) const;
    // The two texture paths: with a bump map, or the colour texture alone.
    void useTextureMaterial(const ::Scene::Material& material);

    std::string normalMapName;
};

} // namespace StdVantrel
