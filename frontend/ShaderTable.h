// The parameter table of a CompleteShader, which the desktop's Shader.cpp
// and the web's (web/platform/Shader.cpp) share: every Cg parameter with its
// GL location, sampler unit and value, filled once the program is linked.
// Lookups compare string_views against the table, so the per-frame set*
// calls neither allocate nor query GL. How a value reaches its program, and
// the few GL questions the table asks, are each platform's own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "frontend/Shader.h"
#include "frontend/cg/CgResult.h"
#include "frontend/cg/GlProgram.h"

namespace Frontend {

// One stage of a complete shader: its GL shader object and generated GLSL.
class ShaderProgramImpl {
public:
    unsigned shader = 0;
    std::string glsl;
};

struct CompleteShader::Impl {
    struct Parameter {
        std::string cgName;
        int location = -1;
        CgParameterType type = CgParameterType::Other;
        bool vertex = false;
        bool fragment = false;
        unsigned target = 0; // samplers
        int unit = -1;       // samplers
        float value[4] = {0, 0, 0, 0};
        float initial[4] = {0, 0, 0, 0}; // the value after the build, to tell set values apart
    };

    unsigned program = 0;
    std::vector<Parameter> parameters;
    int stateMatrix[6] = {-1, -1, -1, -1, -1, -1};

    Parameter* find(std::string_view name, bool fragmentSampler);
    // Locations, sampler units (given to the program), the State matrices
    // and the initialisers of a freshly linked program.
    void fill(const CgCompileResult& compiled);
    // Hands a parameter's value to the program (the platform's).
    void upload(const Parameter& p) const;
};

bool isSampler(CgParameterType type);

// The stages of a build: their GLSL and the GL names the link made, also
// when it failed (the destructor frees them).
void keepStages(VertexShader& vertex, PixelShader& pixel, const CgCompileResult& compiled, const Cg::GlProgram& gl);

// The platform's answers for fill().
int uniformLocation(unsigned program, const std::string& glslName);
void setSamplerUnit(unsigned program, int location, int unit);
int combinedTextureUnits();
unsigned samplerTarget(CgParameterType type);

} // namespace Frontend
