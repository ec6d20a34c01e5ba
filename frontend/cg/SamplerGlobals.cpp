// Compile-time resolution of assigned sampler globals; see SamplerGlobals.h.
#include "frontend/cg/SamplerGlobals.h"

#include <algorithm>
#include <cctype>

#include "frontend/cg/SourceText.h"

namespace Frontend::Cg {

namespace {

struct Function {
    std::string_view name;
    size_t paramsOpen = 0;
    size_t paramsClose = 0;
    size_t bodyOpen = 0;
    size_t bodyClose = 0;
};

struct Declaration {
    std::string_view name;
    size_t at = 0;
    size_t end = 0; // after the ';'
};

struct Assignment {
    size_t at = 0;
    size_t end = 0; // after the ';'
    std::string value;
    std::string root; // the value's first identifier
    const Function* in = nullptr;
};

bool isWordAt(std::string_view code, size_t at, std::string_view word)
{
    return code.compare(at, word.size(), word) == 0 && (at == 0 || !isIdentifierChar(code[at - 1])) &&
           (at + word.size() >= code.size() || !isIdentifierChar(code[at + word.size()]));
}

size_t skipSpaceBack(std::string_view code, size_t end)
{
    while (end > 0 && std::isspace(static_cast<unsigned char>(code[end - 1])))
        --end;
    return end;
}

size_t identifierStartBefore(std::string_view code, size_t end)
{
    while (end > 0 && isIdentifierChar(code[end - 1]))
        --end;
    return end;
}

// The "(" that the ")" at close closes, or npos.
size_t openingParenthesis(std::string_view code, size_t close)
{
    int depth = 0;
    for (size_t i = close + 1; i-- > 0;) {
        if (code[i] == ')')
            ++depth;
        else if (code[i] == '(' && --depth == 0)
            return i;
    }
    return std::string_view::npos;
}

// The function definitions at file scope: "T name(params) [: SEMANTIC] { body }".
std::vector<Function> functionsOf(std::string_view code)
{
    std::vector<Function> out;
    for (size_t i = 0; i < code.size(); ++i) {
        if (code[i] != '{')
            continue;
        size_t close = matchingBracket(code, i);
        if (close == std::string_view::npos)
            break;
        size_t before = skipSpaceBack(code, i);
        size_t word = identifierStartBefore(code, before);
        if (word < before && skipSpaceBack(code, word) > 0 && code[skipSpaceBack(code, word) - 1] == ':')
            before = skipSpaceBack(code, skipSpaceBack(code, word) - 1); // a return semantic
        if (before > 0 && code[before - 1] == ')') {
            size_t open = openingParenthesis(code, before - 1);
            size_t nameEnd = open == std::string_view::npos ? 0 : skipSpaceBack(code, open);
            size_t nameStart = identifierStartBefore(code, nameEnd);
            if (nameStart < nameEnd)
                out.push_back({code.substr(nameStart, nameEnd - nameStart), open, before - 1, i, close});
        }
        i = close;
    }
    return out;
}

// Whether the function has a parameter of this name.
bool isParameter(std::string_view code, const Function& f, std::string_view name)
{
    int depth = 0;
    size_t begin = f.paramsOpen + 1;
    for (size_t i = f.paramsOpen + 1; i <= f.paramsClose; ++i) {
        char c = code[i];
        if (c == '(' || c == '[')
            ++depth;
        else if ((c == ')' || c == ']') && i != f.paramsClose)
            --depth;
        if ((c == ',' && depth == 0) || i == f.paramsClose) {
            std::string_view param = code.substr(begin, i - begin);
            size_t end = skipSpaceBack(
                param, param.find_first_of(":=") == std::string_view::npos ? param.size() : param.find_first_of(":="));
            size_t start = identifierStartBefore(param, end);
            if (param.substr(start, end - start) == name)
                return true;
            begin = i + 1;
        }
    }
    return false;
}

// Whether anything calls the function (an entry is never called).
bool isCalled(std::string_view code, const Function& f)
{
    for (size_t at = code.find(f.name); at != std::string_view::npos; at = code.find(f.name, at + 1)) {
        size_t next = skipSpace(code, at + f.name.size());
        if (isWordAt(code, at, f.name) && next < code.size() && code[next] == '(' && next != f.paramsOpen)
            return true;
    }
    return false;
}

// "sampler2D name;" at file scope.
std::vector<Declaration> samplerDeclarations(std::string_view code)
{
    std::vector<Declaration> out;
    for (auto [start, i] : fileScopeStatements(code)) {
        std::string_view statement = code.substr(start, i - start);
        std::vector<std::string_view> names;
        for (size_t w = 0; w < statement.size() && statement[w] != ':' && statement[w] != '=';) {
            std::string_view word = identifierAt(statement, w);
            if (word.empty() || (w > 0 && isIdentifierChar(statement[w - 1]))) {
                ++w;
                continue;
            }
            if (word != "uniform" && word != "extern")
                names.push_back(word);
            w += word.size();
        }
        bool plain = statement.find_first_of(",[(") == std::string_view::npos;
        if (plain && names.size() == 2 && names[0].substr(0, 7) == "sampler")
            out.push_back({names[1], start, i + 1});
    }
    return out;
}

// "name = IN.texture;" statements in function bodies.
std::vector<Assignment> assignmentsOf(std::string_view code, std::string_view name,
                                      const std::vector<Function>& functions)
{
    std::vector<Assignment> out;
    for (const Function& f : functions) {
        for (size_t at = code.find(name, f.bodyOpen); at != std::string_view::npos && at < f.bodyClose;
             at = code.find(name, at + 1)) {
            size_t op = skipSpace(code, at + name.size());
            if (!isWordAt(code, at, name) || op + 1 >= code.size() || code[op] != '=' || code[op + 1] == '=')
                continue;
            size_t semicolon = code.find(';', op);
            if (semicolon == std::string_view::npos || semicolon > f.bodyClose)
                continue;
            Assignment a{at, semicolon + 1, "", "", &f};
            for (char c : code.substr(op + 1, semicolon - op - 1))
                if (!std::isspace(static_cast<unsigned char>(c)))
                    a.value += c;
            a.root = std::string(identifierAt(a.value, 0));
            out.push_back(std::move(a));
        }
    }
    return out;
}

// A sampler by name: identifiers, members and constant indices.
bool isSamplerName(const std::string& value)
{
    return !value.empty() && isIdentifierStart(value[0]) &&
           value.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_.[]") ==
               std::string::npos;
}

std::string newlinesOf(std::string_view text)
{
    return std::string(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')), '\n');
}

bool refuse(SamplerGlobals& out, std::string_view text, size_t at, const std::string& fileName,
            const std::string& message)
{
    out.ok = false;
    out.listing = placeOf(text, at, fileName) + ": " + message + ", which cannot be resolved at compile time\n";
    return false;
}

// One global: its assignments go and its uses name the assigned sampler.
bool resolveOne(std::string_view text, std::string_view code, const std::string& fileName, const Declaration& d,
                const std::vector<Function>& functions, const std::string& entry, SamplerGlobals& out)
{
    std::vector<Assignment> assignments = assignmentsOf(code, d.name, functions);
    if (assignments.empty())
        return true;
    std::string value, root;
    bool fromEntry = false;
    const std::string what = "the sampler global \"" + std::string(d.name) + "\"";
    for (const Assignment& a : assignments) {
        if (!isSamplerName(a.value))
            return refuse(out, text, a.at, fileName, what + " is assigned the expression \"" + a.value + "\"");
        bool parameter = isParameter(code, *a.in, a.root);
        if (parameter && a.in->name != entry) {
            if (isCalled(code, *a.in))
                return refuse(out, text, a.at, fileName,
                              what + " is assigned a parameter of \"" + std::string(a.in->name) + "\"");
            continue; // in the other stage's entry, which this stage never runs
        }
        if (!value.empty() && value != a.value)
            return refuse(out, text, a.at, fileName,
                          what + " is assigned both \"" + value + "\" and \"" + a.value + "\"");
        value = a.value;
        root = a.root;
        fromEntry = fromEntry || parameter;
    }
    for (const Assignment& a : assignments)
        out.edits.push_back({a.at, a.end - a.at, ";" + newlinesOf(text.substr(a.at, a.end - a.at))});
    if (value.empty())
        return true;
    for (size_t at = code.find(d.name); at != std::string_view::npos; at = code.find(d.name, at + 1)) {
        bool assigned = std::any_of(assignments.begin(), assignments.end(),
                                    [&](const Assignment& a) { return at >= a.at && at < a.end; });
        if (isWordAt(code, at, d.name) && !assigned && (at < d.at || at >= d.end))
            out.edits.push_back({at, d.name.size(), value});
    }
    TextEdit removal{d.at, d.end - d.at, newlinesOf(text.substr(d.at, d.end - d.at))};
    if (fromEntry && out.moved.empty())
        out.declaration = removal;
    else
        out.edits.push_back(removal);
    if (fromEntry)
        out.moved.insert(root);
    return true;
}

} // namespace

SamplerGlobals resolveSamplerGlobals(std::string_view text, std::string_view code, const std::string& fileName,
                                     const std::string& entry)
{
    SamplerGlobals out;
    std::vector<Declaration> declarations = samplerDeclarations(code);
    if (declarations.empty())
        return out;
    std::vector<Function> functions = functionsOf(code);
    for (const Declaration& d : declarations)
        if (!resolveOne(text, code, fileName, d, functions, entry, out))
            return out;
    return out;
}

} // namespace Frontend::Cg
