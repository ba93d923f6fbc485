#include <cmath>

#include <gtest/gtest.h>

#include "helpers/small_states.h"
#include "time/time.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

// With gamma 2 a fluid at rest with density 1 and energy 2 has pressure 2 and sound speed
// exactly 2, so a dual face of length 1 has spectral radius 2.
constexpr Vec4 rest{1.0, 0.0, 0.0, 2.0};

SolverSettings settingsFor(int timeMode) {
    SolverSettings s;
    s.gamma = 2.0;
    s.timeMode = timeMode;
    return s;
}

// Chain 0-1-2-3 of unit faces: the radius sums are 2, 4, 4, 2. The dual areas are chosen
// so that the base steps are about 1, 2, 1.5 and 3.
SolverState chain(int extraNodes = 0) {
    SolverState s = makeBareState(4 + extraNodes, rest);
    setEdges(s, {{0, 1}, {1, 2}, {2, 3}}, {1.0, 0.0, 1.0, 0.0, 1.0, 0.0});
    const double lambda[4] = {2.0, 4.0, 4.0, 2.0};
    const double target[4] = {1.0, 2.0, 1.5, 3.0};
    for (int i = 0; i < 4; ++i) s.dualArea[i] = target[i] * lambda[i] / 0.3183;
    return s;
}

double baseStep(const SolverState& s, int i, double lambda) {
    return s.dualArea[i] * 0.3183 / lambda;
}

}  // namespace

TEST(ComputeTimeSteps, SpreadsBetweenFiveAndFortyTimesAndCapsSteady) {
    SolverState s = chain();
    computeTimeSteps(s, settingsFor(0));
    const double smallest = baseStep(s, 0, 2.0);
    const double halfway = baseStep(s, 1, 4.0);
    const double quarter = baseStep(s, 2, 4.0);
    const double largest = baseStep(s, 3, 2.0);
    EXPECT_EQ(s.timeStep[0], 5.0 * smallest);
    EXPECT_NEAR(s.timeStep[1], 22.5 * halfway, 1e-13);
    EXPECT_NEAR(s.timeStep[2], 13.75 * quarter, 1e-13);
    EXPECT_EQ(s.timeStep[3], 20.0 * largest);  // 40 x max, capped at 20 x max

    // The Courant number does not enter the steps.
    SolverState again = chain();
    SolverSettings withCfl = settingsFor(0);
    withCfl.cfl = 123.0;
    computeTimeSteps(again, withCfl);
    EXPECT_EQ(again.timeStep, s.timeStep);
}

TEST(ComputeTimeSteps, UnsteadyCapIsTenTimesTheLargestBaseStep) {
    SolverState s = chain();
    computeTimeSteps(s, settingsFor(1));
    const double largest = baseStep(s, 3, 2.0);
    EXPECT_EQ(s.timeStep[0], 5.0 * baseStep(s, 0, 2.0));
    EXPECT_EQ(s.timeStep[1], 10.0 * largest);  // 22.5 x 2 = 45 is above the cap of 30
    EXPECT_NEAR(s.timeStep[2], 13.75 * baseStep(s, 2, 4.0), 1e-13);
    EXPECT_EQ(s.timeStep[3], 10.0 * largest);
    // Any mode other than 0 uses the unsteady cap.
    SolverState other = chain();
    computeTimeSteps(other, settingsFor(2));
    EXPECT_EQ(other.timeStep, s.timeStep);
}

TEST(ComputeTimeSteps, SpreadIsMeasuredFromTheMinimumStartWhenAllStepsAreLarger) {
    SolverState s = makeBareState(2, rest);
    setEdges(s, {{0, 1}}, {1.0, 0.0});
    s.dualArea = {2.0e6 * 2.0 / 0.3183, 3.0e6 * 2.0 / 0.3183};
    computeTimeSteps(s, settingsFor(0));
    const double b0 = baseStep(s, 0, 2.0);
    const double b1 = baseStep(s, 1, 2.0);
    // Position of b0 between 1e6 and b1 is one half: factor 22.5, not 5.
    EXPECT_NEAR(s.timeStep[0], b0 * (((b0 - 1.0e6) / (b1 - 1.0e6)) * 35.0 + 5.0), 1e-3);
    EXPECT_NEAR(s.timeStep[0], 22.5 * 2.0e6, 1.0);
    EXPECT_EQ(s.timeStep[1], 20.0 * b1);
}

TEST(ComputeTimeSteps, BoundaryFacesAddFullLengthRadiusAndEqualStepsGetFactorFive) {
    // Two nodes moving with v = 0.5: interior face (0, 1) of length 1 gives (2 + 0.5) x 1;
    // the boundary edge from (0, 0) to (2, 0) has unit normal (0, -1) and full length 2,
    // giving (|-0.5| + 2) x 2 = 5 at each end. Radius sum 7.5 at both nodes.
    SolverState s = makeBareState(2, {1.0, 0.0, 0.5, 2.125});
    setEdges(s, {{0, 1}}, {0.0, 1.0});
    s.coords = {0.0, 0.0, 2.0, 0.0};
    setBoundary(s, {0, 1, 1}, {Farfield});
    s.dualArea = {1.0, 1.0};
    computeTimeSteps(s, settingsFor(0));
    // Equal extremes: every node keeps five times its base step, nothing divides 0 by 0.
    EXPECT_EQ(s.timeStep[0], 5.0 * (1.0 * 0.3183 / 7.5));
    EXPECT_EQ(s.timeStep[1], s.timeStep[0]);
}

TEST(ComputeTimeSteps, NegativeFacePressureIsFloored) {
    // Fast tangential flow with little energy: the face pressure 1 - 4.5 < 0 is raised to
    // 0.05, so the radius is sqrt(2 x 0.05) x 1.
    SolverState s = makeBareState(2, {1.0, 0.0, 3.0, 1.0});
    setEdges(s, {{0, 1}}, {1.0, 0.0});
    s.dualArea = {1.0, 1.0};
    computeTimeSteps(s, settingsFor(0));
    EXPECT_NEAR(s.timeStep[0], 5.0 * 0.3183 / std::sqrt(0.1), 1e-14);
    EXPECT_TRUE(std::isfinite(s.timeStep[1]));
}

TEST(ComputeTimeSteps, NodeOutsideEveryEdgeGetsAFinitePositiveStepAndChangesNoOther) {
    SolverState with = chain(1);  // node 4 belongs to no edge and has no area
    SolverState without = chain();
    computeTimeSteps(with, settingsFor(0));
    computeTimeSteps(without, settingsFor(0));
    EXPECT_TRUE(std::isfinite(with.timeStep[4]));
    EXPECT_GT(with.timeStep[4], 0.0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(with.timeStep[i], without.timeStep[i]);

    // A single node outside every edge: no counted node at all, still finite.
    SolverState lone = makeBareState(1, rest);
    computeTimeSteps(lone, settingsFor(1));
    EXPECT_TRUE(std::isfinite(lone.timeStep[0]));
    EXPECT_GT(lone.timeStep[0], 0.0);
}
