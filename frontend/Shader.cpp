// Cg shaders as linked GL programs; see Shader.h.
//
// compileCgShader (cg/CgCompiler.h) produces GLSL for both entries,
// cg/GlProgram.h links them; this file keeps one small parameter table per complete shader. Lookups
// compare string_views against that table, so the per-frame set* calls neither
// allocate nor query GL. Values go in with glProgramUniform*, so they land in
// the right program whichever one is bound, and stay with it.
#include "frontend/Shader.h"

#include <algorithm>
#include <chrono>
#include <vector>
#include <epoxy/gl.h>

#include "frontend/cg/CgCompiler.h"
#include "frontend/cg/GlProgram.h"
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

CgContext* currentCgContext = nullptr;

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
    case CgParameterType::Sampler1D: return GL_TEXTURE_1D;
    default: return GL_TEXTURE_2D;
    }
}

} // namespace

// One stage of a complete shader: its GL shader object and generated GLSL.
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
        GLenum target = 0; // samplers
        GLint unit = -1;   // samplers
        float value[4] = {0, 0, 0, 0};
        float initial[4] = {0, 0, 0, 0}; // the value after the build, to tell set values apart
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
        if (p.location < 0)
            return;
        const float* v = p.value;
        switch (p.type) {
        case CgParameterType::Float: glProgramUniform1f(program, p.location, v[0]); break;
        case CgParameterType::Float2: glProgramUniform2f(program, p.location, v[0], v[1]); break;
        case CgParameterType::Float3: glProgramUniform3f(program, p.location, v[0], v[1], v[2]); break;
        case CgParameterType::Float4: glProgramUniform4f(program, p.location, v[0], v[1], v[2], v[3]); break;
        case CgParameterType::Int: glProgramUniform1i(program, p.location, static_cast<GLint>(v[0])); break;
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
    if (impl && impl->program)
        glDeleteProgram(impl->program);
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

bool CompleteShader::build(const char* source, const std::string& vertexEntry, const std::string& pixelEntry,
                           const std::string& fileName, std::string& listing, CgCompileResult* details)
{
    CgCompileResult compiled = compileCgShader({source, vertexEntry, pixelEntry, fileName});
    if (details)
        *details = compiled;
    if (!compiled.ok) {
        listing = compiled.listing;
        return false;
    }
    auto start = std::chrono::steady_clock::now();
    vertex.program = std::make_shared<ShaderProgramImpl>();
    pixel.program = std::make_shared<ShaderProgramImpl>();
    vertex.program->glsl = compiled.vertexGlsl;
    pixel.program->glsl = compiled.fragmentGlsl;
    Cg::GlProgram gl = Cg::buildGlProgram(compiled, fileName, vertexEntry, pixelEntry);
    vertex.program->shader = gl.vertexShader;
    pixel.program->shader = gl.fragmentShader;
    impl->program = gl.program;
    if (!gl.ok) {
        listing = gl.listing;
        return false;
    }
    GLuint program = gl.program;

    GLint maxUnits = 16;
    glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &maxUnits);
    GLint nextFragmentUnit = 0;
    GLint nextVertexUnit = maxUnits - 1; // never bound by setTexture: samples as an unbound unit
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
                glProgramUniform1i(program, param.location, param.unit);
        }
        impl->parameters.push_back(std::move(param));
    }
    for (int i = 0; i < 6; ++i)
        for (size_t j = 0; j < impl->parameters.size(); ++j)
            if (impl->parameters[j].cgName == kStateMatrixNames[i] &&
                impl->parameters[j].type == CgParameterType::Matrix4)
                impl->stateMatrix[i] = static_cast<int>(j);
    // Cg starts a parameter at its initialiser; the toolchain dropped those.
    for (const CgDefault& initial : compiled.defaults) {
        if (Impl::Parameter* param = impl->find(initial.name, false)) {
            std::copy(initial.value, initial.value + 4, param->value);
            std::copy(initial.value, initial.value + 4, param->initial);
            impl->upload(*param);
        }
    }
    if (details)
        details->times.glLinkMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return true;
}

void CompleteShader::bind()
{
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
    Impl::Parameter* p = impl->find(name, true);
    if (!p || p->location < 0)
        return;
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(p->unit));
    glBindTexture(p->target, 0);
    glActiveTexture(GL_TEXTURE0);
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
    for (int i = 0; i < 6; ++i) {
        int index = impl->stateMatrix[i];
        if (index >= 0 && impl->parameters[static_cast<size_t>(index)].location >= 0)
            // Column-major with transpose: the shader's mul(M, v) equals OpenGL's M * v.
            glProgramUniformMatrix4fv(impl->program, impl->parameters[static_cast<size_t>(index)].location, 1, GL_TRUE,
                                      values[i]);
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
