// Cg -> glslang (HLSL, DX9 mode) -> SPIR-V -> SPIRV-Cross -> GLSL; see CgCompiler.h.
#include "frontend/CgCompiler.h"

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>
#include <spirv_cross/spirv_glsl.hpp>

#include "frontend/SpirvInterface.h"

namespace Frontend {

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Cg types and lookups that the HLSL front end lacks. It ends with a #line so
// that listings count lines of the user's file.
const char* const kPreamble =
    "#define fixed half\n#define fixed1 half1\n#define fixed2 half2\n#define fixed3 half3\n#define fixed4 half4\n"
    "#define fixed2x2 half2x2\n#define fixed3x3 half3x3\n#define fixed4x4 half4x4\n"
    "#define fixed3x4 half3x4\n#define fixed4x3 half4x3\n"
    "#define h4tex2D tex2D\n#define f4tex2D tex2D\n#define x4tex2D tex2D\n"
    "#define h3tex2D(s, t) (tex2D(s, t).xyz)\n#define f3tex2D(s, t) (tex2D(s, t).xyz)\n"
    "#define h1tex2D(s, t) (tex2D(s, t).x)\n#define f1tex2D(s, t) (tex2D(s, t).x)\n"
    "#define h4texCUBE texCUBE\n#define f4texCUBE texCUBE\n#define x4texCUBE texCUBE\n"
    "#define h3texCUBE(s, t) (texCUBE(s, t).xyz)\n#define f3texCUBE(s, t) (texCUBE(s, t).xyz)\n"
    "#define h4tex2Dproj tex2Dproj\n#define f4tex2Dproj tex2Dproj\n"
    "#define h3tex2Dproj(s, t) (tex2Dproj(s, t).xyz)\n#define f3tex2Dproj(s, t) (tex2Dproj(s, t).xyz)\n"
    "#define h4tex3D tex3D\n#define f4tex3D tex3D\n#define h4tex1D tex1D\n#define f4tex1D tex1D\n"
    "#line 1\n";

// Identifiers that Cg code uses freely but HLSL reserves.
const char* const kReservedInHlsl[] = {"texture", "Texture", "sampler", "Sampler", "sample", "point", "line",
                                       "triangle", "lineadj", "triangleadj", "linear", "centroid", "precise",
                                       "snorm", "unorm", "groupshared", "nointerpolation", "noperspective",
                                       "vector", "matrix", "string", "Buffer", "shared", "globallycoherent"};
const char* const kRenamePrefix = "cg_";

bool isReservedInHlsl(std::string_view word) {
    for (const char* reserved : kReservedInHlsl)
        if (word == reserved)
            return true;
    return false;
}

bool isIdentifierChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Prefixes HLSL-reserved identifiers outside comments, strings and preprocessor
// include lines. Line structure is kept, so listings stay right.
std::string renameReservedIdentifiers(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 64);
    size_t i = 0;
    bool lineStart = true;
    while (i < text.size()) {
        char c = text[i];
        if (c == '/' && i + 1 < text.size() && (text[i + 1] == '/' || text[i + 1] == '*')) {
            size_t end = text[i + 1] == '/' ? text.find('\n', i) : text.find("*/", i + 2);
            end = end == std::string_view::npos ? text.size() : (text[i + 1] == '/' ? end : end + 2);
            out.append(text.substr(i, end - i));
            i = end;
            continue;
        }
        if (c == '"') {
            size_t end = text.find_first_of("\"\n", i + 1);
            end = end == std::string_view::npos ? text.size() : end + 1;
            out.append(text.substr(i, end - i));
            i = end;
            continue;
        }
        if (lineStart && c == '#') {
            size_t end = text.find('\n', i);
            end = end == std::string_view::npos ? text.size() : end;
            std::string_view line = text.substr(i, end - i);
            if (line.find("include") != std::string_view::npos) {
                out.append(line);
                i = end;
                continue;
            }
        }
        if (isIdentifierChar(c)) {
            size_t end = i;
            while (end < text.size() && isIdentifierChar(text[end]))
                ++end;
            std::string_view word = text.substr(i, end - i);
            if (!std::isdigit(static_cast<unsigned char>(c)) && isReservedInHlsl(word))
                out.append(kRenamePrefix);
            out.append(word);
            i = end;
            lineStart = false;
            continue;
        }
        if (c == '\n')
            lineStart = true;
        else if (c != ' ' && c != '\t' && c != '\r')
            lineStart = false;
        out.push_back(c);
        ++i;
    }
    return out;
}

std::string cgNameOf(const std::string& hlslName) {
    size_t prefix = std::char_traits<char>::length(kRenamePrefix);
    if (hlslName.compare(0, prefix, kRenamePrefix) == 0 && isReservedInHlsl(std::string_view(hlslName).substr(prefix)))
        return hlslName.substr(prefix);
    return hlslName;
}

// Resolves #include "file" relative to the including file, renaming as the main source.
class CgIncluder : public glslang::TShader::Includer {
public:
    IncludeResult* includeLocal(const char* headerName, const char* includerName, size_t) override {
        std::filesystem::path base = std::filesystem::path(includerName ? includerName : "").parent_path();
        std::filesystem::path path = base / headerName;
        std::ifstream file(path, std::ios::binary);
        if (!file)
            return nullptr;
        std::stringstream buffer;
        buffer << file.rdbuf();
        auto* text = new std::string(renameReservedIdentifiers(buffer.str()));
        return new IncludeResult(path.string(), text->data(), text->size(), text);
    }

    void releaseInclude(IncludeResult* result) override {
        if (result) {
            delete static_cast<std::string*>(result->userData);
            delete result;
        }
    }
};

// glslang's log lines ("ERROR: file.cg:4: 'x' : message") as "file.cg:4: 'x' : message".
std::string formatLog(const std::string& log, const std::string& fileName, const std::string& context) {
    std::istringstream lines(log);
    std::string line, out;
    while (std::getline(lines, line)) {
        for (const char* prefix : {"ERROR: ", "WARNING: "})
            if (line.rfind(prefix, 0) == 0)
                line.erase(0, std::char_traits<char>::length(prefix));
        // "file(12): message" -> "file:12: message"
        size_t open = line.find('(');
        size_t close = line.find("): ", open == std::string::npos ? 0 : open);
        if (open != std::string::npos && close != std::string::npos && close > open + 1 &&
            line.find_first_not_of("0123456789", open + 1) == close)
            line = line.substr(0, open) + ":" + line.substr(open + 1, close - open - 1) + ":" + line.substr(close + 2);
        if (line.empty() || line.find("compilation errors") != std::string::npos ||
            line.find("No code generated") != std::string::npos)
            continue;
        bool located = line.find(':') != std::string::npos && line.find(':') > 0 &&
                       line.compare(0, fileName.size(), fileName) == 0;
        if (!located && line.find(".cg:") == std::string::npos)
            line = fileName + ": " + context + ": " + line;
        out += line + "\n";
    }
    return out;
}

void initialiseGlslang() {
    static bool initialised = glslang::InitializeProcess();
    (void)initialised;
}

struct StageSpirv {
    bool ok = false;
    std::string listing;
    std::vector<uint32_t> words;
};

StageSpirv compileStage(const CgCompileInput& input, const std::string& renamed, bool vertex) {
    StageSpirv out;
    const std::string& entry = vertex ? input.vertexEntry : input.pixelEntry;
    std::string context = std::string(vertex ? "vertex" : "fragment") + " entry \"" + entry + "\"";
    EShLanguage stage = vertex ? EShLangVertex : EShLangFragment;
    glslang::TShader shader(stage);
    const char* strings[] = {kPreamble, renamed.c_str()};
    const int lengths[] = {-1, static_cast<int>(renamed.size())};
    const char* names[] = {input.fileName.c_str(), input.fileName.c_str()};
    shader.setStringsWithLengthsAndNames(strings, lengths, names, 2);
    shader.setEntryPoint(entry.c_str());
    shader.setSourceEntryPoint(entry.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, stage, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1();
    shader.setAutoMapBindings(true);
    shader.setAutoMapLocations(true);
    auto messages = static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl |
                                             EShMsgHlslDX9Compatible);
    CgIncluder includer;
    if (!shader.parse(GetDefaultResources(), 100, false, messages, includer)) {
        out.listing = formatLog(shader.getInfoLog(), input.fileName, context);
        return out;
    }
    glslang::TProgram program;
    program.addShader(&shader);
    if (!program.link(messages) || !program.mapIO()) {
        out.listing = formatLog(program.getInfoLog(), input.fileName, context);
        return out;
    }
    glslang::SpvOptions options;
    options.disableOptimizer = false;
    options.validate = false;
    spv::SpvBuildLogger logger;
    glslang::GlslangToSpv(*program.getIntermediate(stage), out.words, &logger, &options);
    std::string messagesText = logger.getAllMessages();
    if (out.words.empty()) {
        out.listing = formatLog(messagesText, input.fileName, context);
        return out;
    }
    out.ok = true;
    return out;
}

CgParameterType parameterType(const spirv_cross::SPIRType& type) {
    using spirv_cross::SPIRType;
    if (type.basetype == SPIRType::SampledImage || type.basetype == SPIRType::Image) {
        switch (type.image.dim) {
        case spv::Dim1D: return CgParameterType::Sampler1D;
        case spv::Dim2D: return CgParameterType::Sampler2D;
        case spv::Dim3D: return CgParameterType::Sampler3D;
        case spv::DimCube: return CgParameterType::SamplerCube;
        default: return CgParameterType::Other;
        }
    }
    if (!type.array.empty())
        return CgParameterType::Other;
    if (type.basetype == SPIRType::Float) {
        if (type.columns == 4 && type.vecsize == 4)
            return CgParameterType::Matrix4;
        if (type.columns == 3 && type.vecsize == 3)
            return CgParameterType::Matrix3;
        if (type.columns == 1)
            return static_cast<CgParameterType>(static_cast<int>(CgParameterType::Float) + type.vecsize - 1);
    }
    if ((type.basetype == SPIRType::Int || type.basetype == SPIRType::Boolean) && type.vecsize == 1 &&
        type.columns == 1)
        return CgParameterType::Int;
    return CgParameterType::Other;
}

void addParameter(CgCompileResult& result, const std::string& cgName, const std::string& glslName,
                  CgParameterType type, bool vertex) {
    bool sampler = type >= CgParameterType::Sampler2D && type <= CgParameterType::Sampler1D;
    for (CgParameter& p : result.parameters) {
        if (p.glslName == glslName && !sampler) {
            (vertex ? p.vertex : p.fragment) = true;
            return;
        }
    }
    CgParameter p;
    p.cgName = cgName;
    p.glslName = glslName;
    p.type = type;
    (vertex ? p.vertex : p.fragment) = true;
    result.parameters.push_back(std::move(p));
}

bool isOneOf(const std::string& value, std::initializer_list<const char*> list) {
    for (const char* item : list)
        if (value == item)
            return true;
    return false;
}

// Names, built-ins and locations of the stage's inputs and outputs. Returns an error text or "".
std::string mapStageVariables(spirv_cross::CompilerGLSL& glsl, const Spirv::InterfaceRewrite& rewrite, bool vertex,
                              CgCompileResult& result) {
    for (const Spirv::StageVariable& var : rewrite.stageVariables) {
        const std::string& sem = var.semantic;
        if (vertex && !var.output) {
            int location = cgAttributeLocation(sem);
            if (location < 0)
                return "vertex input semantic " + sem + " is not supported";
            glsl.set_decoration(var.id, spv::DecorationLocation, static_cast<uint32_t>(location));
            glsl.set_name(var.id, "attr_" + sem);
            result.attributes.push_back({sem, "attr_" + sem, location});
        } else if (!vertex && var.output) {
            if (isOneOf(sem, {"DEPTH0", "SV_DEPTH0"})) {
                glsl.unset_decoration(var.id, spv::DecorationLocation);
                glsl.set_decoration(var.id, spv::DecorationBuiltIn, spv::BuiltInFragDepth);
            } else if (sem.rfind("COLOR", 0) == 0 || sem.rfind("SV_TARGET", 0) == 0) {
                uint32_t index = static_cast<uint32_t>(std::stoi(sem.substr(sem.find_first_of("0123456789"))));
                glsl.set_decoration(var.id, spv::DecorationLocation, index);
                glsl.set_name(var.id, "out_" + sem);
            } else {
                return "fragment output semantic " + sem + " is not supported";
            }
        } else if (vertex) {
            glsl.unset_decoration(var.id, spv::DecorationLocation);
            if (isOneOf(sem, {"POSITION0", "SV_POSITION0"}))
                glsl.set_decoration(var.id, spv::DecorationBuiltIn, spv::BuiltInPosition);
            else if (sem == "PSIZE0")
                glsl.set_decoration(var.id, spv::DecorationBuiltIn, spv::BuiltInPointSize);
            else
                glsl.set_name(var.id, "var_" + sem);
        } else {
            glsl.unset_decoration(var.id, spv::DecorationLocation);
            if (isOneOf(sem, {"POSITION0", "SV_POSITION0", "VPOS0", "WPOS0"}))
                glsl.set_decoration(var.id, spv::DecorationBuiltIn, spv::BuiltInFragCoord);
            else if (Spirv::isUserVarying(sem, false))
                glsl.set_name(var.id, "var_" + sem);
            else
                return "fragment input semantic " + sem + " is not supported";
        }
    }
    return "";
}

// SPIR-V of one stage to GLSL; fills the stage's parameters. Returns an error text or "".
std::string crossCompile(std::vector<uint32_t> words, const Spirv::InterfaceRewrite& rewrite, bool vertex,
                         CgCompileResult& result) {
    try {
        spirv_cross::CompilerGLSL glsl(std::move(words));
        spirv_cross::CompilerGLSL::Options options = glsl.get_common_options();
        options.version = 330;
        options.es = false;
        options.enable_420pack_extension = false;
        glsl.set_common_options(options);

        std::string error = mapStageVariables(glsl, rewrite, vertex, result);
        if (!error.empty())
            return error;
        // Each stage gets its own sampler names in GL: textures are attached
        // to fragment samplers only.
        spirv_cross::ShaderResources resources = glsl.get_shader_resources();
        std::vector<std::pair<uint32_t, std::string>> samplers;
        for (const auto& list : {resources.sampled_images, resources.separate_images})
            for (const spirv_cross::Resource& r : list) {
                glsl.unset_decoration(r.id, spv::DecorationBinding);
                glsl.unset_decoration(r.id, spv::DecorationDescriptorSet);
                std::string name = glsl.get_name(r.id);
                if (vertex)
                    glsl.set_name(r.id, "cgvertex_" + name);
                samplers.emplace_back(r.id, cgNameOf(name));
            }
        std::string text = glsl.compile();
        (vertex ? result.vertexGlsl : result.fragmentGlsl) = text;
        for (const Spirv::LooseUniform& u : rewrite.uniforms)
            addParameter(result, cgNameOf(u.name), glsl.get_name(u.id),
                         parameterType(glsl.get_type_from_variable(u.id)), vertex);
        for (const auto& [id, cgName] : samplers)
            addParameter(result, cgName, glsl.get_name(id), parameterType(glsl.get_type_from_variable(id)), vertex);
        return "";
    } catch (const std::exception& e) {
        return std::string("the GLSL generator failed: ") + e.what();
    }
}

} // namespace

int cgAttributeLocation(const std::string& semantic) {
    struct Alias {
        const char* semantic;
        int location;
    };
    static const Alias aliases[] = {{"POSITION0", 0}, {"BLENDWEIGHT0", 1}, {"NORMAL0", 2}, {"COLOR0", 3},
                                    {"DIFFUSE0", 3},  {"COLOR1", 4},      {"SPECULAR0", 4}, {"FOGCOORD0", 5},
                                    {"FOG0", 5},      {"PSIZE0", 6},      {"BLENDINDICES0", 7}, {"TANGENT0", 14},
                                    {"BINORMAL0", 15}};
    for (const Alias& alias : aliases)
        if (semantic == alias.semantic)
            return alias.location;
    if (semantic.rfind("TEXCOORD", 0) == 0) {
        int unit = std::atoi(semantic.c_str() + 8);
        return unit <= 7 ? 8 + unit : -1;
    }
    if (semantic.rfind("ATTR", 0) == 0) {
        int index = std::atoi(semantic.c_str() + 4);
        return index <= 15 ? index : -1;
    }
    return -1;
}

CgCompileResult compileCgShader(const CgCompileInput& input) {
    CgCompileResult result;
    initialiseGlslang();
    std::string renamed = renameReservedIdentifiers(input.source ? input.source : "");

    for (bool vertex : {true, false}) {
        const std::string& entry = vertex ? input.vertexEntry : input.pixelEntry;
        std::string context = std::string(vertex ? "vertex" : "fragment") + " entry \"" + entry + "\"";
        Clock::time_point start = Clock::now();
        StageSpirv spirv = compileStage(input, renamed, vertex);
        result.times.glslangMs += millisecondsSince(start);
        if (!spirv.ok) {
            result.listing += spirv.listing;
            if (result.listing.empty())
                result.listing = input.fileName + ": " + context + ": compilation failed\n";
            return result;
        }
        start = Clock::now();
        Spirv::InterfaceRewrite rewrite = Spirv::rewriteInterface(spirv.words, vertex);
        result.times.rewriteMs += millisecondsSince(start);
        if (!rewrite.ok) {
            result.listing += input.fileName + ": " + context + ": " + rewrite.error + "\n";
            return result;
        }
        start = Clock::now();
        std::string error = crossCompile(std::move(spirv.words), rewrite, vertex, result);
        result.times.crossMs += millisecondsSince(start);
        if (!error.empty()) {
            result.listing += input.fileName + ": " + context + ": " + error + "\n";
            return result;
        }
    }
    result.ok = true;
    return result;
}

} // namespace Frontend
