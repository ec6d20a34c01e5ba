#include "prod/Dragonfly.h"

#include <cmath>

#include "demo/Catalogues.h"
#include "demo/Demo.h"
#include "frontend/Error.h"
#include "frontend/Texture.h"
#include "prod/DrawBudget.h"
#include "std_effects/SceneHelpers.h"
#include "std_effects/Skybox.h"

namespace Prod {

namespace {

// A musical position in seconds at the demo's tempo, for fractional beats.
float beatTime(const Vantrel::Demo& demo, double beats)
{
    return static_cast<float>(beats * 60.0 / demo.tempo);
}

const std::string kCamera = "Camera01";
const std::string kTarget = "Camera01.Target";
const std::string kGround = "Box01";
constexpr int kSunflowers = 4;

const Scene::Node& rootNode(const Scene::KDXLoader& scene, const std::string& name)
{
    const Scene::Node* node = scene.findNode(name);
    if (!node)
        throw Frontend::Error("Prod::Dragonfly: data/dragonflypaths.kdx has no root node " + name);
    return *node;
}

} // namespace

Dragonfly::Dragonfly(Vantrel::Demo* owner)
    : Vantrel::Element(owner, "Untitled", 512, 512),
      dragonfly(owner, "data/dragonfly.kdx"),
      paths(FrontendExt::File("data/dragonflypaths.kdx", "rb")),
      solsikke(owner, "data/solsikke.kdx")
{
    paths.requireKnownTag("data/dragonflypaths.kdx");
    // A dragonfly flies along every plain node of the paths.
    DrawBudget("Prod::Dragonfly")
        .add(paths.countNodes({Scene::kNodePlain, Scene::kNodePlain4}), kdxMeshCount(dragonfly),
             "data/dragonfly.kdx along the plain nodes of data/dragonflypaths.kdx")
        .add(kSunflowers, kdxMeshCount(solsikke), "data/solsikke.kdx")
        .add(1, 1, "data/dragonflypaths.kdx (its ground)")
        .check();
}

float Dragonfly::animationTime(const Vantrel::Demo& demo, float t)
{
    int n = 0;
    for (int k = 0; k <= 9; k++)
        if (demo.beatsToSeconds(16 * k) < t)
            n++;
    return 4000.0f * t + 3000.0f * static_cast<float>(n);
}

float Dragonfly::flash(const Vantrel::Demo& demo, float t)
{
    float F = 0.0f;
    for (int j = 1; j <= 10; j++) {
        const float a = beatTime(demo, 16.0 * j - 0.0625);
        const float b = beatTime(demo, 16.0 * j);
        const float d = beatTime(demo, 16.0 * j + 0.5);
        F += ease((t - a) / (b - a)) - ease((t - b) / (d - b));
    }
    return F;
}

Dragonfly::~Dragonfly() = default;

void Dragonfly::draw()
{
    const float t = localTime;
    clear(0.5f, 0.5f, 0.9f, 0.0f, true, true, true);
    StdVantrel::srand(1);
    const float A = animationTime(*demo, t);
    placeCamera(A);
    // The path scene composes onto the current world matrix, which the scene
    // drawn before this one may have left turned: start it from identity.
    loadIdentityWorld();
    paths.evaluate(A);
    loadIdentityWorld();

    if (!sky)
        sky = std::make_unique<StdVantrel::Skybox>(demo);
    sky->drawSky("scene2.jpg");

    drawGround();
    StdVantrel::srand(1);
    drawDragonflies(t);
    StdVantrel::srand(1);
    drawSunflowers();

    glow(64, 0.5f, 2.0f, 1.0f, 0.9f);
    depthOfField(2, 0.91f, 0.2f, 0.0f, 1.5f, 70.0f, 4.0f);
    depthOfField(2, 0.91f, 0.0f, 0.2f, 1.5f, 70.0f, 4.0f);
    const float F = flash(*demo, t);
    if (F > 0.01f)
        colorOverlay(1.0f, 1.0f, 1.0f, F);
}

void Dragonfly::placeCamera(float A)
{
    const Vec3 eye = rootNode(paths, kCamera).position(A);
    const Vec3 target = rootNode(paths, kTarget).position(A);
    lookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, 0.0f, 0.0f, -1.0f);
    perspective(35.0f, 1.77777f, 10.0f, 1200.0f);
}

void Dragonfly::drawGround()
{
    if (paths.meshInstances.empty())
        throw Frontend::Error("Prod::Dragonfly: data/dragonflypaths.kdx has no mesh for the ground");
    FrontendExt::Geometry* ground = paths.findGeometry(kGround);
    if (!ground)
        throw Frontend::Error("Prod::Dragonfly: data/dragonflypaths.kdx has no root mesh Box01");
    pushWorld();
    setWorldMatrix(paths.meshInstances[0].world);
    useShader("vantrel_texturediffuse.cg");
    setStateParameters();
    setTexture("tex0", "grass-bakke.jpg");
    ground->draw();
    popWorld();
}

void Dragonfly::drawDragonflies(float t)
{
    const std::vector<Scene::Instance>& flyers = paths.plainInstances;
    for (size_t i = 0; i < flyers.size(); i++) {
        if (flyers[i].node->name == kTarget)
            continue;
        pushWorld();
        setWorldMatrix(flyers[i].world);
        scale(0.1f, 0.1f, 0.1f);
        dragonfly.draw(3000.0f + 3000.0f * std::sin(static_cast<float>(i) + t));
        popWorld();
    }
}

void Dragonfly::drawSunflowers()
{
    for (int copy = 0; copy < kSunflowers; copy++) {
        pushAll();
        const float u1 = StdVantrel::signedRandom();
        const float s = 0.3f * u1 + 0.5f;
        scale(s, s, s);
        const float u2 = StdVantrel::signedRandom();
        rotate(1000.0f * u2, 0.0f, 0.0f, 1.0f);
        const float u3 = StdVantrel::signedRandom();
        const float u4 = StdVantrel::signedRandom();
        const float u5 = StdVantrel::signedRandom();
        const float u6 = StdVantrel::signedRandom();
        rotate(15.0f * u6, u5, u4, u3);
        const float u7 = StdVantrel::signedRandom();
        const float u8 = StdVantrel::signedRandom();
        translate(1000.0f * u8, 1000.0f * u7, 100.0f);
        solsikke.draw(0.0f);
        popAll();
    }
}

} // namespace Prod
