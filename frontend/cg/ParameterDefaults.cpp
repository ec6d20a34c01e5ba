// Parameter initialisers read from Cg source; see ParameterDefaults.h.
#include "frontend/cg/ParameterDefaults.h"

#include <cctype>
#include <cstdlib>

#include "frontend/cg/SourceText.h"

namespace Frontend {

namespace {

using Cg::identifierAt;
using Cg::skipSpace;

// "float", "half2", "fixed4" -> component count; 0 for anything else.
int floatComponents(std::string_view word)
{
    for (std::string_view base : {"float", "half", "fixed"}) {
        if (word.substr(0, base.size()) != base)
            continue;
        std::string_view rest = word.substr(base.size());
        if (rest.empty())
            return 1;
        if (rest.size() == 1 && rest[0] >= '1' && rest[0] <= '4')
            return rest[0] - '0';
    }
    return 0;
}

// Reads one number at offset; advances past it. False when there is none.
bool readNumber(std::string_view text, size_t& at, float& value)
{
    at = skipSpace(text, at);
    std::string number;
    while (at < text.size() &&
           (std::isdigit(static_cast<unsigned char>(text[at])) || text[at] == '.' || text[at] == '-' ||
            text[at] == '+' || ((text[at] == 'e' || text[at] == 'E') && !number.empty())))
        number.push_back(text[at++]);
    if (at < text.size() && (text[at] == 'f' || text[at] == 'h' || text[at] == 'F' || text[at] == 'H'))
        ++at;
    if (number.empty())
        return false;
    char* end = nullptr;
    value = std::strtof(number.c_str(), &end);
    return end == number.c_str() + number.size();
}

// One file-scope declaration, "uniform float4 name = float4(1, 2, 3, 4)".
bool parseDeclaration(std::string_view text, CgDefault& out)
{
    size_t at = skipSpace(text, 0);
    std::string_view word = identifierAt(text, at);
    if (word == "uniform") {
        at = skipSpace(text, at + word.size());
        word = identifierAt(text, at);
    }
    out.count = floatComponents(word);
    if (out.count == 0)
        return false;
    at = skipSpace(text, at + word.size());
    std::string_view name = identifierAt(text, at);
    if (name.empty())
        return false;
    out.name = std::string(name);
    at = skipSpace(text, at + name.size());
    if (at >= text.size() || text[at] != '=')
        return false;
    at = skipSpace(text, at + 1);
    int filled = 0;
    std::string_view constructor = identifierAt(text, at);
    if (!constructor.empty()) {
        if (floatComponents(constructor) == 0)
            return false;
        at = skipSpace(text, at + constructor.size());
        if (at >= text.size() || text[at] != '(')
            return false;
        ++at;
        while (filled < 4 && readNumber(text, at, out.value[filled])) {
            ++filled;
            at = skipSpace(text, at);
            if (at < text.size() && text[at] == ',')
                ++at;
            else
                break;
        }
        if (at >= text.size() || text[at] != ')')
            return false;
        ++at;
    } else if (readNumber(text, at, out.value[0])) {
        filled = 1;
    }
    if (filled == 0 || skipSpace(text, at) != text.size())
        return false;
    for (int i = filled; i < 4; i++)
        out.value[i] = filled == 1 ? out.value[0] : 0.0f; // float4(1) fills every component
    return true;
}

} // namespace

std::vector<CgDefault> findParameterDefaults(std::string_view source)
{
    std::string code = Cg::codeOnly(source);
    std::vector<CgDefault> defaults;
    int depth = 0;
    size_t start = 0;
    bool preprocessorLine = false;
    for (size_t i = 0; i <= code.size(); ++i) {
        char c = i < code.size() ? code[i] : ';';
        if (c == '#' && depth == 0 && skipSpace(std::string_view(code).substr(start), 0) + start == i)
            preprocessorLine = true;
        if (c == '\n' && preprocessorLine) {
            preprocessorLine = false;
            start = i + 1;
            continue;
        }
        if (c == '{') {
            if (depth++ == 0)
                start = i; // a body ends whatever declaration came before it
        } else if (c == '}') {
            depth = depth > 0 ? depth - 1 : 0;
            if (depth == 0)
                start = i + 1;
        } else if (c == ';' && depth == 0) {
            CgDefault entry;
            if (!preprocessorLine && parseDeclaration(std::string_view(code).substr(start, i - start), entry))
                defaults.push_back(entry);
            start = i + 1;
        }
    }
    return defaults;
}

std::vector<CgPragmaParameter> findPragmaParameters(std::string_view source)
{
    std::vector<CgPragmaParameter> out;
    for (size_t at = source.find("#pragma"); at != std::string_view::npos; at = source.find("#pragma", at + 1)) {
        size_t word = skipSpace(source, at + 7);
        if (identifierAt(source, word) != "parameter")
            continue;
        CgPragmaParameter p;
        size_t next = skipSpace(source, word + 9);
        p.name = std::string(identifierAt(source, next));
        next = skipSpace(source, next + p.name.size());
        size_t end = next < source.size() && source[next] == '"' ? source.find_first_of("\"\n", next + 1) : next;
        if (p.name.empty() || end == std::string_view::npos || end == next || source[end] != '"')
            continue;
        p.label = std::string(source.substr(next + 1, end - next - 1));
        next = end + 1;
        float* values[] = {&p.initial, &p.minimum, &p.maximum, &p.step};
        bool complete = true;
        for (float* v : values)
            complete = complete && readNumber(source, next, *v);
        if (complete)
            out.push_back(std::move(p));
    }
    return out;
}

} // namespace Frontend
