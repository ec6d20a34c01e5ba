// The dragonfly meadow: the dragonfly itself, the flight paths of the flock
// with the camera that follows it, and the sunflower that stands around.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "tools/assets/kdx/KdxBuilder.h"
#include "tools/assets/kdx/KdxContent.h"

namespace Assets {

using Kdx::axisAngle;
using Kdx::Rotation;
using Kdx::toFile;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

float degrees(float d)
{
    return d * kPi / 180.0f;
}

// ---------------------------------------------------------------- dragonfly

// One wing beat takes this many units of animation time.
constexpr float kBeat = 200.0f;
constexpr float kBeatStep = 25.0f;
constexpr float kFlightEnd = 6000.0f;

Mesh dragonflyBody()
{
    // Tail (-x) to head (+x): abdomen, thorax, neck, head.
    const float profile[][3] = {{-70, 1.2f, 1.2f}, {-64, 2.0f, 2.0f}, {-50, 2.4f, 2.4f}, {-30, 2.5f, 2.6f},
                                {-10, 2.8f, 3.0f}, {4, 3.4f, 3.6f},   {12, 4.5f, 5.5f},  {18, 6.0f, 7.0f},
                                {28, 6.5f, 7.5f},  {36, 5.5f, 6.5f},  {40, 3.5f, 4.0f},  {42, 4.5f, 5.0f},
                                {46, 6.0f, 6.0f},  {50, 5.0f, 5.0f},  {53, 2.0f, 2.0f},  {54, 0.0f, 0.0f}};
    std::vector<SweepPoint> path;
    for (const auto& p : profile)
        path.push_back({{p[0], 0.04f * std::max(0.0f, -p[0]) * 0.3f, 0}, p[1], p[2]});
    return sweep(path, {0, 1, 0}, 14);
}

Mesh dragonflyEyes()
{
    Mesh eyes;
    for (float side : {-1.0f, 1.0f}) {
        Mesh eye = sphere(4.6f, 14, 10);
        eye.scale({1.0f, 1.1f, 0.9f});
        eye.translate({47.0f, 2.2f, 3.8f * side});
        eyes.append(eye);
    }
    return eyes;
}

Mesh dragonflyLegs()
{
    Mesh legs;
    for (float x : {20.0f, 26.0f, 32.0f})
        for (float side : {-1.0f, 1.0f}) {
            std::vector<SweepPoint> path = {{{x, -4.5f, 2.5f * side}, 0.8f, 0.8f},
                                            {{x + 5, -10, 9 * side}, 0.7f, 0.7f},
                                            {{x + 9, -15, 7 * side}, 0.5f, 0.5f}};
            legs.append(sweep(path, {1, 0, 0}, 5));
        }
    return legs;
}

// A right wing (+z) from its hinge; the left is its mirror image.
Mesh dragonflyWing(float length, float chord, bool left)
{
    Kdx::BladeShape shape;
    shape.length = length;
    shape.spanSteps = 12;
    shape.chordSteps = 3;
    shape.thickness = 0.4f;
    shape.edges = [chord](float s, float& lead, float& trail) {
        float width = chord * (0.3f + 0.7f * std::sqrt(std::sin(kPi * (0.06f + 0.9f * s))));
        lead = 0.25f * chord * std::sqrt(std::sin(kPi * (0.06f + 0.9f * s)));
        trail = lead - width;
    };
    shape.bend = [](float s, float c) { return 1.2f * s * (1 - s) * std::sin(kPi * c); };
    Mesh wing = blade(shape);
    wing.translate({0, 0, 2.0f});
    if (left)
        wing.scale({1, 1, -1});
    return wing;
}

// Beat angle of the wing pairs: up is positive.
float flap(float time, float phase)
{
    return degrees(38.0f) * std::sin(2 * kPi * time / kBeat + phase) + degrees(6.0f);
}

void keyWing(Scene::Node& wing, float phase, float sweepAngle, bool left)
{
    for (float time = 0; time <= kFlightEnd; time += kBeatStep) {
        float up = flap(time, phase);
        Rotation r = axisAngle({1, 0, 0}, left ? up : -up) * axisAngle({0, 1, 0}, left ? -sweepAngle : sweepAngle);
        wing.rotationTrack.addKey(toFile(r), time);
    }
}

} // namespace

std::unique_ptr<Halvane::Scene> makeDragonfly()
{
    auto scene = std::make_unique<Halvane::Scene>();
    const Scene::Material* skin = Kdx::textureMaterial(*scene, "Dragonfly body", "oyenstikker.jpg", "oyenstikker.jpg");
    const Scene::Material* wings = Kdx::textureMaterial(*scene, "Dragonfly wing", "vinge.jpg");
    const Scene::Material* eyes = Kdx::colorMaterial(*scene, "Dragonfly eyes", hexColor(0x1c4a3a));
    const Scene::Material* legs = Kdx::colorMaterial(*scene, "Dragonfly legs", hexColor(0x141210));

    Scene::Node* body = Kdx::addRoot(*scene, Kdx::meshNode("Body", dragonflyBody(), skin));
    // The body bobs against the wing beat and sways slowly.
    for (float time = 0; time <= kFlightEnd; time += kBeatStep) {
        body->positionTrack.addKey({0, 1.2f * std::sin(2 * kPi * time / kBeat + kPi), 0}, time);
        Rotation sway = axisAngle({0, 0, 1}, degrees(4) * std::sin(2 * kPi * time / 1500)) *
                        axisAngle({1, 0, 0}, degrees(6) * std::sin(2 * kPi * time / 2300));
        body->rotationTrack.addKey(toFile(sway), time);
    }
    Kdx::addChild(*body, Kdx::meshNode("Eyes", dragonflyEyes(), eyes));
    Kdx::addChild(*body, Kdx::meshNode("Legs", dragonflyLegs(), legs));

    struct WingSpec {
        const char* name;
        float x, length, chord, phase, sweepAngle;
        bool left;
    };
    const WingSpec specs[] = {{"WingFR", 32, 62, 11, 0.0f, 0.12f, false},
                              {"WingFL", 32, 62, 11, 0.0f, 0.12f, true},
                              {"WingBR", 21, 58, 13, -1.2f, -0.15f, false},
                              {"WingBL", 21, 58, 13, -1.2f, -0.15f, true}};
    for (const WingSpec& w : specs) {
        Scene::Node* wing =
            Kdx::addChild(*body, Kdx::meshNode(w.name, dragonflyWing(w.length, w.chord, w.left), wings));
        wing->restPosition = {w.x, 5.0f, w.left ? -2.5f : 2.5f};
        keyWing(*wing, w.phase, w.sweepAngle, w.left);
    }
    return scene;
}

// ---------------------------------------------------------------- flight paths

namespace {

// The paths are keyed in units of 4000 per second of the scene's clock.
constexpr float kUnitsPerSecond = 4000.0f;
constexpr float kPathEnd = 130000.0f;
constexpr float kPathStep = 500.0f;
constexpr int kFlyers = 5;

// The middle of the flock, T in seconds: loops over the meadow 30 units up.
V3 flockCentre(float T)
{
    return {320 * std::sin(0.21f * T) + 110 * std::sin(0.57f * T + 1.0f), 30 + 10 * std::sin(0.8f * T),
            260 * std::sin(0.16f * T + 0.4f) + 90 * std::cos(0.47f * T)};
}

V3 flyerPosition(int k, float T)
{
    const V3 place[kFlyers] = {{0, 0, 0}, {-14, 4, 14}, {-15, -3, -13}, {-28, 6, 2}, {12, -2, -20}};
    V3 wander{7 * std::sin(0.9f * T + 1.7f * k), 4 * std::sin(1.3f * T + 2.3f * k), 7 * std::cos(0.7f * T + 1.1f * k)};
    return flockCentre(T) + place[k] + wander;
}

V3 cameraPosition(float T)
{
    float around = 0.35f * T + 0.6f * std::sin(0.23f * T);
    return flockCentre(T) + V3{56 * std::cos(around), 12 + 7 * std::sin(0.37f * T), 56 * std::sin(around)};
}

// Nose along the flight, banked into the turn.
Rotation flyerAttitude(int k, float T)
{
    const float dt = 0.02f;
    V3 before = flyerPosition(k, T - dt), here = flyerPosition(k, T), after = flyerPosition(k, T + dt);
    V3 velocity = (after - before) * (0.5f / dt);
    V3 acceleration = (after + before - here * 2) * (1 / (dt * dt));
    V3 forward = normalized(velocity);
    V3 side = normalized(cross(forward, {0, 1, 0}));
    float bank = std::clamp(dot(acceleration, side) / 250.0f, -0.7f, 0.7f);
    return Kdx::heading(velocity, bank);
}

Mesh meadow()
{
    Mesh ground = box({4000, 20, 4000});
    ground.scaleUV(24, 24);
    return ground;
}

} // namespace

std::unique_ptr<Halvane::Scene> makeDragonflyPaths()
{
    auto scene = std::make_unique<Halvane::Scene>();
    const Scene::Material* grass = Kdx::textureMaterial(*scene, "Meadow", "grass-bakke.jpg");

    Scene::Node* camera = Kdx::addRoot(*scene, Kdx::cameraNode("Camera01", "Camera01.Target", 35, 10, 1200));
    Scene::Node* target = Kdx::addRoot(*scene, Kdx::plainNode("Camera01.Target"));
    Scene::Node* ground = Kdx::addRoot(*scene, Kdx::meshNode("Box01", meadow(), grass));
    ground->restPosition = {0, -70, 0};
    Scene::Node* flyers[kFlyers];
    for (int k = 0; k < kFlyers; k++)
        flyers[k] = Kdx::addRoot(*scene, Kdx::plainNode("Dragonfly0" + std::to_string(k + 1)));

    for (float time = 0; time <= kPathEnd; time += kPathStep) {
        const float T = time / kUnitsPerSecond;
        V3 eye = cameraPosition(T), look = flockCentre(T) + V3{0, 2, 0};
        camera->positionTrack.addKey({eye.x, eye.y, eye.z}, time);
        target->positionTrack.addKey({look.x, look.y, look.z}, time);
        for (int k = 0; k < kFlyers; k++) {
            V3 p = flyerPosition(k, T);
            flyers[k]->positionTrack.addKey({p.x, p.y, p.z}, time);
            flyers[k]->rotationTrack.addKey(toFile(flyerAttitude(k, T)), time);
        }
    }
    return scene;
}

// ---------------------------------------------------------------- sunflower

namespace {

Mesh sunflowerStem()
{
    std::vector<SweepPoint> path;
    for (int i = 0; i <= 12; i++) {
        float f = i / 12.0f, y = -150 + 485 * f;
        path.push_back({{10 * std::sin(2.5f * f) * f, y, 4 * std::sin(4 * f)}, 5.5f - 2 * f, 5.5f - 2 * f});
    }
    return sweep(path, {1, 0, 0}, 10);
}

Mesh sunflowerLeaves()
{
    Mesh leaves;
    const float heights[] = {40, 110, 170, 235};
    for (int i = 0; i < 4; i++) {
        Kdx::BladeShape shape;
        shape.length = 95 - 10 * i;
        shape.spanSteps = 10;
        shape.chordSteps = 4;
        shape.thickness = 0.8f;
        shape.edges = [](float s, float& lead, float& trail) {
            float half = 22 * std::sin(kPi * std::pow(s, 0.7f)) + 1.5f;
            lead = half;
            trail = -half;
        };
        // Droops towards the tip, folded a little along the midrib.
        shape.bend = [](float s, float c) { return -28 * s * s + 5 * std::fabs(c - 0.5f); };
        Mesh leaf = blade(shape);
        leaf.rotateY(1.9f * i + 0.4f);
        leaf.translate({0, heights[i], 0});
        leaves.append(leaf);
    }
    return leaves;
}

// Petals laid round the y axis from `inner` outwards, cupped a little upwards.
Mesh petalRing(int count, float inner, float length, float width, float offset, float lift)
{
    Mesh petals;
    for (int i = 0; i < count; i++) {
        Kdx::BladeShape shape;
        shape.length = length;
        shape.spanSteps = 6;
        shape.chordSteps = 2;
        shape.thickness = 0.8f;
        shape.u0 = 0.02f;
        shape.u1 = 0.48f;
        shape.edges = [width](float s, float& lead, float& trail) {
            float half = width * (0.35f + 0.65f * std::sin(kPi * std::min(1.0f, 0.15f + 0.95f * s))) + 0.5f;
            lead = half;
            trail = -half;
        };
        shape.bend = [lift](float s, float c) { return lift * s * s - 2.0f * std::sin(kPi * c); };
        Mesh petal = blade(shape);
        petal.translate({0, 0, inner});
        petal.rotateY(2 * kPi * (i + offset) / count);
        petals.append(petal);
    }
    return petals;
}

Mesh sunflowerBack(float radius)
{
    return lathe({{8, -30}, {radius * 0.55f, -14}, {radius, -1}, {0, 0}}, 28);
}

} // namespace

std::unique_ptr<Halvane::Scene> makeSunflower()
{
    auto scene = std::make_unique<Halvane::Scene>();
    const Scene::Material* stem = Kdx::colorMaterial(*scene, "Stem", hexColor(0x4a8a26));
    const Scene::Material* leaf = Kdx::colorMaterial(*scene, "Leaf", hexColor(0x2f6e1a));
    const Scene::Material* petal = Kdx::textureMaterial(*scene, "Petal", "kronblad.jpg", "kronblad.jpg");
    const Scene::Material* seeds = Kdx::textureMaterial(*scene, "Seeds", "kronblad.jpg", "kronblad.jpg");

    Kdx::addRoot(*scene, Kdx::meshNode("Stem", sunflowerStem(), stem));
    Kdx::addRoot(*scene, Kdx::meshNode("Leaves", sunflowerLeaves(), leaf));
    Scene::Node* head = Kdx::addRoot(*scene, Kdx::plainNode("Head"));
    head->restPosition = {6, 338, 3};
    const Rotation facing = axisAngle({0, 0, 1}, -1.15f);
    head->restRotation = toFile(facing);
    const float radius = 46;
    Mesh petals = petalRing(22, radius - 6, 56, 9, 0.0f, 10);
    petals.append(petalRing(22, radius - 10, 50, 9, 0.5f, 18));
    // The seed disc faces +y; the "Head" node turns it to face the side.
    Kdx::addChild(*head, Kdx::meshNode("Seeds", Kdx::seedDome(radius, 7, 8, 36), seeds));
    Kdx::addChild(*head, Kdx::meshNode("Petals", petals, petal));
    Kdx::addChild(*head, Kdx::meshNode("HeadBack", sunflowerBack(radius), stem));
    return scene;
}

} // namespace Assets
