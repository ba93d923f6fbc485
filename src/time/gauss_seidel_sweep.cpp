// One forward block Gauss-Seidel sweep over the nodes in index order, updating delta in place.
#include <cmath>

#include "time/time.h"

namespace kestrafol {

double gaussSeidelSweep(SolverState& state) {
    const std::size_t n = static_cast<std::size_t>(state.nodeCount);
    double* w = state.rhsWork.data();
    double measure = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        // A node outside every edge keeps a zero increment.
        if (state.adjacencyStart[i] == state.adjacencyStart[i + 1]) continue;
        const double* residual = &state.residual[4 * i];
        for (int r = 0; r < 4; ++r) w[r] = -residual[r];
        const int slotEnd = state.adjacencyStart[i + 1];
        for (int o = state.adjacencyStart[i]; o < slotEnd; ++o) {
            const std::size_t slot = static_cast<std::size_t>(o);
            const double* block = &state.offDiagBlocks[16 * slot];
            const double* neighbourDelta =
                &state.delta[4 * static_cast<std::size_t>(state.slotNeighbour[slot])];
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 4; ++c) w[r] -= block[4 * r + c] * neighbourDelta[c];
        }
        Block4 inverse{};
        for (int m = 0; m < 16; ++m) inverse[m] = state.diagBlocks[16 * i + m];
        multiplyBlock4(inverse, w);
        double* d = &state.delta[4 * i];
        measure += std::fabs(d[0] - w[0]) + std::fabs(d[1] - w[1]) + std::fabs(d[2] - w[2]) +
                   std::fabs(d[3] - w[3]);
        for (int r = 0; r < 4; ++r) d[r] = w[r];
    }
    return measure;
}

}  // namespace kestrafol
