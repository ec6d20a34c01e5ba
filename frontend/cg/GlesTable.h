// The parameter table of a precompiled GLSL ES program: what the web build
// needs, besides the two stages' GLSL, to set parameters by their Cg names
// without running the compiler in the browser. vantrel-shaderc --gles writes
// one "NAME.cg.params" file beside "NAME.cg.vert" and "NAME.cg.frag".
//
// A text file, one record a line, fields separated by single spaces (Cg and
// GLSL names never hold spaces); the first line names the format:
//
//   vantrel-gles-table 1
//   attribute SEMANTIC GLSL_NAME LOCATION          vertex inputs
//   parameter CG_NAME GLSL_NAME TYPE STAGES        TYPE: float float2 float3
//                                                  float4 matrix4 matrix3 int
//                                                  sampler2D samplerCube
//                                                  sampler3D sampler1D other;
//                                                  STAGES: vertex fragment both
//   default NAME COUNT V1 .. VCOUNT                initial values, COUNT 1-4,
//                                                  in the order they are set
//
// Floats are written with nine significant digits, so they read back exact.
//
//   std::string text = Frontend::Cg::writeGlesTable(compiled);
//   std::string error;
//   if (!Frontend::Cg::readGlesTable(text, "glow.cg.params", result, error)) report(error);
#pragma once

#include <string>
#include <string_view>

#include "frontend/cg/CgResult.h"

namespace Frontend::Cg {

// The attributes, parameters and defaults of a compiled shader as table text.
std::string writeGlesTable(const CgCompileResult& compiled);

// Fills result's attributes, parameters and defaults from table text. On a
// fault, false with error "fileName:line: problem".
bool readGlesTable(std::string_view text, const std::string& fileName, CgCompileResult& result, std::string& error);

} // namespace Frontend::Cg
