// SPIR-V to GLSL with SPIRV-Cross; see GlslGeneration.h.
#include "frontend/cg/GlslGeneration.h"

#include <spirv_cross/spirv_glsl.hpp>

#include "frontend/cg/SourceRewrite.h"
#include "frontend/cg/SourceText.h"

namespace Frontend::Cg {

namespace {

CgParameterType parameterType(const spirv_cross::SPIRType& type)
{
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

void addParameter(CgCompileResult& result, const std::string& cgName, const std::string& glslName, CgParameterType type,
                  bool vertex)
{
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

// A uniform array is set element by element, by the names "offsets[2]".
void addUniform(CgCompileResult& result, spirv_cross::CompilerGLSL& glsl, uint32_t id, const std::string& cgName,
                bool vertex)
{
    const spirv_cross::SPIRType& type = glsl.get_type_from_variable(id);
    std::string glslName = glsl.get_name(id);
    if (type.array.size() != 1 || !type.array_size_literal[0]) {
        addParameter(result, cgName, glslName, type.array.empty() ? parameterType(type) : CgParameterType::Other,
                     vertex);
        return;
    }
    spirv_cross::SPIRType element = type;
    element.array.clear();
    element.array_size_literal.clear();
    for (uint32_t i = 0; i < type.array[0]; ++i) {
        std::string index = "[" + std::to_string(i) + "]";
        addParameter(result, cgName + index, glslName + index, parameterType(element), vertex);
    }
}

bool isOneOf(const std::string& value, std::initializer_list<const char*> list)
{
    for (const char* item : list)
        if (value == item)
            return true;
    return false;
}

// Names, built-ins and locations of the stage's inputs and outputs. Returns an error text or "".
// GL interpolates only floats: integer varyings (bools among them, see
// SpirvInterface) are flat in both stages.
void flatIfInteger(spirv_cross::CompilerGLSL& glsl, uint32_t id)
{
    spirv_cross::SPIRType::BaseType base = glsl.get_type_from_variable(id).basetype;
    if (base == spirv_cross::SPIRType::Int || base == spirv_cross::SPIRType::UInt)
        glsl.set_decoration(id, spv::DecorationFlat);
}

std::string mapStageVariables(spirv_cross::CompilerGLSL& glsl, const Spirv::InterfaceRewrite& rewrite, bool vertex,
                              CgCompileResult& result)
{
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
            flatIfInteger(glsl, var.id);
        } else {
            glsl.unset_decoration(var.id, spv::DecorationLocation);
            if (isOneOf(sem, {"POSITION0", "SV_POSITION0", "VPOS0", "WPOS0"}))
                glsl.set_decoration(var.id, spv::DecorationBuiltIn, spv::BuiltInFragCoord);
            else if (sem == "VFACE0")
                glsl.set_decoration(var.id, spv::DecorationBuiltIn, spv::BuiltInFrontFacing);
            else if (Spirv::isUserVarying(sem, false))
                glsl.set_name(var.id, "var_" + sem);
            else
                return "fragment input semantic " + sem + " is not supported";
            flatIfInteger(glsl, var.id);
        }
    }
    return "";
}

std::string generate(const std::vector<uint32_t>& words, const Spirv::InterfaceRewrite& rewrite, bool vertex, bool gles,
                     bool keepTemporaries, CgCompileResult& result, std::string& text)
{
    spirv_cross::CompilerGLSL glsl(words);
    spirv_cross::CompilerGLSL::Options options = glsl.get_common_options();
    options.version = gles ? 300 : 330;
    options.es = gles;
    // ES fragment stages have no default float precision; the desktop computes in full precision.
    if (gles) {
        options.fragment.default_float_precision = spirv_cross::CompilerGLSL::Options::Highp;
        options.fragment.default_int_precision = spirv_cross::CompilerGLSL::Options::Highp;
    }
    options.enable_420pack_extension = false;
    options.force_temporary = keepTemporaries;
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
    text = glsl.compile();
    for (const Spirv::LooseUniform& u : rewrite.uniforms)
        addUniform(result, glsl, u.id, cgNameOf(u.name), vertex);
    for (const auto& [id, cgName] : samplers)
        addParameter(result, cgName, glsl.get_name(id), parameterType(glsl.get_type_from_variable(id)), vertex);
    return "";
}

} // namespace

std::string generateGlsl(std::vector<uint32_t> words, const Spirv::InterfaceRewrite& rewrite, bool vertex, bool gles,
                         CgCompileResult& result)
{
    try {
        CgCompileResult scratch = result;
        std::string text;
        std::string error = generate(words, rewrite, vertex, gles, false, scratch, text);
        if (error.empty() && !checkGeneratedLimits(text).empty()) {
            scratch = result;
            error = generate(words, rewrite, vertex, gles, true, scratch, text);
        }
        if (!error.empty())
            return error;
        error = checkGeneratedLimits(text);
        if (!error.empty())
            return error;
        result = std::move(scratch);
        (vertex ? result.vertexGlsl : result.fragmentGlsl) = std::move(text);
        return "";
    } catch (const std::exception& e) {
        return std::string("the GLSL generator failed: ") + e.what();
    }
}

} // namespace Frontend::Cg
