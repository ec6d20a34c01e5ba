// Drawing helpers of the shader tests: a quad over a small square with
// TEXCOORD0 running 0..1, and pixel read-back.
#pragma once

#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <memory>
#include <vector>

#include "frontend/Shader.h"
#include "tests/support/TestContext.h"

namespace ShaderDraw {

using Frontend::CompleteShader;

constexpr int kSize = 16;

struct Rgba {
    int r, g, b, a; // a < 0: the window may have no alpha channel, skip it
};

inline std::unique_ptr<CompleteShader> makeShader(const char* source, const char* name = "test.cg")
{
    TestSupport::glContext();
    std::string listing;
    auto shader = CompleteShader::tryCreate(source, "vsMain", "psMain", name, listing);
    EXPECT_TRUE(shader) << listing;
    return shader;
}

// Clears a kSize square to black, draws a quad over clip space [-1, 1] with
// TEXCOORD0 running 0..1, and returns the colour at (x, y) of that square.
inline void drawQuad(CompleteShader& shader, float extent = 1.0f)
{
    glViewport(0, 0, kSize, kSize);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    shader.bind();
    glBegin(GL_QUADS);
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const auto& c : corners) {
        glVertexAttrib4f(8, (c[0] + 1) / 2, (c[1] + 1) / 2, 0, 1);
        glVertexAttrib4f(0, c[0] * extent, c[1] * extent, 0, 1);
    }
    glEnd();
}

inline Rgba pixelAt(int x, int y)
{
    std::vector<unsigned char> p = TestSupport::readPixels(x, y, 1, 1);
    return {p[0], p[1], p[2], p[3]};
}

inline void expectPixel(int x, int y, Rgba expected, int tolerance = 2)
{
    Rgba got = pixelAt(x, y);
    EXPECT_NEAR(got.r, expected.r, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(got.g, expected.g, tolerance) << "at " << x << "," << y;
    EXPECT_NEAR(got.b, expected.b, tolerance) << "at " << x << "," << y;
    if (expected.a >= 0) {
        EXPECT_NEAR(got.a, expected.a, tolerance) << "at " << x << "," << y;
    }
}

} // namespace ShaderDraw
