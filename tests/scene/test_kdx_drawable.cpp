// The material drawable: which shader and parameters each kind of material
// gets, blending of colour-only meshes, and scenes with nothing to draw.
#include <gtest/gtest.h>

#include <epoxy/gl.h>

#include <functional>

#include "demo/Catalogues.h"
#include "demo/Element.h"
#include "frontend/Error.h"
#include "frontend/RenderTarget.h"
#include "frontend/Shader.h"
#include "scene/KDXDrawable.h"
#include "tests/scene/KDXBuilders.h"
#include "tests/support/TestContext.h"
#include "tests/support/engine/SceneFixture.h"

using namespace Vantrel;

namespace {

constexpr int kSide = 32;

// Records which material hook ran and whether blending was on after each mesh.
class RecordingDrawable : public StdVantrel::KDXDrawable {
public:
    using KDXDrawable::KDXDrawable;
    std::vector<std::string> paths;
    std::vector<bool> blendAfterMesh;

protected:
    void useColorMaterial(const ::Scene::Material& material) override
    {
        paths.push_back("colour:" + material.name());
        KDXDrawable::useColorMaterial(material);
    }
    void afterMesh(bool colorOnly) override
    {
        KDXDrawable::afterMesh(colorOnly);
        blendAfterMesh.push_back(glIsEnabled(GL_BLEND) == GL_TRUE);
    }
};

class KDXDrawableTest : public TestSupport::SceneFixture {
protected:
    KDXDrawableTest() : SceneFixture("kdxdrawable", kSide) {}

    void SetUp() override
    {
        run.writePicture("skin.png", 4, 4, 200, 100, 50);
        run.writePicture("stone.png", 4, 4, 100, 100, 100);
        run.writePicture("normal_stone.png", 4, 4, 128, 128, 255);
        load();
    }

    // One quad per material name ("" for none), side by side, saved under data/.
    RecordingDrawable* drawable(const std::vector<std::string>& meshMaterials)
    {
        Halvane::Scene kdx;
        kdx.materials.push_back(KDXTest::material("tex", "skin.png", ""));
        kdx.materials.push_back(KDXTest::material("bump", "stone.png", "stone.png"));
        kdx.materials.push_back(KDXTest::material("bumponly", "", "stone.png"));
        kdx.materials.push_back(KDXTest::colourMaterial("glass", 0.875f, 0.5f));
        kdx.materials.push_back(KDXTest::material("lost", "nosuch.jpg", ""));
        kdx.materials.push_back(KDXTest::material("lostbump", "skin.png", "gone.png"));
        for (size_t i = 0; i < meshMaterials.size(); ++i)
            kdx.roots.push_back(KDXTest::quadMesh("Mesh" + std::to_string(i), meshMaterials[i]));
        std::string path = "data/scene" + std::to_string(serial++) + ".kdx";
        Halvane::writeKDX(path, kdx);
        return demo.own(new RecordingDrawable(&demo, path));
    }

    Frontend::CompleteShader* shader(const char* name) { return demo.shaders[name]; }

    std::vector<float> uniform(const char* shaderName, const char* parameter)
    {
        unsigned program = shader(shaderName)->glProgram();
        GLint location = glGetUniformLocation(program, parameter);
        std::vector<float> value(4, -1.0f);
        if (location >= 0)
            glGetUniformfv(program, location, value.data());
        return value;
    }

    // Draws into the scene's picture seen from +z, over black; returns the centre pixel.
    std::vector<unsigned char> render(RecordingDrawable& d)
    {
        return renderWith([&] { d.draw(0.0f); });
    }

    std::vector<unsigned char> renderWith(const std::function<void()>& drawCall)
    {
        Frontend::State::resetState();
        scene->bind();
        Frontend::State::clear(0, 0, 0, 1, true, true, true);
        scene->perspective(90.0f, 1.0f, 0.5f, 100.0f);
        scene->lookAt(0, 0, 2, 0, 0, 0, 0, 1, 0);
        // Roots compose onto the current world matrix, which a draw leaves at its last mesh.
        Frontend::State::loadIdentityWorld();
        drawCall();
        std::vector<unsigned char> pixel = TestSupport::readPixels(kSide / 2, kSide / 2, 1, 1);
        Frontend::RenderTarget::unbind();
        return pixel;
    }

    int serial = 0;
};

} // namespace

TEST_F(KDXDrawableTest, TextureMaterialsPickTheirShaderAndTextures)
{
    RecordingDrawable* textured = drawable({"tex"});
    render(*textured);
    EXPECT_EQ(textured->shader, shader("vantrel_texturespecular.cg"));
    EXPECT_EQ(textured->boundTextures, (std::vector<std::string>{"tex0"}));
    EXPECT_EQ(uniform("vantrel_texturespecular.cg", "lightPosition"), (std::vector<float>{0, 0, 0, 1}));
    EXPECT_TRUE(textured->paths.empty());

    RecordingDrawable* bumped = drawable({"bump"});
    render(*bumped);
    EXPECT_EQ(bumped->shader, shader("vantrel_specularbump.cg"));
    EXPECT_EQ(bumped->boundTextures, (std::vector<std::string>{"tex0", "tex1"}));
    EXPECT_EQ(uniform("vantrel_specularbump.cg", "lightPosition"), (std::vector<float>{0, 0, 0, 1}));
}

TEST_F(KDXDrawableTest, ColourOnlyMaterialsSendColourAndAlpha)
{
    // A bump map without a colour texture is ignored; no material draws grey.
    RecordingDrawable* d = drawable({"bumponly", "", "glass"});
    render(*d);
    EXPECT_EQ(d->paths, (std::vector<std::string>{"colour:bumponly", "colour:", "colour:glass"}));
    EXPECT_EQ(d->shader, shader("vantrel_colorspecular.cg"));
    EXPECT_TRUE(d->boundTextures.empty());
    EXPECT_EQ(uniform("vantrel_colorspecular.cg", "color"), (std::vector<float>{0.25f, 0.5f, 0.75f, 0.875f}));
    EXPECT_EQ(uniform("vantrel_colorspecular.cg", "alpha")[0], 0.5f);
}

TEST_F(KDXDrawableTest, ColourOnlyBlendsAndTheNextMeshStartsWithBlendingOff)
{
    RecordingDrawable* d = drawable({"glass", "tex"});
    render(*d);
    EXPECT_EQ(d->blendAfterMesh, (std::vector<bool>{false, false}));
    EXPECT_EQ(d->shader, shader("vantrel_texturespecular.cg"));
}

TEST_F(KDXDrawableTest, HalfAlphaDrawsAtHalfOpacity)
{
    RecordingDrawable* glass = drawable({"glass"});
    std::vector<unsigned char> half = render(*glass);

    // The same colour at full alpha, through a scene of its own.
    Halvane::Scene kdx;
    kdx.materials.push_back(KDXTest::colourMaterial("glass", 1.0f, 1.0f));
    kdx.roots.push_back(KDXTest::quadMesh("Mesh", "glass"));
    Halvane::writeKDX("data/full.kdx", kdx);
    std::vector<unsigned char> whole = render(*demo.own(new RecordingDrawable(&demo, "data/full.kdx")));

    ASSERT_GT(whole[2], 60);
    // color.w 0.875 times alpha 0.5 over black.
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(half[c], whole[c] * 0.4375, 2.0) << "channel " << c;
}

TEST_F(KDXDrawableTest, DrawWithoutATimeDrawsNothingThroughEitherBase)
{
    RecordingDrawable* d = drawable({"glass"});
    const std::vector<unsigned char> pixel = renderWith([&] {
        static_cast<Drawable&>(*d).draw();
        static_cast<Scene::KDXLoader&>(*d).draw();
    });
    EXPECT_EQ(pixel, (std::vector<unsigned char>{0, 0, 0, 255}));
    EXPECT_TRUE(d->paths.empty());
}

TEST_F(KDXDrawableTest, SceneWithoutMeshesSetsNoShader)
{
    Halvane::Scene kdx;
    kdx.roots.push_back(KDXTest::plainNode("Empty", Scene::kNodePlain));
    Halvane::writeKDX("data/empty.kdx", kdx);
    auto* d = demo.own(new RecordingDrawable(&demo, "data/empty.kdx"));
    render(*d);
    EXPECT_EQ(d->shader, nullptr);
    EXPECT_TRUE(d->blendAfterMesh.empty());
}

TEST_F(KDXDrawableTest, MissingFileThrows)
{
    EXPECT_THROW(new StdVantrel::KDXDrawable(&demo, "data/missing.kdx"), Frontend::Error);
}

TEST_F(KDXDrawableTest, AMissingTextureIsNamedWithTheSceneAndMaterialAtLoad)
{
    const std::pair<const char*, const char*> cases[] = {
        {"lost", "data/scene0.kdx: material 'lost' names the texture 'nosuch.jpg'"},
        {"lostbump", "data/scene1.kdx: material 'lostbump' names the texture 'normal_gone.png'"}};
    for (const auto& [material, expected] : cases) {
        try {
            drawable({"tex", material});
            ADD_FAILURE() << material << " was taken";
        } catch (const Frontend::Error& error) {
            EXPECT_NE(std::string(error.what()).find(expected), std::string::npos) << error.what();
        }
    }
}
