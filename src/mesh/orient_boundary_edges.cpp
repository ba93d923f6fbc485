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

    for (int e = 0; e < boundaryEdgeCount; ++e) {
        int* edge = boundaryEdges + 3 * e;
        const int p = edge[0];
        const int q = edge[1];
        bool follows = false;
        for (int k = cursor[p]; k < cursor[p + 1]; ++k) {
            if (successor[k] == q) {
                follows = true;
                break;
            }
        }
        if (!follows) std::swap(edge[0], edge[1]);
    }
}

}  // namespace kestrafol
