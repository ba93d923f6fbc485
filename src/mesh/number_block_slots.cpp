#include <algorithm>
#include <cstddef>
#include <vector>

#include "mesh/mesh.h"

namespace kestrafol {

// Block slots follow the edge order: walking the edges, each end node takes the next free
// slot of its own row for the block that couples it to the other end.
void numberBlockSlots(SolverState& state) {
    const int n = std::max(state.nodeCount, 0);
    const int m = state.edgeCount;
    state.edgeSlots.assign(2 * static_cast<std::size_t>(m), 0);
    state.slotNeighbour.assign(2 * static_cast<std::size_t>(m), 0);
    std::vector<int> cursor(state.adjacencyStart.begin(), state.adjacencyStart.begin() + n);

    for (int e = 0; e < m; ++e) {
        const int i = state.edges[2 * e];
        const int j = state.edges[2 * e + 1];
        const int s = cursor[i];
        state.edgeSlots[2 * e] = s;
        state.slotNeighbour[s] = j;
        cursor[i] = s + 1;
        const int t = cursor[j];
        state.edgeSlots[2 * e + 1] = t;
        state.slotNeighbour[t] = i;
        cursor[j] = t + 1;
    }
}

}  // namespace kestrafol
