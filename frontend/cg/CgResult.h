// What a compiled Cg shader pair offers its caller: GLSL for both stages,
// its parameters under their Cg names, its vertex inputs at the classic Cg
// attribute numbers, its initialisers, and what each stage took. The stages
// of this folder fill it in; CgCompiler.h hands it out.
#pragma once

#include <string>
#include <vector>

#include "frontend/cg/ParameterDefaults.h"

namespace Frontend {

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

// The classic Cg attribute number of a canonical vertex input semantic, or -1.
int cgAttributeLocation(const std::string& semantic);

} // namespace Frontend
