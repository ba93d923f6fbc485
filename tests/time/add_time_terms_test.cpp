#include <gtest/gtest.h>

#include "helpers/small_states.h"
#include "time/time.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

// Two nodes with arbitrary, fully populated blocks and residuals, so that any write to the
// wrong entry shows.
SolverState populated() {
    SolverState s = makeBareState(2, {1.0, 0.2, -0.1, 2.4});
    for (std::size_t k = 0; k < s.diagBlocks.size(); ++k)
        s.diagBlocks[k] = 0.1 * static_cast<double>(k) - 1.0;
    for (std::size_t k = 0; k < s.residual.size(); ++k)
        s.residual[k] = 0.01 * static_cast<double>(k) + 0.3;
    s.dualArea = {0.6, 1.3};
    s.timeStep = {0.2, 0.05};
    return s;
}

SolverSettings mode(int timeMode, int passes) {
    SolverSettings s;
    s.timeMode = timeMode;
    s.passesPerCall = passes;
    return s;
}

}  // namespace

TEST(AddTimeTerms, SteadyAddsAreaOverStepToTheDiagonalOnly) {
    SolverState s = populated();
    const SolverState before = s;
    SolverSettings settings = mode(0, 7);
    addTimeTerms(s, settings);
    EXPECT_EQ(settings.passesPerCall, 1);
    EXPECT_EQ(s.residual, before.residual);
    for (int i = 0; i < 2; ++i)
        for (int m = 0; m < 16; ++m) {
            const double added = (m % 5 == 0) ? before.dualArea[i] / before.timeStep[i] : 0.0;
            EXPECT_EQ(s.diagBlocks[16 * i + m], before.diagBlocks[16 * i + m] + added)
                << i << "," << m;
        }
}

TEST(AddTimeTerms, UnsteadyAddsSecondOrderBackwardDifference) {
    // All three levels equal: no residual change, diagonal grows by 1.5 area / step.
    SolverState s = populated();
    const SolverState before = s;
    SolverSettings settings = mode(1, 1);
    addTimeTerms(s, settings);
    EXPECT_EQ(settings.passesPerCall, 2);
    for (std::size_t k = 0; k < s.residual.size(); ++k)
        EXPECT_NEAR(s.residual[k], before.residual[k], 1e-14);  // zero up to rounding
    for (int i = 0; i < 2; ++i)
        for (int m = 0; m < 16; ++m) {
            const double added = (m % 5 == 0) ? before.dualArea[i] * 1.5 / before.timeStep[i] : 0.0;
            EXPECT_EQ(s.diagBlocks[16 * i + m], before.diagBlocks[16 * i + m] + added);
        }

    // state == statePrev, statePrev2 different: area (prev2 - prev) / (2 step).
    SolverState t = populated();
    setNode(t.statePrev2, 1, {1.1, 0.0, 0.3, 2.0});
    addTimeTerms(t, settings);
    const Vec4 prev = getNode(t.statePrev, 1);
    const Vec4 prev2 = getNode(t.statePrev2, 1);
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(t.residual[4 + k] - before.residual[4 + k],
                    1.3 * (prev2[k] - prev[k]) / (2.0 * 0.05), 1e-13);

    // A state that changes linearly in time: BDF2 is exact, the term is area x rate.
    SolverState u = populated();
    const Vec4 rate{0.01, -0.02, 0.03, 0.04};
    for (int k = 0; k < 4; ++k) {
        u.state[k] = u.statePrev[k] + rate[k] * 0.2;
        u.statePrev2[k] = u.statePrev[k] - rate[k] * 0.2;
    }
    addTimeTerms(u, settings);
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(u.residual[k] - before.residual[k], 0.6 * rate[k], 1e-14);
}

TEST(AddTimeTerms, OtherModesAddNothingAndKeepThePassCount) {
    SolverState s = populated();
    const SolverState before = s;
    SolverSettings settings = mode(2, 3);
    setNode(s.statePrev2, 0, {2.0, 2.0, 2.0, 9.0});
    addTimeTerms(s, settings);
    EXPECT_EQ(settings.passesPerCall, 3);
    EXPECT_EQ(s.residual, before.residual);
    EXPECT_EQ(s.diagBlocks, before.diagBlocks);
}
