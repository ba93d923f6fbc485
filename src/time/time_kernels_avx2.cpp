// The time layer's loops on AVX2 lanes, with the operations and their order of the scalar
// loops, lane by lane (IEEE operations give the same bits in a vector lane as in a scalar
// register; nothing is contracted into FMA or reassociated):
//   - the diagonal inversion (invert_diagonal_blocks.cpp) eliminates four nodes' blocks side
//     by side;
//   - the interior spectral radii (compute_time_steps.cpp) take four edges at a time and add
//     their radii to the nodes edge by edge, in edge order.
//
// Only the functions below the target pragma use AVX2; the headers above it are compiled for
// the baseline.
#include <immintrin.h>

#include <algorithm>

#include "time/time_kernels.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#elif defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "base/lanes_avx2.h"

namespace kestrafol {

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
        for (int l = 0; l < 4; ++l)
            block[l] = blocks + 16 * static_cast<std::size_t>(first + std::min(l, lanes - 1));
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

void addInteriorRadiiAvx2(const SolverState& state, double gamma, double* lambda) {
    const D half = splat(0.5);
    const D gm1 = splat(gamma - 1.0);
    const D floor = splat(pressureFloor);
    const D g = splat(gamma);
    const double* const q = state.state.data();
    const double* const normals = state.faceNormals.data();
    const int* const edges = state.edges.data();
    const int edgeCount = state.edgeCount;
    for (int e = 0; e < edgeCount; e += 4) {
        const int lanes = std::min(4, edgeCount - e);
        int a[4], b[4], idx[4];
        for (int l = 0; l < 4; ++l) {
            idx[l] = e + std::min(l, lanes - 1);
            a[l] = edges[2 * idx[l]];
            b[l] = edges[2 * idx[l] + 1];
        }
        D qa[4], qb[4];
        gatherRows(qa, q + 4 * a[0], q + 4 * a[1], q + 4 * a[2], q + 4 * a[3]);
        gatherRows(qb, q + 4 * b[0], q + 4 * b[1], q + 4 * b[2], q + 4 * b[3]);
        const D nx =
            set(normals[2 * idx[0]], normals[2 * idx[1]], normals[2 * idx[2]], normals[2 * idx[3]]);
        const D ny = set(normals[2 * idx[0] + 1], normals[2 * idx[1] + 1], normals[2 * idx[2] + 1],
                         normals[2 * idx[3] + 1]);
        // The arithmetic of computeTimeSteps for one interior face.
        const D sa = sqrt(qa[0]);
        const D sb = sqrt(qb[0]);
        const D ua = qa[1] / qa[0];
        const D va = qa[2] / qa[0];
        const D ub = qb[1] / qb[0];
        const D vb = qb[2] / qb[0];
        const D uAvg = (sa * ua + sb * ub) / (sa + sb);
        const D vAvg = (sa * va + sb * vb) / (sa + sb);
        const D energy = (sa * qa[3] + sb * qb[3]) / (sa + sb);
        const D rho = sa * sb;
        D p = gm1 * (energy - half * rho * (uAvg * uAvg + vAvg * vAvg));
        p = select(lessThan(p, floor), floor, p);
        const D length = sqrt(nx * nx + ny * ny);
        const D vn = uAvg * (nx / length) + vAvg * (ny / length);
        const D c = sqrt(g * p / rho);
        const D radius = (c + abs(vn)) * length;
        alignas(32) double r[4];
        store(r, radius);
        for (int l = 0; l < lanes; ++l) {
            lambda[a[l]] += r[l];
            lambda[b[l]] += r[l];
        }
    }
}

}  // namespace kestrafol

#if defined(__clang__)
#pragma clang attribute pop
#elif defined(__GNUC__)
#pragma GCC pop_options
#endif
