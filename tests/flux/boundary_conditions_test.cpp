#include <cmath>

#include <gtest/gtest.h>

#include "flux/flux.h"
#include "flux/roe_kernels.h"
#include "helpers/small_states.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

SolverSettings air(double mach = 0.5, double viscous = 0.0, double reynolds = 0.0) {
    SolverSettings s;
    s.gamma = 1.4;
    s.mach = mach;
    s.viscous = viscous;
    s.reynolds = reynolds;
    return s;
}

// The worked wall edge: p at (0, 0), q at (1, 0), outward normal (0, -1).
SolverState wallEdge(int kind) {
    SolverState s = makeBareState(2);
    setNode(s.state, 0, {1.0, 0.3, -0.2, 2.5});
    setNode(s.state, 1, {1.2, 0.1, 0.4, 2.9});
    s.coords = {0.0, 0.0, 1.0, 0.0};
    setBoundary(s, {0, 1, 1}, {kind});
    return s;
}

Vec4 freeStream(const SolverSettings& st) {
    return {1.0, st.mach * std::cos(st.alpha), st.mach * std::sin(st.alpha),
            (1.0 / st.gamma) / (st.gamma - 1.0) + st.mach * (st.mach * 0.5)};
}

}  // namespace

TEST(BoundaryConditions, SlipWallWorkedExample) {
    SolverState s = wallEdge(SlipWall);
    const std::vector<double> stateBefore = s.state;
    applyBoundaryConditions(s, air());
    // Each node receives minus one half of its wall state's pressure in y-momentum.
    const double pP = 0.4 * (2.6 - 0.5 * 0.25 * 0.25 / 1.05);
    const double pQ = 0.4 * (2.8 - 0.5 * 0.15 * 0.15 / 1.15);
    EXPECT_NEAR(s.residual[2], -0.514, 5e-4);
    EXPECT_NEAR(s.residual[6], -0.558, 5e-4);
    EXPECT_NEAR(s.residual[2], -0.5 * pP, 1e-14);
    EXPECT_NEAR(s.residual[6], -0.5 * pQ, 1e-14);
    for (int node = 0; node < 2; ++node) {
        EXPECT_NEAR(s.residual[4 * node], 0.0, 1e-15);
        EXPECT_NEAR(s.residual[4 * node + 1], 0.0, 1e-15);
        EXPECT_NEAR(s.residual[4 * node + 3], 0.0, 1e-15);
    }
    EXPECT_EQ(s.state, stateBefore);  // a slip wall does not damp

    // The diagonal block of p is half the left Jacobian at p's wall state (1.05, 0.25, 0, 2.6).
    const Vec4 wall{1.05, 0.25, 0.0, 2.6};
    Vec4 flux{};
    Block4 jacLeft{}, jacRight{};
    kernels::roeFlux<false>(flux.data(), jacLeft, jacRight, wall.data(), wall.data(), wall.data(),
                            wall.data(), 0.0, -1.0, 1.4);
    for (int m = 0; m < 16; ++m) EXPECT_NEAR(s.diagBlocks[m], 0.5 * jacLeft[m], 1e-13) << m;
}

TEST(BoundaryConditions, NoSlipWallDampsMomentumAfterTheFluxes) {
    SolverState slip = wallEdge(SlipWall);
    SolverState noSlip = wallEdge(NoSlipWall);
    applyBoundaryConditions(slip, air());
    applyBoundaryConditions(noSlip, air());
    EXPECT_EQ(noSlip.residual, slip.residual);  // fluxes from the undamped state
    EXPECT_EQ(noSlip.diagBlocks, slip.diagBlocks);
    const Vec4 p = getNode(noSlip.state, 0);
    const Vec4 q = getNode(noSlip.state, 1);
    EXPECT_NEAR(p[1], 0.27, 1e-15);
    EXPECT_NEAR(p[2], -0.18, 1e-15);
    EXPECT_NEAR(q[1], 0.09, 1e-15);
    EXPECT_NEAR(q[2], 0.36, 1e-15);
    EXPECT_EQ(p[0], 1.0);
    EXPECT_EQ(p[3], 2.5);
    EXPECT_EQ(q[0], 1.2);
    EXPECT_EQ(q[3], 2.9);
}

TEST(BoundaryConditions, DampingCountsEveryNoSlipEdgeOfANode) {
    // Node 1 joins edges 0-1 and 1-2; node 4 joins a no-slip edge 3-4 and a slip edge 4-5.
    SolverState s = makeBareState(6, {1.0, 0.4, 0.2, 2.5});
    s.coords = {0, 0, 1, 0, 2, 0.5, 0, 3, 1, 3, 2, 3.5};
    setBoundary(s, {0, 1, 1, 1, 2, 1, 3, 4, 1, 4, 5, 2}, {NoSlipWall, SlipWall});
    applyBoundaryConditions(s, air(0.5, 0.0));
    EXPECT_NEAR(s.state[4 * 1 + 1], 0.4 * 0.81, 1e-15);
    EXPECT_NEAR(s.state[4 * 1 + 2], 0.2 * 0.81, 1e-15);
    EXPECT_NEAR(s.state[4 * 0 + 1], 0.4 * 0.9, 1e-15);
    EXPECT_NEAR(s.state[4 * 4 + 1], 0.4 * 0.9, 1e-15);
    EXPECT_NEAR(s.state[4 * 4 + 2], 0.2 * 0.9, 1e-15);
    EXPECT_EQ(s.state[4 * 5 + 1], 0.4);  // slip wall only
}

TEST(BoundaryConditions, WallStateWithNormalMomentumKeepsAveragedEnergy) {
    // Momentum of both nodes normal to the edge: wall states at rest with the averaged
    // energy, so the residual is the pressure (gamma - 1) E of that energy.
    SolverState s = wallEdge(SlipWall);
    setNode(s.state, 0, {1.0, 0.0, 0.6, 2.5});
    setNode(s.state, 1, {1.0, 0.0, -0.2, 2.1});
    applyBoundaryConditions(s, air());
    EXPECT_NEAR(s.residual[2], -0.5 * 0.4 * 2.4, 1e-14);
    EXPECT_NEAR(s.residual[6], -0.5 * 0.4 * 2.2, 1e-14);
}

TEST(BoundaryConditions, FarfieldUsesTheFreeStreamOfTheCurrentSettings) {
    // A node at the free stream: flux = physical flux, the momentum residual reflects the
    // free-stream pressure 1/gamma through half the normal (0, -1).
    SolverSettings settings = air(0.5);
    settings.alpha = 0.2;
    SolverState s = makeBareState(2, freeStream(settings));
    s.coords = {0.0, 0.0, 1.0, 0.0};
    setBoundary(s, {0, 1, 1}, {Farfield});
    applyBoundaryConditions(s, settings);
    const Vec4 u = freeStream(settings);
    const double vn = -(u[2] / u[0]);
    const double p = 1.0 / 1.4;
    EXPECT_NEAR(s.residual[0], 0.5 * u[2] * -1.0, 1e-14);
    EXPECT_NEAR(s.residual[1], 0.5 * u[1] * vn, 1e-14);
    EXPECT_NEAR(s.residual[2], 0.5 * (u[2] * vn - p), 1e-14);
    EXPECT_NEAR(s.residual[3], 0.5 * vn * (u[3] + p), 1e-14);
}

TEST(BoundaryConditions, ViscousHalfEdgeTermsForEveryKind) {
    // Mach 0: free stream at rest. Node 0 at rest, node 1 moving; both on a far-field edge.
    const SolverSettings off = air(0.0, 0.0, 0.0);
    const SolverSettings on = air(0.0, 1.0, 20.0);
    auto build = [&](int kind) {
        SolverState s = makeBareState(2, freeStream(off));
        setNode(s.state, 1, {2.0, 0.4, -0.2, 3.0});
        s.coords = {0.0, 0.0, 0.6, 0.8};  // normal (0.8, -0.6)
        setBoundary(s, {0, 1, 1}, {kind});
        s.velocityGradX = {0.3, 0.1, -0.4, 0.25};
        s.velocityGradY = {-0.2, 0.6, 0.15, 0.5};
        return s;
    };
    for (int kind : {1, 2, 3}) {
        SolverState a = build(kind);
        SolverState b = build(kind);
        applyBoundaryConditions(a, off);
        applyBoundaryConditions(b, on);
        EXPECT_EQ(a.diagBlocks, b.diagBlocks);  // no viscous block terms
        const double nx = 0.8, ny = -0.6;
        for (int t = 0; t < 2; ++t) {
            const double ux = b.velocityGradX[2 * t], uy = b.velocityGradX[2 * t + 1];
            const double vx = b.velocityGradY[2 * t], vy = b.velocityGradY[2 * t + 1];
            const double txx = 4.0 / 3.0 * ux - 2.0 / 3.0 * vy;
            const double tyy = 4.0 / 3.0 * vy - 2.0 / 3.0 * ux;
            const double txy = uy + vx;
            const double u = t == 0 ? 0.0 : 0.2;
            const double v = t == 0 ? 0.0 : -0.1;
            const double* ra = &a.residual[4 * t];
            const double* rb = &b.residual[4 * t];
            EXPECT_EQ(rb[0], ra[0]);
            EXPECT_NEAR(rb[1] - ra[1], -0.5 * (txx * nx + txy * ny) / 20.0, 1e-15);
            EXPECT_NEAR(rb[2] - ra[2], -0.5 * (txy * nx + tyy * ny) / 20.0, 1e-15);
            const double energy =
                -0.5 * (nx * (u * txx + v * txy) + ny * (u * txy + v * tyy)) / 20.0;
            if (t == 0) {
                EXPECT_EQ(rb[3], ra[3]);  // at rest: no viscous energy term
            } else {
                EXPECT_NE(energy, 0.0);
                EXPECT_NEAR(rb[3] - ra[3], energy, 1e-15);
            }
        }
    }
}

