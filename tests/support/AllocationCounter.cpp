#include "tests/support/AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
std::atomic<long> setAsideAllocations{0};
constexpr int kMaxSetAside = 4;
std::size_t setAsideSizes[kMaxSetAside] = {};

bool isSetAside(std::size_t size)
{
    for (std::size_t candidate : setAsideSizes) {
        if (candidate != 0 && candidate == size)
            return true;
    }
    return false;
}
}

// malloc and free stand behind new and delete so that every allocation of
// the program passes the counter. GCC cannot see that the two are paired here.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size)
{
    if (counting) {
        if (isSetAside(size))
            setAsideAllocations++;
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

namespace TestSupport {

AllocationCounter::AllocationCounter(std::initializer_list<std::size_t> sizes)
{
    int i = 0;
    for (std::size_t& slot : setAsideSizes)
        slot = 0;
    for (std::size_t size : sizes) {
        if (i < kMaxSetAside)
            setAsideSizes[i++] = size;
    }
    allocations = 0;
    setAsideAllocations = 0;
    counting = true;
}

AllocationCounter::~AllocationCounter()
{
    counting = false;
}

long AllocationCounter::stop()
{
    counting = false;
    return allocations.load();
}

long AllocationCounter::setAside() const
{
    return setAsideAllocations.load();
}

} // namespace TestSupport
