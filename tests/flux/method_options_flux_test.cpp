// The differentiable limiter on manufactured fields and the far-field vortex against the
// potential of a compressible point vortex.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/physics.h"
#include "flux/flux.h"
#include "support/test_meshes.h"

namespace kestrafol {
namespace {

using testing::makeParameters;
using testing::makeRectangle;
using testing::makeSolver;

// A second-order solver on a 24 x 24 mesh of the unit square, its state set by `field`.
template <class Field>
SolverRecords squareWith(Field field) {
    SolverRecords r = makeSolver(makeRectangle(24, 24), makeParameters(0.5, 0.0, 2));
    SolverState& s = *r.state;
    for (int n = 0; n < s.nodeCount; ++n)
        for (int k = 0; k < 4; ++k)
            s.state[4 * n + k] = field(s.coords[2 * n], s.coords[2 * n + 1], k);
    computeGradients(s);
    return r;
}

// The smallest limiter factor of any node and variable after computeLimiter.
double smallestFactor(SolverRecords& r, int limiter) {
    r.settings->method.limiter = limiter;
    computeGradients(*r.state);
    computeLimiter(*r.state, *r.settings);
    return *std::min_element(r.state->limiter.begin(), r.state->limiter.end());
}

TEST(SmoothLimiter, WithoutThresholdEveryFaceValueStaysInsideItsNeighbourhood) {
    // A rough field with a jump: the limited reconstruction towards every neighbour stays
    // within the node's range, for the upwind and the blended reconstruction.
    for (double w : {0.0, 0.5}) {
        SolverRecords r = squareWith([](double x, double y, int k) {
            return (x < 0.43 ? 1.0 : 0.2) + 0.1 * std::sin(37.0 * x * y + k) + k;
        });
        SolverState& s = *r.state;
        r.settings->reconstructionWeight = w;
        r.settings->method.limiter = 1;
        r.settings->method.limiterThreshold = 0.0;
        computeLimiter(s, *r.settings);
        double worst = 0.0;
        for (int n = 0; n < s.nodeCount; ++n)
            for (int k = 0; k < 4; ++k) {
                double lo = s.state[4 * n + k], hi = lo;
                for (int a = s.adjacencyStart[n]; a < s.adjacencyStart[n + 1]; ++a) {
                    lo = std::min(lo, s.state[4 * s.adjacency[a] + k]);
                    hi = std::max(hi, s.state[4 * s.adjacency[a] + k]);
                }
                EXPECT_GE(s.limiter[4 * n + k], 0.0);
                EXPECT_LE(s.limiter[4 * n + k], 1.0);
                for (int a = s.adjacencyStart[n]; a < s.adjacencyStart[n + 1]; ++a) {
                    const int m = s.adjacency[a];
                    const double hx = 0.5 * (s.coords[2 * m] - s.coords[2 * n]);
                    const double hy = 0.5 * (s.coords[2 * m + 1] - s.coords[2 * n + 1]);
                    const double face =
                        s.state[4 * n + k] + (s.state[4 * m + k] - s.state[4 * n + k]) * w * 0.5 +
                        (1.0 - w) * (s.gradients[8 * n + k] * hx + s.gradients[8 * n + 4 + k] * hy);
                    worst = std::max({worst, face - hi, lo - face});
                }
            }
        EXPECT_LE(worst, 1e-14) << "weight " << w;
    }
}

TEST(SmoothLimiter, LeavesSmoothExtremaAndLinearFieldsAloneWhereMinMaxClips) {
    // A smooth hump with its peak at (0.5, 0.5): min/max flattens it at the peak (factor 0 at
    // some node), the differentiable limiter with the usual threshold hardly touches it.
    SolverRecords hump = squareWith([](double x, double y, int k) {
        return 1.0 + k + 0.05 * std::cos(2.0 * std::numbers::pi * (x - 0.5)) *
                             std::cos(2.0 * std::numbers::pi * (y - 0.5));
    });
    EXPECT_LT(smallestFactor(hump, 0), 0.2);
    EXPECT_GT(smallestFactor(hump, 1), 0.99);
    // A linear field is reconstructed exactly on interior nodes by both (factor 1 there).
    SolverRecords linear =
        squareWith([](double x, double y, int k) { return 1.0 + k + 0.3 * x - 0.2 * y; });
    SolverState& s = *linear.state;
    linear.settings->method.limiter = 1;
    linear.settings->method.limiterThreshold = 0.0;
    computeLimiter(s, *linear.settings);
    const int interior = 12 * 25 + 12;  // the node at (i, j) = (12, 12)
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(s.limiter[4 * interior + k], 1.0, 1e-12) << k;
}

TEST(VortexFarField, MatchesTheCompressiblePointVortexAndKeepsEnthalpyAndEntropy) {
    // The velocity against the gradient of phi = -G/(2 pi) atan2(beta eta, xi), (xi, eta) the
    // coordinates along and across the free stream from the centre, taken by central
    // differences; total enthalpy and entropy those of the free stream.
    for (double mach : {0.2, 0.5, 0.8}) {
        SolverRecords r = makeSolver(makeRectangle(6, 5, 40.0, 30.0),
                                     makeParameters(mach, 4.0, 2));
        SolverState& s = *r.state;
        const SolverSettings& settings = *r.settings;
        s.method.circulation = 0.7;
        s.method.vortexX = 13.0;
        s.method.vortexY = 11.0;
        const double beta = std::sqrt(1.0 - mach * mach);
        const double ca = std::cos(settings.alpha), sa = std::sin(settings.alpha);
        auto phi = [&](double x, double y) {
            const double dx = x - 13.0, dy = y - 11.0;
            return -0.7 / (2.0 * std::numbers::pi) *
                   std::atan2(beta * (dy * ca - dx * sa), dx * ca + dy * sa);
        };
        const double h = 1e-5;
        for (int n = 0; n < s.nodeCount; ++n) {
            const double x = s.coords[2 * n], y = s.coords[2 * n + 1];
            if (std::hypot(x - 13.0, y - 11.0) < 5.0) continue;
            const Vec4 w = vortexFarState(s, settings, n);
            const double u = w[1] / w[0], v = w[2] / w[0];
            EXPECT_NEAR(u - mach * ca, (phi(x + h, y) - phi(x - h, y)) / (2 * h), 1e-9) << n;
            EXPECT_NEAR(v - mach * sa, (phi(x, y + h) - phi(x, y - h)) / (2 * h), 1e-9) << n;
            const double p = pressureFromVelocity(w[0], u, v, w[3], 1.4);
            EXPECT_NEAR(p / std::pow(w[0], 1.4), 1.0 / 1.4, 1e-14) << n;
            EXPECT_NEAR((w[3] + p) / w[0], 1.0 / 0.4 + 0.5 * mach * mach, 1e-13) << n;
        }
    }
}

}  // namespace
}  // namespace kestrafol
