// Source rewriting: Cg as people wrote it, turned into HLSL that glslang's
// DX9 mode accepts. Every rewrite keeps the line structure, so listings count
// lines of the user's file.
//
//   - identifiers that HLSL reserves ("texture", "sampler", ...) get a prefix,
//     and so do Cg library calls that HLSL lacks or overloads differently;
//   - the preamble declares Cg-only types and the library functions the text
//     uses (CgLibrary.h);
//   - per entry: struct-typed `uniform` parameters become file-scope uniforms
//     (samplers inside them crash glslang as entry parameters), and an entry
//     parameter without a name is refused here (glslang dereferences null).
//
//   Frontend::Cg::StageSource s = Frontend::Cg::rewriteForStage(text, "glow.cg", "psMain");
#pragma once

#include <string>
#include <string_view>

namespace Frontend::Cg {

struct StageSource {
    bool ok = false;
    std::string listing;  // "file:line: message" when not ok
    std::string text;     // the rewritten source
    std::string preamble; // ends with "#line 1"
};

StageSource rewriteForStage(std::string_view source, const std::string& fileName, const std::string& entry);

// Prefixes HLSL-reserved identifiers and renamed library calls outside
// comments, strings and #include lines.
std::string renameForHlsl(std::string_view text);

// The Cg name of an identifier that renameForHlsl or the stage rewrite changed.
std::string cgNameOf(const std::string& hlslName);

} // namespace Frontend::Cg
