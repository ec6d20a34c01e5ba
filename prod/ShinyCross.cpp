#include "prod/ShinyCross.h"

#include <cmath>

#include "prod/DrawBudget.h"
#include "std_effects/SceneHelpers.h"

namespace Prod {

using StdVantrel::signedRandom;

namespace {
constexpr float kBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};
constexpr int kCrosses = 60;
} // namespace

ShinyCross::ShinyCross(Vantrel::Demo* owner) : Vantrel::Element(owner, "Untitled", 512, 512)
{
    DrawBudget("Prod::ShinyCross")
        .add(kCrosses, qbrMeshCount(*owner, "cross.qbr"), "data/cross.qbr")
        .add(1, qbrMeshCount(*owner, "jiha.qbr"), "data/jiha.qbr")
        .add(1, qbrMeshCount(*owner, "morvask.qbr"), "data/morvask.qbr")
        .check();
}

void ShinyCross::draw()
{
    const float T = 1.25f * localTime;
    localTime = T;
    clear(1.0f, 1.0f, 1.0f, 1.0f, true, true, true);

    drawCentre(T);
    glow(64, 0.5f, 2.0f, 1.0f, 1.0f);
    drawCrosses(T);
    drawLogo(T);

    outlineEdges(500.0f, kBlack);
    depthOfField(2, 0.99f, 0.5f, 0.0f, 2.0f, 96.0f, 4.0f);
    depthOfField(2, 0.99f, 0.0f, 0.5f, 2.0f, 96.0f, 4.0f);
    glow(128, 0.5f, 2.0f, 1.0f, 0.9f);
    colorOverlay(0.0f, 0.0f, 0.0f, (1.0f - ease(T / 0.5f)) + ease((T - 13.0f) / 2.0f));
}

void ShinyCross::drawCentre(float T)
{
    useShader("vantrel_planarenv.cg");
    setTexture("tex0", "bw.jpg");
    perspective(95.0f, 1.7777f, 1.0f, 600.0f);
    lookAt(0.0f, 0.0f, 0.0f, -100.0f, -100.0f, -100.0f, 0.0f, 1.0f, 0.0f);
    loadIdentityWorld();
    // This turn stays in the world matrix: crosses and logo spin with it.
    rotate(60.0f * T, 0.0f, 1.0f, 0.0f);
    pushWorld();
    scale(15.0f, 15.0f, 15.0f);
    setStateParameters();
    drawMesh("jiha.qbr", -1);
    popWorld();
}

void ShinyCross::drawCrosses(float T)
{
    useShader("vantrel_sphericalenv.cg");
    perspective(95.0f, 1.7777f, 1.0f, 600.0f);
    lookAt(100.0f, 100.0f, 100.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    setTexture("tex0", "someenv.jpg");

    // Reseeding every frame keeps each cross's axis, offset, spin and colour.
    StdVantrel::srand(1);
    const float spread =
        1500.0f - 1200.0f * ease(T / 4.0f) - 100.0f * ease(T - 12.0f) + 2000.0f * ease((T - 13.0f) / 2.0f);
    for (int i = 0; i < kCrosses; i++) {
        pushWorld();
        const float a = signedRandom();
        const float b = signedRandom();
        rotate(30.0f * b * T, 1.0f, a, 0.0f);
        translate(-50.0f, 0.0f, 0.0f);
        const float p = signedRandom();
        const float q = signedRandom();
        const float s = signedRandom();
        translate(s * spread, q * spread, p * spread);
        const float f = signedRandom();
        rotate(100.0f * f * T, 1.0f, 0.0f, 0.0f);
        const float g = signedRandom();
        rotate(100.0f * g * T, 0.0f, 1.0f, 0.0f);
        setStateParameters();

        float r[6];
        for (float& value : r)
            value = signedRandom();
        const float A = 1.2f + r[0] + 0.3f * std::sin(1.23f * T * r[1]);
        const float B = 1.2f + r[2] + 0.3f * std::cos(0.7f * T * r[3]);
        const float C = 1.2f + r[4] + 0.3f * std::sin(2.7f * T * r[5]);
        const float L = std::sqrt(A * A + B * B + C * C + 1.0f);
        setVector("color", 2.0f * C / L, 2.0f * B / L, 2.0f * A / L, 2.0f / L);
        drawMesh("cross.qbr", -1);
        popWorld();
    }
}

void ShinyCross::drawLogo(float T)
{
    pushWorld();
    translate(500.0f + 500.0f * ease((T - 12.0f) / 4.0f) - 500.0f * ease(T / 5.0f), 200.0f - 200.0f * ease(T / 3.0f),
              0.0f);
    translate(-50.0f, 0.0f, 0.0f);
    rotate(40.0f * T, 1.0f, 0.0f, 0.0f);
    rotate(50.0f * (ease((T - 2.0f) / 3.0f) - ease((T - 8.0f) / 2.0f)), 1.0f, 0.0f, 0.0f);
    setTexture("tex0", "bgenv.jpg");
    setVector("color", 1.0f, 1.0f, 1.0f, 1.0f);
    setStateParameters();
    drawMesh("morvask.qbr", -1);
    popWorld();
}

} // namespace Prod
