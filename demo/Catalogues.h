// The concrete catalogues the Demo owns: pictures as textures, shader files
// as complete shaders, meshes, and the two pools of square render targets.
#pragma once

#include "demo/ResourceProxy.h"

namespace Frontend {
class Texture;
class CompleteShader;
class VertexShader;
class PixelShader;
}
namespace FrontendExt {
class QBRLoader;
}

namespace Vantrel {

class Demo;
class Drawable;
class Element;

class TextureResourceProxy : public FileResourceProxy<Frontend::Texture> {
public:
    Frontend::Texture* loadResource(const std::string& path) override;
};

class CompleteShaderResourceProxy : public FileResourceProxy<Frontend::CompleteShader> {
public:
    Frontend::CompleteShader* loadResource(const std::string& path) override;
};

// Stand-alone programs; kept for completeness, the production never fills them.
class VertexShaderResourceProxy : public FileResourceProxy<Frontend::VertexShader> {
public:
    Frontend::VertexShader* loadResource(const std::string& path) override;
};

class PixelShaderResourceProxy : public FileResourceProxy<Frontend::PixelShader> {
public:
    Frontend::PixelShader* loadResource(const std::string& path) override;
};

class QBRResourceProxy : public FileResourceProxy<FrontendExt::QBRLoader> {
public:
    FrontendExt::QBRLoader* loadResource(const std::string& path) override;
};

// Square targets of sides 4, 8, ..., 1024.
class TargetResourceProxy : public ResourceProxy<Element, int> {
public:
    void loadResource(Demo* demo);
    // True while loadResource is building the pool: an Element of the size
    // being built then refers to itself instead of looking itself up.
    bool isBuilding() const { return building; }

private:
    bool building = false;
};

// Every Drawable registers here: by name (the last one wins) and in creation order.
class DrawableResourceProxy : public ResourceProxy<Drawable, std::string> {
public:
    void registerDrawable(const std::string& name, Drawable* drawable);
    const std::vector<Drawable*>& drawables() const { return creationOrder; }

private:
    std::vector<Drawable*> creationOrder;
};

} // namespace Vantrel
