#pragma once
// Small meshes and settings for the tests and the fuzzer's seeds, in the host's layout:
// element nodes numbered from 1, boundary-edge nodes from 0, tags from 1, elements
// counter-clockwise.
#include <cmath>
#include <utility>
#include <vector>

#include "solver/setup.h"
#include "support/omesh.h"

namespace kestrafol::testing {

using kestrafol::MeshArrays;

// Settings vector with the usual entries: order, weight, time mode, passes, Mach, gamma, alpha.
inline ParameterVector makeParameters(double mach = 0.5, double alphaDegrees = 0.0,
                                      int spatialOrder = 1, int timeMode = 0, double viscous = 0.0,
                                      double reynolds = 0.0) {
    ParameterVector p{};
    p[1] = spatialOrder;
    p[2] = 0.5;
    p[5] = timeMode;
    p[6] = 1.0;
    p[10] = mach;
    p[11] = 1.4;
    p[12] = alphaDegrees;
    p[13] = viscous;
    p[14] = reynolds;
    return p;
}

// A solver built straight from a copy of the mesh (no input checks).
inline SolverRecords makeSolver(const MeshArrays& m, const ParameterVector& p) {
    return createSolver(m, p);
}

// Rectangle [0, lx] x [0, ly] with nx x ny cells. With `mixed`, cells in even columns are
// split into two triangles and the others stay quadrilaterals; otherwise all are split.
// Boundary tags: 1 bottom, 2 right, 3 top, 4 left; all four have kind `kind`.
inline MeshArrays makeRectangle(int nx, int ny, double lx = 1.0, double ly = 1.0, bool mixed = true,
                                int kind = Farfield) {
    MeshArrays m;
    auto id = [nx](int i, int j) { return j * (nx + 1) + i; };
    m.nodeCount = (nx + 1) * (ny + 1);
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) {
            // A mild shear keeps the cells from being all alike.
            m.coords.push_back(lx * i / nx + 0.05 * lx / nx * std::sin(1.3 * j));
            m.coords.push_back(ly * j / ny);
        }
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            int a = id(i, j) + 1, b = id(i + 1, j) + 1, c = id(i + 1, j + 1) + 1,
                d = id(i, j + 1) + 1;
            if (mixed && i % 2 == 1) {
                m.quads.insert(m.quads.end(), {a, b, c, d});
                ++m.quadCount;
            } else {
                m.triangles.insert(m.triangles.end(), {a, b, c, a, c, d});
                m.triangleCount += 2;
            }
        }
    for (int i = 0; i < nx; ++i)
        m.boundaryEdges.insert(m.boundaryEdges.end(), {id(i, 0), id(i + 1, 0), 1});
    for (int j = 0; j < ny; ++j)
        m.boundaryEdges.insert(m.boundaryEdges.end(), {id(nx, j), id(nx, j + 1), 2});
    for (int i = nx; i > 0; --i)
        m.boundaryEdges.insert(m.boundaryEdges.end(), {id(i, ny), id(i - 1, ny), 3});
    for (int j = ny; j > 0; --j)
        m.boundaryEdges.insert(m.boundaryEdges.end(), {id(0, j), id(0, j - 1), 4});
    m.boundaryEdgeCount = static_cast<int>(m.boundaryEdges.size() / 3);
    m.boundaryKindCount = 4;
    m.boundaryKinds = {kind, kind, kind, kind};
    return m;
}

// n triangles (hub, rim k, rim k+1) around hub node 1 at the origin; rim nodes 2 .. n+1 on the
// unit circle counter-clockwise; the rim edges are far-field boundary edges. The hub has n
// neighbours (the set-up's worst case for a long adjacency row).
inline MeshArrays makeFan(int n) {
    MeshArrays m;
    m.nodeCount = n + 1;
    m.coords = {0.0, 0.0};
    for (int k = 0; k < n; ++k) {
        const double angle = 2.0 * std::acos(-1.0) * k / n;
        m.coords.insert(m.coords.end(), {std::cos(angle), std::sin(angle)});
    }
    for (int k = 0; k < n; ++k) {
        const int next = (k + 1) % n + 2;
        m.triangles.insert(m.triangles.end(), {1, k + 2, next});
        m.boundaryEdges.insert(m.boundaryEdges.end(), {k + 1, next - 1, 1});
    }
    m.triangleCount = n;
    m.boundaryEdgeCount = n;
    m.boundaryKindCount = 1;
    m.boundaryKinds = {Farfield};
    return m;
}

// O-mesh around a circle of radius r0 centred at the origin, out to radius r1: ni points
// around, nj rings, radii growing geometrically. Tag 1 is the wall (kind `wallKind`),
// tag 2 the far field. With `quads` the cells stay quadrilaterals, otherwise each is split
// along the same diagonal; the wall edges run with the angle.
inline MeshArrays makeCircle(int ni, int nj, double r0 = 0.5, double r1 = 20.0, bool quads = false,
                             int wallKind = SlipWall) {
    return meshes::makeOMesh(
        ni, nj, quads ? meshes::CellShape::Quads : meshes::CellShape::Triangles, wallKind, r0, r1,
        meshes::Diagonals::Uniform, meshes::WallEdges::WithAngle);
}

}  // namespace kestrafol::testing
