// Least-squares gradient of one nodal scalar, the same fit as computeGradients.
#include <cmath>

#include "flux/flux.h"

namespace kestrafol {

void scalarGradient(SolverState& state, const double* values, double* out) {
    const double* const coords = state.coords.data();
    const double* const weights = state.lsqWeights.data();
    const int* const adjacency = state.adjacency.data();
    const int* const rowStart = state.adjacencyStart.data();

    for (int n = 0; n < state.nodeCount; ++n) {
        double gx = 0.0;
        double gy = 0.0;
        const double xn = coords[2 * n];
        const double yn = coords[2 * n + 1];
        for (int s = rowStart[n]; s < rowStart[n + 1]; ++s) {
            const int m = adjacency[s];
            const double dx = coords[2 * m] - xn;
            const double dy = coords[2 * m + 1] - yn;
            // r = 1/|x_m - x_n|
            const double d = std::sqrt(dy * dy + dx * dx);
            const double r = 1.0 / d;
            const double delta = values[m] - values[n];
            gx += (weights[2 * s] * delta) * r;
            gy += (delta * weights[2 * s + 1]) * r;
        }
        out[2 * n] = gx;
        out[2 * n + 1] = gy;
    }
}

}  // namespace kestrafol
