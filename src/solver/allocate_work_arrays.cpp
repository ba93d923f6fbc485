#include <algorithm>
#include <cstddef>

#include "solver/setup.h"

namespace kestrafol {

// Residual, increment and solver work vectors, the Jacobian blocks (one per node on the
// diagonal, one per block slot off it) and the local time steps. Everything starts at zero:
// the implicit sweeps start from delta, and a residual norm taken before the first iterate
// reads 0 rather than undefined memory.
void allocateWorkArrays(SolverState& state) {
    const std::size_t n = static_cast<std::size_t>(std::max(state.nodeCount, 0));
    const std::size_t blockSlots = 2 * static_cast<std::size_t>(std::max(state.edgeCount, 0));
    state.residual.assign(4 * n, 0.0);
    state.delta.assign(4 * n, 0.0);
    state.rhsWork.assign(4 * n, 0.0);
    state.offDiagBlocks.assign(16 * blockSlots, 0.0);
    state.diagBlocks.assign(16 * n, 0.0);
    state.timeStep.assign(n, 0.0);
}

}  // namespace kestrafol
