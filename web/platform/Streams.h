// WebGL has no client-memory arrays and no quads. What is drawn from the
// program's memory is copied into a stream buffer object for the draw, and
// quads are drawn as two triangles each through a shared index buffer.
#pragma once

#include <GLES3/gl3.h>

#include <cstddef>

namespace Web {

// Fills the stream buffer of `target` (GL_ARRAY_BUFFER or
// GL_ELEMENT_ARRAY_BUFFER) with `bytes` and leaves it bound to `target`.
// Each target has its own, so vertices and indices can stream together.
void streamData(GLenum target, const void* data, size_t bytes);

// Binds an element buffer that draws quads 0..quads-1 of consecutive
// vertices as triangles (q: 4q, 4q+1, 4q+2, 4q, 4q+2, 4q+3), 32-bit indices.
void bindQuadIndices(int quads);

// Draws `count` vertices from `first` (GL_QUADS as triangles, anything else as given).
void drawVertices(GLenum mode, int first, int count);

} // namespace Web
