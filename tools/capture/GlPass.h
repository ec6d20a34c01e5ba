// What the capture's own GPU passes (motion blur, YUV conversion) share: one
// triangle over the viewport drawn with a small GLSL 3.30 program into a
// target of their own, with the demo's GL state saved around the pass.
//
//   GlPass::State saved;                          // restored when it goes out of scope
//   unsigned program = GlPass::link(fragmentSource, "motion blur");
//   GlPass::draw(program, framebuffer, width, height, vertexArray);
#pragma once

namespace Capture::GlPass {

// The vertex stage every pass uses: a triangle covering the viewport, from gl_VertexID alone.
extern const char* const kVertexSource;

// A linked program of kVertexSource and `fragmentSource`; `what` names the pass in errors.
unsigned link(const char* fragmentSource, const char* what);

// A 2D texture without mipmaps, sampled nearest (texelFetch needs it complete).
unsigned makeTexture(int internalFormat, int width, int height, unsigned format, unsigned type, const void* data);

// A framebuffer drawing into `texture`; throws naming `what` when the driver cannot.
unsigned makeFramebuffer(unsigned texture, const char* what);

// Draws the triangle with `program` into `target` over width x height, with
// depth, stencil, scissor, culling, sRGB encoding, multisampling and dither off.
void draw(unsigned program, unsigned target, int width, int height, unsigned vertexArray);

// The GL state a pass changes, put back afterwards so the demo's next
// composition starts exactly as it would have without the pass.
struct State {
    int program, vertexArray, drawFramebuffer, readFramebuffer, activeTexture, texture0, texture1;
    State();
    ~State();
    State(const State&) = delete;
    State& operator=(const State&) = delete;
};

} // namespace Capture::GlPass
