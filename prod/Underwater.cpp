#include "prod/Underwater.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "demo/Catalogues.h"
#include "demo/Demo.h"
#include "frontend/Error.h"
#include "frontend/Texture.h"
#include "frontend_ext/Buffers.h"
#include "frontend_ext/QBRLoader.h"
#include "std_effects/Particles.h"
#include "std_effects/SceneHelpers.h"
#include "std_effects/Skybox.h"

namespace Prod {

using FrontendExt::Geometry;
using FrontendExt::kSemanticNormal;
using FrontendExt::kSemanticPosition;
using FrontendExt::kSemanticTexCoord0;
using StdVantrel::signedRandom;

namespace {

constexpr int kBubbles = 200;

void computeFrames(Geometry& mesh)
{
    mesh.computeTangentSpace(kSemanticTexCoord0, kSemanticNormal, kSemanticTexCoord0 + 2, kSemanticTexCoord0 + 3);
}

float fractionalPart(float x)
{
    return x - std::trunc(x);
}

} // namespace

// ------------------------------------------------------------------ ripple

void Ripple::capture(Geometry* target)
{
    mesh = target;
    computeFrames(*mesh);
    std::unique_ptr<Geometry::Attribute> positions(mesh->getAttribute(kSemanticPosition));
    if (!positions)
        throw Frontend::Error("Prod::Ripple: the mesh has no readable positions");
    const int n = positions->vertexBuffer()->vertexCount();
    restPositions.assign(3 * static_cast<size_t>(n), 0.0f);
    restLengths.assign(static_cast<size_t>(n), 0.0f);
    for (int i = 0; i < n; i++) {
        float p[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        positions->get(p, i);
        restPositions[3 * i] = p[0];
        restPositions[3 * i + 1] = p[1];
        restPositions[3 * i + 2] = p[2];
        restLengths[i] = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    }
}

void Ripple::apply(float T, const Scene::VectorTrack& spin, const Scene::VectorTrack* drift)
{
    std::unique_ptr<Geometry::Attribute> positions(mesh->getAttribute(kSemanticPosition));
    if (!positions)
        throw Frontend::Error("Prod::Ripple: the mesh has no writable positions");
    const int n = static_cast<int>(restLengths.size());
    for (int i = 0; i < n; i++) {
        const float h = 3.8f * T - 0.012f * restLengths[i];
        const Vec3 r = spin.interpolateCubic(h);
        Vec3 v{restPositions[3 * i], restPositions[3 * i + 1], restPositions[3 * i + 2]};
        rotateAroundAxis(0.0f, 0.0f, 1.0f, r.z, v);
        rotateAroundAxis(0.0f, 1.0f, 0.0f, r.y, v);
        rotateAroundAxis(1.0f, 0.0f, 0.0f, r.x, v);
        if (drift) {
            const Vec3 d = drift->interpolateCubic(h);
            v.x += d.x;
            v.y += d.y;
            v.z += d.z;
        }
        positions->set(i, v.x, v.y, v.z, 1.0f);
    }
    positions.reset();
    computeFrames(*mesh);
}

// ----------------------------------------------------------------- bubbles

void placeBubbles(StdVantrel::Particles& bubbles, float t)
{
    StdVantrel::srand(1);
    for (int i = 0; i < kBubbles; i++) {
        const Vec3 a = StdVantrel::randomVector();
        const Vec3 b = StdVantrel::randomVector();
        const float s = 0.1f * t;
        // Negative coordinates keep their sign: those bubbles stay below the cube.
        const float x = fractionalPart(s * a.x + b.x);
        const float y = fractionalPart(s * a.y + b.y);
        const float z = fractionalPart(s * a.z + b.z + 0.3f * t);
        bubbles.setPosition(i, 800.0f * x - 400.0f, 800.0f * y - 400.0f, 800.0f * z - 400.0f);
        bubbles.setSize(i, 3.0f + 2.0f * signedRandom());
    }
}

void drawBubbles(Vantrel::Drawable& scene, StdVantrel::Particles& bubbles)
{
    scene.setDepthWrite(false);
    {
        Frontend::BlendScope blend(Frontend::kOne, Frontend::kOne);
        scene.setEnvironmentTexture("bubble.jpg");
        bubbles.draw();
    }
    scene.setDepthWrite(true);
}

// -------------------------------------------------------------- the scene

float Underwater::jumpedTime(const Vantrel::Demo& demo, float t0)
{
    float T = t0;
    for (int i = 0; i < 20; i++)
        if (demo.beatsToSeconds(16 * i) < t0)
            T += 2.0f;
    if (demo.beatsToSeconds(31) < t0)
        T += 2.0f;
    return T;
}

bool Underwater::edgeFlash(const Vantrel::Demo& demo, float t0)
{
    return t0 > demo.beatsToSeconds(63) || (demo.beatsToSeconds(31) < t0 && t0 < demo.beatsToSeconds(32));
}

void Underwater::prepare()
{
    star.capture(&(*meshes)["seastar.qbr"]->mesh(0));

    // Between spin keys the drift draws its own point, one value skipped.
    StdVantrel::fillSpinTrack(spinTrack, {.radius = 4.6f, .lengthWeight = 0.1f}, [this](float at) {
        StdVantrel::rand();
        Vec3 q = StdVantrel::randomVector();
        driftTrack.addKey({70.0f * q.x, 70.0f * q.y, 70.0f * q.z}, at);
    });
}

Underwater::Underwater(Vantrel::Demo* owner) : Vantrel::Element(owner, "Untitled", 512, 512)
{
}
Underwater::~Underwater() = default;

void Underwater::draw()
{
    if (!sky)
        sky = std::make_unique<StdVantrel::Skybox>(demo);
    if (!bubbles)
        bubbles = std::make_unique<StdVantrel::Particles>(demo, kBubbles);
    static Vec3 beatCentre;
    static float flash = 0.0f;
    static float bassLevel = 0.0f; // smoothed bass; kept for tuning, nothing reads it

    const float t0 = localTime;
    const float T = jumpedTime(*demo, t0);
    localTime = T;
    bassLevel = 0.9f * (bassLevel + 2.0f * spectrum[0]);
    clear(0.2f, 0.25f, 0.45f, 0.0f, true, true, true);

    if (star.mesh)
        star.apply(T, spinTrack, &driftTrack);
    placeCamera(T, beatCentre, flash);

    sky->drawSky("scene6.jpg");

    drawFloorAndStar();
    placeBubbles(*bubbles, T);
    drawBubbles(*this, *bubbles);
    applyPasses(t0, T, flash);
}

void Underwater::placeCamera(float T, Vec3& beatCentre, float& flash)
{
    StdVantrel::srand(static_cast<unsigned>(static_cast<int>(std::trunc(1000.0f * T))));
    if (beatTrigger(0, 0.3f)) {
        const Vec3 c = StdVantrel::randomVector();
        beatCentre = {80.0f * c.x, 80.0f * c.y, 80.0f * c.z};
        flash = 0.25f;
    }
    flash -= *frameTime;
    const float a = beatCentre.x * T * 0.03f;
    // z is up in this scene.
    lookAt(beatCentre.x + 210.0f * std::sin(a), beatCentre.y + 210.0f * std::cos(a),
           30.0f + 50.0f * std::sin(0.9f * T + 0.5f), 0.0f, 0.0f, -1.0f, 0.0f, 0.0f, 1.0f);
    perspective(45.0f, 1.7777f, 30.0f, 8000.0f);
    loadIdentityWorld();
}

void Underwater::drawFloorAndStar()
{
    useShader("vantrel_texturediffuse.cg");
    setTexture("tex0", "sand2.jpg");
    pushWorld();
    loadIdentityWorld();
    scale(150.0f, 150.0f, 50.0f);
    translate(0.0f, 0.0f, 5.0f);
    setStateParameters();
    drawMesh("seafloor.qbr", -1);
    popWorld();

    if (!star.mesh)
        return; // drawn before prepare: there is no star yet
    useShader("vantrel_specularbump.cg");
    setTexture("tex0", "stjerne.jpg");
    setTexture("tex1", "stjerne_bump.jpg");
    setVector("lightPosition", 0.0f, 0.0f, 300.0f, 1.0f);
    setStateParameters();
    star.mesh->draw();
}

void Underwater::applyPasses(float t0, float T, float flash)
{
    depthOfField(1, 0.85f, 0.5f, 0.0f, 2.0f, 96.0f, 4.0f);
    depthOfField(1, 0.85f, 0.0f, 0.5f, 2.0f, 96.0f, 4.0f);
    const float freq1[2] = {10.0f, 10.0f};
    const float amp1[2] = {0.01f, 0.01f};
    const float offset1[2] = {std::sin(T), std::cos(T)};
    distortSine(freq1, amp1, offset1);
    const float freq2[2] = {32.0f, 32.0f};
    const float amp2[2] = {0.001f, 0.001f};
    const float offset2[2] = {std::sin(0.4f * T), std::cos(0.2f * T)};
    distortSine(freq2, amp2, offset2);
    if (edgeFlash(*demo, t0)) {
        const float edge[4] = {0.7f, 0.7f, 1.0f, 1.0f};
        const float background[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        findEdges(5.0f, edge, background);
    }
    glow(128, 0.5f, 2.0f, 0.7f, 1.05f + std::max(flash, 0.0f));
}

} // namespace Prod
