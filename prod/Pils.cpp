#include "prod/Pils.h"

#include <cmath>

#include "demo/Demo.h"
#include "frontend/Texture.h"
#include "prod/DrawBudget.h"
#include "std_effects/SceneHelpers.h"
#include "std_effects/Skybox.h"

namespace Prod {

using StdVantrel::randomPath;
using StdVantrel::signedRandom;
using Vantrel::Element;

namespace {

constexpr float kBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};
constexpr int kForks = 100;

void checkForkBudget(const Vantrel::Demo& demo, const char* scene)
{
    DrawBudget(scene).add(kForks, qbrMeshCount(demo, "gaffel.qbr"), "data/gaffel.qbr").check();
}

void placeCamera(Element& scene, float T, const ForkSwarmLook& look)
{
    // 163 / 240 here are fixed numbers of the camera path, not the tempo.
    Vec3 eye = randomPath(0, T * 163.0f / 240.0f, true);
    Vec3 target = randomPath(1, T, false);
    const float R = look.cameraDistance;
    scene.lookAt(R * eye.x, R * eye.y, R * eye.z, 5.0f * target.x, 5.0f * target.y, 5.0f * target.z, 0.0f, 0.0f, 1.0f);
    scene.perspective(90.0f, 1.7777f, 20.0f, look.farPlane);
    scene.loadIdentityWorld();
}

void drawForks(Element& scene, float Tj, float spread)
{
    for (int k = 0; k < kForks; k++) {
        scene.pushWorld();
        // The random values below continue the sequence randomPath left seeded,
        // so each fork keeps its turn and colour while its path key holds.
        Vec3 P = randomPath(0, static_cast<float>(k) / 10.0f + 0.7f * Tj, false);
        scene.rotate(100.0f * signedRandom(), 1.0f, 0.0f, 0.0f);
        scene.rotate(100.0f * signedRandom(), 0.0f, 0.0f, 1.0f);
        const float a = signedRandom();
        const float b = signedRandom();
        scene.rotate(95.0f * a * std::sin(b * Tj), 0.0f, 0.0f, 1.0f);
        scene.translate(spread * P.x, spread * P.y, spread * P.z);
        scene.useShader("vantrel_sphericalenv.cg");
        const float red = 1.3f + signedRandom();
        const float green = 1.3f + signedRandom();
        const float blue = 1.3f + signedRandom();
        scene.setVector("color", red, green, blue, 1.0f);
        scene.setTexture("tex0", "jall.jpg");
        scene.setStateParameters();
        scene.drawMesh("gaffel.qbr", -1);
        scene.popWorld();
    }
}

void applyEffects(Element& scene, float Tj, const ForkSwarmLook& look)
{
    scene.outlineEdges(250.0f, kBlack);
    scene.depthOfField(1, 0.9f, 0.5f, 0.0f, 2.0f, 96.0f, 4.0f);
    scene.depthOfField(1, 0.9f, 0.0f, 0.5f, 2.0f, 96.0f, 4.0f);
    const float freq1[2] = {10.0f, 10.0f};
    const float amp1[2] = {0.01f * std::sin(0.67f * Tj), 0.01f * std::sin(0.77f * Tj)};
    const float offset1[2] = {0.0f, 0.0f};
    scene.distortSine(freq1, amp1, offset1);
    const float freq2[2] = {14.0f, 14.0f};
    const float amp2[2] = {0.013f * std::sin(0.56f * Tj), 0.012f * std::sin(0.85f * Tj)};
    const float offset2[2] = {0.9f, 0.3f};
    scene.distortSine(freq2, amp2, offset2);
    const float band1 = scene.spectrum[1];
    const float gamma = look.takeoff ? 1.065f + 0.42f * band1 : 0.99f + 0.2f * band1;
    scene.glow(128, 0.5f, 2.0f, 1.0f, gamma);
}

} // namespace

ForkSwarmState::ForkSwarmState() = default;
ForkSwarmState::~ForkSwarmState() = default;

void drawForkSwarm(Element& scene, ForkSwarmState& state, const ForkSwarmLook& look)
{
    Vantrel::Demo& demo = *scene.demo;
    if (!state.sky)
        state.sky = std::make_unique<StdVantrel::Skybox>(&demo);
    const float t0 = scene.localTime;
    const float beat60 = demo.beatsToSeconds(60);
    const float liftOff = look.takeoff ? Element::ease((t0 - beat60) / (demo.beatsToSeconds(64) - beat60)) : 0.0f;

    const float T = t0 + 35.0f;
    scene.localTime = T;
    placeCamera(scene, T, look);
    state.sky->drawSky(look.skyTexture);
    scene.rotate(10.0f * std::sin(T), 0.0f, 0.0f, 1.0f);
    scene.scale(0.7f, 0.7f, 0.7f);

    if (Vantrel::runBeatTrigger(state.trigger, scene.spectrum[1], 0.3f, *scene.frameTime))
        state.jump = static_cast<int>(std::trunc(1000.0f * T));
    const float Tj = T + static_cast<float>(state.jump);
    scene.localTime = Tj;

    drawForks(scene, Tj, 200.0f + 600.0f * liftOff);
    if (look.takeoff)
        scene.colorOverlay(0.0f, 0.0f, 0.0f, liftOff);
    applyEffects(scene, Tj, look);

    // The opening fade belongs to the start of the demo, whichever scene draws then.
    const float beat12 = demo.beatsToSeconds(12);
    if (*scene.time < beat12) {
        scene.localTime = t0;
        scene.colorOverlay(0.0f, 0.0f, 0.0f, 1.0f - Element::ease(t0) + Element::ease((t0 - 1.5f) / (beat12 - 1.5f)));
    }
}

Pils::Pils(Vantrel::Demo* owner) : Vantrel::Element(owner, "Untitled", 512, 512)
{
    checkForkBudget(*owner, "Prod::Pils");
}
Pils::~Pils() = default;

void Pils::draw()
{
    static const ForkSwarmLook look{"scene2.jpg", 310.0f, 600.0f, false};
    drawForkSwarm(*this, state, look);
}

PilsTakeoff::PilsTakeoff(Vantrel::Demo* owner) : Vantrel::Element(owner, "Untitled", 512, 512)
{
    checkForkBudget(*owner, "Prod::PilsTakeoff");
}
PilsTakeoff::~PilsTakeoff() = default;

void PilsTakeoff::draw()
{
    static const ForkSwarmLook look{"natthimmel.jpg", 260.0f, 400.0f, true};
    drawForkSwarm(*this, state, look);
}

} // namespace Prod
