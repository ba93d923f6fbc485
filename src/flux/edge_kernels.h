#pragma once
// Entry points of the vectorised loops (edge_kernels_avx2.cpp) and the per-edge interface that
// tests use to compare them with the scalar kernels on arbitrary inputs. Call the Avx2
// functions only when bestKernelPath() is KernelPath::Avx2.
#include "base/solver_state.h"
#include "flux/kernel_path.h"
#include "base/settings.h"

namespace kestrafol {

// The inputs of one interior edge: its nodal states, gradients (d/dx of the four variables,
// then d/dy), node positions and face normal.
struct EdgeSample {
    Vec4 first;
    Vec4 second;
    double gradFirst[8];
    double gradSecond[8];
    double xyFirst[2];
    double xySecond[2];
    double nx;
    double ny;
};

// What the interior assembly adds for one edge: the flux out of the first node and the blocks
// dR_first/dU_first (jacLeft) and dR_first/dU_second (jacRight).
struct EdgeResult {
    Vec4 flux;
    Block4 jacLeft;
    Block4 jacRight;
};

// Edge results of `count` samples with the scalar kernels, and with four edges per register.
void edgeFluxesScalar(const EdgeSample* samples, EdgeResult* results, int count,
                      const SolverSettings& settings);
void edgeFluxesAvx2(const EdgeSample* samples, EdgeResult* results, int count,
                    const SolverSettings& settings);

// The interior edge loop (storing the off-diagonal blocks, as interiorEdgeLoop<true>), four
// edges at a time, scattered in edge order.
void interiorEdgeLoopAvx2(SolverState& state, const SolverSettings& settings);

// computeLimiter with the four variables of a node in the lanes of one register.
void computeLimiterAvx2(SolverState& state, const SolverSettings& settings);

// invertDiagonalBlocks with four nodes side by side.
void invertDiagonalBlocksAvx2(SolverState& state);

// Adds the convective spectral radius of every interior face to both of its nodes, in edge order.
void addInteriorRadiiAvx2(const SolverState& state, double gamma, double* lambda);

}  // namespace kestrafol
