// The method options through the iteration cycle: free stream kept under each, the Courant
// number of the step control, symmetric sweeps reaching the forward sweeps' solution.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "base/physics.h"
#include "flux/flux.h"
#include "solver/iterate_cycle.h"
#include "support/test_meshes.h"
#include "time/time.h"

namespace kestrafol {
namespace {

using testing::makeParameters;
using testing::makeRectangle;
using testing::makeSolver;

struct Option {
    const char* name;
    void (*set)(MethodOptions&);
};

const Option options[] = {
    {"step control", [](MethodOptions& o) { o.stepControl = 1; }},
    {"symmetric sweeps", [](MethodOptions& o) { o.symmetricSweeps = 1; }},
    {"smooth limiter", [](MethodOptions& o) { o.limiter = 1; }},
    {"vortex far field", [](MethodOptions& o) { o.vortexFarField = 1; }},
    {"all",
     [](MethodOptions& o) {
         o.stepControl = 1;
         o.symmetricSweeps = 1;
         o.limiter = 1;
         o.vortexFarField = 1;
     }},
};

TEST(MethodOptions, EachKeepsTheFreeStream) {
    // A domain of far field, and one whose bottom edge is a wall along the stream (a plate on the
    // domain's edge, which feels the free-stream pressure on one side only: no circulation).
    MeshArrays walled = makeRectangle(6, 5, 2.0, 1.0, true, Farfield);
    walled.boundaryKinds[0] = SlipWall;
    for (const Option& option : options)
        for (int order : {1, 2})
            for (const bool wall : {false, true}) {
                SolverRecords r =
                    makeSolver(wall ? walled : makeRectangle(6, 5, 2.0, 1.0, true, Farfield),
                               makeParameters(0.7, wall ? 0.0 : 12.0, order));
                option.set(r.settings->method);
                for (int call = 0; call < 6; ++call) iterateCycle(*r.state, *r.settings);
                const Vec4 free = freeStreamState(*r.settings);
                double worst = 0.0;
                for (int n = 0; n < r.state->nodeCount; ++n)
                    for (int k = 0; k < 4; ++k)
                        worst = std::max(worst, std::fabs(r.state->state[4 * n + k] - free[k]));
                EXPECT_LE(worst, 1e-13)
                    << option.name << ", order " << order << (wall ? ", wall" : "");
            }
}

TEST(MethodOptions, CourantNumberGrowsAsTheResidualFallsAndFallsBackOnTrouble) {
    SolverRecords r = makeSolver(makeRectangle(4, 3), makeParameters(0.5, 3.0, 1));
    SolverState& s = *r.state;
    r.settings->method.stepControl = 1;
    r.settings->method.courantStart = 5.0;
    r.settings->method.courantMax = 60.0;
    computeTimeSteps(s, *r.settings);
    const std::vector<double> atStart = s.timeStep;
    // Norms after each call, and the Courant number expected: the peak over the norm times
    // the start value, at most doubled per call, capped; a floor hit restarts from 5.
    struct Step {
        double norm;
        long long floorHits;
        double courant;
    };
    const Step steps[] = {{1.0, 0, 5.0},   {2.0, 0, 5.0},   {1.0, 0, 10.0},
                          {0.01, 0, 20.0}, {0.01, 0, 40.0}, {0.01, 0, 60.0},
                          {0.5, 0, 20.0},  {0.001, 1, 5.0}, {0.0005, 1, 10.0}};
    for (const Step& step : steps) {
        s.method.residualNorm = step.norm;
        s.floorHits = step.floorHits;
        computeTimeSteps(s, *r.settings);
        for (int n = 0; n < s.nodeCount; ++n)
            EXPECT_DOUBLE_EQ(s.timeStep[n] / atStart[n], step.courant / 5.0)
                << "norm " << step.norm << " node " << n;
    }
    // The unsteady mode keeps the method's own steps.
    r.settings->timeMode = 1;
    SolverRecords plain = makeSolver(makeRectangle(4, 3), makeParameters(0.5, 3.0, 1, 1));
    computeTimeSteps(s, *r.settings);
    computeTimeSteps(*plain.state, *plain.settings);
    EXPECT_EQ(s.timeStep, plain.state->timeStep);
}

TEST(MethodOptions, SymmetricSweepsReachTheForwardSweepsSolution) {
    // One pass of a lifting case: many sweeps of either kind solve the same block system.
    std::vector<double> solutions[2];
    for (int symmetric : {0, 1}) {
        MeshArrays m = makeRectangle(8, 6, 2.0, 1.0, true, Farfield);
        m.boundaryKinds[0] = SlipWall;
        SolverRecords r = makeSolver(m, makeParameters(0.6, 10.0, 2));
        SolverState& s = *r.state;
        computeGradients(s);
        computeLimiter(s, *r.settings);
        computeTimeSteps(s, *r.settings);
        evaluateResidual(s, *r.settings);
        invertDiagonalBlocks(s);
        for (int k = 0; k < 200; ++k) {
            gaussSeidelSweep(s);
            if (symmetric == 1) gaussSeidelSweepBackward(s);
        }
        solutions[symmetric] = s.delta;
    }
    double scale = 0.0, worst = 0.0;
    for (std::size_t k = 0; k < solutions[0].size(); ++k) {
        scale = std::max(scale, std::fabs(solutions[0][k]));
        worst = std::max(worst, std::fabs(solutions[0][k] - solutions[1][k]));
    }
    EXPECT_GT(scale, 1e-6);
    EXPECT_LE(worst, 1e-12 * scale);
}

}  // namespace
}  // namespace kestrafol
