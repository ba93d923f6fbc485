#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "mesh/mesh.h"

namespace kestrafol {

// Gives every boundary edge (p, q) the direction of the element side it belongs to, so that
// q follows p in the element's cyclic order and the domain lies to the left of p -> q.
void orientBoundaryEdges(const int* triangles, const int* quads, int nodeCount, int triangleCount,
                         int quadCount, int* boundaryEdges, int boundaryEdgeCount) {
    const int n = std::max(nodeCount, 0);
    std::vector<int> cursor(static_cast<std::size_t>(n) + 1, 0);
    for (int e = 0; e < triangleCount; ++e)
        for (int k = 0; k < 3; ++k) ++cursor[triangles[3 * e + k] - 1];
    for (int e = 0; e < quadCount; ++e)
        for (int k = 0; k < 4; ++k) ++cursor[quads[4 * e + k] - 1];
    int running = 0;
    for (int i = 0; i < n; ++i) {
        const int count = cursor[i];
        cursor[i] = running;
        running += count;
    }

    // One successor per element incidence: the next node in that element's cyclic order.
    std::vector<int> successor(static_cast<std::size_t>(running), -1);
    for (int e = 0; e < triangleCount; ++e) {
        const int a = triangles[3 * e] - 1;
        const int b = triangles[3 * e + 1] - 1;
        const int c = triangles[3 * e + 2] - 1;
        successor[cursor[a]++] = b;
        successor[cursor[b]++] = c;
        successor[cursor[c]++] = a;
    }
    for (int e = 0; e < quadCount; ++e) {
        const int a = quads[4 * e] - 1;
        const int b = quads[4 * e + 1] - 1;
        const int c = quads[4 * e + 2] - 1;
        const int d = quads[4 * e + 3] - 1;
        successor[cursor[a]++] = b;
        successor[cursor[b]++] = c;
        successor[cursor[c]++] = d;
        successor[cursor[d]++] = a;
    }
    for (int k = n; k >= 1; --k) cursor[k] = cursor[k - 1];
    cursor[0] = 0;

    // Boundary edges grouped by their first node (a counting sort); then, node by node, the
    // node's successors are marked in successorOf, so each edge is decided by one look-up
    // instead of a scan of the node's successors.
    const int b = std::max(boundaryEdgeCount, 0);
    std::vector<int> edgeStart(static_cast<std::size_t>(n) + 1, 0);
    for (int e = 0; e < b; ++e) ++edgeStart[boundaryEdges[3 * e] + 1];
    for (int i = 0; i < n; ++i) edgeStart[i + 1] += edgeStart[i];
    std::vector<int> edgeCursor(edgeStart.begin(), edgeStart.end() - 1);
    std::vector<int> edgesFrom(static_cast<std::size_t>(b));
    for (int e = 0; e < b; ++e) edgesFrom[edgeCursor[boundaryEdges[3 * e]]++] = e;

    std::vector<int> successorOf(static_cast<std::size_t>(n), -1);
    for (int p = 0; p < n; ++p) {
        for (int k = cursor[p]; k < cursor[p + 1]; ++k) successorOf[successor[k]] = p;
        for (int k = edgeStart[p]; k < edgeStart[p + 1]; ++k) {
            int* edge = boundaryEdges + 3 * edgesFrom[k];
            if (successorOf[edge[1]] != p) std::swap(edge[0], edge[1]);
        }
    }
}

}  // namespace kestrafol
