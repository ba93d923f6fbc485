// Results must match another implementation bit for bit, so the grouping of every formula
// matters. Each test below computes the expected value with the intended grouping, shows on
// the same inputs that a plausible regrouping rounds differently (so the check can fail),
// and then requires the library's value to be identical to the expected one.
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "diag/diag.h"
#include "flux/flux.h"
#include "flux/roe_kernels.h"
#include "helpers/small_states.h"
#include "time/time.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

constexpr int samples = 24;

struct Draw {
    std::mt19937 gen;
    explicit Draw(unsigned seed) : gen(seed) {}
    double operator()(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(gen);
    }
};

}  // namespace

TEST(EvaluationOrder, NodalPressureAfterTheUpdate) {
    // Zero residual and increment leave the state as given; the pressure is then
    // K = ((rho v)^2 + (rho u)^2) * 0.5 / rho, p = (E - K) * (gamma - 1).
    Draw draw(11);
    SolverState s = makeBareState(samples);
    std::vector<std::pair<int, int>> chain;
    for (int i = 0; i + 1 < samples; ++i) chain.push_back({i, i + 1});
    setEdges(s, chain, std::vector<double>(2 * chain.size(), 1.0));
    for (int i = 0; i < samples; ++i) {
        setNode(s.state, i, {draw(0.5, 2.0), draw(-1.0, 1.0), draw(-1.0, 1.0), draw(3.0, 6.0)});
        for (int k = 0; k < 4; ++k)
            s.diagBlocks[16 * static_cast<std::size_t>(i) + 5 * static_cast<std::size_t>(k)] = 1.0;
    }
    const std::vector<double> given = s.state;
    SolverSettings settings;
    settings.gamma = 1.4;
    implicitSolve(s, settings);
    ASSERT_EQ(s.state, given);

    int regroupedDiffers = 0;
    for (int i = 0; i < samples; ++i) {
        const Vec4 q = getNode(given, i);
        const double kinetic = (q[2] * q[2] + q[1] * q[1]) * 0.5 / q[0];
        const double expected = (q[3] - kinetic) * (1.4 - 1.0);
        const double u = q[1] / q[0], v = q[2] / q[0];
        const double regrouped = (1.4 - 1.0) * (q[3] - 0.5 * q[0] * (u * u + v * v));
        if (regrouped != expected) ++regroupedDiffers;
        EXPECT_EQ(s.pressure[static_cast<std::size_t>(i)], expected) << i;
    }
    ASSERT_GT(regroupedDiffers, 0);
}

TEST(EvaluationOrder, TimeStepSpread) {
    // Fluid at rest with gamma 2, density 1, energy 2: every unit face has spectral radius
    // exactly 2, so the radius sums (2 at the chain ends, 4 inside) carry no rounding.
    Draw draw(23);
    SolverState s = makeBareState(samples, {1.0, 0.0, 0.0, 2.0});
    std::vector<std::pair<int, int>> chain;
    for (int i = 0; i + 1 < samples; ++i) chain.push_back({i, i + 1});
    setEdges(s, chain, std::vector<double>(2 * chain.size(), 0.0));
    for (std::size_t e = 0; e < chain.size(); ++e) s.faceNormals[2 * e] = 1.0;
    for (double& a : s.dualArea) a = draw(0.1, 3.0);
    SolverSettings settings;
    settings.gamma = 2.0;
    settings.timeMode = 1;
    computeTimeSteps(s, settings);

    std::vector<double> base(samples);
    double lo = 1.0e6, hi = 0.0;
    for (int i = 0; i < samples; ++i) {
        const double lambda = (i == 0 || i == samples - 1) ? 2.0 : 4.0;
        base[i] = s.dualArea[static_cast<std::size_t>(i)] * 0.3183 / lambda;
        if (base[i] < lo) lo = base[i];
        if (base[i] > hi) hi = base[i];
    }
    int regroupedDiffers = 0;
    for (int i = 0; i < samples; ++i) {
        double expected = base[i] * (((base[i] - lo) / (hi - lo)) * 35.0 + 5.0);
        double regrouped = base[i] * (35.0 * (base[i] - lo) / (hi - lo) + 5.0);
        if (10.0 * hi < expected) expected = 10.0 * hi;
        if (10.0 * hi < regrouped) regrouped = 10.0 * hi;
        if (regrouped != expected) ++regroupedDiffers;
        EXPECT_EQ(s.timeStep[static_cast<std::size_t>(i)], expected) << i;
    }
    ASSERT_GT(regroupedDiffers, 0);
}

TEST(EvaluationOrder, SecondOrderBackwardDifference) {
    Draw draw(37);
    SolverState s = makeBareState(samples);
    for (std::size_t k = 0; k < s.state.size(); ++k) {
        s.state[k] = draw(0.5, 3.0);
        s.statePrev[k] = draw(0.5, 3.0);
        s.statePrev2[k] = draw(0.5, 3.0);
    }
    for (std::size_t i = 0; i < s.dualArea.size(); ++i) {
        s.dualArea[i] = draw(0.01, 2.0);
        s.timeStep[i] = draw(0.01, 2.0);
    }
    SolverSettings settings;
    settings.timeMode = 1;
    addTimeTerms(s, settings);

    int residualRegroupedDiffers = 0, diagonalRegroupedDiffers = 0;
    for (std::size_t i = 0; i < s.dualArea.size(); ++i) {
        const double area = s.dualArea[i], step = s.timeStep[i];
        for (std::size_t k = 0; k < 4; ++k) {
            const std::size_t j = 4 * i + k;
            const double change = (3.0 * s.state[j] - 4.0 * s.statePrev[j]) + s.statePrev2[j];
            const double expected = change * area / (step * 2.0);
            if (change * (area / (step * 2.0)) != expected) ++residualRegroupedDiffers;
            EXPECT_EQ(s.residual[j], expected) << j;
            const double diagonal = area * 1.5 / step;
            if (area / step * 1.5 != diagonal) ++diagonalRegroupedDiffers;
            EXPECT_EQ(s.diagBlocks[16 * i + 5 * k], diagonal) << i;
        }
    }
    ASSERT_GT(residualRegroupedDiffers, 0);
    ASSERT_GT(diagonalRegroupedDiffers, 0);
}

TEST(EvaluationOrder, WallForceAccumulation) {
    // Fy = Fy + NY pa; Fx = Fx + pa NX; Fx = pb NX + Fx; Fy = Fy + NY pb, edge after edge.
    Draw draw(41);
    const int n = samples;
    SolverState s = makeBareState(n);
    std::vector<int> edges;
    for (int i = 0; i < n; ++i) {
        s.coords[2 * static_cast<std::size_t>(i)] = draw(-1.0, 1.0);
        s.coords[2 * static_cast<std::size_t>(i) + 1] = draw(-1.0, 1.0);
        setNode(s.state, i, {draw(0.5, 2.0), draw(-1.0, 1.0), draw(-1.0, 1.0), draw(3.0, 6.0)});
        edges.insert(edges.end(), {i, (i + 1) % n, 1 + i % 2});
    }
    setBoundary(s, edges, {SlipWall, NoSlipWall});
    SolverSettings settings;
    settings.gamma = 1.4;
    settings.mach = 0.7;
    settings.alpha = 0.05;
    const auto result = computeCoefficients(s, settings);

    auto pressure = [&](int i) {
        const Vec4 q = getNode(s.state, i);
        const double u = q[1] / q[0], v = q[2] / q[0];
        return (1.4 - 1.0) * (q[3] - (u * u + v * v) * (0.5 * q[0]));
    };
    double fx = 0.0, fy = 0.0, gx = 0.0, gy = 0.0;
    for (int i = 0; i < n; ++i) {
        const int a = i, b = (i + 1) % n;
        const double pa = pressure(a), pb = pressure(b);
        const double nx = 0.5 * (s.coords[2 * b + 1] - s.coords[2 * a + 1]);
        const double ny = 0.5 * (s.coords[2 * a] - s.coords[2 * b]);
        fy = fy + ny * pa;
        fx = fx + pa * nx;
        fx = pb * nx + fx;
        fy = fy + ny * pb;
        gx = gx + nx * (pa + pb);
        gy = gy + ny * (pa + pb);
    }
    const double lift = std::cos(0.05) * fy - std::sin(0.05) * fx;
    const double drag = std::sin(0.05) * fy + std::cos(0.05) * fx;
    ASSERT_TRUE(gx != fx || gy != fy);
    const double q = (0.5 * 0.7) * 0.7;
    EXPECT_EQ(result[2], lift / q);
    EXPECT_EQ(result[3], drag / q);
    EXPECT_EQ(result[4], lift / drag);
}

TEST(EvaluationOrder, WallStateNormalMomentumRemoval) {
    // W = (3 own + other) x 0.25, a = Wmx nx + Wmy ny, Wm -= (a n) / L2: each half-edge
    // gets half the Roe flux of the pair (W, W).
    Draw draw(53);
    SolverSettings settings;
    settings.gamma = 1.4;
    int regroupedDiffers = 0;
    for (int sample = 0; sample < samples; ++sample) {
        SolverState s = makeBareState(2);
        s.coords = {draw(-1.0, 1.0), draw(-1.0, 1.0), draw(-1.0, 1.0), draw(-1.0, 1.0)};
        setNode(s.state, 0, {draw(0.5, 2.0), draw(-1.0, 1.0), draw(-1.0, 1.0), draw(3.0, 6.0)});
        setNode(s.state, 1, {draw(0.5, 2.0), draw(-1.0, 1.0), draw(-1.0, 1.0), draw(3.0, 6.0)});
        setBoundary(s, {0, 1, 1}, {SlipWall});
        const SolverState before = s;
        applyBoundaryConditions(s, settings);

        const double nx = before.coords[3] - before.coords[1];
        const double ny = before.coords[0] - before.coords[2];
        const double l2 = nx * nx + ny * ny;
        for (int own = 0; own < 2; ++own) {
            const Vec4 p = getNode(before.state, own), o = getNode(before.state, 1 - own);
            Vec4 w{}, r{};
            for (int c = 0; c < 4; ++c) w[c] = (3.0 * p[c] + o[c]) * 0.25;
            r = w;
            const double a = w[1] * nx + w[2] * ny;
            w[1] = w[1] - (a * nx) / l2;
            w[2] = w[2] - (a * ny) / l2;
            r[1] = r[1] - a * (nx / l2);
            r[2] = r[2] - a * (ny / l2);
            if (r[1] != w[1] || r[2] != w[2]) ++regroupedDiffers;
            Vec4 flux{};
            Block4 jacLeft{}, jacRight{};
            kernels::roeFlux<false>(flux.data(), jacLeft, jacRight, w.data(), w.data(), w.data(),
                                    w.data(), nx, ny, 1.4);
            for (int c = 0; c < 4; ++c) EXPECT_EQ(s.residual[4 * own + c], 0.5 * flux[c]) << sample;
            for (int m = 0; m < 16; ++m)
                EXPECT_EQ(s.diagBlocks[16 * own + m], 0.5 * jacLeft[m]) << sample;
        }
    }
    ASSERT_GT(regroupedDiffers, 0);
}

TEST(EvaluationOrder, ViscousHalfEdgeTerms) {
    // residual -= 0.5 x (stress . n) / Re, the Reynolds number dividing last.
    Draw draw(67);
    SolverSettings settings;
    settings.gamma = 1.4;
    settings.viscous = 1.0;
    settings.reynolds = 37.0;
    int regroupedDiffers = 0;
    for (int sample = 0; sample < samples; ++sample) {
        SolverState on = makeBareState(2);
        on.coords = {0.0, 0.0, draw(0.2, 1.0), draw(0.2, 1.0)};
        setNode(on.state, 0, {draw(0.5, 2.0), draw(-1.0, 1.0), draw(-1.0, 1.0), draw(3.0, 6.0)});
        setNode(on.state, 1, {draw(0.5, 2.0), draw(-1.0, 1.0), draw(-1.0, 1.0), draw(3.0, 6.0)});
        for (double& g : on.velocityGradX) g = draw(-1.0, 1.0);
        for (double& g : on.velocityGradY) g = draw(-1.0, 1.0);
        // A slip wall: its inviscid half-edges carry no mass or energy (to rounding), so the
        // viscous terms meet residuals near 0 there, where a regrouping would show.
        setBoundary(on, {0, 1, 1}, {SlipWall});
        // The same edge without viscous terms: the inviscid half-edges the viscous ones follow.
        SolverState off = on;
        SolverSettings inviscid = settings;
        inviscid.viscous = 0.0;
        applyBoundaryConditions(off, inviscid);
        applyBoundaryConditions(on, settings);

        const double nx = on.coords[3], ny = -on.coords[2];
        for (std::size_t t = 0; t < 2; ++t) {
            const double ux = on.velocityGradX[2 * t], uy = on.velocityGradX[2 * t + 1];
            const double vx = on.velocityGradY[2 * t], vy = on.velocityGradY[2 * t + 1];
            const double txx = (4.0 / 3.0) * ux - (2.0 / 3.0) * vy;
            const double tyy = (4.0 / 3.0) * vy - (2.0 / 3.0) * ux;
            const double txy = uy + vx;
            const double u = on.state[4 * t + 1] / on.state[4 * t];
            const double v = on.state[4 * t + 2] / on.state[4 * t];
            const double sx = txx * nx + txy * ny;
            const double work = nx * (u * txx + v * txy) + ny * (u * txy + v * tyy);
            const double* before = &off.residual[4 * t];
            if (before[3] - work * (0.5 / 37.0) != before[3] - 0.5 * work / 37.0) ++regroupedDiffers;
            EXPECT_EQ(on.residual[4 * t], before[0]);
            EXPECT_EQ(on.residual[4 * t + 1], before[1] - 0.5 * sx / 37.0);
            EXPECT_EQ(on.residual[4 * t + 2], before[2] - 0.5 * (txy * nx + tyy * ny) / 37.0);
            EXPECT_EQ(on.residual[4 * t + 3], before[3] - 0.5 * work / 37.0);
        }
    }
    ASSERT_GT(regroupedDiffers, 0);
}

TEST(EvaluationOrder, ViscousFaceGradientCorrection) {
    // u_x = mean + J dx / G, with J dx formed before the division.
    Draw draw(79);
    int regroupedDiffers = 0;
    for (int sample = 0; sample < samples; ++sample) {
        const double va[2] = {draw(-1.0, 1.0), draw(-1.0, 1.0)};
        const double vb[2] = {draw(-1.0, 1.0), draw(-1.0, 1.0)};
        const double ga[4] = {draw(-1.0, 1.0), draw(-1.0, 1.0), draw(-1.0, 1.0), draw(-1.0, 1.0)};
        const double gb[4] = {draw(-1.0, 1.0), draw(-1.0, 1.0), draw(-1.0, 1.0), draw(-1.0, 1.0)};
        const double dx = draw(-1.0, 1.0), dy = draw(-1.0, 1.0);
        const double nx = draw(-1.0, 1.0), ny = draw(-1.0, 1.0), inv = 1.0 / 41.0;
        double out[4];
        viscousFaceFlux(out, va, vb, ga, gb, dx, dy, nx, ny, inv);

        const double g = dx * dx + dy * dy;
        const double uxm = 0.5 * (ga[0] + gb[0]), uym = 0.5 * (ga[1] + gb[1]);
        const double vxm = 0.5 * (ga[2] + gb[2]), vym = 0.5 * (ga[3] + gb[3]);
        const double ju = (vb[0] - va[0]) - (uym * dy + uxm * dx);
        const double jv = (vb[1] - va[1]) - (vxm * dx + vym * dy);
        const double ux = uxm + ju * dx / g, uy = uym + ju * dy / g;
        const double vx = vxm + jv * dx / g, vy = vym + jv * dy / g;
        if (uxm + ju * (dx / g) != ux || vym + jv * (dy / g) != vy) ++regroupedDiffers;
        const double txx = (4.0 / 3.0) * ux - (2.0 / 3.0) * vy;
        const double tyy = (4.0 / 3.0) * vy - (2.0 / 3.0) * ux;
        const double txy = uy + vx;
        const double uf = 0.5 * (va[0] + vb[0]), vf = 0.5 * (va[1] + vb[1]);
        EXPECT_EQ(out[0], 0.0);
        EXPECT_EQ(out[1], -(txx * nx + txy * ny) * inv);
        EXPECT_EQ(out[2], -(txy * nx + tyy * ny) * inv);
        EXPECT_EQ(out[3], -((txx * uf + txy * vf) * nx + (txy * uf + tyy * vf) * ny) * inv);
    }
    ASSERT_GT(regroupedDiffers, 0);
}

namespace {

// Forward block Gauss-Seidel with identity diagonal blocks, written out: the neighbour
// products are subtracted from w one by one (`termByTerm`) or summed per row first.
std::vector<double> referenceSweeps(const SolverState& s, bool termByTerm) {
    std::vector<double> delta(s.delta);
    double ratio = 1.0, reference = 0.0;
    int sweeps = 0;
    while (ratio > 1.0e-4) {
        double measure = 0.0;
        for (int i = 0; i < s.nodeCount; ++i) {
            double w[4];
            for (int r = 0; r < 4; ++r)
                w[r] = -s.residual[4 * static_cast<std::size_t>(i) + static_cast<std::size_t>(r)];
            for (int o = s.adjacencyStart[static_cast<std::size_t>(i)];
                 o < s.adjacencyStart[static_cast<std::size_t>(i) + 1]; ++o) {
                const double* block = &s.offDiagBlocks[16 * static_cast<std::size_t>(o)];
                const double* d = &delta[4 * static_cast<std::size_t>(
                                                 s.slotNeighbour[static_cast<std::size_t>(o)])];
                for (int r = 0; r < 4; ++r) {
                    if (termByTerm) {
                        for (int c = 0; c < 4; ++c) w[r] -= block[4 * r + c] * d[c];
                    } else {
                        double sum = 0.0;
                        for (int c = 0; c < 4; ++c) sum += block[4 * r + c] * d[c];
                        w[r] -= sum;
                    }
                }
            }
            double* d = &delta[4 * static_cast<std::size_t>(i)];
            measure += std::fabs(d[0] - w[0]) + std::fabs(d[1] - w[1]) + std::fabs(d[2] - w[2]) +
                       std::fabs(d[3] - w[3]);
            for (int r = 0; r < 4; ++r) d[r] = w[r];
        }
        if (sweeps == 0) reference = measure;
        ratio = measure / reference;
        if (measure < 1.0e-8) ratio = 1.0e-8;
        sweeps = sweeps + 1;
        if (sweeps == 20) break;
    }
    return delta;
}

}  // namespace

TEST(EvaluationOrder, SweepSubtractsNeighbourProductsOneByOne) {
    // Dense off-diagonal blocks on a triangle of nodes, identity diagonal blocks (inverted
    // exactly), and a non-zero increment left by a previous solve.
    Draw draw(83);
    SolverState s = makeBareState(3, {1.0, 0.1, -0.1, 2.5});
    setEdges(s, {{0, 1}, {0, 2}, {1, 2}}, std::vector<double>(6, 1.0));
    for (double& x : s.offDiagBlocks) x = draw(-0.15, 0.15);
    for (double& x : s.residual) x = draw(-1.0e-3, 1.0e-3);
    for (double& x : s.delta) x = draw(-1.0e-3, 1.0e-3);
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 4; ++k)
            s.diagBlocks[16 * static_cast<std::size_t>(i) + 5 * static_cast<std::size_t>(k)] = 1.0;
    const std::vector<double> expected = referenceSweeps(s, true);
    ASSERT_NE(referenceSweeps(s, false), expected);
    SolverSettings settings;
    settings.gamma = 1.4;
    implicitSolve(s, settings);
    EXPECT_EQ(s.delta, expected);
}
