#pragma once
// Independent edge samples through the interior edge kernel, on the scalar path and on four
// AVX2 lanes: the tests compare both on arbitrary inputs, bit for bit. Test code only; the
// library's loops read their edges from the solver state.
#include "base/settings.h"
#include "base/solver_state.h"

namespace kestrafol::testing {

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

// Edge results of `count` samples with the scalar kernel, and with four edges per register
// (call the second only where bestKernelPath() is KernelPath::Avx2).
void edgeFluxesScalar(const EdgeSample* samples, EdgeResult* results, int count,
                      const SolverSettings& settings);
void edgeFluxesAvx2(const EdgeSample* samples, EdgeResult* results, int count,
                    const SolverSettings& settings);

}  // namespace kestrafol::testing
