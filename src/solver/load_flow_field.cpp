#include <cstddef>
#include <utility>

#include "base/physics.h"
#include "solver/setup.h"

namespace kestrafol {

// The time levels and the increment are everything a call carries over to the next one: the
// cycle recomputes gradients, limiter, time steps, residual and blocks from them, and the first
// Gauss-Seidel sweep starts from the increment. The pressure array is only ever written by the
// solver; it is set from the state here as the update sets it.
void loadFlowField(SolverState& state, const SolverSettings& settings, FlowField field) {
    state.state = std::move(field.state);
    state.statePrev = std::move(field.statePrev);
    state.statePrev2 = std::move(field.statePrev2);
    state.delta = std::move(field.delta);
    const std::size_t n = static_cast<std::size_t>(state.nodeCount);
    for (std::size_t i = 0; i < n; ++i) {
        const double* q = &state.state[4 * i];
        state.pressure[i] =
            pressureFromKinetic(q[3], kineticEnergy(q[0], q[1], q[2]), settings.gamma);
    }
}

}  // namespace kestrafol
