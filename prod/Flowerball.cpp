#include "prod/Flowerball.h"

#include <cmath>

#include "demo/Catalogues.h"
#include "demo/Demo.h"
#include "frontend/Texture.h"
#include "prod/DrawBudget.h"
#include "std_effects/Particles.h"
#include "std_effects/SceneHelpers.h"
#include "std_effects/Skybox.h"

namespace Prod {

using StdVantrel::randomPath;
using StdVantrel::signedRandom;

namespace {
constexpr int kStrawberries = 100;
constexpr int kSprites = 10;
} // namespace

Flowerball::Flowerball(Vantrel::Demo* owner)
    : Vantrel::Element(owner, "Untitled", 512, 512),
      ball(owner, "data/flowerball.kdx"),
      strawberry(owner, "data/strawberry.kdx"),
      strawberryTop(owner, "data/strawberry-top.kdx")
{
    // The strawberries of the swarm and the large one.
    DrawBudget("Prod::Flowerball")
        .add(kStrawberries + 1, kdxMeshCount(strawberry), "data/strawberry.kdx")
        .add(kStrawberries + 1, kdxMeshCount(strawberryTop), "data/strawberry-top.kdx")
        .add(1, kdxMeshCount(ball), "data/flowerball.kdx")
        .check();
}

float Flowerball::strawberryDepth(const Vantrel::Demo& demo, float u1, float t)
{
    return std::fabs(5000.0f * u1) + 200.0f * (demo.beatsToSeconds(32) - t);
}

bool Flowerball::strawberryShown(float z)
{
    return -1000.0f < z && z < 1000.0f;
}

bool Flowerball::largeStrawberryShown(const Vantrel::Demo& demo, float t)
{
    return t > demo.beatsToSeconds(32);
}

Flowerball::~Flowerball() = default;

void Flowerball::draw()
{
    const float t = localTime;
    clear(0.4f, 0.4f, 0.7f, 0.0f, true, true, true);
    reactToBeat(t);

    const Vec3 P = randomPath(3, 0.4f * t + pathOffset, false);
    const Vec3 Q = randomPath(2, 0.3f * t + pathOffset, false);
    lookAt(400.0f * Q.x + 10.0f * P.x, 400.0f * Q.y + 10.0f * P.y, 400.0f * Q.z + 10.0f * P.z, 0.0f,
           150.0f * std::sin(0.5f * t), 150.0f * std::sin(0.4f * t), 0.0f, 0.0f, -1.0f);
    perspective(60.0f, 1.7777f, 50.0f, 2000.0f);
    loadIdentityWorld();
    rotate(40.0f * t, 0.0f, 0.0f, 1.0f);

    if (!sky)
        sky = std::make_unique<StdVantrel::Skybox>(demo);
    sky->drawSky("scene1.jpg");

    pushWorld();
    ball.draw(ballTime);
    popWorld();

    drawStrawberries(t);
    glow(64, 0.5f, 2.0f, 1.0f, 0.9f);
    drawSprites();
    depthOfField(1, 0.95f, 0.5f, 0.0f, 2.0f, 30.0f, 3.0f);
    depthOfField(1, 0.95f, 0.0f, 0.5f, 2.0f, 30.0f, 3.0f);
    drawImage("logo2.png", 0.06f * t - 1.5f, -1.0f, 2.0f, 2.0f, Frontend::kSrcAlpha, Frontend::kOneMinusSrcAlpha);
    drawImage("logo.png", 0.05f * t - 1.5f, -1.0f, 2.0f, 2.0f, Frontend::kSrcAlpha, Frontend::kOneMinusSrcAlpha);
    clear(0.0f, 0.0f, 0.0f, 0.0f, false, true, false);

    // Only for their reseeding: the next frame's beat reaction draws on from here.
    randomPath(3, 0.4f * t + pathOffset, false);
    randomPath(2, 0.3f * t + pathOffset, false);
    drawLargeStrawberry(t);
}

void Flowerball::reactToBeat(float t)
{
    if (t < demo->beatsToSeconds(60) && beatTrigger(1, 0.3f)) {
        pathOffset += 0.3f;
        ballTime = std::fabs(signedRandom()) * 10000.0f;
    }
    ballTime -= 20000.0f * *frameTime;
}

void Flowerball::drawStrawberries(float t)
{
    StdVantrel::srand(1);
    for (int i = 0; i < kStrawberries; i++) {
        pushWorld();
        const float u1 = signedRandom();
        const float u2 = signedRandom();
        const float u3 = signedRandom();
        const float u4 = signedRandom();
        const float z = strawberryDepth(*demo, u1, t);
        translate(1000.0f * u3, 1000.0f * u2, z);
        const float s = 1.0f + 0.5f * u4;
        scale(s, s, s);
        if (strawberryShown(z)) {
            strawberry.draw(750.0f * t);
            translate(0.0f, 5.0f, 15.0f);
            strawberryTop.draw(750.0f * t);
        }
        popWorld();
    }
}

void Flowerball::drawSprites()
{
    if (!sprites)
        sprites = std::make_unique<StdVantrel::Particles>(demo, kSprites);
    loadIdentityWorld();
    StdVantrel::srand(1);
    for (int i = 0; i < kSprites; i++) {
        const float u1 = signedRandom();
        const float u2 = signedRandom();
        const float u3 = signedRandom();
        sprites->setPosition(i, 500.0f * u1, 500.0f * u2, 500.0f * u3);
        sprites->setSize(i, 200.0f);
    }
    setEnvironmentTexture("sky.png");
    enable(Frontend::kBlend);
    setBlendFunc(Frontend::kSrcAlpha, Frontend::kOneMinusSrcAlpha);
    setDepthWrite(false);
    sprites->draw();
    disable(Frontend::kBlend);
    setDepthWrite(true);
}

void Flowerball::drawLargeStrawberry(float t)
{
    lookAt(50.0f, 50.0f, 10.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    perspective(60.0f, 1.7777f, 5.0f, 500.0f);
    loadIdentityWorld();
    rotate(40.0f * t, 0.0f, 0.0f, 1.0f);
    if (!largeStrawberryShown(*demo, t))
        return;
    const float d = t - demo->beatsToSeconds(32);
    rotate(180.0f, 1.0f, 0.0f, 0.0f);
    translate(0.0f, 0.0f, 200.0f - 200.0f * d);
    strawberry.draw(750.0f * t);
    translate(0.0f, 5.0f, 15.0f);
    strawberryTop.draw(750.0f * t);
}

} // namespace Prod
