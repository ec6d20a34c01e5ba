// Iterative scanning of Cg text; see SourceText.h.
#include "frontend/cg/SourceText.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>

#include "frontend/Limits.h"

namespace Frontend::Cg {

std::string codeOnly(std::string_view text)
{
    std::string code(text);
    size_t i = 0;
    auto blank = [&](size_t end) {
        for (; i < end && i < code.size(); ++i)
            if (code[i] != '\n')
                code[i] = ' ';
    };
    while (i < code.size()) {
        char c = code[i];
        if (c == '/' && i + 1 < code.size() && code[i + 1] == '/') {
            size_t end = code.find('\n', i);
            blank(end == std::string::npos ? code.size() : end);
        } else if (c == '/' && i + 1 < code.size() && code[i + 1] == '*') {
            size_t end = code.find("*/", i + 2);
            blank(end == std::string::npos ? code.size() : end + 2);
        } else if (c == '"') {
            size_t end = code.find_first_of("\"\n", i + 1);
            // Keep the quotes: #include "file" must still read as an include.
            ++i;
            blank(end == std::string::npos ? code.size() : end);
            if (i < code.size() && code[i] == '"')
                ++i;
        } else {
            ++i;
        }
    }
    return code;
}

int lineOf(std::string_view text, size_t offset)
{
    int line = 1;
    for (size_t i = 0; i < offset && i < text.size(); ++i)
        line += text[i] == '\n';
    return line;
}

std::string placeOf(std::string_view text, size_t offset, const std::string& mainFile)
{
    std::string file = mainFile;
    long line = 1;
    for (size_t at = 0; at < text.size() && at <= offset;) {
        size_t end = text.find('\n', at);
        end = end == std::string_view::npos ? text.size() : end;
        std::string_view row = text.substr(at, end - at);
        if (end < offset && row.rfind("#line ", 0) == 0) {
            line = std::strtol(std::string(row.substr(6)).c_str(), nullptr, 10);
            size_t open = row.find('"'), close = row.rfind('"');
            if (open != std::string_view::npos && close > open)
                file = std::string(row.substr(open + 1, close - open - 1));
        } else if (end < offset) {
            ++line;
        }
        at = end + 1;
    }
    return file + ":" + std::to_string(line);
}

bool isIdentifierChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool isIdentifierStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

std::string_view identifierAt(std::string_view code, size_t offset)
{
    if (offset >= code.size() || !isIdentifierStart(code[offset]))
        return {};
    size_t end = offset;
    while (end < code.size() && isIdentifierChar(code[end]))
        ++end;
    return code.substr(offset, end - offset);
}

size_t matchingBracket(std::string_view code, size_t open)
{
    char opening = code[open];
    char closing = opening == '(' ? ')' : opening == '[' ? ']' : '}';
    int depth = 0;
    for (size_t i = open; i < code.size(); ++i) {
        if (code[i] == opening)
            ++depth;
        else if (code[i] == closing && --depth == 0)
            return i;
    }
    return std::string_view::npos;
}

size_t skipSpace(std::string_view code, size_t offset)
{
    while (offset < code.size() && std::isspace(static_cast<unsigned char>(code[offset])))
        ++offset;
    return offset;
}

std::vector<std::pair<size_t, size_t>> fileScopeStatements(std::string_view code)
{
    std::vector<std::pair<size_t, size_t>> out;
    int depth = 0;
    size_t start = 0;
    for (size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        if (c == '#' && depth == 0) {
            size_t end = code.find('\n', i);
            i = end == std::string_view::npos ? code.size() : end;
            start = i + 1;
        } else if (c == '{' || c == '(' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ')' || c == ']') {
            depth = depth > 0 ? depth - 1 : 0;
            if (depth == 0 && c == '}')
                start = i + 1;
        } else if (c == ';' && depth == 0) {
            out.emplace_back(start, i);
            start = i + 1;
        }
    }
    return out;
}

namespace {

struct Measure {
    int deepest = 0;
    size_t deepestAt = 0;
    int statements = 0;
    size_t tooManyAt = 0;
};

Measure measure(std::string_view code)
{
    Measure m;
    int depth = 0;
    for (size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        if (c == '(' || c == '[' || c == '{') {
            if (++depth > m.deepest) {
                m.deepest = depth;
                m.deepestAt = i;
            }
        } else if (c == ')' || c == ']' || c == '}') {
            depth = depth > 0 ? depth - 1 : 0;
        } else if (c == ';' && ++m.statements == Limits::kMaxShaderStatements + 1) {
            m.tooManyAt = i;
        }
    }
    return m;
}

// Upper bound of the text each #define expands to, for macros that refer to
// macros defined before them (the doubling chains that exhaust memory).
// Returns the offset of the first macro beyond the limit, or npos.
size_t findMacroBeyondLimit(std::string_view code, std::string& name, double& bytes)
{
    std::map<std::string, double, std::less<>> expansion;
    for (size_t at = code.find('#'); at != std::string_view::npos; at = code.find('#', at + 1)) {
        size_t word = skipSpace(code, at + 1);
        if (identifierAt(code, word) != "define")
            continue;
        size_t nameAt = skipSpace(code, word + 6);
        std::string_view macro = identifierAt(code, nameAt);
        size_t end = code.find('\n', nameAt);
        while (end != std::string_view::npos && end > 0 && code[end - 1] == '\\')
            end = code.find('\n', end + 1);
        end = end == std::string_view::npos ? code.size() : end;
        double size = 0;
        for (size_t i = nameAt + macro.size(); i < end;) {
            std::string_view id = identifierAt(code, i);
            if (id.empty() || isIdentifierChar(code[i - 1])) {
                ++size;
                ++i;
                continue;
            }
            auto found = expansion.find(id);
            size += found == expansion.end() ? static_cast<double>(id.size()) : found->second;
            i += id.size();
        }
        if (size > static_cast<double>(Limits::kMaxPreprocessedBytes)) {
            name = std::string(macro);
            bytes = size;
            return at;
        }
        expansion[std::string(macro)] = size;
    }
    return std::string_view::npos;
}

} // namespace

std::string checkSourceLimits(std::string_view text, std::string_view code, const std::string& fileName)
{
    if (text.size() > Limits::kMaxShaderSourceBytes)
        return fileName + ":1: the shader has " + std::to_string(text.size()) + " bytes, more than the limit of " +
               std::to_string(Limits::kMaxShaderSourceBytes) + "\n";
    if (text.find('\0') != std::string_view::npos)
        return fileName + ":" + std::to_string(lineOf(text, text.find('\0'))) +
               ": the shader holds a NUL byte; it is not a text file\n";
    Measure m = measure(code);
    if (m.deepest > Limits::kMaxShaderNesting)
        return fileName + ":" + std::to_string(lineOf(text, m.deepestAt)) + ": brackets nest " +
               std::to_string(m.deepest) + " deep, more than the limit of " +
               std::to_string(Limits::kMaxShaderNesting) + "\n";
    if (m.statements > Limits::kMaxShaderStatements)
        return fileName + ":" + std::to_string(lineOf(text, m.tooManyAt)) + ": the shader has " +
               std::to_string(m.statements) + " statements, more than the limit of " +
               std::to_string(Limits::kMaxShaderStatements) + "\n";
    std::string macro;
    double bytes = 0;
    size_t at = findMacroBeyondLimit(code, macro, bytes);
    if (at != std::string_view::npos)
        return fileName + ":" + std::to_string(lineOf(text, at)) + ": the macro " + macro + " expands to about " +
               std::to_string(static_cast<long long>(bytes / 1e6)) + " MB, more than the limit of " +
               std::to_string(Limits::kMaxPreprocessedBytes) + " bytes\n";
    return "";
}

std::string checkBracketPairs(std::string_view text, std::string_view code, const std::string& fileName)
{
    std::vector<size_t> open;
    auto closerOf = [](char c) { return c == '(' ? ')' : c == '[' ? ']' : '}'; };
    for (size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        if (c == '#' && (i == 0 || code[i - 1] == '\n')) { // #line and #pragma lines
            size_t end = code.find('\n', i);
            i = end == std::string_view::npos ? code.size() : end;
        } else if (c == '(' || c == '[' || c == '{') {
            open.push_back(i);
        } else if (c == ')' || c == ']' || c == '}') {
            if (open.empty())
                return placeOf(text, i, fileName) + ": this '" + c + "' closes no bracket\n";
            char opener = code[open.back()];
            if (closerOf(opener) != c)
                return placeOf(text, open.back(), fileName) + ": this '" + opener + "' is not closed (a '" + c +
                       "' at " + placeOf(text, i, fileName) + " comes first)\n";
            open.pop_back();
        }
    }
    if (!open.empty())
        return placeOf(text, open.back(), fileName) + ": this '" + code[open.back()] + "' is never closed\n";
    return "";
}

std::string checkExpressionDepth(std::string_view text, std::string_view code, const std::string& fileName)
{
    // A chain of operators is a tree as deep as the chain, with each bracketed
    // operand hanging below it: a level is as deep as its operators so far
    // plus its deepest closed bracket. Commas and semicolons end a chain.
    struct Level {
        int operators = 0, deepestChild = 0, deepestChain = 0;
        int depth() const { return std::max(deepestChain, operators + deepestChild); }
        void endChain()
        {
            deepestChain = depth();
            operators = deepestChild = 0;
        }
    };
    std::vector<Level> levels(1);
    auto isOperator = [](char c) { return std::string_view("+-*/%<>=!&|^?:~").find(c) != std::string_view::npos; };
    for (size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        if (c == '#' && (i == 0 || code[i - 1] == '\n')) {
            size_t end = code.find('\n', i);
            i = end == std::string_view::npos ? code.size() : end;
        } else if (c == '(' || c == '[' || c == '{') {
            levels.emplace_back();
        } else if (c == ')' || c == ']' || c == '}') {
            int child = levels.back().depth() + 1;
            if (levels.size() > 1)
                levels.pop_back();
            levels.back().deepestChild = std::max(levels.back().deepestChild, child);
            if (c == '}')
                levels.back().endChain();
        } else if (c == ',' || c == ';') {
            levels.back().endChain();
        } else if (isOperator(c) && (i == 0 || !isOperator(code[i - 1]))) {
            ++levels.back().operators;
        } else {
            continue;
        }
        if (levels.back().depth() > kMaxExpressionDepth)
            return placeOf(text, i, fileName) + ": an expression more than " + std::to_string(kMaxExpressionDepth) +
                   " operators deep; split it with temporaries\n";
    }
    return "";
}

std::string checkGeneratedLimits(std::string_view glsl)
{
    Measure m = measure(glsl);
    if (m.deepest > Limits::kMaxShaderNesting)
        return "the generated GLSL nests " + std::to_string(m.deepest) + " deep, more than the limit of " +
               std::to_string(Limits::kMaxShaderNesting);
    if (m.statements > Limits::kMaxGeneratedStatements)
        return "the generated GLSL has " + std::to_string(m.statements) + " statements, more than the limit of " +
               std::to_string(Limits::kMaxGeneratedStatements);
    return "";
}

} // namespace Frontend::Cg
