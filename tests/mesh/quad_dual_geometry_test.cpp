// Dual geometry of a quadrilateral that is not a parallelogram: each corner gets the quarter
// cross product of its own two sides, and the dual faces meet at the vertex mean, not at the
// area centroid or a diagonal midpoint. Every number below is exact in binary.
#include <vector>

#include <gtest/gtest.h>

#include "mesh/mesh.h"
#include "mesh/mesh_checks.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

// Right trapezoid (0, 0), (2, 0), (1, 1), (0, 1), counter-clockwise, area 1.5.
SolverState trapezoid() {
    MeshArrays m;
    m.nodeCount = 4;
    m.coords = {0, 0, 2, 0, 1, 1, 0, 1};
    m.quadCount = 1;
    m.quads = {1, 2, 3, 4};
    SolverState s = meshOnlyState(m);
    buildConnectivity(s);
    buildDualGeometry(s);
    return s;
}

}  // namespace

TEST(QuadDualGeometry, CornerPartsOfATrapezoid) {
    const SolverState s = trapezoid();
    // The cross products of the two sides at corners 1 to 4 are 2, -2, -1, -1; a quarter of
    // each absolute value goes to its own corner, and the four parts add up to the area.
    EXPECT_EQ(s.dualArea, (std::vector<double>{0.5, 0.5, 0.25, 0.25}));
}

TEST(QuadDualGeometry, FacesMeetAtTheVertexMean) {
    const SolverState s = trapezoid();
    EXPECT_EQ(s.quadCentroids, (std::vector<double>{0.75, 0.5}));
    ASSERT_EQ(s.edges, (std::vector<int>{0, 1, 0, 3, 1, 2, 2, 3}));
    // Side 1->2: midpoint (1, 0), w = (0.5 - 0, 1 - 0.75).
    // Side 4->1 (stored in row 0 with its sign reversed): midpoint (0, 0.5), -w = (0, 0.75).
    // Side 2->3: midpoint (1.5, 0.5), w = (0, 0.75).
    // Side 3->4: midpoint (0.5, 1), w = (0.5 - 1, 0.5 - 0.75).
    const std::vector<double> expected{0.5, 0.25, 0.0, 0.75, 0.0, 0.75, -0.5, -0.25};
    for (std::size_t k = 0; k < expected.size(); ++k)
        EXPECT_EQ(s.faceNormals[k], expected[k]) << "component " << k;
}
