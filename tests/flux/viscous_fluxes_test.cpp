// Viscous face flux: worked stresses, the edge correction of the mean gradient, and the
// conservative scatter.
#include <gtest/gtest.h>

#include <cmath>

#include "flux/flux.h"
#include "flux/flux_test_patch.h"

namespace kestrafol {
namespace {

using testing::makePatch;
using testing::setState;

TEST(ViscousFaceFlux, UniformVelocityGivesNoFlux) {
    const double vel[2] = {0.4, -0.3}, grad[4] = {0.0, 0.0, 0.0, 0.0};
    double out[4] = {9.0, 9.0, 9.0, 9.0};
    const double* ret = viscousFaceFlux(out, vel, vel, grad, grad, 0.3, 0.2, 0.5, -0.1, 0.01);
    EXPECT_EQ(ret, out);
    for (double v : out) EXPECT_EQ(v, 0.0);
}

TEST(ViscousFaceFlux, LinearFieldWithExactGradients) {
    // u = 0.3 x, v = 0: no correction; txx = 0.4, tyy = -0.2, txy = 0.
    const double k = 0.3;
    const double xa = 0.2, ya = 0.1, xb = 0.7, yb = 0.4;
    const double va[2] = {k * xa, 0.0}, vb[2] = {k * xb, 0.0}, grad[4] = {k, 0.0, 0.0, 0.0};
    const double nx = 0.6, ny = -0.2, invRe = 0.01;
    double out[4];
    viscousFaceFlux(out, va, vb, grad, grad, xb - xa, yb - ya, nx, ny, invRe);
    const double txx = 4.0 * k / 3.0, tyy = -2.0 * k / 3.0, uf = 0.5 * k * (xa + xb);
    EXPECT_EQ(out[0], 0.0);
    EXPECT_NEAR(out[1], -(txx * nx) * invRe, 1e-17);
    EXPECT_NEAR(out[2], -(tyy * ny) * invRe, 1e-17);
    EXPECT_NEAR(out[3], -(txx * uf * nx) * invRe, 1e-17);
    EXPECT_NEAR(out[1], -0.0024, 1e-16);
    EXPECT_NEAR(out[2], -0.0004, 1e-16);
    EXPECT_NEAR(out[3], -0.000324, 1e-16);
}

TEST(ViscousFaceFlux, ZeroGradientsTakeTheEndDifference) {
    // Edge (0.3, 0.4), G = 0.25; du = 0.5, dv = -0.25:
    // ux = 0.6, uy = 0.8, vx = -0.3, vy = -0.4; txx = 16/15, tyy = -14/15, txy = 0.5.
    const double va[2] = {0.0, 0.0}, vb[2] = {0.5, -0.25}, zero[4] = {0.0, 0.0, 0.0, 0.0};
    double out[4];
    viscousFaceFlux(out, va, vb, zero, zero, 0.3, 0.4, 1.0, 0.0, 1.0);
    EXPECT_EQ(out[0], 0.0);
    EXPECT_NEAR(out[1], -16.0 / 15.0, 1e-15);
    EXPECT_NEAR(out[2], -0.5, 1e-15);
    // u_f = 0.25, v_f = -0.125
    EXPECT_NEAR(out[3], -(16.0 / 15.0 * 0.25 - 0.5 * 0.125), 1e-15);
    viscousFaceFlux(out, va, vb, zero, zero, 0.3, 0.4, 0.0, 1.0, 1.0);
    EXPECT_NEAR(out[1], -0.5, 1e-15);
    EXPECT_NEAR(out[2], 14.0 / 15.0, 1e-15);

    // An edge along x of length 0.5 and du = 0.2: ux = 0.4, uy = 0 -> txy = 0.
    const double wb[2] = {0.2, 0.0};
    viscousFaceFlux(out, va, wb, zero, zero, 0.5, 0.0, 0.0, 1.0, 1.0);
    EXPECT_NEAR(out[1], 0.0, 1e-16);
    EXPECT_NEAR(out[2], (2.0 / 3.0) * 0.4, 1e-15);
}

TEST(ViscousFaceFlux, OnlyTheAlongEdgeComponentIsCorrected) {
    // Nodal gradients that disagree with the end values: the component across the edge
    // stays the mean. Edge along x, so d/dy keeps the mean and d/dx takes du/dx.
    const double va[2] = {1.0, 0.0}, vb[2] = {1.5, 0.0};
    const double ga[4] = {9.0, 0.2, 0.0, 0.0}, gb[4] = {-3.0, 0.4, 0.0, 0.0};
    double out[4];
    viscousFaceFlux(out, va, vb, ga, gb, 0.25, 0.0, 0.0, 1.0, 1.0);
    // mean d/dx 3 is replaced by 0.5 / 0.25 = 2, uy = 0.3: txy = 0.3, tyy = -4/3.
    EXPECT_NEAR(out[1], -0.3, 1e-15);
    EXPECT_NEAR(out[2], 4.0 / 3.0, 1e-15);
}

TEST(AssembleViscousFluxes, ScattersTheFaceFluxFromTheNodalFields) {
    SolverState s = makePatch({0.0, 0.0, 0.5, 0.25}, {{0, 1}});
    s.faceNormals = {0.2, -0.3};
    setState(s, 0, 2.0, 0.4, -0.2, 3.0);
    setState(s, 1, 0.5, 0.3, 0.05, 2.0);
    s.velocityGradX = {0.1, 0.2, 0.3, 0.4};
    s.velocityGradY = {-0.5, 0.6, -0.7, 0.8};
    s.residual = {1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0};
    SolverSettings settings;
    settings.viscous = 1.0;
    settings.reynolds = 200.0;
    assembleViscousFluxes(s, settings);

    const double va[2] = {0.2, -0.1}, vb[2] = {0.6, 0.1};
    const double ga[4] = {0.1, 0.2, -0.5, 0.6}, gb[4] = {0.3, 0.4, -0.7, 0.8};
    double f[4];
    viscousFaceFlux(f, va, vb, ga, gb, 0.5, 0.25, 0.2, -0.3, 1.0 / 200.0);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(s.residual[c], (c + 1.0) + f[c]) << c;
        EXPECT_EQ(s.residual[4 + c], (c + 5.0) - f[c]) << c;
    }
    EXPECT_NE(f[1], 0.0);
}

TEST(AssembleViscousFluxes, ConservesOverAPatch) {
    SolverState s =
        makePatch({0.0, 0.0, 1.0, 0.1, 0.3, 0.9, -0.8, 0.6, -0.5, -0.7, 0.6, -0.8},
                  {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 1}});
    for (int e = 0; e < s.edgeCount; ++e) {
        s.faceNormals[2 * e] = std::sin(1.0 + e);
        s.faceNormals[2 * e + 1] = std::cos(2.0 * e);
    }
    for (int n = 0; n < s.nodeCount; ++n) {
        setState(s, n, 1.0 + 0.1 * n, std::sin(n), std::cos(n), 3.0);
        s.velocityGradX[2 * n] = 0.3 * n;
        s.velocityGradX[2 * n + 1] = -0.2 * n;
        s.velocityGradY[2 * n] = 0.1;
        s.velocityGradY[2 * n + 1] = std::sin(3.0 * n);
    }
    SolverSettings settings;
    settings.viscous = 1.0;
    settings.reynolds = 50.0;
    assembleViscousFluxes(s, settings);
    Vec4 sum{};
    double size = 0.0;
    for (int n = 0; n < s.nodeCount; ++n)
        for (int c = 0; c < 4; ++c) {
            sum[c] += s.residual[4 * n + c];
            size += std::abs(s.residual[4 * n + c]);
        }
    EXPECT_GT(size, 1e-3);
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(sum[c], 0.0, 1e-15) << c;
    for (int n = 0; n < s.nodeCount; ++n) EXPECT_EQ(s.residual[4 * n], 0.0);
}

}  // namespace
}  // namespace kestrafol
