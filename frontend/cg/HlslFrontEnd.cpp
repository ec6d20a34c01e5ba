// glslang's HLSL front end with a bounded includer; see HlslFrontEnd.h.
#include "frontend/cg/HlslFrontEnd.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>

#include "frontend/Limits.h"
#include "frontend/cg/SourceRewrite.h"
#include "frontend/cg/SourceText.h"

namespace Frontend::Cg {

namespace {

namespace fs = std::filesystem;

// Resolves #include "file" relative to the including file and renames it as
// the main source. Refusals are kept in error (glslang only says that the
// include failed).
class CgIncluder : public glslang::TShader::Includer {
public:
    CgIncluder(const std::string& mainFileName, bool renamed) : mainFile(mainFileName), rename(renamed) {}

    IncludeResult* includeLocal(const char* headerName, const char* includerName, size_t depth) override
    {
        if (!error.empty())
            return nullptr;
        std::string includer = includerName ? includerName : mainFile;
        fs::path path = fs::path(includer).parent_path() / headerName;
        std::string key = canonical(path);
        std::string chain = path.string();
        for (std::string at = canonical(includer);; at = parents[at]) {
            chain = displayName(at) + " -> " + chain;
            if (at == key)
                return refuse(includer, "the include cycle " + chain);
            if (!parents.count(at))
                break;
        }
        if (depth > static_cast<size_t>(Limits::kMaxIncludeDepth))
            return refuse(includer, "includes nest deeper than the limit of " +
                                        std::to_string(Limits::kMaxIncludeDepth) + " (" + chain + ")");
        std::error_code ec;
        if (!fs::is_regular_file(path, ec))
            return refuse(includer, "cannot include \"" + path.string() +
                                        "\": " + (fs::exists(path, ec) ? "not a regular file" : "no such file"));
        uintmax_t size = fs::file_size(path, ec);
        if (ec || size > Limits::kMaxShaderSourceBytes)
            return refuse(includer, "cannot include \"" + path.string() + "\": larger than the limit of " +
                                        std::to_string(Limits::kMaxShaderSourceBytes) + " bytes");
        totalBytes += size;
        if (totalBytes > Limits::kMaxPreprocessedBytes)
            return refuse(includer, "the included files hold more than the limit of " +
                                        std::to_string(Limits::kMaxPreprocessedBytes) + " bytes");
        std::ifstream file(path, std::ios::binary);
        std::stringstream buffer;
        buffer << file.rdbuf();
        std::string raw = buffer.str();
        if (raw.compare(0, 3, "\xEF\xBB\xBF") == 0) // a UTF-8 byte-order mark
            raw.erase(0, 3);
        std::string problem = checkSourceLimits(raw, codeOnly(raw), path.string());
        if (!problem.empty()) {
            error = problem;
            return nullptr;
        }
        parents[key] = canonical(includer);
        names[key] = path.string();
        auto* text = new std::string(rename ? renameForHlsl(raw) : raw);
        includes.push_back({path.string(), std::move(raw)});
        return new IncludeResult(path.string(), text->data(), text->size(), text);
    }

    void releaseInclude(IncludeResult* result) override
    {
        if (result) {
            delete static_cast<std::string*>(result->userData);
            delete result;
        }
    }

    std::string error;
    std::string unlocated; // error without its file name, when refused here
    std::vector<IncludedFile> includes;

private:
    static std::string canonical(const fs::path& path)
    {
        std::error_code ec;
        fs::path full = fs::weakly_canonical(path, ec);
        return ec ? path.lexically_normal().string() : full.string();
    }

    std::string displayName(const std::string& key)
    {
        auto found = names.find(key);
        return found == names.end() ? mainFile : found->second;
    }

    // Located later at the #include line that glslang reports.
    IncludeResult* refuse(const std::string& includer, const std::string& message)
    {
        error = includer + ": " + message + "\n";
        unlocated = message;
        return nullptr;
    }

    std::string mainFile;
    bool rename = true;
    std::map<std::string, std::string> parents; // canonical file -> canonical includer
    std::map<std::string, std::string> names;   // canonical file -> path as included
    uintmax_t totalBytes = 0;
};

// glslang's log lines ("ERROR: file.cg:4: 'x' : message") as "file.cg:4: 'x' : message".
std::string formatLog(const std::string& log, const std::string& fileName, const std::string& context)
{
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
        // "any/file.cgh:12: ..." already names its place
        size_t colon = line.find(':');
        size_t digitsEnd = colon == std::string::npos ? colon : line.find_first_not_of("0123456789", colon + 1);
        bool located = colon != std::string::npos && colon > 0 && digitsEnd != std::string::npos &&
                       digitsEnd > colon + 1 && line[digitsEnd] == ':';
        if (!located)
            line = fileName + ": " + context + ": " + line;
        out += line + "\n";
    }
    return out;
}

// glslang's log has the line of the #include that failed: "file:12: '#include' : ..."
std::string includeRefusal(const CgIncluder& includer, const char* infoLog, const std::string& fileName,
                           const std::string& context)
{
    std::string log = formatLog(infoLog, fileName, context);
    size_t mark = log.find(": '#include'");
    if (includer.unlocated.empty() || mark == std::string::npos)
        return includer.error;
    size_t lineStart = log.rfind('\n', mark);
    lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
    return log.substr(lineStart, mark - lineStart) + ": " + includer.unlocated + "\n";
}

const auto kMessages =
    static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl | EShMsgHlslDX9Compatible);

void initialiseGlslang()
{
    static bool initialised = glslang::InitializeProcess();
    (void)initialised;
}

} // namespace

HlslStage compileHlslStage(const HlslStageInput& input)
{
    initialiseGlslang();
    HlslStage out;
    std::string context = std::string(input.vertex ? "vertex" : "fragment") + " entry \"" + input.entry + "\"";
    EShLanguage stage = input.vertex ? EShLangVertex : EShLangFragment;
    glslang::TShader shader(stage);
    const char* strings[] = {input.preamble.c_str(), input.text.c_str()};
    const int lengths[] = {static_cast<int>(input.preamble.size()), static_cast<int>(input.text.size())};
    const char* names[] = {input.fileName.c_str(), input.fileName.c_str()};
    shader.setStringsWithLengthsAndNames(strings, lengths, names, 2);
    shader.setEntryPoint(input.entry.c_str());
    shader.setSourceEntryPoint(input.entry.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, stage, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1();
    shader.setAutoMapBindings(true);
    shader.setAutoMapLocations(true);
    auto messages =
        static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl | EShMsgHlslDX9Compatible);
    CgIncluder includer(input.fileName, true);
    bool parsed = shader.parse(GetDefaultResources(), 100, false, messages, includer);
    out.includes = std::move(includer.includes);
    if (!includer.error.empty()) {
        out.listing = includeRefusal(includer, shader.getInfoLog(), input.fileName, context);
        return out;
    }
    if (!parsed) {
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
    if (out.words.empty()) {
        out.listing = formatLog(logger.getAllMessages(), input.fileName, context);
        return out;
    }
    out.ok = true;
    return out;
}

Preprocessed preprocessCg(const std::string& text, const std::string& fileName, const std::string& defines)
{
    initialiseGlslang();
    Preprocessed out;
    glslang::TShader shader(EShLangVertex);
    const char* strings[] = {text.c_str()};
    const int lengths[] = {static_cast<int>(text.size())};
    const char* names[] = {fileName.c_str()};
    shader.setStringsWithLengthsAndNames(strings, lengths, names, 1);
    shader.setPreamble(defines.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, EShLangVertex, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    CgIncluder includer(fileName, false);
    bool ok = shader.preprocess(GetDefaultResources(), 100, ENoProfile, false, false, kMessages, &out.text, includer);
    out.includes = std::move(includer.includes);
    if (!includer.error.empty()) {
        out.listing = includeRefusal(includer, shader.getInfoLog(), fileName, "preprocessor");
        return out;
    }
    if (!ok) {
        out.listing = formatLog(shader.getInfoLog(), fileName, "preprocessor");
        return out;
    }
    if (out.text.size() > Limits::kMaxPreprocessedBytes) {
        out.listing = fileName + ":1: the preprocessed shader has " + std::to_string(out.text.size()) +
                      " bytes, more than the limit of " + std::to_string(Limits::kMaxPreprocessedBytes) + "\n";
        return out;
    }
    out.ok = true;
    return out;
}

void warmUpHlslFrontEnd()
{
    static bool warm = false;
    if (warm)
        return;
    warm = true;
    const std::string preamble = "#line 1\n";
    const std::string text = "float4 v(float4 p : POSITION) : POSITION { return p; }\n"
                             "float4 f() : COLOR { return 1; }\n";
    const std::string name = "<warm-up>", vertexEntry = "v", pixelEntry = "f";
    compileHlslStage({preamble, text, name, vertexEntry, true});
    compileHlslStage({preamble, text, name, pixelEntry, false});
}

} // namespace Frontend::Cg
