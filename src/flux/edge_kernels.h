#pragma once
// Entry points of the flux layer's vectorised loops (edge_kernels_avx2.cpp,
// node_kernels_avx2.cpp). Call them only when kernelPath() is KernelPath::Avx2.
#include "base/kernel_path.h"
#include "base/settings.h"
#include "base/solver_state.h"

namespace kestrafol {

// The interior edge loop (storing the off-diagonal blocks, as interiorEdgeLoop does), four
// edges at a time, scattered in edge order.
void interiorEdgeLoopAvx2(SolverState& state, const SolverSettings& settings);

// computeLimiter with the four variables of a node in the lanes of one register.
void computeLimiterAvx2(SolverState& state, const SolverSettings& settings);

}  // namespace kestrafol
