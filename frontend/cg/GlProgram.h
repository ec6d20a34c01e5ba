// The last stage: the GL driver compiles the generated GLSL of both stages
// and links them into one program. Needs a current GL context: desktop GL,
// or WebGL 2 for the web build's precompiled GLSL ES.
//
//   Frontend::Cg::GlProgram gl = Frontend::Cg::buildGlProgram(compiled, "glow.cg", "vsMain", "psMain");
//   if (!gl.ok) report(gl.listing);
#pragma once

#include <string>

#include "frontend/cg/CgCompiler.h"

namespace Frontend::Cg {

struct GlProgram {
    bool ok = false;
    std::string listing;
    unsigned vertexShader = 0; // GL names; whatever was created is returned, also on failure
    unsigned fragmentShader = 0;
    unsigned program = 0;
};

GlProgram buildGlProgram(const CgCompileResult& compiled, const std::string& fileName, const std::string& vertexEntry,
                         const std::string& pixelEntry);

} // namespace Frontend::Cg
