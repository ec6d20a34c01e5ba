// Off-screen render targets: a framebuffer object with an RGBA8 colour
// texture (linear, clamped) and a 24-bit depth texture (16-bit fallback).
//
//   Frontend::RenderTarget target(512, 512, true, true);
//   target.bind();      // draw into it, viewport 0, 0, 512, 512
//   Frontend::RenderTarget::unbind();  // back to the window
#pragma once

namespace Frontend {

class Texture;

class RenderTarget {
public:
    RenderTarget(int width, int height, bool withColour, bool withDepth);
    ~RenderTarget();
    RenderTarget(const RenderTarget&) = delete;
    RenderTarget& operator=(const RenderTarget&) = delete;

    void bind();
    static void unbind();
    bool attachDepth(Texture* texture);
    // Copies the colour picture of a target of the same size pixel for pixel,
    // without a draw; this target is bound afterwards.
    void copyColourFrom(const RenderTarget& source);

    Texture* colorTexture() const { return colourTextures[0]; }
    Texture* depthTexture() const { return depth; }
    int targetWidth() const { return targetW; }
    int targetHeight() const { return targetH; }
    unsigned framebufferName() const { return framebuffer; }

private:
    int targetW;
    int targetH;
    unsigned framebuffer = 0;
    Texture* colourTextures[16] = {};
    Texture* depth = nullptr;
    Texture* ownedDepth = nullptr; // the depth texture this target made (freed with it)
};

} // namespace Frontend
