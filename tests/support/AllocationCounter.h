// Counts C++ heap allocations while switched on. Linking this replaces the
// global operator new of the test program.
//
//   TestSupport::AllocationCounter counter;   // starts counting
//   composeFrame();
//   EXPECT_EQ(counter.stop(), 0);
//
// Allocations of a few listed sizes can be counted apart (objects a design
// allocates on purpose), see setAside().
#pragma once

#include <cstddef>
#include <initializer_list>

namespace TestSupport {

class AllocationCounter {
public:
    explicit AllocationCounter(std::initializer_list<std::size_t> setAsideSizes = {});
    ~AllocationCounter();
    // Stops counting and returns the allocations seen since construction,
    // apart from those of the set-aside sizes.
    long stop();
    // Allocations of the set-aside sizes.
    long setAside() const;
};

} // namespace TestSupport
