// Float copies of depth textures; see DepthCopy.h.
#include "web/platform/DepthCopy.h"

#include <GLES3/gl3.h>
#include <emscripten/html5.h>

#include <string>
#include <unordered_map>

#include "frontend/Error.h"
#include "frontend/Texture.h"

namespace Web {

namespace {

// One full-screen triangle from gl_VertexID: no vertex arrays are touched.
const char* const kVertex = "#version 300 es\n"
                            "void main() {\n"
                            "    vec2 p = vec2(float((gl_VertexID & 1) << 2) - 1.0, float((gl_VertexID & 2) << 1) - 1.0);\n"
                            "    gl_Position = vec4(p, 0.0, 1.0);\n"
                            "}\n";
const char* const kFragment = "#version 300 es\n"
                              "precision highp float;\n"
                              "uniform highp sampler2D depth;\n"
                              "out vec4 colour;\n"
                              "void main() {\n"
                              "    colour = vec4(texelFetch(depth, ivec2(gl_FragCoord.xy), 0).r, 0.0, 0.0, 1.0);\n"
                              "}\n";

struct Copy {
    GLuint texture = 0;
    GLuint framebuffer = 0;
};

std::unordered_map<unsigned, Copy>& copies()
{
    static std::unordered_map<unsigned, Copy> table;
    return table;
}

GLuint stage(GLenum type, const char* text)
{
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok)
        throw Frontend::Error("the depth copy's shader does not compile in this browser");
    return shader;
}

GLuint copyProgram()
{
    static GLuint program = 0;
    if (program)
        return program;
    program = glCreateProgram();
    glAttachShader(program, stage(GL_VERTEX_SHADER, kVertex));
    glAttachShader(program, stage(GL_FRAGMENT_SHADER, kFragment));
    glLinkProgram(program);
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "depth"), 0);
    return program;
}

bool hasExtension(const char* name)
{
    return emscripten_webgl_enable_extension(emscripten_webgl_get_current_context(), name) != 0;
}

const Copy& copyFor(const Frontend::Texture& depth)
{
    Copy& copy = copies()[depth.id()];
    if (copy.texture)
        return copy;
    static const bool renderable = hasExtension("EXT_color_buffer_float");
    static const bool filterable = hasExtension("OES_texture_float_linear");
    if (!renderable)
        throw Frontend::Error("this browser's WebGL 2 cannot draw into float textures (EXT_color_buffer_float), "
                              "which the passes that read depth need");
    glGenTextures(1, &copy.texture);
    glBindTexture(GL_TEXTURE_2D, copy.texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R32F, depth.width(), depth.height(), 0, GL_RED, GL_FLOAT, nullptr);
    const GLint filter = filterable ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glGenFramebuffers(1, &copy.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, copy.framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, copy.texture, 0);
    return copy;
}

// Switches a capability for the copy and back.
class Switch {
public:
    Switch(GLenum cap, bool on) : capability(cap), was(glIsEnabled(cap) == GL_TRUE)
    {
        if (was != on)
            on ? glEnable(cap) : glDisable(cap);
    }
    ~Switch()
    {
        was ? glEnable(capability) : glDisable(capability);
    }
    Switch(const Switch&) = delete;
    Switch& operator=(const Switch&) = delete;

private:
    GLenum capability;
    bool was;
};

} // namespace

unsigned depthCopy(const Frontend::Texture& depth)
{
    GLint framebuffer = 0, program = 0, unit = 0, texture = 0;
    GLint viewport[4] = {0, 0, 0, 0};
    GLboolean colourMask[4] = {GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE};
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetBooleanv(GL_COLOR_WRITEMASK, colourMask);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    const Copy& copy = copyFor(depth);
    {
        Switch blend(GL_BLEND, false), depthTest(GL_DEPTH_TEST, false), cull(GL_CULL_FACE, false),
            stencil(GL_STENCIL_TEST, false), scissor(GL_SCISSOR_TEST, false);
        glBindFramebuffer(GL_FRAMEBUFFER, copy.framebuffer);
        glViewport(0, 0, depth.width(), depth.height());
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glUseProgram(copyProgram());
        glBindTexture(GL_TEXTURE_2D, depth.id());
        glDrawArrays(GL_TRIANGLES, 0, 3);
    }
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
    glActiveTexture(static_cast<GLenum>(unit));
    glColorMask(colourMask[0], colourMask[1], colourMask[2], colourMask[3]);
    glUseProgram(static_cast<GLuint>(program));
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(framebuffer));
    return copy.texture;
}

} // namespace Web
