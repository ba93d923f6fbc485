// Flux kernels on complete solver set-ups: free-stream preservation at interior nodes,
// conservation of the scatter, and exact gradients of linear fields.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "flux/flux.h"
#include "support/test_meshes.h"

namespace kestrafol {
namespace {

using testing::makeCircle;
using testing::makeParameters;
using testing::makeRectangle;
using testing::makeSolver;
using testing::MeshArrays;

std::vector<bool> boundaryNodes(const SolverState& s) {
    std::vector<bool> onBoundary(s.nodeCount, false);
    for (int b = 0; b < s.boundaryEdgeCount; ++b) {
        onBoundary[s.boundaryEdges[3 * b]] = true;
        onBoundary[s.boundaryEdges[3 * b + 1]] = true;
    }
    return onBoundary;
}

void clearAssembly(SolverState& s) {
    std::fill(s.residual.begin(), s.residual.end(), 0.0);
    std::fill(s.diagBlocks.begin(), s.diagBlocks.end(), 0.0);
    std::fill(s.offDiagBlocks.begin(), s.offDiagBlocks.end(), 0.0);
}

std::vector<MeshArrays> meshes() {
    return {makeRectangle(6, 5, 2.0, 1.0, true), makeRectangle(4, 4, 1.0, 1.0, false),
            makeCircle(16, 6, 0.5, 5.0, false), makeCircle(12, 5, 0.5, 4.0, true)};
}

TEST(MeshFluxes, FreeStreamGivesNoInteriorResidual) {
    for (const MeshArrays& mesh : meshes()) {
        for (int order : {1, 2}) {
            SolverRecords r = makeSolver(mesh, makeParameters(0.7, 3.0, order));
            SolverState& s = *r.state;
            computeGradients(s);
            computeLimiter(s, *r.settings);
            for (double g : s.gradients) EXPECT_EQ(g, 0.0);
            for (double phi : s.limiter) EXPECT_EQ(phi, 1.0);
            clearAssembly(s);
            assembleInteriorFluxesOverwrite(s, *r.settings);
            const std::vector<bool> onBoundary = boundaryNodes(s);
            int interior = 0;
            for (int n = 0; n < s.nodeCount; ++n) {
                if (onBoundary[n]) continue;
                ++interior;
                for (int c = 0; c < 4; ++c) EXPECT_NEAR(s.residual[4 * n + c], 0.0, 1e-13);
            }
            EXPECT_GT(interior, 0);
        }
    }
}

TEST(MeshFluxes, SecondOrderOfAUniformFlowEqualsFirstOrder) {
    const MeshArrays mesh = makeRectangle(5, 4);
    SolverRecords first = makeSolver(mesh, makeParameters(0.5, 2.0, 1));
    SolverRecords second = makeSolver(mesh, makeParameters(0.5, 2.0, 2));
    for (SolverRecords* r : {&first, &second}) {
        computeGradients(*r->state);
        computeLimiter(*r->state, *r->settings);
        clearAssembly(*r->state);
        assembleInteriorFluxesOverwrite(*r->state, *r->settings);
    }
    EXPECT_EQ(first.state->residual, second.state->residual);
    EXPECT_EQ(first.state->diagBlocks, second.state->diagBlocks);
    EXPECT_EQ(first.state->offDiagBlocks, second.state->offDiagBlocks);
}

TEST(MeshFluxes, InteriorScatterConserves) {
    for (const MeshArrays& mesh : meshes()) {
        SolverRecords r = makeSolver(mesh, makeParameters(0.6, 5.0, 2));
        SolverState& s = *r.state;
        // A smooth non-uniform flow.
        for (int n = 0; n < s.nodeCount; ++n) {
            const double x = s.coords[2 * n], y = s.coords[2 * n + 1];
            const double rho = 1.0 + 0.2 * std::sin(1.3 * x + 0.4 * y);
            const double u = 0.5 + 0.1 * std::cos(y), v = 0.1 * std::sin(x);
            const double p = 1.0 / 1.4 + 0.1 * std::cos(x - y);
            s.state[4 * n] = rho;
            s.state[4 * n + 1] = rho * u;
            s.state[4 * n + 2] = rho * v;
            s.state[4 * n + 3] = p / 0.4 + 0.5 * rho * (u * u + v * v);
        }
        computeGradients(s);
        computeLimiter(s, *r.settings);
        clearAssembly(s);
        assembleInteriorFluxesOverwrite(s, *r.settings);

        // The fluxes cancel over all nodes, whatever the state: so does every column of the
        // matrix (the derivative of that sum with respect to one node's state).
        Vec4 sum{};
        for (int n = 0; n < s.nodeCount; ++n)
            for (int c = 0; c < 4; ++c) sum[c] += s.residual[4 * n + c];
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(sum[c], 0.0, 1e-12);

        std::vector<double> column(s.diagBlocks);
        for (int slot = 0; slot < 2 * s.edgeCount; ++slot) {
            const int j = s.slotNeighbour[slot];
            for (int m = 0; m < 16; ++m) column[16 * j + m] += s.offDiagBlocks[16 * slot + m];
        }
        for (double c : column) EXPECT_NEAR(c, 0.0, 1e-12);
    }
}

TEST(MeshFluxes, GradientsOfALinearFieldAreExact) {
    for (const MeshArrays& mesh : meshes()) {
        SolverRecords r = makeSolver(mesh, makeParameters(0.5, 0.0, 2));
        SolverState& s = *r.state;
        const double gx[4] = {0.1, -0.2, 0.05, 0.3}, gy[4] = {-0.05, 0.15, 0.2, -0.1};
        for (int n = 0; n < s.nodeCount; ++n)
            for (int k = 0; k < 4; ++k)
                s.state[4 * n + k] = (k == 0 ? 1.0 : 2.0) + gx[k] * s.coords[2 * n] +
                                     gy[k] * s.coords[2 * n + 1];
        computeGradients(s);
        for (int n = 0; n < s.nodeCount; ++n)
            for (int k = 0; k < 4; ++k) {
                EXPECT_NEAR(s.gradients[8 * n + k], gx[k], 1e-12);
                EXPECT_NEAR(s.gradients[8 * n + 4 + k], gy[k], 1e-12);
            }
        // u = (rho u)/rho is not linear, but a linear scalar is reproduced as well.
        for (int n = 0; n < s.nodeCount; ++n)
            s.scalarWork[n] = 0.7 * s.coords[2 * n] - 1.1 * s.coords[2 * n + 1];
        scalarGradient(s, s.scalarWork.data(), s.velocityGradX.data());
        for (int n = 0; n < s.nodeCount; ++n) {
            EXPECT_NEAR(s.velocityGradX[2 * n], 0.7, 1e-12);
            EXPECT_NEAR(s.velocityGradX[2 * n + 1], -1.1, 1e-12);
        }
    }
}

TEST(MeshFluxes, LinearViscousFieldLeavesInteriorMomentumBalanced) {
    // u = 0.3 x - 0.2 y, v = 0.1 x + 0.25 y with exact nodal gradients: the stress is constant,
    // so its flux through each closed interior control volume vanishes.
    for (const MeshArrays& mesh : meshes()) {
        SolverRecords r = makeSolver(mesh, makeParameters(0.2, 0.0, 1, 0, 1.0, 100.0));
        SolverState& s = *r.state;
        for (int n = 0; n < s.nodeCount; ++n) {
            const double x = s.coords[2 * n], y = s.coords[2 * n + 1];
            const double rho = 1.0 + 0.1 * x * x;
            s.state[4 * n] = rho;
            s.state[4 * n + 1] = rho * (0.3 * x - 0.2 * y);
            s.state[4 * n + 2] = rho * (0.1 * x + 0.25 * y);
            s.velocityGradX[2 * n] = 0.3;
            s.velocityGradX[2 * n + 1] = -0.2;
            s.velocityGradY[2 * n] = 0.1;
            s.velocityGradY[2 * n + 1] = 0.25;
        }
        std::fill(s.residual.begin(), s.residual.end(), 0.0);
        assembleViscousFluxes(s, *r.settings);
        const std::vector<bool> onBoundary = boundaryNodes(s);
        Vec4 sum{};
        for (int n = 0; n < s.nodeCount; ++n) {
            EXPECT_EQ(s.residual[4 * n], 0.0);
            for (int c = 0; c < 4; ++c) sum[c] += s.residual[4 * n + c];
            if (onBoundary[n]) continue;
            EXPECT_NEAR(s.residual[4 * n + 1], 0.0, 1e-15);
            EXPECT_NEAR(s.residual[4 * n + 2], 0.0, 1e-15);
        }
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(sum[c], 0.0, 1e-14);
    }
}

}  // namespace
}  // namespace kestrafol
