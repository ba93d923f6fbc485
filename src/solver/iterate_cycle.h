#pragma once
// One call of iterate: time-level shift, gradients, limiter, time steps, then the passes.
#include <vector>

#include "base/solver_state.h"
#include "base/settings.h"

namespace kestrafol {

// Advances the solver by one step and returns its state array (4 doubles per node).
const std::vector<double>& iterateCycle(SolverState& state, SolverSettings& settings);

// Clears and assembles residual, diagonal and off-diagonal blocks for the current state.
void evaluateResidual(SolverState& state, SolverSettings& settings);

}  // namespace kestrafol
