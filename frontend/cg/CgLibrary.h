// The parts of the Cg language and standard library that HLSL lacks, as HLSL
// text placed before the user's source: type names (fixed, samplerRECT,
// sampler2DShadow), the GLSL-style names Cg also accepted (mod, fract, mix,
// ...) and the texture lookups with Cg's extra overloads. Only what a source
// uses is emitted, so ordinary shaders pay nothing for the library's size.
#pragma once

#include <string>
#include <string_view>

namespace Frontend::Cg {

// Whether calls of this identifier are renamed ("tex2Dproj" -> "cg_tex2Dproj")
// because HLSL has the name with fewer overloads.
bool isRenamedLibraryCall(std::string_view name);

// The preamble for a (renamed) source; it ends with "#line 1".
std::string libraryPreamble(std::string_view renamedCode);

} // namespace Frontend::Cg
