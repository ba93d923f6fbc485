// Replaces every diagonal block by its inverse. The method solves D x = e_c with solveBlock4
// once per column c; every one of those solves performs the same operations on the same copy
// of D, so the elimination is done once here and its right-hand-side operations are applied
// to the four unit columns side by side: the same arithmetic, a quarter of the work.
#include "time/time_kernels.h"
#include "time/time.h"

namespace kestrafol {

void invertDiagonalBlocks(SolverState& state) {
    if (kernelPath() == KernelPath::Avx2) {
        invertDiagonalBlocksAvx2(state);
        return;
    }
    const int n = state.nodeCount;
    const int* const rowStart = state.adjacencyStart.data();
    double* const blocks = state.diagBlocks.data();
    for (int i = 0; i < n; ++i) {
        // A node outside every edge has no equations.
        if (rowStart[i] == rowStart[i + 1]) continue;
        double* const block = blocks + 16 * static_cast<std::size_t>(i);
        double a[16];
        for (int m = 0; m < 16; ++m) a[m] = block[m];
        // b[4 * r + c]: row r of the right-hand side of column c's solve, starting at e_c.
        double b[16] = {1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0,
                        0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0};
        for (int k = 0; k < 4; ++k) {
            const double s = 1.0 / a[5 * k];
            a[5 * k] = 1.0;
            for (int j = k + 1; j < 4; ++j) a[4 * k + j] *= s;
            for (int c = 0; c < 4; ++c) b[4 * k + c] *= s;
            for (int m = k + 1; m < 4; ++m) {
                const double f = a[4 * m + k];
                a[4 * m + k] = 0.0;
                for (int j = k + 1; j < 4; ++j) a[4 * m + j] -= f * a[4 * k + j];
                for (int c = 0; c < 4; ++c) b[4 * m + c] -= f * b[4 * k + c];
            }
        }
        for (int c = 3; c >= 1; --c)
            for (int j = c - 1; j >= 0; --j)
                for (int col = 0; col < 4; ++col) b[4 * j + col] -= a[4 * j + c] * b[4 * c + col];
        for (int m = 0; m < 16; ++m) block[m] = b[m];
    }
}

}  // namespace kestrafol
