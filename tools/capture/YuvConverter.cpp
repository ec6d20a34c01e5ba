// RGB to planar YUV 4:2:0 in one GPU pass; see YuvConverter.h.
#include "tools/capture/YuvConverter.h"

#include <string>

#include <epoxy/gl.h>

#include "tools/capture/FrameBudget.h"
#include "tools/capture/GlPass.h"
#include "tools/capture/Yuv420.h"

namespace Capture {

namespace {

constexpr const char* kWhat = "YUV conversion";

// Fragment row r of the target is memory row r of the frame (a read returns
// GL's bottom row first), so the picture is sampled upside down: its top row
// is GL row height - 1. Rows past the Y plane hold U, then V, `width` bytes
// to a row; V starts mid-row when height / 2 is odd. Every sample is the
// exact value rounded to the nearest code here, not by the driver's store.
const char* const kConvertSource = R"(#version 330
uniform sampler2D picture;
uniform int width;
uniform int height;
uniform vec3 lumaWeights;
uniform float lumaOffset;
uniform vec3 uWeights;
uniform vec3 vWeights;
uniform float taps[8];
layout(location = 0) out vec4 colour;

vec3 rgb(int x, int row) {
    return texelFetch(picture, ivec2(x, height - 1 - clamp(row, 0, height - 1)), 0).rgb * 255.0;
}

void main() {
    int x = int(gl_FragCoord.x);
    int row = int(gl_FragCoord.y);
    float value;
    if (row < height) {
        value = lumaOffset + dot(lumaWeights, rgb(x, row));
    } else {
        int chromaWidth = width / 2;
        int planeSize = chromaWidth * (height / 2);
        int index = (row - height) * width + x;
        bool isV = index >= planeSize;
        int local = isV ? index - planeSize : index;
        int cx = 2 * (local % chromaWidth);
        int cy = 2 * (local / chromaWidth);
        vec3 weights = isV ? vWeights : uWeights;
        float sum = 0.0;
        for (int t = 0; t < 8; ++t) {
            int source = cy - 3 + t;
            sum += taps[t] * dot(weights, rgb(cx, source) + rgb(cx + 1, source));
        }
        value = 128.0 + 0.5 * sum;
    }
    colour = vec4(clamp(floor(value + 0.5), 0.0, 255.0) / 255.0, 0.0, 0.0, 1.0);
}
)";

} // namespace

bool YuvConverter::fits(int width, int height)
{
    return sizeProblem(width, height / 2 * 3, queryGlLimits()).empty();
}

bool YuvConverter::softwareRenderer()
{
    const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (!name)
        return false;
    const std::string renderer(name);
    for (const char* software : {"llvmpipe", "softpipe", "swrast", "SwiftShader"})
        if (renderer.find(software) != std::string::npos)
            return true;
    return false;
}

YuvConverter::YuvConverter(int width, int height, bool fullRange) : frameWidth(width), frameHeight(height)
{
    GlPass::State saved;
    copyTexture = GlPass::makeTexture(GL_RGBA8, width, height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    copyFramebuffer = GlPass::makeFramebuffer(copyTexture, kWhat);
    planesTexture = GlPass::makeTexture(GL_R8, width, height / 2 * 3, GL_RED, GL_UNSIGNED_BYTE, nullptr);
    planesFramebuffer = GlPass::makeFramebuffer(planesTexture, kWhat);

    // E'y = kr R' + kg G' + kb B'; Cb and Cr scaled to +-0.5, then to the range's codes.
    const bool bt709 = usesBt709(height);
    const float kr = bt709 ? 0.2126f : 0.299f;
    const float kb = bt709 ? 0.0722f : 0.114f;
    const float kg = 1.0f - kr - kb;
    const float lumaScale = fullRange ? 1.0f : 219.0f / 255.0f;
    const float chromaScale = fullRange ? 1.0f : 224.0f / 255.0f;
    const float u = chromaScale / (2.0f * (1.0f - kb));
    const float v = chromaScale / (2.0f * (1.0f - kr));

    program = GlPass::link(kConvertSource, kWhat);
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "picture"), 0);
    glUniform1i(glGetUniformLocation(program, "width"), width);
    glUniform1i(glGetUniformLocation(program, "height"), height);
    glUniform3f(glGetUniformLocation(program, "lumaWeights"), lumaScale * kr, lumaScale * kg, lumaScale * kb);
    glUniform1f(glGetUniformLocation(program, "lumaOffset"), fullRange ? 0.0f : 16.0f);
    glUniform3f(glGetUniformLocation(program, "uWeights"), -u * kr, -u * kg, u * (1.0f - kb));
    glUniform3f(glGetUniformLocation(program, "vWeights"), v * (1.0f - kr), -v * kg, -v * kb);
    glUniform1fv(glGetUniformLocation(program, "taps"), 8, kChromaRowTaps);
    glGenVertexArrays(1, &vertexArray);
}

YuvConverter::~YuvConverter()
{
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteProgram(program);
    const GLuint framebuffers[] = {copyFramebuffer, planesFramebuffer};
    glDeleteFramebuffers(2, framebuffers);
    const GLuint textures[] = {copyTexture, planesTexture};
    glDeleteTextures(2, textures);
}

unsigned YuvConverter::convert(unsigned framebuffer)
{
    GlPass::State saved;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glReadBuffer(framebuffer == 0 ? GL_BACK : GL_COLOR_ATTACHMENT0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, copyFramebuffer);
    glBlitFramebuffer(0, 0, frameWidth, frameHeight, 0, 0, frameWidth, frameHeight, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, copyTexture);
    glDisable(GL_BLEND);
    GlPass::draw(program, planesFramebuffer, frameWidth, frameHeight / 2 * 3, vertexArray);
    return planesFramebuffer;
}

} // namespace Capture
