// Parameter initialisers: Cg starts a parameter at the value it is declared with.
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include "frontend/cg/ParameterDefaults.h"
#include "frontend/Shader.h"
#include "tests/support/TestContext.h"

using Frontend::findParameterDefaults;

TEST(ParameterDefaults, FileScopeInitialisersAreFoundAndBodiesIgnored)
{
    const char* source = "uniform float alpha = 0.5;  // comment = 3;\n"
                         "float4 color = float4(1, 0.5, 0.25, 1);\n"
                         "half2 scale = half2(2.0h, 3.0h);\n"
                         "const float pi = 3.14159;\n"
                         "static float hidden = 7;\n"
                         "float4 broadcast = float4(0.75);\n"
                         "/* float commented = 9; */\n"
                         "float4 psMain() : COLOR { float local = 4.0; return color * local; }\n";
    std::vector<Frontend::CgDefault> found = findParameterDefaults(source);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0].name, "alpha");
    EXPECT_EQ(found[0].count, 1);
    EXPECT_FLOAT_EQ(found[0].value[0], 0.5f);
    EXPECT_EQ(found[1].name, "color");
    EXPECT_FLOAT_EQ(found[1].value[1], 0.5f);
    EXPECT_FLOAT_EQ(found[1].value[2], 0.25f);
    EXPECT_EQ(found[2].name, "scale");
    EXPECT_FLOAT_EQ(found[2].value[1], 3.0f);
    EXPECT_EQ(found[3].name, "broadcast");
    EXPECT_FLOAT_EQ(found[3].value[3], 0.75f);
}

TEST(ParameterDefaults, AShaderStartsWithItsInitialisersUntilSetOtherwise)
{
    TestSupport::glContext();
    const char* source = "float4x4 StateComplete;\n"
                         "float4 color = float4(0.25, 0.5, 0.75, 1.0);\n"
                         "float4 vsMain(float4 p : POSITION) : POSITION { return mul(StateComplete, p); }\n"
                         "float4 psMain() : COLOR { return color; }\n";
    Frontend::CompleteShader shader(source, "vsMain", "psMain", "defaults.cg");
    GLint location = glGetUniformLocation(shader.glProgram(), "color");
    ASSERT_GE(location, 0);
    float value[4] = {};
    glGetUniformfv(shader.glProgram(), location, value);
    EXPECT_FLOAT_EQ(value[0], 0.25f);
    EXPECT_FLOAT_EQ(value[2], 0.75f);
    shader.setFloat4("color", 1, 1, 1, 1);
    glGetUniformfv(shader.glProgram(), location, value);
    EXPECT_FLOAT_EQ(value[0], 1.0f);
}
