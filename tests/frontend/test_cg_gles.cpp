// The Cg path's GLSL ES target and the parameter table that carries what the
// web build needs to set parameters by name.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "frontend/cg/CgCompiler.h"
#include "frontend/cg/GlesTable.h"

namespace {

using Frontend::CgCompileResult;

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

CgCompileResult compile(const std::string& source, const std::string& name, bool gles)
{
    Frontend::CgCompileInput input{source.c_str(), "vsMain", "psMain", name};
    input.gles = gles;
    return Frontend::compileCgShader(input);
}

// What the runtime looks up by name must not depend on the target.
std::string interfaceOf(const CgCompileResult& r)
{
    return Frontend::Cg::writeGlesTable(r);
}

} // namespace

TEST(CgGles, EveryShippedShaderGivesEsWithTheDesktopsInterface)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VANTREL_SOURCE_DIR "/vantrel_data")) {
        if (entry.path().extension() != ".cg")
            continue;
        std::string source = readFile(entry.path());
        std::string name = entry.path().filename().string();
        CgCompileResult desktop = compile(source, name, false);
        CgCompileResult es = compile(source, name, true);
        ASSERT_TRUE(desktop.ok) << desktop.listing;
        ASSERT_TRUE(es.ok) << es.listing;
        EXPECT_EQ(desktop.vertexGlsl.rfind("#version 330\n", 0), 0u) << name;
        EXPECT_EQ(es.vertexGlsl.rfind("#version 300 es\n", 0), 0u) << name;
        EXPECT_NE(es.fragmentGlsl.find("precision highp float;"), std::string::npos) << name;
        EXPECT_EQ(interfaceOf(es), interfaceOf(desktop)) << name;
        ++count;
    }
    EXPECT_GE(count, 10);
}

TEST(CgGles, TableReadsBackWhatWasWritten)
{
    CgCompileResult compiled =
        compile("float4x4 StateComplete;\n"
                "float4 tint = float4(0.1, 1e-7, -3.25, 16777217);\n"
                "float offsets[2];\n"
                "sampler2D tex0;\n"
                "float4 vsMain(float4 p : POSITION, float3 n : NORMAL, out float2 tc : "
                "TEXCOORD0) : POSITION { tc = n.xy * offsets[1]; return mul(StateComplete, p); }\n"
                "float4 psMain(float2 tc : TEXCOORD0) : COLOR { return tex2D(tex0, tc) * tint * "
                "offsets[0]; }\n",
                "table.cg", true);
    ASSERT_TRUE(compiled.ok) << compiled.listing;
    std::string text = Frontend::Cg::writeGlesTable(compiled);
    CgCompileResult read;
    std::string error;
    ASSERT_TRUE(Frontend::Cg::readGlesTable(text, "table.cg.params", read, error)) << error;
    EXPECT_EQ(Frontend::Cg::writeGlesTable(read), text);
    ASSERT_EQ(read.defaults.size(), 1u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(read.defaults[0].value[i], compiled.defaults[0].value[i]);
    EXPECT_NE(text.find("parameter offsets[1] "), std::string::npos) << text;
    EXPECT_NE(text.find(" both\n"), std::string::npos) << text;
}

TEST(CgGles, DamagedTablesAreNamedByFileAndLine)
{
    const std::string header = "vantrel-gles-table 1\n";
    const std::pair<std::string, std::string> cases[] = {
        {"", "t.params:1: the table is empty"},
        {"vantrel-gles-table 2\n", "t.params:1: not a GLSL ES parameter table"},
        {header + "parameter a a float\n", "t.params:2: a parameter needs"},
        {header + "parameter a a double both\n", "t.params:2: unknown parameter type \"double\""},
        {header + "parameter a a float pixel\n", "t.params:2: unknown stages \"pixel\""},
        {header + "attribute POSITION0 attr 0x1\n", "t.params:2: an attribute needs"},
        {header + "attribute POSITION0 attr 0\ndefault a 5 1 2 3 4 5\n", "t.params:3: a default needs"},
        {header + "default a 2 1\n", "t.params:2: a default of 2 values has 1"},
        {header + "default a 1 one\n", "t.params:2: \"one\" is not a number"},
        {header + "parameter  a float both\n", "t.params:2: an empty field"},
        {header + "\n", "t.params:2: an empty field"},
        {header + "uniform a\n", "t.params:2: unknown record \"uniform\""},
    };
    for (const auto& [text, expected] : cases) {
        CgCompileResult read;
        std::string error;
        EXPECT_FALSE(Frontend::Cg::readGlesTable(text, "t.params", read, error)) << text;
        EXPECT_EQ(error.rfind(expected, 0), 0u) << "got: " << error;
    }
}
