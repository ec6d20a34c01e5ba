#include "prod/Horizon.h"

#include <cmath>
#include <memory>

#include "demo/Catalogues.h"
#include "frontend/Error.h"
#include "frontend/Texture.h"
#include "frontend_ext/Buffers.h"
#include "frontend_ext/QBRLoader.h"
#include "std_effects/Particles.h"
#include "std_effects/SceneHelpers.h"

namespace Prod {

using FrontendExt::kSemanticPosition;
using FrontendExt::kSemanticTexCoord0;
using StdVantrel::signedRandom;

namespace {

constexpr int kClamp = 1;
constexpr int kRepeat = 0;
constexpr int kDots = 2000;

struct Wrap {
    const char* texture;
    int mode;
};

// "gress.png" keeps the default (repeat).
constexpr Wrap kWraps[] = {
    {"skyer1.png", kClamp}, {"skyer2.png", kRepeat}, {"skyer3.png", kRepeat}, {"skyer4.png", kClamp},
    {"piper1.png", kClamp}, {"piper2.png", kRepeat}, {"piper3.png", kRepeat}, {"grill.png", kRepeat},
};

// The scrolling layers, farthest first (the order of layerWindows).
constexpr const char* kLayerPictures[] = {"skyer1.png", "skyer2.png", "skyer3.png", "skyer4.png", "piper3.png",
                                          "piper2.png", "piper1.png", "gress.png",  "grill.png"};

// Scroll terms are formed in double precision, then rounded.
float scroll(double value)
{
    return static_cast<float>(value);
}

} // namespace

int Horizon::vertexChoice(float rho, int vertexCount)
{
    const int n = static_cast<int>(std::fabs(rho) * static_cast<float>(vertexCount));
    return n < vertexCount ? n : vertexCount - 1;
}

Horizon::Window Horizon::layerWindow(float scrollU, float scrollV, float bottom, float layerWidth, float top)
{
    return {scrollU - (layerWidth - 1.0f), scrollU + layerWidth, scrollV + (1.0f - bottom), scrollV + top};
}

std::array<Horizon::Window, Horizon::kLayers> Horizon::layerWindows(float t)
{
    const float e = ease((t - 3.0f) / 7.0f);
    const float b = 0.5f + 0.5f * e;
    const float w = 1.0f + 0.5f * e;
    const double T = t;
    return {
        layerWindow(scroll(T * 0.005 * 4), 0.0f, b, w, 1.0f),
        layerWindow(scroll(T * 0.0015 * 4), scroll(0.003 * std::sin(T) + 0.001), b, w, 1.0f),
        layerWindow(scroll(T * 0.0095 * 4), scroll(0.002 * std::sin(0.93 * T) + 0.001), b, w, 1.0f),
        layerWindow(scroll(T * 0.0095 * 4), scroll(0.0007 * std::sin(0.98 * T) + 0.0007), b, w, 1.0f),
        layerWindow(scroll(T * 0.01), 0.0f, b, 1.2f, 1.0f),
        layerWindow(scroll(T * 0.03), 0.0f, b, 1.2f, 1.0f),
        layerWindow(scroll(T * 0.1), 0.0f, b, 1.2f, 1.0f),
        layerWindow(scroll(T * 0.15), 0.0f, b, 1.2f, 1.0f),
        layerWindow(scroll(T * 0.25), 0.0f, b, 1.2f, 1.0f),
    };
}

void Horizon::drawLayer(const Window& window)
{
    begin(FrontendExt::kPrimitiveQuads);
    vertexAttribute(kSemanticTexCoord0, window.left, window.lower, 0.0f, 1.0f);
    vertexAttribute(kSemanticPosition, -1.0f, -1.0f, 0.0f, 1.0f);
    vertexAttribute(kSemanticTexCoord0, window.right, window.lower, 0.0f, 1.0f);
    vertexAttribute(kSemanticPosition, 1.0f, -1.0f, 0.0f, 1.0f);
    vertexAttribute(kSemanticTexCoord0, window.right, window.upper, 0.0f, 1.0f);
    vertexAttribute(kSemanticPosition, 1.0f, 1.0f, 0.0f, 1.0f);
    vertexAttribute(kSemanticTexCoord0, window.left, window.upper, 0.0f, 1.0f);
    vertexAttribute(kSemanticPosition, -1.0f, 1.0f, 0.0f, 1.0f);
    end();
}

Horizon::Horizon(Vantrel::Demo* owner) : Vantrel::Element(owner, "Untitled", 512, 512)
{
}
Horizon::~Horizon() = default;

void Horizon::draw()
{
    const float t = localTime;
    for (const Wrap& wrap : kWraps)
        (*textures)[wrap.texture]->setWrap(wrap.mode);
    resetMatrices();

    useShader("vantrel_texture.cg");
    // Shader parameters outlive their users: whoever drew with this shader
    // last (a sky box, say) may have left a camera in it. The layers are given
    // in clip coordinates, so hand it the identity matrices just set.
    setFloat("alpha", 1.0f);
    setStateParameters();
    setTexture("tex0", "scene3.jpg");
    drawLayer(layerWindow(0.0f, 0.0f, 0.9f, 1.0f, 1.0f));

    disable(Frontend::kDepthTest);
    enable(Frontend::kBlend);
    setBlendFunc(Frontend::kSrcAlpha, Frontend::kOneMinusSrcAlpha);
    drawLayers(t);
    drawForest(t);
    disable(Frontend::kBlend);
}

void Horizon::drawLayers(float t)
{
    const std::array<Window, kLayers> windows = layerWindows(t);
    for (int i = 0; i < kLayers; i++) {
        useShader("vantrel_texture.cg");
        setTexture("tex0", kLayerPictures[i]);
        drawLayer(windows[i]);
    }
}

void Horizon::drawForest(float t)
{
    disable(Frontend::kDepthTest);
    if (!dots)
        dots = std::make_unique<StdVantrel::Particles>(demo, kDots);
    StdVantrel::srand(0);

    FrontendExt::Geometry& forest = (*meshes)["atsolskogen.qbr"]->mesh(0);
    std::unique_ptr<FrontendExt::Geometry::Attribute> positions(forest.getAttribute(kSemanticPosition));
    if (!positions)
        throw Frontend::Error("Prod::Horizon: the first mesh of atsolskogen.qbr has no readable positions");
    const int V = positions->vertexBuffer()->vertexCount();

    // The swirl shrinks onto the forest, holds, then widens while the whole cloud blows up.
    const float R = 60.0f - 58.0f * ease(t / 4.0f) + 92.0f * ease((t - 8.0f) * 0.5f);
    const float k = 1.0f + 10.0f * ease((t - 8.0f) * 0.25f);
    for (int i = 0; i < kDots; i++) {
        float p[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        positions->get(p, vertexChoice(signedRandom(), V));
        Vec3 v{p[0], p[1], p[2]};
        rotateAroundAxis(1.0f, 0.0f, 0.0f, 1.57075f, v);
        v.x *= 0.4f;
        v.y *= 0.4f;
        v.z *= 0.4f;
        const float fi = static_cast<float>(i);
        const float x = v.x + std::sin(fi + t) * (signedRandom() + 1.3f) * R * 0.33f;
        const float y = v.y + std::sin(3.21f * fi + t) * (signedRandom() + 1.3f) * R * 0.33f;
        const float z = v.z + std::sin(4.31f * fi + t) * (signedRandom() + 1.3f) * R * 0.13f;
        dots->setPosition(i, k * x, k * y, k * z);
    }
    positions.reset();

    lookAt(10.0f * std::sin(t), -60.0f, std::cos(10.0f * t), 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    perspective(120.0f, 1.77777f, 1.0f, 1000.0f);
    setEnvironmentTexture("dott.png");
    dots->draw();
    resetMatrices();
}

} // namespace Prod
