#pragma once
// Diagnostics: wall forces and residual norm.
#include <array>

#include "base/solver_state.h"
#include "base/settings.h"

namespace kestrafol {

// {0, L1 residual norm, CL, CD, L/D}.
std::array<double, 5> computeCoefficients(const SolverState& state, const SolverSettings& settings);

}  // namespace kestrafol
