// A Drawable with a render target of its own: the unit the timeline schedules.
//
// The Element renders its scene into its target through renderSpan, then
// post-processes the picture with the full-screen passes, which bounce between
// its target and the pool target of the same width.
//
//   glow(64, 0.5f, 2.0f, 1.0f, 1.0f);
//   outlineEdges(500.0f, black);
//   colorOverlay(0, 0, 0, fade);
#pragma once

#include <memory>

#include "demo/Drawable.h"
#include "frontend/RenderTarget.h"

namespace Vantrel {

class Element : public Frontend::RenderTarget, public Drawable {
public:
    Element(Demo* demo, const std::string& name, int width, int height);

    void renderSpan(float start, float length) override;

    // The picture at another render scale than the one it was made at, for
    // --scale auto (each timeline entry at its own): the targets of a scale
    // are made the first time it is asked for, and kept.
    void useScale(float scale);
    float scaleInUse() const { return activeScale; }
    // The target of the scale in use: bind it, read its pictures.
    void bind();
    Frontend::Texture* colorTexture() const { return active->colorTexture(); }
    Frontend::Texture* depthTexture() const { return active->depthTexture(); }

    // Full-screen passes on this Element's picture.
    void copyTarget(Element* destination, Element* source);
    void addTexture(const Frontend::Texture* texture, float alpha);
    void findEdges(float amount, const float edgeColor[4], const float bgColor[4]);
    void outlineEdges(float amount, const float edgeColor[4]);
    void distortSine(const float freq[2], const float amp[2], const float offset[2]);
    void directionalBlur(float dx, float dy, float stepScale, float gamma);
    void blur(float distance, float stepScale, float gamma);
    void glow(int side, float distance, float stepScale, float alpha, float gamma);
    void depthOfField(int iterations, float focusDepth, float dx, float dy, float stepScale, float ramp,
                      float exponent);
    void colorOverlay(float r, float g, float b, float a);

    // The picture's size at scale 1: every pixel quantity of the passes is
    // measured in these pixels; the target itself is Demo::renderScale times larger.
    int width;
    int height;
    Element* scaledTargets[4] = {};

private:
    Element* scaledTarget(int size);
    Frontend::RenderTarget* targetAt(float scale);
    Element* scratchTarget();
    float edgeTexelSize() const;
    // Brings a pass's result from the scratch target back into this picture.
    void copyBackFrom(Element* scratch);

    // A pass drawn twice, into the scratch target and back: blur and depth of field.
    struct SeparableStep {
        const char* colorParameter;
        bool readsDepth; // also reads "depthMap" (the Element's own depth)
    };
    void drawThroughScratch(const SeparableStep& step);
    void drawStepFrom(const SeparableStep& step, const Frontend::Texture* color);

    static constexpr int kOtherScales = 3;
    struct ScaledTarget {
        float scale = 0.0f;
        std::unique_ptr<Frontend::RenderTarget> target;
    };
    ScaledTarget otherScales[kOtherScales];
    const float madeScale;
    float activeScale;
    Frontend::RenderTarget* active;
};

} // namespace Vantrel
