#pragma once
// Hand-built solver states for the flux kernels: a node cloud with a given link list, its
// adjacency rows, least-squares weights, edge list and block slots, and every array the
// kernels touch. Face normals are zero until a test sets them.
#include <cmath>
#include <utility>
#include <vector>

#include "base/solver_state.h"

namespace kestrafol::testing {

inline SolverState makePatch(const std::vector<double>& coords,
                             const std::vector<std::pair<int, int>>& links) {
    SolverState s;
    s.nodeCount = static_cast<int>(coords.size() / 2);
    s.coords = coords;
    const int n = s.nodeCount;

    // Rows in the order the links are listed.
    std::vector<std::vector<int>> rows(n);
    for (const auto& [a, b] : links) {
        rows[a].push_back(b);
        rows[b].push_back(a);
    }
    s.adjacencyStart.assign(n + 1, 0);
    for (int i = 0; i < n; ++i) {
        s.adjacencyStart[i + 1] = s.adjacencyStart[i] + static_cast<int>(rows[i].size());
        s.adjacency.insert(s.adjacency.end(), rows[i].begin(), rows[i].end());
    }

    // Weights: the inverse of the normal-equation matrix applied to each unit direction.
    s.lsqWeights.assign(2 * s.adjacency.size(), 0.0);
    for (int i = 0; i < n; ++i) {
        double sxx = 0.0, sxy = 0.0, syy = 0.0;
        for (int k = s.adjacencyStart[i]; k < s.adjacencyStart[i + 1]; ++k) {
            const int j = s.adjacency[k];
            const double dx = coords[2 * j] - coords[2 * i];
            const double dy = coords[2 * j + 1] - coords[2 * i + 1];
            const double d = std::hypot(dx, dy);
            sxx += dx * dx / (d * d);
            sxy += dx * dy / (d * d);
            syy += dy * dy / (d * d);
        }
        const double det = sxx * syy - sxy * sxy;
        for (int k = s.adjacencyStart[i]; k < s.adjacencyStart[i + 1]; ++k) {
            const int j = s.adjacency[k];
            const double dx = coords[2 * j] - coords[2 * i];
            const double dy = coords[2 * j + 1] - coords[2 * i + 1];
            const double d = std::hypot(dx, dy);
            const double ax = dx / d, ay = dy / d;
            s.lsqWeights[2 * k] = (syy * ax - sxy * ay) / det;
            s.lsqWeights[2 * k + 1] = (sxx * ay - sxy * ax) / det;
        }
    }

    // Edge list by first node and row order; block slots by edge order.
    for (int i = 0; i < n; ++i)
        for (int k = s.adjacencyStart[i]; k < s.adjacencyStart[i + 1]; ++k)
            if (s.adjacency[k] > i) {
                s.edges.push_back(i);
                s.edges.push_back(s.adjacency[k]);
            }
    s.edgeCount = static_cast<int>(s.edges.size() / 2);
    s.edgeSlots.assign(2 * s.edgeCount, 0);
    s.slotNeighbour.assign(2 * s.edgeCount, 0);
    std::vector<int> cursor(s.adjacencyStart.begin(), s.adjacencyStart.end() - 1);
    for (int e = 0; e < s.edgeCount; ++e) {
        const int a = s.edges[2 * e], b = s.edges[2 * e + 1];
        s.edgeSlots[2 * e] = cursor[a];
        s.slotNeighbour[cursor[a]++] = b;
        s.edgeSlots[2 * e + 1] = cursor[b];
        s.slotNeighbour[cursor[b]++] = a;
    }
    s.faceNormals.assign(2 * s.edgeCount, 0.0);

    s.state.assign(4 * n, 0.0);
    s.residual.assign(4 * n, 0.0);
    s.diagBlocks.assign(16 * n, 0.0);
    s.offDiagBlocks.assign(16 * 2 * s.edgeCount, 0.0);
    s.gradients.assign(8 * n, 0.0);
    s.limiter.assign(4 * n, 0.0);
    s.velocityGradX.assign(2 * n, 0.0);
    s.velocityGradY.assign(2 * n, 0.0);
    s.scalarWork.assign(n, 0.0);
    return s;
}

// Index of the edge that joins a and b in either order, or -1.
inline int findEdge(const SolverState& s, int a, int b) {
    for (int e = 0; e < s.edgeCount; ++e)
        if ((s.edges[2 * e] == a && s.edges[2 * e + 1] == b) ||
            (s.edges[2 * e] == b && s.edges[2 * e + 1] == a))
            return e;
    return -1;
}

inline void setState(SolverState& s, int node, double rho, double mu, double mv, double e) {
    s.state[4 * node] = rho;
    s.state[4 * node + 1] = mu;
    s.state[4 * node + 2] = mv;
    s.state[4 * node + 3] = e;
}

}  // namespace kestrafol::testing
