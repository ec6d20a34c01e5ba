// Drives a Cg source through stages 1 to 4; see CgCompiler.h.
#include "frontend/cg/CgCompiler.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "frontend/cg/GlslGeneration.h"
#include "frontend/cg/HlslFrontEnd.h"
#include "frontend/cg/Isolation.h"
#include "frontend/cg/SourceRewrite.h"
#include "frontend/cg/SourceText.h"
#include "frontend/cg/SpirvInterface.h"

namespace Frontend {

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Stage 2 to 4 for one entry; false with the listing filled on failure.
bool compileStage(const CgCompileInput& input, const Cg::StageSource& source, bool vertex, CgCompileResult& result)
{
    const std::string& entry = vertex ? input.vertexEntry : input.pixelEntry;
    std::string context = input.fileName + ": " + (vertex ? "vertex" : "fragment") + " entry \"" + entry + "\": ";
    Clock::time_point start = Clock::now();
    Cg::HlslStage spirv = Cg::compileHlslStage({source.preamble, source.text, input.fileName, entry, vertex});
    result.times.glslangMs += millisecondsSince(start);
    if (!spirv.ok) {
        result.listing += spirv.listing.empty() ? context + "compilation failed\n" : spirv.listing;
        return false;
    }
    start = Clock::now();
    Spirv::InterfaceRewrite rewrite = Spirv::rewriteInterface(spirv.words, vertex);
    result.times.rewriteMs += millisecondsSince(start);
    if (!rewrite.ok) {
        result.listing += context + rewrite.error + "\n";
        return false;
    }
    start = Clock::now();
    std::string error = Cg::generateGlsl(std::move(spirv.words), rewrite, vertex, input.gles, result);
    result.times.crossMs += millisecondsSince(start);
    if (!error.empty()) {
        result.listing += context + error + "\n";
        return false;
    }
    return true;
}

// Runtimes that read "#pragma parameter" lines define this while such a shader compiles.
const char* const kPragmaParameter = "#pragma parameter";

// Pragma lines of the preprocessed text are the preprocessor's token soup;
// they were read from the files themselves, so the parser never sees them.
void blankPragmaParameters(std::string& text)
{
    for (size_t at = text.find(kPragmaParameter); at != std::string::npos; at = text.find(kPragmaParameter, at)) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        if (at == 0 || text[at - 1] == '\n')
            text.replace(at, end - at, "");
        else
            at = end;
    }
}

// The declarations are checked and rewritten after glslang's own preprocessor,
// so entry signatures and uniforms built by macros read as the parser reads them.
CgCompileResult compileHere(const CgCompileInput& input)
{
    CgCompileResult result;
    std::string original = input.source ? input.source : "";
    Clock::time_point start = Clock::now();
    bool pragmas = original.find(kPragmaParameter) != std::string::npos;
    Cg::Preprocessed pre = Cg::preprocessCg(original, input.fileName, pragmas ? "#define PARAMETER_UNIFORM 1\n" : "");
    if (pre.ok && !pragmas)
        for (const Cg::IncludedFile& file : pre.includes)
            pragmas = pragmas || file.text.find(kPragmaParameter) != std::string::npos;
    if (pre.ok && pragmas && pre.includes.size() && original.find(kPragmaParameter) == std::string::npos)
        pre = Cg::preprocessCg(original, input.fileName, "#define PARAMETER_UNIFORM 1\n");
    result.times.glslangMs += millisecondsSince(start);
    if (!pre.ok) {
        result.listing = pre.listing;
        return result;
    }
    for (const Cg::IncludedFile& file : pre.includes)
        for (const CgDefault& d : findParameterDefaults(file.text))
            result.defaults.push_back(d);
    if (pragmas) {
        result.pragmaParameters = findPragmaParameters(original);
        for (const Cg::IncludedFile& file : pre.includes)
            for (CgPragmaParameter& p : findPragmaParameters(file.text))
                result.pragmaParameters.push_back(std::move(p));
    }
    blankPragmaParameters(pre.text);
    std::string_view text = pre.text;
    std::string code = Cg::codeOnly(text);
    result.listing = Cg::checkBracketPairs(text, code, input.fileName);
    if (result.listing.empty())
        result.listing = Cg::checkExpressionDepth(text, code, input.fileName);
    if (!result.listing.empty())
        return result;
    for (bool vertex : {true, false}) {
        Cg::StageSource source =
            Cg::rewriteForStage(text, input.fileName, vertex ? input.vertexEntry : input.pixelEntry);
        if (!source.ok) {
            result.listing = source.listing;
            return result;
        }
        if (!compileStage(input, source, vertex, result))
            return result;
    }
    result.ok = true;
    return result;
}

// The result as bytes for the trip from the compiler process.
class Writer {
public:
    void number(double v) { bytes.append(reinterpret_cast<const char*>(&v), sizeof v); }
    void text(const std::string& s)
    {
        number(static_cast<double>(s.size()));
        bytes += s;
    }
    std::string bytes;
};

class Reader {
public:
    explicit Reader(const std::string& data) : bytes(data) {}
    double number()
    {
        double v = 0;
        if (at + sizeof v > bytes.size()) {
            good = false;
            return 0;
        }
        std::memcpy(&v, bytes.data() + at, sizeof v);
        at += sizeof v;
        return v;
    }
    std::string text()
    {
        double size = number();
        if (!good || size < 0 || size > static_cast<double>(bytes.size() - at)) {
            good = false;
            return "";
        }
        std::string s = bytes.substr(at, static_cast<size_t>(size));
        at += static_cast<size_t>(size);
        return s;
    }
    size_t count()
    {
        double n = number();
        if (n < 0 || n > static_cast<double>(bytes.size())) {
            good = false;
            return 0;
        }
        return static_cast<size_t>(n);
    }
    bool good = true;

private:
    const std::string& bytes;
    size_t at = 0;
};

std::string serialise(const CgCompileResult& r)
{
    Writer w;
    w.number(r.ok);
    w.text(r.listing);
    w.text(r.vertexGlsl);
    w.text(r.fragmentGlsl);
    w.number(static_cast<double>(r.parameters.size()));
    for (const CgParameter& p : r.parameters) {
        w.text(p.cgName);
        w.text(p.glslName);
        w.number(static_cast<int>(p.type));
        w.number(p.vertex);
        w.number(p.fragment);
    }
    w.number(static_cast<double>(r.attributes.size()));
    for (const CgAttribute& a : r.attributes) {
        w.text(a.semantic);
        w.text(a.glslName);
        w.number(a.location);
    }
    w.number(static_cast<double>(r.defaults.size()));
    for (const CgDefault& d : r.defaults) {
        w.text(d.name);
        w.number(d.count);
        for (float v : d.value)
            w.number(v);
    }
    w.number(static_cast<double>(r.pragmaParameters.size()));
    for (const CgPragmaParameter& p : r.pragmaParameters) {
        w.text(p.name);
        w.text(p.label);
        for (float v : {p.initial, p.minimum, p.maximum, p.step})
            w.number(v);
    }
    for (double t : {r.times.glslangMs, r.times.rewriteMs, r.times.crossMs})
        w.number(t);
    return std::move(w.bytes);
}

bool deserialise(const std::string& bytes, CgCompileResult& r)
{
    Reader in(bytes);
    r.ok = in.number() != 0;
    r.listing = in.text();
    r.vertexGlsl = in.text();
    r.fragmentGlsl = in.text();
    r.parameters.resize(in.count());
    for (CgParameter& p : r.parameters) {
        p.cgName = in.text();
        p.glslName = in.text();
        p.type = static_cast<CgParameterType>(static_cast<int>(in.number()));
        p.vertex = in.number() != 0;
        p.fragment = in.number() != 0;
    }
    r.attributes.resize(in.count());
    for (CgAttribute& a : r.attributes) {
        a.semantic = in.text();
        a.glslName = in.text();
        a.location = static_cast<int>(in.number());
    }
    r.defaults.resize(in.count());
    for (CgDefault& d : r.defaults) {
        d.name = in.text();
        d.count = static_cast<int>(in.number());
        for (float& v : d.value)
            v = static_cast<float>(in.number());
    }
    r.pragmaParameters.resize(in.count());
    for (CgPragmaParameter& p : r.pragmaParameters) {
        p.name = in.text();
        p.label = in.text();
        for (float* v : {&p.initial, &p.minimum, &p.maximum, &p.step})
            *v = static_cast<float>(in.number());
    }
    r.times.glslangMs = in.number();
    r.times.rewriteMs = in.number();
    r.times.crossMs = in.number();
    return in.good;
}

// Runs in the compiler process: a request is the input's four texts.
std::string compileRequest(const std::string& request)
{
    Reader in(request);
    std::string source = in.text();
    CgCompileInput input;
    input.source = source.c_str();
    input.vertexEntry = in.text();
    input.pixelEntry = in.text();
    input.fileName = in.text();
    input.gles = in.number() != 0;
    if (!in.good) {
        CgCompileResult damaged;
        damaged.listing = "the compiler's request is damaged\n";
        return serialise(damaged);
    }
    return serialise(compileHere(input));
}

// A pragma parameter starts at its default, as the runtimes that read them set it.
CgCompileResult withPragmaDefaults(CgCompileResult r)
{
    for (const CgPragmaParameter& p : r.pragmaParameters)
        r.defaults.push_back({p.name, 1, {p.initial, 0, 0, 0}});
    return r;
}

} // namespace

CgCompileResult compileCgShader(const CgCompileInput& input)
{
    std::string_view text = input.source ? input.source : "";
    CgCompileResult result;
    if (text.empty()) {
        result.listing = input.fileName + ":1: the shader is empty (0 bytes)\n";
        return result;
    }
    // Editors that write a UTF-8 byte-order mark: three bytes, no line of their own.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        CgCompileInput rest = input;
        rest.source = input.source + 3;
        return compileCgShader(rest);
    }
    std::string problem = Cg::checkSourceLimits(text, Cg::codeOnly(text), input.fileName);
    if (!problem.empty()) {
        result.listing = problem;
        return result;
    }
    result.defaults = findParameterDefaults(text);
    if (!input.isolated) {
        CgCompileResult here = compileHere(input);
        here.defaults.insert(here.defaults.begin(), result.defaults.begin(), result.defaults.end());
        return withPragmaDefaults(std::move(here));
    }
    Cg::warmUpHlslFrontEnd();
    Clock::time_point start = Clock::now();
    Writer request;
    for (const std::string& part : {std::string(text), input.vertexEntry, input.pixelEntry, input.fileName})
        request.text(part);
    request.number(input.gles);
    Cg::IsolatedRun run = Cg::runIsolated(compileRequest, request.bytes);
    double total = millisecondsSince(start);
    CgCompileResult child;
    if (!run.ok || !deserialise(run.bytes, child)) {
        result.listing = input.fileName + ": " + (run.ok ? "the compiler's answer is damaged" : run.failure) + "\n";
        return result;
    }
    child.defaults.insert(child.defaults.begin(), result.defaults.begin(), result.defaults.end());
    child.times.isolationMs = total - child.times.glslangMs - child.times.rewriteMs - child.times.crossMs;
    return withPragmaDefaults(std::move(child));
}

} // namespace Frontend
