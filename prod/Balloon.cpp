#include "prod/Balloon.h"

#include "demo/Catalogues.h"
#include "demo/Demo.h"
#include "frontend/Error.h"
#include "frontend/Texture.h"
#include "std_effects/Particles.h"
#include "std_effects/SceneHelpers.h"
#include "std_effects/Skybox.h"

namespace Prod {

using StdVantrel::signedRandom;

namespace {

constexpr int kSprites = 10;
const std::string kCamera = "Camera01";

} // namespace

void Balloon::KDXDrawable::useColorMaterial(const ::Scene::Material& material)
{
    enable(Frontend::kBlend);
    setBlendFunc(Frontend::kSrcAlpha, Frontend::kOneMinusSrcAlpha);
    useShader("vantrel_colorspecular.cg");
    const float* diffuse = material.colors[1];
    setVector("color", diffuse[0], diffuse[1], diffuse[2], material.scalars[0]);
}

void Balloon::KDXDrawable::afterMesh(bool)
{
    disable(Frontend::kBlend);
}

Balloon::Balloon(Vantrel::Demo* owner)
    : Vantrel::Element(owner, "Untitled", 512, 512), balloon(owner, "data/balloon.kdx")
{
}

float Balloon::fadeIn(float t)
{
    return 1.0f - ease(t / 2.0f);
}

Balloon::~Balloon() = default;

void Balloon::draw()
{
    if (!sprites)
        sprites = std::make_unique<StdVantrel::Particles>(demo, kSprites);
    resetState();
    const float t = localTime;
    const float K = 500.0f * t;
    placeCamera(K);

    loadIdentityWorld();
    pushAll();
    if (!sky)
        sky = std::make_unique<StdVantrel::Skybox>(demo);
    sky->drawSky("natthimmel.jpg");
    popAll();

    // The back layer lies behind the balloons only because they are drawn over it.
    drawSprites(1, "nattsky1.png");
    setDepthFunc(Frontend::kLessEqual);
    balloon.draw(K);
    loadIdentityWorld();
    drawSprites(2, "nattsky2.png");

    colorOverlay(0.0f, 0.0f, 0.0f, fadeIn(t));
    glow(64, 0.5f, 2.0f, 1.0f, 1.0f);
}

void Balloon::placeCamera(float K)
{
    const auto* camera = dynamic_cast<const Scene::CameraNode*>(balloon.findNode(kCamera));
    if (!camera)
        throw Frontend::Error("Prod::Balloon: data/balloon.kdx has no root camera Camera01");
    const Scene::Node* target = balloon.findNode(camera->targetName);
    if (!target)
        throw Frontend::Error("Prod::Balloon: data/balloon.kdx has no root node " + camera->targetName);
    const Vec3 eye = camera->position(K);
    const Vec3 look = target->position(K);
    lookAt(eye.x, eye.y, eye.z, look.x, look.y, look.z, 0.0f, 0.0f, -1.0f);
    perspective(30.0f, 1.7777f, 50.0f, 2500.0f);
}

// Ten large additive sprites round the origin, the same ten for the same seed.
void Balloon::drawSprites(unsigned seed, const char* picture)
{
    disable(Frontend::kDepthTest);
    StdVantrel::srand(seed);
    enable(Frontend::kBlend);
    setBlendFunc(Frontend::kSrcAlpha, Frontend::kOne);
    for (int i = 0; i < kSprites; i++) {
        const float u1 = signedRandom();
        const float u2 = signedRandom();
        const float u3 = signedRandom();
        sprites->setPosition(i, 900.0f * u3, 900.0f * u2, 900.0f * u1);
        sprites->setSize(i, 130.0f);
    }
    setEnvironmentTexture(picture);
    sprites->draw();
    disable(Frontend::kBlend);
    enable(Frontend::kDepthTest);
}

} // namespace Prod
