#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "session/validate_input.h"
#include "helpers/rejection.h"
#include "support/test_meshes.h"

using namespace kestrafol;
using kestrafol::testing::MeshArrays;
using kestrafol::testing::meshRejection;
using kestrafol::testing::rejection;
using kestrafol::testing::makeParameters;
using kestrafol::testing::makeRectangle;

namespace {

// The mixed 3 x 2 rectangle (nodes from 1 row by row, 4 per row): triangles {1, 2, 6},
// {1, 6, 5}, {3, 4, 8}, {3, 8, 7}, ... and quadrilaterals {2, 3, 7, 6}, {6, 7, 11, 10}; plus
// node 13 at (x, y), which belongs to no element until a test adds one.
MeshArrays withExtraNode(double x, double y) {
    MeshArrays m = makeRectangle(3, 2);
    m.nodeCount += 1;
    m.coords.insert(m.coords.end(), {x, y});
    return m;
}

void addTriangle(MeshArrays& m, std::vector<int> nodes) {
    m.triangles.insert(m.triangles.end(), nodes.begin(), nodes.end());
    ++m.triangleCount;
}

}  // namespace

TEST(MeshTopology, RefusesEachInconsistencyNamingElementsAndNodes) {
    MeshArrays m = withExtraNode(0.3, 0.1);
    ASSERT_NO_THROW(checkMeshInput(viewOf(m)));  // a node in no element is fine

    // A triangle given twice, the second time rotated.
    addTriangle(m, {6, 1, 2});
    EXPECT_EQ(meshRejection(m),
              "triangles[24..26] (triangle 8) is {6, 1, 2}: it repeats triangles[0..2] "
              "(triangle 0) is {1, 2, 6}");
    // A quadrilateral given twice.
    m = withExtraNode(0.3, 0.1);
    m.quads.insert(m.quads.end(), {7, 6, 2, 3});
    ++m.quadCount;
    EXPECT_EQ(meshRejection(m),
              "quads[8..11] (quadrilateral 2) is {7, 6, 2, 3}: it repeats quads[0..3] "
              "(quadrilateral 0) is {2, 3, 7, 6}");

    // A third triangle on the interior side 1-6.
    m = withExtraNode(0.3, 0.1);
    addTriangle(m, {1, 13, 6});
    EXPECT_EQ(
        meshRejection(m),
        "the side from node 6 to node 1 (boundary-edge numbering {5, 0}) is shared by 3 elements: "
        "triangles[0..2] (triangle 0) is {1, 2, 6}, triangles[3..5] (triangle 1) is {1, 6, 5} and "
        "triangles[24..26] (triangle 8) is {1, 13, 6}; an element side belongs to one element (on "
        "the boundary) or two (inside)");
    // Four on it: the first three are named.
    addTriangle(m, {13, 6, 1});
    EXPECT_NE(meshRejection(m).find(
                  "is shared by 4 elements: triangles[0..2] (triangle 0) is {1, 2, 6}, "
                  "triangles[3..5] (triangle 1) is {1, 6, 5}, triangles[24..26] (triangle 8) "
                  "is {1, 13, 6} and 1 more;"),
              std::string::npos)
        << meshRejection(m);

    // A triangle that runs along the bottom side 1 -> 2 in the direction triangle 0 does: the two
    // overlap.
    m = withExtraNode(0.2, 0.2);
    addTriangle(m, {1, 2, 13});
    EXPECT_EQ(meshRejection(m),
              "triangles[0..2] (triangle 0) is {1, 2, 6} and triangles[24..26] (triangle 8) is {1, "
              "2, 13} "
              "both run along the side from node 1 to node 2 (boundary-edge numbering {0, 1}) in "
              "the same "
              "direction, so they overlap; neighbouring counter-clockwise elements run along their "
              "common "
              "side in opposite directions");

    // The left boundary edge {4, 0} left out: the mesh is open along side 5 -> 1 of triangle 1.
    m = makeRectangle(3, 2);
    ASSERT_EQ(std::vector<int>(m.boundaryEdges.end() - 3, m.boundaryEdges.end()),
              (std::vector<int>{4, 0, 4}));
    m.boundaryEdges.resize(m.boundaryEdges.size() - 3);
    --m.boundaryEdgeCount;
    EXPECT_EQ(
        meshRejection(m),
        "triangles[3..5] (triangle 1) is {1, 6, 5}: the side from node 5 to node 1 (boundary-edge "
        "numbering {4, 0}) belongs to no other element and is no boundary edge, so the mesh is "
        "open "
        "there");
    // No boundary edges at all: the first side of the first triangle is open.
    m.boundaryEdges.clear();
    m.boundaryEdgeCount = 0;
    EXPECT_NE(meshRejection(m).find(
                  "triangles[0..2] (triangle 0) is {1, 2, 6}: the side from node 1 to node 2 "),
              std::string::npos);
}

TEST(MeshTopology, ElementFaultsComeBeforeBoundaryEdgeFaults) {
    // The duplicated triangle makes its boundary side a side of two elements as well; the
    // message names the cause, the repeated triangle.
    MeshArrays m = makeRectangle(3, 2);
    addTriangle(m, {1, 2, 6});
    EXPECT_EQ(meshRejection(m).rfind("triangles[24..26] (triangle 8) is {1, 2, 6}: it repeats", 0),
              0u);

    // Fans around one node: two triangles touching only at a corner are a valid mesh as long as
    // every side is closed by a boundary edge.
    MeshArrays bowTie;
    bowTie.nodeCount = 5;
    bowTie.coords = {0, 0, 1, -0.5, 1, 0.5, -1, 0.5, -1, -0.5};
    bowTie.triangleCount = 2;
    bowTie.triangles = {1, 2, 3, 1, 4, 5};
    bowTie.quads = {0};
    bowTie.boundaryEdgeCount = 6;
    bowTie.boundaryEdges = {0, 1, 1, 1, 2, 1, 2, 0, 1, 0, 3, 1, 3, 4, 1, 4, 0, 1};
    bowTie.boundaryKindCount = 1;
    bowTie.boundaryKinds = {Farfield};
    EXPECT_NO_THROW(checkMeshInput(viewOf(bowTie)));
}

TEST(MeshTopology, ReconstructionWeightMustBeFinite) {
    for (const double weight :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()}) {
        ParameterVector p = makeParameters();
        p[2] = weight;
        const std::string text = weight != weight ? "NaN" : weight > 0 ? "Infinity" : "-Infinity";
        EXPECT_EQ(rejection([&] { checkParameters(p); }),
                  "parameters[2] (reconstructionWeight) is " + text + "; it must be finite");
    }
    ParameterVector p = makeParameters();
    p[2] = -3.5;  // any finite weight is the host's choice
    EXPECT_NO_THROW(checkParameters(p));
}
