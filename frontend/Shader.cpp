// Cg shaders as linked GL programs; see Shader.h.
//
// compileCgShader (cg/CgCompiler.h) produces GLSL for both entries; the
// link (cg/GlProgram.h) and the parameter table are ShaderTable.cpp's. Values
// go in with glProgramUniform*, so they land in the right program whichever
// one is bound, and stay with it.
#include "frontend/Shader.h"

#include <epoxy/gl.h>

#include "frontend/cg/CgCompiler.h"
#include "frontend/Platform.h"
#include "frontend/State.h"
#include "frontend/Texture.h"

namespace Frontend {

unsigned samplerTarget(CgParameterType type)
{
    switch (type) {
    case CgParameterType::SamplerCube: return GL_TEXTURE_CUBE_MAP;
    case CgParameterType::Sampler3D: return GL_TEXTURE_3D;
    case CgParameterType::Sampler1D: return GL_TEXTURE_1D;
    default: return GL_TEXTURE_2D;
    }
}

int uniformLocation(unsigned program, const std::string& glslName)
{
    return glGetUniformLocation(program, glslName.c_str());
}

void setSamplerUnit(unsigned program, int location, int unit)
{
    glProgramUniform1i(program, location, unit);
}

int combinedTextureUnits()
{
    GLint maxUnits = 16;
    glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &maxUnits);
    return maxUnits;
}

void CompleteShader::Impl::upload(const Parameter& p) const
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
    double linkMs = 0;
    if (!link(compiled, fileName, vertexEntry, pixelEntry, listing, linkMs))
        return false;
    if (details)
        details->times.glLinkMs = linkMs;
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

} // namespace Frontend
