// Textures and render targets on the shared hidden context.
#include "frontend/Texture.h"

#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <string>
#include <vector>

#include "frontend/Context.h"
#include "frontend/Error.h"
#include "frontend/RenderTarget.h"
#include "tests/support/TestContext.h"

using Frontend::RenderTarget;
using Frontend::Texture;

namespace {

GLint parameter(const Texture& texture, GLenum name)
{
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, texture.id());
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

GLint levelParameter(const Texture& texture, int level, GLenum name)
{
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, texture.id());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

std::vector<int> viewport()
{
    std::vector<int> v(4);
    glGetIntegerv(GL_VIEWPORT, v.data());
    return v;
}

class GLTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestSupport::glContext();
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    void TearDown() override { EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)); }
};

using TextureTest = GLTest;
using RenderTargetTest = GLTest;

TEST_F(TextureTest, OddWidthRowsUploadTightlyPackedAndClamp)
{
    // 3 x 2 RGB: 9-byte rows would be padded to 12 at GL's default alignment.
    const std::vector<unsigned char> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    Texture texture(3, 2, rgb.data(), Frontend::kFormatRGB, Frontend::kFilterNearest);
    std::vector<unsigned char> back(rgb.size());
    glBindTexture(GL_TEXTURE_2D, texture.id());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, back.data());
    EXPECT_EQ(back, rgb);
    EXPECT_EQ(parameter(texture, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(parameter(texture, GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(parameter(texture, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(texture.width(), 3);
    EXPECT_EQ(texture.format(), Frontend::kFormatRGB);

    Texture linear(4, 4, nullptr, Frontend::kFormatRGBAFloat, Frontend::kFilterLinear);
    EXPECT_EQ(parameter(linear, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(levelParameter(linear, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA32F);
}

TEST_F(TextureTest, MipmapFilterBuildsTheWholeChainAndRepeats)
{
    std::vector<unsigned char> rgba(5 * 3 * 4, 200); // sides that are not powers of two
    Texture texture(5, 3, rgba.data(), Frontend::kFormatRGBA, Frontend::kFilterMipmap);
    EXPECT_EQ(parameter(texture, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(parameter(texture, GL_TEXTURE_WRAP_S), GL_REPEAT);
    int width = levelParameter(texture, 0, GL_TEXTURE_WIDTH), height = levelParameter(texture, 0, GL_TEXTURE_HEIGHT);
    ASSERT_GT(width, 0);
    int level = 0;
    while (width > 1 || height > 1) {
        ++level;
        width = width > 1 ? width / 2 : 1;
        height = height > 1 ? height / 2 : 1;
        EXPECT_EQ(levelParameter(texture, level, GL_TEXTURE_WIDTH), width) << "level " << level;
    }
    EXPECT_EQ(levelParameter(texture, level, GL_TEXTURE_HEIGHT), 1);
}

TEST_F(TextureTest, WrapModesAndFormatCodes)
{
    Texture texture(2, 2, nullptr, Frontend::kFormatRGBA, Frontend::kFilterLinear);
    texture.setWrap(0);
    EXPECT_EQ(parameter(texture, GL_TEXTURE_WRAP_S), GL_REPEAT);
    texture.setWrap(1);
    EXPECT_EQ(parameter(texture, GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    texture.setWrap(2);
    EXPECT_EQ(parameter(texture, GL_TEXTURE_WRAP_T), GL_REPEAT);

    unsigned id = texture.id();
    texture.setData(8, 8, nullptr, Frontend::kFormatDepth24, Frontend::kFilterNearest);
    EXPECT_EQ(texture.id(), id) << "new data keeps the texture name";
    EXPECT_EQ(levelParameter(texture, 0, GL_TEXTURE_WIDTH), 8);
    EXPECT_GE(levelParameter(texture, 0, GL_TEXTURE_DEPTH_SIZE), 24);

    EXPECT_THROW(Texture(2, 2, nullptr, 5, Frontend::kFilterLinear), Frontend::Error);

    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    try {
        Texture(maxSide + 1, 1, nullptr, Frontend::kFormatRGB, Frontend::kFilterNearest);
        ADD_FAILURE() << "a texture beyond the context's limit was made";
    } catch (const Frontend::Error& error) {
        EXPECT_NE(std::string(error.what()).find("(" + std::to_string(maxSide) + " texels a side)"), std::string::npos)
            << error.what();
    }
}

TEST_F(RenderTargetTest, ConstructionLeavesTheWindowBound)
{
    Frontend::Context& context = TestSupport::glContext();
    RenderTarget target(256, 256, true, true);
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(viewport(), (std::vector<int>{0, 0, context.window().clientWidth(), context.window().clientHeight()}));

    ASSERT_NE(target.colorTexture(), nullptr);
    EXPECT_EQ(target.colorTexture()->format(), Frontend::kFormatRGBA);
    EXPECT_EQ(parameter(*target.colorTexture(), GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    ASSERT_NE(target.depthTexture(), nullptr);
    EXPECT_TRUE(target.depthTexture()->format() == Frontend::kFormatDepth24 ||
                target.depthTexture()->format() == Frontend::kFormatDepth16);

    target.bind();
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(static_cast<unsigned>(bound), target.framebufferName());
    EXPECT_EQ(viewport(), (std::vector<int>{0, 0, 256, 256}));
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));

    RenderTarget::unbind();
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(viewport(), (std::vector<int>{0, 0, 800, 600}));
}

TEST_F(RenderTargetTest, DrawingGoesIntoTheColourTexture)
{
    RenderTarget target(64, 32, true, true);
    target.bind();
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    RenderTarget::unbind();
    std::vector<unsigned char> pixels(64 * 32 * 4);
    glBindTexture(GL_TEXTURE_2D, target.colorTexture()->id());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    EXPECT_EQ(pixels[0], 0);
    EXPECT_EQ(pixels[1], 255);
    EXPECT_EQ(pixels[pixels.size() - 3], 255);
}

TEST_F(RenderTargetTest, OptionalAttachments)
{
    RenderTarget colourOnly(128, 128, true, false);
    EXPECT_EQ(colourOnly.depthTexture(), nullptr);
    colourOnly.bind();
    GLint type = -1;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE,
                                          &type);
    EXPECT_EQ(type, GL_NONE);

    RenderTarget bare(16, 16, false, false);
    EXPECT_NE(bare.framebufferName(), 0u);
    EXPECT_EQ(bare.colorTexture(), nullptr);
    EXPECT_EQ(bare.depthTexture(), nullptr);

    auto* depth = new Texture(128, 128, nullptr, Frontend::kFormatDepth24, Frontend::kFilterLinear);
    EXPECT_TRUE(colourOnly.attachDepth(depth));
    EXPECT_EQ(colourOnly.depthTexture(), depth);
    RenderTarget::unbind();
    delete depth; // attached from outside: the target does not own it
}

} // namespace
