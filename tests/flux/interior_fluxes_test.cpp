// Interior edge residual on hand-built patches: scatter signs, first order, the midpoint
// weight and the order test of the reconstruction.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "flux/flux.h"
#include "flux/roe_kernels.h"
#include "flux/flux_test_patch.h"

namespace kestrafol {
namespace {

using testing::makePatch;
using testing::setState;

constexpr double kGamma = 1.4;

SolverSettings order(int spatialOrder, double w) {
    SolverSettings s;
    s.spatialOrder = spatialOrder;
    s.reconstructionWeight = w;
    s.gamma = kGamma;
    return s;
}

// Two nodes, f = 0 at (0, 0) and s = 1 at (1, 0), joined by one edge with normal (0.4, 0.1).
SolverState oneEdge() {
    SolverState s = makePatch({0.0, 0.0, 1.0, 0.0}, {{0, 1}});
    s.faceNormals = {0.4, 0.1};
    return s;
}

struct Direct {
    Vec4 flux;
    Block4 left;
    Block4 right;
};

Direct direct(const Vec4& ul, const Vec4& ur, const SolverState& s) {
    Direct d;
    kernels::roeFlux<false>(d.flux.data(), d.left, d.right, ul.data(), ur.data(), &s.state[0], &s.state[4],
            s.faceNormals[0], s.faceNormals[1], kGamma);
    return d;
}

Vec4 nodal(const SolverState& s, int n) {
    return {s.state[4 * n], s.state[4 * n + 1], s.state[4 * n + 2], s.state[4 * n + 3]};
}

TEST(InteriorFluxes, NoEdgesChangeNothing) {
    SolverState s = makePatch({0.0, 0.0, 1.0, 0.0, 0.0, 1.0}, {});
    ASSERT_EQ(s.edgeCount, 0);
    for (int n = 0; n < 3; ++n) setState(s, n, 1.0, 0.2, 0.1, 2.0);
    s.residual.assign(12, 0.25);
    s.diagBlocks.assign(48, -1.5);
    assembleInteriorFluxesOverwrite(s, order(2, 0.5));
    for (double r : s.residual) EXPECT_EQ(r, 0.25);
    for (double b : s.diagBlocks) EXPECT_EQ(b, -1.5);
}

TEST(InteriorFluxes, ScatterIsAntisymmetricAndAccumulates) {
    SolverState s = oneEdge();
    setState(s, 0, 1.0, 0.3, 0.1, 2.2);
    setState(s, 1, 1.2, 0.1, -0.2, 2.6);
    assembleInteriorFluxesOverwrite(s, order(1, 0.0));
    const Direct d = direct(nodal(s, 0), nodal(s, 1), s);
    const int first = s.edgeSlots[0], second = s.edgeSlots[1];
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(s.residual[c], d.flux[c]);
        EXPECT_EQ(s.residual[4 + c], -d.flux[c]);
    }
    for (int m = 0; m < 16; ++m) {
        EXPECT_EQ(s.diagBlocks[m], d.left[m]);
        EXPECT_EQ(s.offDiagBlocks[16 * first + m], d.right[m]);
        EXPECT_EQ(s.offDiagBlocks[16 * second + m], -d.left[m]);
        EXPECT_EQ(s.diagBlocks[16 + m], -d.right[m]);
    }
    // A second evaluation adds on top of the first.
    assembleInteriorFluxesOverwrite(s, order(1, 0.0));
    for (int c = 0; c < 4; ++c) EXPECT_EQ(s.residual[c], d.flux[c] + d.flux[c]);
    for (int m = 0; m < 16; ++m) EXPECT_EQ(s.diagBlocks[16 + m], -d.right[m] - d.right[m]);
}

TEST(InteriorFluxes, FirstOrderReadsNoGradients) {
    SolverState s = oneEdge();
    setState(s, 0, 1.0, 0.3, 0.1, 2.2);
    setState(s, 1, 1.2, 0.1, -0.2, 2.6);
    s.gradients.assign(16, std::numeric_limits<double>::quiet_NaN());
    assembleInteriorFluxesOverwrite(s, order(3, std::numeric_limits<double>::quiet_NaN()));
    const Direct d = direct(nodal(s, 0), nodal(s, 1), s);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(s.residual[c], d.flux[c]);
}

TEST(InteriorFluxes, MidpointWeightUsesTheEdgeAverage) {
    SolverState s = oneEdge();
    setState(s, 0, 1.0, 0.3, 0.1, 2.2);
    setState(s, 1, 1.2, 0.1, -0.2, 2.6);
    for (int i = 0; i < 16; ++i) s.gradients[i] = 0.7 * i - 3.0;
    assembleInteriorFluxesOverwrite(s, order(2, 1.0));

    // |n| F(mid).n^, the upwind term vanishing.
    const Vec4 mid{1.1, 0.2, -0.05, 2.4};
    const double len = std::sqrt(0.4 * 0.4 + 0.1 * 0.1), nx = 0.4 / len, ny = 0.1 / len;
    const double p = (kGamma - 1.0) * (mid[3] - 0.5 * (mid[1] * mid[1] + mid[2] * mid[2]) / mid[0]);
    const double vn = (mid[1] * nx + mid[2] * ny) / mid[0];
    const Vec4 expected{len * mid[0] * vn, len * (mid[1] * vn + p * nx),
                        len * (mid[2] * vn + p * ny), len * (mid[3] + p) * vn};
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(s.residual[c], expected[c], 1e-14) << c;

    // The blocks stay first order.
    const Direct first = direct(nodal(s, 0), nodal(s, 1), s);
    for (int m = 0; m < 16; ++m) EXPECT_EQ(s.diagBlocks[m], first.left[m]);
}

TEST(InteriorFluxes, OrderTestRemovesReversedFaceJumps) {
    // w = 0 and h = (0.5, 0): uL = Uf + 0.5 dU_f/dx, uR = Us - 0.5 dU_s/dx.
    SolverState s = oneEdge();
    setState(s, 0, 1.0, 0.25, 0.125, 2.5);
    setState(s, 1, 1.5, 1.25, 0.125, 2.5);
    const double gradF[4] = {2.0, 0.5, 0.25, -1.0}, gradS[4] = {0.0, 0.5, 0.0, 0.0};
    for (int k = 0; k < 4; ++k) {
        s.gradients[k] = gradF[k];
        s.gradients[8 + k] = gradS[k];
        s.gradients[4 + k] = 100.0;  // d/dy is multiplied by hy = 0
        s.gradients[12 + k] = -100.0;
    }
    assembleInteriorFluxesOverwrite(s, order(2, 0.0));
    // rho: uL = 2 > uR = 1.5 against a rising jump -> both 1.75.
    // rho u: 0.5 < 1.0, with the jump -> kept.
    // rho v: equal nodal values, uR = 0.125 < uL = 0.25 -> both 0.1875.
    // E: equal nodal values, uR = 2.5 > uL = 2.0 -> kept.
    const Direct d = direct({1.75, 0.5, 0.1875, 2.0}, {1.75, 1.0, 0.1875, 2.5}, s);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(s.residual[c], d.flux[c]) << c;
    for (int m = 0; m < 16; ++m) EXPECT_EQ(s.diagBlocks[m], d.left[m]) << m;
}

TEST(InteriorFluxes, OrderTestOnAFallingJump) {
    SolverState s = oneEdge();
    setState(s, 0, 1.5, 1.25, 0.5, 2.5);
    setState(s, 1, 1.0, 0.25, 0.25, 2.0);
    // rho: uL = 1.5, uR = 1 + 1 = 2 > uL against a falling jump -> both 1.75.
    // rho u: uL = 1.0, uR = 0.5 -> kept.  rho v: uL = 0.5 + 0.25 = 0.75, uR = 0.25 -> kept.
    // E: the reconstruction overshoots the other node, uL = 1.75 < uR = 2.25 -> both 2.0.
    const double gradF[4] = {0.0, -0.5, 0.5, -1.5}, gradS[4] = {-2.0, -0.5, 0.0, -0.5};
    for (int k = 0; k < 4; ++k) {
        s.gradients[k] = gradF[k];
        s.gradients[8 + k] = gradS[k];
    }
    assembleInteriorFluxesOverwrite(s, order(2, 0.0));
    const Direct d = direct({1.75, 1.0, 0.75, 2.0}, {1.75, 0.5, 0.25, 2.0}, s);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(s.residual[c], d.flux[c]) << c;
}

}  // namespace
}  // namespace kestrafol
