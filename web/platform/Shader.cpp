// Cg shaders on WebGL 2; see frontend/Shader.h.
//
// The browser runs neither glslang nor SPIRV-Cross: `make web` compiled every
// shader through the desktop's path with the GLSL ES target into shaders/
// (vantrel-shaderc --gles), and a CompleteShader here loads NAME.cg.vert,
// NAME.cg.frag and the parameter table NAME.cg.params of the file it is
// named after, then links the two stages in WebGL. Parameters are set by
// their Cg names through the table, as on the desktop. WebGL has no
// glProgramUniform: a value for a program that is not bound is set with
// that program bound for the moment, so values still stay with their program.
#include "frontend/Shader.h"

#include <GLES3/gl3.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "frontend/cg/CgResult.h"
#include "frontend/cg/GlesTable.h"
#include "frontend/cg/SourceText.h"
#include "frontend/Error.h"
#include "frontend/Platform.h"
#include "frontend/State.h"
#include "frontend/Texture.h"

namespace Frontend {

const char* const kDefaultShaderSource = "float4x4 StateComplete;\n"
                                         "\n"
                                         "float4 vsMain(float4 position : POSITION) : POSITION\n"
                                         "{\n"
                                         "    return mul(StateComplete, position);\n"
                                         "}\n"
                                         "\n"
                                         "float4 psMain() : COLOR\n"
                                         "{\n"
                                         "    return float4(1, 1, 1, 1);\n"
                                         "}\n";

namespace {

const char* const kCompileErrorText = "CG ERROR : The compile returned an error.";
// Where the site's data package puts what vantrel-shaderc --gles wrote, and
// the name it gave the context's built-in default shader.
const char* const kProgramFolder = "shaders/";
const char* const kDefaultShaderName = "<default shader>";
const char* const kDefaultShaderFile = "vantrel_default.cg";

CgContext* currentCgContext = nullptr;
GLuint boundProgram = 0;

const char* const kStateMatrixNames[6] = {"StateWorld",     "StateView",           "StateProjection",
                                          "StateWorldView", "StateViewProjection", "StateComplete"};

bool isSampler(CgParameterType type)
{
    return type == CgParameterType::Sampler2D || type == CgParameterType::SamplerCube ||
           type == CgParameterType::Sampler3D || type == CgParameterType::Sampler1D;
}

GLenum samplerTarget(CgParameterType type)
{
    switch (type) {
    case CgParameterType::SamplerCube: return GL_TEXTURE_CUBE_MAP;
    case CgParameterType::Sampler3D: return GL_TEXTURE_3D;
    default: return GL_TEXTURE_2D; // GLSL ES has no 1D samplers; the export refuses them
    }
}

bool readText(const std::string& path, std::string& text)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::stringstream buffer;
    buffer << file.rdbuf();
    text = buffer.str();
    return true;
}

// The precompiled program of a shader file: its stages and parameter table.
bool loadPrecompiled(const std::string& fileName, CgCompileResult& compiled, std::string& listing)
{
    const std::string name =
        fileName == kDefaultShaderName ? kDefaultShaderFile : std::filesystem::path(fileName).filename().string();
    const std::string base = kProgramFolder + name;
    std::string table;
    for (const auto& [suffix, text] : {std::pair{".vert", &compiled.vertexGlsl},
                                       std::pair{".frag", &compiled.fragmentGlsl}, std::pair{".params", &table}})
        if (!readText(base + suffix, *text)) {
            listing = fileName + ": no precompiled GLSL ES program " + base + suffix +
                      " in the site (make web writes one for every shader file)";
            return false;
        }
    return Cg::readGlesTable(table, base + ".params", compiled, listing);
}

// The info log of a shader or program object.
template <typename Query, typename Read>
std::string infoLog(GLuint object, Query query, Read read)
{
    GLint length = 0;
    query(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        read(object, length, nullptr, log.data());
    return log.c_str();
}

GLuint compileStage(GLenum stage, const std::string& text, std::string& log)
{
    GLuint shader = glCreateShader(stage);
    const char* source = text.c_str();
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        log = infoLog(shader, glGetShaderiv, glGetShaderInfoLog);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

// Binds `program` while the scope lasts, and the bound one again after.
class ProgramScope {
public:
    explicit ProgramScope(GLuint program) : previous(boundProgram), switched(program != boundProgram)
    {
        if (switched)
            glUseProgram(program);
    }
    ~ProgramScope()
    {
        if (switched)
            glUseProgram(previous);
    }
    ProgramScope(const ProgramScope&) = delete;
    ProgramScope& operator=(const ProgramScope&) = delete;

private:
    GLuint previous;
    bool switched;
};

} // namespace

class ShaderProgramImpl {
public:
    GLuint shader = 0;
    std::string glsl;
};

ShaderSource::ShaderSource(FrontendExt::File file) : filePath(file.path())
{
    std::vector<unsigned char> bytes = file.readAll();
    source.assign(bytes.begin(), bytes.end());
}

std::string ShaderSource::problem() const
{
    return Cg::checkSourceLimits(source, Cg::codeOnly(source), filePath);
}

CgContext::CgContext()
{
    currentCgContext = this;
}

CgContext::~CgContext()
{
    if (currentCgContext == this)
        currentCgContext = nullptr;
}

void CgContext::makeCurrent()
{
    currentCgContext = this;
}

CgContext* CgContext::current()
{
    return currentCgContext;
}

struct CompleteShader::Impl {
    struct Parameter {
        std::string cgName;
        GLint location = -1;
        CgParameterType type = CgParameterType::Other;
        bool vertex = false;
        bool fragment = false;
        GLenum target = 0;
        GLint unit = -1;
        float value[4] = {0, 0, 0, 0};
        float initial[4] = {0, 0, 0, 0};
    };

    GLuint program = 0;
    std::vector<Parameter> parameters;
    int stateMatrix[6] = {-1, -1, -1, -1, -1, -1};

    Parameter* find(std::string_view name, bool fragmentSampler)
    {
        for (Parameter& p : parameters)
            if (p.cgName == name && isSampler(p.type) == fragmentSampler && (!fragmentSampler || p.fragment))
                return &p;
        return nullptr;
    }

    void upload(const Parameter& p) const
    {
        if (p.location < 0 || p.type > CgParameterType::Int || p.type == CgParameterType::Matrix4 ||
            p.type == CgParameterType::Matrix3)
            return;
        ProgramScope scope(program);
        const float* v = p.value;
        switch (p.type) {
        case CgParameterType::Float: glUniform1f(p.location, v[0]); break;
        case CgParameterType::Float2: glUniform2f(p.location, v[0], v[1]); break;
        case CgParameterType::Float3: glUniform3f(p.location, v[0], v[1], v[2]); break;
        case CgParameterType::Float4: glUniform4f(p.location, v[0], v[1], v[2], v[3]); break;
        case CgParameterType::Int: glUniform1i(p.location, static_cast<GLint>(v[0])); break;
        default: break;
        }
    }
};

CompleteShader::CompleteShader() : impl(std::make_unique<Impl>())
{
}

CompleteShader::CompleteShader(const char* source, const std::string& vertexEntry, const std::string& pixelEntry,
                               const std::string& fileName)
    : impl(std::make_unique<Impl>())
{
    std::string listing;
    if (!build(source, vertexEntry, pixelEntry, fileName, listing, nullptr)) {
        if (CgContext* cg = CgContext::current())
            cg->setLastListing(listing);
        CGerror(kCompileErrorText, listing);
    }
}

CompleteShader::~CompleteShader()
{
    if (!glContextIsCurrent())
        return;
    if (impl && impl->program) {
        if (boundProgram == impl->program)
            boundProgram = 0;
        glDeleteProgram(impl->program);
    }
    for (const auto& stage : {vertex.program, pixel.program})
        if (stage && stage->shader)
            glDeleteShader(stage->shader);
}

std::unique_ptr<CompleteShader> CompleteShader::tryCreate(const char* source, const std::string& vertexEntry,
                                                          const std::string& pixelEntry, const std::string& fileName,
                                                          std::string& listing, CgCompileResult* details)
{
    std::unique_ptr<CompleteShader> shader(new CompleteShader());
    if (!shader->build(source, vertexEntry, pixelEntry, fileName, listing, details))
        return nullptr;
    return shader;
}

bool CompleteShader::build(const char*, const std::string& vertexEntry, const std::string& pixelEntry,
                           const std::string& fileName, std::string& listing, CgCompileResult* details)
{
    CgCompileResult compiled;
    if (!loadPrecompiled(fileName, compiled, listing))
        return false;
    compiled.ok = true;
    auto start = std::chrono::steady_clock::now();
    vertex.program = std::make_shared<ShaderProgramImpl>();
    pixel.program = std::make_shared<ShaderProgramImpl>();
    vertex.program->glsl = compiled.vertexGlsl;
    pixel.program->glsl = compiled.fragmentGlsl;
    std::string log;
    vertex.program->shader = compileStage(GL_VERTEX_SHADER, compiled.vertexGlsl, log);
    if (!vertex.program->shader) {
        listing = fileName + ": vertex entry \"" + vertexEntry + "\": the browser rejected the generated shader:\n" + log;
        return false;
    }
    pixel.program->shader = compileStage(GL_FRAGMENT_SHADER, compiled.fragmentGlsl, log);
    if (!pixel.program->shader) {
        listing = fileName + ": fragment entry \"" + pixelEntry + "\": the browser rejected the generated shader:\n" + log;
        return false;
    }
    GLuint program = glCreateProgram();
    impl->program = program;
    glAttachShader(program, vertex.program->shader);
    glAttachShader(program, pixel.program->shader);
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        listing = fileName + ": the vertex and fragment programs do not link:\n" +
                  infoLog(program, glGetProgramiv, glGetProgramInfoLog);
        return false;
    }

    GLint maxUnits = 16;
    glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &maxUnits);
    GLint nextFragmentUnit = 0;
    GLint nextVertexUnit = maxUnits - 1;
    ProgramScope scope(program);
    for (const CgParameter& p : compiled.parameters) {
        Impl::Parameter param;
        param.cgName = p.cgName;
        param.type = p.type;
        param.vertex = p.vertex;
        param.fragment = p.fragment;
        param.location = glGetUniformLocation(program, p.glslName.c_str());
        if (isSampler(p.type)) {
            param.target = samplerTarget(p.type);
            param.unit = p.fragment ? nextFragmentUnit++ : nextVertexUnit--;
            if (param.location >= 0)
                glUniform1i(param.location, param.unit);
        }
        impl->parameters.push_back(std::move(param));
    }
    for (int i = 0; i < 6; ++i)
        for (size_t j = 0; j < impl->parameters.size(); ++j)
            if (impl->parameters[j].cgName == kStateMatrixNames[i] &&
                impl->parameters[j].type == CgParameterType::Matrix4)
                impl->stateMatrix[i] = static_cast<int>(j);
    for (const CgDefault& initial : compiled.defaults) {
        if (Impl::Parameter* param = impl->find(initial.name, false)) {
            std::copy(initial.value, initial.value + 4, param->value);
            std::copy(initial.value, initial.value + 4, param->initial);
            impl->upload(*param);
        }
    }
    if (details) {
        *details = compiled;
        details->times.glLinkMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }
    return true;
}

void CompleteShader::bind()
{
    boundProgram = impl->program;
    glUseProgram(impl->program);
}

void CompleteShader::setTexture(std::string_view name, const Texture* texture)
{
    Impl::Parameter* p = impl->find(name, true);
    if (!p || p->location < 0)
        return;
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(p->unit));
    glBindTexture(p->target, texture ? texture->id() : 0);
    glActiveTexture(GL_TEXTURE0);
}

void CompleteShader::disableTexture(std::string_view name)
{
    setTexture(name, nullptr);
}

void CompleteShader::setFloat(std::string_view name, float value)
{
    if (Impl::Parameter* p = impl->find(name, false)) {
        p->value[0] = value;
        impl->upload(*p);
    }
}

void CompleteShader::setFloat4(std::string_view name, float x, float y, float z, float w)
{
    if (Impl::Parameter* p = impl->find(name, false)) {
        p->value[0] = x;
        p->value[1] = y;
        p->value[2] = z;
        p->value[3] = w;
        impl->upload(*p);
    }
}

void CompleteShader::setStateMatrices(const StateMatrices& m)
{
    const float* values[6] = {m.world, m.view, m.projection, m.worldView, m.viewProjection, m.complete};
    ProgramScope scope(impl->program);
    for (int i = 0; i < 6; ++i) {
        int index = impl->stateMatrix[i];
        if (index < 0 || impl->parameters[static_cast<size_t>(index)].location < 0)
            continue;
        // Column-major with transpose (WebGL 2 takes it): the shader's mul(M, v) equals OpenGL's M * v.
        glUniformMatrix4fv(impl->parameters[static_cast<size_t>(index)].location, 1, GL_TRUE, values[i]);
    }
}

void CompleteShader::adopt(CompleteShader& fresh)
{
    for (Impl::Parameter& p : fresh.impl->parameters) {
        if (isSampler(p.type))
            continue;
        for (const Impl::Parameter& old : impl->parameters) {
            if (old.cgName == p.cgName && old.type == p.type && !std::equal(old.value, old.value + 4, old.initial)) {
                std::copy(old.value, old.value + 4, p.value);
                fresh.impl->upload(p);
            }
        }
    }
    std::swap(impl, fresh.impl);
    std::swap(vertex, fresh.vertex);
    std::swap(pixel, fresh.pixel);
}

bool CompleteShader::hasParameter(std::string_view name) const
{
    for (const Impl::Parameter& p : impl->parameters)
        if (p.cgName == name)
            return true;
    return false;
}

unsigned CompleteShader::glProgram() const
{
    return impl->program;
}

} // namespace Frontend
