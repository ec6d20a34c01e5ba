// The per-frame path allocates nothing: every shader, texture, mesh and
// target is made at load time, and lookups by name take no copies.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "frontend/RenderTarget.h"
#include "prod/Prod.h"
#include "tests/support/engine/RunDirectory.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size)
{
    if (counting)
        allocations++;
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
        counting = true;
        prod.composeFrame();
        counting = false;
        EXPECT_EQ(allocations.load(), 0) << "entry starting at " << entry.start;
    }
    Frontend::RenderTarget::unbind();
}
