// The GL header of the platform being built: desktop GL through libepoxy, or
// the OpenGL ES 3.0 that emscripten offers over WebGL 2. Files that include
// it use only what both have.
#pragma once

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#else
#include <epoxy/gl.h>
#endif
