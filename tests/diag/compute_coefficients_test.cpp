#include <cmath>

#include <gtest/gtest.h>

#include "diag/diag.h"
#include "helpers/small_states.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

// A node at rest whose pressure is exactly p for gamma 1.5.
Vec4 atPressure(double p) { return {1.0, 0.0, 0.0, 2.0 * p}; }

SolverSettings flow(double mach, double alpha) {
    SolverSettings s;
    s.gamma = 1.5;
    s.mach = mach;
    s.alpha = alpha;
    return s;
}

}  // namespace

TEST(ComputeCoefficients, SingleWallEdgeSignConvention) {
    // Wall from (0, 0) to (1, 0) with the flow above: the flow pushes the wall down.
    for (int kind : {2, 3}) {
        SolverState s = makeBareState(2, atPressure(0.8));
        s.coords = {0.0, 0.0, 1.0, 0.0};
        setBoundary(s, {0, 1, 1}, {kind});
        const auto r = computeCoefficients(s, flow(0.5, 0.0));
        const double q = 0.125;
        EXPECT_EQ(r[0], 0.0);
        EXPECT_EQ(r[1], 0.0);
        EXPECT_NEAR(r[2], -0.8 / q, 1e-14);
        EXPECT_EQ(r[3], 0.0);
        EXPECT_TRUE(std::isinf(r[4]) && r[4] < 0.0);
    }
}

TEST(ComputeCoefficients, FarFieldEdgesNeverContribute) {
    SolverState s = makeBareState(3, atPressure(0.7));
    setNode(s.state, 1, atPressure(5.0));
    s.coords = {0.0, 0.0, 1.0, 0.0, 1.0, 1.0};
    setBoundary(s, {0, 1, 1, 1, 2, 1}, {Farfield});
    const auto r = computeCoefficients(s, flow(0.5, 0.1));
    EXPECT_EQ(r[0], 0.0);
    EXPECT_EQ(r[2], 0.0);
    EXPECT_EQ(r[3], 0.0);
    EXPECT_TRUE(std::isnan(r[4]));
}

TEST(ComputeCoefficients, UniformPressureOnClosedWallGivesNoForce) {
    // A closed polygon body (clockwise, flow outside), edges on two tags of both wall kinds.
    const int n = 7;
    SolverState s = makeBareState(n, atPressure(1.3));
    std::vector<int> edges;
    for (int i = 0; i < n; ++i) {
        const double t = -2.0 * M_PI * i / n;
        s.coords[2 * i] = std::cos(t) * (1.0 + 0.3 * i);
        s.coords[2 * i + 1] = std::sin(t) * 0.4;
        edges.insert(edges.end(), {i, (i + 1) % n, 1 + i % 2});
    }
    setBoundary(s, edges, {SlipWall, NoSlipWall});
    const auto r = computeCoefficients(s, flow(0.3, 0.05));
    EXPECT_NEAR(r[2], 0.0, 1e-13);
    EXPECT_NEAR(r[3], 0.0, 1e-13);
}

TEST(ComputeCoefficients, LiftAndDragFollowTheAngleOfAttack) {
    // Bottom wall (0,0)->(1,0) at pressure 0.6 pushes down (Fy = -0.6); wall
    // (0,1)->(0,0) with the flow on its right side at pressure 0.9 pushes left (Fx = -0.9).
    SolverState s = makeBareState(4);
    setNode(s.state, 0, atPressure(0.6));
    setNode(s.state, 1, atPressure(0.6));
    setNode(s.state, 2, atPressure(0.9));
    setNode(s.state, 3, atPressure(0.9));
    s.coords = {0.0, 0.0, 1.0, 0.0, 0.0, 1.0, 0.0, 0.0};
    setBoundary(s, {0, 1, 1, 2, 3, 2}, {SlipWall, NoSlipWall});
    const double q = 0.5 * 0.5 * 0.5;

    auto r = computeCoefficients(s, flow(0.5, 0.0));
    EXPECT_NEAR(r[2], -0.6 / q, 1e-14);  // L = Fy
    EXPECT_NEAR(r[3], -0.9 / q, 1e-14);  // D = Fx
    EXPECT_NEAR(r[4], r[2] / r[3], 1e-14);

    r = computeCoefficients(s, flow(0.5, M_PI / 2.0));
    EXPECT_NEAR(r[2], 0.9 / q, 1e-13);   // L = -Fx
    EXPECT_NEAR(r[3], -0.6 / q, 1e-13);  // D = Fy
    EXPECT_NEAR(r[4], r[2] / r[3], 1e-13);

    // Doubling the Mach number quarters the coefficients at once.
    const auto fast = computeCoefficients(s, flow(1.0, M_PI / 2.0));
    EXPECT_NEAR(fast[2], r[2] / 4.0, 1e-13);
}

TEST(ComputeCoefficients, ResidualNormIsTheL1Sum) {
    SolverState s = makeBareState(2);
    s.residual = {1.0, -2.0, 0.0, 3.0, -0.5, 0.25, -0.0, 1e-3};
    auto r = computeCoefficients(s, flow(0.5, 0.0));
    EXPECT_DOUBLE_EQ(r[1], 6.751);
    s.residual[5] = std::nan("");
    r = computeCoefficients(s, flow(0.5, 0.0));
    EXPECT_TRUE(std::isnan(r[1]));
}
