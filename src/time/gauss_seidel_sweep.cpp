// One block Gauss-Seidel sweep over the nodes in index order (forward) or against it
// (backward), updating delta in place.
// The work vector lives in registers; the arithmetic and its order are those of the method:
// w = -R_i, then w_r -= O(r, c) * delta_t[c] for the slots in order and c ascending, then
// w = D_i^-1 w as multiplyBlock4 forms it.
#include <cmath>

#include "time/time.h"

namespace kestrafol {

namespace {
// How far ahead of the current blocks the sweep asks for off-diagonal blocks, in doubles.
constexpr std::size_t sweepPrefetchAhead = 512;

// The prefetches serve the forward order, the one every run of the default method takes.
template <bool backward>
double sweep(SolverState& state) {
    const int n = state.nodeCount;
    const int* const rowStart = state.adjacencyStart.data();
    const int* const neighbour = state.slotNeighbour.data();
    const double* const offDiag = state.offDiagBlocks.data();
    const double* const inverse = state.diagBlocks.data();
    const double* const residual = state.residual.data();
    double* const delta = state.delta.data();
    const std::size_t offDiagSize = state.offDiagBlocks.size();

    double measure = 0.0;
    bool relaxed = false;
    double t0 = 0.0, t1 = 0.0, t2 = 0.0, t3 = 0.0;
    for (int step = 0; step < n; ++step) {
        const int i = backward ? n - 1 - step : step;
        const int slotBegin = rowStart[i];
        const int slotEnd = rowStart[i + 1];
        // A node outside every edge keeps a zero increment.
        if (slotBegin == slotEnd) continue;
        // Ask for the blocks a few nodes ahead now, so that their memory traffic overlaps
        // the dependent arithmetic of this node instead of following it.
        // This node's blocks, sweepPrefetchAhead doubles further on.
        const std::size_t aheadEnd = 16 * static_cast<std::size_t>(slotEnd) + sweepPrefetchAhead;
        if (!backward && aheadEnd < offDiagSize) {
            const double* const ahead = offDiag + aheadEnd - 16 * (slotEnd - slotBegin);
            for (int k = 0; k < slotEnd - slotBegin; ++k) {
                __builtin_prefetch(ahead + 16 * k);
                __builtin_prefetch(ahead + 16 * k + 8);
            }
        }
        if (!backward && i + 4 < n) {
            __builtin_prefetch(inverse + 16 * static_cast<std::size_t>(i + 4));
            __builtin_prefetch(inverse + 16 * static_cast<std::size_t>(i + 4) + 8);
        }
        const double* const r = residual + 4 * i;
        double w0 = -r[0];
        double w1 = -r[1];
        double w2 = -r[2];
        double w3 = -r[3];
        for (int o = slotBegin; o < slotEnd; ++o) {
            const double* const b = offDiag + 16 * static_cast<std::size_t>(o);
            const double* const nd = delta + 4 * static_cast<std::size_t>(neighbour[o]);
            const double d0 = nd[0], d1 = nd[1], d2 = nd[2], d3 = nd[3];
            w0 -= b[0] * d0;
            w0 -= b[1] * d1;
            w0 -= b[2] * d2;
            w0 -= b[3] * d3;
            w1 -= b[4] * d0;
            w1 -= b[5] * d1;
            w1 -= b[6] * d2;
            w1 -= b[7] * d3;
            w2 -= b[8] * d0;
            w2 -= b[9] * d1;
            w2 -= b[10] * d2;
            w2 -= b[11] * d3;
            w3 -= b[12] * d0;
            w3 -= b[13] * d1;
            w3 -= b[14] * d2;
            w3 -= b[15] * d3;
        }
        const double* const a = inverse + 16 * static_cast<std::size_t>(i);
        t0 = a[0] * w0 + a[1] * w1 + a[2] * w2 + a[3] * w3;
        t1 = a[4] * w0 + a[5] * w1 + a[6] * w2 + a[7] * w3;
        t2 = a[8] * w0 + a[9] * w1 + a[10] * w2 + a[11] * w3;
        t3 = a[12] * w0 + a[13] * w1 + a[14] * w2 + a[15] * w3;
        double* const d = delta + 4 * static_cast<std::size_t>(i);
        measure += std::fabs(d[0] - t0) + std::fabs(d[1] - t1) + std::fabs(d[2] - t2) +
                   std::fabs(d[3] - t3);
        d[0] = t0;
        d[1] = t1;
        d[2] = t2;
        d[3] = t3;
        relaxed = true;
    }
    // The work vector of the last node relaxed, where the record keeps it.
    if (relaxed) {
        double* const w = state.rhsWork.data();
        w[0] = t0;
        w[1] = t1;
        w[2] = t2;
        w[3] = t3;
    }
    return measure;
}

}  // namespace

double gaussSeidelSweep(SolverState& state) { return sweep<false>(state); }

double gaussSeidelSweepBackward(SolverState& state) { return sweep<true>(state); }

}  // namespace kestrafol
