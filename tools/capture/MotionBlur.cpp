// Linear-light accumulation of sub-frames; see MotionBlur.h.
#include "tools/capture/MotionBlur.h"

#include <cmath>
#include <string>

#include <epoxy/gl.h>

#include "frontend/Error.h"

namespace Capture {

namespace {

// A triangle that covers the viewport, from gl_VertexID alone.
const char* const kVertexSource = R"(#version 330
void main() {
    vec2 p = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));
    gl_Position = vec4(p * 2.0 - 1.0, 0.0, 1.0);
}
)";

const char* const kAddSource = R"(#version 330
uniform sampler2D picture;
uniform sampler2D decode;
layout(location = 0) out vec4 colour;
float linear(float c) { return texelFetch(decode, ivec2(int(c * 255.0 + 0.5), 0), 0).r; }
void main() {
    vec3 c = texelFetch(picture, ivec2(gl_FragCoord.xy), 0).rgb;
    colour = vec4(linear(c.r), linear(c.g), linear(c.b), 1.0);
}
)";

// The mean, encoded to sRGB and rounded to the 8-bit code here rather than
// left to the driver's conversion, so the result is the same on every GPU.
const char* const kResolveSource = R"(#version 330
uniform sampler2D sum;
uniform float scale;
layout(location = 0) out vec4 colour;
float encode(float v) {
    v = clamp(v, 0.0, 1.0);
    float s = v <= 0.0031308 ? v * 12.92 : 1.055 * pow(v, 1.0 / 2.4) - 0.055;
    return floor(s * 255.0 + 0.5) / 255.0;
}
void main() {
    vec3 mean = texelFetch(sum, ivec2(gl_FragCoord.xy), 0).rgb * scale;
    colour = vec4(encode(mean.r), encode(mean.g), encode(mean.b), 1.0);
}
)";

unsigned compile(GLenum stage, const char* source)
{
    GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        glDeleteShader(shader);
        throw Frontend::Error(std::string("motion blur: the GL driver rejected a shader: ") + log);
    }
    return shader;
}

unsigned link(const char* fragmentSource)
{
    GLuint vertex = compile(GL_VERTEX_SHADER, kVertexSource);
    GLuint fragment = compile(GL_FRAGMENT_SHADER, fragmentSource);
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok)
        throw Frontend::Error("motion blur: the GL driver cannot link a shader program");
    return program;
}

unsigned makeTexture(GLint internalFormat, int width, int height, GLenum format, GLenum type, const void* data)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, format, type, data);
    // texelFetch needs a complete texture: no mipmaps are asked for.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return texture;
}

unsigned makeFramebuffer(unsigned texture)
{
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        throw Frontend::Error("motion blur: this GL driver cannot render into a float picture");
    return framebuffer;
}

// The GL state a pass changes, put back afterwards so the demo's next
// composition starts exactly as it would have without the pass.
struct SavedState {
    GLint program, vertexArray, drawFramebuffer, readFramebuffer, activeTexture, texture0, texture1;

    SavedState()
    {
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
        glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
        glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture);
        glActiveTexture(GL_TEXTURE0);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture0);
        glActiveTexture(GL_TEXTURE1);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture1);
        glPushAttrib(GL_ALL_ATTRIB_BITS);
    }
    ~SavedState()
    {
        glPopAttrib();
        glActiveTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture1));
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture0));
        glActiveTexture(static_cast<GLenum>(activeTexture));
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawFramebuffer));
        glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
        glBindVertexArray(static_cast<GLuint>(vertexArray));
        glUseProgram(static_cast<GLuint>(program));
    }
};

} // namespace

MotionBlur::MotionBlur(int width, int height) : frameWidth(width), frameHeight(height)
{
    SavedState saved;
    float table[256];
    for (int code = 0; code < 256; ++code) {
        double c = code / 255.0;
        table[code] = static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    decodeTable = makeTexture(GL_R32F, 256, 1, GL_RED, GL_FLOAT, table);
    copyTexture = makeTexture(GL_RGBA8, width, height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    sumTexture = makeTexture(GL_RGBA32F, width, height, GL_RGBA, GL_FLOAT, nullptr);
    meanTexture = makeTexture(GL_RGBA8, width, height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    copyFramebuffer = makeFramebuffer(copyTexture);
    sumFramebuffer = makeFramebuffer(sumTexture);
    meanFramebuffer = makeFramebuffer(meanTexture);

    addProgram = link(kAddSource);
    glUseProgram(addProgram);
    glUniform1i(glGetUniformLocation(addProgram, "picture"), 0);
    glUniform1i(glGetUniformLocation(addProgram, "decode"), 1);
    resolveProgram = link(kResolveSource);
    glUseProgram(resolveProgram);
    glUniform1i(glGetUniformLocation(resolveProgram, "sum"), 0);
    resolveScaleLocation = glGetUniformLocation(resolveProgram, "scale");
    glGenVertexArrays(1, &vertexArray);
}

MotionBlur::~MotionBlur()
{
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteProgram(addProgram);
    glDeleteProgram(resolveProgram);
    const GLuint framebuffers[] = {copyFramebuffer, sumFramebuffer, meanFramebuffer};
    glDeleteFramebuffers(3, framebuffers);
    const GLuint textures[] = {copyTexture, sumTexture, meanTexture, decodeTable};
    glDeleteTextures(4, textures);
}

void MotionBlur::drawPass(unsigned program, unsigned target)
{
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
    glViewport(0, 0, frameWidth, frameHeight);
    for (GLenum capability : {GL_DEPTH_TEST, GL_STENCIL_TEST, GL_SCISSOR_TEST, GL_CULL_FACE, GL_ALPHA_TEST,
                              GL_FRAMEBUFFER_SRGB, GL_MULTISAMPLE, GL_DITHER})
        glDisable(capability);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glUseProgram(program);
    glBindVertexArray(vertexArray);
    glDrawArrays(GL_TRIANGLES, 0, 3);
}

void MotionBlur::add()
{
    SavedState saved;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, copyFramebuffer);
    glBlitFramebuffer(0, 0, frameWidth, frameHeight, 0, 0, frameWidth, frameHeight, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, decodeTable);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, copyTexture);
    // The first sub-frame replaces last frame's sum; the others add to it.
    if (added == 0) {
        glDisable(GL_BLEND);
    } else {
        glEnable(GL_BLEND);
        glBlendEquation(GL_FUNC_ADD);
        glBlendFunc(GL_ONE, GL_ONE);
    }
    drawPass(addProgram, sumFramebuffer);
    ++added;
}

unsigned MotionBlur::resolve()
{
    if (added == 0)
        throw Frontend::Error("motion blur: no composition was added to this frame");
    SavedState saved;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, sumTexture);
    glDisable(GL_BLEND);
    glUseProgram(resolveProgram);
    glUniform1f(resolveScaleLocation, 1.0f / static_cast<float>(added));
    drawPass(resolveProgram, meanFramebuffer);
    return meanFramebuffer;
}

} // namespace Capture
