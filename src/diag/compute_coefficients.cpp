// Lift, drag and their ratio from the wall pressures, and the L1 norm of the residual.
#include <cmath>

#include "base/physics.h"
#include "diag/diag.h"

namespace kestrafol {

namespace {

double nodePressure(const SolverState& state, int node, double gamma) {
    const double* q = &state.state[4 * static_cast<std::size_t>(node)];
    return pressureFromVelocity(q[0], q[1] / q[0], q[2] / q[0], q[3], gamma);
}

}  // namespace

double residualNorm(const SolverState& state) {
    double norm = 0.0;
    const std::size_t entries = 4 * static_cast<std::size_t>(state.nodeCount);
    for (std::size_t k = 0; k < entries; ++k) {
        const double r = state.residual[k];
        if (r > 0.0)
            norm = norm + r;
        else
            norm = norm - r;
    }
    return norm;
}

std::array<double, 5> computeCoefficients(const SolverState& state,
                                          const SolverSettings& settings) {
    const double gamma = settings.gamma;

    // Pressure force of the flow on every wall edge, half an edge per node.
    double fx = 0.0;
    double fy = 0.0;
    for (int e = 0; e < state.boundaryEdgeCount; ++e) {
        const int* edge = &state.boundaryEdges[3 * static_cast<std::size_t>(e)];
        const int tag = edge[2];
        if (roleOf(kindOfTag(state, tag)) != BoundaryRole::Wall) continue;
        const int a = edge[0];
        const int b = edge[1];
        const double pa = nodePressure(state, a, gamma);
        const double pb = nodePressure(state, b, gamma);
        const double xa = state.coords[2 * static_cast<std::size_t>(a)];
        const double ya = state.coords[2 * static_cast<std::size_t>(a) + 1];
        const double xb = state.coords[2 * static_cast<std::size_t>(b)];
        const double yb = state.coords[2 * static_cast<std::size_t>(b) + 1];
        const double halfNx = 0.5 * (yb - ya);
        const double halfNy = 0.5 * (xa - xb);
        fy = fy + halfNy * pa;
        fx = fx + pa * halfNx;
        fx = pb * halfNx + fx;
        fy = fy + halfNy * pb;
    }

    const double alpha = settings.alpha;
    const double lift = std::cos(alpha) * fy - std::sin(alpha) * fx;
    const double drag = std::sin(alpha) * fy + std::cos(alpha) * fx;

    const double norm = residualNorm(state);

    const double q = (0.5 * settings.mach) * settings.mach;
    // Element 0 carries no quantity; it is reported as 0.
    return {0.0, norm, lift / q, drag / q, lift / drag};
}

}  // namespace kestrafol
