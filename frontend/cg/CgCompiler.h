// Cg source to GLSL for the compatibility-profile GL context.
//
// A shader passes through the stages of this folder in this order:
//   1. SourceText, SourceRewrite, CgLibrary: limits, Cg-to-HLSL rewriting and
//      the preamble of Cg library functions;
//   2. HlslFrontEnd: glslang's HLSL front end (DX9 mode) and legaliser, to SPIR-V;
//   3. SpirvInterface: uniforms loose and shared, varyings widened;
//   4. GlslGeneration: SPIRV-Cross to GLSL;
//   5. GlProgram: the GL driver compiles and links (Shader.cpp calls it).
// The result is a vertex and a fragment shader that link into one GL program:
//   - uniforms keep their Cg names and are shared by both stages
//     (vertex-stage samplers are renamed so textures never reach them);
//   - varyings are named after their semantic ("var_TEXCOORD0") and are vec4;
//   - vertex inputs carry the classic Cg attribute numbers (POSITION 0,
//     NORMAL 2, COLOR0 3, TEXCOORDn 8+n, ...).
// Stages 1 to 4 run in a child process (Isolation.h): whatever a library does
// with a hostile text, the caller gets a listing, never a signal.
//
//   Frontend::CgCompileResult r = Frontend::compileCgShader({source, "vsMain", "psMain", "glow.cg"});
//   if (!r.ok) std::fputs(r.listing.c_str(), stderr);
//
// compileCgShader never ends the process; CompleteShader turns a failure into CGerror.
#pragma once

#include <string>
#include <vector>

#include "frontend/cg/CgResult.h"

namespace Frontend {

struct CgCompileInput {
    const char* source = "";
    std::string vertexEntry = "vsMain";
    std::string pixelEntry = "psMain";
    std::string fileName = "<built-in>"; // listings and #include resolution
    bool isolated = true;                // false: in this process (only for finding library faults)
    bool gles = false;                   // GLSL ES 3.00 for WebGL 2 instead of desktop GLSL 3.30
};

CgCompileResult compileCgShader(const CgCompileInput& input);

} // namespace Frontend
