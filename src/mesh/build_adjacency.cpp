#include <algorithm>
#include <cstddef>
#include <vector>

#include "mesh/mesh.h"

namespace kestrafol {

// Compressed node-to-node rows. Every element incidence reserves two provisional entries in
// its node's row; duplicates (a side shared by two elements) are then marked and squeezed
// out, keeping the first occurrence, so each row lists its neighbours in fill order. Every
// step is linear in the number of element incidences.
void buildAdjacency(SolverState& state, const int* triangles, const int* quads, int nodeCount,
                    int triangleCount, int quadCount) {
    const int n = std::max(nodeCount, 0);
    std::vector<int>& start = state.adjacencyStart;
    start.assign(static_cast<std::size_t>(n) + 1, 0);

    // Two provisional entries per element incidence.
    for (int e = 0; e < triangleCount; ++e)
        for (int k = 0; k < 3; ++k) start[triangles[3 * e + k] - 1] += 2;
    for (int e = 0; e < quadCount; ++e)
        for (int k = 0; k < 4; ++k) start[quads[4 * e + k] - 1] += 2;

    int total = 0;
    for (int i = 0; i < n; ++i) total += start[i];
    std::vector<int>& adj = state.adjacency;
    adj.assign(static_cast<std::size_t>(total), 0);

    // Exclusive prefix sums: one write cursor per node.
    int running = 0;
    for (int i = 0; i < n; ++i) {
        const int count = start[i];
        start[i] = running;
        running += count;
    }

    for (int e = 0; e < triangleCount; ++e) {
        const int a = triangles[3 * e] - 1;
        const int b = triangles[3 * e + 1] - 1;
        const int c = triangles[3 * e + 2] - 1;
        adj[start[a]] = b;
        adj[start[a] + 1] = c;
        start[a] += 2;
        adj[start[b]] = a;
        adj[start[b] + 1] = c;
        start[b] += 2;
        adj[start[c]] = a;
        adj[start[c] + 1] = b;
        start[c] += 2;
    }
    for (int e = 0; e < quadCount; ++e) {
        const int a = quads[4 * e] - 1;
        const int b = quads[4 * e + 1] - 1;
        const int c = quads[4 * e + 2] - 1;
        const int d = quads[4 * e + 3] - 1;
        adj[start[a]] = b;
        adj[start[a] + 1] = d;
        start[a] += 2;
        adj[start[b]] = a;
        adj[start[b] + 1] = c;
        start[b] += 2;
        adj[start[c]] = b;
        adj[start[c] + 1] = d;
        start[c] += 2;
        adj[start[d]] = c;
        adj[start[d] + 1] = a;
        start[d] += 2;
    }

    // Each cursor now points at the start of the next row: shift them into row starts.
    for (int k = n; k >= 1; --k) start[k] = start[k - 1];
    start[0] = 0;

    // Mark every repeated neighbour of a row; the first occurrence survives. seenIn[v] holds the
    // last row in which neighbour v occurred, so each entry is checked once, whatever the row
    // length.
    std::vector<int> seenIn(static_cast<std::size_t>(n), -1);
    for (int i = 0; i < n; ++i) {
        for (int p = start[i]; p < start[i + 1]; ++p) {
            const int value = adj[p];
            if (seenIn[value] == i)
                adj[p] = -1;
            else
                seenIn[value] = i;
        }
    }

    // Squeeze out the marks in place, row by row, and record the final row ends.
    int read = 0;
    int write = 0;
    for (int i = 0; i < n; ++i) {
        const int provisionalEnd = start[i + 1];
        for (; read < provisionalEnd; ++read) {
            if (adj[read] != -1) {
                adj[write] = adj[read];
                ++write;
            }
        }
        start[i + 1] = write;
    }
}

}  // namespace kestrafol
