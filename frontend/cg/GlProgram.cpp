// GL compile and link of generated GLSL; see GlProgram.h.
#include "frontend/cg/GlProgram.h"

#include "frontend/GL.h"
#include "frontend/cg/SourceText.h"

namespace Frontend::Cg {

namespace {

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

GLuint compileGlShader(GLenum stage, const std::string& text, std::string& log)
{
    // The driver's compiler recurses over nesting and statement lists: the
    // generator already kept within the limits, but this is the last gate.
    log = checkGeneratedLimits(text);
    if (!log.empty())
        return 0;
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

} // namespace

GlProgram buildGlProgram(const CgCompileResult& compiled, const std::string& fileName, const std::string& vertexEntry,
                         const std::string& pixelEntry)
{
    GlProgram out;
    std::string log;
    out.vertexShader = compileGlShader(GL_VERTEX_SHADER, compiled.vertexGlsl, log);
    if (!out.vertexShader) {
        out.listing = fileName + ": vertex entry \"" + vertexEntry + "\": GL rejected the generated shader:\n" + log;
        return out;
    }
    out.fragmentShader = compileGlShader(GL_FRAGMENT_SHADER, compiled.fragmentGlsl, log);
    if (!out.fragmentShader) {
        out.listing = fileName + ": fragment entry \"" + pixelEntry + "\": GL rejected the generated shader:\n" + log;
        return out;
    }
    out.program = glCreateProgram();
    glAttachShader(out.program, out.vertexShader);
    glAttachShader(out.program, out.fragmentShader);
    glLinkProgram(out.program);
    GLint linked = GL_FALSE;
    glGetProgramiv(out.program, GL_LINK_STATUS, &linked);
    if (!linked) {
        out.listing = fileName + ": the vertex and fragment programs do not link:\n" +
                      infoLog(out.program, glGetProgramiv, glGetProgramInfoLog);
        return out;
    }
    out.ok = true;
    return out;
}

} // namespace Frontend::Cg
