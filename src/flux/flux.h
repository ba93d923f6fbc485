#pragma once
// Spatial discretisation: gradients and limiter, Roe flux, interior and boundary residual,
// viscous fluxes.
#include "base/solver_state.h"
#include "base/settings.h"

namespace kestrafol {

// Least-squares gradients of the four conserved variables into `gradients`.
void computeGradients(SolverState& state);

// Least-squares gradient of one nodal scalar: out gets (d/dx, d/dy) per node.
void scalarGradient(SolverState& state, const double* values, double* out);

// Min/max limiter factors into `limiter`; scales `gradients` in place.
void computeLimiter(SolverState& state, const SolverSettings& settings);

// Inviscid fluxes of every edge's dual face: added into the residual and the diagonal blocks,
// while every off-diagonal block, which gets exactly one contribution, is stored as 0 + that
// contribution (what clearing offDiagBlocks first and then adding gives), so the caller need
// not clear the off-diagonal blocks.
void assembleInteriorFluxesOverwrite(SolverState& state, const SolverSettings& settings);

// Far-field and wall half-edges, viscous half-edge terms, no-slip momentum damping.
void applyBoundaryConditions(SolverState& state, const SolverSettings& settings);

// The far-field state outside `node` with the point vortex of state.method (circulation and
// centre) added to the free stream of `settings` (subsonic Mach numbers).
Vec4 vortexFarState(const SolverState& state, const SolverSettings& settings, int node);

// Negative laminar viscous flux through one dual face, times 1/Re. Returns viscousFlux.
double* viscousFaceFlux(double* viscousFlux, const double* velocityFirst,
                        const double* velocitySecond, const double* gradFirst,
                        const double* gradSecond, double dx, double dy, double nx, double ny,
                        double inverseReynolds);

// Viscous fluxes of every edge into the residual.
void assembleViscousFluxes(SolverState& state, const SolverSettings& settings);

}  // namespace kestrafol
