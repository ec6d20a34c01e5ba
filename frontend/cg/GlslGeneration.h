// GLSL generation: one stage's rewritten SPIR-V (SpirvInterface.h) to GLSL
// 3.30 with SPIRV-Cross. Stage variables get their semantic names, built-ins
// and classic Cg attribute numbers; the stage's parameters (uniforms and
// samplers under their Cg names) are added to the result.
//
// SPIRV-Cross folds single-use temporaries into one expression, so a long
// chain of statements can become one expression thousands of brackets deep,
// which the GL driver's compiler cannot take: such a stage is generated again
// with every temporary kept as a variable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frontend/cg/CgResult.h"
#include "frontend/cg/SpirvInterface.h"

namespace Frontend::Cg {

// Fills the stage's GLSL (ES 3.00 when gles) and parameters into result. Returns an error text or "".
std::string generateGlsl(std::vector<uint32_t> words, const Spirv::InterfaceRewrite& rewrite, bool vertex, bool gles,
                         CgCompileResult& result);

} // namespace Frontend::Cg
