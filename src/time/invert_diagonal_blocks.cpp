// Replaces every diagonal block by its inverse, column by column through solveBlock4.
#include "time/time.h"

namespace kestrafol {

void invertDiagonalBlocks(SolverState& state) {
    const std::size_t n = static_cast<std::size_t>(state.nodeCount);
    for (std::size_t i = 0; i < n; ++i) {
        // A node outside every edge has no equations.
        if (state.adjacencyStart[i] == state.adjacencyStart[i + 1]) continue;
        double* block = &state.diagBlocks[16 * i];
        Block4 inverse{};
        for (int c = 0; c < 4; ++c) {
            Block4 scratch{};
            for (int m = 0; m < 16; ++m) scratch[m] = block[m];
            Vec4 e{0.0, 0.0, 0.0, 0.0};
            e[c] = 1.0;
            solveBlock4(scratch, e.data());
            for (int r = 0; r < 4; ++r) inverse[4 * r + c] = e[r];
        }
        for (int m = 0; m < 16; ++m) block[m] = inverse[m];
    }
}

}  // namespace kestrafol
