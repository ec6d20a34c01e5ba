// The concrete catalogues the Demo owns: pictures as textures, shader files
// as complete shaders, meshes, and the two pools of square render targets.
// Their constructors and destructors live beside the complete types they free.
#pragma once

#include <memory>
#include <vector>

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
    TextureResourceProxy();
    ~TextureResourceProxy() override;
    Frontend::Texture* loadResource(const std::string& path) override;
};

class CompleteShaderResourceProxy : public FileResourceProxy<Frontend::CompleteShader> {
public:
    CompleteShaderResourceProxy();
    ~CompleteShaderResourceProxy() override;
    Frontend::CompleteShader* loadResource(const std::string& path) override;
};

// Stand-alone programs; kept for completeness, the production never fills them.
class VertexShaderResourceProxy : public FileResourceProxy<Frontend::VertexShader> {
public:
    VertexShaderResourceProxy();
    ~VertexShaderResourceProxy() override;
    Frontend::VertexShader* loadResource(const std::string& path) override;

private:
    std::vector<std::unique_ptr<Frontend::CompleteShader>> programs; // each entry is one's vertex stage
};

class PixelShaderResourceProxy : public FileResourceProxy<Frontend::PixelShader> {
public:
    PixelShaderResourceProxy();
    ~PixelShaderResourceProxy() override;
    Frontend::PixelShader* loadResource(const std::string& path) override;

private:
    std::vector<std::unique_ptr<Frontend::CompleteShader>> programs; // each entry is one's pixel stage
};

class QBRResourceProxy : public FileResourceProxy<FrontendExt::QBRLoader> {
public:
    QBRResourceProxy();
    ~QBRResourceProxy() override;
    FrontendExt::QBRLoader* loadResource(const std::string& path) override;
};

// Square targets of sides 4, 8, ..., 1024.
class TargetResourceProxy : public ResourceProxy<Element, int> {
public:
    TargetResourceProxy();
    ~TargetResourceProxy();
    void loadResource(Demo* demo);
    // True while loadResource is building the pool: an Element of the size
    // being built then refers to itself instead of looking itself up.
    bool isBuilding() const { return building; }

private:
    bool building = false;
};

// Every Drawable registers here: by name (the last one wins) and in creation
// order. The register owns none of them.
class DrawableResourceProxy : public ResourceProxy<Drawable, std::string> {
public:
    DrawableResourceProxy();
    ~DrawableResourceProxy();
    void registerDrawable(const std::string& name, Drawable* drawable);
    const std::vector<Drawable*>& drawables() const { return creationOrder; }

private:
    std::vector<Drawable*> creationOrder;
};

} // namespace Vantrel
