// Loading the catalogues from a run directory, preparing and warming up, and
// composing the timeline into the window.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include <epoxy/gl.h>

#include "demo/Element.h"
#include "frontend/Error.h"
#include "frontend/File.h"
#include "frontend/ImageLoader.h"
#include "frontend/RenderTarget.h"
#include "frontend/Shader.h"
#include "frontend_ext/QBRLoader.h"
#include "tests/support/TestContext.h"
#include "tests/support/engine/RunDirectory.h"

using namespace Vantrel;
using TestSupport::averageColour;

namespace {

// Fills its picture with one colour and remembers the local time it saw.
class FlatScene : public Element {
public:
    FlatScene(Demo* owner, float r, float g, float b) : Element(owner, "Untitled", 64, 64), colour{r, g, b} {}
    void draw() override
    {
        clear(colour[0], colour[1], colour[2], 1.0f, true, true, true);
        seenLocalTime = localTime;
        draws++;
    }
    float colour[3];
    float seenLocalTime = -1.0f;
    int draws = 0;
};

// Composes at `t` over a red window and returns the window's average colour.
std::vector<double> composeAt(Demo& demo, float t)
{
    Frontend::RenderTarget::unbind();
    Frontend::State::clear(1.0f, 0.0f, 0.0f, 1.0f, true, true, true);
    demo.time = t;
    demo.composeFrame();
    Frontend::RenderTarget::unbind();
    return averageColour(0, 0, demo.width, demo.height);
}

class Composition : public testing::Test {
protected:
    TestSupport::RunDirectory run{"compose"};
    TestSupport::TestDemo demo;
};

} // namespace

TEST_F(Composition, NothingIsComposedAtTheExactBoundaryBetweenTwoSpans)
{
    demo.loadAndPrepare();
    auto* green = new FlatScene(&demo, 0, 1, 0);
    auto* blue = new FlatScene(&demo, 0, 0, 1);
    demo.timeline.push_back({0.0f, 1.0f, green});
    demo.timeline.push_back({1.0f, 2.0f, blue});

    std::vector<double> atBoundary = composeAt(demo, 1.0f);
    EXPECT_GT(atBoundary[0], 250); // the red clear is untouched
    EXPECT_EQ(demo.activeEntry(), -1);

    std::vector<double> inside = composeAt(demo, 1.5f);
    EXPECT_LT(inside[0], 5);
    EXPECT_GT(inside[2], 250);
    EXPECT_EQ(demo.activeEntry(), 1);
}

TEST_F(Composition, OutsideEverySpanTheWindowIsBlackNotAnEarlierFrame)
{
    demo.loadAndPrepare();
    demo.timeline.push_back({1.0f, 2.0f, new FlatScene(&demo, 0, 1, 0)});
    demo.timeline.push_back({3.0f, 4.0f, new FlatScene(&demo, 0, 0, 1)});
    for (float t : {0.0f, 1.0f, 2.0f, 2.5f, 4.0f, 100.0f}) {
        std::vector<double> colour = composeAt(demo, t);
        EXPECT_LT(colour[0] + colour[1] + colour[2], 1.0) << "at " << t;
    }
}

TEST_F(Composition, WhenTwoEntriesOverlapTheLastOneStaysVisible)
{
    demo.loadAndPrepare();
    auto* green = new FlatScene(&demo, 0, 1, 0);
    auto* blue = new FlatScene(&demo, 0, 0, 1);
    demo.timeline.push_back({0.0f, 2.0f, blue});
    demo.timeline.push_back({1.0f, 3.0f, green});
    std::vector<double> colour = composeAt(demo, 1.5f);
    EXPECT_GT(colour[1], 250);
    EXPECT_LT(colour[2], 5);
    EXPECT_EQ(blue->draws, 1); // both entries were rendered, the first one under the second
}

TEST_F(Composition, AnElementInTwoEntriesRestartsItsLocalTime)
{
    demo.loadAndPrepare();
    auto* scene = new FlatScene(&demo, 1, 1, 1);
    demo.timeline.push_back({0.0f, 1.0f, scene});
    demo.timeline.push_back({2.0f, 3.0f, scene});
    composeAt(demo, 0.5f);
    EXPECT_FLOAT_EQ(scene->seenLocalTime, 0.5f);
    EXPECT_FLOAT_EQ(scene->progress, 0.5f);
    composeAt(demo, 2.25f);
    EXPECT_FLOAT_EQ(scene->seenLocalTime, 0.25f);
}

TEST_F(Composition, DrawablesCreatedDuringTheWarmUpAreWarmedInTheSamePass)
{
    struct Child : Drawable {
        explicit Child(Demo* owner) : Drawable(owner, "Child") {}
        void prepare() override { prepared = true; }
        void draw() override { draws++; }
        bool prepared = false;
        int draws = 0;
    };
    struct Parent : Drawable {
        explicit Parent(Demo* owner) : Drawable(owner, "Parent") {}
        void draw() override
        {
            if (!child)
                child = std::make_unique<Child>(demo);
        }
        std::unique_ptr<Child> child;
    };
    demo.load();
    auto* parent = demo.own(new Parent(&demo));
    demo.prepareDrawables();
    ASSERT_NE(parent->child, nullptr);
    EXPECT_EQ(parent->child->draws, 1);
    EXPECT_FALSE(parent->child->prepared);
}

TEST_F(Composition, FrameDumpsAreNumberedAcrossTheRun)
{
    demo.loadAndPrepare();
    demo.timeline.push_back({0.0f, 10.0f, new FlatScene(&demo, 0, 0, 1)});
    for (int i = 0; i < 3; i++) {
        composeAt(demo, 1.0f + static_cast<float>(i));
        demo.dumpFrame(TestSupport::glContext());
    }
    for (const char* name : {"dump0.png", "dump1.png", "dump2.png"}) {
        ASSERT_TRUE(std::filesystem::exists(name)) << name;
        FrontendExt::ImageLoader dump(FrontendExt::File(name, "rb"));
        EXPECT_EQ(dump.width(), 800);
        EXPECT_EQ(dump.height(), 600);
        EXPECT_EQ(dump.data()[2], 255); // blue
    }
    EXPECT_FALSE(std::filesystem::exists("dump3.png"));
}

namespace {

// Four coloured quadrants, so that scaling or shifting the picture shows.
class QuadrantScene : public Element {
public:
    explicit QuadrantScene(Demo* owner) : Element(owner, "Untitled", 64, 64) {}
    void draw() override
    {
        const float colours[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}};
        glEnable(GL_SCISSOR_TEST);
        for (int i = 0; i < 4; i++) {
            glScissor((i % 2) * 32, (i / 2) * 32, 32, 32);
            clear(colours[i][0], colours[i][1], colours[i][2], 1.0f, true, true, true);
        }
        glDisable(GL_SCISSOR_TEST);
    }
};

} // namespace

TEST_F(Composition, AWindowOfThePicturesSizeShowsItOverTheWholeWindowAsBefore)
{
    demo.loadAndPrepare();
    auto* scene = new QuadrantScene(&demo);
    demo.timeline.push_back({0.0f, 10.0f, scene});
    composeAt(demo, 1.0f);
    std::vector<unsigned char> composed = TestSupport::readPixels(0, 0, 800, 600);

    // The picture drawn straight over the full window, as the composition always did.
    Frontend::RenderTarget::unbind();
    Frontend::State::setViewport(0, 0, 800, 600);
    Frontend::State::clear(0.0f, 0.0f, 0.0f, 0.0f, true, true, true);
    scene->useShader("vantrel_texture.cg");
    scene->setTexture("tex0", scene->colorTexture());
    scene->drawFullscreenQuad(-1.0f, -1.0f, 1.0f, 1.0f);
    scene->releaseTextures();
    EXPECT_TRUE(composed == TestSupport::readPixels(0, 0, 800, 600));
}

TEST_F(Composition, APictureOfAnotherAspectSitsBetweenBarsOrCoversTheWindow)
{
    demo.loadAndPrepare();
    demo.timeline.push_back({0.0f, 10.0f, new FlatScene(&demo, 0, 1, 0)});
    demo.viewport[2] = 400; // a 2:3 picture in the 4:3 window
    demo.viewport[3] = 600;

    composeAt(demo, 1.0f);
    std::vector<double> leftBar = averageColour(0, 0, 200, 600);
    std::vector<double> picture = averageColour(200, 0, 400, 600);
    std::vector<double> rightBar = averageColour(600, 0, 200, 600);
    EXPECT_LT(leftBar[0] + leftBar[1] + rightBar[0] + rightBar[1], 1.0) << "bars are black, not the old frame";
    EXPECT_GT(picture[1], 254.0);

    demo.fit = Fit::Crop;
    std::vector<double> whole = composeAt(demo, 1.0f);
    EXPECT_GT(whole[1], 254.0);
    EXPECT_LT(whole[0], 1.0);
}

TEST(Catalogues, LoadEveryDataFileUnderItsExactNameAndBuildBothPools)
{
    TestSupport::RunDirectory run("catalogue");
    run.writePicture("Sky.PNG", 8, 8, 10, 20, 30);
    run.writePicture("sky.png", 4, 4, 10, 20, 30);
    FrontendExt::QBRMesh triangle{"t", {0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, {0, 1, 2}};
    FrontendExt::writeQBR(run.path + "/data/tri.qbr", {triangle});
    // A shader of the same name in data/ is overridden by the one in vantrel_data/.
    run.writeFile("data/vantrel_color.cg", "uniform float onlyInData;\n"
                                           "float4 vsMain(float4 p : POSITION) : POSITION { return p; }\n"
                                           "float4 psMain() : COLOR { return float4(onlyInData, 0, 0, 1); }\n");

    TestSupport::TestDemo demo;
    demo.load();
    EXPECT_EQ(demo.textures["Sky.PNG"]->width(), 8);
    EXPECT_EQ(demo.textures["sky.png"]->width(), 4);
    EXPECT_EQ(demo.meshes["tri.qbr"]->meshCount(), 1);
    EXPECT_FALSE(demo.shaders["vantrel_color.cg"]->hasParameter("onlyInData"));
    EXPECT_TRUE(demo.shaders.contains("vantrel_texture.cg"));

    for (TargetResourceProxy* pool : {&demo.targets, &demo.effectTargets}) {
        std::vector<int> sides;
        for (const auto& [side, target] : pool->entries()) {
            sides.push_back(side);
            EXPECT_EQ(target->width, side);
        }
        EXPECT_EQ(sides, (std::vector<int>{4, 8, 16, 32, 64, 128, 256, 512, 1024}));
    }
    EXPECT_EQ(demo.drawables().size(), 18u);
    Element* small = demo.targets[8];
    EXPECT_EQ(small->scaledTargets[0], small); // built before it was in the pool
    EXPECT_EQ(small->scaledTargets[1], demo.targets[4]);
    EXPECT_EQ(small->scaledTargets[3], demo.targets[4]);
}

TEST(Catalogues, TheDemoFreesWhatItLoadedAndTheScenesOfItsTimelineOnce)
{
    TestSupport::RunDirectory run("owned");
    run.writePicture("sky.png", 4, 4, 10, 20, 30);
    struct CountedScene : FlatScene {
        explicit CountedScene(Demo* owner, int& gone) : FlatScene(owner, 0, 0, 0), freed(gone) {}
        ~CountedScene() override { freed++; }
        int& freed;
    };
    int scenesFreed = 0;
    auto demo = std::make_unique<TestSupport::TestDemo>();
    demo->load();
    auto* scene = new CountedScene(demo.get(), scenesFreed);
    demo->timeline = {{0.0f, 1.0f, scene}, {1.0f, 2.0f, nullptr}, {2.0f, 3.0f, scene}};
    const unsigned picture = demo->textures["sky.png"]->id();
    const unsigned poolPicture = demo->targets[64]->colorTexture()->id();
    const unsigned sceneDepth = scene->depthTexture()->id();
    ASSERT_TRUE(glIsTexture(picture) && glIsTexture(poolPicture) && glIsTexture(sceneDepth));

    demo.reset();
    EXPECT_EQ(scenesFreed, 1);
    EXPECT_FALSE(glIsTexture(picture));
    EXPECT_FALSE(glIsTexture(poolPicture));
    EXPECT_FALSE(glIsTexture(sceneDepth));
}

TEST(Catalogues, AListedFileThatCannotBeReadIsReportedByName)
{
    TestSupport::RunDirectory run("unreadable");
    std::filesystem::create_directories(run.path + "/data/folder.png");
    TestSupport::TestDemo demo;
    try {
        demo.load();
        FAIL() << "loading should have failed";
    } catch (const Frontend::Error& error) {
        EXPECT_NE(std::string(error.what()).find("data/folder.png"), std::string::npos) << error.what();
    }
}
