// Cg to glslang-ready HLSL, line structure kept; see SourceRewrite.h.
#include "frontend/cg/SourceRewrite.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <vector>

#include "frontend/cg/CgLibrary.h"
#include "frontend/cg/SamplerGlobals.h"
#include "frontend/cg/SourceText.h"

namespace Frontend::Cg {

namespace {

// Identifiers that Cg code uses freely but HLSL reserves.
const char* const kReservedInHlsl[] = {
    "texture",         "Texture",       "sampler", "Sampler",  "sample",  "point",  "line",   "triangle",
    "lineadj",         "triangleadj",   "linear",  "centroid", "precise", "snorm",  "unorm",  "groupshared",
    "nointerpolation", "noperspective", "vector",  "matrix",   "string",  "Buffer", "shared", "globallycoherent"};
const char* const kRenamePrefix = "cg_";
// File-scope parameters that a function writes: the uniform is renamed and a
// static copy under the Cg name takes the writes.
const char* const kUniformPrefix = "cgu_";

bool isReservedInHlsl(std::string_view word)
{
    for (const char* reserved : kReservedInHlsl)
        if (word == reserved)
            return true;
    return false;
}

bool isBuiltInType(std::string_view word)
{
    for (std::string_view base : {"float", "half", "fixed", "int", "uint", "bool", "double", "sampler", "texture",
                                  "cg_texture", "cg_sampler", "void"})
        if (word.substr(0, base.size()) == base)
            return true;
    return false;
}

bool isModifier(std::string_view word)
{
    for (std::string_view m : {"uniform", "in", "out", "inout", "const", "varying", "static", "extern", "volatile"})
        if (word == m)
            return true;
    return false;
}

// The identifiers of a piece of code, in order.
std::vector<std::string_view> words(std::string_view code)
{
    std::vector<std::string_view> out;
    for (size_t i = 0; i < code.size();) {
        std::string_view word = identifierAt(code, i);
        if (word.empty() || (i > 0 && isIdentifierChar(code[i - 1]))) {
            ++i;
            continue;
        }
        out.push_back(word);
        i += word.size();
    }
    return out;
}

using Edit = TextEdit;

// Applies non-overlapping edits given in any order.
std::string applyEdits(std::string_view text, std::vector<Edit> edits)
{
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.at < b.at; });
    std::string out;
    out.reserve(text.size() + 256);
    size_t from = 0;
    for (const Edit& e : edits) {
        if (e.at < from)
            continue;
        out.append(text.substr(from, e.at - from));
        out.append(e.text);
        from = e.at + e.length;
    }
    out.append(text.substr(from));
    return out;
}

std::string newlinesOf(std::string_view text)
{
    return std::string(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')), '\n');
}

// Where a function definition of this name starts its parameter list, or npos.
size_t findDefinition(std::string_view code, const std::string& name, size_t& close)
{
    int depth = 0;
    for (size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        if (c == '{' || c == '(' || c == '[')
            ++depth;
        else if (c == '}' || c == ')' || c == ']')
            depth = depth > 0 ? depth - 1 : 0;
        if (depth != 0 || code.compare(i, name.size(), name) != 0 || (i > 0 && isIdentifierChar(code[i - 1])) ||
            (i + name.size() < code.size() && isIdentifierChar(code[i + name.size()])))
            continue;
        size_t open = skipSpace(code, i + name.size());
        if (open >= code.size() || code[open] != '(')
            continue;
        close = matchingBracket(code, open);
        if (close == std::string_view::npos)
            return std::string_view::npos;
        size_t after = skipSpace(code, close + 1);
        if (after < code.size() && code[after] == ':') { // return semantic
            after = skipSpace(code, after + 1);
            while (after < code.size() && isIdentifierChar(code[after]))
                ++after;
            after = skipSpace(code, after);
        }
        if (after < code.size() && code[after] == '{')
            return open;
    }
    return std::string_view::npos;
}

// Entry parameters: refuses nameless ones, moves struct-typed uniforms to file
// scope before the entry, and those named in `early` into earlyText.
bool rewriteEntry(std::string_view text, std::string_view code, const std::string& fileName, const std::string& entry,
                  std::vector<Edit>& edits, std::string& listing, const std::set<std::string, std::less<>>& early,
                  std::string& earlyText)
{
    size_t close = 0;
    size_t open = findDefinition(code, entry, close);
    if (open == std::string_view::npos)
        return true;                               // glslang reports a missing entry
    std::vector<std::pair<size_t, size_t>> params; // [begin, end) in text
    int depth = 0;
    size_t begin = open + 1;
    for (size_t i = open + 1; i <= close; ++i) {
        char c = code[i];
        if (c == '(' || c == '[' || c == '{')
            ++depth;
        else if ((c == ')' || c == ']' || c == '}') && i != close)
            --depth;
        if ((c == ',' && depth == 0) || i == close) {
            params.emplace_back(begin, i);
            begin = i + 1;
        }
    }
    std::string kept, moved, dropped;
    bool changed = false;
    for (auto [from, to] : params) {
        std::string_view param = code.substr(from, to - from);
        size_t stop = param.find_first_of(":=");
        std::vector<std::string_view> names = words(param.substr(0, stop));
        bool uniform = std::find(names.begin(), names.end(), "uniform") != names.end();
        names.erase(std::remove_if(names.begin(), names.end(), isModifier), names.end());
        if (names.empty() && params.size() == 1 && skipSpace(param, 0) == param.size())
            break; // "()"
        if (names.size() < 2) {
            listing = placeOf(text, from, fileName) + ": a parameter of entry \"" + entry + "\" has no name\n";
            return false;
        }
        bool isEarly = early.count(names[1]) != 0;
        if ((uniform && !isBuiltInType(names[0])) || isEarly) {
            std::string_view original = text.substr(from, to - from);
            (isEarly ? earlyText : moved) += "uniform " + std::string(names[0]) + " " + std::string(names[1]) + "; ";
            dropped += newlinesOf(original);
            changed = true;
            continue;
        }
        kept += (kept.empty() ? "" : ",") + std::string(text.substr(from, to - from));
    }
    if (!changed)
        return true;
    edits.push_back({open + 1, close - open - 1, kept + dropped});
    // Before the return type of the entry.
    size_t type = open;
    while (type > 0 && std::isspace(static_cast<unsigned char>(code[type - 1])))
        --type;
    while (type > 0 && isIdentifierChar(code[type - 1]))
        --type;
    while (type > 0 && std::isspace(static_cast<unsigned char>(code[type - 1])))
        --type;
    while (type > 0 && isIdentifierChar(code[type - 1]))
        --type;
    if (!moved.empty())
        edits.push_back({type, 0, moved});
    return true;
}

bool isAssignmentAfter(std::string_view code, size_t at)
{
    // Selectors: .xyz, [index]
    for (;;) {
        at = skipSpace(code, at);
        if (at < code.size() && code[at] == '.') {
            at = skipSpace(code, at + 1);
            while (at < code.size() && isIdentifierChar(code[at]))
                ++at;
        } else if (at < code.size() && code[at] == '[') {
            size_t close = matchingBracket(code, at);
            if (close == std::string_view::npos)
                return false;
            at = close + 1;
        } else {
            break;
        }
    }
    if (at + 1 >= code.size())
        return false;
    char c = code[at], d = code[at + 1];
    if (c == '=' && d != '=')
        return true;
    if ((c == '+' || c == '-') && d == c)
        return true;
    return d == '=' && (c == '+' || c == '-' || c == '*' || c == '/' || c == '%' || c == '&' || c == '|' || c == '^');
}

// Whether a function body writes the name.
bool isWritten(std::string_view code, std::string_view name)
{
    int depth = 0;
    for (size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        if (c == '{')
            ++depth;
        else if (c == '}')
            depth = depth > 0 ? depth - 1 : 0;
        if (depth == 0 || code.compare(i, name.size(), name) != 0 || (i > 0 && isIdentifierChar(code[i - 1])) ||
            (i + name.size() < code.size() && isIdentifierChar(code[i + name.size()])))
            continue;
        size_t before = i;
        while (before > 0 && (code[before - 1] == ' ' || code[before - 1] == '\t'))
            --before;
        if (before >= 2 && (code.compare(before - 2, 2, "++") == 0 || code.compare(before - 2, 2, "--") == 0))
            return true;
        if (isAssignmentAfter(code, i + name.size()))
            return true;
    }
    return false;
}

// File-scope parameters that functions write: "float4 tint;" becomes
// "float4 cgu_tint; static float4 tint = cgu_tint;".
void rewriteWrittenGlobals(std::string_view code, std::vector<Edit>& edits)
{
    for (auto [from, i] : fileScopeStatements(code)) {
        std::string_view declaration = code.substr(from, i - from);
        size_t paren = declaration.find('(');
        if (paren != std::string_view::npos && paren < declaration.find('='))
            continue; // a prototype
        std::string_view head = declaration.substr(0, declaration.find_first_of(":[="));
        std::vector<std::string_view> names = words(head);
        bool skip = false;
        for (std::string_view w : names)
            skip = skip || w == "static" || w == "const" || w == "typedef" || w == "struct";
        std::vector<std::string_view> plain = names;
        plain.erase(std::remove_if(plain.begin(), plain.end(), isModifier), plain.end());
        if (skip || plain.size() != 2 || plain[0].find("sampler") != std::string_view::npos)
            continue;
        std::string_view name = plain[1];
        if (!isWritten(code, name))
            continue;
        size_t nameAt = from + static_cast<size_t>(name.data() - declaration.data());
        std::string array;
        size_t bracket = declaration.find('[');
        if (bracket != std::string_view::npos && bracket < declaration.find('='))
            array = std::string(declaration.substr(bracket, declaration.find(']', bracket) + 1 - bracket));
        edits.push_back({nameAt, 0, kUniformPrefix});
        edits.push_back({i + 1, 0,
                         " static " + std::string(plain[0]) + " " + std::string(name) + array + " = " + kUniformPrefix +
                             std::string(name) + ";"});
    }
}

// "float2" -> 2 for vector types of the scalar kinds; 0 otherwise.
int vectorWidth(std::string_view type)
{
    for (std::string_view base : {"float", "half", "fixed", "int", "uint", "bool", "double"})
        if (type.size() == base.size() + 1 && type.substr(0, base.size()) == base && type.back() >= '2' &&
            type.back() <= '4')
            return type.back() - '0';
    return 0;
}

// The start offsets and ends of the top-level items of a brace or call list.
std::vector<std::pair<size_t, size_t>> listItems(std::string_view code, size_t open, size_t close)
{
    std::vector<std::pair<size_t, size_t>> items;
    int depth = 0;
    size_t begin = open + 1;
    for (size_t i = open + 1; i <= close; ++i) {
        char c = code[i];
        if (i < close && (c == '(' || c == '[' || c == '{'))
            ++depth;
        else if (i < close && (c == ')' || c == ']' || c == '}'))
            --depth;
        if ((c == ',' && depth == 0) || i == close) {
            if (skipSpace(code, begin) < i)
                items.emplace_back(skipSpace(code, begin), i);
            begin = i + 1;
        }
    }
    return items;
}

// Cg accepts "float2 s[3] = { 1, 2, 3, 4, 5, 6 };": the scalars are grouped
// into constructors of the element type.
void groupFlatInitialisers(std::string_view code, std::vector<Edit>& edits)
{
    for (size_t at = code.find('{'); at != std::string_view::npos; at = code.find('{', at + 1)) {
        size_t before = at;
        while (before > 0 && std::isspace(static_cast<unsigned char>(code[before - 1])))
            --before;
        if (before == 0 || code[before - 1] != '=')
            continue;
        size_t bracket = before - 1;
        while (bracket > 0 && std::isspace(static_cast<unsigned char>(code[bracket - 1])))
            --bracket;
        if (bracket == 0 || code[bracket - 1] != ']')
            continue;
        size_t open = code.rfind('[', bracket - 1);
        if (open == std::string_view::npos)
            continue;
        size_t nameEnd = open;
        while (nameEnd > 0 && std::isspace(static_cast<unsigned char>(code[nameEnd - 1])))
            --nameEnd;
        size_t nameStart = nameEnd;
        while (nameStart > 0 && isIdentifierChar(code[nameStart - 1]))
            --nameStart;
        size_t typeEnd = nameStart;
        while (typeEnd > 0 && std::isspace(static_cast<unsigned char>(code[typeEnd - 1])))
            --typeEnd;
        size_t typeStart = typeEnd;
        while (typeStart > 0 && isIdentifierChar(code[typeStart - 1]))
            --typeStart;
        std::string type(code.substr(typeStart, typeEnd - typeStart));
        int width = vectorWidth(type);
        size_t close = matchingBracket(code, at);
        if (width == 0 || close == std::string_view::npos)
            continue;
        auto items = listItems(code, at, close);
        if (items.empty() || items.size() % static_cast<size_t>(width) != 0 ||
            code.substr(at + 1, close - at - 1).find('{') != std::string_view::npos)
            continue;
        bool scalars = true;
        for (auto [from, to] : items)
            scalars = scalars && code.substr(from, to - from).find_first_of("(") == std::string_view::npos;
        if (!scalars)
            continue;
        for (size_t k = 0; k < items.size(); k += static_cast<size_t>(width)) {
            edits.push_back({items[k].first, 0, type + "("});
            edits.push_back({items[k + static_cast<size_t>(width) - 1].second, 0, ")"});
        }
        at = close;
    }
}

// One SPIR-V instruction holds at most 65535 words, a constant table three
// more than its items; glslang writes a longer one with its word count
// wrapped, which the libraries after it read as a malformed module.
constexpr size_t kMaxInitialiserItems = 65532;

// "" when every initialiser list fits one SPIR-V constant, else the listing.
std::string checkInitialiserSizes(std::string_view text, std::string_view code, const std::string& fileName)
{
    for (size_t at = code.find('{'); at != std::string_view::npos; at = code.find('{', at + 1)) {
        size_t before = at;
        while (before > 0 && std::isspace(static_cast<unsigned char>(code[before - 1])))
            --before;
        if (before == 0 || std::string_view("=,{").find(code[before - 1]) == std::string_view::npos)
            continue;
        size_t close = matchingBracket(code, at);
        if (close == std::string_view::npos)
            continue;
        size_t items = listItems(code, at, close).size();
        if (items > kMaxInitialiserItems)
            return placeOf(text, at, fileName) + ": an initialiser list of " + std::to_string(items) +
                   " items, more than the " + std::to_string(kMaxInitialiserItems) +
                   " that one constant table can hold; split the table\n";
    }
    return "";
}

// The declarators of a file-scope statement: "float a, b[2] = {...}".
std::vector<std::pair<size_t, size_t>> declarators(std::string_view code, size_t from, size_t to)
{
    std::vector<std::pair<size_t, size_t>> out;
    int depth = 0;
    size_t begin = from;
    for (size_t i = from; i <= to; ++i) {
        char c = i < to ? code[i] : ',';
        if (c == '(' || c == '[' || c == '{')
            ++depth;
        else if (c == ')' || c == ']' || c == '}')
            --depth;
        else if (c == ',' && depth == 0) {
            out.emplace_back(begin, i);
            begin = i + 1;
        }
    }
    return out;
}

// glslang reads a file-scope name declared again with another type as a
// member of its uniform block and dereferences null: refused here.
std::string checkRedeclarations(std::string_view text, std::string_view code, const std::string& fileName)
{
    struct Seen {
        std::string type;
        size_t at;
    };
    std::map<std::string, Seen, std::less<>> seen;
    for (auto [from, to] : fileScopeStatements(code)) {
        std::string_view statement = code.substr(from, to - from);
        size_t paren = statement.find('(');
        std::vector<std::string_view> head = words(statement.substr(0, statement.find_first_of(":=[,")));
        if ((paren != std::string_view::npos && paren < statement.find_first_of("=")) ||
            std::find(head.begin(), head.end(), "typedef") != head.end() ||
            std::find(head.begin(), head.end(), "struct") != head.end())
            continue;
        head.erase(std::remove_if(head.begin(), head.end(), isModifier), head.end());
        if (head.size() < 2)
            continue;
        std::string type;
        for (size_t i = 0; i + 1 < head.size(); ++i)
            type += std::string(head[i]) + " ";
        for (auto [begin, end] : declarators(code, from, to)) {
            std::string_view d = code.substr(begin, end - begin);
            std::string_view part = d.substr(0, d.find_first_of(":="));
            std::vector<std::string_view> names = words(part.substr(0, part.find('[')));
            if (names.empty())
                continue;
            size_t open = part.find('['), close = part.rfind(']');
            std::string full = type + (open < close && close != std::string_view::npos
                                           ? std::string(part.substr(open, close + 1 - open))
                                           : std::string());
            size_t at = static_cast<size_t>(names.back().data() - code.data());
            auto [it, added] = seen.try_emplace(std::string(names.back()), Seen{full, at});
            if (!added && it->second.type != full)
                return placeOf(text, at, fileName) + ": \"" + it->first +
                       "\" is declared again with another type (first at " + placeOf(text, it->second.at, fileName) +
                       ")\n";
        }
    }
    // A declaration that no ';' ends ("float s" before a function) is
    // declared all the same.
    int depth = 0;
    std::string_view previous;
    for (size_t i = 0; i < code.size();) {
        char c = code[i];
        if (c == '#' && depth == 0) {
            size_t end = code.find('\n', i);
            i = end == std::string_view::npos ? code.size() : end;
            continue;
        }
        depth += (c == '(' || c == '[' || c == '{') ? 1 : (c == ')' || c == ']' || c == '}') ? -1 : 0;
        std::string_view word = identifierAt(code, i);
        if (word.empty() || depth != 0 || (i > 0 && isIdentifierChar(code[i - 1]))) {
            if (!std::isspace(static_cast<unsigned char>(c)))
                previous = {};
            ++i;
            continue;
        }
        size_t next = skipSpace(code, i + word.size());
        auto found = seen.find(word);
        if (!previous.empty() && isBuiltInType(previous) && (next >= code.size() || code[next] != '(') &&
            found != seen.end() &&
            found->second.type.substr(0, found->second.type.find('[')) != std::string(previous) + " ")
            return placeOf(text, i, fileName) + ": \"" + found->first +
                   "\" is declared again with another type (first at " + placeOf(text, found->second.at, fileName) +
                   ")\n";
        if (!previous.empty() && isBuiltInType(previous) && (next >= code.size() || code[next] != '('))
            seen.try_emplace(std::string(word), Seen{std::string(previous) + " ", i});
        previous = word;
        i += word.size();
    }
    return "";
}

// GLSL-style array constructors, "float[](1, 2, 3)" or "float[3](...)", as
// initialiser lists.
void bracesForArrayConstructors(std::string_view code, std::vector<Edit>& edits)
{
    for (size_t open = code.find('['); open != std::string_view::npos; open = code.find('[', open + 1)) {
        size_t close = code.find(']', open);
        if (close == std::string_view::npos)
            return;
        size_t paren = skipSpace(code, close + 1);
        size_t typeStart = open;
        while (typeStart > 0 && isIdentifierChar(code[typeStart - 1]))
            --typeStart;
        if (paren >= code.size() || code[paren] != '(' || typeStart == open ||
            !isBuiltInType(code.substr(typeStart, open - typeStart)))
            continue;
        size_t end = matchingBracket(code, paren);
        if (end == std::string_view::npos)
            return;
        edits.push_back({typeStart, paren + 1 - typeStart, "{"});
        edits.push_back({end, 1, "}"});
        open = end;
    }
}

// Cg's one-row and one-column matrices are vectors here: "float3x1" -> "float3".
std::string_view vectorForThinMatrix(std::string_view word)
{
    static const char* const thin[][2] = {{"float1x1", "float"},  {"float2x1", "float2"}, {"float3x1", "float3"},
                                          {"float4x1", "float4"}, {"float1x2", "float2"}, {"float1x3", "float3"},
                                          {"float1x4", "float4"}, {"half1x1", "half"},    {"half2x1", "half2"},
                                          {"half3x1", "half3"},   {"half4x1", "half4"},   {"half1x2", "half2"},
                                          {"half1x3", "half3"},   {"half1x4", "half4"}};
    for (const auto& pair : thin)
        if (word == pair[0])
            return pair[1];
    return {};
}

std::string renameIdentifiers(std::string_view text)
{
    std::string code = codeOnly(text);
    std::vector<Edit> edits;
    for (size_t i = 0; i < code.size();) {
        if (code[i] == '#') { // directives (#include, #line, #pragma) keep their words
            size_t lineStart = code.rfind('\n', i);
            lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
            size_t end = code.find('\n', i);
            end = end == std::string::npos ? code.size() : end;
            std::string_view directive = identifierAt(code, skipSpace(code, i + 1));
            if (skipSpace(code, lineStart) == i && (directive == "include" || directive == "line")) {
                i = end;
                continue;
            }
        }
        std::string_view word = identifierAt(code, i);
        if (word.empty() || (i > 0 && isIdentifierChar(code[i - 1]))) {
            ++i;
            continue;
        }
        if (isReservedInHlsl(word) || isRenamedLibraryCall(word))
            edits.push_back({i, 0, kRenamePrefix});
        else if (std::string_view vector = vectorForThinMatrix(word); !vector.empty())
            edits.push_back({i, word.size(), std::string(vector)});
        i += word.size();
    }
    return applyEdits(text, std::move(edits));
}

} // namespace

std::string renameForHlsl(std::string_view text)
{
    return renameIdentifiers(text);
}

StageSource rewriteForStage(std::string_view source, const std::string& fileName, const std::string& entry)
{
    StageSource out;
    std::string code = codeOnly(source);
    SamplerGlobals samplers = resolveSamplerGlobals(source, code, fileName, entry);
    if (!samplers.ok) {
        out.listing = samplers.listing;
        return out;
    }
    std::vector<Edit> edits = std::move(samplers.edits);
    std::string early;
    if (!rewriteEntry(source, code, fileName, entry, edits, out.listing, samplers.moved, early))
        return out;
    if (!samplers.moved.empty())
        edits.push_back({samplers.declaration.at, samplers.declaration.length, early + samplers.declaration.text});
    rewriteWrittenGlobals(code, edits);
    groupFlatInitialisers(code, edits);
    bracesForArrayConstructors(code, edits);
    std::string rewritten = applyEdits(source, std::move(edits));
    out.listing = checkRedeclarations(source, code, fileName);
    if (!out.listing.empty())
        return out;
    out.listing = checkInitialiserSizes(rewritten, codeOnly(rewritten), fileName);
    if (!out.listing.empty())
        return out;
    out.text = renameIdentifiers(rewritten);
    out.preamble = libraryPreamble(codeOnly(out.text));
    out.ok = true;
    return out;
}

std::string cgNameOf(const std::string& hlslName)
{
    // Members of uniform structs: "IN.cg_texture" -> "IN.texture".
    size_t dot = hlslName.find('.');
    if (dot != std::string::npos)
        return cgNameOf(hlslName.substr(0, dot)) + "." + cgNameOf(hlslName.substr(dot + 1));
    std::string name = hlslName;
    for (std::string_view prefix : {std::string_view(kUniformPrefix), std::string_view(kRenamePrefix)}) {
        if (name.compare(0, prefix.size(), prefix) == 0 && name.size() > prefix.size()) {
            std::string rest = name.substr(prefix.size());
            if (prefix == kUniformPrefix || isReservedInHlsl(rest))
                name = rest;
        }
    }
    return name;
}

} // namespace Frontend::Cg
