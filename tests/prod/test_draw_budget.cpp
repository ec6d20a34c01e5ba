// The draw calls a scene reckons at load: a fork file of many meshes, drawn
// a hundred times a frame, is refused with the file and the numbers.
#include <gtest/gtest.h>

#include "frontend/Error.h"
#include "frontend_ext/QBRLoader.h"
#include "prod/Pils.h"
#include "tests/support/TestContext.h"
#include "tests/support/engine/RunDirectory.h"

namespace {

void makeForkScene(int meshes)
{
    const FrontendExt::QBRMesh triangle{"t", {0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, {0, 1, 2}};
    FrontendExt::writeQBR("data/gaffel.qbr", std::vector<FrontendExt::QBRMesh>(static_cast<size_t>(meshes), triangle));
    Vantrel::Demo demo;
    demo.meshes.loadFiles("data/", "gaffel.qbr");
    demo.targets.loadResource(&demo);
    Prod::Pils pils(&demo);
}

} // namespace

TEST(DrawBudget, ForksOfAFileWithTooManyMeshesAreRefusedWhenTheSceneIsMade)
{
    TestSupport::glContext();
    TestSupport::RunDirectory run("fork-budget");
    EXPECT_NO_THROW(makeForkScene(81)); // 8100 draws, just inside
    try {
        makeForkScene(82);
        FAIL() << "8200 draw calls a frame were accepted";
    } catch (const Frontend::Error& error) {
        EXPECT_STREQ(error.what(), "Prod::Pils: 100 x 82 meshes of data/gaffel.qbr make 8200 draw calls per frame, "
                                   "more than the limit of 8192 per scene");
    }
}
