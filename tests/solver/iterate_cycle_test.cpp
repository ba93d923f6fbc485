#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "solver/iterate_cycle.h"
#include "flux/flux.h"
#include "support/test_meshes.h"
#include "time/time.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

// A rectangle with a wall at the bottom and the flow coming in at 10 degrees, so the very
// first step already changes the state.
SolverRecords wallCase(int timeMode, int passes, int wallKind = SlipWall, double viscous = 0.0) {
    MeshArrays m = makeRectangle(5, 4, 2.0, 1.0, true, Farfield);
    m.boundaryKinds[0] = wallKind;
    ParameterVector p = makeParameters(0.6, 10.0, 2, timeMode, viscous, 50.0);
    p[6] = passes;
    return makeSolver(m, p);
}

// The cycle written out step by step, with a given number of passes.
void manualCycle(SolverState& s, SolverSettings& settings, int passes) {
    s.statePrev2 = s.statePrev;
    s.statePrev = s.state;
    computeGradients(s);
    computeLimiter(s, settings);
    computeTimeSteps(s, settings);
    for (int k = 0; k < passes; ++k) {
        evaluateResidual(s, settings);
        implicitSolve(s, settings);
    }
}

double maxDifference(const std::vector<double>& a, const std::vector<double>& b) {
    double d = 0.0;
    for (std::size_t k = 0; k < a.size(); ++k) d = std::max(d, std::fabs(a[k] - b[k]));
    return d;
}

}  // namespace

TEST(IterateCycle, PassCountFollowsTheTimeMode) {
    struct Case {
        int timeMode, hostPasses, expectedPasses, passesAfter;
    };
    for (const Case c : {Case{0, 3, 1, 1}, Case{1, 1, 2, 2}, Case{2, 3, 3, 3}}) {
        SolverRecords a = wallCase(c.timeMode, c.hostPasses);
        SolverRecords b = wallCase(c.timeMode, c.hostPasses);
        SolverRecords wrong = wallCase(c.timeMode, c.hostPasses);
        const std::vector<double>& out = iterateCycle(*a.state, *a.settings);
        EXPECT_EQ(&out, &a.state->state);
        EXPECT_EQ(a.settings->passesPerCall, c.passesAfter) << "mode " << c.timeMode;
        manualCycle(*b.state, *b.settings, c.expectedPasses);
        manualCycle(*wrong.state, *wrong.settings, c.expectedPasses + 1);
        EXPECT_EQ(a.state->state, b.state->state) << "mode " << c.timeMode;
        EXPECT_EQ(a.state->residual, b.state->residual);
        EXPECT_GT(maxDifference(a.state->state, wrong.state->state), 0.0);
        // A second call: unsteady mode still shifts the levels only once per call.
        iterateCycle(*a.state, *a.settings);
        manualCycle(*b.state, *b.settings, c.expectedPasses);
        EXPECT_EQ(a.state->state, b.state->state) << "mode " << c.timeMode;
        EXPECT_EQ(a.state->statePrev, b.state->statePrev);
        EXPECT_EQ(a.state->statePrev2, b.state->statePrev2);
    }
}

TEST(IterateCycle, ZeroPassesShiftLevelsAndLeaveTheStateAlone) {
    for (int mode : {0, 1}) {
        SolverRecords r = wallCase(mode, 0);
        SolverState& s = *r.state;
        // Move the state off the free stream first, by one call with passes.
        r.settings->passesPerCall = 1;
        iterateCycle(s, *r.settings);
        r.settings->passesPerCall = 0;
        const std::vector<double> before = s.state;
        std::fill(s.timeStep.begin(), s.timeStep.end(), -1.0);
        iterateCycle(s, *r.settings);
        iterateCycle(s, *r.settings);
        EXPECT_EQ(s.state, before);
        EXPECT_EQ(s.statePrev, before);
        EXPECT_EQ(s.statePrev2, before);
        EXPECT_EQ(r.settings->passesPerCall, 0);
        for (double dt : s.timeStep) EXPECT_GT(dt, 0.0);  // steps are still recomputed
    }
}

TEST(IterateCycle, UnsteadyPassesShareTheLevelsOfTheStartOfTheCall) {
    SolverRecords r = wallCase(1, 2);
    SolverState& s = *r.state;
    iterateCycle(s, *r.settings);
    const std::vector<double> start = s.state;
    const std::vector<double> prev = s.statePrev;
    iterateCycle(s, *r.settings);
    EXPECT_EQ(s.statePrev, start);
    EXPECT_EQ(s.statePrev2, prev);
    EXPECT_GT(maxDifference(s.state, start), 0.0);
}

TEST(IterateCycle, ViscousVelocityGradientsOnlyWhenSwitchedOn) {
    SolverRecords r = wallCase(0, 1, NoSlipWall, 0.0);
    SolverState& s = *r.state;
    std::fill(s.velocityGradX.begin(), s.velocityGradX.end(), 7.0);
    std::fill(s.velocityGradY.begin(), s.velocityGradY.end(), 7.0);
    std::fill(s.scalarWork.begin(), s.scalarWork.end(), 7.0);
    iterateCycle(s, *r.settings);
    iterateCycle(s, *r.settings);
    for (double g : s.velocityGradX) EXPECT_EQ(g, 7.0);
    for (double g : s.velocityGradY) EXPECT_EQ(g, 7.0);
    for (double w : s.scalarWork) EXPECT_EQ(w, 7.0);

    // Switched on between calls: the gradients of this call's start state are used, and
    // scalarWork ends with the y-velocity.
    r.settings->viscous = 1.0;
    r.settings->reynolds = 50.0;
    const std::vector<double> start = s.state;
    iterateCycle(s, *r.settings);
    for (int i = 0; i < s.nodeCount; ++i)
        EXPECT_EQ(s.scalarWork[i], start[4 * i + 2] / start[4 * i]);
    std::vector<double> expected(2 * s.nodeCount);
    std::vector<double> u(s.nodeCount);
    for (int i = 0; i < s.nodeCount; ++i) u[i] = start[4 * i + 1] / start[4 * i];
    SolverState copy = s;
    scalarGradient(copy, u.data(), expected.data());
    EXPECT_EQ(s.velocityGradX, expected);

    // A NaN switch counts as on.
    SolverRecords n = wallCase(0, 1, NoSlipWall, 0.0);
    n.settings->viscous = std::nan("");
    n.settings->reynolds = 50.0;
    std::fill(n.state->velocityGradX.begin(), n.state->velocityGradX.end(), 7.0);
    iterateCycle(*n.state, *n.settings);
    EXPECT_NE(n.state->velocityGradX[0], 7.0);
}

TEST(IterateCycle, BoundaryTermsComeAfterTheTimeTerms) {
    // Unsteady mode with a no-slip wall: the damping of the boundary step must not reach the
    // time terms of the same evaluation.
    for (int mode : {0, 1}) {
        SolverRecords a = wallCase(mode, 2, NoSlipWall);
        SolverRecords b = wallCase(mode, 2, NoSlipWall);
        for (SolverRecords* r : {&a, &b}) {
            iterateCycle(*r->state, *r->settings);  // leave the free stream
            computeGradients(*r->state);
            computeLimiter(*r->state, *r->settings);
            computeTimeSteps(*r->state, *r->settings);
        }
        evaluateResidual(*a.state, *a.settings);
        SolverState& s = *b.state;
        std::fill(s.residual.begin(), s.residual.end(), 0.0);
        std::fill(s.diagBlocks.begin(), s.diagBlocks.end(), 0.0);
        std::fill(s.offDiagBlocks.begin(), s.offDiagBlocks.end(), 0.0);
        assembleInteriorFluxesOverwrite(s, *b.settings);
        addTimeTerms(s, *b.settings);
        applyBoundaryConditions(s, *b.settings);
        EXPECT_EQ(a.state->state, s.state);
        EXPECT_EQ(a.state->residual, s.residual) << "mode " << mode;
        EXPECT_EQ(a.state->diagBlocks, s.diagBlocks);
        EXPECT_EQ(a.state->offDiagBlocks, s.offDiagBlocks);
    }
}

TEST(IterateCycle, TwoIdenticalRunsAreBitIdentical) {
    for (int mode : {0, 1}) {
        SolverRecords a = wallCase(mode, 1, NoSlipWall, 1.0);
        SolverRecords b = wallCase(mode, 1, NoSlipWall, 1.0);
        for (int k = 0; k < 15; ++k) {
            iterateCycle(*a.state, *a.settings);
            iterateCycle(*b.state, *b.settings);
        }
        EXPECT_EQ(a.state->state, b.state->state);
        EXPECT_EQ(a.state->residual, b.state->residual);
        EXPECT_EQ(a.state->delta, b.state->delta);
        for (double x : a.state->state) EXPECT_TRUE(std::isfinite(x));
    }
}

TEST(IterateCycle, FreeStreamIsPreservedOnAnAllFarFieldMesh) {
    struct Case {
        int timeMode, cycles, order;
        double viscous;
    };
    for (const Case c : {Case{0, 50, 1, 0.0}, Case{1, 20, 1, 0.0}, Case{0, 50, 2, 1.0},
                         Case{1, 20, 2, 1.0}}) {
        SolverRecords r = makeSolver(makeRectangle(6, 4, 1.5, 1.0, true, Farfield),
                                     makeParameters(0.5, 5.0, c.order, c.timeMode, c.viscous, 100.0));
        SolverState& s = *r.state;
        const std::vector<double> freeStream = s.state;
        for (int k = 0; k < c.cycles; ++k) iterateCycle(s, *r.settings);
        EXPECT_LE(maxDifference(s.state, freeStream), 1e-12)
            << "mode " << c.timeMode << " order " << c.order << " viscous " << c.viscous;
    }
}
