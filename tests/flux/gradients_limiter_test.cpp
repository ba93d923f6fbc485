// Least-squares gradients and the min/max limiter on hand-built node clouds.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "flux/flux.h"
#include "flux/flux_test_patch.h"

namespace kestrafol {
namespace {

using testing::makePatch;
using testing::setState;

// An irregular cloud: node 0 surrounded by five neighbours, a few links among them, and an
// isolated node 6.
SolverState irregularCloud() {
    return makePatch(
        {0.0, 0.0, 1.0, 0.1, 0.3, 0.9, -0.8, 0.6, -0.5, -0.7, 0.6, -0.8, 5.0, 5.0},
        {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 1}});
}

// A plus-shaped star: node 0 at the origin, neighbours 1 (1, 0), 2 (-1, 0), 3 (0, 1), 4 (0, -1).
SolverState star() {
    return makePatch({0.0, 0.0, 1.0, 0.0, -1.0, 0.0, 0.0, 1.0, 0.0, -1.0},
                     {{0, 1}, {0, 2}, {0, 3}, {0, 4}});
}

SolverSettings weight(double w) {
    SolverSettings s;
    s.spatialOrder = 2;
    s.reconstructionWeight = w;
    return s;
}

TEST(Gradients, ExactOnALinearField) {
    SolverState s = irregularCloud();
    const double a[4] = {1.0, 0.2, -0.1, 2.5}, gx[4] = {0.3, -1.2, 0.7, 0.05},
                 gy[4] = {-0.4, 0.9, 2.0, -0.6};
    for (int n = 0; n < s.nodeCount; ++n)
        for (int k = 0; k < 4; ++k)
            s.state[4 * n + k] = a[k] + gx[k] * s.coords[2 * n] + gy[k] * s.coords[2 * n + 1];
    s.gradients.assign(8 * s.nodeCount, 99.0);
    computeGradients(s);
    for (int n = 0; n < 6; ++n)
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(s.gradients[8 * n + k], gx[k], 1e-13) << n << " " << k;
            EXPECT_NEAR(s.gradients[8 * n + 4 + k], gy[k], 1e-13) << n << " " << k;
        }
    // No neighbours: zero gradient.
    for (int k = 0; k < 8; ++k) EXPECT_EQ(s.gradients[8 * 6 + k], 0.0);
}

TEST(Gradients, ScalarGradientAgreesWithTheConservedOne) {
    SolverState s = irregularCloud();
    for (int n = 0; n < s.nodeCount; ++n)
        for (int k = 0; k < 4; ++k) s.state[4 * n + k] = std::sin(1.7 * n + k) + 2.0 * k;
    computeGradients(s);
    std::vector<double> values(s.nodeCount), out(2 * s.nodeCount, 99.0);
    for (int k = 0; k < 4; ++k) {
        for (int n = 0; n < s.nodeCount; ++n) values[n] = s.state[4 * n + k];
        scalarGradient(s, values.data(), out.data());
        for (int n = 0; n < s.nodeCount; ++n) {
            EXPECT_EQ(out[2 * n], s.gradients[8 * n + k]);
            EXPECT_EQ(out[2 * n + 1], s.gradients[8 * n + 4 + k]);
        }
    }
}

TEST(Limiter, UniformFlowKeepsEveryFactor) {
    SolverState s = irregularCloud();
    for (int n = 0; n < s.nodeCount; ++n) setState(s, n, 1.0, 0.5, 0.1, 2.0);
    computeGradients(s);
    computeLimiter(s, weight(0.0));
    for (double g : s.gradients) EXPECT_EQ(g, 0.0);
    for (double phi : s.limiter) EXPECT_EQ(phi, 1.0);
}

TEST(Limiter, MidpointWeightKeepsEveryFactor) {
    // w = 1 removes the gradient part: every prediction is an edge midpoint.
    SolverState s = irregularCloud();
    for (int n = 0; n < s.nodeCount; ++n)
        for (int k = 0; k < 4; ++k) s.state[4 * n + k] = std::cos(2.3 * n - k) + 3.0;
    computeGradients(s);
    for (double& g : s.gradients) g *= 50.0;  // wildly overshooting gradients
    const std::vector<double> before = s.gradients;
    computeLimiter(s, weight(1.0));
    for (double phi : s.limiter) EXPECT_EQ(phi, 1.0);
    EXPECT_EQ(s.gradients, before);
}

TEST(Limiter, ZeroWeightAtALocalMaximumZeroesTheGradient) {
    SolverState s = star();
    // Density peaks at node 0; the other variables are linear in x.
    const double rho[5] = {2.0, 1.5, 1.0, 1.8, 1.2};
    for (int n = 0; n < 5; ++n) setState(s, n, rho[n], 0.1 * s.coords[2 * n], 0.0, 2.0);
    computeGradients(s);
    ASSERT_NE(s.gradients[0], 0.0);
    computeLimiter(s, weight(0.0));
    EXPECT_EQ(s.limiter[0], 0.0);
    EXPECT_EQ(s.gradients[0], 0.0);
    EXPECT_EQ(s.gradients[4], 0.0);
    // Linear x-momentum: every prediction is the half-way value, inside the bounds.
    EXPECT_EQ(s.limiter[1], 1.0);
    EXPECT_NEAR(s.gradients[1], 0.1, 1e-15);
}

TEST(Limiter, OneOvershootIsBroughtOntoTheBound) {
    // Node 0 = 1, neighbour (1, 0) = 2, neighbour (-1, 0) = -5, the others 1. A hand-set
    // gradient d/dx = 4 with w = 0.5 predicts 0.5 (4 * 0.5) + (1 + 0.25) = 2.25 towards
    // (1, 0), beyond the maximum 2: the factor is (2 - 1 - 0.25) / 1 = 0.75. Towards (-1, 0)
    // the prediction -1 + (1 - 1.5) = -1.5 stays above the minimum -5.
    SolverState s = star();
    const double rho[5] = {1.0, 2.0, -5.0, 1.0, 1.0};
    for (int n = 0; n < 5; ++n) setState(s, n, rho[n], 0.0, 0.0, 1.0);
    s.gradients[0] = 4.0;
    s.gradients[4] = 0.5;  // d/dy: predictions 1 +- 0.125 stay within [-5, 2]
    computeLimiter(s, weight(0.5));
    EXPECT_EQ(s.limiter[0], 0.75);
    EXPECT_EQ(s.gradients[0], 3.0);
    EXPECT_EQ(s.gradients[4], 0.375);
    // The limited prediction towards (1, 0) lands on the bound.
    EXPECT_EQ(0.5 * (s.gradients[0] * 0.5) + (1.0 + 0.25), 2.0);
    // The other variables had no gradient and keep factor 1.
    for (int k = 1; k < 4; ++k) EXPECT_EQ(s.limiter[k], 1.0);
}

TEST(Limiter, NegativeRatioIsClampedToZero) {
    // w = 3 lies outside [0, 2]: the central part alone overshoots towards (1, 0), and a
    // gradient of -0.1 gives g = (1 - 3)(-0.05) = 0.1, P = 0.1 + 1 + 1.5 = 2.6 > 2 and the
    // ratio (2 - 1 - 1.5) / 0.1 = -5.
    SolverState s = star();
    const double rho[5] = {1.0, 2.0, 1.0, 1.0, 1.0};
    for (int n = 0; n < 5; ++n) setState(s, n, rho[n], 0.0, 0.0, 1.0);
    s.gradients[0] = -0.1;
    s.gradients[4] = 0.2;
    computeLimiter(s, weight(3.0));
    EXPECT_EQ(s.limiter[0], 0.0);
    EXPECT_EQ(s.gradients[0], 0.0);
    EXPECT_EQ(s.gradients[4], 0.0);
}

TEST(Limiter, LimitedPredictionsStayWithinTheBounds) {
    // For weights between 0 and 2, no limited face value leaves the neighbourhood's range.
    for (double w : {0.0, 0.5, 1.5, 2.0}) {
        SolverState s = irregularCloud();
        for (int n = 0; n < s.nodeCount; ++n)
            for (int k = 0; k < 4; ++k) s.state[4 * n + k] = std::sin(3.1 * n + 0.7 * k) + 0.3 * n;
        computeGradients(s);
        for (double& g : s.gradients) g *= 3.0;
        computeLimiter(s, weight(w));
        for (int n = 0; n < s.nodeCount; ++n) {
            const int begin = s.adjacencyStart[n], end = s.adjacencyStart[n + 1];
            for (int k = 0; k < 4; ++k) {
                const double un = s.state[4 * n + k];
                double lo = un, hi = un;
                for (int q = begin; q < end; ++q) {
                    lo = std::min(lo, s.state[4 * s.adjacency[q] + k]);
                    hi = std::max(hi, s.state[4 * s.adjacency[q] + k]);
                }
                EXPECT_GE(s.limiter[4 * n + k], 0.0);
                EXPECT_LE(s.limiter[4 * n + k], 1.0);
                for (int q = begin; q < end; ++q) {
                    const int m = s.adjacency[q];
                    const double hx = (s.coords[2 * m] - s.coords[2 * n]) * 0.5;
                    const double hy = (s.coords[2 * m + 1] - s.coords[2 * n + 1]) * 0.5;
                    const double face = (1.0 - w) * (s.gradients[8 * n + 4 + k] * hy +
                                                     hx * s.gradients[8 * n + k]) +
                                        ((s.state[4 * m + k] - un) * (w * 0.5) + un);
                    EXPECT_LE(face, hi + 1e-12) << w << " " << n << " " << k;
                    EXPECT_GE(face, lo - 1e-12) << w << " " << n << " " << k;
                }
            }
        }
    }
}

}  // namespace
}  // namespace kestrafol
