// Heap allocations inside iterate: the global operator new of this executable is replaced by
// one that counts, and whole cycles of every mode must not call it once.
#include <array>
#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "solver/iterate_cycle.h"
#include "diag/diag.h"
#include "support/test_meshes.h"

namespace {
std::size_t allocationCount = 0;
}  // namespace

// The replacements pair malloc with free; once g++ inlines them into a new/delete pair it
// cannot see that and reports a mismatch (seen with sanitizer builds), so the check is off here.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    ++allocationCount;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

using namespace kestrafol;
using namespace kestrafol::testing;

TEST(IterateAllocations, TheCounterSeesAnAllocation) {
    const std::size_t before = allocationCount;
    std::vector<double>* v = new std::vector<double>(100, 1.0);
    EXPECT_EQ(allocationCount - before, 2u);
    delete v;
}

TEST(IterateAllocations, NoHeapAllocationInAnyMode) {
    struct Mode {
        const char* name;
        int order, timeMode, passes;
        double viscous;
        int wallKind;
    };
    for (const Mode& mode : {Mode{"steady first order", 1, 0, 1, 0.0, SlipWall},
                             Mode{"steady second order", 2, 0, 1, 0.0, SlipWall},
                             Mode{"unsteady second order", 2, 1, 1, 0.0, SlipWall},
                             Mode{"viscous second order", 2, 0, 1, 1.0, NoSlipWall},
                             Mode{"no time term, two passes", 1, 2, 2, 0.0, SlipWall}}) {
        ParameterVector p = makeParameters(0.5, 2.0, mode.order, mode.timeMode, mode.viscous, 500.0);
        p[6] = mode.passes;
        SolverRecords r = makeSolver(makeCircle(16, 6, 0.5, 6.0, false, mode.wallKind), p);
        const std::size_t before = allocationCount;
        for (int k = 0; k < 3; ++k) iterateCycle(*r.state, *r.settings);
        const std::array<double, 5> values = computeCoefficients(*r.state, *r.settings);
        EXPECT_EQ(allocationCount - before, 0u) << mode.name;
        EXPECT_TRUE(std::isfinite(values[1])) << mode.name;
    }
}
