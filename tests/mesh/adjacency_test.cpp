#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "mesh/mesh.h"
#include "mesh/mesh_checks.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

MeshArrays singleTriangle() {
    MeshArrays m;
    m.nodeCount = 3;
    m.coords = {0, 0, 1, 0, 0, 1};
    m.triangleCount = 1;
    m.triangles = {1, 2, 3};
    return m;
}

MeshArrays unitSquareQuad() {
    MeshArrays m;
    m.nodeCount = 4;
    m.coords = {0, 0, 1, 0, 1, 1, 0, 1};
    m.quadCount = 1;
    m.quads = {1, 2, 3, 4};
    return m;
}

MeshArrays twoTriangles() {
    MeshArrays m;
    m.nodeCount = 4;
    m.coords = {0, 0, 1, 0, 1, 1, 0, 1};
    m.triangleCount = 2;
    m.triangles = {1, 2, 3, 1, 3, 4};
    return m;
}

SolverState adjacencyOf(const MeshArrays& m) {
    SolverState s = meshOnlyState(m);
    buildAdjacency(s, s.triangles.data(), s.quads.data(), s.nodeCount, s.triangleCount,
                   s.quadCount);
    return s;
}

// Rows as the fill table produces them, deduplicated by first occurrence: an independent
// rebuild with one growing list per node.
std::vector<std::vector<int>> expectedRows(const SolverState& s) {
    std::vector<std::vector<int>> rows(s.nodeCount);
    auto put = [&rows](int node, int first, int second) {
        for (int v : {first, second})
            if (std::find(rows[node].begin(), rows[node].end(), v) == rows[node].end())
                rows[node].push_back(v);
    };
    for (int e = 0; e < s.triangleCount; ++e) {
        const int a = s.triangles[3 * e] - 1, b = s.triangles[3 * e + 1] - 1,
                  c = s.triangles[3 * e + 2] - 1;
        put(a, b, c);
        put(b, a, c);
        put(c, a, b);
    }
    for (int e = 0; e < s.quadCount; ++e) {
        const int a = s.quads[4 * e] - 1, b = s.quads[4 * e + 1] - 1, c = s.quads[4 * e + 2] - 1,
                  d = s.quads[4 * e + 3] - 1;
        put(a, b, d);
        put(b, a, c);
        put(c, b, d);
        put(d, c, a);
    }
    return rows;
}

}  // namespace

TEST(BuildAdjacency, SingleTriangle) {
    const SolverState s = adjacencyOf(singleTriangle());
    EXPECT_EQ(s.adjacencyStart, (std::vector<int>{0, 2, 4, 6}));
    EXPECT_EQ(s.adjacency, (std::vector<int>{1, 2, 0, 2, 0, 1}));
}

TEST(BuildAdjacency, SingleQuadrilateralHasNoDiagonalNeighbours) {
    const SolverState s = adjacencyOf(unitSquareQuad());
    EXPECT_EQ(s.adjacencyStart, (std::vector<int>{0, 2, 4, 6, 8}));
    // The row of the fourth node lists its successor's predecessor first: 2, then 0.
    EXPECT_EQ(s.adjacency, (std::vector<int>{1, 3, 0, 2, 1, 3, 2, 0}));
}

TEST(BuildAdjacency, SharedSideKeepsFirstOccurrenceAndArrayKeepsProvisionalSize) {
    // Provisional row 0 is [1, 2, 2, 3] and row 2 is [0, 1, 0, 3].
    const SolverState s = adjacencyOf(twoTriangles());
    EXPECT_EQ(s.adjacencyStart, (std::vector<int>{0, 3, 5, 8, 10}));
    EXPECT_EQ(row(s, 0), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(row(s, 1), (std::vector<int>{0, 2}));
    EXPECT_EQ(row(s, 2), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(row(s, 3), (std::vector<int>{0, 2}));
    // Not shrunk: six provisional entries per triangle.
    EXPECT_EQ(s.adjacency.size(), 12u);
}

TEST(BuildAdjacency, NodeWithoutElementHasEmptyRow) {
    MeshArrays m = singleTriangle();
    // Insert an unused node between the triangle's nodes: node 1 of four.
    m.nodeCount = 4;
    m.coords = {0, 0, 7, 7, 1, 0, 0, 1};
    m.triangles = {1, 3, 4};
    const SolverState s = adjacencyOf(m);
    EXPECT_EQ(s.adjacencyStart, (std::vector<int>{0, 2, 2, 4, 6}));
    EXPECT_EQ(row(s, 0), (std::vector<int>{2, 3}));
    EXPECT_EQ(row(s, 2), (std::vector<int>{0, 3}));
}

TEST(BuildAdjacency, EmptyElementListsGiveZeroRowStarts) {
    MeshArrays m;
    m.nodeCount = 3;
    m.coords = {0, 0, 1, 0, 0, 1};
    const SolverState s = adjacencyOf(m);
    EXPECT_EQ(s.adjacencyStart, (std::vector<int>{0, 0, 0, 0}));
    EXPECT_TRUE(s.adjacency.empty());
}

TEST(BuildAdjacency, RowsAreTheElementSidesInFillOrderOnLargerMeshes) {
    for (const MeshArrays& m : {makeRectangle(5, 4), makeJitteredTriangles(6, 5, 11u),
                                makeCircle(12, 4, 0.5, 5.0, true)}) {
        const SolverState s = adjacencyOf(m);
        const std::set<std::pair<int, int>> sides = elementSides(s);
        const std::vector<std::vector<int>> rows = expectedRows(s);
        ASSERT_EQ(s.adjacencyStart.size(), static_cast<std::size_t>(s.nodeCount) + 1);
        EXPECT_EQ(s.adjacencyStart[s.nodeCount], static_cast<int>(2 * sides.size()));
        EXPECT_EQ(s.adjacency.size(),
                  static_cast<std::size_t>(6 * s.triangleCount + 8 * s.quadCount));
        for (int i = 0; i < s.nodeCount; ++i) {
            const std::vector<int> r = row(s, i);
            EXPECT_EQ(r, rows[i]) << "row " << i;
            for (int j : r) {
                // Neighbours exactly when they share an element side, and symmetric.
                EXPECT_TRUE(sides.count({std::min(i, j), std::max(i, j)})) << i << "," << j;
                const std::vector<int> back = row(s, j);
                EXPECT_EQ(std::count(back.begin(), back.end(), i), 1) << i << "," << j;
            }
            EXPECT_EQ(std::set<int>(r.begin(), r.end()).size(), r.size()) << "duplicate in " << i;
        }
    }
}

TEST(OrientBoundaryEdges, TriangleEdgesFollowTheElementOrder) {
    const SolverState s = meshOnlyState(singleTriangle());
    std::vector<int> edges = {0, 1, 5, 1, 0, 6, 0, 2, 7, 2, 0, 8};
    orientBoundaryEdges(s.triangles.data(), s.quads.data(), s.nodeCount, s.triangleCount,
                        s.quadCount, edges.data(), 4);
    // Cyclic order 0 -> 1 -> 2 -> 0: (0, 1) and (2, 0) stay, the others turn; tags stay put.
    EXPECT_EQ(edges, (std::vector<int>{0, 1, 5, 0, 1, 6, 2, 0, 7, 2, 0, 8}));
}

TEST(OrientBoundaryEdges, EdgesThatAreNoElementSideAreAlwaysExchanged) {
    MeshArrays m = unitSquareQuad();
    m.nodeCount = 5;
    m.coords.insert(m.coords.end(), {3, 3});
    const SolverState s = meshOnlyState(m);
    // A quadrilateral diagonal in either direction, and edges from and to the unused node 4.
    std::vector<int> edges = {0, 2, 1, 2, 0, 1, 4, 0, 2, 0, 4, 2, 3, 0, 3};
    orientBoundaryEdges(s.triangles.data(), s.quads.data(), s.nodeCount, s.triangleCount,
                        s.quadCount, edges.data(), 5);
    EXPECT_EQ(edges, (std::vector<int>{2, 0, 1, 0, 2, 1, 0, 4, 2, 4, 0, 2, 3, 0, 3}));
}

TEST(OrientBoundaryEdges, DomainEndsUpLeftOfEveryBoundaryEdge) {
    // The jittered mesh gives every third edge reversed; the circle gives its wall edges
    // counter-clockwise around the hole, i.e. with the domain on their right.
    const MeshArrays jittered = makeJitteredTriangles(5, 4, 3u);
    SolverState s = meshOnlyState(jittered);
    buildConnectivity(s);
    for (int b = 0; b < s.boundaryEdgeCount; ++b) {
        // Recover the counter-clockwise ring order of the generator.
        const bool reversedOnInput = b % 3 == 0;
        const int p = jittered.boundaryEdges[3 * b], q = jittered.boundaryEdges[3 * b + 1];
        EXPECT_EQ(s.boundaryEdges[3 * b], reversedOnInput ? q : p);
        EXPECT_EQ(s.boundaryEdges[3 * b + 1], reversedOnInput ? p : q);
        EXPECT_EQ(s.boundaryEdges[3 * b + 2], 1);
    }

    for (bool quads : {false, true}) {
        SolverState c = meshOnlyState(makeCircle(10, 3, 0.5, 3.0, quads));
        buildConnectivity(c);
        for (int b = 0; b < c.boundaryEdgeCount; ++b) {
            const int p = c.boundaryEdges[3 * b], q = c.boundaryEdges[3 * b + 1];
            const double nx = c.coords[2 * q + 1] - c.coords[2 * p + 1];
            const double ny = c.coords[2 * p] - c.coords[2 * q];
            const double mx = c.coords[2 * p] + c.coords[2 * q];
            const double my = c.coords[2 * p + 1] + c.coords[2 * q + 1];
            // Out of the domain: towards the centre on the wall (tag 1), away on the far field.
            if (c.boundaryEdges[3 * b + 2] == 1)
                EXPECT_LT(nx * mx + ny * my, 0.0) << "wall edge " << b;
            else
                EXPECT_GT(nx * mx + ny * my, 0.0) << "far-field edge " << b;
        }
    }
}
