#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "base/orientation.h"
#include "mesh/mesh.h"
#include "support/test_meshes.h"

using namespace kestrafol;
using kestrafol::testing::MeshArrays;
using kestrafol::testing::makeCircle;
using kestrafol::testing::makeFan;
using kestrafol::testing::makeParameters;
using kestrafol::testing::makeSolver;

namespace {

// The slot of `b` in row `a`, found by scanning the row.
int scannedSlot(const SolverState& s, int a, int b) {
    for (int k = s.adjacencyStart[a]; k < s.adjacencyStart[a + 1]; ++k)
        if (s.adjacency[k] == b) return k;
    return -1;
}

void expectSideSlotsMatchRowScans(const SolverState& s) {
    const std::vector<int> slots = findSideSlots(s);
    std::size_t side = 0;
    auto check = [&](const int* nodes, int count) {
        for (int k = 0; k < count; ++k, ++side) {
            const int a = nodes[k] - 1;
            const int b = nodes[(k + 1) % count] - 1;
            ASSERT_EQ(slots[side], scannedSlot(s, std::min(a, b), std::max(a, b)))
                << "side " << side;
        }
    };
    for (int e = 0; e < s.triangleCount; ++e) check(s.triangles.data() + 3 * e, 3);
    for (int e = 0; e < s.quadCount; ++e) check(s.quads.data() + 4 * e, 4);
    EXPECT_EQ(side, slots.size());
}

}  // namespace

TEST(FanAdjacency, LongRowsKeepFirstOccurrenceOrderAndClosedDualFaces) {
    constexpr int n = 3000;
    const SolverRecords r = makeSolver(makeFan(n), makeParameters());
    const SolverState& s = *r.state;
    // The hub row lists the rim nodes in order of first occurrence: 1, 2, ..., n.
    ASSERT_EQ(s.adjacencyStart[1], n);
    for (int k = 0; k < n; ++k) ASSERT_EQ(s.adjacency[k], k + 1) << "hub slot " << k;
    // A rim node (not the first or last) meets the hub and its two rim neighbours, in the order
    // its two triangles list them: (hub, rim k-1, rim k) first, then (hub, rim k, rim k+1).
    const int rim = 5;
    const std::vector<int> row(s.adjacency.begin() + s.adjacencyStart[rim],
                               s.adjacency.begin() + s.adjacencyStart[rim + 1]);
    EXPECT_EQ(row, (std::vector<int>{0, 4, 6}));
    EXPECT_EQ(s.edgeCount, 2 * n);

    // Every side found its slot; the hub's dual faces close around it (the normals of its n
    // edges add up to zero) and each points from the hub outwards.
    expectSideSlotsMatchRowScans(s);
    double sumX = 0.0, sumY = 0.0;
    for (int e = 0; e < n; ++e) {
        ASSERT_EQ(s.edges[2 * e], 0);
        const int j = s.edges[2 * e + 1];
        const double nx = s.faceNormals[2 * e], ny = s.faceNormals[2 * e + 1];
        ASSERT_GT(nx * s.coords[2 * j] + ny * s.coords[2 * j + 1], 0.0) << "edge " << e;
        sumX += nx;
        sumY += ny;
    }
    EXPECT_NEAR(sumX, 0.0, 1e-12);
    EXPECT_NEAR(sumY, 0.0, 1e-12);
}

TEST(FanAdjacency, SideSlotsMatchRowScansOnMixedMeshes) {
    for (const bool quads : {false, true}) {
        const SolverRecords r = makeSolver(makeCircle(16, 6, 0.5, 6.0, quads), makeParameters());
        expectSideSlotsMatchRowScans(*r.state);
    }
}

TEST(FanAdjacency, BoundaryEdgesAroundAManyTimesSharedCornerGetTheirElementsDirection) {
    // k separate triangles that touch only at the hub: the hub has 2k boundary edges. Every
    // edge is given against its triangle's direction and must come out with its triangle on
    // the left.
    constexpr int k = 400;
    std::vector<int> triangles;
    std::vector<int> edges;
    std::vector<Point2> points{{0.0, 0.0}};
    for (int t = 0; t < k; ++t) {
        const double a0 = 2.0 * std::acos(-1.0) * (t + 0.1) / k;
        const double a1 = 2.0 * std::acos(-1.0) * (t + 0.9) / k;
        const int p = static_cast<int>(points.size());
        points.push_back({std::cos(a0), std::sin(a0)});
        points.push_back({std::cos(a1), std::sin(a1)});
        triangles.insert(triangles.end(), {1, p + 1, p + 2});
        edges.insert(edges.end(), {p, 0, 1, p + 1, p, 1, 0, p + 1, 1});  // all reversed
    }
    std::vector<int> quads{0};
    orientBoundaryEdges(triangles.data(), quads.data(), static_cast<int>(points.size()), k, 0,
                        edges.data(), 3 * k);
    for (int e = 0; e < 3 * k; ++e) {
        const int p = edges[3 * e], q = edges[3 * e + 1];
        const int t = e / 3;
        int third = -1;
        for (int j = 0; j < 3; ++j) {
            const int node = triangles[3 * t + j] - 1;
            if (node != p && node != q) third = node;
        }
        ASSERT_EQ(orientation(points[p], points[q], points[third]), 1) << "boundary edge " << e;
        ASSERT_EQ(edges[3 * e + 2], 1);
    }
}
