// Closes the control volumes of boundary nodes with the halves of the boundary edges:
// far-field and wall fluxes with their diagonal blocks, viscous stress terms, and the
// momentum damping of no-slip walls.
#include <cmath>

#include "base/physics.h"
#include "flux/flux.h"
#include "flux/roe_kernels.h"
#include "flux/viscous_stress.h"

namespace kestrafol {

namespace {

// Wall state seen by node `own`: the point a quarter of the way towards `other`, with the
// momentum component along the boundary normal removed.
void wallState(Vec4& wall, const double* own, const double* other, double nx, double ny,
               double lengthSquared) {
    for (int c = 0; c < 4; ++c) wall[c] = (3.0 * own[c] + other[c]) * 0.25;
    const double a = wall[1] * nx + wall[2] * ny;
    wall[1] = wall[1] - (a * nx) / lengthSquared;
    wall[2] = wall[2] - (a * ny) / lengthSquared;
}

// Inviscid flux through the half-edge of node `own` into its residual and diagonal block.
void addHalfEdge(SolverState& state, int own, int other, int kind, const Vec4& freeStream,
                 double nx, double ny, double lengthSquared, double gamma) {
    const double* ownState = &state.state[4 * static_cast<std::size_t>(own)];
    const double* otherState = &state.state[4 * static_cast<std::size_t>(other)];
    Vec4 left{};
    Vec4 right{};
    if (kind == Farfield) {
        for (int c = 0; c < 4; ++c) {
            left[c] = ownState[c];
            right[c] = freeStream[c];
        }
    } else if (kind == SlipWall || kind == NoSlipWall) {
        wallState(left, ownState, otherState, nx, ny, lengthSquared);
        right = left;
    } else {
        return;  // a kind without a boundary state contributes no inviscid flux
    }
    Vec4 flux{};
    Block4 jacLeft{};
    Block4 jacRight{};
    // The half-edge's own state pair is both its flux pair and its linearisation pair.
    kernels::roeFlux<true>(flux.data(), jacLeft, jacRight, left.data(), right.data(), left.data(),
                           right.data(), nx, ny, gamma);
    double* residual = &state.residual[4 * static_cast<std::size_t>(own)];
    for (int c = 0; c < 4; ++c) residual[c] += 0.5 * flux[c];
    double* block = &state.diagBlocks[16 * static_cast<std::size_t>(own)];
    for (int m = 0; m < 16; ++m) block[m] += 0.5 * jacLeft[m];
}

// Viscous stress flux of node t's own velocity gradients through its half of the edge.
void addViscousHalfEdge(SolverState& state, int t, double nx, double ny, double reynolds) {
    const std::size_t i = static_cast<std::size_t>(t);
    const double ux = state.velocityGradX[2 * i];
    const double uy = state.velocityGradX[2 * i + 1];
    const double vx = state.velocityGradY[2 * i];
    const double vy = state.velocityGradY[2 * i + 1];
    const Stress tau = stokesStress(ux, uy, vx, vy);
    const double txx = tau.xx, tyy = tau.yy, txy = tau.xy;
    const double* q = &state.state[4 * i];
    const double u = q[1] / q[0];
    const double v = q[2] / q[0];
    double* residual = &state.residual[4 * i];
    residual[1] -= 0.5 * (txx * nx + txy * ny) / reynolds;
    residual[2] -= 0.5 * (txy * nx + tyy * ny) / reynolds;
    residual[3] -= 0.5 * (nx * (u * txx + v * txy) + ny * (u * txy + v * tyy)) / reynolds;
}

}  // namespace

void applyBoundaryConditions(SolverState& state, const SolverSettings& settings) {
    const double gamma = settings.gamma;
    const bool viscousOn = !(settings.viscous == 0.0);
    // The free stream follows the settings of this evaluation.
    const Vec4 freeStream = freeStreamState(settings);

    for (int e = 0; e < state.boundaryEdgeCount; ++e) {
        const int* edge = &state.boundaryEdges[3 * static_cast<std::size_t>(e)];
        const int p = edge[0];
        const int q = edge[1];
        const double xp = state.coords[2 * static_cast<std::size_t>(p)];
        const double yp = state.coords[2 * static_cast<std::size_t>(p) + 1];
        const double xq = state.coords[2 * static_cast<std::size_t>(q)];
        const double yq = state.coords[2 * static_cast<std::size_t>(q) + 1];
        // Outward normal with the length of the edge, shared by both halves.
        const double nx = yq - yp;
        const double ny = xp - xq;
        const double lengthSquared = nx * nx + ny * ny;
        const int kind = kindOfTag(state, edge[2]);

        addHalfEdge(state, p, q, kind, freeStream, nx, ny, lengthSquared, gamma);
        addHalfEdge(state, q, p, kind, freeStream, nx, ny, lengthSquared, gamma);

        if (viscousOn) {
            addViscousHalfEdge(state, p, nx, ny, settings.reynolds);
            addViscousHalfEdge(state, q, nx, ny, settings.reynolds);
        }
    }

    // No-slip walls: damp the momentum once per wall edge a node lies on.
    for (int e = 0; e < state.boundaryEdgeCount; ++e) {
        const int* edge = &state.boundaryEdges[3 * static_cast<std::size_t>(e)];
        if (kindOfTag(state, edge[2]) != NoSlipWall) continue;
        for (int k = 0; k < 2; ++k) {
            double* node = &state.state[4 * static_cast<std::size_t>(edge[k])];
            node[1] *= 0.9;
            node[2] *= 0.9;
        }
    }
}

}  // namespace kestrafol
