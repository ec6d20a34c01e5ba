// The per-frame path allocates nothing: every shader, texture, mesh and
// target is made at load time, and lookups by name take no copies. The one
// exception is by design: scenes that read or rewrite mesh vertices open
// heap-allocated accessors (Geometry::getAttribute, getIndices) every frame;
// those are counted apart and must match what each scene opens.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "frontend/RenderTarget.h"
#include "frontend_ext/Geometry.h"
#include "prod/Horizon.h"
#include "prod/Prod.h"
#include "prod/Skate.h"
#include "prod/Underwater.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/engine/RunDirectory.h"

namespace {

// Accessors each scene opens per frame: Horizon reads the forest's positions
// once; the rippled meshes are rewritten through one accessor and their
// tangent frames rebuilt through six more (positions, texture coordinates,
// indices, normals, tangents, binormals).
long accessorsPerFrame(Vantrel::Element* scene)
{
    if (dynamic_cast<Prod::Horizon*>(scene))
        return 1;
    if (dynamic_cast<Prod::Underwater*>(scene) || dynamic_cast<Vantrel::Skate*>(scene))
        return 7;
    return 0;
}

} // namespace

std::string* escaped = nullptr;

TEST(FrameAllocations, TheCounterSeesAllocations)
{
    TestSupport::AllocationCounter counter;
    escaped = new std::string(100, 'x');
    EXPECT_GE(counter.stop(), 1);
    delete escaped;
}

TEST(FrameAllocations, ComposingAFrameOfEachSceneAllocatesNothing)
{
    TestSupport::RunDirectory run("allocations");
    std::filesystem::remove(run.path + "/data");
    std::filesystem::create_directory_symlink(std::string(VANTREL_RUN_DIR) + "/data", run.path + "/data");
    Prod::Prod prod;
    prod.load();
    prod.prepareDrawables();
    prod.frameTime = 1.0f / 60.0f;
    for (const Vantrel::TimelineEntry& entry : prod.timeline) {
        // One frame first: the driver may build what it needs on first use.
        prod.time = entry.start + 1.0f;
        prod.composeFrame();
        prod.time = entry.start + 1.5f;
        TestSupport::AllocationCounter counter(
            {sizeof(FrontendExt::Geometry::Attribute), sizeof(FrontendExt::Geometry::Indices)});
        prod.composeFrame();
        EXPECT_EQ(counter.stop(), 0) << "entry starting at " << entry.start;
        EXPECT_EQ(counter.setAside(), accessorsPerFrame(entry.element)) << "entry starting at " << entry.start;
    }
    Frontend::RenderTarget::unbind();
}
