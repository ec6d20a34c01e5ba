// Cg's texture library and stage interface as shaders use them: texel
// offsets, rectangle coordinates, depth compares, bool varyings and sampler
// globals handed to helper functions.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "frontend/Texture.h"
#include "frontend/cg/CgCompiler.h"
#include "tests/frontend/ShaderDraw.h"

namespace {

using namespace ShaderDraw;

// Four texels in a row; red counts 0, 85, 170, 255.
std::unique_ptr<Frontend::Texture> rampTexture()
{
    unsigned char pixels[4 * 4] = {};
    for (int i = 0; i < 4; ++i) {
        pixels[i * 4] = static_cast<unsigned char>(85 * i);
        pixels[i * 4 + 3] = 255;
    }
    return std::make_unique<Frontend::Texture>(4, 1, pixels, Frontend::kFormatRGBA, Frontend::kFilterNearest);
}

const char* const kPassUv = "float4 vsMain(float4 p : POSITION, float2 uv : TEXCOORD0, out float2 tc : TEXCOORD0) "
                            ": POSITION { tc = uv; return p; }\n";

TEST(CgLibrary, TexelOffsetsReadNeighboursAndRectangleLookupsTakeTexels)
{
    auto shader = makeShader((std::string("sampler2D s; samplerRECT r;\n") + kPassUv + R"(
float4 psMain(float2 uv : TEXCOORD0) : COLOR {
    return float4(tex2D(s, uv, int2(1, 0)).r, tex2Dlod(s, float4(uv, 0, 0), int2(2, 0)).r,
                  texRECT(r, float2(0.5, 0.5), int2(3, 0)).r, 1);
}
)")
                                 .c_str());
    ASSERT_TRUE(shader);
    auto ramp = rampTexture();
    shader->setTexture("s", ramp.get());
    shader->setTexture("r", ramp.get());
    drawQuad(*shader);
    // x = 2 of 16 is inside the first texel.
    expectPixel(2, 8, {85, 170, 255, 255});
    expectPixel(14, 8, {255, 255, 255, 255}); // clamped at the last texel
}

TEST(CgLibrary, OffsetLookupsAskEachSamplersSizeOnce)
{
    std::string source = std::string("sampler2D s; samplerRECT r;\n") + kPassUv + R"(
float4 psMain(float2 uv : TEXCOORD0) : COLOR {
    float4 sum = texRECT(r, uv * 4.0) + texRECT(r, uv * 4.0, int2(1, 0));
    for (int i = -2; i <= 2; ++i)
        sum += tex2D(s, uv, int2(i, 0)) + tex2D(s, uv, int2(0, i));
    return sum;
}
)";
    Frontend::CgCompileResult r = Frontend::compileCgShader({source.c_str(), "vsMain", "psMain", "sizes.cg"});
    ASSERT_TRUE(r.ok) << r.listing;
    size_t queries = 0;
    for (size_t at = r.fragmentGlsl.find("textureSize("); at != std::string::npos;
         at = r.fragmentGlsl.find("textureSize(", at + 1))
        ++queries;
    EXPECT_EQ(queries, 2u) << r.fragmentGlsl;
}

TEST(CgLibrary, DepthCompareWithOffsetComparesTheNeighbour)
{
    auto shader = makeShader((std::string("sampler2DShadow depth;\n") + kPassUv + R"(
float4 psMain(float2 uv : TEXCOORD0) : COLOR {
    return float4(tex2D(depth, float3(uv, 0.25)).x, tex2D(depth, float3(uv, 0.25), int2(1, 0)).x,
                  tex2Dgrad(depth, float3(uv, 0.25), 0, 0, int2(1, 0)).x, 1);
}
)")
                                 .c_str());
    ASSERT_TRUE(shader);
    auto ramp = rampTexture();
    shader->setTexture("depth", ramp.get());
    drawQuad(*shader);
    expectPixel(2, 8, {0, 255, 255, 255});
}

TEST(CgLibrary, BoolVaryingsReachThePixelStage)
{
    auto shader = makeShader(R"(
struct V { float4 p : POSITION; bool front : TEXCOORD1; bool2 pair : TEXCOORD2; };
V vsMain(float4 p : POSITION) { V o; o.p = p; o.front = p.w > 0; o.pair = bool2(p.w > 0, p.w < 0); return o; }
float4 psMain(bool front : TEXCOORD1, bool2 pair : TEXCOORD2) : COLOR {
    return float4(front ? 1 : 0, pair.x ? 1 : 0, pair.y ? 1 : 0, 1);
}
)");
    ASSERT_TRUE(shader);
    drawQuad(*shader);
    expectPixel(8, 8, {255, 255, 0, 255});
}

TEST(CgLibrary, SamplerGlobalsAssignedInTheEntryNameTheAssignedSampler)
{
    auto shader = makeShader((std::string(R"(
struct input { float2 video_size; sampler2D texture; };
sampler2D s0_global;
sampler2D lut_global;
sampler2D lut;
float4 first(float2 uv) { return tex2D(s0_global, uv, int2(1, 0)); }
)") + kPassUv + R"(
float4 psMain(float2 uv : TEXCOORD0, uniform input IN) : COLOR {
    s0_global = IN.texture;
    lut_global = lut;
    return float4(first(uv).r, tex2D(lut_global, uv).g, 0, 1);
}
)")
                                 .c_str());
    ASSERT_TRUE(shader);
    auto ramp = rampTexture();
    unsigned char green[4] = {0, 255, 0, 255};
    Frontend::Texture lut(1, 1, green, Frontend::kFormatRGBA, Frontend::kFilterNearest);
    shader->setTexture("IN.texture", ramp.get());
    shader->setTexture("lut", &lut);
    drawQuad(*shader);
    expectPixel(2, 8, {85, 255, 0, 255});
    // Two different samplers cannot be resolved at compile time.
    Frontend::CgCompileResult both = Frontend::compileCgShader(
        {"sampler2D a; sampler2D b; sampler2D s;\nfloat4 vsMain(float4 p : POSITION) : POSITION { return p; }\n"
         "float4 psMain(float2 uv : TEXCOORD0) : COLOR {\n if (uv.x > 0.5) s = a; else s = b;\n"
         " return tex2D(s, uv); }\n",
         "vsMain", "psMain", "both.cg"});
    EXPECT_NE(both.listing.find("both.cg:4: the sampler global \"s\" is assigned both \"a\" and \"b\""),
              std::string::npos)
        << both.listing;
}

// Run in this process: a guard that lets these through ends the test with a signal.
TEST(CgHostile, RedeclaredGlobalsAndOversizedTablesAreRefusedBeforeTheLibraries)
{
    std::ifstream file(VANTREL_SOURCE_DIR "/fuzz/regressions/cg_compile-redeclared-global.cg", std::ios::binary);
    std::stringstream found;
    found << file.rdbuf();
    std::string table = "static const float t[70000] = {0";
    for (int i = 1; i < 70000; ++i)
        table += ",1";
    const std::pair<std::string, std::string> cases[] = {
        {found.str(), "here.cg:1: \"s\" is declared again with another type (first at here.cg:1)"},
        {"float4 w[2];\n\nfloat w;\n", "here.cg:3: \"w\" is declared again with another type (first at here.cg:1)"},
        {table + "};\n", "here.cg:1: an initialiser list of 70000 items, more than the 65532"},
    };
    for (const auto& [source, expected] : cases) {
        Frontend::CgCompileInput input{source.c_str(), "vsMain", "psMain", "here.cg", false};
        Frontend::CgCompileResult r = Frontend::compileCgShader(input);
        EXPECT_NE(r.listing.find(expected), std::string::npos) << r.listing;
    }
}

} // namespace
