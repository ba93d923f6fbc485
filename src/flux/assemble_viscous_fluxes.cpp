// Laminar viscous fluxes of every edge's dual face, scattered into the residual like the
// inviscid edge flux (added to the first node, subtracted from the second).
#include "flux/flux.h"

namespace kestrafol {

void assembleViscousFluxes(SolverState& state, const SolverSettings& settings) {
    const double inverseReynolds = 1.0 / settings.reynolds;
    const double* const coords = state.coords.data();
    const double* const u = state.state.data();
    const double* const gradX = state.velocityGradX.data();
    const double* const gradY = state.velocityGradY.data();
    const double* const normals = state.faceNormals.data();
    const int* const edges = state.edges.data();
    double* const residual = state.residual.data();

    for (int e = 0; e < state.edgeCount; ++e) {
        const int a = edges[2 * e];
        const int b = edges[2 * e + 1];
        const double velocityA[2] = {u[4 * a + 1] / u[4 * a], u[4 * a + 2] / u[4 * a]};
        const double velocityB[2] = {u[4 * b + 1] / u[4 * b], u[4 * b + 2] / u[4 * b]};
        const double gradA[4] = {gradX[2 * a], gradX[2 * a + 1], gradY[2 * a], gradY[2 * a + 1]};
        const double gradB[4] = {gradX[2 * b], gradX[2 * b + 1], gradY[2 * b], gradY[2 * b + 1]};
        const double dx = coords[2 * b] - coords[2 * a];
        const double dy = coords[2 * b + 1] - coords[2 * a + 1];

        Vec4 viscousFlux;
        viscousFaceFlux(viscousFlux.data(), velocityA, velocityB, gradA, gradB, dx, dy,
                        normals[2 * e], normals[2 * e + 1], inverseReynolds);
        for (int c = 0; c < 4; ++c) {
            residual[4 * a + c] += viscousFlux[c];
            residual[4 * b + c] -= viscousFlux[c];
        }
    }
}

}  // namespace kestrafol
