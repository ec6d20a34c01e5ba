// A KDX scene drawn with its materials. Each mesh instance picks its shader
// from what its material provides: colour texture and bump map, colour
// texture alone, or only a colour (blended by the material's alpha).
#include "scene/KDXDrawable.h"

#include "demo/Demo.h"
#include "frontend/Error.h"

namespace StdVantrel {

namespace {

// Meshes the exporter wrote without a material are drawn opaque mid-grey
// through the colour-only path rather than skipped, so that missing material
// assignments show up on screen instead of as holes.
const ::Scene::Material& fallbackMaterial()
{
    static const ::Scene::Material grey = [] {
        ::Scene::Material m;
        for (float& channel : m.colors[1])
            channel = 0.6f;
        m.colors[2][0] = 1.0f;
        m.scalars[0] = 1.0f;
        return m;
    }();
    return grey;
}

} // namespace

KDXDrawable::KDXDrawable(Vantrel::Demo* owner, const std::string& path)
    : Vantrel::Drawable(owner, "Untitled"), ::Scene::KDXLoader(FrontendExt::File(path, "rb"))
{
    requireKnownTag(path);
    requireTextures(path);
}

void KDXDrawable::requireTextures(const std::string& path) const
{
    // Found now rather than on the first draw, where the catalogue could name
    // only the picture and not the scene and material that want it.
    auto require = [&](const ::Scene::Material& material, const std::string& texture) {
        if (!demo->textures.contains(texture))
            throw Frontend::Error(path + ": material '" + material.name() + "' names the texture '" + texture +
                                  "', which is not among the pictures in data/");
    };
    for (const auto& [node, geometry] : geometries) {
        const auto* mesh = dynamic_cast<const ::Scene::MeshNode*>(node);
        if (!mesh || !mesh->material || mesh->material->colorTexture().empty())
            continue;
        require(*mesh->material, mesh->material->colorTexture());
        if (!mesh->material->bumpMap().empty())
            require(*mesh->material, "normal_" + mesh->material->bumpMap());
    }
}

void KDXDrawable::draw(float t)
{
    evaluate(t);
    for (const ::Scene::Instance& instance : meshInstances) {
        const auto* mesh = dynamic_cast<const ::Scene::MeshNode*>(instance.node);
        FrontendExt::Geometry* geometry = geometryOf(instance.node);
        if (!mesh || !geometry)
            continue;
        const ::Scene::Material& material = mesh->material ? *mesh->material : fallbackMaterial();
        const bool colorOnly = material.colorTexture().empty();
        if (colorOnly)
            useColorMaterial(material);
        else
            useTextureMaterial(material);
        Frontend::State::setWorldMatrix(instance.world);
        setStateParameters();
        geometry->draw();
        afterMesh(colorOnly);
    }
}

void KDXDrawable::useTextureMaterial(const ::Scene::Material& material)
{
    if (!material.bumpMap().empty()) {
        useShader("vantrel_specularbump.cg");
        setVector("lightPosition", 0.0f, 0.0f, 0.0f, 1.0f);
        setTexture("tex0", material.colorTexture());
        // Reuses its storage, so steady drawing builds the name without allocating.
        normalMapName.assign("normal_");
        normalMapName += material.bumpMap();
        setTexture("tex1", normalMapName);
        return;
    }
    useShader("vantrel_texturespecular.cg");
    setVector("lightPosition", 0.0f, 0.0f, 0.0f, 1.0f);
    setTexture("tex0", material.colorTexture());
}

void KDXDrawable::useColorMaterial(const ::Scene::Material& material)
{
    enable(Frontend::kBlend);
    setBlendFunc(Frontend::kSrcAlpha, Frontend::kOneMinusSrcAlpha);
    useShader("vantrel_colorspecular.cg");
    const float* diffuse = material.colors[1];
    setVector("color", diffuse[0], diffuse[1], diffuse[2], material.colors[2][0]);
    setFloat("alpha", material.scalars[0]);
}

void KDXDrawable::afterMesh(bool colorOnly)
{
    if (colorOnly)
        disable(Frontend::kBlend);
}

} // namespace StdVantrel
