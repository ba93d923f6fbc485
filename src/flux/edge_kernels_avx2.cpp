// The interior edge loop with four edges side by side in the lanes of 256-bit AVX2 registers
// (the lane kernel itself is edge_lanes_avx2.h). Each lane performs exactly the operations of
// the scalar kernels (roe_kernels.h, interior_edge_loop.h) in the same order:
// IEEE addition, multiplication, division and square root give the same bits in a vector lane
// as in a scalar register, nothing is contracted into FMA (no FMA is enabled here) and no sum
// is reassociated. Branches of the scalar code become masks:
//   - floors: x < floor ? floor : x and x >= floor ? x : floor keep their behaviour for NaN by
//     using the same ordered comparison and selecting the same side;
//   - a wave whose negative eigenvalue is zero is skipped by the scalar code only when all its
//     eigenvector entries are finite; then every product it would add is a zero, and adding a
//     zero to a sum that starts at +0 changes no bit, so the lanes simply add every wave.
// The results are written back edge by edge in edge order, so every residual entry and block
// receives its contributions in the same order as in the scalar loop.
//
// Only the functions below the target pragma use AVX2; the headers above it are compiled for
// the baseline, so no inline function of theirs is emitted with AVX2 instructions.
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
#include "flux/edge_lanes_avx2.h"

namespace kestrafol {

namespace {

template <bool secondOrder>
void interiorLoop(SolverState& state, const SolverSettings& settings) {
    const Constants k(settings.gamma);
    const D w = splat(settings.reconstructionWeight);
    const double* const coords = state.coords.data();
    const double* const u = state.state.data();
    const double* const gradients = state.gradients.data();
    const double* const normals = state.faceNormals.data();
    const int* const edges = state.edges.data();
    const int* const edgeSlots = state.edgeSlots.data();
    double* const residual = state.residual.data();
    double* const diagBlocks = state.diagBlocks.data();
    double* const offDiagBlocks = state.offDiagBlocks.data();
    const int edgeCount = state.edgeCount;
    constexpr int prefetchDistance = 8;

    for (int e = 0; e < edgeCount; e += 4) {
        // A last group of fewer than four edges repeats its last edge in the spare lanes;
        // their results are not written.
        const int lanes = std::min(4, edgeCount - e);
        int f[4], s[4], idx[4];
        for (int l = 0; l < 4; ++l) {
            idx[l] = e + std::min(l, lanes - 1);
            f[l] = edges[2 * idx[l]];
            s[l] = edges[2 * idx[l] + 1];
        }
        for (int l = 0; l < 4; ++l) {
            const int ahead = e + prefetchDistance + l;
            if (ahead < edgeCount) {
                const double* const diagAhead = diagBlocks + 16 * edges[2 * ahead + 1];
                const double* const offAhead = offDiagBlocks + 16 * edgeSlots[2 * ahead + 1];
                __builtin_prefetch(diagAhead, 1);
                __builtin_prefetch(diagAhead + 8, 1);
                __builtin_prefetch(offAhead, 1);
                __builtin_prefetch(offAhead + 8, 1);
            }
        }

        EdgeLanes in;
        gatherRows(in.uf, u + 4 * f[0], u + 4 * f[1], u + 4 * f[2], u + 4 * f[3]);
        gatherRows(in.us, u + 4 * s[0], u + 4 * s[1], u + 4 * s[2], u + 4 * s[3]);
        if constexpr (secondOrder) {
            const double* const g = gradients;
            gatherRows(in.gf, g + 8 * f[0], g + 8 * f[1], g + 8 * f[2], g + 8 * f[3]);
            gatherRows(in.gf + 4, g + 8 * f[0] + 4, g + 8 * f[1] + 4, g + 8 * f[2] + 4,
                       g + 8 * f[3] + 4);
            gatherRows(in.gs, g + 8 * s[0], g + 8 * s[1], g + 8 * s[2], g + 8 * s[3]);
            gatherRows(in.gs + 4, g + 8 * s[0] + 4, g + 8 * s[1] + 4, g + 8 * s[2] + 4,
                       g + 8 * s[3] + 4);
            in.xf = set(coords[2 * f[0]], coords[2 * f[1]], coords[2 * f[2]], coords[2 * f[3]]);
            in.yf = set(coords[2 * f[0] + 1], coords[2 * f[1] + 1], coords[2 * f[2] + 1],
                        coords[2 * f[3] + 1]);
            in.xs = set(coords[2 * s[0]], coords[2 * s[1]], coords[2 * s[2]], coords[2 * s[3]]);
            in.ys = set(coords[2 * s[0] + 1], coords[2 * s[1] + 1], coords[2 * s[2] + 1],
                        coords[2 * s[3] + 1]);
        }
        in.nx =
            set(normals[2 * idx[0]], normals[2 * idx[1]], normals[2 * idx[2]], normals[2 * idx[3]]);
        in.ny = set(normals[2 * idx[0] + 1], normals[2 * idx[1] + 1], normals[2 * idx[2] + 1],
                    normals[2 * idx[3] + 1]);

        ResultLanes r;
        edgeLanes<secondOrder>(r, in, k, w);
        resultRows(r);

        // Edge by edge, as the scalar loop adds them.
        for (int l = 0; l < lanes; ++l) {
            double* const resF = residual + 4 * f[l];
            double* const resS = residual + 4 * s[l];
            store(resF, load(resF) + r.flux[l]);
            store(resS, load(resS) - r.flux[l]);
            double* const diagF = diagBlocks + 16 * f[l];
            double* const offF = offDiagBlocks + 16 * edgeSlots[2 * (e + l)];
            double* const offS = offDiagBlocks + 16 * edgeSlots[2 * (e + l) + 1];
            double* const diagS = diagBlocks + 16 * s[l];
            for (int i = 0; i < 4; ++i) {
                const D left = r.jacLeft[4 * i + l];
                const D right = r.jacRight[4 * i + l];
                store(diagF + 4 * i, load(diagF + 4 * i) + left);
                // The slot's only contribution, added to the zero it would have been cleared to.
                store(offF + 4 * i, k.zero + right);
                store(offS + 4 * i, k.zero - left);
                store(diagS + 4 * i, load(diagS + 4 * i) - right);
            }
        }
    }
}

}  // namespace

void interiorEdgeLoopAvx2(SolverState& state, const SolverSettings& settings) {
    if (settings.spatialOrder == 2)
        interiorLoop<true>(state, settings);
    else
        interiorLoop<false>(state, settings);
}

}  // namespace kestrafol

#if defined(__clang__)
#pragma clang attribute pop
#elif defined(__GNUC__)
#pragma GCC pop_options
#endif
