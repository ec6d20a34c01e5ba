// Sampler globals assigned inside a function, the Cg idiom for handing a
// sampler to helper functions:
//
//   sampler2D s0_global;
//   float4 blur(float2 uv) { return tex2D(s0_global, uv); }
//   float4 main_fragment(uniform input IN, ...) : COLOR { s0_global = IN.texture; ... }
//
// GL samplers cannot be assigned, so the assignment is resolved at compile
// time: the statements go, and every other use of the global names the sampler
// that was assigned. An entry parameter so named ("IN") is declared at file
// scope where the global was, so helpers above the entry see it. A global
// assigned different samplers, or from a helper's parameter, is refused with a
// listing.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace Frontend::Cg {

struct TextEdit {
    size_t at = 0;
    size_t length = 0; // replaced characters
    std::string text;
};

struct SamplerGlobals {
    bool ok = true;
    std::string listing;                      // "file:line: message" when not ok
    std::vector<TextEdit> edits;              // all but the declaration that takes the moved parameters
    std::set<std::string, std::less<>> moved; // entry parameters to declare at file scope
    TextEdit declaration;                     // its text is the newlines it replaces; prepend the moved declarations
};

// text is the preprocessed source, code the same with comments blanked.
SamplerGlobals resolveSamplerGlobals(std::string_view text, std::string_view code, const std::string& fileName,
                                     const std::string& entry);

} // namespace Frontend::Cg
