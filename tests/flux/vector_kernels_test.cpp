// The AVX2 edge kernels against the scalar ones, bit for bit: on random independent edges
// (ordinary states, pressures under the floor, waves with a zero eigenvalue, clipped
// reconstructions, NaN, infinities, signed zeros, zero-length normals), and on whole meshes,
// where the vector loops must also add every contribution in the scalar edge order.
// Skipped on a processor without AVX2.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "solver/iterate_cycle.h"
#include "base/kernel_path.h"
#include "flux/flux.h"
#include "helpers/edge_samples.h"
#include "support/test_meshes.h"
#include "time/time.h"

namespace kestrafol {
namespace {

using testing::EdgeResult;
using testing::EdgeSample;
using testing::edgeFluxesAvx2;
using testing::edgeFluxesScalar;
using testing::makeCircle;
using testing::makeParameters;
using testing::makeSolver;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Selects a path for one test and restores the previous one afterwards.
class PathGuard {
public:
    explicit PathGuard(KernelPath path) : previous_(kernelPath()), ok_(selectKernelPath(path)) {}
    ~PathGuard() { selectKernelPath(previous_); }
    bool ok() const { return ok_; }

private:
    KernelPath previous_;
    bool ok_;
};

#define REQUIRE_AVX2() \
    if (bestKernelPath() != KernelPath::Avx2) GTEST_SKIP() << "no AVX2 here"

// Same bits, or both NaN (the payload of a NaN depends on which operand the compiler puts
// first in a commutative operation, in the scalar code as much as in the vector code).
bool same(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    std::uint64_t x, y;
    std::memcpy(&x, &a, 8);
    std::memcpy(&y, &b, 8);
    return x == y;
}

// Counts entries whose bits differ and describes the first.
struct Differences {
    long count = 0;
    std::string first;
    void compare(const double* a, const double* b, int n, const std::string& what) {
        for (int i = 0; i < n; ++i) {
            if (same(a[i], b[i])) continue;
            if (count++ == 0)
                first = what + "[" + std::to_string(i) + "]: scalar " + std::to_string(a[i]) +
                        ", vector " + std::to_string(b[i]);
        }
    }
};

// Random edges of every kind the kernels branch on.
class SampleGenerator {
public:
    explicit SampleGenerator(unsigned seed) : rng_(seed) {}

    EdgeSample next() {
        EdgeSample s{};
        const int kind = pick(10);
        const double rho = uniform(0.05, 3.0), rho2 = uniform(0.05, 3.0);
        double u1 = uniform(-2.0, 2.0), v1 = uniform(-2.0, 2.0);
        double u2 = uniform(-2.0, 2.0), v2 = uniform(-2.0, 2.0);
        // Pressures from 0.01: a fifth of them below the floor of 0.05.
        const double p1 = uniform(0.01, 0.25) * (pick(2) ? 1.0 : 20.0);
        const double p2 = uniform(0.01, 0.25) * (pick(2) ? 1.0 : 20.0);
        if (kind == 0) u1 = v1 = u2 = v2 = 0.0;  // fluid at rest: the Vn waves are zero
        s.first = conserved(rho, u1, v1, p1);
        s.second = kind == 1 ? s.first : conserved(rho2, u2, v2, p2);  // equal states
        const double scale = kind == 2 ? 50.0 : 1.0;  // steep gradients: clipped faces
        for (int k = 0; k < 8; ++k) {
            s.gradFirst[k] = scale * uniform(-1.0, 1.0);
            s.gradSecond[k] = scale * uniform(-1.0, 1.0);
        }
        s.xyFirst[0] = uniform(-1.0, 1.0);
        s.xyFirst[1] = uniform(-1.0, 1.0);
        s.xySecond[0] = s.xyFirst[0] + uniform(-0.2, 0.2);
        s.xySecond[1] = s.xyFirst[1] + uniform(-0.2, 0.2);
        s.nx = uniform(-0.3, 0.3);
        s.ny = uniform(-0.3, 0.3);
        if (kind == 3) {
            // Velocity along the face: Vn = 0 exactly for the nodal states.
            s.first = conserved(rho, u1, 0.0, p1);
            s.second = conserved(rho2, u2, 0.0, p2);
            s.nx = 0.0;
        }
        if (kind == 4) s.nx = s.ny = 0.0;  // zero-length face
        if (kind >= 7) {
            // One to three entries replaced by a special value.
            const int count = 1 + pick(3);
            for (int c = 0; c < count; ++c) *entry(s, pick(30)) = special();
        }
        return s;
    }

private:
    double uniform(double a, double b) {
        return std::uniform_real_distribution<double>(a, b)(rng_);
    }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    static Vec4 conserved(double rho, double u, double v, double p) {
        return {rho, rho * u, rho * v, p / 0.4 + 0.5 * rho * (u * u + v * v)};
    }

    double special() {
        const double values[] = {kNaN, kInf, -kInf, 0.0, -0.0, -1.0, 1e-310, 1e300};
        return values[pick(8)];
    }

    static double* entry(EdgeSample& s, int i) {
        if (i < 4) return &s.first[i];
        if (i < 8) return &s.second[i - 4];
        if (i < 16) return &s.gradFirst[i - 8];
        if (i < 24) return &s.gradSecond[i - 16];
        if (i < 26) return &s.xyFirst[i - 24];
        if (i < 28) return &s.xySecond[i - 26];
        return i == 28 ? &s.nx : &s.ny;
    }

    std::mt19937_64 rng_;
};

// Edges per order and weight; a script may ask for more through the environment.
long sampleCount() {
    const char* text = std::getenv("KESTRAFOL_TEST_EDGE_SAMPLES");
    return text ? std::atol(text) : 40000;
}

TEST(VectorKernels, RandomEdgesGiveTheScalarBits) {
    REQUIRE_AVX2();
    const long total = sampleCount();
    constexpr int batch = 4099;  // not a multiple of four: every batch ends in a partial group
    std::vector<EdgeSample> samples(batch);
    std::vector<EdgeResult> scalar(batch), vector(batch);
    for (const int order : {1, 2}) {
        for (const double weight : {0.0, 0.5, 1.0}) {
            SolverSettings settings;
            settings.spatialOrder = order;
            settings.reconstructionWeight = weight;
            settings.gamma = 1.4;
            SampleGenerator gen(17u * static_cast<unsigned>(order) +
                                static_cast<unsigned>(weight * 4));
            Differences diff;
            long nonFinite = 0;
            for (long done = 0; done < total; done += batch) {
                for (EdgeSample& s : samples) s = gen.next();
                edgeFluxesScalar(samples.data(), scalar.data(), batch, settings);
                edgeFluxesAvx2(samples.data(), vector.data(), batch, settings);
                for (int e = 0; e < batch; ++e) {
                    diff.compare(scalar[e].flux.data(), vector[e].flux.data(), 4, "flux");
                    diff.compare(scalar[e].jacLeft.data(), vector[e].jacLeft.data(), 16, "jacLeft");
                    diff.compare(scalar[e].jacRight.data(), vector[e].jacRight.data(), 16,
                                 "jacRight");
                    if (!std::isfinite(scalar[e].flux[3])) ++nonFinite;
                }
            }
            EXPECT_EQ(diff.count, 0)
                << "order " << order << ", weight " << weight << ": " << diff.first;
            // The special inputs must have reached the kernels, and most edges stay finite.
            EXPECT_GT(nonFinite, total / 100);
            EXPECT_LT(nonFinite, total / 2);
        }
    }
}

TEST(VectorKernels, ComparisonSeesOneBit) {
    // The random comparison above would be worthless if the per-edge interface ignored its
    // input: one bit of one density changes the vector result.
    REQUIRE_AVX2();
    SolverSettings settings;
    settings.spatialOrder = 2;
    settings.reconstructionWeight = 0.5;
    SampleGenerator gen(3);
    EdgeSample samples[5];
    for (EdgeSample& s : samples) s = gen.next();
    samples[4] = EdgeSample{{1.0, 0.1, 0.2, 2.5}, {1.1, 0.0, 0.3, 2.6}, {},  {},
                            {0.0, 0.0},           {0.1, 0.0},           0.3, 0.1};
    EdgeResult before[5], after[5];
    edgeFluxesAvx2(samples, before, 5, settings);
    samples[4].first[0] = std::nextafter(1.0, 2.0);
    edgeFluxesAvx2(samples, after, 5, settings);
    Differences diff;
    diff.compare(before[4].flux.data(), after[4].flux.data(), 4, "flux");
    EXPECT_GT(diff.count, 0);
    for (int e = 0; e < 4; ++e) EXPECT_TRUE(same(before[e].flux[0], after[e].flux[0]));
}

// A warmed-up solver on an O-mesh whose state is then disturbed node by node (some pressures
// under the floor), with residual and blocks holding values that the assembly adds to.
SolverRecords disturbedSolver(int order, unsigned seed) {
    SolverRecords r = makeSolver(makeCircle(29, 11), makeParameters(0.6, 3.0, order));
    for (int k = 0; k < 3; ++k) iterateCycle(*r.state, *r.settings);
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> jitter(-0.3, 0.3);
    SolverState& s = *r.state;
    for (int n = 0; n < s.nodeCount; ++n) {
        double* q = &s.state[4 * n];
        for (int c = 0; c < 3; ++c) q[c] *= 1.0 + jitter(rng);
        if (n % 7 == 0) q[3] = 0.5 * (q[1] * q[1] + q[2] * q[2]) / q[0] + 0.01;  // p = 0.004
    }
    for (double& x : s.residual) x = jitter(rng);
    for (double& x : s.diagBlocks) x = jitter(rng);
    for (double& x : s.offDiagBlocks) x = jitter(rng);
    computeGradients(s);
    computeLimiter(s, *r.settings);
    return r;
}

void expectSameArrays(const std::vector<double>& a, const std::vector<double>& b,
                      const std::string& what) {
    ASSERT_EQ(a.size(), b.size());
    Differences diff;
    diff.compare(a.data(), b.data(), static_cast<int>(a.size()), what);
    EXPECT_EQ(diff.count, 0) << diff.first;
}

TEST(VectorKernels, MeshAssemblyAddsInScalarOrder) {
    REQUIRE_AVX2();
    for (const int order : {1, 2}) {
        SolverRecords scalar = disturbedSolver(order, 5);
        SolverRecords vector = disturbedSolver(order, 5);
        // The O-mesh has an edge count that leaves a partial group of four at the end.
        ASSERT_NE(scalar.state->edgeCount % 4, 0);
        {
            PathGuard guard(KernelPath::Scalar);
            assembleInteriorFluxesOverwrite(*scalar.state, *scalar.settings);
        }
        {
            PathGuard guard(KernelPath::Avx2);
            ASSERT_TRUE(guard.ok());
            assembleInteriorFluxesOverwrite(*vector.state, *vector.settings);
        }
        // Residual and diagonal blocks held values before: they show the order of the additions.
        const std::string label = "order " + std::to_string(order) + " ";
        expectSameArrays(scalar.state->residual, vector.state->residual, label + "residual");
        expectSameArrays(scalar.state->diagBlocks, vector.state->diagBlocks, label + "diag");
        expectSameArrays(scalar.state->offDiagBlocks, vector.state->offDiagBlocks,
                         label + "offdiag");
    }
}

TEST(VectorKernels, TimeStepsMatchIncludingNonFiniteStates) {
    REQUIRE_AVX2();
    SolverRecords scalar = disturbedSolver(2, 9);
    SolverRecords vector = disturbedSolver(2, 9);
    for (SolverRecords* r : {&scalar, &vector}) {
        // A node with infinite energy and one with NaN momentum poison their own radii.
        r->state->state[4 * 40 + 3] = kInf;
        r->state->state[4 * 77 + 1] = kNaN;
    }
    {
        PathGuard guard(KernelPath::Scalar);
        computeTimeSteps(*scalar.state, *scalar.settings);
    }
    {
        PathGuard guard(KernelPath::Avx2);
        computeTimeSteps(*vector.state, *vector.settings);
    }
    expectSameArrays(scalar.state->timeStep, vector.state->timeStep, "timeStep");
    int finite = 0;
    for (double t : scalar.state->timeStep) finite += std::isfinite(t) ? 1 : 0;
    EXPECT_GT(finite, 0);
}

TEST(VectorKernels, LimiterMatchesIncludingNonFiniteStates) {
    REQUIRE_AVX2();
    for (const double weight : {0.0, 0.5}) {
        SolverRecords scalar = disturbedSolver(2, 11);
        SolverRecords vector = disturbedSolver(2, 11);
        for (SolverRecords* r : {&scalar, &vector}) {
            r->settings->reconstructionWeight = weight;
            r->state->state[4 * 50 + 3] = kInf;
            r->state->state[4 * 90 + 0] = kNaN;
            r->state->state[4 * 120 + 2] = -0.0;
            computeGradients(*r->state);
        }
        {
            PathGuard guard(KernelPath::Scalar);
            computeLimiter(*scalar.state, *scalar.settings);
        }
        {
            PathGuard guard(KernelPath::Avx2);
            computeLimiter(*vector.state, *vector.settings);
        }
        expectSameArrays(scalar.state->limiter, vector.state->limiter, "limiter");
        expectSameArrays(scalar.state->gradients, vector.state->gradients, "gradients");
        // The disturbance must make the limiter act: some factors strictly between 0 and 1.
        int active = 0;
        for (double phi : scalar.state->limiter) active += (phi > 0.0 && phi < 1.0) ? 1 : 0;
        EXPECT_GT(active, 10);
    }
}

TEST(VectorKernels, DiagonalInversionMatchesAndLeavesIsolatedNodes) {
    REQUIRE_AVX2();
    // 11 nodes (two groups of four and a partial one); nodes 3 and 10 belong to no edge.
    SolverState scalar;
    scalar.nodeCount = 11;
    scalar.adjacencyStart = {0, 2, 4, 6, 6, 8, 10, 12, 14, 16, 18, 18};
    std::mt19937_64 rng(23);
    std::uniform_real_distribution<double> entry(-1.0, 1.0);
    scalar.diagBlocks.resize(16 * 11);
    for (int i = 0; i < 11; ++i)
        for (int m = 0; m < 16; ++m)
            scalar.diagBlocks[16 * i + m] = entry(rng) + (m % 5 == 0 ? 4.0 : 0.0);
    scalar.diagBlocks[16 * 5 + 0] = 0.0;  // zero pivot: infinities and NaN
    scalar.diagBlocks[16 * 6 + 7] = kInf;
    scalar.diagBlocks[16 * 8 + 10] = kNaN;
    SolverState vector = scalar;
    const std::vector<double> original = scalar.diagBlocks;
    {
        PathGuard guard(KernelPath::Scalar);
        invertDiagonalBlocks(scalar);
    }
    {
        PathGuard guard(KernelPath::Avx2);
        invertDiagonalBlocks(vector);
    }
    expectSameArrays(scalar.diagBlocks, vector.diagBlocks, "inverse");
    for (int m = 0; m < 16; ++m) {
        EXPECT_EQ(vector.diagBlocks[16 * 3 + m], original[16 * 3 + m]);
        EXPECT_EQ(vector.diagBlocks[16 * 10 + m], original[16 * 10 + m]);
    }
    // Node 0 really was inverted: block times inverse is the identity to rounding.
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += original[4 * r + k] * vector.diagBlocks[4 * k + c];
            EXPECT_NEAR(sum, r == c ? 1.0 : 0.0, 1e-12);
        }
}

TEST(VectorKernels, WholeIteratesAgreeOnBothPaths) {
    REQUIRE_AVX2();
    for (const int order : {1, 2}) {
        SolverRecords scalar = makeSolver(makeCircle(23, 9), makeParameters(0.7, 2.0, order));
        SolverRecords vector = makeSolver(makeCircle(23, 9), makeParameters(0.7, 2.0, order));
        for (int k = 0; k < 6; ++k) {
            {
                PathGuard guard(KernelPath::Scalar);
                iterateCycle(*scalar.state, *scalar.settings);
            }
            PathGuard guard(KernelPath::Avx2);
            iterateCycle(*vector.state, *vector.settings);
        }
        expectSameArrays(scalar.state->state, vector.state->state, "state");
        expectSameArrays(scalar.state->limiter, vector.state->limiter, "limiter");
        EXPECT_NE(scalar.state->state, scalar.state->statePrev2);
    }
}

}  // namespace
}  // namespace kestrafol
