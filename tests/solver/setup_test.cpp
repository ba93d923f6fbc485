#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "solver/setup.h"
#include "support/test_meshes.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

bool allZero(const std::vector<double>& v) {
    return std::all_of(v.begin(), v.end(), [](double x) { return x == 0.0; });
}

}  // namespace

TEST(CreateSolver, FreeStreamAtAllTimeLevels) {
    const SolverRecords r = makeSolver(makeRectangle(4, 3), makeParameters(0.5, 0.0));
    const SolverState& s = *r.state;
    const double energy = (1 / 1.4) / (1.4 - 1) + 0.125;
    EXPECT_NEAR(energy, 1.9107142857142858, 1e-15);
    ASSERT_EQ(s.state.size(), 4 * static_cast<std::size_t>(s.nodeCount));
    ASSERT_EQ(s.pressure.size(), static_cast<std::size_t>(s.nodeCount));
    for (int i = 0; i < s.nodeCount; ++i) {
        EXPECT_EQ(s.state[4 * i], 1.0);
        EXPECT_EQ(s.state[4 * i + 1], 0.5);
        EXPECT_EQ(s.state[4 * i + 2], 0.0);
        EXPECT_DOUBLE_EQ(s.state[4 * i + 3], energy);
        EXPECT_DOUBLE_EQ(s.pressure[i], 1 / 1.4);
    }
    EXPECT_EQ(s.statePrev, s.state);
    EXPECT_EQ(s.statePrev2, s.state);
    // Speed of sound sqrt(gamma p / rho) is 1.
    EXPECT_NEAR(std::sqrt(1.4 * s.pressure[0] / s.state[0]), 1.0, 1e-15);
}

TEST(CreateSolver, NinetyDegreesLeavesATinyXMomentum) {
    const SolverRecords r = makeSolver(makeRectangle(2, 2), makeParameters(0.5, 90.0));
    const SolverState& s = *r.state;
    for (int i = 0; i < s.nodeCount; ++i) {
        EXPECT_NE(s.state[4 * i + 1], 0.0);
        EXPECT_LT(std::abs(s.state[4 * i + 1]), 1e-16);
        EXPECT_EQ(s.state[4 * i + 1], 0.5 * std::cos(r.settings->alpha));
        EXPECT_DOUBLE_EQ(s.state[4 * i + 2], 0.5);
    }
}

TEST(CreateSolver, WorkArraysSizedAndZero) {
    const SolverRecords r = makeSolver(makeRectangle(5, 4, 1.0, 1.0, true), makeParameters());
    const SolverState& s = *r.state;
    const std::size_t n = static_cast<std::size_t>(s.nodeCount);
    const std::size_t m = static_cast<std::size_t>(s.edgeCount);
    EXPECT_EQ(2 * m, static_cast<std::size_t>(s.adjacencyStart[s.nodeCount]));
    EXPECT_EQ(s.residual.size(), 4 * n);
    EXPECT_EQ(s.delta.size(), 4 * n);
    EXPECT_EQ(s.rhsWork.size(), 4 * n);
    EXPECT_EQ(s.offDiagBlocks.size(), 16 * 2 * m);
    EXPECT_EQ(s.diagBlocks.size(), 16 * n);
    EXPECT_EQ(s.timeStep.size(), n);
    EXPECT_EQ(s.gradients.size(), 8 * n);
    EXPECT_EQ(s.limiter.size(), 4 * n);
    EXPECT_EQ(s.lsqWeights.size(), 2 * 2 * m);
    for (const std::vector<double>* v :
         {&s.residual, &s.delta, &s.rhsWork, &s.offDiagBlocks, &s.diagBlocks, &s.timeStep,
          &s.gradients, &s.velocityGradX, &s.velocityGradY, &s.scalarWork, &s.limiter})
        EXPECT_TRUE(allZero(*v));
    EXPECT_EQ(s.faceNormals.size(), 2 * 2 * m);
    EXPECT_EQ(s.edgeSlots.size(), 2 * m);
    EXPECT_EQ(s.slotNeighbour.size(), 2 * m);
}

TEST(CreateSolver, StoresTheMeshAndSettings) {
    const MeshArrays mesh = makeRectangle(3, 2, 1.0, 1.0, true);
    const SolverRecords r = makeSolver(mesh, makeParameters(0.8, 2.0, 2, 1));
    const SolverState& s = *r.state;
    EXPECT_EQ(s.nodeCount, mesh.nodeCount);
    EXPECT_EQ(s.triangleCount, mesh.triangleCount);
    EXPECT_EQ(s.quadCount, mesh.quadCount);
    EXPECT_EQ(s.boundaryEdgeCount, mesh.boundaryEdgeCount);
    EXPECT_EQ(s.boundaryKindCount, mesh.boundaryKindCount);
    EXPECT_EQ(s.coords, mesh.coords);
    EXPECT_EQ(s.triangles, mesh.triangles);
    EXPECT_EQ(s.quads, mesh.quads);
    EXPECT_EQ(s.boundaryEdges, mesh.boundaryEdges);  // already counter-clockwise
    EXPECT_EQ(s.boundaryKinds, mesh.boundaryKinds);
    EXPECT_EQ(r.settings->spatialOrder, 2);
    EXPECT_EQ(r.settings->timeMode, 1);
    EXPECT_EQ(r.settings->mach, 0.8);
    EXPECT_EQ(s.state[1], 0.8 * std::cos(r.settings->alpha));
}

TEST(CreateSolver, MeshWithoutQuadrilaterals) {
    const MeshArrays mesh = makeRectangle(3, 3, 1.0, 1.0, false);
    const SolverRecords placeholder = makeSolver(mesh, makeParameters());
    const SolverState& s = *placeholder.state;
    EXPECT_EQ(s.quadCount, 0);
    EXPECT_EQ(s.quads.size(), 1u);
    EXPECT_TRUE(s.quadCentroids.empty());
    EXPECT_EQ(s.adjacency.size(), 6 * static_cast<std::size_t>(s.triangleCount));

    // An empty quadrilateral vector instead of the placeholder builds the same solver.
    MeshArrays withoutPlaceholder = mesh;
    withoutPlaceholder.quads.clear();
    const SolverRecords empty = createSolver(withoutPlaceholder, makeParameters());
    EXPECT_EQ(empty.state->adjacency, s.adjacency);
    EXPECT_EQ(empty.state->faceNormals, s.faceNormals);
    EXPECT_EQ(empty.state->lsqWeights, s.lsqWeights);
    EXPECT_EQ(empty.state->state, s.state);
}

TEST(CreateSolver, OnlyMachGammaAndAlphaShapeTheInitialField) {
    const MeshArrays mesh = makeRectangle(3, 2);
    ParameterVector base = makeParameters(0.6, 3.0);
    const SolverRecords reference = makeSolver(mesh, base);
    ParameterVector other = base;
    for (int k : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 15}) other[k] = 3.0 + k;
    const SolverRecords changed = makeSolver(mesh, other);
    EXPECT_EQ(changed.state->state, reference.state->state);
    EXPECT_EQ(changed.state->pressure, reference.state->pressure);
    EXPECT_EQ(changed.state->lsqWeights, reference.state->lsqWeights);
}

TEST(CreateSolver, NodeInNoElementIsAccepted) {
    MeshArrays m;
    m.nodeCount = 4;
    m.coords = {0, 0, 1, 0, 0, 1, 5, 5};
    m.triangleCount = 1;
    m.triangles = {1, 2, 3};
    m.boundaryEdgeCount = 2;
    m.boundaryEdges = {0, 1, 1, 3, 0, 1};
    m.boundaryKindCount = 1;
    m.boundaryKinds = {Farfield};
    const SolverRecords r = makeSolver(m, makeParameters(0.5, 0.0));
    const SolverState& s = *r.state;
    EXPECT_EQ(s.adjacencyStart, (std::vector<int>{0, 2, 4, 6, 6}));
    EXPECT_EQ(s.dualArea[3], 0.0);
    EXPECT_EQ(s.edgeCount, 3);
    EXPECT_EQ(s.lsqWeights.size(), 12u);
    for (double w : s.lsqWeights) EXPECT_TRUE(std::isfinite(w));
    EXPECT_EQ(s.boundaryEdges, (std::vector<int>{0, 1, 1, 0, 3, 1}));
    EXPECT_EQ(s.state[12], 1.0);
    EXPECT_EQ(s.state[13], 0.5);
    EXPECT_EQ(s.state[14], 0.0);
    EXPECT_EQ(s.state[15], s.state[3]);
}
