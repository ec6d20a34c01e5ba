// Writing and reading the GLSL ES parameter table; see GlesTable.h.
#include "frontend/cg/GlesTable.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace Frontend::Cg {

namespace {

const char* const kHeader = "vantrel-gles-table 1";

const char* const kTypeNames[] = {"float", "float2",    "float3",      "float4",    "matrix4",   "matrix3",
                                  "int",   "sampler2D", "samplerCube", "sampler3D", "sampler1D", "other"};
constexpr int kTypeCount = sizeof kTypeNames / sizeof kTypeNames[0];

std::string number(float v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(v));
    return text;
}

const char* stagesName(const CgParameter& p)
{
    return p.vertex && p.fragment ? "both" : p.vertex ? "vertex" : "fragment";
}

std::vector<std::string_view> fields(std::string_view line)
{
    std::vector<std::string_view> out;
    size_t at = 0;
    while (at <= line.size()) {
        size_t end = line.find(' ', at);
        end = end == std::string_view::npos ? line.size() : end;
        out.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

bool parse(std::string_view text, int& value)
{
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// Float from_chars is missing from the web build's C++ library.
bool parse(std::string_view text, float& value)
{
    std::string copy(text);
    char* end = nullptr;
    value = std::strtof(copy.c_str(), &end);
    return !copy.empty() && end == copy.c_str() + copy.size();
}

bool parseType(std::string_view text, CgParameterType& type)
{
    for (int i = 0; i < kTypeCount; ++i)
        if (text == kTypeNames[i]) {
            type = static_cast<CgParameterType>(i);
            return true;
        }
    return false;
}

bool parseStages(std::string_view text, CgParameter& p)
{
    p.vertex = text == "vertex" || text == "both";
    p.fragment = text == "fragment" || text == "both";
    return p.vertex || p.fragment;
}

// One record into result; a problem text, or "".
std::string readRecord(const std::vector<std::string_view>& f, CgCompileResult& result)
{
    for (std::string_view field : f)
        if (field.empty())
            return "an empty field (fields are separated by single spaces)";
    if (f[0] == "attribute") {
        CgAttribute a;
        if (f.size() != 4 || !parse(f[3], a.location))
            return "an attribute needs a semantic, a GLSL name and a location";
        a.semantic = f[1];
        a.glslName = f[2];
        result.attributes.push_back(std::move(a));
    } else if (f[0] == "parameter") {
        CgParameter p;
        if (f.size() != 5)
            return "a parameter needs a Cg name, a GLSL name, a type and its stages";
        if (!parseType(f[3], p.type))
            return "unknown parameter type \"" + std::string(f[3]) + "\"";
        if (!parseStages(f[4], p))
            return "unknown stages \"" + std::string(f[4]) + "\" (vertex, fragment or both)";
        p.cgName = f[1];
        p.glslName = f[2];
        result.parameters.push_back(std::move(p));
    } else if (f[0] == "default") {
        CgDefault d;
        if (f.size() < 3 || !parse(f[2], d.count) || d.count < 1 || d.count > 4)
            return "a default needs a name and a count of 1 to 4";
        if (f.size() != 3 + static_cast<size_t>(d.count))
            return "a default of " + std::to_string(d.count) + " values has " + std::to_string(f.size() - 3);
        for (int i = 0; i < d.count; ++i)
            if (!parse(f[3 + i], d.value[i]))
                return "\"" + std::string(f[3 + i]) + "\" is not a number";
        d.name = f[1];
        result.defaults.push_back(std::move(d));
    } else {
        return "unknown record \"" + std::string(f[0]) + "\"";
    }
    return "";
}

} // namespace

std::string writeGlesTable(const CgCompileResult& compiled)
{
    std::string out = std::string(kHeader) + "\n";
    for (const CgAttribute& a : compiled.attributes)
        out += "attribute " + a.semantic + " " + a.glslName + " " + std::to_string(a.location) + "\n";
    for (const CgParameter& p : compiled.parameters)
        out += "parameter " + p.cgName + " " + p.glslName + " " + kTypeNames[static_cast<int>(p.type)] + " " +
               stagesName(p) + "\n";
    for (const CgDefault& d : compiled.defaults) {
        out += "default " + d.name + " " + std::to_string(d.count);
        for (int i = 0; i < d.count; ++i)
            out += " " + number(d.value[i]);
        out += "\n";
    }
    return out;
}

bool readGlesTable(std::string_view text, const std::string& fileName, CgCompileResult& result, std::string& error)
{
    CgCompileResult read;
    int lineNumber = 0;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        end = end == std::string_view::npos ? text.size() : end;
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++lineNumber;
        std::string problem;
        if (lineNumber == 1)
            problem = line == kHeader
                          ? ""
                          : "not a GLSL ES parameter table (the first line is not \"" + std::string(kHeader) + "\")";
        else
            problem = readRecord(fields(line), read);
        if (!problem.empty()) {
            error = fileName + ":" + std::to_string(lineNumber) + ": " + problem;
            return false;
        }
    }
    if (lineNumber == 0) {
        error = fileName + ":1: the table is empty";
        return false;
    }
    result.attributes = std::move(read.attributes);
    result.parameters = std::move(read.parameters);
    result.defaults = std::move(read.defaults);
    return true;
}

} // namespace Frontend::Cg
