// What a CompleteShader is apart from its platform: its source, the compiler
// context, the link of the generated stages (cg/GlProgram.h, alike on desktop
// GL and WebGL 2), the parameter table and the values set by name; the table
// is declared at the end of Shader.h.
#include "frontend/Shader.h"
#include "frontend/cg/GlProgram.h"

#include <algorithm>
#include <chrono>

#include "frontend/Error.h"
#include "frontend/cg/SourceText.h"

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

} // namespace

bool isSampler(CgParameterType type)
{
    return type == CgParameterType::Sampler2D || type == CgParameterType::SamplerCube ||
           type == CgParameterType::Sampler3D || type == CgParameterType::Sampler1D;
}

bool CompleteShader::link(const CgCompileResult& compiled, const std::string& fileName, const std::string& vertexEntry,
                          const std::string& pixelEntry, std::string& listing, double& linkMs)
{
    auto start = std::chrono::steady_clock::now();
    Cg::GlProgram gl = Cg::buildGlProgram(compiled, fileName, vertexEntry, pixelEntry);
    // The stages are kept also when the link failed: the destructor frees their GL names.
    vertex.program = std::make_shared<ShaderProgramImpl>();
    pixel.program = std::make_shared<ShaderProgramImpl>();
    vertex.program->glsl = compiled.vertexGlsl;
    pixel.program->glsl = compiled.fragmentGlsl;
    vertex.program->shader = gl.vertexShader;
    pixel.program->shader = gl.fragmentShader;
    impl->program = gl.program;
    if (!gl.ok) {
        listing = gl.listing;
        return false;
    }
    impl->fill(compiled);
    linkMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return true;
}

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

CompleteShader::Impl::Parameter* CompleteShader::Impl::find(std::string_view name, bool fragmentSampler)
{
    for (Parameter& p : parameters)
        if (p.cgName == name && isSampler(p.type) == fragmentSampler && (!fragmentSampler || p.fragment))
            return &p;
    return nullptr;
}

void CompleteShader::Impl::fill(const CgCompileResult& compiled)
{
    int nextFragmentUnit = 0;
    int nextVertexUnit = combinedTextureUnits() - 1; // never bound by setTexture: samples as an unbound unit
    for (const CgParameter& p : compiled.parameters) {
        Parameter param;
        param.cgName = p.cgName;
        param.type = p.type;
        param.vertex = p.vertex;
        param.fragment = p.fragment;
        param.location = uniformLocation(program, p.glslName);
        if (isSampler(p.type)) {
            param.target = samplerTarget(p.type);
            param.unit = p.fragment ? nextFragmentUnit++ : nextVertexUnit--;
            if (param.location >= 0)
                setSamplerUnit(program, param.location, param.unit);
        }
        parameters.push_back(std::move(param));
    }
    for (int i = 0; i < 6; ++i)
        for (size_t j = 0; j < parameters.size(); ++j)
            if (parameters[j].cgName == kStateMatrixNames[i] && parameters[j].type == CgParameterType::Matrix4)
                stateMatrix[i] = static_cast<int>(j);
    // Cg starts a parameter at its initialiser; the toolchain dropped those.
    for (const CgDefault& initial : compiled.defaults) {
        if (Parameter* param = find(initial.name, false)) {
            std::copy(initial.value, initial.value + 4, param->value);
            std::copy(initial.value, initial.value + 4, param->initial);
            upload(*param);
        }
    }
}

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

std::unique_ptr<CompleteShader> CompleteShader::tryCreate(const char* source, const std::string& vertexEntry,
                                                          const std::string& pixelEntry, const std::string& fileName,
                                                          std::string& listing, CgCompileResult* details)
{
    std::unique_ptr<CompleteShader> shader(new CompleteShader());
    if (!shader->build(source, vertexEntry, pixelEntry, fileName, listing, details))
        return nullptr;
    return shader;
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
