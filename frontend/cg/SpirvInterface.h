// Stage 3 of the Cg path. Rewrites the SPIR-V that the HLSL front end produces for one Cg entry so
// that its interface suits a linked OpenGL program:
//   - the members of uniform blocks ("$Global": file-scope parameters and
//     `uniform` entry parameters) become loose uniforms under their own names,
//     so both stages share one GL uniform per Cg parameter;
//   - user varyings (vertex outputs, fragment inputs) of fewer than four float
//     components are widened to four, so a float4 written as TEXCOORD0 links
//     with a float2 read as TEXCOORD0.
// It also reports the semantic of every stage input and output, which the GLSL
// generator uses for names, built-ins and attribute numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Frontend::Spirv {

struct StageVariable {
    uint32_t id = 0;
    bool output = false;
    std::string semantic; // canonical: upper case with an index ("TEXCOORD0")
};

struct LooseUniform {
    uint32_t id = 0;
    std::string name;
};

struct InterfaceRewrite {
    bool ok = true;
    std::string error;
    std::vector<StageVariable> stageVariables;
    std::vector<LooseUniform> uniforms;
};

// Edits words in place. vertexStage selects which side's varyings are widened.
InterfaceRewrite rewriteInterface(std::vector<uint32_t>& words, bool vertexStage);

// "texcoord" -> "TEXCOORD0", "COLOR1" -> "COLOR1", "SV_Target" -> "SV_TARGET0".
std::string canonicalSemantic(std::string_view semantic);

// Whether a stage variable with this canonical semantic is a user varying
// (passed from the vertex to the fragment program) rather than a built-in.
bool isUserVarying(const std::string& semantic, bool vertexStage);

} // namespace Frontend::Spirv
