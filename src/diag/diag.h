#pragma once
// Diagnostics: wall forces and residual norm.
#include <array>

#include "base/solver_state.h"
#include "base/settings.h"

namespace kestrafol {

// {0, L1 residual norm, CL, CD, L/D}.
std::array<double, 5> computeCoefficients(const SolverState& state, const SolverSettings& settings);

// The L1 norm of the residual the last pass left, summed entry by entry in storage order.
double residualNorm(const SolverState& state);

}  // namespace kestrafol
