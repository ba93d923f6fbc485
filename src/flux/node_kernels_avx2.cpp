// The limiter on AVX2 lanes, with the operations and their order of the scalar loop
// (compute_limiter.cpp): the four conserved variables of one node in the four lanes; its
// tests become masks, and _mm256_max_pd(a, b) / _mm256_min_pd(a, b) are exactly
// a > b ? a : b and a < b ? a : b, the scalar tests including NaN and signed zeros.
#include <immintrin.h>

#include <algorithm>

#include "flux/edge_kernels.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#elif defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "base/lanes_avx2.h"

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

}  // namespace kestrafol

#if defined(__clang__)
#pragma clang attribute pop
#elif defined(__GNUC__)
#pragma GCC pop_options
#endif
