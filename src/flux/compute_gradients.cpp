// Least-squares gradients of the four conserved variables at every node.
#include <cmath>

#include "flux/flux.h"

namespace kestrafol {

// Each neighbour difference enters through the slot's geometric weights and is divided by the
// distance to that neighbour here (the weights do not hold the 1/d factor).
void computeGradients(SolverState& state) {
    const double* const coords = state.coords.data();
    const double* const u = state.state.data();
    const double* const weights = state.lsqWeights.data();
    const int* const adjacency = state.adjacency.data();
    const int* const rowStart = state.adjacencyStart.data();
    double* const gradients = state.gradients.data();

    for (int n = 0; n < state.nodeCount; ++n) {
        // The sums build up in registers and are stored once per node.
        double g[8] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
        const double xn = coords[2 * n];
        const double yn = coords[2 * n + 1];
        const double* const un = u + 4 * n;
        for (int s = rowStart[n]; s < rowStart[n + 1]; ++s) {
            const int m = adjacency[s];
            const double dx = coords[2 * m] - xn;
            const double dy = coords[2 * m + 1] - yn;
            // d = |x_m - x_n|, r = 1/d
            const double d = std::sqrt(dy * dy + dx * dx);
            const double r = 1.0 / d;
            const double wx = weights[2 * s];
            const double wy = weights[2 * s + 1];
            const double* const um = u + 4 * m;
            for (int k = 0; k < 4; ++k) {
                const double delta = um[k] - un[k];
                g[k] += (wx * delta) * r;
                g[4 + k] += (delta * wy) * r;
            }
        }
        for (int k = 0; k < 8; ++k) gradients[8 * n + k] = g[k];
    }
}

}  // namespace kestrafol
