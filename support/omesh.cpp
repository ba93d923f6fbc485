#include "support/omesh.h"

#include <cmath>

#include "base/solver_state.h"

namespace kestrafol::meshes {

MeshArrays makeOMesh(int ni, int nj, CellShape shape, int wallKind, double r0, double r1,
                     Diagonals diagonals, WallEdges wallEdges) {
    MeshArrays m;
    auto id = [ni](int i, int j) { return j * ni + (i % ni); };
    m.nodeCount = ni * nj;
    m.coords.reserve(2 * static_cast<std::size_t>(m.nodeCount));
    const double growth = std::pow(r1 / r0, 1.0 / (nj - 1));
    const double pi = 4.0 * std::atan(1.0);
    for (int j = 0; j < nj; ++j) {
        const double r = r0 * std::pow(growth, j);
        for (int i = 0; i < ni; ++i) {
            const double t = 2.0 * pi * i / ni;
            m.coords.push_back(r * std::cos(t));
            m.coords.push_back(r * std::sin(t));
        }
    }
    const std::size_t cells = static_cast<std::size_t>(ni) * static_cast<std::size_t>(nj - 1);
    if (shape == CellShape::Quads)
        m.quads.reserve(4 * cells);
    else
        m.triangles.reserve(6 * cells);
    for (int j = 0; j + 1 < nj; ++j)
        for (int i = 0; i < ni; ++i) {
            // Counter-clockwise: outward in radius, then forward in angle.
            const int a = id(i, j) + 1, b = id(i, j + 1) + 1, c = id(i + 1, j + 1) + 1,
                      d = id(i + 1, j) + 1;
            if (shape == CellShape::Quads) {
                m.quads.insert(m.quads.end(), {a, b, c, d});
                ++m.quadCount;
            } else if (diagonals == Diagonals::Uniform || (i + j) % 2 == 0) {
                // Alternate the diagonal so that node degrees stay near six.
                m.triangles.insert(m.triangles.end(), {a, b, c, a, c, d});
                m.triangleCount += 2;
            } else {
                m.triangles.insert(m.triangles.end(), {a, b, d, b, c, d});
                m.triangleCount += 2;
            }
        }
    if (m.quadCount == 0) m.quads.push_back(0);
    m.boundaryEdges.reserve(6 * static_cast<std::size_t>(ni));
    for (int i = 0; i < ni; ++i)
        if (wallEdges == WallEdges::AgainstAngle)
            m.boundaryEdges.insert(m.boundaryEdges.end(), {id(i + 1, 0), id(i, 0), 1});
        else
            m.boundaryEdges.insert(m.boundaryEdges.end(), {id(i, 0), id(i + 1, 0), 1});
    for (int i = 0; i < ni; ++i)
        m.boundaryEdges.insert(m.boundaryEdges.end(), {id(i, nj - 1), id(i + 1, nj - 1), 2});
    m.boundaryEdgeCount = 2 * ni;
    m.boundaryKindCount = 2;
    m.boundaryKinds = {wallKind, Farfield};
    return m;
}

}  // namespace kestrafol::meshes
