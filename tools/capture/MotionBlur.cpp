// Linear-light accumulation of sub-frames; see MotionBlur.h.
#include "tools/capture/MotionBlur.h"

#include <cmath>
#include <string>

#include <epoxy/gl.h>

#include "frontend/Error.h"
#include "tools/capture/GlPass.h"

namespace Capture {

namespace {

constexpr const char* kWhat = "motion blur";

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

} // namespace

MotionBlur::MotionBlur(int width, int height) : frameWidth(width), frameHeight(height)
{
    GlPass::State saved;
    float table[256];
    for (int code = 0; code < 256; ++code) {
        double c = code / 255.0;
        table[code] = static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    decodeTable = GlPass::makeTexture(GL_R32F, 256, 1, GL_RED, GL_FLOAT, table);
    copyTexture = GlPass::makeTexture(GL_RGBA8, width, height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    sumTexture = GlPass::makeTexture(GL_RGBA32F, width, height, GL_RGBA, GL_FLOAT, nullptr);
    meanTexture = GlPass::makeTexture(GL_RGBA8, width, height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    copyFramebuffer = GlPass::makeFramebuffer(copyTexture, kWhat);
    sumFramebuffer = GlPass::makeFramebuffer(sumTexture, kWhat);
    meanFramebuffer = GlPass::makeFramebuffer(meanTexture, kWhat);

    addProgram = GlPass::link(kAddSource, kWhat);
    glUseProgram(addProgram);
    glUniform1i(glGetUniformLocation(addProgram, "picture"), 0);
    glUniform1i(glGetUniformLocation(addProgram, "decode"), 1);
    resolveProgram = GlPass::link(kResolveSource, kWhat);
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
    GlPass::draw(program, target, frameWidth, frameHeight, vertexArray);
}

void MotionBlur::add()
{
    GlPass::State saved;
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
    GlPass::State saved;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, sumTexture);
    glDisable(GL_BLEND);
    glUseProgram(resolveProgram);
    glUniform1f(resolveScaleLocation, 1.0f / static_cast<float>(added));
    drawPass(resolveProgram, meanFramebuffer);
    return meanFramebuffer;
}

} // namespace Capture
