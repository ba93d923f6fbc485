#include <cmath>
#include <climits>
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
using kestrafol::testing::makeCircle;
using kestrafol::testing::makeParameters;
using kestrafol::testing::makeRectangle;

namespace {

std::string parameterRejection(const ParameterVector& p) {
    return rejection([&] { checkParameters(p); });
}

// A mixed mesh: 3 x 2 cells, columns 0 and 2 split into triangles, column 1 quadrilaterals.
// Nodes are numbered row by row, 4 per row; boundary tags 1 bottom, 2 right, 3 top, 4 left.
MeshArrays mixed() { return makeRectangle(3, 2); }

std::string shapeRejection(const MeshInput& s) {
    return rejection([&] { checkMeshShape(s); });
}

}  // namespace

TEST(ValidateInput, AcceptsTheTestMeshesAndUsualSettings) {
    for (const MeshArrays& m : {mixed(), makeRectangle(4, 3, 2.0, 1.0, false), makeCircle(12, 5),
                                makeCircle(10, 4, 0.5, 10.0, true, NoSlipWall)}) {
        EXPECT_NO_THROW(checkMeshInput(viewOf(m)));
    }
    EXPECT_NO_THROW(checkParameters(makeParameters()));
    EXPECT_NO_THROW(checkParameters(makeParameters(0.8, 2.0, 2, 1, 1.0, 100.0)));
}

TEST(ValidateInput, ShapeGivesTheSizesToCopyAndIgnoresArraysOfZeroCounts) {
    MeshArrays m = mixed();
    const MeshCopySizes sizes = checkMeshShape(viewOf(m));
    EXPECT_EQ(sizes.coords, 24u);
    EXPECT_EQ(sizes.triangles, 3u * 8u);
    EXPECT_EQ(sizes.quads, 4u * 2u);
    EXPECT_EQ(sizes.boundaryEdges, 3u * 10u);
    EXPECT_EQ(sizes.boundaryKinds, 4u);

    // A zero count leaves its array unread: null is fine. Longer arrays are fine too.
    const MeshArrays triangles = makeRectangle(2, 2, 1.0, 1.0, false);
    MeshInput s = viewOf(triangles);
    s.quadCount = 0;
    s.quads = {};
    s.coords.length += 5;
    const MeshCopySizes noQuads = checkMeshShape(s);
    EXPECT_EQ(noQuads.quads, 0u);
    EXPECT_EQ(noQuads.coords, 18u);
}

TEST(ValidateInput, RejectsNullAndShortArraysNamingTheCount) {
    const MeshArrays mesh = mixed();
    const MeshInput good = viewOf(mesh);
    MeshInput s = good;
    s.coords = {};
    EXPECT_EQ(shapeRejection(s), "coords is null, but nodeCount is 12");
    s = good;
    s.triangles.length = 23;
    EXPECT_EQ(shapeRejection(s), "triangles has 23 values, but triangleCount 8 needs 24");
    s = good;
    s.quads = {};
    EXPECT_EQ(shapeRejection(s), "quads is null, but quadCount is 2");
    s = good;
    s.boundaryEdges.length = 0;
    EXPECT_EQ(shapeRejection(s), "boundaryEdges has 0 values, but boundaryEdgeCount 10 needs 30");
    s = good;
    s.boundaryKinds.length = 3;
    EXPECT_EQ(shapeRejection(s), "boundaryKinds has 3 values, but boundaryKindCount 4 needs 4");

    EXPECT_EQ(rejection([] { checkParametersLength(nullArrayLength); }),
              "parameters is null; it must hold 16 values");
    EXPECT_EQ(rejection([] { checkParametersLength(15); }),
              "parameters has 15 values; it must hold 16");
    EXPECT_NO_THROW(checkParametersLength(16));
    EXPECT_NO_THROW(checkParametersLength(40));
}

TEST(ValidateInput, RejectsNegativeCountsAndEmptyMeshes) {
    const MeshArrays mesh = mixed();
    const MeshInput good = viewOf(mesh);
    MeshInput s = good;
    s.nodeCount = -1;
    EXPECT_EQ(shapeRejection(s), "nodeCount is -1; a count must not be negative");
    s = good;
    s.triangleCount = -3;
    EXPECT_EQ(shapeRejection(s), "triangleCount is -3; a count must not be negative");
    s = good;
    s.quadCount = INT_MIN;
    EXPECT_EQ(shapeRejection(s), "quadCount is -2147483648; a count must not be negative");
    s = good;
    s.boundaryEdgeCount = -1;
    EXPECT_NE(shapeRejection(s).find("boundaryEdgeCount is -1"), std::string::npos);
    s = good;
    s.boundaryKindCount = -1;
    EXPECT_NE(shapeRejection(s).find("boundaryKindCount is -1"), std::string::npos);
    s = good;
    s.nodeCount = 0;
    EXPECT_EQ(shapeRejection(s), "nodeCount is 0; a mesh needs at least one node");
    s = good;
    s.triangleCount = 0;
    s.quadCount = 0;
    EXPECT_EQ(shapeRejection(s),
              "triangleCount and quadCount are both 0; a mesh needs at least one element");
}

TEST(ValidateInput, RejectsCountsWhoseSizesOverflowAnIntWithoutOverflowingItself) {
    const MeshArrays mesh = mixed();
    const MeshInput good = viewOf(mesh);
    MeshInput s = good;
    s.triangleCount = INT_MAX;
    EXPECT_EQ(
        shapeRejection(s),
        "triangleCount is 2147483647, which implies 6442450941 values in triangles, more than a "
        "host array can hold");
    s = good;
    s.nodeCount = 1 << 30;  // 2^31 coordinates
    EXPECT_NE(shapeRejection(s).find("implies 2147483648 values in coords"), std::string::npos);
    s = good;
    s.boundaryEdgeCount = 715827883;  // 3 x this is 2^31 + 1
    EXPECT_NE(shapeRejection(s).find("boundaryEdgeCount is 715827883"), std::string::npos);

    // Sizes a host array can hold but the solver's 32-bit indices cannot.
    s = good;
    s.nodeCount = INT_MAX / 16 + 1;
    s.coords.length = 2 * std::int64_t{s.nodeCount};
    EXPECT_EQ(shapeRejection(s),
              "nodeCount is 134217728; the solver supports at most 134217727 nodes");
    s = good;
    s.quadCount = 20000000;  // 160 million slots
    s.quads.length = 4 * std::int64_t{s.quadCount};
    EXPECT_NE(shapeRejection(s).find("160000048 adjacency slots"), std::string::npos);
    // The largest mesh that passes.
    s = good;
    s.nodeCount = INT_MAX / 16;
    s.coords.length = 2 * std::int64_t{s.nodeCount};
    EXPECT_NO_THROW(checkMeshShape(s));
}

TEST(ValidateInput, RejectsNonFiniteCoordinatesByIndex) {
    const double inf = std::numeric_limits<double>::infinity();
    MeshArrays m = mixed();
    m.coords[5] = std::nan("");
    EXPECT_EQ(meshRejection(m), "coords[5] is NaN; coordinates must be finite");
    m = mixed();
    m.coords[0] = inf;
    EXPECT_EQ(meshRejection(m), "coords[0] is Infinity; coordinates must be finite");
    m = mixed();
    m.coords[23] = -inf;
    EXPECT_EQ(meshRejection(m), "coords[23] is -Infinity; coordinates must be finite");
    // Values beyond 2 x nodeCount are not part of the mesh.
    m = mixed();
    m.coords.push_back(std::nan(""));
    EXPECT_NO_THROW(checkMeshInput(viewOf(m)));
}

TEST(ValidateInput, RejectsNodeNumbersOutOfRange) {
    MeshArrays m = mixed();
    m.triangles[4] = 0;  // element nodes are numbered from 1
    EXPECT_EQ(meshRejection(m),
              "triangles[4] is 0; element node numbers run from 1 to nodeCount (12)");
    m = mixed();
    m.triangles[23] = 13;
    EXPECT_EQ(meshRejection(m),
              "triangles[23] is 13; element node numbers run from 1 to nodeCount (12)");
    m = mixed();
    m.quads[7] = INT_MIN;
    EXPECT_EQ(meshRejection(m),
              "quads[7] is -2147483648; element node numbers run from 1 to nodeCount (12)");
    m = mixed();
    m.boundaryEdges[0] = -1;  // boundary-edge nodes are numbered from 0
    EXPECT_EQ(
        meshRejection(m),
        "boundaryEdges[0] is -1; boundary-edge node numbers run from 0 to nodeCount - 1 (11)");
    m = mixed();
    m.boundaryEdges[4] = 12;
    EXPECT_EQ(
        meshRejection(m),
        "boundaryEdges[4] is 12; boundary-edge node numbers run from 0 to nodeCount - 1 (11)");
}

TEST(ValidateInput, RejectsElementsThatRepeatANodeOrAreNotCounterClockwise) {
    // Triangle 1 of the mixed mesh is {1, 6, 5} (nodes numbered from 1).
    MeshArrays m = mixed();
    ASSERT_EQ(std::vector<int>(m.triangles.begin() + 3, m.triangles.begin() + 6),
              (std::vector<int>{1, 6, 5}));
    m.triangles[5] = 1;
    EXPECT_EQ(meshRejection(m), "triangles[3..5] (triangle 1) is {1, 6, 1}: it repeats node 1");

    m = mixed();
    std::swap(m.triangles[4], m.triangles[5]);  // clockwise
    const std::string clockwise = meshRejection(m);
    EXPECT_EQ(clockwise.rfind("triangles[3..5] (triangle 1) is {1, 5, 6}: its signed area -", 0),
              0u)
        << clockwise;

    // Three collinear nodes: zero area.
    m = mixed();
    m.triangles[3] = 1;
    m.triangles[4] = 2;
    m.triangles[5] = 3;
    EXPECT_EQ(
        meshRejection(m),
        "triangles[3..5] (triangle 1) is {1, 2, 3}: its signed area 0 is not positive; elements "
        "must be counter-clockwise and not degenerate");

    // Quadrilateral 0 is {2, 3, 7, 6}; reversed it is clockwise.
    m = mixed();
    ASSERT_EQ(std::vector<int>(m.quads.begin(), m.quads.begin() + 4),
              (std::vector<int>{2, 3, 7, 6}));
    std::reverse(m.quads.begin(), m.quads.begin() + 4);
    EXPECT_EQ(meshRejection(m).rfind(
                  "quads[0..3] (quadrilateral 0) is {6, 7, 3, 2}: its signed area -", 0),
              0u);
    m = mixed();
    m.quads[6] = m.quads[4];
    EXPECT_NE(meshRejection(m).find("quads[4..7] (quadrilateral 1)"), std::string::npos);
}

TEST(ValidateInput, QuadrilateralsMustBeSimpleButNeedNotBeConvex) {
    // One quadrilateral on four free nodes, with one boundary edge on each side.
    auto single = [](std::vector<double> xy) {
        MeshArrays m;
        m.nodeCount = 4;
        m.coords = std::move(xy);
        m.quadCount = 1;
        m.quads = {1, 2, 3, 4};
        m.boundaryEdgeCount = 4;
        m.boundaryEdges = {0, 1, 1, 1, 2, 1, 2, 3, 1, 3, 0, 1};
        m.boundaryKindCount = 1;
        m.boundaryKinds = {Farfield};
        return m;
    };
    EXPECT_NO_THROW(checkMeshInput(viewOf(single({0, 0, 1, 0, 1, 1, 0, 1}))));
    // Arrowhead: the corner at node 4 is reflex, the area is positive.
    EXPECT_NO_THROW(checkMeshInput(viewOf(single({0, 0, 2, 0, 1, 1, 1, 0.5}))));
    // A straight corner (a node on a side) is accepted too.
    EXPECT_NO_THROW(checkMeshInput(viewOf(single({0, 0, 1, 0, 2, 0, 1, 1}))));
    // Bow-tie whose two lobes differ, so the shoelace area alone is positive.
    const std::string bowTie = meshRejection(single({0, 0, 2, 2, 2, 0, 0, 3}));
    EXPECT_EQ(
        bowTie,
        "quads[0..3] (quadrilateral 0) is {1, 2, 3, 4}: 2 corners turn clockwise or straight, so "
        "it is self-intersecting or folded");
    // A bow-tie with equal lobes has zero area.
    EXPECT_NE(meshRejection(single({0, 0, 1, 1, 1, 0, 0, 1})).find("signed area 0 is not positive"),
              std::string::npos);
}

TEST(ValidateInput, RejectsTagsAndKindsOutOfRange) {
    MeshArrays m = mixed();
    m.boundaryEdges[2] = 0;
    EXPECT_EQ(meshRejection(m),
              "boundaryEdges[2] is 0; boundary tags run from 1 to boundaryKindCount (4)");
    m = mixed();
    m.boundaryEdges[29] = 5;
    EXPECT_EQ(meshRejection(m),
              "boundaryEdges[29] is 5; boundary tags run from 1 to boundaryKindCount (4)");
    for (int kind : {0, 4, -1}) {
        m = mixed();
        m.boundaryKinds[1] = kind;
        EXPECT_EQ(meshRejection(m),
                  "boundaryKinds[1] is " + std::to_string(kind) +
                      "; a boundary kind is 1 (far field), 2 (slip wall) or 3 (no-slip wall)");
    }
    m = mixed();
    for (int kind : {1, 2, 3}) {
        m.boundaryKinds[0] = kind;
        EXPECT_NO_THROW(checkMeshInput(viewOf(m)));
    }
}

TEST(ValidateInput, BoundaryEdgesMustBeSidesOfExactlyOneElementAndUnique) {
    // Nodes from 0: bottom row 0..3, middle row 4..7. Side 1-5 is shared by the triangle 0-1-5
    // and the quadrilateral 1-2-6-5.
    MeshArrays m = mixed();
    m.boundaryEdges[0] = 1;
    m.boundaryEdges[1] = 5;
    EXPECT_EQ(
        meshRejection(m),
        "boundaryEdges[0..1] (boundary edge 0) is {1, 5}: it is a side of 2 elements; a boundary "
        "edge must be a side of exactly one");
    m = mixed();
    m.boundaryEdges[0] = 0;
    m.boundaryEdges[1] = 6;  // no element has this side
    EXPECT_NE(meshRejection(m).find("is {0, 6}: it is a side of 0 elements"), std::string::npos);
    m = mixed();
    m.boundaryEdges[1] = 0;  // an edge from node 0 to itself
    EXPECT_NE(meshRejection(m).find("is {0, 0}: it is a side of 0 elements"), std::string::npos);

    // Either direction names the same side; giving it twice is refused.
    m = mixed();
    std::swap(m.boundaryEdges[3], m.boundaryEdges[4]);
    EXPECT_NO_THROW(checkMeshInput(viewOf(m)));
    m.boundaryEdges.insert(m.boundaryEdges.end(), {1, 2, 1});
    ++m.boundaryEdgeCount;
    EXPECT_EQ(meshRejection(m),
              "boundaryEdges[30..31] (boundary edge 10) is {1, 2}: it repeats boundary edge 1");
}

TEST(ValidateInput, ANodeOutsideEveryElementIsAccepted) {
    MeshArrays m = mixed();
    m.nodeCount += 1;
    m.coords.insert(m.coords.end(), {5.0, 5.0});
    EXPECT_NO_THROW(checkMeshInput(viewOf(m)));
}

TEST(ValidateInput, IntegerSettingsMustTruncateIntoThe32BitRange) {
    for (int entry : {1, 3, 5, 6, 13}) {
        const ParameterVector good = makeParameters();
        for (double bad : {std::nan(""), 2147483648.0, -2147483649.0, 1e300,
                           std::numeric_limits<double>::infinity()}) {
            ParameterVector p = good;
            p[static_cast<std::size_t>(entry)] = bad;
            const std::string message = parameterRejection(p);
            EXPECT_EQ(message.rfind("parameters[" + std::to_string(entry) + "] (", 0), 0u)
                << message;
            EXPECT_NE(message.find("must truncate to a 32-bit integer"), std::string::npos)
                << message;
        }
        // The extremes that still truncate into range.
        for (double edge : {2147483647.9, -2147483648.9}) {
            ParameterVector p = good;
            p[static_cast<std::size_t>(entry)] = edge;
            if (entry == 13) p[14] = 100.0;  // viscous on needs a Reynolds number
            EXPECT_NO_THROW(checkParameters(p)) << entry << " " << edge;
        }
    }
    ParameterVector p = makeParameters();
    p[6] = std::nan("");
    EXPECT_EQ(parameterRejection(p),
              "parameters[6] (passesPerCall) is NaN; it must truncate to a 32-bit integer");
    p = makeParameters();
    p[5] = 3e9;
    EXPECT_EQ(parameterRejection(p),
              "parameters[5] (timeMode) is 3e+09; it must truncate to a 32-bit integer");
}

TEST(ValidateInput, FlowSettingsMustBeFiniteAndPhysical) {
    const double inf = std::numeric_limits<double>::infinity();
    ParameterVector p = makeParameters();
    for (double gamma : {1.0, 0.5, -1.4, std::nan(""), inf}) {
        p = makeParameters();
        p[11] = gamma;
        EXPECT_NE(parameterRejection(p).find("parameters[11] (gamma) is "), std::string::npos)
            << gamma;
    }
    p = makeParameters();
    p[11] = 1.0;
    EXPECT_EQ(parameterRejection(p), "parameters[11] (gamma) is 1; it must be finite and above 1");
    p[11] = std::nextafter(1.0, 2.0);
    EXPECT_NO_THROW(checkParameters(p));

    p = makeParameters();
    p[10] = inf;
    EXPECT_EQ(parameterRejection(p), "parameters[10] (mach) is Infinity; it must be finite");
    p = makeParameters();
    p[12] = std::nan("");
    EXPECT_EQ(parameterRejection(p), "parameters[12] (alpha) is NaN; it must be finite");
    p = makeParameters();
    p[14] = -inf;
    EXPECT_EQ(parameterRejection(p), "parameters[14] (reynolds) is -Infinity; it must be finite");

    // Entries without a physical constraint pass through.
    p = makeParameters();
    p[0] = p[4] = p[8] = p[15] = std::nan("");
    p[2] = -3.0;
    p[7] = 1e300;
    EXPECT_NO_THROW(checkParameters(p));
}

TEST(ValidateInput, ReynoldsMustBePositiveOnlyWhileViscousTermsAreOn) {
    ParameterVector p = makeParameters(0.5, 0.0, 1, 0, 1.0, 0.0);
    EXPECT_EQ(parameterRejection(p),
              "parameters[14] (reynolds) is 0; it must be above 0 while viscous (parameters[13] = "
              "1) is non-zero");
    p[13] = -1.2;  // truncates to -1: on
    p[14] = -5.0;
    EXPECT_NE(parameterRejection(p).find("viscous (parameters[13] = -1.2)"), std::string::npos);
    p[13] = 0.7;  // truncates to 0: off, any Reynolds number goes
    EXPECT_NO_THROW(checkParameters(p));
    p[13] = 1.0;
    p[14] = 1e-300;
    EXPECT_NO_THROW(checkParameters(p));
}

TEST(ValidateInput, MethodEntriesAreSwitchesAndOrderedCourantNumbers) {
    using Entries = std::vector<double>;
    for (const Entries& good : {Entries{}, Entries{1.0}, Entries{1.0, 2.0, 2.0, 1.0, 1.0, 0.0, 1.0}})
        EXPECT_NO_THROW(checkMethodEntries(good));
    const double nan = std::nan("");
    const std::pair<Entries, std::string> bad[] = {
        {{2.0}, "parameters[16] (stepControl) is 2; it must be 0 or 1"},
        {{0.0, 1.0, 50.0, 0.5}, "parameters[19] (symmetricSweeps) is 0.5; it must be 0 or 1"},
        {{1.0, 0.0}, "parameters[17] (courantStart) is 0; it must be finite and above 0"},
        {{1.0, 10.0, 5.0},
         "parameters[18] (courantMax) is 5; it must be finite and at least courantStart (10)"},
        {{1.0, 10.0, nan}, "parameters[18] (courantMax) is NaN; it must be finite and at least "
                           "courantStart (10)"},
        {{0.0, 5.0, 9.0, 0.0, 1.0, -1.0},
         "parameters[21] (limiterThreshold) is -1; it must be finite and not negative"},
        {{0.0, 5.0, 9.0, 0.0, 0.0, 5.0, 0.0, 0.0},
         "parameters[23] (maxSweeps) is 0; it must be a whole number from 1 to 100"},
        {Entries(9, 0.0), "parameters has 25 values; it holds at most 24"},
    };
    for (const auto& [entries, message] : bad)
        EXPECT_EQ(rejection([&] { checkMethodEntries(entries); }), message);
}
