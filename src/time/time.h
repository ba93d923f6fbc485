#pragma once
// Time integration: local time steps, time terms, implicit block Gauss-Seidel solve.
#include "base/solver_state.h"
#include "base/settings.h"

namespace kestrafol {

// Per-node time steps into `timeStep`.
void computeTimeSteps(SolverState& state, const SolverSettings& settings);

// Pseudo-time or BDF2 terms; fixes passesPerCall from timeMode.
void addTimeTerms(SolverState& state, SolverSettings& settings);

// Gauss-Jordan solve without pivoting: rhs becomes the solution, matrix the identity.
void solveBlock4(Block4& matrix, double* rhs);

// vector <- matrix * vector.
void multiplyBlock4(const Block4& matrix, double* vector);

// Inverts the diagonal blocks, relaxes the system, updates state and pressure, applies floors.
void implicitSolve(SolverState& state, const SolverSettings& settings);

// The three steps of implicitSolve, callable one by one (the benchmarks time them apart).
// Replaces every diagonal block by its inverse.
void invertDiagonalBlocks(SolverState& state);
// One forward Gauss-Seidel sweep; returns the sweep's change measure (sum of |new - old|).
double gaussSeidelSweep(SolverState& state);
// The same sweep over the nodes from the last to the first.
double gaussSeidelSweepBackward(SolverState& state);
// state += delta, then nodal pressure and the pressure and density floors.
void updateState(SolverState& state, const SolverSettings& settings);

}  // namespace kestrafol
