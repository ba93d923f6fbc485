#include <cstddef>
#include <utility>

#include "base/physics.h"
#include "diag/diag.h"
#include "solver/setup.h"

namespace kestrafol {

// The time levels, the increment and the method options' memory are everything a call carries
// over to the next one: the cycle recomputes gradients, limiter, time steps, residual and blocks
// from them, and the first Gauss-Seidel sweep starts from the increment. The pressure array is only ever written by the
// solver; it is set from the state here as the update sets it.
void loadFlowField(SolverState& state, const SolverSettings& settings, FlowField field) {
    state.state = std::move(field.state);
    state.statePrev = std::move(field.statePrev);
    state.statePrev2 = std::move(field.statePrev2);
    state.delta = std::move(field.delta);
    if (!field.memory.empty()) {
        const std::vector<double>& m = field.memory;
        state.method.residualNorm = m[0];
        state.method.residualCarried = true;
        state.method.residualPeak = m[1];
        state.method.courant = m[2];
        state.method.floorHitsSeen = static_cast<long long>(m[3]);
        state.method.circulation = m[4];
        state.method.vortexX = m[5];
        state.method.vortexY = m[6];
        state.floorHits = static_cast<long long>(m[7]);
    }
    const std::size_t n = static_cast<std::size_t>(state.nodeCount);
    for (std::size_t i = 0; i < n; ++i) {
        const double* q = &state.state[4 * i];
        state.pressure[i] =
            pressureFromKinetic(q[3], kineticEnergy(q[0], q[1], q[2]), settings.gamma);
    }
}

std::array<double, methodMemorySize> methodMemory(const SolverState& state) {
    const SolverState::MethodMemory& m = state.method;
    return {residualNorm(state),
            m.residualPeak,
            m.courant,
            static_cast<double>(m.floorHitsSeen),
            m.circulation,
            m.vortexX,
            m.vortexY,
            static_cast<double>(state.floorHits)};
}

}  // namespace kestrafol
