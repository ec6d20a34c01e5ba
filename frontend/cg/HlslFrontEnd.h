// The HLSL front end: one rewritten Cg text and one entry to SPIR-V.
//
// glslang reads the text in DX9-compatible HLSL mode and legalises the
// result with the SPIR-V optimizer. #include "file" resolves relative to the
// including file; only regular files within the size limits are read, an
// include cycle is an error that names the chain, and nesting is bounded.
//
//   Frontend::Cg::HlslStage out = Frontend::Cg::compileHlslStage({preamble, text, "glow.cg", "psMain", false});
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Frontend::Cg {

struct HlslStageInput {
    const std::string& preamble; // library text; ends with "#line 1"
    const std::string& text;     // the rewritten Cg source
    const std::string& fileName;
    const std::string& entry;
    bool vertex = false;
};

struct IncludedFile {
    std::string path;
    std::string text; // as read from the file
};

struct HlslStage {
    bool ok = false;
    std::string listing; // "file:line: message" lines
    std::vector<uint32_t> words;
    std::vector<IncludedFile> includes;
};

HlslStage compileHlslStage(const HlslStageInput& input);

// glslang's own preprocessor over a Cg text and its includes (same includer
// and limits), with `defines` read before line 1. The text keeps "#line N
// \"file\"" markers, so later listings still name the original file and line.
struct Preprocessed {
    bool ok = false;
    std::string listing;
    std::string text;
    std::vector<IncludedFile> includes;
};

Preprocessed preprocessCg(const std::string& text, const std::string& fileName, const std::string& defines);

// Builds glslang's built-in symbol tables once; later compiles (and forked
// compiles) reuse them.
void warmUpHlslFrontEnd();

} // namespace Frontend::Cg
