#pragma once
// Hand-built solver records for tests of single operations: only the arrays an operation
// reads are filled, with the sizes the set-up would give them.
#include <utility>
#include <vector>

#include "base/solver_state.h"

namespace kestrafol::testing {

// Every per-node array sized for n nodes, each node at `node` (all three time levels),
// empty adjacency rows, no edges, no boundary.
inline SolverState makeBareState(int n, const Vec4& node = {1.0, 0.0, 0.0, 2.5}) {
    SolverState s;
    s.nodeCount = n;
    const std::size_t un = static_cast<std::size_t>(n);
    for (std::size_t i = 0; i < un; ++i)
        for (int c = 0; c < 4; ++c) s.state.push_back(node[c]);
    s.statePrev = s.state;
    s.statePrev2 = s.state;
    s.residual.assign(4 * un, 0.0);
    s.diagBlocks.assign(16 * un, 0.0);
    s.delta.assign(4 * un, 0.0);
    s.rhsWork.assign(4 * un, 0.0);
    s.pressure.assign(un, 0.0);
    s.timeStep.assign(un, 0.0);
    s.dualArea.assign(un, 0.0);
    s.coords.assign(2 * un, 0.0);
    s.velocityGradX.assign(2 * un, 0.0);
    s.velocityGradY.assign(2 * un, 0.0);
    s.scalarWork.assign(un, 0.0);
    s.adjacencyStart.assign(un + 1, 0);
    return s;
}

// Sets the edge list (first < second) with one dual-face normal per edge, and builds the
// adjacency rows, block slots and zeroed off-diagonal blocks from it. Slots within a row
// follow the edge order.
inline void setEdges(SolverState& s, const std::vector<std::pair<int, int>>& edges,
                     const std::vector<double>& normals) {
    const std::size_t n = static_cast<std::size_t>(s.nodeCount);
    s.edgeCount = static_cast<int>(edges.size());
    s.edges.clear();
    for (const auto& [a, b] : edges) {
        s.edges.push_back(a);
        s.edges.push_back(b);
    }
    s.faceNormals = normals;
    std::vector<std::vector<std::pair<int, int>>> rows(n);  // (neighbour, edge end slot)
    s.edgeSlots.assign(2 * edges.size(), 0);
    for (std::size_t e = 0; e < edges.size(); ++e) {
        rows[static_cast<std::size_t>(edges[e].first)].push_back(
            {edges[e].second, static_cast<int>(2 * e)});
        rows[static_cast<std::size_t>(edges[e].second)].push_back(
            {edges[e].first, static_cast<int>(2 * e + 1)});
    }
    s.adjacencyStart.assign(n + 1, 0);
    s.adjacency.clear();
    s.slotNeighbour.clear();
    for (std::size_t i = 0; i < n; ++i) {
        s.adjacencyStart[i] = static_cast<int>(s.adjacency.size());
        for (const auto& [t, end] : rows[i]) {
            s.edgeSlots[static_cast<std::size_t>(end)] = static_cast<int>(s.adjacency.size());
            s.adjacency.push_back(t);
            s.slotNeighbour.push_back(t);
        }
    }
    s.adjacencyStart[n] = static_cast<int>(s.adjacency.size());
    s.offDiagBlocks.assign(16 * s.adjacency.size(), 0.0);
}

// Boundary edges as (first node, second node, tag) and the kind of every tag.
inline void setBoundary(SolverState& s, const std::vector<int>& boundaryEdges,
                        const std::vector<int>& kinds) {
    s.boundaryEdges = boundaryEdges;
    s.boundaryEdgeCount = static_cast<int>(boundaryEdges.size() / 3);
    s.boundaryKinds = kinds;
    s.boundaryKindCount = static_cast<int>(kinds.size());
}

inline void setNode(std::vector<double>& field, int i, const Vec4& value) {
    for (int c = 0; c < 4; ++c)
        field[4 * static_cast<std::size_t>(i) + static_cast<std::size_t>(c)] = value[c];
}

inline Vec4 getNode(const std::vector<double>& field, int i) {
    const std::size_t b = 4 * static_cast<std::size_t>(i);
    return {field[b], field[b + 1], field[b + 2], field[b + 3]};
}

}  // namespace kestrafol::testing
