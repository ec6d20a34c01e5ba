// Reading Cg source text without a parser: the first stage of the Cg path.
//
// codeOnly() blanks comments and string literals (newlines stay, so offsets
// and line numbers of the copy match the original); the other helpers scan
// that copy iteratively, so no input can make them recurse or backtrack.
// checkSourceLimits() refuses, before any library sees it, a text whose size,
// bracket nesting or statement count is beyond frontend/Limits.h.
//
//   std::string code = Frontend::Cg::codeOnly(text);
//   std::string problem = Frontend::Cg::checkSourceLimits(text, code, "glow.cg");
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Frontend::Cg {

std::string codeOnly(std::string_view text);

// 1-based line of an offset.
int lineOf(std::string_view text, size_t offset);

// "file:line" of an offset in preprocessed text, read through its #line markers.
std::string placeOf(std::string_view text, size_t offset, const std::string& mainFile);

bool isIdentifierChar(char c);
bool isIdentifierStart(char c);

// The identifier starting at offset (empty when there is none).
std::string_view identifierAt(std::string_view code, size_t offset);

// Offset of the bracket that closes the one at open ("(" "[" "{"), or npos.
size_t matchingBracket(std::string_view code, size_t open);

// Offset of the next character that is not white space, from offset on (size() if none).
size_t skipSpace(std::string_view code, size_t offset);

// The statements at file scope that end in ';' (declarations, prototypes),
// as [begin, end) with end at the ';'. Directive lines are no part of them.
std::vector<std::pair<size_t, size_t>> fileScopeStatements(std::string_view code);

// "" when the text is within the limits, else "file:line: message\n".
std::string checkSourceLimits(std::string_view text, std::string_view code, const std::string& fileName);

// "" when every bracket of preprocessed code closes with its own kind, else
// "file:line: message\n" naming the bracket left open (read through #line
// markers). glslang's parser faults on some mismatches, so this runs first.
std::string checkBracketPairs(std::string_view text, std::string_view code, const std::string& fileName);

// glslang's translation to SPIR-V recurses once per operator of an
// expression tree: "x + x + ... + x" with some ten thousand terms overflows
// its stack. Operators in a row, summed over the brackets around them, are
// held to this many.
constexpr int kMaxExpressionDepth = 2048;

// "" when no expression of preprocessed code is deeper than the limit, else
// "file:line: message\n" at the operator that goes beyond it.
std::string checkExpressionDepth(std::string_view text, std::string_view code, const std::string& fileName);

// The same limits for generated GLSL, which goes to the GL driver's compiler.
// "" when within them, else a message without a location.
std::string checkGeneratedLimits(std::string_view glsl);

} // namespace Frontend::Cg
