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

// Negative-wave part of the Roe matrix for a unit normal: R diag(min(lambda, 0)) L.
void roeDissipation(Block4& negJacobian, const double* stateLeft, const double* stateRight,
                    double unitNx, double unitNy, double gamma);

// Upwind flux F(UL).n + A-(UR - UL) times |n|, and its first-order Jacobians at the lin pair.
void roeFlux(double* flux, Block4& jacLeft, Block4& jacRight, const double* stateLeft,
             const double* stateRight, const double* linStateLeft, const double* linStateRight,
             double nx, double ny, double gamma);

// Inviscid fluxes of every edge's dual face into residual and blocks.
void assembleInteriorFluxes(SolverState& state, const SolverSettings& settings);

// assembleInteriorFluxes on blocks that were not cleared: stores every off-diagonal block as
// 0 + its one contribution, exactly what clearing offDiagBlocks first and then adding gives.
void assembleInteriorFluxesOverwrite(SolverState& state, const SolverSettings& settings);

// Far-field and wall half-edges, viscous half-edge terms, no-slip momentum damping.
void applyBoundaryConditions(SolverState& state, const SolverSettings& settings);

// Negative laminar viscous flux through one dual face, times 1/Re. Returns viscousFlux.
double* viscousFaceFlux(double* viscousFlux, const double* velocityFirst,
                        const double* velocitySecond, const double* gradFirst,
                        const double* gradSecond, double dx, double dy, double nx, double ny,
                        double inverseReynolds);

// Viscous fluxes of every edge into the residual.
void assembleViscousFluxes(SolverState& state, const SolverSettings& settings);

}  // namespace kestrafol
