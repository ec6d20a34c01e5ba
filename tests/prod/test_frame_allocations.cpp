// The per-frame path allocates nothing: every shader, texture, mesh and
// target is made at load time, and lookups by name take no copies. The one
// exception is by design: scenes that read or rewrite mesh vertices open
// heap-allocated accessors (Geometry::getAttribute, getIndices) every frame;
// those are counted apart and must match what each scene opens.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "frontend/RenderTarget.h"
#include "frontend_ext/Geometry.h"
#include "prod/Horizon.h"
#include "prod/Prod.h"
#include "prod/Skate.h"
#include "prod/Underwater.h"
#include "tests/support/engine/RunDirectory.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
std::atomic<long> accessorAllocations{0};

bool accessorSized(std::size_t size)
{
    return size == sizeof(FrontendExt::Geometry::Attribute) || size == sizeof(FrontendExt::Geometry::Indices);
}

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
}

void* operator new(std::size_t size)
{
    if (counting) {
        if (accessorSized(size))
            accessorAllocations++;
        else
            allocations++;
    }
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

std::string* escaped = nullptr;

TEST(FrameAllocations, TheCounterSeesAllocations)
{
    allocations = 0;
    counting = true;
    escaped = new std::string(100, 'x');
    counting = false;
    EXPECT_GE(allocations.load(), 1);
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
        allocations = 0;
        accessorAllocations = 0;
        counting = true;
        prod.composeFrame();
        counting = false;
        EXPECT_EQ(allocations.load(), 0) << "entry starting at " << entry.start;
        EXPECT_EQ(accessorAllocations.load(), accessorsPerFrame(entry.element)) << "entry starting at " << entry.start;
    }
    Frontend::RenderTarget::unbind();
}
