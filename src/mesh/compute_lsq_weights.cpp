#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "mesh/mesh.h"

namespace kestrafol {

namespace {

void allocateIfAbsent(std::vector<double>& array, std::size_t size) {
    if (array.empty()) array.assign(size, 0.0);
}

}  // namespace

// Inverse-distance-weighted least-squares weights, one (wx, wy) pair per adjacency slot, so
// that a nodal gradient is the sum over the row of ((f[j] - f[i]) / d) * (wx, wy). The 2x2
// normal equations are solved by elimination, written out per neighbour. Also provides the
// per-node gradient work arrays when the state does not hold them yet.
void computeLsqWeights(SolverState& state) {
    const int n = std::max(state.nodeCount, 0);
    const std::size_t nodes = static_cast<std::size_t>(n);
    allocateIfAbsent(state.lsqWeights, 2 * static_cast<std::size_t>(state.adjacencyStart[n]));
    allocateIfAbsent(state.gradients, 8 * nodes);
    allocateIfAbsent(state.velocityGradX, 2 * nodes);
    allocateIfAbsent(state.velocityGradY, 2 * nodes);
    allocateIfAbsent(state.scalarWork, nodes);
    allocateIfAbsent(state.limiter, 4 * nodes);

    const double* xy = state.coords.data();
    const int* start = state.adjacencyStart.data();
    const int* adj = state.adjacency.data();
    double* weights = state.lsqWeights.data();

    for (int i = 0; i < n; ++i) {
        const double xi = xy[2 * i];
        const double yi = xy[2 * i + 1];
        double sxx = 0;
        double sxy = 0;
        double syy = 0;
        for (int k = start[i]; k < start[i + 1]; ++k) {
            const int j = adj[k];
            const double dx = xy[2 * j] - xi;
            const double dy = xy[2 * j + 1] - yi;
            const double d = std::sqrt(dx * dx + dy * dy);
            const double s = 1 / d;
            const double ax = s * dx;
            const double ay = s * dy;
            sxx += ax * ax;
            sxy += ax * ay;
            syy += ay * ay;
        }
        if (start[i] == start[i + 1]) continue;

        const double r = sxy / sxx;
        const double det = syy - (sxy * sxy) / sxx;
        for (int k = start[i]; k < start[i + 1]; ++k) {
            const int j = adj[k];
            const double dx = xy[2 * j] - xi;
            const double dy = xy[2 * j + 1] - yi;
            const double d = std::sqrt(dx * dx + dy * dy);
            const double s = 1 / d;
            const double ax = s * dx;
            const double ay = s * dy;
            const double wy = (ay - r * ax) / det;
            const double wx = (ax - sxy * wy) / sxx;
            weights[2 * k] = wx;
            weights[2 * k + 1] = wy;
        }
    }
}

}  // namespace kestrafol
