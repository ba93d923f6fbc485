// Roe flux and its Jacobian blocks: worked numbers, the Roe property, the floors, and
// finite-difference checks of the blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "flux/flux.h"
#include "flux/roe_kernels.h"

namespace kestrafol {
namespace {

constexpr double kGamma = 1.4;

// State from primitive variables.
Vec4 conserved(double rho, double u, double v, double p) {
    return {rho, rho * u, rho * v, p / (kGamma - 1.0) + 0.5 * rho * (u * u + v * v)};
}

// Physical flux along a unit normal, without any floor.
Vec4 physicalFlux(const Vec4& s, double nx, double ny) {
    const double u = s[1] / s[0], v = s[2] / s[0];
    const double p = (kGamma - 1.0) * (s[3] - 0.5 * (s[1] * s[1] + s[2] * s[2]) / s[0]);
    const double vn = u * nx + v * ny;
    return {s[0] * vn, s[1] * vn + p * nx, s[2] * vn + p * ny, (s[3] + p) * vn};
}

// Central finite-difference Jacobian of the physical flux along a unit normal.
Block4 physicalJacobianFd(const Vec4& s, double nx, double ny) {
    Block4 a{};
    for (int j = 0; j < 4; ++j) {
        const double h = 1e-6 * std::max(1.0, std::abs(s[j]));
        Vec4 plus = s, minus = s;
        plus[j] += h;
        minus[j] -= h;
        const Vec4 fp = physicalFlux(plus, nx, ny), fm = physicalFlux(minus, nx, ny);
        for (int i = 0; i < 4; ++i) a[4 * i + j] = (fp[i] - fm[i]) / (2.0 * h);
    }
    return a;
}

double maxAbs(const Block4& b) {
    double m = 0.0;
    for (double x : b) m = std::max(m, std::abs(x));
    return m;
}

struct FluxResult {
    Vec4 flux;
    Block4 left;
    Block4 right;
};

FluxResult evaluate(const Vec4& ul, const Vec4& ur, const Vec4& linL, const Vec4& linR,
                    double nx, double ny) {
    FluxResult r;
    kernels::roeFlux<false>(r.flux.data(), r.left, r.right, ul.data(), ur.data(), linL.data(), linR.data(), nx,
            ny, kGamma);
    return r;
}

FluxResult evaluate(const Vec4& ul, const Vec4& ur, double nx, double ny) {
    return evaluate(ul, ur, ul, ur, nx, ny);
}

TEST(RoeFlux, EqualStatesGiveThePhysicalFlux) {
    const Vec4 u = conserved(1.2, 0.3, -0.2, 0.9);
    const double nx = 0.3, ny = -0.4;  // |n| = 0.5
    const FluxResult r = evaluate(u, u, nx, ny);
    const Vec4 f = physicalFlux(u, 0.6, -0.8);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(r.flux[i], 0.5 * f[i], 1e-14) << i;
}

TEST(RoeFlux, SupersonicOutflowUsesTheLeftStateOnly) {
    // Speed of sound about 1, normal velocity about 2.6 on both pairs.
    const Vec4 ul = conserved(1.0, 2.5, 0.5, 1.0 / kGamma);
    const Vec4 ur = conserved(0.8, 2.9, 0.1, 0.6);
    const double nx = 2.0, ny = 0.4;
    const double len = std::sqrt(nx * nx + ny * ny);
    const FluxResult r = evaluate(ul, ur, nx, ny);

    const Vec4 f = physicalFlux(ul, nx / len, ny / len);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(r.flux[i], len * f[i], 1e-13 * len) << i;
    for (int m = 0; m < 16; ++m) EXPECT_EQ(r.right[m], 0.0) << m;
    const Block4 a = physicalJacobianFd(ul, nx / len, ny / len);
    for (int m = 0; m < 16; ++m) EXPECT_NEAR(r.left[m], len * a[m], 1e-7 * len * maxAbs(a)) << m;
}

TEST(RoeFlux, SupersonicInflowFromTheRightGivesTheRightFlux) {
    // Roe property: with every wave running leftwards the flux is the right state's.
    const Vec4 ul = conserved(1.1, -2.4, 0.3, 0.8);
    const Vec4 ur = conserved(0.9, -2.8, -0.2, 0.7);
    const double nx = 0.5, ny = 0.1;
    const double len = std::sqrt(nx * nx + ny * ny);
    const FluxResult r = evaluate(ul, ur, nx, ny);
    const Vec4 f = physicalFlux(ur, nx / len, ny / len);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(r.flux[i], len * f[i], 1e-12) << i;
}

TEST(RoeFlux, LeftPressureBelowTheFloor) {
    // rho = 1, rho u = 0.5, E = 0.15: ke = 0.125, p = 0.4 * 0.025 = 0.01 < 0.05.
    const Vec4 u{1.0, 0.5, 0.0, 0.15};
    const FluxResult r = evaluate(u, u, 1.0, 0.0);
    EXPECT_NEAR(r.flux[0], 0.5, 1e-15);
    EXPECT_NEAR(r.flux[1], 0.25 + 0.05, 1e-15);
    EXPECT_NEAR(r.flux[2], 0.0, 1e-15);
    // Vn (ke + 0.05/(gamma - 1) + 0.05) = 0.5 (0.125 + 0.125 + 0.05)
    EXPECT_NEAR(r.flux[3], 0.15, 1e-15);
}

TEST(RoeFlux, RoePressureBelowTheFloorRaisesTheSoundSpeed) {
    // A state at rest, rho = 2, p = 0.01: the floored sound speed is sqrt(0.05 gamma / 2).
    // Along (1, 0) only wave 1 is negative, so A- = -a r1 l1 with r1 = (1, -a, 0, a^2/(g-1))
    // and l1 = (0, -1/(2a), 0, (g-1)/(2a^2)).
    const Vec4 u = conserved(2.0, 0.0, 0.0, 0.01);
    Block4 neg;
    kernels::roeDissipation(neg, u.data(), u.data(), 1.0, 0.0, kGamma);
    const double a = std::sqrt(0.05 * kGamma / 2.0);
    const double expected[16] = {
        0.0, 0.5, 0.0, -0.5 * (kGamma - 1.0) / a,
        0.0, -0.5 * a, 0.0, 0.5 * (kGamma - 1.0),
        0.0, 0.0, 0.0, 0.0,
        0.0, 0.5 * a * a / (kGamma - 1.0), 0.0, -0.5 * a,
    };
    for (int m = 0; m < 16; ++m) EXPECT_NEAR(neg[m], expected[m], 1e-14) << m;
    // The waves of speed exactly 0 add nothing, not even rounding noise.
    EXPECT_EQ(neg[10], 0.0);
    EXPECT_EQ(neg[8], 0.0);
}

TEST(RoeFlux, ScalingTheNormalScalesFluxAndBlocks) {
    const Vec4 ul = conserved(1.0, 0.4, 0.1, 0.8), ur = conserved(1.3, 0.2, -0.3, 1.1);
    const FluxResult base = evaluate(ul, ur, 0.3, 0.7);
    // A power of two keeps the unit normal bit for bit.
    const FluxResult twice = evaluate(ul, ur, 0.6, 1.4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(twice.flux[i], 2.0 * base.flux[i]);
    for (int m = 0; m < 16; ++m) {
        EXPECT_EQ(twice.left[m], 2.0 * base.left[m]);
        EXPECT_EQ(twice.right[m], 2.0 * base.right[m]);
    }
    const FluxResult scaled = evaluate(ul, ur, 0.3 * 2.7, 0.7 * 2.7);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(scaled.flux[i], 2.7 * base.flux[i], 1e-14);
    for (int m = 0; m < 16; ++m) {
        EXPECT_NEAR(scaled.left[m], 2.7 * base.left[m], 1e-13);
        EXPECT_NEAR(scaled.right[m], 2.7 * base.right[m], 1e-13);
    }
}

TEST(RoeFlux, AntisymmetricWhileNoFloorActs) {
    // Subsonic, every pressure well above the floor: F(L, R, n) = -F(R, L, -n).
    const Vec4 ul = conserved(1.0, 0.4, 0.1, 0.8), ur = conserved(1.3, -0.2, -0.3, 1.1);
    const FluxResult forward = evaluate(ul, ur, 0.3, -0.7);
    const FluxResult backward = evaluate(ur, ul, -0.3, 0.7);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(forward.flux[i], -backward.flux[i], 1e-13) << i;
}

TEST(RoeFlux, FloorBreaksAntisymmetry) {
    // Left pressure floored, right one not: the upwind form is no longer antisymmetric.
    const Vec4 ul{1.0, 0.5, 0.0, 0.15}, ur = conserved(1.0, 0.5, 0.0, 0.5);
    const FluxResult forward = evaluate(ul, ur, 1.0, 0.0);
    const FluxResult backward = evaluate(ur, ul, -1.0, 0.0);
    EXPECT_GT(std::abs(forward.flux[1] + backward.flux[1]), 1e-3);
}

TEST(RoeFlux, BlocksSumToTheFluxJacobianOfTheLinearisationPair) {
    const Vec4 linL = conserved(1.1, 0.35, -0.15, 0.75), linR = conserved(0.9, 0.1, 0.2, 0.7);
    const Vec4 ul = conserved(1.0, 0.3, -0.1, 0.7), ur = conserved(0.95, 0.2, 0.1, 0.72);
    const double nx = -0.2, ny = 0.45;
    const double len = std::sqrt(nx * nx + ny * ny);
    const FluxResult r = evaluate(ul, ur, linL, linR, nx, ny);

    // d/dU of the first-order flux F(U, U) at U = linStateLeft.
    Block4 fd{};
    for (int j = 0; j < 4; ++j) {
        const double h = 1e-6;
        Vec4 plus = linL, minus = linL;
        plus[j] += h;
        minus[j] -= h;
        const FluxResult fp = evaluate(plus, plus, nx, ny), fm = evaluate(minus, minus, nx, ny);
        for (int i = 0; i < 4; ++i) fd[4 * i + j] = (fp.flux[i] - fm.flux[i]) / (2.0 * h);
    }
    for (int m = 0; m < 16; ++m)
        EXPECT_NEAR(r.left[m] + r.right[m], fd[m], 1e-7 * maxAbs(fd)) << m;

    // jacRight is |n| A- of the linearisation pair; the flux ignores that pair.
    Block4 neg;
    kernels::roeDissipation(neg, linL.data(), linR.data(), nx / len, ny / len, kGamma);
    for (int m = 0; m < 16; ++m) EXPECT_EQ(r.right[m], len * neg[m]) << m;
    const FluxResult own = evaluate(ul, ur, nx, ny);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(r.flux[i], own.flux[i]);
}

TEST(RoeDissipation, AllWavesNegativeGiveTheFullJacobian) {
    // R diag(lambda) L = A only when L is the inverse of R.
    const Vec4 u = conserved(0.8, -1.9, 0.7, 0.6);
    const double nx = 0.8, ny = -0.6;
    Block4 neg;
    kernels::roeDissipation(neg, u.data(), u.data(), nx, ny, kGamma);
    const Block4 a = physicalJacobianFd(u, nx, ny);
    for (int m = 0; m < 16; ++m) EXPECT_NEAR(neg[m], a[m], 1e-7 * maxAbs(a)) << m;

    // All waves positive: nothing.
    kernels::roeDissipation(neg, u.data(), u.data(), -nx, -ny, kGamma);
    for (int m = 0; m < 16; ++m) EXPECT_EQ(neg[m], 0.0) << m;
}

TEST(RoeDissipation, SubsonicSplitAddsUpToTheRoeMatrix) {
    // A-(n) - A-(-n) = A-(n) + A+(n) is the Roe matrix; for equal states that is A(U), and
    // for different states it maps the jump onto the jump of the physical fluxes.
    const double nx = 0.6, ny = 0.8;
    const Vec4 u = conserved(1.0, 0.3, -0.2, 0.7);
    Block4 neg, pos;
    kernels::roeDissipation(neg, u.data(), u.data(), nx, ny, kGamma);
    kernels::roeDissipation(pos, u.data(), u.data(), -nx, -ny, kGamma);
    const Block4 a = physicalJacobianFd(u, nx, ny);
    for (int m = 0; m < 16; ++m) EXPECT_NEAR(neg[m] - pos[m], a[m], 1e-7 * maxAbs(a)) << m;

    const Vec4 ul = conserved(1.0, 0.3, -0.2, 0.7), ur = conserved(1.4, -0.1, 0.25, 1.2);
    kernels::roeDissipation(neg, ul.data(), ur.data(), nx, ny, kGamma);
    kernels::roeDissipation(pos, ul.data(), ur.data(), -nx, -ny, kGamma);
    const Vec4 fl = physicalFlux(ul, nx, ny), fr = physicalFlux(ur, nx, ny);
    for (int i = 0; i < 4; ++i) {
        double mapped = 0.0;
        for (int j = 0; j < 4; ++j) mapped += (neg[4 * i + j] - pos[4 * i + j]) * (ur[j] - ul[j]);
        EXPECT_NEAR(mapped, fr[i] - fl[i], 1e-13) << i;
    }
}

}  // namespace
}  // namespace kestrafol
