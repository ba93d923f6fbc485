// Min/max limiter: one factor per node and variable that keeps every reconstructed face value
// of the node inside the range of the nodal values around it; scales `gradients` in place.
// As a method option, a differentiable limiter instead (scalar loop on every path).
#include <cmath>

#include "flux/edge_kernels.h"
#include "flux/flux.h"

namespace kestrafol {

namespace {

// The differentiable limiter of one face: allowed change `room` (on the side the face value
// moves to), the gradient part `change` of the face value, threshold `eps2`. With eps2 = 0 it
// keeps the face value inside the bound; eps2 > 0 lets changes small against sqrt(eps2)
// through unlimited, so smooth extrema are not clipped. Never above 1.
double smoothFactor(double room, double change, double eps2) {
    const double roomSquared = room * room;
    const double changeSquared = change * change;
    const double factor = ((roomSquared + eps2) * change + 2.0 * changeSquared * room) /
                          (change * (roomSquared + 2.0 * changeSquared + room * change + eps2));
    return factor < 1.0 ? factor : 1.0;
}

// The limiter's node loop, shared by both limiters: per node and variable the smallest factor
// `faceFactor(node, gradientPart, centralPart, un, umax, umin, phi)` lowers phi to over the faces
// towards the node's neighbours (phi starts at 1), clipped at 0, then the gradients scaled by it.
// The face value is predicted exactly as the edge reconstruction does it: gradient part
// (1 - w)(gy hy + gx hx), central part dU w/2.
template <typename FaceFactor>
void limitNodes(SolverState& state, const SolverSettings& settings, FaceFactor faceFactor) {
    const double w = settings.reconstructionWeight;
    const double* const coords = state.coords.data();
    const double* const u = state.state.data();
    const int* const adjacency = state.adjacency.data();
    const int* const rowStart = state.adjacencyStart.data();
    double* const gradients = state.gradients.data();
    double* const limiter = state.limiter.data();

    for (int n = 0; n < state.nodeCount; ++n) {
        const double* const un = u + 4 * n;
        double* const g = gradients + 8 * n;
        // Kept in registers and stored once per node.
        double phi[4] = {1.0, 1.0, 1.0, 1.0};
        const double xn = coords[2 * n];
        const double yn = coords[2 * n + 1];

        // Bounds: the node's own value and those of all its neighbours.
        Vec4 umax{un[0], un[1], un[2], un[3]};
        Vec4 umin = umax;
        for (int s = rowStart[n]; s < rowStart[n + 1]; ++s) {
            const double* const um = u + 4 * adjacency[s];
            for (int k = 0; k < 4; ++k) {
                if (um[k] > umax[k]) umax[k] = um[k];
                if (um[k] < umin[k]) umin[k] = um[k];
            }
        }

        for (int s = rowStart[n]; s < rowStart[n + 1]; ++s) {
            const int m = adjacency[s];
            const double* const um = u + 4 * m;
            const double hx = (coords[2 * m] - xn) * 0.5;
            const double hy = 0.5 * (coords[2 * m + 1] - yn);
            for (int k = 0; k < 4; ++k) {
                const double gradientPart = (1.0 - w) * (g[4 + k] * hy + g[k] * hx);
                const double centralPart = (um[k] - un[k]) * (w * 0.5);
                faceFactor(n, gradientPart, centralPart, un[k], umax[k], umin[k], phi[k]);
            }
        }

        for (int k = 0; k < 4; ++k) {
            if (phi[k] < 0.0) phi[k] = 0.0;
            g[k] *= phi[k];
            g[4 + k] *= phi[k];
            limiter[4 * n + k] = phi[k];
        }
    }
}

}  // namespace

void computeLimiter(SolverState& state, const SolverSettings& settings) {
    if (settings.method.limiter == 1) {
        // The differentiable limiter: the threshold (K h)^3, h the square root of the node's
        // dual area.
        const double threshold = settings.method.limiterThreshold;
        limitNodes(
            state, settings,
            [&, node = -1, eps2 = 0.0](int n, double gradientPart, double centralPart, double un,
                                       double umax, double umin, double& phi) mutable {
                if (n != node) {  // once per node
                    node = n;
                    const double scaled =
                        threshold * std::sqrt(state.dualArea[static_cast<std::size_t>(n)]);
                    eps2 = scaled * scaled * scaled;
                }
                double factor = 1.0;
                if (gradientPart > 0.0)
                    factor = smoothFactor(umax - un - centralPart, gradientPart, eps2);
                else if (gradientPart < 0.0)
                    factor = smoothFactor(umin - un - centralPart, gradientPart, eps2);
                if (factor < phi) phi = factor;
            });
        return;
    }
    if (kernelPath() == KernelPath::Avx2) {
        computeLimiterAvx2(state, settings);
        return;
    }
    // Lower the factor until the gradient part brings the face value onto the bound.
    limitNodes(state, settings,
               [](int, double gradientPart, double centralPart, double un, double umax, double umin,
                  double& phi) {
                   const double predicted = gradientPart + (un + centralPart);
                   if (umax < predicted) {
                       const double ratio = (umax - un - centralPart) / gradientPart;
                       if (ratio < phi) phi = ratio;
                   }
                   if (umin > predicted) {
                       const double ratio = (umin - un - centralPart) / gradientPart;
                       if (ratio < phi) phi = ratio;
                   }
               });
}

}  // namespace kestrafol
