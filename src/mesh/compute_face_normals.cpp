#include <algorithm>
#include <cstddef>
#include <vector>

#include "mesh/mesh.h"

namespace kestrafol {

namespace {

// Adds the dual segment of side a -> b (midpoint to reference point, turned by a right angle)
// to `slot`, the slot of the larger node in the smaller node's row, with the sign that makes it
// point from the smaller node towards the larger one for a counter-clockwise element.
void addSideNormal(SolverState& state, int a, int b, int slot, double cx, double cy) {
    const double* xy = state.coords.data();
    const double mx = (xy[2 * a] + xy[2 * b]) * 0.5;
    const double my = (xy[2 * a + 1] + xy[2 * b + 1]) * 0.5;
    const double wx = cy - my;
    const double wy = mx - cx;
    double* normals = state.faceNormals.data();
    if (a < b) {
        normals[2 * slot] += wx;
        normals[2 * slot + 1] += wy;
    } else {
        normals[2 * slot] -= wx;
        normals[2 * slot + 1] -= wy;
    }
}

}  // namespace

// Dual-face normals, first per adjacency slot, then compacted in place to one per edge while
// the edge list (first node < second node, in row order) is written.
void computeFaceNormals(SolverState& state) {
    const int n = std::max(state.nodeCount, 0);
    const int slots = state.adjacencyStart[n];
    state.faceNormals.assign(2 * static_cast<std::size_t>(slots), 0.0);
    const std::vector<int> slotOfSide = findSideSlots(state);

    for (int e = 0; e < state.triangleCount; ++e) {
        const int* nodes = state.triangles.data() + 3 * e;
        const double cx = state.triangleCentroids[2 * e];
        const double cy = state.triangleCentroids[2 * e + 1];
        for (int k = 0; k < 3; ++k)
            addSideNormal(state, nodes[k] - 1, nodes[(k + 1) % 3] - 1, slotOfSide[3 * e + k], cx, cy);
    }
    for (int e = 0; e < state.quadCount; ++e) {
        const int* nodes = state.quads.data() + 4 * e;
        const double cx = state.quadCentroids[2 * e];
        const double cy = state.quadCentroids[2 * e + 1];
        for (int k = 0; k < 4; ++k)
            addSideNormal(state, nodes[k] - 1, nodes[(k + 1) % 4] - 1,
                          slotOfSide[3 * static_cast<std::size_t>(state.triangleCount) + 4 * e + k], cx, cy);
    }

    state.edgeCount = slots / 2;
    state.edges.assign(2 * static_cast<std::size_t>(state.edgeCount), 0);

    // e never overtakes k, so the per-slot normals are moved front to back in place.
    double* normals = state.faceNormals.data();
    int e = 0;
    for (int i = 0; i < n; ++i) {
        for (int k = state.adjacencyStart[i]; k < state.adjacencyStart[i + 1]; ++k) {
            const int j = state.adjacency[k];
            if (j > i) {
                state.edges[2 * e] = i;
                state.edges[2 * e + 1] = j;
                normals[2 * e] = normals[2 * k];
                normals[2 * e + 1] = normals[2 * k + 1];
                ++e;
            }
        }
    }
}

}  // namespace kestrafol
