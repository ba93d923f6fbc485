// Closes the control volumes of boundary nodes with the halves of the boundary edges:
// far-field and wall fluxes with their diagonal blocks, viscous stress terms, and the
// momentum damping of no-slip walls. As a method option, the far field adds the compressible
// point vortex of the walls' lift to the free stream.
#include <cmath>
#include <numbers>

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

// Roe flux of the state pair (left, right) through the half-edge of node `own`, into its
// residual and diagonal block. The pair is both the flux pair and the linearisation pair.
void addHalfEdgeFlux(SolverState& state, int own, const Vec4& left, const Vec4& right, double nx,
                     double ny, double gamma) {
    Vec4 flux{};
    Block4 jacLeft{};
    Block4 jacRight{};
    kernels::roeFlux<true>(flux.data(), jacLeft, jacRight, left.data(), right.data(), left.data(),
                           right.data(), nx, ny, gamma);
    double* residual = &state.residual[4 * static_cast<std::size_t>(own)];
    for (int c = 0; c < 4; ++c) residual[c] += 0.5 * flux[c];
    double* block = &state.diagBlocks[16 * static_cast<std::size_t>(own)];
    for (int m = 0; m < 16; ++m) block[m] += 0.5 * jacLeft[m];
}

// Far-field half-edge of node `own`: its own state against `outside`.
void addFarFieldHalfEdge(SolverState& state, int own, const Vec4& outside, double nx, double ny,
                         double gamma) {
    const double* ownState = &state.state[4 * static_cast<std::size_t>(own)];
    const Vec4 left{ownState[0], ownState[1], ownState[2], ownState[3]};
    addHalfEdgeFlux(state, own, left, outside, nx, ny, gamma);
}

// Wall half-edge of node `own`: the wall state on both sides.
void addWallHalfEdge(SolverState& state, int own, int other, double nx, double ny,
                     double lengthSquared, double gamma) {
    Vec4 left{};
    wallState(left, &state.state[4 * static_cast<std::size_t>(own)],
              &state.state[4 * static_cast<std::size_t>(other)], nx, ny, lengthSquared);
    const Vec4 right = left;
    addHalfEdgeFlux(state, own, left, right, nx, ny, gamma);
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

// The state outside a far-field node: the free stream plus the velocity of a point vortex of
// the state's circulation, stretched by the Prandtl-Glauert factor beta = sqrt(1 - M^2):
// du = G beta / (2 pi) dy / (r^2 - M^2 c^2), dv = -G beta / (2 pi) dx / (r^2 - M^2 c^2), with
// (dx, dy) from the vortex centre, r^2 = dx^2 + dy^2 and c = dy cos(alpha) - dx sin(alpha);
// density and pressure from the free stream's total enthalpy and entropy.
Vec4 vortexFarState(const SolverState& state, const SolverSettings& settings, int node) {
    const Vec4 freeStream = freeStreamState(settings);
    const double mach = settings.mach;
    const double gamma = settings.gamma;
    const double dx = state.coords[2 * static_cast<std::size_t>(node)] - state.method.vortexX;
    const double dy = state.coords[2 * static_cast<std::size_t>(node) + 1] - state.method.vortexY;
    const double cross = dy * std::cos(settings.alpha) - dx * std::sin(settings.alpha);
    const double stretched = (dx * dx + dy * dy) - mach * mach * (cross * cross);
    const double strength = state.method.circulation * std::sqrt(1.0 - mach * mach) /
                            (2.0 * std::numbers::pi) / stretched;
    const double u = freeStream[1] + strength * dy;
    const double v = freeStream[2] - strength * dx;
    const double speedSquared = u * u + v * v;
    const double soundSquared = 1.0 + 0.5 * (gamma - 1.0) * (mach * mach - speedSquared);
    // Beside the vortex's core no state has that speed: the free stream stands in there.
    if (!(soundSquared > 0.0) || !std::isfinite(soundSquared)) return freeStream;
    const double rho = std::pow(soundSquared, 1.0 / (gamma - 1.0));
    const double p = rho * soundSquared / gamma;
    return {rho, rho * u, rho * v, p / (gamma - 1.0) + 0.5 * rho * speedSquared};
}

void applyBoundaryConditions(SolverState& state, const SolverSettings& settings) {
    const double gamma = settings.gamma;
    const bool viscousOn = !(settings.viscous == 0.0);
    // The free stream follows the settings of this evaluation.
    const Vec4 freeStream = freeStreamState(settings);
    // Without circulation the vortex adds nothing: the far field is the free stream exactly.
    const bool vortex = settings.method.vortexFarField == 1 && state.method.circulation != 0.0;

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
        switch (kindOfTag(state, edge[2])) {
            case Farfield:
                if (vortex) {
                    addFarFieldHalfEdge(state, p, vortexFarState(state, settings, p), nx, ny, gamma);
                    addFarFieldHalfEdge(state, q, vortexFarState(state, settings, q), nx, ny, gamma);
                } else {
                    addFarFieldHalfEdge(state, p, freeStream, nx, ny, gamma);
                    addFarFieldHalfEdge(state, q, freeStream, nx, ny, gamma);
                }
                break;
            case SlipWall:
            case NoSlipWall:
                addWallHalfEdge(state, p, q, nx, ny, lengthSquared, gamma);
                addWallHalfEdge(state, q, p, nx, ny, lengthSquared, gamma);
                break;
        }

        if (viscousOn) {
            addViscousHalfEdge(state, p, nx, ny, settings.reynolds);
            addViscousHalfEdge(state, q, nx, ny, settings.reynolds);
        }
    }

    // No-slip walls: damp the momentum once per wall edge a node lies on.
    for (int e = 0; e < state.boundaryEdgeCount; ++e) {
        const int* edge = &state.boundaryEdges[3 * static_cast<std::size_t>(e)];
        if (!dampsMomentum(kindOfTag(state, edge[2]))) continue;
        for (int k = 0; k < 2; ++k) {
            double* node = &state.state[4 * static_cast<std::size_t>(edge[k])];
            node[1] *= 0.9;
            node[2] *= 0.9;
        }
    }
}

}  // namespace kestrafol
