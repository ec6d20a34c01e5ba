// Full-screen image passes on an Element's picture.
//
// Each pass reads the Element's colour (and depth) texture and writes its
// result back into the Element, bouncing through the pool target of the same
// width. Passes keep no state between frames and allocate nothing.
#include <cmath>

#include "demo/Demo.h"
#include "demo/Element.h"
#include "frontend/State.h"

namespace Vantrel {

using Frontend::State;

namespace {

constexpr float kFullscreen[4] = {-1.0f, -1.0f, 1.0f, 1.0f};

void drawFullscreen(Drawable* drawable)
{
    drawable->drawFullscreenQuad(kFullscreen[0], kFullscreen[1], kFullscreen[2], kFullscreen[3]);
}

// The texture-space step of blur draw i: the base step, then the step grown by the scale.
float stepOf(float distance, int i, float stepScale, int size)
{
    return (distance + static_cast<float>(i) * distance * stepScale) / static_cast<float>(size);
}

} // namespace

float Element::edgeTexelSize() const
{
    // The edge shaders sample half a texel off the centre: at scale 1 linear
    // filtering folds the 3x3 neighbourhood into those taps, so an edge reaches
    // one pixel each way. On a target of another scale the taps must lie a
    // whole scale-1 pixel out (half a texel of a half-size target) to reach as far.
    const float reach = scaleInUse() == 1.0f ? 1.0f : 2.0f;
    return reach / static_cast<float>(width);
}

void Element::copyTarget(Element* destination, Element* source)
{
    destination->bind();
    source->useShader("vantrel_texture.cg");
    source->setTexture("tex0", source->colorTexture());
    drawFullscreen(source);
    source->disableTexture("tex0");
    source->bind();
}

void Element::copyBackFrom(Element* scratch)
{
    // A framebuffer blit rather than a textured quad: the pictures are the
    // same size, and a software driver copies them without shading a pixel.
    // The scratch target stays bound after a pass, as it always has.
    active->copyColourFrom(*scratch->active);
    scratch->bind();
}

void Element::addTexture(const Frontend::Texture* texture, float alpha)
{
    useShader("vantrel_texture.cg");
    setFloat("alpha", alpha);
    setTexture("tex0", texture);
    {
        Frontend::BlendScope blend(Frontend::kSrcAlpha, Frontend::kOne);
        drawFullscreen(this);
    }
    setFloat("alpha", 1.0f);
}

void Element::findEdges(float amount, const float edgeColor[4], const float bgColor[4])
{
    if (amount < 0.01f)
        return;
    Element* scratch = scratchTarget();
    scratch->bind();
    useShader("vantrel_find_edges.cg");
    setVector("edgeColor", edgeColor);
    setVector("bgColor", bgColor);
    setFloat("texelSize", edgeTexelSize());
    setFloat("amp", amount);
    setTexture("tex0", colorTexture());
    drawFullscreen(this);
    releaseTextures();
    copyBackFrom(scratch);
}

void Element::outlineEdges(float amount, const float edgeColor[4])
{
    if (amount < 0.01f)
        return;
    Element* scratch = scratchTarget();
    scratch->bind();
    useShader("vantrel_outline_edges.cg");
    setVector("edgeColor", edgeColor);
    setFloat("texelSize", edgeTexelSize());
    setFloat("amp", amount);
    setTexture("tex0", depthTexture());
    setTexture("tex1", colorTexture());
    drawFullscreen(this);
    releaseTextures();
    copyBackFrom(scratch);
}

void Element::distortSine(const float freq[2], const float amp[2], const float offset[2])
{
    Element* scratch = scratchTarget();
    scratch->bind();
    // Signed test: a negative amplitude skips the pass as well.
    if (amp[0] < 1e-6f || amp[1] < 1e-6f)
        return;
    useShader("vantrel_distort_sine.cg");
    setVector("freq", freq[0], freq[1], 0.0f, 1.0f);
    setVector("amp", amp[0], amp[1], 0.0f, 1.0f);
    setVector("ofset", offset[0], offset[1], 0.0f, 1.0f);
    setTexture("tex0", colorTexture());
    drawFullscreen(this);
    releaseTextures();
    copyBackFrom(scratch);
}

void Element::drawThroughScratch(const SeparableStep& step)
{
    // The bound shader's parameters hold for both draws; only the picture it
    // reads changes, from this Element's to the scratch target's.
    // The quad covers every pixel of the scratch target, unblended, and no
    // pass reads a scratch target's depth: it needs no clearing first.
    Element* scratch = scratchTarget();
    scratch->bind();
    drawStepFrom(step, colorTexture());

    bind();
    drawStepFrom(step, scratch->colorTexture());
}

void Element::drawStepFrom(const SeparableStep& step, const Frontend::Texture* color)
{
    setTexture(step.colorParameter, color);
    if (step.readsDepth)
        setTexture("depthMap", depthTexture());
    drawFullscreen(this);
    releaseTextures();
}

void Element::directionalBlur(float dx, float dy, float stepScale, float gamma)
{
    if (std::fabs(dx) + std::fabs(dy) < 0.001f || gamma < 0.001f)
        return;
    const SeparableStep step{"tex0", false};
    for (int i = 0; i < 2; i++) {
        useShader("vantrel_directional_blur.cg");
        setVector("pixelStep", stepOf(dx, i, stepScale, width), stepOf(dy, i, stepScale, height), 0.0f, 0.0f);
        setFloat("gamma", gamma);
        drawThroughScratch(step);
    }
}

void Element::blur(float distance, float stepScale, float gamma)
{
    directionalBlur(distance, 0.0f, stepScale, gamma);
    directionalBlur(0.0f, distance, stepScale, gamma);
}

void Element::glow(int side, float distance, float stepScale, float alpha, float gamma)
{
    if (alpha < 0.001f || distance < 0.001f || gamma < 0.001f)
        return;
    Element* glowTarget = (*targets)[side];
    copyTarget(glowTarget, this);
    glowTarget->blur(distance, stepScale, gamma);
    bind();
    addTexture(glowTarget->colorTexture(), alpha);
}

void Element::depthOfField(int iterations, float focusDepth, float dx, float dy, float stepScale, float ramp,
                           float exponent)
{
    if (std::fabs(dx) + std::fabs(dy) < 0.001f || iterations <= 0)
        return;
    const SeparableStep step{"colorMap", true};
    for (int i = 0; i < iterations; i++) {
        useShader("vantrel_depth_of_field.cg");
        setVector("pixelStep", stepOf(dx, i, stepScale, width), stepOf(dy, i, stepScale, height), 0.0f, 0.0f);
        setFloat("focusDepth", focusDepth);
        setFloat("ramp", ramp);
        setFloat("exponent", exponent);
        drawThroughScratch(step);
    }
}

void Element::colorOverlay(float r, float g, float b, float a)
{
    if (a < 0.001f)
        return;
    useShader("vantrel_color.cg");
    setVector("color", r, g, b, a);
    setStateParameters();
    Frontend::BlendScope overlay(Frontend::kSrcAlpha, Frontend::kOneMinusSrcAlpha, true);
    drawFullscreen(this);
}

} // namespace Vantrel
