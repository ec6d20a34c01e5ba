#include "prod/Skate.h"

#include <cmath>

#include "demo/Catalogues.h"
#include "frontend_ext/QBRLoader.h"
#include "std_effects/Particles.h"
#include "std_effects/SceneHelpers.h"
#include "std_effects/Skybox.h"

namespace Vantrel {

void Skate::prepare()
{
    board.capture(&(*meshes)["skate.qbr"]->mesh(0));

    StdVantrel::fillSpinTrack(spinTrack, {.radius = 0.6f, .lengthWeight = 0.6f, .minimumPause = 0.4f});
}

Skate::Skate(Demo* owner) : Element(owner, "Untitled", 512, 512)
{
}
Skate::~Skate() = default;

void Skate::draw()
{
    if (!sky)
        sky = std::make_unique<StdVantrel::Skybox>(demo);
    if (!bubbles)
        bubbles = std::make_unique<StdVantrel::Particles>(demo, 200);
    const float t = localTime;

    lookAt(200.0f, 200.0f, 200.0f, 100.0f * std::sin(t), 100.0f * std::cos(0.82f * t), 0.0f, 0.0f, 0.0f, 1.0f);
    perspective(45.0f, 1.777f, 1.0f, 1000.0f);
    loadIdentityWorld();
    // Everything this frame turns with the world, the sky included.
    rotate(30.0f * t, 0.0f, 0.0f, 1.0f);

    sky->drawSky("scene6.jpg");

    if (board.mesh) {
        board.apply(t, spinTrack, nullptr);
        drawBoard();
    }
    Prod::placeBubbles(*bubbles, t);
    Prod::drawBubbles(*this, *bubbles);
    drawImage("credits.png", -0.05f, -1.0f, 1.0f, 1.2f, Frontend::kSrcAlpha, Frontend::kOne);
    applyPasses(t);
}

void Skate::drawBoard()
{
    // "lightPosition" stays what the shader's last user left.
    useShader("vantrel_specularbump.cg");
    setTexture("tex0", "skate-top.jpg");
    setTexture("tex1", "normal_skate-top.png");
    setStateParameters();
    drawMesh("skate.qbr", -1);
}

void Skate::applyPasses(float t)
{
    colorOverlay(0.0f, 0.0f, 0.0f, (1.0f - ease(t / 2.0f)) + ease((t - 13.0f) / 16.0f));
    glow(64, 0.5f, 2.0f, 1.0f, 1.0f);
    const float freq1[2] = {10.0f + 2.0f * std::sin(0.3f * t), 10.0f + 2.0f * std::sin(0.665f * t)};
    const float amp1[2] = {0.005f, 0.01f};
    const float offset1[2] = {0.0f, 0.0f};
    distortSine(freq1, amp1, offset1);
    const float freq2[2] = {10.0f + 2.0f * std::sin(0.5f * t), 10.0f + 2.0f * std::sin(0.465f * t)};
    const float amp2[2] = {0.01f, 0.005f};
    const float offset2[2] = {2.0f, 2.1f};
    distortSine(freq2, amp2, offset2);
}

} // namespace Vantrel
