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

#include "frontend/cg/ParameterDefaults.h"

namespace Frontend {

struct CgCompileInput {
    const char* source = "";
    std::string vertexEntry = "vsMain";
    std::string pixelEntry = "psMain";
    std::string fileName = "<built-in>"; // listings and #include resolution
    bool isolated = true;                // false: in this process (only for finding library faults)
};

enum class CgParameterType {
    Float,
    Float2,
    Float3,
    Float4,
    Matrix4,
    Matrix3,
    Int,
    Sampler2D,
    SamplerCube,
    Sampler3D,
    Sampler1D,
    Other
};

struct CgParameter {
    std::string cgName;   // as the Cg source spells it
    std::string glslName; // as the generated GLSL declares it
    CgParameterType type = CgParameterType::Other;
    bool vertex = false;   // declared (and used) by the vertex program
    bool fragment = false; // declared (and used) by the fragment program
};

struct CgAttribute {
    std::string semantic; // canonical, e.g. "TEXCOORD0"
    std::string glslName;
    int location = 0;
};

struct CgCompileTimes {
    double glslangMs = 0;   // parse + SPIR-V generation with legalisation, both stages
    double rewriteMs = 0;   // interface rewrite, both stages
    double crossMs = 0;     // SPIRV-Cross, both stages
    double glLinkMs = 0;    // GL compile and link (filled in by CompleteShader)
    double isolationMs = 0; // child process start, result transfer and wait
};

struct CgCompileResult {
    bool ok = false;
    std::string listing; // "file:line: message" lines on failure
    std::string vertexGlsl;
    std::string fragmentGlsl;
    std::vector<CgParameter> parameters;
    std::vector<CgAttribute> attributes;
    std::vector<CgDefault> defaults; // initialisers of the source and its includes, then pragma parameters
    std::vector<CgPragmaParameter> pragmaParameters; // with their ranges, for overlays
    CgCompileTimes times;
};

CgCompileResult compileCgShader(const CgCompileInput& input);

// The classic Cg attribute number of a canonical vertex input semantic, or -1.
int cgAttributeLocation(const std::string& semantic);

} // namespace Frontend
