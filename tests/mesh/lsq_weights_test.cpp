#include <array>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "mesh/mesh.h"
#include "mesh/mesh_checks.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

SolverState withWeights(const MeshArrays& m) {
    SolverState s = meshOnlyState(m);
    buildConnectivity(s);
    computeLsqWeights(s);
    return s;
}

void expectWeight(const SolverState& s, int node, int neighbour, double wx, double wy) {
    for (int k = s.adjacencyStart[node]; k < s.adjacencyStart[node + 1]; ++k)
        if (s.adjacency[k] == neighbour) {
            EXPECT_NEAR(s.lsqWeights[2 * k], wx, 1e-15) << node << "->" << neighbour;
            EXPECT_NEAR(s.lsqWeights[2 * k + 1], wy, 1e-15) << node << "->" << neighbour;
            return;
        }
    ADD_FAILURE() << neighbour << " is not a neighbour of " << node;
}

// Gradient of a nodal field from the weights: sum over the row of ((f[j] - f[i]) / d) (wx, wy).
std::array<double, 2> gradientAt(const SolverState& s, const std::vector<double>& f, int i) {
    std::array<double, 2> g{0.0, 0.0};
    for (int k = s.adjacencyStart[i]; k < s.adjacencyStart[i + 1]; ++k) {
        const int j = s.adjacency[k];
        const double d = std::hypot(s.coords[2 * j] - s.coords[2 * i],
                                    s.coords[2 * j + 1] - s.coords[2 * i + 1]);
        g[0] += (f[j] - f[i]) / d * s.lsqWeights[2 * k];
        g[1] += (f[j] - f[i]) / d * s.lsqWeights[2 * k + 1];
    }
    return g;
}

}  // namespace

TEST(LsqWeights, RightTriangle) {
    MeshArrays m;
    m.nodeCount = 3;
    m.coords = {0, 0, 1, 0, 0, 1};
    m.triangleCount = 1;
    m.triangles = {1, 2, 3};
    const SolverState s = withWeights(m);
    ASSERT_EQ(s.lsqWeights.size(), 12u);
    expectWeight(s, 0, 1, 1.0, 0.0);
    expectWeight(s, 0, 2, 0.0, 1.0);
    // Node 1: Sxx = 1.5, Sxy = -0.5, Syy = 0.5, r = -1/3, D = 1/3.
    expectWeight(s, 1, 0, -1.0, -1.0);
    expectWeight(s, 1, 2, 0.0, std::sqrt(2.0));
}

TEST(LsqWeights, TwoTrianglesOnTheUnitSquare) {
    MeshArrays m;
    m.nodeCount = 4;
    m.coords = {0, 0, 1, 0, 1, 1, 0, 1};
    m.triangleCount = 2;
    m.triangles = {1, 2, 3, 1, 3, 4};
    const SolverState s = withWeights(m);
    // Row 0 is [1, 2, 3]: Sxx = Syy = 1.5, Sxy = 0.5, r = 1/3, D = 4/3.
    ASSERT_EQ(row(s, 0), (std::vector<int>{1, 2, 3}));
    EXPECT_NEAR(s.lsqWeights[0], 0.75, 1e-15);
    EXPECT_NEAR(s.lsqWeights[1], -0.25, 1e-15);
    EXPECT_NEAR(s.lsqWeights[2], std::sqrt(2.0) / 4, 1e-15);
    EXPECT_NEAR(s.lsqWeights[3], std::sqrt(2.0) / 4, 1e-15);
    EXPECT_NEAR(s.lsqWeights[4], -0.25, 1e-15);
    EXPECT_NEAR(s.lsqWeights[5], 0.75, 1e-15);
}

TEST(LsqWeights, ReproduceLinearFieldsExactly) {
    const std::vector<MeshArrays> meshes = {
        makeJitteredTriangles(8, 6, 23u), makeJitteredTriangles(5, 9, 99u),
        makeRectangle(6, 4, 1.0, 1.0, true), makeCircle(12, 5, 0.5, 6.0, true)};
    for (std::size_t c = 0; c < meshes.size(); ++c) {
        SCOPED_TRACE(c);
        const SolverState s = withWeights(meshes[c]);
        std::vector<double> f(static_cast<std::size_t>(s.nodeCount));
        for (int i = 0; i < s.nodeCount; ++i)
            f[i] = 0.7 * s.coords[2 * i] - 1.3 * s.coords[2 * i + 1] + 2.0;
        for (int i = 0; i < s.nodeCount; ++i) {
            // Sums of w (x) a over the row form the identity matrix.
            double xx = 0, xy = 0, yx = 0, yy = 0;
            for (int k = s.adjacencyStart[i]; k < s.adjacencyStart[i + 1]; ++k) {
                const int j = s.adjacency[k];
                const double dx = s.coords[2 * j] - s.coords[2 * i];
                const double dy = s.coords[2 * j + 1] - s.coords[2 * i + 1];
                const double d = std::hypot(dx, dy);
                xx += s.lsqWeights[2 * k] * dx / d;
                xy += s.lsqWeights[2 * k] * dy / d;
                yx += s.lsqWeights[2 * k + 1] * dx / d;
                yy += s.lsqWeights[2 * k + 1] * dy / d;
            }
            EXPECT_NEAR(xx, 1.0, 1e-12) << "node " << i;
            EXPECT_NEAR(yy, 1.0, 1e-12) << "node " << i;
            EXPECT_NEAR(xy, 0.0, 1e-12) << "node " << i;
            EXPECT_NEAR(yx, 0.0, 1e-12) << "node " << i;
            const std::array<double, 2> g = gradientAt(s, f, i);
            EXPECT_NEAR(g[0], 0.7, 1e-11) << "node " << i;
            EXPECT_NEAR(g[1], -1.3, 1e-11) << "node " << i;
        }
    }
}

TEST(LsqWeights, AllocatesWorkArraysOnceAndRecomputesOnSecondCall) {
    const MeshArrays m = makeRectangle(3, 2);
    SolverState s = withWeights(m);
    const std::size_t n = static_cast<std::size_t>(s.nodeCount);
    EXPECT_EQ(s.lsqWeights.size(), 2 * static_cast<std::size_t>(s.adjacencyStart[s.nodeCount]));
    EXPECT_EQ(s.gradients.size(), 8 * n);
    EXPECT_EQ(s.velocityGradX.size(), 2 * n);
    EXPECT_EQ(s.velocityGradY.size(), 2 * n);
    EXPECT_EQ(s.scalarWork.size(), n);
    EXPECT_EQ(s.limiter.size(), 4 * n);

    const std::vector<double> first = s.lsqWeights;
    const double* weights = s.lsqWeights.data();
    const double* gradients = s.gradients.data();
    s.lsqWeights.assign(s.lsqWeights.size(), -7.0);
    s.gradients[0] = 42.0;
    computeLsqWeights(s);
    EXPECT_EQ(s.lsqWeights.data(), weights);
    EXPECT_EQ(s.gradients.data(), gradients);
    EXPECT_EQ(s.gradients[0], 42.0);  // reused, not reallocated
    EXPECT_EQ(s.lsqWeights, first);
}

TEST(LsqWeights, NodeWithoutNeighboursGetsNothingWritten) {
    MeshArrays m;
    m.nodeCount = 4;
    m.coords = {0, 0, 9, 9, 1, 0, 0, 1};
    m.triangleCount = 1;
    m.triangles = {1, 3, 4};
    SolverState s = meshOnlyState(m);
    buildConnectivity(s);
    s.lsqWeights.assign(12, -5.0);
    computeLsqWeights(s);
    // Node 1 owns no slot; every slot of the others is written with finite weights.
    EXPECT_EQ(s.adjacencyStart[1], s.adjacencyStart[2]);
    for (double w : s.lsqWeights) {
        EXPECT_NE(w, -5.0);
        EXPECT_TRUE(std::isfinite(w));
    }
    expectWeight(s, 0, 2, 1.0, 0.0);
    expectWeight(s, 0, 3, 0.0, 1.0);
}
