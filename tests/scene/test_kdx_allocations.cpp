// Steady drawing of a KDX scene allocates nothing: the instance lists keep
// their storage and the material paths look everything up without copies.
#include <gtest/gtest.h>

#include "demo/Element.h"
#include "frontend/RenderTarget.h"
#include "scene/KDXDrawable.h"
#include "tests/scene/KDXBuilders.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/engine/RunDirectory.h"

TEST(KDXDrawableAllocations, SteadyFramesAllocateNothing)
{
    TestSupport::RunDirectory run{"kdxalloc"};
    run.writePicture("skin.png", 4, 4, 200, 100, 50);
    run.writePicture("normal_skin.png", 4, 4, 128, 128, 255);
    TestSupport::TestDemo demo;
    demo.loadAndPrepare();

    Halvane::Scene scene;
    scene.materials.push_back(KDXTest::material("tex", "skin.png", ""));
    scene.materials.push_back(KDXTest::material("bump", "skin.png", "skin.png"));
    scene.materials.push_back(KDXTest::material("glass", "", ""));
    auto root = KDXTest::quadMesh("Root", "tex");
    root->positionTrack.addKey(Vec3{0, 0, 0}, 0.0f);
    root->positionTrack.addKey(Vec3{1, 0, 0}, 1.0f);
    root->children.push_back(KDXTest::quadMesh("Bump", "bump"));
    root->children.push_back(KDXTest::quadMesh("Glass", "glass"));
    root->children.push_back(KDXTest::quadMesh("None", ""));
    root->children.push_back(KDXTest::plainNode("Marker", Scene::kNodeKind5));
    scene.roots.push_back(std::move(root));
    Halvane::writeKDX("data/steady.kdx", scene);
    auto* drawable = demo.own(new StdVantrel::KDXDrawable(&demo, "data/steady.kdx"));

    drawable->lookAt(0, 0, 5, 0, 0, 0, 0, 1, 0);
    drawable->draw(0.25f); // first frame: the lists find their size
    TestSupport::AllocationCounter counter;
    for (int frame = 0; frame < 5; ++frame)
        drawable->draw(0.5f + frame * 0.1f);
    EXPECT_EQ(counter.stop(), 0);
    EXPECT_EQ(drawable->meshInstances.size(), 4u);
}
