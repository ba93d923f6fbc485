// Node loops on AVX2 lanes, with the operations and their order of the scalar loops
// (compute_limiter.cpp, invert_diagonal_blocks.cpp), lane by lane:
//   - the limiter holds the four conserved variables of one node in the four lanes; its
//     tests become masks, and _mm256_max_pd(a, b) / _mm256_min_pd(a, b) are exactly
//     a > b ? a : b and a < b ? a : b, the scalar tests including NaN and signed zeros;
//   - the diagonal inversion eliminates four nodes' blocks side by side.
#include <immintrin.h>

#include <algorithm>

#include "flux/edge_kernels.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#elif defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "flux/lanes_avx2.h"

namespace kestrafol {

void computeLimiterAvx2(SolverState& state, const SolverSettings& settings) {
    const double w = settings.reconstructionWeight;
    const D gradientWeight = splat(1.0 - w);
    const D centralWeight = splat(w * 0.5);
    const D zero = splat(0.0);
    const double* const coords = state.coords.data();
    const double* const u = state.state.data();
    const int* const adjacency = state.adjacency.data();
    const int* const rowStart = state.adjacencyStart.data();
    double* const gradients = state.gradients.data();
    double* const limiter = state.limiter.data();

    for (int n = 0; n < state.nodeCount; ++n) {
        const D un = load(u + 4 * n);
        double* const g = gradients + 8 * n;
        const D gx = load(g);
        const D gy = load(g + 4);
        D phi = splat(1.0);
        const double xn = coords[2 * n];
        const double yn = coords[2 * n + 1];

        // umax = um > umax ? um : umax, umin = um < umin ? um : umin
        D umax = un;
        D umin = un;
        for (int s = rowStart[n]; s < rowStart[n + 1]; ++s) {
            const D um = load(u + 4 * adjacency[s]);
            umax.v = _mm256_max_pd(um.v, umax.v);
            umin.v = _mm256_min_pd(um.v, umin.v);
        }

        for (int s = rowStart[n]; s < rowStart[n + 1]; ++s) {
            const int m = adjacency[s];
            const D um = load(u + 4 * m);
            const D hx = splat((coords[2 * m] - xn) * 0.5);
            const D hy = splat(0.5 * (coords[2 * m + 1] - yn));
            const D gradientPart = gradientWeight * (gy * hy + gx * hx);
            const D centralPart = (um - un) * centralWeight;
            const D predicted = gradientPart + (un + centralPart);
            // Above the maximum and below the minimum exclude each other (umin <= un <= umax,
            // and with a NaN un both tests are false), so one division serves both.
            const __m256d above = lessThan(umax, predicted);
            const __m256d below = greaterThan(umin, predicted);
            const D ratio = (select(above, umax, umin) - un - centralPart) / gradientPart;
            const __m256d lower = _mm256_and_pd(_mm256_or_pd(above, below), lessThan(ratio, phi));
            phi = select(lower, ratio, phi);
        }

        phi = select(lessThan(phi, zero), zero, phi);
        store(g, gx * phi);
        store(g + 4, gy * phi);
        store(limiter + 4 * n, phi);
    }
}

void invertDiagonalBlocksAvx2(SolverState& state) {
    const int n = state.nodeCount;
    const int* const rowStart = state.adjacencyStart.data();
    double* const blocks = state.diagBlocks.data();
    const D one = splat(1.0);
    const D zero = splat(0.0);
    for (int first = 0; first < n; first += 4) {
        // A last group of fewer than four nodes repeats its last node in the spare lanes.
        const int lanes = std::min(4, n - first);
        double* block[4];
        for (int l = 0; l < 4; ++l) block[l] = blocks + 16 * static_cast<std::size_t>(first + std::min(l, lanes - 1));
        // a[m]: entry m of the four blocks; b[4 r + c]: row r of column c's right-hand side.
        D a[16];
        for (int r = 0; r < 4; ++r)
            gatherRows(a + 4 * r, block[0] + 4 * r, block[1] + 4 * r, block[2] + 4 * r,
                       block[3] + 4 * r);
        D b[16];
        for (int m = 0; m < 16; ++m) b[m] = m % 5 == 0 ? one : zero;
        for (int k = 0; k < 4; ++k) {
            const D s = one / a[5 * k];
            a[5 * k] = one;
            for (int j = k + 1; j < 4; ++j) a[4 * k + j] = a[4 * k + j] * s;
            for (int c = 0; c < 4; ++c) b[4 * k + c] = b[4 * k + c] * s;
            for (int m = k + 1; m < 4; ++m) {
                const D f = a[4 * m + k];
                a[4 * m + k] = zero;
                for (int j = k + 1; j < 4; ++j) a[4 * m + j] = a[4 * m + j] - f * a[4 * k + j];
                for (int c = 0; c < 4; ++c) b[4 * m + c] = b[4 * m + c] - f * b[4 * k + c];
            }
        }
        for (int c = 3; c >= 1; --c)
            for (int j = c - 1; j >= 0; --j)
                for (int col = 0; col < 4; ++col)
                    b[4 * j + col] = b[4 * j + col] - a[4 * j + c] * b[4 * c + col];
        for (int r = 0; r < 4; ++r) transpose(b[4 * r], b[4 * r + 1], b[4 * r + 2], b[4 * r + 3]);
        // A node outside every edge has no equations: its block stays as it is.
        for (int l = 0; l < lanes; ++l) {
            const int i = first + l;
            if (rowStart[i] == rowStart[i + 1]) continue;
            for (int r = 0; r < 4; ++r) store(block[l] + 4 * r, b[4 * r + l]);
        }
    }
}

}  // namespace kestrafol

#if defined(__clang__)
#pragma clang attribute pop
#elif defined(__GNUC__)
#pragma GCC pop_options
#endif
