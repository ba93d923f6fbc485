#pragma once
// The edge loop of the inviscid assembly: the flux through the dual face of every edge, added
// to the residual of both nodes with opposite signs, and its first-order blocks added to the
// matrix. Every block slot belongs to exactly one edge, so its off-diagonal block receives one
// contribution per pass; the loop stores 0 + that contribution, which is what clearing the
// block and adding would leave, and the caller skips the clear.
#include "base/solver_state.h"
#include "flux/roe_kernels.h"
#include "base/settings.h"

namespace kestrafol {

namespace interior {
// Edges between a prefetch request and the use of the data.
inline constexpr int prefetchDistance = 8;
}  // namespace interior

// The flux and first-order blocks of one edge from its two nodal states: at second order the
// face states are reconstructed from the gradients first. xyFirst/xySecond point at (x, y).
KESTRAFOL_ALWAYS_INLINE inline void interiorEdgeFlux(Vec4& flux, Block4& jacLeft, Block4& jacRight,
                                                     const Vec4& uf, const Vec4& us,
                                                     const double* gf, const double* gs,
                                                     const double* xyFirst, const double* xySecond,
                                                     double nx, double ny, bool secondOrder,
                                                     double w, double gamma) {
    Vec4 faceLeft = uf;
    Vec4 faceRight = us;
    if (secondOrder) {
        const double centralWeight = w * 0.5;
        const double gradientWeight = 1.0 - w;
        // half edge vector h = (x_s - x_f)/2
        const double hx = (xySecond[0] - xyFirst[0]) * 0.5;
        const double hy = (xySecond[1] - xyFirst[1]) * 0.5;
        for (int k = 0; k < 4; ++k) {
            // uL = (1 - w)(gf . h) + ((Us - Uf) w/2 + Uf)
            double uL = gradientWeight * (gf[4 + k] * hy + hx * gf[k]) +
                        ((us[k] - uf[k]) * centralWeight + uf[k]);
            // uR = ((Uf - Us) w/2 + Us) - (1 - w)(gs . h)
            double uR = ((uf[k] - us[k]) * centralWeight + us[k]) -
                        gradientWeight * (gs[4 + k] * hy + hx * gs[k]);
            // A face jump against the nodal jump is removed.
            if ((us[k] >= uf[k] && uR < uL) || (us[k] < uf[k] && uR > uL)) {
                const double mean = (uR + uL) * 0.5;
                uL = mean;
                uR = mean;
            }
            faceLeft[k] = uL;
            faceRight[k] = uR;
        }
        kernels::roeFlux<false>(flux.data(), jacLeft, jacRight, faceLeft.data(), faceRight.data(),
                                uf.data(), us.data(), nx, ny, gamma);
    } else {
        // First order: the face states are the nodal states, the flux pair is the lin pair.
        kernels::roeFlux<true>(flux.data(), jacLeft, jacRight, uf.data(), us.data(), uf.data(),
                               us.data(), nx, ny, gamma);
    }
}

inline void interiorEdgeLoop(SolverState& state, const SolverSettings& settings) {
    const bool secondOrder = settings.spatialOrder == 2;
    const double gamma = settings.gamma;
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
    for (int e = 0; e < edgeCount; ++e) {
        // The blocks of the second node lie a ring ahead in the arrays, out of the prefetcher's
        // sight: request them a few edges early.
        if (e + interior::prefetchDistance < edgeCount) {
            const int ahead = e + interior::prefetchDistance;
            const double* const diagAhead = diagBlocks + 16 * edges[2 * ahead + 1];
            const double* const offAhead = offDiagBlocks + 16 * edgeSlots[2 * ahead + 1];
            __builtin_prefetch(diagAhead, 1);
            __builtin_prefetch(diagAhead + 8, 1);
            __builtin_prefetch(offAhead, 1);
            __builtin_prefetch(offAhead + 8, 1);
        }
        const int f = edges[2 * e];
        const int s = edges[2 * e + 1];
        const Vec4 uf{u[4 * f], u[4 * f + 1], u[4 * f + 2], u[4 * f + 3]};
        const Vec4 us{u[4 * s], u[4 * s + 1], u[4 * s + 2], u[4 * s + 3]};

        Vec4 flux;
        Block4 jacLeft;
        Block4 jacRight;
        interiorEdgeFlux(flux, jacLeft, jacRight, uf, us, gradients + 8 * f, gradients + 8 * s,
                         coords + 2 * f, coords + 2 * s, normals[2 * e], normals[2 * e + 1],
                         secondOrder, settings.reconstructionWeight, gamma);

        // Flux out of f is flux into s.
        for (int c = 0; c < 4; ++c) {
            residual[4 * f + c] += flux[c];
            residual[4 * s + c] -= flux[c];
        }

        // dR_f/dU_f = jacLeft, dR_f/dU_s = jacRight, dR_s/dU_f = -jacLeft, dR_s/dU_s = -jacRight
        double* const diagF = diagBlocks + 16 * f;
        double* const offF = offDiagBlocks + 16 * edgeSlots[2 * e];
        double* const offS = offDiagBlocks + 16 * edgeSlots[2 * e + 1];
        double* const diagS = diagBlocks + 16 * s;
        for (int m = 0; m < 16; ++m) {
            diagF[m] += jacLeft[m];
            // The slot's only contribution, added to the zero it would have been cleared to.
            offF[m] = 0.0 + jacRight[m];
            offS[m] = 0.0 - jacLeft[m];
            diagS[m] -= jacRight[m];
        }
    }
}

}  // namespace kestrafol
