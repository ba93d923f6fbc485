#include <algorithm>
#include <cstddef>
#include <vector>

#include "mesh/mesh.h"

namespace kestrafol {

// The sides are grouped by their smaller node with a counting sort; then, row by row, the slot
// of every neighbour is noted in slotOf (indexed by neighbour node), and each side of the group
// reads its slot from there. No row is searched, so a node with thousands of neighbours costs
// no more per side than one with six.
std::vector<int> findSideSlots(const SolverState& state) {
    const int n = std::max(state.nodeCount, 0);
    const std::size_t triangleSides = 3 * static_cast<std::size_t>(std::max(state.triangleCount, 0));
    const std::size_t sides = triangleSides + 4 * static_cast<std::size_t>(std::max(state.quadCount, 0));
    // The two nodes (from 0) of side s.
    auto ends = [&](std::size_t s, int& a, int& b) {
        if (s < triangleSides) {
            const std::size_t first = s - s % 3;
            a = state.triangles[s] - 1;
            b = state.triangles[first + (s - first + 1) % 3] - 1;
        } else {
            const std::size_t q = s - triangleSides;
            const std::size_t first = triangleSides + (q - q % 4);
            a = state.quads[q] - 1;
            b = state.quads[first - triangleSides + (s - first + 1) % 4] - 1;
        }
        if (a > b) std::swap(a, b);
    };

    std::vector<int> groupStart(static_cast<std::size_t>(n) + 1, 0);
    for (std::size_t s = 0; s < sides; ++s) {
        int a = 0, b = 0;
        ends(s, a, b);
        ++groupStart[a + 1];
    }
    for (int i = 0; i < n; ++i) groupStart[i + 1] += groupStart[i];
    std::vector<int> cursor(groupStart.begin(), groupStart.end() - 1);
    std::vector<int> grouped(sides);
    for (std::size_t s = 0; s < sides; ++s) {
        int a = 0, b = 0;
        ends(s, a, b);
        grouped[cursor[a]++] = static_cast<int>(s);
    }

    std::vector<int> slotOfSide(sides, -1);
    std::vector<int> slotOf(static_cast<std::size_t>(n), -1);
    for (int i = 0; i < n; ++i) {
        for (int k = state.adjacencyStart[i]; k < state.adjacencyStart[i + 1]; ++k) slotOf[state.adjacency[k]] = k;
        for (int g = groupStart[i]; g < groupStart[i + 1]; ++g) {
            int a = 0, b = 0;
            ends(static_cast<std::size_t>(grouped[g]), a, b);
            slotOfSide[grouped[g]] = slotOf[b];
        }
    }
    return slotOfSide;
}

}  // namespace kestrafol
