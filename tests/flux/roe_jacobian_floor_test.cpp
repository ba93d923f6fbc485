// The flux Jacobian of a linearisation state whose pressure lies below the floor: only the
// enthalpy is built from the floored pressure; the other entries keep the state's own values.
#include <cmath>

#include <gtest/gtest.h>

#include "flux/flux.h"
#include "flux/roe_kernels.h"

namespace kestrafol {
namespace {

TEST(RoeJacobianFloor, EnthalpyOfTheBlocksUsesTheFlooredPressure) {
    constexpr double gamma = 1.4;
    // rho = 1, rho u = 0.5, E = 0.15: Q = 0.125, p = 0.4 * 0.025 = 0.01, floored to 0.05.
    // phi = 0.4 * 0.125 = 0.05 and H = 0.125 + 1.4 * 0.05 / 0.4 = 0.3 (0.16 unfloored).
    const Vec4 u{1.0, 0.5, 0.0, 0.15};
    const Vec4 other{1.2, 0.1, 0.3, 2.0};
    Vec4 flux;
    Block4 left, right;
    // Normal (2, 0): |n| = 2, unit normal (1, 0), Vn = 0.5.
    kernels::roeFlux<false>(flux.data(), left, right, other.data(), other.data(), u.data(), other.data(), 2.0,
            0.0, gamma);
    const double h = 0.3, phi = 0.05, vn = 0.5, ux = 0.5;
    const double a[16] = {
        0.0, 1.0, 0.0, 0.0,
        phi - ux * vn, vn - ux * (gamma - 2.0), 0.0, gamma - 1.0,
        0.0, 0.0, vn, 0.0,
        vn * (phi - h), h - vn * ux * (gamma - 1.0), 0.0, gamma * vn,
    };
    for (int m = 0; m < 16; ++m)
        EXPECT_NEAR(left[m] + right[m], 2.0 * a[m], 1e-14) << m;
    // The energy row by hand: 2 (0.5 (0.05 - 0.3)) and 2 (0.3 - 0.1).
    EXPECT_NEAR(left[12] + right[12], -0.25, 1e-14);
    EXPECT_NEAR(left[13] + right[13], 0.4, 1e-14);
}

}  // namespace
}  // namespace kestrafol
