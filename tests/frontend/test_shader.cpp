// Cg shaders through the GL path: parameters, samplers, matrices, varyings,
// includes, Cg-only types, error listings and the shaderc tool.
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "frontend/cg/CgCompiler.h"
#include "frontend/Error.h"
#include "frontend/Shader.h"
#include "frontend/State.h"
#include "frontend/Texture.h"
#include "tests/frontend/ShaderDraw.h"
#include "tests/support/TestContext.h"

namespace {

using Frontend::CompleteShader;
using namespace ShaderDraw;

const char* const kAlphaShader = R"(
float4 vsMain(float4 p : POSITION) : POSITION { return p; }
float alpha;
float4 psMain() : COLOR { return float4(alpha, 0, 0, 1); }
)";

TEST(Shader, ParameterDeclaredOnlyByOneProgramIsSetThereAndIgnoredElsewhere)
{
    auto shader = makeShader(R"(
float4 offset;   // vertex program only
float4 tint;     // fragment program only
float4 vsMain(float4 p : POSITION) : POSITION { return p + offset; }
float4 psMain() : COLOR { return tint; }
)");
    ASSERT_TRUE(shader);
    EXPECT_TRUE(shader->hasParameter("offset"));
    EXPECT_TRUE(shader->hasParameter("tint"));
    EXPECT_FALSE(shader->hasParameter("nothing"));
    shader->setFloat4("tint", 0, 1, 0, 1);
    shader->setFloat4("offset", 0, 0, 0, 0);
    shader->setFloat("nothing", 3.0f); // silently skipped
    drawQuad(*shader);
    expectPixel(8, 8, {0, 255, 0, 255});
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(Shader, ValuesStayWithTheirProgramAcrossBinds)
{
    auto a = makeShader(kAlphaShader, "a.cg");
    auto b = makeShader(kAlphaShader, "b.cg");
    ASSERT_TRUE(a && b);
    a->bind();
    a->setFloat("alpha", 1.0f);
    b->bind();
    b->setFloat("alpha", 0.0f);
    a->bind();
    drawQuad(*a);
    expectPixel(8, 8, {255, 0, 0, 255});
    // Setting a value on a program that is not bound still reaches it.
    a->bind();
    b->setFloat("alpha", 0.5f);
    drawQuad(*b);
    expectPixel(8, 8, {128, 0, 0, 255});
}

TEST(Shader, TexturesReachTheFragmentSamplerOnlyAndCanBeDisabled)
{
    // Both programs declare tex0; the vertex program must never see the texture.
    auto shader = makeShader(R"(
sampler2D tex0;
struct V { float4 p : POSITION; float4 c : COLOR0; float2 uv : TEXCOORD0; };
V vsMain(float4 p : POSITION, float2 uv : TEXCOORD0) {
    V o; o.p = p; o.uv = uv;
    o.c = tex2Dlod(tex0, float4(0.5, 0.5, 0, 0)) * float4(1, 0, 0, 0);
    return o;
}
float4 psMain(float4 c : COLOR0, float2 uv : TEXCOORD0) : COLOR {
    return c + tex2D(tex0, uv) * float4(0, 1, 0, 0) + float4(0, 0, 0, 1);
}
)");
    ASSERT_TRUE(shader);
    unsigned char white[4 * 4 * 4];
    std::fill(std::begin(white), std::end(white), 255);
    Frontend::Texture texture(4, 4, white, Frontend::kFormatRGBA, Frontend::kFilterNearest);
    shader->setTexture("tex0", &texture);
    drawQuad(*shader);
    expectPixel(8, 8, {0, 255, 0, 255});
    shader->disableTexture("tex0");
    drawQuad(*shader);
    expectPixel(8, 8, {0, 0, 0, 255});
}

// Matrices set from the State stacks reach the shader as OpenGL's matrix.
TEST(Shader, StateMatricesTransformLikeOpenGL)
{
    auto shader = makeShader(R"(
float4x4 StateComplete;
float4 vsMain(float4 p : POSITION) : POSITION { return mul(StateComplete, p); }
float4 psMain() : COLOR { return float4(1, 1, 1, 1); }
)");
    ASSERT_TRUE(shader);
    Frontend::State::resetMatrices();
    Frontend::State::translate(0.5f, 0.0f, 0.0f);
    Frontend::State::scale(0.5f, 0.25f, 1.0f);
    shader->bind();
    shader->setStateMatrices(Frontend::State::computeStateMatrices());
    drawQuad(*shader);
    // The quad now covers x in [0, 1], y in [-0.25, 0.25] of clip space.
    expectPixel(12, 8, {255, 255, 255, 255});
    expectPixel(4, 8, {0, 0, 0, -1});
    expectPixel(12, 14, {0, 0, 0, -1});
    Frontend::State::resetMatrices();
}

TEST(Shader, VaryingsOfDifferentWidthsLinkBySemantic)
{
    auto shader = makeShader(R"(
struct V { float4 p : POSITION; float4 wide : TEXCOORD0; float2 narrow : TEXCOORD3; float s : TEXCOORD5; };
V vsMain(float4 p : POSITION) {
    V o; o.p = p; o.wide = float4(0.25, 0.5, 0.75, 1); o.narrow = float2(1, 0.5); o.s = 0.5; return o;
}
float4 psMain(float2 wide : TEXCOORD0, float4 narrow : TEXCOORD3, float3 s : TEXCOORD5) : COLOR {
    return float4(wide.x, narrow.z + narrow.w * 0.5, s.x * narrow.y + s.y, 1);
}
)");
    ASSERT_TRUE(shader);
    drawQuad(*shader);
    // narrow arrives as (1, 0.5, 0, 1): unwritten components read as 0, 0, 1.
    expectPixel(8, 8, {64, 128, 64, 255});
}

TEST(Shader, CgOnlyTypesLookupsAndNamesCompile)
{
    auto shader = makeShader(R"(
uniform sampler2D texture : TEXUNIT0;
struct Material { sampler2D diffuse; fixed4 tint; };
Material material;
half4 vsMain(float4 p : POSITION, uniform float4 sampler) : POSITION { return p + sampler; }
fixed4 psMain(half2 uv : TEXCOORD0) : COLOR {
    half4 sample = h4tex2D(texture, uv);
    fixed3 rgb = h3tex2D(texture, uv);
    return material.tint + (sample + fixed4(rgb, 0) + tex2D(material.diffuse, uv)) * 0.001;
}
)");
    ASSERT_TRUE(shader);
    EXPECT_TRUE(shader->hasParameter("texture"));
    EXPECT_TRUE(shader->hasParameter("sampler"));
    EXPECT_TRUE(shader->hasParameter("material.diffuse"));
    shader->setFloat4("material.tint", 0, 0, 1, 1);
    shader->setFloat4("sampler", 0, 0, 0, 0);
    drawQuad(*shader);
    expectPixel(8, 8, {0, 0, 255, 255});
}

TEST(Shader, IncludesResolveRelativeToTheIncludingFile)
{
    std::string dir = TestSupport::makeTempDir("shader-include");
    std::filesystem::create_directories(dir + "/lib");
    std::ofstream(dir + "/lib/colour.cgh") << "#include \"inner.cgh\"\nfloat4 colour() { return INNER; }\n";
    std::ofstream(dir + "/lib/inner.cgh") << "#define INNER float4(0, 1, 1, 1)\n";
    std::ofstream(dir + "/lib/broken.cgh") << "float4 broken() {\n  return nope;\n}\n";
    const char* source = "#include \"lib/colour.cgh\"\n"
                         "float4 vsMain(float4 p : POSITION) : POSITION { return p; }\n"
                         "float4 psMain() : COLOR { return colour(); }\n";
    auto shader = makeShader(source, (dir + "/main.cg").c_str());
    ASSERT_TRUE(shader);
    drawQuad(*shader);
    expectPixel(8, 8, {0, 255, 255, 255});

    Frontend::CgCompileResult missing =
        Frontend::compileCgShader({"\n#include \"absent.cgh\"\nfloat4 vsMain() : POSITION { return 0; }\n", "vsMain",
                                   "psMain", dir + "/main.cg"});
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.listing.find("main.cg:2:"), std::string::npos) << missing.listing;

    Frontend::CgCompileResult broken =
        Frontend::compileCgShader({"#include \"lib/broken.cgh\"\n", "vsMain", "psMain", dir + "/main.cg"});
    EXPECT_FALSE(broken.ok);
    EXPECT_NE(broken.listing.find("broken.cgh:2:"), std::string::npos) << broken.listing;
    std::filesystem::remove_all(dir);
}

TEST(Shader, CompileErrorsNameFileAndLine)
{
    Frontend::CgCompileResult result = Frontend::compileCgShader(
        {"float4 vsMain(float4 p : POSITION) : POSITION\n{\n    return p\n}\n", "vsMain", "psMain", "glow.cg"});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.listing.rfind("glow.cg:4:", 0), 0u) << result.listing;
    EXPECT_EQ(result.listing.find("ERROR"), std::string::npos) << result.listing;

    Frontend::CgCompileResult noPixel = Frontend::compileCgShader(
        {"float4 vsMain(float4 p : POSITION) : POSITION { return p; }\n", "vsMain", "psMain", "half.cg"});
    EXPECT_FALSE(noPixel.ok);
    EXPECT_NE(noPixel.listing.find("half.cg"), std::string::npos);
    EXPECT_NE(noPixel.listing.find("psMain"), std::string::npos) << noPixel.listing;
}

TEST(ShaderDeathTest, MissingPixelEntryEndsThroughCGerror)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // the child sets up its own GL context
    TestSupport::glContext();
    EXPECT_EXIT(CompleteShader("float4 vsMain(float4 p : POSITION) : POSITION { return p; }\n", "vsMain", "psMain",
                               "only_vertex.cg"),
                ::testing::ExitedWithCode(Frontend::kErrorExitStatus),
                "The compile returned an error(.|\n)*only_vertex.cg");
}

TEST(Shader, DefaultShaderDrawsWhiteThroughStateComplete)
{
    auto shader = makeShader(Frontend::kDefaultShaderSource, "<default shader>");
    ASSERT_TRUE(shader);
    // The matrices come from the caller, not from the render state.
    Frontend::StateMatrices halfSize{};
    halfSize.complete[0] = halfSize.complete[5] = 0.5f;
    halfSize.complete[10] = halfSize.complete[15] = 1.0f;
    shader->setStateMatrices(halfSize);
    drawQuad(*shader);
    expectPixel(8, 8, {255, 255, 255, 255});
    expectPixel(1, 1, {0, 0, 0, -1});
}

TEST(Shaderc, ExitStatusReportsWhetherEveryFileCompiles)
{
    std::string dir = TestSupport::makeTempDir("shaderc");
    std::ofstream(dir + "/good.cg") << Frontend::kDefaultShaderSource;
    std::ofstream(dir + "/bad.cg") << "float4 vsMain() : POSITION {\n  return oops;\n}\n";
    std::string tool = std::string(VANTREL_RUN_DIR) + "/vantrel-shaderc ";
    std::string log = dir + "/log.txt";
    EXPECT_EQ(std::system((tool + dir + "/good.cg > " + log + " 2>&1").c_str()), 0);
    EXPECT_NE(std::system((tool + dir + "/good.cg " + dir + "/bad.cg > " + log + " 2>&1").c_str()), 0);
    std::ifstream in(log);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("bad.cg:2:"), std::string::npos) << text;
    EXPECT_NE(std::system((tool + dir + "/absent.cg > " + log + " 2>&1").c_str()), 0);
    std::filesystem::remove_all(dir);
}

} // namespace
