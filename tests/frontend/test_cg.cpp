// The Cg path with Cg as people wrote it, and with hostile text: every shader
// either compiles or ends in a listing that names the file, never a signal.
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "frontend/File.h"
#include "frontend/Shader.h"
#include "frontend/Texture.h"
#include "frontend/cg/CgCompiler.h"
#include "frontend/cg/ParameterDefaults.h"
#include "frontend/cg/SourceText.h"
#include "tests/frontend/ShaderDraw.h"

namespace {

using namespace ShaderDraw;

const char* const kVertex = "float4 vsMain(float4 p : POSITION, float2 uv : TEXCOORD0, out float2 tc : TEXCOORD0) "
                            ": POSITION { tc = uv; return p; }\n";

std::string repeat(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

Frontend::CgCompileResult compile(const std::string& source, const std::string& fileName = "hostile.cg")
{
    return Frontend::compileCgShader({source.c_str(), "vsMain", "psMain", fileName});
}

TEST(CgHostile, BeyondTheLimitsEndsInAListingNamingFileAndProblem)
{
    struct Case {
        const char* what;
        std::string source;
        const char* expected;
    };
    std::string macros = "#define A0 1\n";
    for (int i = 1; i < 40; ++i)
        macros +=
            "#define A" + std::to_string(i) + " (A" + std::to_string(i - 1) + "+A" + std::to_string(i - 1) + ")\n";
    const Case cases[] = {
        {"nameless entry parameter",
         "struct V { float4 p : POSITION; float2 uv : TEXCOORD0; };\n"
         "V vsMain(float4 : POSITION, float2 uv : TEXCOORD0) { V o; o.p = 0; o.uv = uv; return o; }\n"
         "float4 psMain() : COLOR { return 1; }\n",
         "hostile.cg:2: a parameter of entry \"vsMain\" has no name"},
        {"5,000 nested parentheses",
         std::string(kVertex) + "float4 psMain() : COLOR { return " + std::string(5000, '(') + "1" +
             std::string(5000, ')') + "; }\n",
         "hostile.cg:2: brackets nest 5001 deep"},
        {"20,000 statements",
         std::string(kVertex) + "float4 psMain(float2 uv : TEXCOORD0) : COLOR { float x = uv.x;\n" +
             repeat("x = x * 1.0001 + uv.y;\n", 20000) + "return x; }\n",
         "statements, more than the limit"},
        {"40 doubling macros", macros + kVertex + "float4 psMain() : COLOR { return A39; }\n", "the macro A2"},
        // glslang dereferences null on this one, so it must never reach the parser.
        {"unclosed bracket in a parameter",
         std::string(kVertex) + "\nfloat4 psMain(float4 p [: COLOR0) : COLOR { return p; }\n",
         "hostile.cg:3: this '[' is not closed (a ')' at hostile.cg:3 comes first)"},
        // Deeper than glslang's recursion over the tree can go on its stack.
        {"a sum of 20,000 terms",
         std::string(kVertex) + "float4 psMain(float2 uv : TEXCOORD0) : COLOR { return uv.x" +
             repeat(" + uv.x", 20000) + "; }\n",
         "hostile.cg:2: an expression more than 2048 operators deep"},
        {"bracket closed by a macro's text",
         "#define CLOSE )\n" + std::string(kVertex) + "float4 psMain() : COLOR { return 1; } CLOSE\n",
         "hostile.cg:3: this ')' closes no bracket"},
    };
    for (const Case& c : cases) {
        Frontend::CgCompileResult r = compile(c.source);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_NE(r.listing.find(c.expected), std::string::npos) << c.what << ": " << r.listing;
    }
}

TEST(CgHostile, ALibraryFaultEndsTheCompilerProcessNotTheCaller)
{
    // glslang dereferences null when mul() takes a matrix and a one-component
    // vector, which no check before it refuses. The next shader gets a fresh
    // compiler process.
    Frontend::CgCompileResult r = compile(std::string(kVertex) +
                                          "float4 psMain() : COLOR { float4x4 m = 1; float1 s = 2; return mul(m, s); }\n");
    EXPECT_FALSE(r.ok);
    // A plain build reports the signal; under the address sanitizer its own
    // handler turns the fault into an exit status.
    const bool crashed = r.listing.find("hostile.cg: the compiler crashed (signal 11") != std::string::npos;
    const bool failed = r.listing.find("hostile.cg: the compiler failed (status") != std::string::npos;
    EXPECT_TRUE(crashed || failed) << r.listing;
    Frontend::CgCompileResult next = compile(std::string(kVertex) + "float4 psMain() : COLOR { return 1; }\n");
    EXPECT_TRUE(next.ok) << next.listing;
}

TEST(CgHostile, IncludesOnlyReadRegularFilesAndReportCyclesWithTheirChain)
{
    std::string dir = TestSupport::makeTempDir("cg-include");
    std::ofstream(dir + "/self.cg") << "#include \"self.cg\"\n";
    std::ofstream(dir + "/a.cgh") << "#include \"b.cgh\"\n";
    std::ofstream(dir + "/b.cgh") << "\n#include \"a.cgh\"\n";
    Frontend::CgCompileResult self = compile("#include \"self.cg\"\n", dir + "/self.cg");
    EXPECT_NE(self.listing.find("self.cg:1: the include cycle " + dir + "/self.cg -> " + dir + "/self.cg"),
              std::string::npos)
        << self.listing;
    Frontend::CgCompileResult cycle = compile("\n#include \"a.cgh\"\n", dir + "/main.cg");
    EXPECT_NE(
        cycle.listing.find("b.cgh:2: the include cycle " + dir + "/a.cgh -> " + dir + "/b.cgh -> " + dir + "/a.cgh"),
        std::string::npos)
        << cycle.listing;
    Frontend::CgCompileResult zero = compile("#include \"/dev/zero\"\n", dir + "/main.cg");
    EXPECT_NE(zero.listing.find("main.cg:1: cannot include \"/dev/zero\": not a regular file"), std::string::npos)
        << zero.listing;
    std::filesystem::remove_all(dir);
}

TEST(CgHostile, LongCommentRunsAfterCodeAreReadInLinearTime)
{
    // About 600 KB of comment lines: the initialiser scan once recursed per line.
    std::string source =
        std::string("float4 tint = float4(1, 0, 0, 1);\n") + kVertex + "float4 psMain() : COLOR { return tint; }\n";
    for (int i = 0; i < 60000; ++i)
        source += "// c " + std::to_string(i) + "\n";
    EXPECT_EQ(Frontend::findParameterDefaults(source).size(), 1u);
    Frontend::CgCompileResult r = compile(source);
    EXPECT_TRUE(r.ok) << r.listing;
}

TEST(CgFeatures, SamplersInStructsParametersAndUniformStructEntryParameters)
{
    auto shader = makeShader(R"(
struct Prev { sampler2D texture; float2 texture_size; };
float4 half_of(sampler2D s, float2 uv) { return tex2D(s, uv) * 0.5; }
float4 scaled(Prev p, float2 uv) { return tex2D(p.texture, uv) * p.texture_size.x; }
float4 vsMain(float4 p : POSITION) : POSITION { return p; }
float4 psMain(float2 uv : TEXCOORD0, uniform Prev PREV, uniform sampler2D plain) : COLOR {
    return float4(half_of(plain, uv).r, scaled(PREV, uv).g, tex2D(PREV.texture, uv).b * PREV.texture_size.y, 1);
}
)");
    ASSERT_TRUE(shader);
    unsigned char white[4 * 4 * 4];
    std::fill(std::begin(white), std::end(white), 255);
    Frontend::Texture texture(4, 4, white, Frontend::kFormatRGBA, Frontend::kFilterNearest);
    shader->setTexture("PREV.texture", &texture);
    shader->setTexture("plain", &texture);
    shader->setFloat4("PREV.texture_size", 0.25f, 0.75f, 0, 0);
    drawQuad(*shader);
    expectPixel(8, 8, {128, 64, 191, 255});
}

TEST(CgFeatures, GlobalsWrittenInFunctionsStartAtTheirParameterValue)
{
    auto shader = makeShader(R"(
float4 tint;
float gain = 0.25;
void brighten() { gain *= 2; tint.g = 1; }
float4 vsMain(float4 p : POSITION) : POSITION { return p; }
float4 psMain() : COLOR { brighten(); return float4(tint.r, tint.g, gain, 1); }
)");
    ASSERT_TRUE(shader);
    EXPECT_TRUE(shader->hasParameter("tint"));
    shader->setFloat4("tint", 0.5f, 0, 0, 1);
    drawQuad(*shader);
    expectPixel(8, 8, {128, 255, 128, 255});
}

TEST(CgFeatures, GlslStyleNamesWithScalarAndVectorOperands)
{
    auto shader = makeShader(R"(
float4 vsMain(float4 p : POSITION) : POSITION { return p; }
float4 psMain() : COLOR {
    float2 m = mod(float2(2.5, -0.25), 1.0);         // (0.5, 0.75)
    float f = fract(1.25);                            // 0.25
    float3 x = mix(float3(0, 0, 0), float3(1, 1, 1), 0.5);
    float a = atan(1.0, 1.0) / 3.14159265 * 4 - 0.5;  // 0.5
    return float4(m.x * inversesqrt(1.0), m.y - f, x.z * a * 2, 1);
}
)");
    ASSERT_TRUE(shader);
    drawQuad(*shader);
    expectPixel(8, 8, {128, 128, 128, 255});
}

TEST(CgFeatures, TextureLookupLibraryAndDepthComparisons)
{
    auto shader = makeShader(R"(
sampler1D s1; sampler2D s2; sampler3D s3; samplerCUBE sc; samplerRECT sr;
float4 vsMain(float4 p : POSITION, float2 uv : TEXCOORD0, out float2 tc : TEXCOORD0) : POSITION { tc = uv; return p; }
float4 psMain(float2 uv : TEXCOORD0) : COLOR {
    float4 t = float4(uv, 0.5, 1);
    float4 all = tex1D(s1, t.x) + tex1D(s1, t.xy) + tex1D(s1, t.x, 0.0, 0.0) + tex1Dproj(s1, t.xy) +
                 tex2D(s2, t.xy) + tex2D(s2, t.xy, ddx(t.xy), ddy(t.xy)) + tex2Dproj(s2, t.xyz) + tex2Dproj(s2, t) +
                 tex2Dlod(s2, t) + tex2Dbias(s2, t) + tex2Dgrad(s2, t.xy, ddx(t.xy), ddy(t.xy)) + texRECT(sr, t.xy) +
                 tex3D(s3, t.xyz) + texCUBE(sc, t.xyz) + texCUBEproj(sc, t) + h4tex2D(s2, t.xy);
    return all * 0.001 + float4(0, 0, 0, 1);
}
)");
    EXPECT_TRUE(shader);
    auto shadow = makeShader(R"(
sampler2DShadow depth;
float4 vsMain(float4 p : POSITION, float2 uv : TEXCOORD0, out float2 tc : TEXCOORD0) : POSITION { tc = uv; return p; }
float4 psMain(float2 uv : TEXCOORD0) : COLOR {
    return float4(tex2D(depth, float3(uv, 0.25)).x, tex2D(depth, float3(uv, 0.75)).x,
                  tex2Dproj(depth, float4(uv, 0.5, 2)).x, 1);
}
)");
    ASSERT_TRUE(shadow);
    unsigned char grey[4 * 4 * 4];
    std::fill(std::begin(grey), std::end(grey), 128);
    Frontend::Texture texture(4, 4, grey, Frontend::kFormatRGBA, Frontend::kFilterNearest);
    shadow->setTexture("depth", &texture);
    drawQuad(*shadow);
    expectPixel(8, 8, {255, 0, 255, 255});
}

TEST(CgFeatures, InitialiserFormsArrayConstructorsAndThinMatrices)
{
    auto shader = makeShader(R"(
static const float2 offsets[3] = { 0.0, 0.25, 0.5, 0.75,
                                   1.0, 0.125 };
float4 vsMain(float4 p : POSITION) : POSITION { return p; }
float4 psMain() : COLOR {
    float weights[3] = float[](0.5, 0.25, 0.125);
    float3x1 column = float3x1(1, 0, 0);
    float1x3 row = float1x3(0.5, 1, 1);
    return float4(offsets[1].y, weights[1] + offsets[2].y, mul(row, column), 1);
}
)");
    ASSERT_TRUE(shader);
    drawQuad(*shader);
    expectPixel(8, 8, {191, 96, 128, 255});
}

TEST(CgFeatures, UniformArraysMatrixVaryingsAndFacing)
{
    auto shader = makeShader(R"(
float4 palette[3];
float3x3 basis;
struct V { float4 p : POSITION; float3x3 frame : TEXCOORD1; };
V vsMain(float4 p : POSITION) { V o; o.p = p; o.frame = basis; return o; }
float4 psMain(float3x3 frame : TEXCOORD1, float face : VFACE) : COLOR {
    return float4(palette[1].x, mul(frame, float3(0, 1, 0)).y, face > 0 ? 1 : 0, 1);
}
)");
    ASSERT_TRUE(shader);
    EXPECT_TRUE(shader->hasParameter("palette[2]"));
    shader->setFloat4("palette[1]", 0.5f, 0, 0, 0);
    GLint basis = glGetUniformLocation(shader->glProgram(), "basis");
    ASSERT_GE(basis, 0);
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    glProgramUniformMatrix3fv(shader->glProgram(), basis, 1, GL_FALSE, identity);
    drawQuad(*shader);
    expectPixel(8, 8, {128, 255, 255, 255});
}

TEST(CgFeatures, InitialisersInsideIncludedFilesAreParameterDefaults)
{
    std::string dir = TestSupport::makeTempDir("cg-defaults");
    std::ofstream(dir + "/colours.cgh") << "float4 included_tint = float4(0, 1, 0, 1);\n";
    auto shader = makeShader("#include \"colours.cgh\"\n"
                             "float4 vsMain(float4 p : POSITION) : POSITION { return p; }\n"
                             "float4 psMain() : COLOR { return included_tint; }\n",
                             (dir + "/main.cg").c_str());
    ASSERT_TRUE(shader);
    drawQuad(*shader);
    expectPixel(8, 8, {0, 255, 0, 255});
    std::filesystem::remove_all(dir);
}

} // namespace

namespace {

TEST(CgPreprocessed, MacroBuiltEntriesParentIncludesAndPragmaParametersCompile)
{
    std::string dir = TestSupport::makeTempDir("cg-macro-entry");
    std::filesystem::create_directories(dir + "/include");
    std::filesystem::create_directories(dir + "/shaders");
    std::ofstream(dir + "/include/compat.h")
        << "struct input { float2 video_size; };\n"
           "#define COMPAT_IN_VERTEX uniform input IN, float4 position : POSITION, \\\n"
           "    float2 texCoord : TEXCOORD0, out float2 tc : TEXCOORD0\n"
           "#pragma parameter gain \"Gain\" 0.5 0.0 1.0 0.05\n";
    const std::string source = "#include \"../include/compat.h\"\n"
                               "#ifdef PARAMETER_UNIFORM\nuniform float gain;\n#else\n#define gain 2.0\n#endif\n"
                               "float4 vsMain(COMPAT_IN_VERTEX) : POSITION { tc = texCoord * IN.video_size; "
                               "return position; }\n"
                               "float4 psMain(float2 tc : TEXCOORD0) : COLOR { return float4(gain, 0, 0, 1); }\n";
    Frontend::CgCompileResult r = compile(source, dir + "/shaders/main.cg");
    EXPECT_TRUE(r.ok) << r.listing;
    bool uniformGain = false;
    for (const Frontend::CgParameter& p : r.parameters)
        uniformGain = uniformGain || p.cgName == "gain";
    EXPECT_TRUE(uniformGain);
    ASSERT_EQ(r.pragmaParameters.size(), 1u);
    EXPECT_EQ(r.pragmaParameters[0].label, "Gain");
    EXPECT_FLOAT_EQ(r.pragmaParameters[0].maximum, 1.0f);
    ASSERT_FALSE(r.defaults.empty());
    EXPECT_EQ(r.defaults.back().name, "gain");
    EXPECT_FLOAT_EQ(r.defaults.back().value[0], 0.5f);
    // A nameless parameter made by a macro is still refused, at the line that uses it.
    Frontend::CgCompileResult nameless =
        compile("#define ARGS float4 : POSITION\n\nfloat4 vsMain(ARGS) : POSITION { return 0; }\n", "m.cg");
    EXPECT_NE(nameless.listing.find("m.cg:3: a parameter of entry \"vsMain\" has no name"), std::string::npos)
        << nameless.listing;
    std::filesystem::remove_all(dir);
}

} // namespace

namespace {

TEST(CgHostile, ByteOrderMarkIsAcceptedAndEmptyOrNulTextsAreNamed)
{
    const std::string body = std::string(kVertex) + "float4 psMain() : COLOR { return 1; }\n";
    Frontend::CgCompileResult bom = compile("\xEF\xBB\xBF" + body, "bom.cg");
    EXPECT_TRUE(bom.ok) << bom.listing;
    EXPECT_EQ(compile("", "empty.cg").listing, "empty.cg:1: the shader is empty (0 bytes)\n");
    const std::string nul = "float4 a;\n\nfloat4 b;" + std::string(1, '\0') + body;
    // Read as the demo's catalogue and its reloading read a shader file.
    const std::string path = TestSupport::makeTempDir("cg-nul") + "/nul.cg";
    std::ofstream(path, std::ios::binary) << nul;
    EXPECT_EQ(Frontend::ShaderSource(FrontendExt::File(path, "rb")).problem(),
              path + ":3: the shader holds a NUL byte; it is not a text file\n");
}

} // namespace

namespace {

TEST(CgFeatures, IntegerVaryingsReachThePixelStageUninterpolated)
{
    auto shader = makeShader(R"(
struct V { float4 p : POSITION; int id : TEXCOORD1; int2 cell : TEXCOORD2; };
V vsMain(float4 p : POSITION) { V o; o.p = p; o.id = 2; o.cell = int2(1, 3); return o; }
float4 psMain(int id : TEXCOORD1, int2 cell : TEXCOORD2) : COLOR { return float4(id, cell.x, cell.y, 4) / 4.0; }
)");
    ASSERT_TRUE(shader);
    drawQuad(*shader);
    expectPixel(8, 8, {128, 64, 191, 255});
}

} // namespace

namespace {

TEST(CgFeatures, TexelFetchAndSizeLookups)
{
    auto shader = makeShader(R"(
sampler2D s;
float4 vsMain(float4 p : POSITION) : POSITION { return p; }
float4 psMain() : COLOR {
    int3 size = tex2Dsize(s, 0);
    return float4(tex2Dfetch(s, int4(1, 1, 0, 0)).r, size.x / 8.0, size.y / 8.0, 1);
}
)");
    ASSERT_TRUE(shader);
    unsigned char pixels[4 * 2 * 4] = {};
    pixels[(1 * 4 + 1) * 4] = 255; // texel (1, 1), red
    Frontend::Texture texture(4, 2, pixels, Frontend::kFormatRGBA, Frontend::kFilterNearest);
    shader->setTexture("s", &texture);
    drawQuad(*shader);
    expectPixel(8, 8, {255, 128, 64, 255});
}

} // namespace
