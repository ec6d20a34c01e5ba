// Depth textures as shaders sample them on the desktop.
//
// Desktop GL filters a depth texture linearly and lets a pass sample the
// depth of the very target it draws into (the passes draw with the depth
// test off, so nothing writes it). OpenGL ES 3.0 filters no depth format
// and WebGL refuses the second as a feedback loop. So a shader samples a
// copy instead: the depth values in a 32-bit float texture, filtered
// linearly where the browser offers OES_texture_float_linear, made afresh
// each time the depth is handed to a shader.
#pragma once

namespace Frontend {
class Texture;
}

namespace Web {

// The GL name of a fresh float copy of `depth` (a depth-format texture).
// Leaves the framebuffer, viewport, program, bindings and state as it found them.
unsigned depthCopy(const Frontend::Texture& depth);

} // namespace Web
