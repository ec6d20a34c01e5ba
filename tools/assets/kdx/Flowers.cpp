// The Flowerball scene's content: a ball of flowers that bursts open as its
// animation time grows, and the strawberry with its green top.
#include <cmath>
#include <numbers>
#include <cstdio>

#include "tools/assets/kdx/KdxBuilder.h"
#include "tools/assets/kdx/KdxContent.h"

namespace Assets {

using Kdx::axisAngle;
using Kdx::Rotation;
using Kdx::toFile;

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

// The turn that takes +y to the unit vector n.
Rotation turnUpTo(V3 n)
{
    V3 axis = cross({0, 1, 0}, n);
    if (length(axis) < 1e-5f)
        return n.y > 0 ? Rotation{} : axisAngle({1, 0, 0}, kPi);
    return axisAngle(axis, std::acos(std::fmax(-1.0f, std::fmin(1.0f, n.y))));
}

// Rounded petals round the y axis from `inner` outwards, cupped upwards.
Mesh flowerPetals(int count, float inner, float length, float width, float lift)
{
    Mesh petals;
    for (int i = 0; i < count; i++) {
        Kdx::BladeShape shape;
        shape.length = length;
        shape.spanSteps = 5;
        shape.chordSteps = 2;
        shape.thickness = 0.6f;
        shape.edges = [width](float s, float& lead, float& trail) {
            float half = width * std::sqrt(std::sin(kPi * (0.1f + 0.85f * s))) + 0.3f;
            lead = half;
            trail = -half;
        };
        shape.bend = [lift](float s, float c) { return lift * s * s - 1.2f * std::sin(kPi * c); };
        Mesh petal = blade(shape);
        petal.translate({0, 0, inner});
        petal.rotateY(2 * kPi * i / count);
        petals.append(petal);
    }
    return petals;
}

constexpr int kFlowers = 46;
// The whole ball is modelled at this scale, to fill a good part of the
// picture from the scene's camera some 400 units away.
constexpr float kBall = 1.7f;
constexpr float kBurstEnd = 10000.0f;
constexpr float kBurstStep = 250.0f;

} // namespace

std::unique_ptr<Halvane::Scene> makeFlowerball()
{
    auto scene = std::make_unique<Halvane::Scene>();
    const Scene::Material* mossMaterial = Kdx::colorMaterial(*scene, "Moss", hexColor(0x3a6a22));
    const Scene::Material* heart = Kdx::textureMaterial(*scene, "Heart", "kronblad.jpg", "kronblad.jpg");
    const Scene::Material* colours[] = {Kdx::colorMaterial(*scene, "Pink", hexColor(0xf26aa6)),
                                        Kdx::colorMaterial(*scene, "White", hexColor(0xf2eefa)),
                                        Kdx::colorMaterial(*scene, "Violet", hexColor(0x9a62e0)),
                                        Kdx::colorMaterial(*scene, "Orange", hexColor(0xffa030))};

    Scene::Node* core = Kdx::addRoot(*scene, Kdx::meshNode("Core", sphere(58 * kBall, 24, 16), mossMaterial));
    for (float time = 0; time <= kBurstEnd; time += kBurstStep) {
        float f = time / kBurstEnd;
        core->scaleTrack.addKey({1 + 0.25f * f, 1 + 0.25f * f, 1 + 0.25f * f}, time);
    }

    Random random(4242);
    const float golden = kPi * (3 - std::sqrt(5.0f));
    for (int k = 0; k < kFlowers; k++) {
        // Even spread over the sphere.
        float y = 1 - 2 * (k + 0.5f) / kFlowers, r = std::sqrt(1 - y * y), a = golden * k;
        V3 n{r * std::cos(a), y, r * std::sin(a)};
        float reach = 0.010f + 0.006f * random.uniform();
        float spin = random.range(-1.5f, 1.5f) * 2 * kPi;
        float size = random.range(0.8f, 1.05f);

        char name[32];
        std::snprintf(name, sizeof name, "Flower%02d", k + 1);
        Scene::Node* flower = Kdx::addRoot(*scene, Kdx::plainNode(name));
        for (float time = 0; time <= kBurstEnd; time += kBurstStep) {
            float f = time / kBurstEnd;
            V3 p = n * (kBall * (60 + reach * time));
            flower->positionTrack.addKey({p.x, p.y, p.z}, time);
            flower->rotationTrack.addKey(toFile(turnUpTo(n) * axisAngle({0, 1, 0}, spin * f)), time);
        }
        std::snprintf(name, sizeof name, "Petals%02d", k + 1);
        Mesh shape = flowerPetals(7, 3 * kBall, 19 * kBall * size, 5.5f * kBall * size, 6 * kBall);
        Kdx::addChild(*flower, Kdx::meshNode(name, shape, colours[k % 4]));
        std::snprintf(name, sizeof name, "Heart%02d", k + 1);
        Kdx::addChild(*flower, Kdx::meshNode(name, Kdx::seedDome(6.5f * kBall * size, 3 * kBall, 6, 24), heart));
    }
    return scene;
}

// ---------------------------------------------------------------- strawberry

namespace {

constexpr float kTurnTime = 6000.0f;
constexpr float kBerryEnd = 19500.0f;
constexpr float kBerryStep = 500.0f;

void keyTurning(Scene::Node& node)
{
    for (float time = 0; time <= kBerryEnd; time += kBerryStep)
        node.rotationTrack.addKey(toFile(axisAngle({0, 1, 0}, 2 * kPi * time / kTurnTime)), time);
}

} // namespace

std::unique_ptr<Halvane::Scene> makeStrawberry()
{
    auto scene = std::make_unique<Halvane::Scene>();
    const Scene::Material* skin = Kdx::textureMaterial(*scene, "Strawberry", "jordbaer.jpg", "jordbaer.jpg");
    // Wide end down, where the top sits; the tip points up.
    Mesh berry = lathe({{0, -16.5f},
                        {6, -16},
                        {10, -14.5f},
                        {13, -11},
                        {14.5f, -6},
                        {14, 0},
                        {12, 6},
                        {9, 12},
                        {5, 17},
                        {2, 20},
                        {0, 21}},
                       24);
    berry.scaleUV(3, 2.5f);
    Scene::Node* body = Kdx::addRoot(*scene, Kdx::meshNode("Berry", berry, skin));
    // The axis stands 5 units aside, under the place where the top is drawn.
    body->restPosition = {0, 0, 5};
    keyTurning(*body);
    return scene;
}

std::unique_ptr<Halvane::Scene> makeStrawberryTop()
{
    auto scene = std::make_unique<Halvane::Scene>();
    const Scene::Material* green = Kdx::colorMaterial(*scene, "Sepal", hexColor(0x3c8c22));
    const Scene::Material* stalk = Kdx::colorMaterial(*scene, "Stalk", hexColor(0x6a9a3a));

    Mesh sepals;
    for (int i = 0; i < 7; i++) {
        Kdx::BladeShape shape;
        shape.length = 14;
        shape.spanSteps = 6;
        shape.chordSteps = 2;
        shape.thickness = 0.5f;
        shape.edges = [](float s, float& lead, float& trail) {
            float half = 3.2f * std::sin(kPi * (0.2f + 0.8f * s)) + 0.2f;
            lead = half;
            trail = -half;
        };
        // Lies over the berry's shoulder, curling up at the tip.
        shape.bend = [](float s, float) { return 1.2f + 10.5f * s * s; };
        Mesh sepal = blade(shape);
        sepal.translate({0, 0, 2});
        sepal.rotateY(2 * kPi * (i + 0.3f) / 7);
        sepals.append(sepal);
    }
    Scene::Node* top = Kdx::addRoot(*scene, Kdx::meshNode("Top", sepals, green));
    keyTurning(*top);
    std::vector<SweepPoint> path = {
        {{0, 1.5f, 0}, 1.6f, 1.6f}, {{0.5f, -5, 0.2f}, 1.3f, 1.3f}, {{1.5f, -11, 0.6f}, 1.1f, 1.1f}};
    Kdx::addChild(*top, Kdx::meshNode("Stalk", sweep(path, {1, 0, 0}, 8), stalk));
    return scene;
}

} // namespace Assets
