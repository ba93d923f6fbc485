#pragma once
// Release of everything a solver owns.
#include "base/solver_state.h"
#include "base/settings.h"

namespace kestrafol {

// Releases every array of the two records in a fixed order and resets the settings. The record
// objects themselves belong to their owner (the solver registry), which releases them.
void destroySolver(SolverState& state, SolverSettings& settings);

}  // namespace kestrafol
