// One advance step: shift the time levels, compute what stays fixed during the step, then
// run the residual passes.
#include "solver/iterate_cycle.h"

#include "flux/flux.h"
#include "time/time.h"

namespace kestrafol {

const std::vector<double>& iterateCycle(SolverState& state, SolverSettings& settings) {
    const std::size_t n = static_cast<std::size_t>(state.nodeCount);

    for (std::size_t k = 0; k < 4 * n; ++k) {
        state.statePrev2[k] = state.statePrev[k];
        state.statePrev[k] = state.state[k];
    }

    computeGradients(state);

    if (!(settings.viscous == 0.0)) {
        for (std::size_t i = 0; i < n; ++i)
            state.scalarWork[i] = state.state[4 * i + 1] / state.state[4 * i];  // x-velocity
        scalarGradient(state, state.scalarWork.data(), state.velocityGradX.data());
        for (std::size_t i = 0; i < n; ++i)
            state.scalarWork[i] = state.state[4 * i + 2] / state.state[4 * i];  // y-velocity
        scalarGradient(state, state.scalarWork.data(), state.velocityGradY.data());
    }

    computeLimiter(state, settings);
    computeTimeSteps(state, settings);

    // The pass count is re-read before every pass: the first pass may rewrite it.
    for (int pass = 0; pass < settings.passesPerCall; ++pass) {
        evaluateResidual(state, settings);
        implicitSolve(state, settings);
    }

    return state.state;
}

}  // namespace kestrafol
