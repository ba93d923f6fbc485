// A solver driven to divergence through the entry points' path: its state and residual norm
// turn non-finite, every call keeps answering, and cleanup releases it. The sanitizer and
// valgrind runs of the suite check that no step of this reads or writes out of bounds, hits
// undefined behaviour (a non-finite value converted to an integer, for one) or leaks.
#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "support/session_calls.h"
#include "support/test_meshes.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

bool anyNonFinite(const std::vector<double>& values) {
    return std::any_of(values.begin(), values.end(), [](double v) { return !std::isfinite(v); });
}

std::vector<double> asVector(const ParameterVector& p) {
    return std::vector<double>(p.begin(), p.end());
}

}  // namespace

TEST(BlowUp, DivergedSolverKeepsAnsweringAndCleansUp) {
    struct Case {
        const char* name;
        MeshArrays mesh;
        ParameterVector diverging;
        int limit;
    };
    ParameterVector noTimeTerms = makeParameters(5.0, 2.0, 2, 2);
    noTimeTerms[6] = 3.0;
    const std::vector<Case> cases = {
        {"Mach 5 without time terms, mixed rectangle",
         makeRectangle(8, 4, 2.0, 1.0, true, SlipWall), noTimeTerms, 20},
        {"steady Mach 5, circle", makeCircle(24, 8), makeParameters(5.0, 2.0, 2, 0), 400},
        {"Mach 5 viscous without time terms, quad circle",
         makeCircle(12, 5, 0.5, 10.0, true, NoSlipWall),
         [] {
             ParameterVector p = makeParameters(5.0, 0.0, 2, 2, 1.0, 100.0);
             p[6] = 3.0;
             return p;
         }(),
         20},
    };
    const std::size_t liveBefore = solverRegistry().size();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OwnedStart a = startArguments(
            c.mesh, makeParameters(0.5, 2.0, 2, 0, c.diverging[13], c.diverging[14]));
        const HandleValues h = hostStart(a);
        for (int s = 0; s < 20; ++s) ASSERT_FALSE(anyNonFinite(hostIterate(h)));

        hostUpdate(h, asVector(c.diverging));
        int calls = 0;
        while (calls < c.limit && !anyNonFinite(hostIterate(h))) ++calls;
        ASSERT_LT(calls, c.limit) << "no divergence";
        EXPECT_TRUE(anyNonFinite(hostIterate(h)));
        const std::array<double, 5> values = hostAnalysis(h);
        EXPECT_EQ(values[0], 0.0);
        EXPECT_FALSE(std::isfinite(values[1])) << values[1];

        // Every call answers on: more steps, the coefficients, new sound settings, more steps.
        for (int s = 0; s < 5; ++s)
            EXPECT_EQ(hostIterate(h).size(), 4u * static_cast<std::size_t>(a.nodeCount));
        hostAnalysis(h);
        hostUpdate(h, *a.parameters);
        for (int s = 0; s < 5; ++s)
            EXPECT_EQ(hostIterate(h).size(), 4u * static_cast<std::size_t>(a.nodeCount));
        hostAnalysis(h);
        hostCleanup(h);
        EXPECT_THROW(hostIterate(h), InvalidHandle);
    }
    EXPECT_EQ(solverRegistry().size(), liveBefore);
}
