// The Balloon scene's content: three hot-air balloons with striped,
// translucent envelopes rising over a dark landscape at night, and the
// camera that circles the nearest one as it climbs.
#include <cmath>
#include <numbers>
#include <string>

#include "tools/assets/kdx/KdxBuilder.h"
#include "tools/assets/kdx/KdxContent.h"

namespace Assets {

using Kdx::axisAngle;
using Kdx::toFile;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// Keyed over the scene's 500 units per second, a little beyond its 23.6 seconds.
constexpr float kAscentEnd = 12500.0f;
constexpr float kAscentStep = 250.0f;

constexpr int kSegments = 64;
constexpr int kGores = 16;

// (radius, height) from the mouth to the crown, the mouth 60 above the basket.
const std::vector<V2>& envelopeProfile()
{
    static const std::vector<V2> profile = {{18, 60},  {30, 85},  {60, 120}, {78, 165}, {82, 200},
                                            {72, 240}, {48, 272}, {20, 288}, {0, 292}};
    return profile;
}

// The gores of the envelope that wear colour `colour` of `colours`, as one mesh.
// Built like a lathe (u round, v up), wound counter-clockwise from outside.
Mesh envelopeGores(int colour, int colours)
{
    const std::vector<V2>& profile = envelopeProfile();
    const int n = static_cast<int>(profile.size());
    Mesh m;
    const int perGore = kSegments / kGores;
    for (int gore = colour; gore < kGores; gore += colours) {
        const int first = gore * perGore;
        std::vector<std::vector<int>> ring(n, std::vector<int>(perGore + 1));
        for (int i = 0; i < n; i++)
            for (int j = 0; j <= perGore; j++) {
                float angle = 2 * kPi * (first + j) / kSegments;
                // Each gore bulges a little between its seams.
                float bulge = 1 + 0.03f * std::sin(kPi * j / perGore);
                float r = profile[i].x * bulge;
                ring[i][j] = m.addVertex({r * std::sin(angle), profile[i].y, r * std::cos(angle)},
                                         static_cast<float>(first + j) / kSegments, static_cast<float>(i) / (n - 1));
            }
        for (int i = 0; i + 1 < n; i++)
            for (int j = 0; j < perGore; j++)
                m.addQuad(ring[i][j], ring[i][j + 1], ring[i + 1][j + 1], ring[i + 1][j]);
    }
    return m;
}

Mesh basket()
{
    Mesh b = box({34, 26, 34});
    b.translate({0, -13, 0});
    b.scaleUV(2, 1.5f);
    return b;
}

Mesh ropes()
{
    Mesh all;
    for (float sx : {-1.0f, 1.0f})
        for (float sz : {-1.0f, 1.0f}) {
            std::vector<SweepPoint> path = {{{15 * sx, 0, 15 * sz}, 0.7f, 0.7f},
                                            {{12.7f * sx, 60, 12.7f * sz}, 0.7f, 0.7f}};
            all.append(sweep(path, {1, 0, 0}, 5));
        }
    // The burner frame across the mouth.
    std::vector<SweepPoint> bar = {{{-13, 12, 0}, 1.0f, 1.0f}, {{13, 12, 0}, 1.0f, 1.0f}};
    all.append(sweep(bar, {0, 1, 0}, 6));
    return all;
}

Mesh flame()
{
    return lathe({{3, 0}, {7, 10}, {5.5f, 24}, {2, 36}, {0, 42}}, 16);
}

struct BalloonSpec {
    V3 start;
    float rise; // units of height per unit of time
    V3 drift;   // sideways per unit of time
    int firstColour;
    int colours;
    float phase;
};

V3 balloonPosition(const BalloonSpec& spec, float time)
{
    return spec.start + spec.drift * time + V3{0, spec.rise * time + 4 * std::sin(time / 900 + spec.phase), 0};
}

void addBalloon(Halvane::Scene& scene, int number, const BalloonSpec& spec, const Scene::Material* const* stripes,
                const Scene::Material* wicker, const Scene::Material* rope, const Scene::Material* fire)
{
    const std::string id = "0" + std::to_string(number);
    Scene::Node* balloon = Kdx::addRoot(scene, Kdx::plainNode("Balloon" + id));
    for (float time = 0; time <= kAscentEnd; time += kAscentStep) {
        V3 p = balloonPosition(spec, time);
        balloon->positionTrack.addKey({p.x, p.y, p.z}, time);
        // Turns slowly as it drifts, swinging a little.
        float yaw = 0.00012f * time + spec.phase;
        float swing = 0.03f * std::sin(time / 700 + spec.phase);
        balloon->rotationTrack.addKey(toFile(axisAngle({0, 1, 0}, yaw) * axisAngle({1, 0, 0}, swing)), time);
    }
    for (int c = 0; c < spec.colours; c++) {
        std::string name = "Envelope" + id + static_cast<char>('a' + c);
        Kdx::addChild(*balloon, Kdx::meshNode(name, envelopeGores(c, spec.colours), stripes[spec.firstColour + c]));
    }
    Kdx::addChild(*balloon, Kdx::meshNode("Basket" + id, basket(), wicker));
    Kdx::addChild(*balloon, Kdx::meshNode("Ropes" + id, ropes(), rope));
    Scene::Node* burner = Kdx::addChild(*balloon, Kdx::meshNode("Flame" + id, flame(), fire));
    burner->restPosition = {0, 10, 0};
    // The burner roars in bursts and flickers.
    Random random(900 + number);
    for (float time = 0; time <= kAscentEnd; time += kAscentStep) {
        float burst = std::sin(time / 1300 + 2 * spec.phase) > -0.2f ? 1.0f : 0.25f;
        float h = burst * random.range(0.75f, 1.25f);
        float w = 0.6f + 0.4f * burst;
        burner->scaleTrack.addKey({w, h, w}, time);
    }
}

Mesh landscape()
{
    Mesh land = heightField(3000, 48, 48, 1, [](float x, float y) {
        return 140 * fbm(x / 1500, y / 1500, 0, 0, 4, 333) + 60 * std::sin(x / 700) * std::cos(y / 900);
    });
    land.rotateX(-kPi / 2);
    return land;
}

} // namespace

std::unique_ptr<Halvane::Scene> makeBalloons()
{
    auto scene = std::make_unique<Halvane::Scene>();
    // Envelope cloth lets some light through; the balloon scene blends it by its opacity.
    const Scene::Material* stripes[] = {
        Kdx::colorMaterial(*scene, "Cloth red", hexColor(0xe0302a), 0.85f),
        Kdx::colorMaterial(*scene, "Cloth yellow", hexColor(0xf6c636), 0.85f),
        Kdx::colorMaterial(*scene, "Cloth blue", hexColor(0x3060d8), 0.8f),
        Kdx::colorMaterial(*scene, "Cloth white", hexColor(0xf0eee8), 0.8f),
        Kdx::colorMaterial(*scene, "Cloth green", hexColor(0x30b060), 0.85f),
    };
    const Scene::Material* wicker = Kdx::textureMaterial(*scene, "Wicker", "kurv.jpg");
    const Scene::Material* rope = Kdx::colorMaterial(*scene, "Rope", hexColor(0x3a2a1a));
    const Scene::Material* fire = Kdx::colorMaterial(*scene, "Flame", hexColor(0xffa040), 0.6f);
    const Scene::Material* ground = Kdx::colorMaterial(*scene, "Land", hexColor(0x0e1a22));

    Scene::Node* camera = Kdx::addRoot(*scene, Kdx::cameraNode("Camera01", "Camera01.Target", 30, 50, 2500));
    Scene::Node* target = Kdx::addRoot(*scene, Kdx::plainNode("Camera01.Target"));
    Scene::Node* land = Kdx::addRoot(*scene, Kdx::meshNode("Landscape", landscape(), ground));
    land->restPosition = {0, -700, 0};

    const BalloonSpec balloons[] = {{{0, 0, 0}, 0.012f, {0.004f, 0, 0.002f}, 0, 2, 0.0f},
                                    {{-520, 160, -720}, 0.008f, {0.006f, 0, 0}, 2, 2, 1.7f},
                                    {{380, -60, -1050}, 0.015f, {-0.003f, 0, 0.004f}, 2, 3, 3.1f}};
    for (int b = 0; b < 3; b++)
        addBalloon(*scene, b + 1, balloons[b], stripes, wicker, rope, fire);

    // Circles the nearest balloon from below to a little above it, closing in.
    for (float time = 0; time <= kAscentEnd; time += kAscentStep) {
        float f = time / kAscentEnd;
        V3 centre = balloonPosition(balloons[0], time) + V3{0, 130, 0};
        float around = 0.9f + 1.1f * f, distance = 820 - 160 * f;
        V3 eye = centre + V3{distance * std::cos(around), -200 + 260 * f, distance * std::sin(around)};
        camera->positionTrack.addKey({eye.x, eye.y, eye.z}, time);
        target->positionTrack.addKey({centre.x, centre.y, centre.z}, time);
    }
    return scene;
}

const std::vector<KdxAsset>& kdxAssets()
{
    static const std::vector<KdxAsset> kScenes = {
        {"dragonfly.kdx", makeDragonfly},   {"dragonflypaths.kdx", makeDragonflyPaths},
        {"solsikke.kdx", makeSunflower},    {"flowerball.kdx", makeFlowerball},
        {"strawberry.kdx", makeStrawberry}, {"strawberry-top.kdx", makeStrawberryTop},
        {"balloon.kdx", makeBalloons},
    };
    return kScenes;
}

} // namespace Assets
