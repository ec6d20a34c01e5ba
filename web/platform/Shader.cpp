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

#include <filesystem>
#include <vector>

#include "frontend/Error.h"
#include "frontend/File.h"
#include "frontend/Platform.h"
#include "frontend/Shader.h"
#include "frontend/State.h"
#include "frontend/Texture.h"
#include "frontend/cg/GlesTable.h"
#include "web/platform/DepthCopy.h"

namespace Frontend {

namespace {

// Where the site's data package puts what vantrel-shaderc --gles wrote, and
// the name it gave the context's built-in default shader.
const char* const kProgramFolder = "shaders/";
const char* const kDefaultShaderName = "<default shader>";
const char* const kDefaultShaderFile = "vantrel_default.cg";

GLuint boundProgram = 0;

// The whole file, or false when it cannot be read.
bool readText(const std::string& path, std::string& text)
{
    try {
        std::vector<unsigned char> bytes = FrontendExt::File(path, "rb").readAll();
        text.assign(bytes.begin(), bytes.end());
        return true;
    } catch (const Error&) {
        return false;
    }
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

unsigned samplerTarget(CgParameterType type)
{
    switch (type) {
    case CgParameterType::SamplerCube: return GL_TEXTURE_CUBE_MAP;
    case CgParameterType::Sampler3D: return GL_TEXTURE_3D;
    default: return GL_TEXTURE_2D; // GLSL ES has no 1D samplers; the export refuses them
    }
}

int uniformLocation(unsigned program, const std::string& glslName)
{
    return glGetUniformLocation(program, glslName.c_str());
}

void setSamplerUnit(unsigned program, int location, int unit)
{
    ProgramScope scope(program);
    glUniform1i(location, unit);
}

int combinedTextureUnits()
{
    GLint maxUnits = 16;
    glGetIntegerv(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS, &maxUnits);
    return maxUnits;
}

void CompleteShader::Impl::upload(const Parameter& p) const
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

bool CompleteShader::build(const char*, const std::string& vertexEntry, const std::string& pixelEntry,
                           const std::string& fileName, std::string& listing, CgCompileResult* details)
{
    CgCompileResult compiled;
    if (!loadPrecompiled(fileName, compiled, listing))
        return false;
    compiled.ok = true;
    // The desktop's last stage, in the browser's WebGL 2.
    double linkMs = 0;
    if (!link(compiled, fileName, vertexEntry, pixelEntry, listing, linkMs))
        return false;
    if (details) {
        *details = compiled;
        details->times.glLinkMs = linkMs;
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
    // Shaders sample depth through a float copy (DepthCopy.h).
    const bool depth = texture && (texture->format() == kFormatDepth16 || texture->format() == kFormatDepth24);
    const GLuint textureName = !texture ? 0 : depth ? Web::depthCopy(*texture) : texture->id();
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(p->unit));
    glBindTexture(p->target, textureName);
    glActiveTexture(GL_TEXTURE0);
}

void CompleteShader::disableTexture(std::string_view name)
{
    setTexture(name, nullptr);
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

} // namespace Frontend
