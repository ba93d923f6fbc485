#pragma once
// Entry points of the time layer's vectorised loops (time_kernels_avx2.cpp). Call them only
// when kernelPath() is KernelPath::Avx2; the scalar loops they replace are in
// compute_time_steps.cpp and invert_diagonal_blocks.cpp.
#include "base/kernel_path.h"
#include "base/solver_state.h"

namespace kestrafol {

// invertDiagonalBlocks with four nodes side by side.
void invertDiagonalBlocksAvx2(SolverState& state);

// Adds the convective spectral radius of every interior face to both of its nodes, in edge order.
void addInteriorRadiiAvx2(const SolverState& state, double gamma, double* lambda);

}  // namespace kestrafol
