#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "mesh/mesh.h"
#include "mesh/mesh_checks.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

SolverState preprocessed(const MeshArrays& m) {
    SolverState s = meshOnlyState(m);
    buildConnectivity(s);
    buildDualGeometry(s);
    return s;
}

MeshArrays triangle(std::vector<int> nodes) {
    MeshArrays m;
    m.nodeCount = 3;
    m.coords = {0, 0, 1, 0, 0, 1};
    m.triangleCount = 1;
    m.triangles = std::move(nodes);
    return m;
}

void expectNormals(const SolverState& s, const std::vector<double>& expected) {
    ASSERT_EQ(s.faceNormals.size(), 2 * static_cast<std::size_t>(s.adjacencyStart[s.nodeCount]));
    for (std::size_t k = 0; k < expected.size(); ++k)
        EXPECT_NEAR(s.faceNormals[k], expected[k], 1e-15) << "component " << k;
}

// Every edge's two block slots lie in the rows of its two nodes and name the other node;
// every slot is used once; a row's block slots list the smaller neighbours ascending, then
// the larger ones in adjacency order.
void expectConsistentSlots(const SolverState& s) {
    const int slots = s.adjacencyStart[s.nodeCount];
    ASSERT_EQ(s.edgeCount, slots / 2);
    ASSERT_EQ(s.edgeSlots.size(), 2 * static_cast<std::size_t>(s.edgeCount));
    ASSERT_EQ(s.slotNeighbour.size(), static_cast<std::size_t>(slots));
    std::vector<int> used(static_cast<std::size_t>(slots), 0);
    for (int e = 0; e < s.edgeCount; ++e) {
        const int i = s.edges[2 * e], j = s.edges[2 * e + 1];
        const int first = s.edgeSlots[2 * e], second = s.edgeSlots[2 * e + 1];
        EXPECT_LT(i, j);
        EXPECT_GE(first, s.adjacencyStart[i]);
        EXPECT_LT(first, s.adjacencyStart[i + 1]);
        EXPECT_GE(second, s.adjacencyStart[j]);
        EXPECT_LT(second, s.adjacencyStart[j + 1]);
        EXPECT_EQ(s.slotNeighbour[first], j);
        EXPECT_EQ(s.slotNeighbour[second], i);
        ++used[first];
        ++used[second];
    }
    EXPECT_TRUE(std::all_of(used.begin(), used.end(), [](int u) { return u == 1; }));
    for (int i = 0; i < s.nodeCount; ++i) {
        const std::vector<int> adj = row(s, i);
        std::vector<int> expected;
        for (int j : adj)
            if (j < i) expected.push_back(j);
        std::sort(expected.begin(), expected.end());
        for (int j : adj)
            if (j > i) expected.push_back(j);
        const std::vector<int> blocks(s.slotNeighbour.begin() + s.adjacencyStart[i],
                                      s.slotNeighbour.begin() + s.adjacencyStart[i + 1]);
        EXPECT_EQ(blocks, expected) << "row " << i;
    }
}

}  // namespace

TEST(DualGeometry, RightTriangle) {
    const SolverState s = preprocessed(triangle({1, 2, 3}));
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(s.dualArea[i], 1.0 / 6.0);
    EXPECT_DOUBLE_EQ(s.triangleCentroids[0], 1.0 / 3.0);
    EXPECT_DOUBLE_EQ(s.triangleCentroids[1], 1.0 / 3.0);
    EXPECT_TRUE(s.quadCentroids.empty());
    EXPECT_EQ(s.edgeCount, 3);
    EXPECT_EQ(s.edges, (std::vector<int>{0, 1, 0, 2, 1, 2}));
    expectNormals(s, {1.0 / 3, 1.0 / 6, 1.0 / 6, 1.0 / 3, -1.0 / 6, 1.0 / 6});
    EXPECT_EQ(s.edgeSlots, (std::vector<int>{0, 2, 1, 4, 3, 5}));
    EXPECT_EQ(s.slotNeighbour, (std::vector<int>{1, 2, 0, 2, 0, 1}));
    expectConsistentSlots(s);
}

TEST(DualGeometry, UnitSquareQuadrilateralHasTwoSlotNumberings) {
    MeshArrays m;
    m.nodeCount = 4;
    m.coords = {0, 0, 1, 0, 1, 1, 0, 1};
    m.quadCount = 1;
    m.quads = {1, 2, 3, 4};
    const SolverState s = preprocessed(m);
    for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(s.dualArea[i], 0.25);
    EXPECT_DOUBLE_EQ(s.quadCentroids[0], 0.5);
    EXPECT_DOUBLE_EQ(s.quadCentroids[1], 0.5);
    EXPECT_EQ(s.edges, (std::vector<int>{0, 1, 0, 3, 1, 2, 2, 3}));
    expectNormals(s, {0.5, 0, 0, 0.5, 0, 0.5, -0.5, 0});
    EXPECT_EQ(s.edgeSlots, (std::vector<int>{0, 2, 1, 6, 3, 4, 5, 7}));
    // Node 3 lists its neighbours as 2, 0 in adjacency order but 0, 2 in block order.
    EXPECT_EQ(s.adjacency, (std::vector<int>{1, 3, 0, 2, 1, 3, 2, 0}));
    EXPECT_EQ(s.slotNeighbour, (std::vector<int>{1, 3, 0, 2, 1, 3, 0, 2}));
    expectConsistentSlots(s);
}

TEST(DualGeometry, InteriorEdgeSumsBothElements) {
    const double h = 0.8;
    MeshArrays m;
    m.nodeCount = 4;
    m.coords = {0, 0, 1, 0, 0.5, h, 0.5, -h};
    m.triangleCount = 2;
    m.triangles = {1, 2, 3, 1, 4, 2};
    const SolverState s = preprocessed(m);
    ASSERT_EQ(s.edges[0], 0);
    ASSERT_EQ(s.edges[1], 1);
    // The dual face runs from (0.5, h/3) to (0.5, -h/3).
    EXPECT_NEAR(s.faceNormals[0], 2 * h / 3, 1e-15);
    EXPECT_NEAR(s.faceNormals[1], 0.0, 1e-15);
}

TEST(DualGeometry, ClockwiseTriangleReversesNormalsAndEdgeOrder) {
    const SolverState ccw = preprocessed(triangle({1, 2, 3}));
    const SolverState cw = preprocessed(triangle({1, 3, 2}));
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(cw.dualArea[i], ccw.dualArea[i]);
    EXPECT_EQ(cw.edges, (std::vector<int>{0, 2, 0, 1, 1, 2}));
    // Edge (0, 2) is the second edge of the counter-clockwise case, (0, 1) its first.
    const int match[3] = {1, 0, 2};
    for (int e = 0; e < 3; ++e) {
        EXPECT_DOUBLE_EQ(cw.faceNormals[2 * e], -ccw.faceNormals[2 * match[e]]);
        EXPECT_DOUBLE_EQ(cw.faceNormals[2 * e + 1], -ccw.faceNormals[2 * match[e] + 1]);
    }
    expectConsistentSlots(cw);
}

TEST(DualGeometry, NodeWithoutElementKeepsZeroAreaAndNoEdges) {
    MeshArrays m = triangle({1, 2, 3});
    m.nodeCount = 4;
    m.coords.insert(m.coords.end(), {4, 4});
    const SolverState s = preprocessed(m);
    EXPECT_EQ(s.dualArea[3], 0.0);
    EXPECT_EQ(s.edgeCount, 3);
    for (int e = 0; e < s.edgeCount; ++e) EXPECT_NE(s.edges[2 * e + 1], 3);
    expectConsistentSlots(s);
}

TEST(DualGeometry, ControlVolumesCloseAndTileTheDomain) {
    const std::vector<MeshArrays> meshes = {
        makeJitteredTriangles(9, 7, 5u),     makeJitteredTriangles(4, 12, 17u),
        makeRectangle(6, 5, 2.0, 1.5, true), makeRectangle(3, 3, 1.0, 1.0, false),
        makeCircle(16, 6, 0.5, 8.0, false),  makeCircle(16, 6, 0.5, 8.0, true)};
    for (std::size_t c = 0; c < meshes.size(); ++c) {
        SCOPED_TRACE(c);
        const SolverState s = preprocessed(meshes[c]);
        std::vector<bool> onBoundary(static_cast<std::size_t>(s.nodeCount), false);
        for (int b = 0; b < s.boundaryEdgeCount; ++b) {
            onBoundary[s.boundaryEdges[3 * b]] = true;
            onBoundary[s.boundaryEdges[3 * b + 1]] = true;
        }
        // Interior control volumes are closed by their dual faces alone.
        const auto inner = controlVolumeNormalSums(s, false);
        for (int i = 0; i < s.nodeCount; ++i) {
            if (onBoundary[i]) continue;
            EXPECT_NEAR(inner[i][0], 0.0, 1e-13) << "node " << i;
            EXPECT_NEAR(inner[i][1], 0.0, 1e-13) << "node " << i;
        }
        // Boundary ones close with half of each adjacent oriented boundary edge.
        const auto all = controlVolumeNormalSums(s, true);
        for (int i = 0; i < s.nodeCount; ++i) {
            EXPECT_NEAR(all[i][0], 0.0, 1e-13) << "node " << i;
            EXPECT_NEAR(all[i][1], 0.0, 1e-13) << "node " << i;
        }
        const double total = std::accumulate(s.dualArea.begin(), s.dualArea.end(), 0.0);
        EXPECT_NEAR(total, boundaryEnclosedArea(s), 1e-12 * std::abs(total));
        EXPECT_GT(total, 0.0);
        expectConsistentSlots(s);
    }
}

TEST(DualGeometry, EdgeListIsOrderedByFirstNodeThenRowOrder) {
    const SolverState s = preprocessed(makeRectangle(4, 3));
    int e = 0;
    for (int i = 0; i < s.nodeCount; ++i)
        for (int j : row(s, i))
            if (j > i) {
                ASSERT_LT(e, s.edgeCount);
                EXPECT_EQ(s.edges[2 * e], i);
                EXPECT_EQ(s.edges[2 * e + 1], j);
                ++e;
            }
    EXPECT_EQ(e, s.edgeCount);
    EXPECT_EQ(static_cast<std::size_t>(s.edgeCount), elementSides(s).size());
}
