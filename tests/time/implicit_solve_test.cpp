#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "helpers/small_states.h"
#include "time/time.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

SolverSettings gamma14() {
    SolverSettings s;
    s.gamma = 1.4;
    return s;
}

// A healthy state: density 1, some momentum, pressure well above the floor.
constexpr Vec4 healthy{1.0, 0.3, -0.1, 2.5};

// Scalar forward Gauss-Seidel for the two-node system x0 + a x1 = -r, x1 + a x0 = -r,
// run for exactly `sweeps` sweeps from zero.
std::pair<double, double> scalarGaussSeidel(double a, double r, int sweeps) {
    double x0 = 0.0, x1 = 0.0;
    for (int k = 0; k < sweeps; ++k) {
        x0 = -r - a * x1;
        x1 = -r - a * x0;
    }
    return {x0, x1};
}

// Two nodes joined by one edge, identity diagonal blocks, off-diagonal blocks a x identity,
// residual r in every component, zero state increment: the state is left healthy.
SolverState coupledPair(double a, double r) {
    SolverState s = makeBareState(2, healthy);
    setEdges(s, {{0, 1}}, {1.0, 0.0});
    for (int i = 0; i < 2; ++i)
        for (int k = 0; k < 4; ++k) s.diagBlocks[16 * i + 5 * k] = 1.0;
    for (int slot = 0; slot < 2; ++slot)
        for (int k = 0; k < 4; ++k) s.offDiagBlocks[16 * slot + 5 * k] = a;
    for (double& x : s.residual) x = r;
    return s;
}

}  // namespace

TEST(ImplicitSolve, InvertsDiagonalBlocksAndSolvesUncoupledSystemsExactly) {
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    SolverState s = makeBareState(3, healthy);
    setEdges(s, {{0, 1}, {1, 2}}, {1.0, 0.0, 0.0, 1.0});  // off-diagonal blocks stay zero
    for (double& x : s.diagBlocks) x = dist(gen);
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 4; ++k) s.diagBlocks[16 * i + 5 * k] += 4.0;
    for (double& x : s.residual) x = 1e-3 * dist(gen);
    const std::vector<double> blocks = s.diagBlocks;
    const std::vector<double> residual = s.residual;
    const std::vector<double> before = s.state;

    implicitSolve(s, gamma14());

    for (int i = 0; i < 3; ++i) {
        // inverse x block = identity
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) {
                double sum = 0.0;
                for (int k = 0; k < 4; ++k)
                    sum += s.diagBlocks[16 * i + 4 * r + k] * blocks[16 * i + 4 * k + c];
                EXPECT_NEAR(sum, r == c ? 1.0 : 0.0, 1e-14);
            }
        // block x delta = -residual, and the state moved by delta
        for (int r = 0; r < 4; ++r) {
            double sum = 0.0;
            for (int c = 0; c < 4; ++c) sum += blocks[16 * i + 4 * r + c] * s.delta[4 * i + c];
            EXPECT_NEAR(sum, -residual[4 * i + r], 1e-16);
            EXPECT_EQ(s.state[4 * i + r], before[4 * i + r] + s.delta[4 * i + r]);
        }
    }
    // The updated pressure is the pressure of the updated state.
    const Vec4 q = getNode(s.state, 1);
    EXPECT_DOUBLE_EQ(s.pressure[1], (q[3] - (q[2] * q[2] + q[1] * q[1]) * 0.5 / q[0]) * 0.4);

    // A second solve of the same system starts from the solution and keeps it.
    const std::vector<double> firstDelta = s.delta;
    s.diagBlocks = blocks;
    implicitSolve(s, gamma14());
    for (std::size_t k = 0; k < s.delta.size(); ++k) EXPECT_EQ(s.delta[k], firstDelta[k]);
}

TEST(ImplicitSolve, SweepsStopAtRelativeToleranceOrAfterTwenty) {
    // Coupling 0.3: the first sweep moves (1, 0.7) per component, the second (0.21, 0.063),
    // and every later one 0.09 times the one before. Measure ratios: 0.161, 1.45e-2,
    // 1.30e-3, 1.17e-4 (still above 1e-4), 1.05e-5: the sixth sweep is the last.
    SolverState fast = coupledPair(0.3, 1.0);
    implicitSolve(fast, gamma14());
    const auto six = scalarGaussSeidel(0.3, 1.0, 6);
    ASSERT_NE(six.first, scalarGaussSeidel(0.3, 1.0, 5).first);
    ASSERT_NE(six.first, scalarGaussSeidel(0.3, 1.0, 7).first);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(fast.delta[k], six.first);
        EXPECT_EQ(fast.delta[4 + k], six.second);
    }

    // Coupling 0.9 converges by 0.81 per sweep and would need 45 sweeps: the cap stops it.
    SolverState slow = coupledPair(0.9, 1.0);
    implicitSolve(slow, gamma14());
    const auto twenty = scalarGaussSeidel(0.9, 1.0, 20);
    ASSERT_NE(twenty.second, scalarGaussSeidel(0.9, 1.0, 21).second);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(slow.delta[k], twenty.first);
        EXPECT_EQ(slow.delta[4 + k], twenty.second);
    }
}

TEST(ImplicitSolve, ZeroResidualAndIncrementLeaveTheStateAlone) {
    SolverState s = makeBareState(2, healthy);
    setEdges(s, {{0, 1}}, {1.0, 0.0});
    for (int i = 0; i < 2; ++i)
        for (int k = 0; k < 4; ++k) s.diagBlocks[16 * i + 5 * k] = 2.0;
    const std::vector<double> before = s.state;
    implicitSolve(s, gamma14());
    EXPECT_EQ(s.state, before);
    for (double d : s.delta) EXPECT_EQ(d, 0.0);
}

TEST(ImplicitSolve, DensityAndPressureFloors) {
    // gamma 1.5 keeps gamma - 1 exact, so pressures of exactly 0.05 can be set up.
    SolverSettings settings;
    settings.gamma = 1.5;
    // Zero residual and increment: the update leaves the given states, then the floors act.
    SolverState s = makeBareState(5, healthy);
    setEdges(s, {{0, 1}, {1, 2}, {2, 3}, {3, 4}}, std::vector<double>(8, 1.0));
    for (int i = 0; i < 5; ++i)
        for (int k = 0; k < 4; ++k) s.diagBlocks[16 * i + 5 * k] = 1.0;
    setNode(s.state, 0, {0.04, 0.02, -0.01, 0.5});  // density floor only
    setNode(s.state, 1, {0.04, 0.1, 0.0, 0.1});     // negative pressure and low density
    setNode(s.state, 2, {1.0, 1.0, 0.0, 0.5});      // pressure 0 < 0.05 only
    setNode(s.state, 3, {0.05, 0.0, 0.0, 0.1});     // density and pressure exactly 0.05
    implicitSolve(s, settings);

    // Density 0.04: density 0.05, momenta and energy x 1.25, pressure from before scaling.
    Vec4 q = getNode(s.state, 0);
    EXPECT_EQ(q[0], 0.05);
    EXPECT_NEAR(q[1], 0.025, 1e-16);
    EXPECT_NEAR(q[2], -0.0125, 1e-16);
    EXPECT_NEAR(q[3], 0.625, 1e-15);
    EXPECT_NEAR(s.pressure[0], (0.5 - 0.00625) * 0.5, 1e-15);

    // Both floors: the energy is the scaled energy from before the pressure floor.
    q = getNode(s.state, 1);
    EXPECT_EQ(q[0], 0.05);
    EXPECT_NEAR(q[1], 0.125, 1e-16);
    EXPECT_NEAR(q[3], 0.125, 1e-16);
    EXPECT_EQ(s.pressure[1], 0.05);

    // Pressure floor alone: energy = kinetic + 0.05 / (gamma - 1).
    q = getNode(s.state, 2);
    EXPECT_EQ(q[0], 1.0);
    EXPECT_EQ(q[1], 1.0);
    EXPECT_NEAR(q[3], 0.5 + 0.1, 1e-15);
    EXPECT_EQ(s.pressure[2], 0.05);

    // Strict tests: exactly 0.05 is left alone.
    EXPECT_EQ(getNode(s.state, 3), (Vec4{0.05, 0.0, 0.0, 0.1}));
    EXPECT_EQ(s.pressure[3], 0.05);
}

TEST(ImplicitSolve, SingularBlockGivesNonFiniteValuesWithoutCrashing) {
    SolverState s = makeBareState(2, healthy);
    setEdges(s, {{0, 1}}, {1.0, 0.0});
    // Node 0: leading pivot zero. Node 1: identity.
    s.diagBlocks[1] = 1.0;
    s.diagBlocks[4] = 1.0;
    s.diagBlocks[10] = 1.0;
    s.diagBlocks[15] = 1.0;
    for (int k = 0; k < 4; ++k) s.diagBlocks[16 + 5 * k] = 1.0;
    for (double& r : s.residual) r = 0.1;
    implicitSolve(s, gamma14());
    bool anyNonFinite = false;
    for (int k = 0; k < 4; ++k) anyNonFinite = anyNonFinite || !std::isfinite(s.delta[k]);
    EXPECT_TRUE(anyNonFinite);
}

TEST(ImplicitSolve, NodeOutsideEveryEdgeKeepsItsStateAndDisturbsNothing) {
    // Nodes 0 and 1 share an edge; node 2 belongs to none (empty row, zero block).
    auto build = [](int n) {
        SolverState s = makeBareState(n, healthy);
        setEdges(s, {{0, 1}}, {1.0, 0.0});
        for (int i = 0; i < 2; ++i)
            for (int k = 0; k < 4; ++k) s.diagBlocks[16 * i + 5 * k] = 2.0;
        for (int slot = 0; slot < 2; ++slot)
            for (int k = 0; k < 4; ++k) s.offDiagBlocks[16 * slot + 5 * k] = 0.5;
        for (int k = 0; k < 8; ++k) s.residual[static_cast<std::size_t>(k)] = 0.01 * (k + 1);
        return s;
    };
    SolverState with = build(3);
    SolverState without = build(2);
    const Vec4 isolated = getNode(with.state, 2);
    implicitSolve(with, gamma14());
    implicitSolve(without, gamma14());
    EXPECT_EQ(getNode(with.state, 2), isolated);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(with.delta[8 + k], 0.0);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(with.delta[k], without.delta[k]);
        EXPECT_EQ(with.state[k], without.state[k]);
    }
}
