// The interior edge loop and the interior spectral radii with four edges side by side in the
// lanes of 256-bit AVX2 registers. Each lane performs exactly the operations of the scalar
// kernels (roe_kernels.h, interior_edge_loop.h, compute_time_steps.cpp) in the same order:
// IEEE addition, multiplication, division and square root give the same bits in a vector lane
// as in a scalar register, nothing is contracted into FMA (no FMA is enabled here) and no sum
// is reassociated. Branches of the scalar code become masks:
//   - floors: x < floor ? floor : x and x >= floor ? x : floor keep their behaviour for NaN by
//     using the same ordered comparison and selecting the same side;
//   - a wave whose negative eigenvalue is zero is skipped by the scalar code only when all its
//     eigenvector entries are finite; then every product it would add is a zero, and adding a
//     zero to a sum that starts at +0 changes no bit, so the lanes simply add every wave.
// The results are written back edge by edge in edge order, so every residual entry and block
// receives its contributions in the same order as in the scalar loop.
//
// Only the functions below the target pragma use AVX2; the headers above it are compiled for
// the baseline, so no inline function of theirs is emitted with AVX2 instructions.
#include <immintrin.h>

#include <algorithm>

#include "flux/edge_kernels.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#elif defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

#include "flux/lanes_avx2.h"

namespace kestrafol {

namespace {

// Factors of gamma and the floors, formed once per loop.
struct Constants {
    D zero, half, one, floor;
    D gamma, gm1, gm2, kOver2g, floorOverGm1;
    explicit Constants(double g)
        : zero(splat(0.0)),
          half(splat(0.5)),
          one(splat(1.0)),
          floor(splat(pressureFloor)),
          gamma(splat(g)),
          gm1(splat(g - 1.0)),
          gm2(splat(g - 2.0)),
          kOver2g(splat((g - 1.0) / (2.0 * g))),
          floorOverGm1(splat(pressureFloor / (g - 1.0))) {}
};

struct RoeAverageLanes {
    D u, v, q2, a2, a, h;
};

// kernels::roeAverage on four lanes.
KESTRAFOL_LANES RoeAverageLanes roeAverage(const D left[4], const D right[4], const Constants& k) {
    RoeAverageLanes avg;
    const D rhoL = left[0], muL = left[1], mvL = left[2], eL = left[3];
    const D rhoR = right[0], muR = right[1], mvR = right[2], eR = right[3];
    const D sL = sqrt(rhoL);
    const D sR = sqrt(rhoR);
    const D w = k.one / (sL + sR);
    const D rhoAvg = sL * sR;
    avg.u = w * (sR * muR / rhoR + sL * muL / rhoL);
    avg.v = w * (sR * mvR / rhoR + sL * mvL / rhoL);
    avg.q2 = avg.u * avg.u + avg.v * avg.v;
    const D eAvg = w * (sL * eR + sR * eL);
    const D jumpX = muR * rhoL - rhoR * muL;
    const D jumpY = rhoL * mvR - rhoR * mvL;
    const D jumpTerm = jumpX * jumpX + jumpY * jumpY;
    const D pAvg =
        k.gm1 * (eAvg - w * w * k.kOver2g * jumpTerm / (rhoR * rhoL) - rhoAvg * k.half * avg.q2);
    // pAvg >= floor ? pAvg : floor (a NaN pressure takes the floor)
    const D pFloored = select(greaterEqual(pAvg, k.floor), pAvg, k.floor);
    avg.a2 = k.gamma * pFloored / rhoAvg;
    avg.a = sqrt(avg.a2);
    avg.h = k.half * avg.q2 + avg.a2 / k.gm1;
    return avg;
}

// kernels::negativeWaveMatrix on four lanes: neg[m] is entry m of A- of each lane.
KESTRAFOL_LANES void negativeWaveMatrix(D neg[16], const RoeAverageLanes& r, D nx, D ny,
                                        const Constants& c0) {
    const D vn = r.u * nx + r.v * ny;
    const D k = c0.gm1;
    const D halfQ2 = c0.half * r.q2;
    const D lambda[4] = {vn - r.a, vn, vn + r.a, vn};
    const D right[4][4] = {
        {c0.one, c0.one, c0.one, c0.zero},
        {r.u - r.a * nx, r.u, r.u + r.a * nx, ny},
        {r.v - r.a * ny, r.v, r.v + r.a * ny, -nx},
        {r.h - r.a * vn, halfQ2, r.h + r.a * vn, r.u * ny - r.v * nx},
    };
    const D c = c0.half / r.a2;
    const D left[4][4] = {
        {c * (k * halfQ2 + r.a * vn), c * (-k * r.u - r.a * nx), c * (-k * r.v - r.a * ny), c * k},
        {c0.one - k * halfQ2 / r.a2, k * r.u / r.a2, k * r.v / r.a2, -k / r.a2},
        {c * (k * halfQ2 - r.a * vn), c * (r.a * nx - k * r.u), c * (r.a * ny - k * r.v), c * k},
        {r.v * nx - r.u * ny, ny, -nx, c0.zero},
    };
    for (int m = 0; m < 16; ++m) neg[m] = c0.zero;
    for (int w = 0; w < 4; ++w) {
        // lambda < 0 ? lambda : 0 (NaN gives 0)
        const D negLambda = {_mm256_and_pd(lambda[w].v, lessThan(lambda[w], c0.zero))};
        D scaledLeft[4];
        for (int j = 0; j < 4; ++j) scaledLeft[j] = negLambda * left[w][j];
        for (int j = 0; j < 4; ++j) {
            // The first row of R is 1, 1, 1, 0; a product by 1 is the other factor exactly.
            neg[j] = neg[j] + (w < 3 ? scaledLeft[j] : right[0][w] * scaledLeft[j]);
        }
        for (int i = 1; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                neg[4 * i + j] = neg[4 * i + j] + right[i][w] * scaledLeft[j];
    }
}

// kernels::projectedFlux on four lanes.
KESTRAFOL_LANES void projectedFlux(D f[4], const D u[4], D nx, D ny, const Constants& k) {
    const D rho = u[0], mu = u[1], mv = u[2], e = u[3];
    const D vx = mu / rho;
    const D vy = mv / rho;
    const D ke = k.half * (mv * mv + mu * mu) / rho;
    D p = k.gm1 * (e - ke);
    const __m256d low = lessThan(p, k.floor);
    p = select(low, k.floor, p);
    const D eFlux = select(low, ke + k.floorOverGm1, e);
    const D vn = vx * nx + vy * ny;
    f[0] = mu * nx + mv * ny;
    f[1] = mu * vn + p * nx;
    f[2] = mv * vn + p * ny;
    f[3] = vn * (eFlux + p);
}

// kernels::projectedJacobian on four lanes.
KESTRAFOL_LANES void projectedJacobian(D a[16], const D u[4], D nx, D ny, const Constants& k) {
    const D rho = u[0], mu = u[1], mv = u[2], e = u[3];
    const D p = k.gm1 * (e - k.half * (mv * mv + mu * mu) / rho);
    // p < floor ? floor : p (a NaN pressure stays NaN)
    const D pFloored = select(lessThan(p, k.floor), k.floor, p);
    const D vx = mu / rho;
    const D vy = mv / rho;
    const D q = k.half * (vy * vy + vx * vx);
    const D phi = k.gm1 * q;
    const D h = q + k.gamma * pFloored / rho / k.gm1;
    const D vn = nx * vx + ny * vy;
    a[0] = k.zero;
    a[1] = nx;
    a[2] = ny;
    a[3] = k.zero;
    a[4] = nx * phi - vx * vn;
    a[5] = vn - nx * vx * k.gm2;
    a[6] = ny * vx - nx * vy * k.gm1;
    a[7] = nx * k.gm1;
    a[8] = ny * phi - vy * vn;
    a[9] = nx * vy - ny * vx * k.gm1;
    a[10] = vn - ny * vy * k.gm2;
    a[11] = ny * k.gm1;
    a[12] = vn * (phi - h);
    a[13] = nx * h - vn * vx * k.gm1;
    a[14] = ny * h - vn * vy * k.gm1;
    a[15] = k.gamma * vn;
}

// The inputs of four edges, one per lane.
struct EdgeLanes {
    D uf[4], us[4];    // nodal states
    D gf[8], gs[8];    // gradients: d/dx of the four variables, then d/dy
    D xf, yf, xs, ys;  // node positions
    D nx, ny;          // face normal
};

struct ResultLanes {
    D flux[4];
    D jacLeft[16];
    D jacRight[16];
};

// interiorEdgeFlux on four lanes: reconstruction (second order) and kernels::roeFlux.
// Inlined into each loop: called out of line it cost first-order assemblies about 13 %.
template <bool secondOrder>
inline __attribute__((always_inline)) void edgeLanes(ResultLanes& out, const EdgeLanes& in,
                                                     const Constants& k, D w) {
    D faceLeft[4], faceRight[4];
    if constexpr (secondOrder) {
        const D centralWeight = w * k.half;
        const D gradientWeight = k.one - w;
        const D hx = (in.xs - in.xf) * k.half;
        const D hy = (in.ys - in.yf) * k.half;
        for (int c = 0; c < 4; ++c) {
            const D uf = in.uf[c], us = in.us[c];
            D uL = gradientWeight * (in.gf[4 + c] * hy + hx * in.gf[c]) +
                   ((us - uf) * centralWeight + uf);
            D uR = ((uf - us) * centralWeight + us) -
                   gradientWeight * (in.gs[4 + c] * hy + hx * in.gs[c]);
            // (us >= uf && uR < uL) || (us < uf && uR > uL)
            const __m256d against =
                _mm256_or_pd(_mm256_and_pd(greaterEqual(us, uf), lessThan(uR, uL)),
                             _mm256_and_pd(lessThan(us, uf), greaterThan(uR, uL)));
            const D mean = (uR + uL) * k.half;
            faceLeft[c] = select(against, mean, uL);
            faceRight[c] = select(against, mean, uR);
        }
    } else {
        for (int c = 0; c < 4; ++c) {
            faceLeft[c] = in.uf[c];
            faceRight[c] = in.us[c];
        }
    }

    const D length = sqrt(in.nx * in.nx + in.ny * in.ny);
    const D unitNx = in.nx / length;
    const D unitNy = in.ny / length;
    D jump[4];
    for (int j = 0; j < 4; ++j) jump[j] = faceRight[j] - faceLeft[j];

    const RoeAverageLanes fluxAverage = roeAverage(faceLeft, faceRight, k);
    RoeAverageLanes linAverage{};
    if constexpr (secondOrder) linAverage = roeAverage(in.uf, in.us, k);

    D neg[16];
    negativeWaveMatrix(neg, fluxAverage, unitNx, unitNy, k);
    D f[4];
    projectedFlux(f, faceLeft, unitNx, unitNy, k);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) f[i] = f[i] + neg[4 * i + j] * jump[j];
    for (int i = 0; i < 4; ++i) out.flux[i] = length * f[i];

    D negLinStorage[16];
    const D* negLin = neg;
    if constexpr (secondOrder) {
        negativeWaveMatrix(negLinStorage, linAverage, unitNx, unitNy, k);
        negLin = negLinStorage;
    }
    D a[16];
    projectedJacobian(a, in.uf, unitNx, unitNy, k);
    for (int m = 0; m < 16; ++m) {
        out.jacLeft[m] = length * (a[m] - negLin[m]);
        out.jacRight[m] = length * negLin[m];
    }
}

// Turns the lanes of a result into rows: afterwards flux[l] is the flux of lane l, and
// jacLeft[4 i + l], jacRight[4 i + l] are row i of lane l's blocks.
KESTRAFOL_LANES void resultRows(ResultLanes& r) {
    transpose(r.flux[0], r.flux[1], r.flux[2], r.flux[3]);
    for (int i = 0; i < 4; ++i) {
        transpose(r.jacLeft[4 * i], r.jacLeft[4 * i + 1], r.jacLeft[4 * i + 2],
                  r.jacLeft[4 * i + 3]);
        transpose(r.jacRight[4 * i], r.jacRight[4 * i + 1], r.jacRight[4 * i + 2],
                  r.jacRight[4 * i + 3]);
    }
}

template <bool secondOrder>
void interiorLoop(SolverState& state, const SolverSettings& settings) {
    const Constants k(settings.gamma);
    const D w = splat(settings.reconstructionWeight);
    const double* const coords = state.coords.data();
    const double* const u = state.state.data();
    const double* const gradients = state.gradients.data();
    const double* const normals = state.faceNormals.data();
    const int* const edges = state.edges.data();
    const int* const edgeSlots = state.edgeSlots.data();
    double* const residual = state.residual.data();
    double* const diagBlocks = state.diagBlocks.data();
    double* const offDiagBlocks = state.offDiagBlocks.data();
    const int edgeCount = state.edgeCount;
    constexpr int prefetchDistance = 8;

    for (int e = 0; e < edgeCount; e += 4) {
        // A last group of fewer than four edges repeats its last edge in the spare lanes;
        // their results are not written.
        const int lanes = std::min(4, edgeCount - e);
        int f[4], s[4], idx[4];
        for (int l = 0; l < 4; ++l) {
            idx[l] = e + std::min(l, lanes - 1);
            f[l] = edges[2 * idx[l]];
            s[l] = edges[2 * idx[l] + 1];
        }
        for (int l = 0; l < 4; ++l) {
            const int ahead = e + prefetchDistance + l;
            if (ahead < edgeCount) {
                const double* const diagAhead = diagBlocks + 16 * edges[2 * ahead + 1];
                const double* const offAhead = offDiagBlocks + 16 * edgeSlots[2 * ahead + 1];
                __builtin_prefetch(diagAhead, 1);
                __builtin_prefetch(diagAhead + 8, 1);
                __builtin_prefetch(offAhead, 1);
                __builtin_prefetch(offAhead + 8, 1);
            }
        }

        EdgeLanes in;
        gatherRows(in.uf, u + 4 * f[0], u + 4 * f[1], u + 4 * f[2], u + 4 * f[3]);
        gatherRows(in.us, u + 4 * s[0], u + 4 * s[1], u + 4 * s[2], u + 4 * s[3]);
        if constexpr (secondOrder) {
            const double* const g = gradients;
            gatherRows(in.gf, g + 8 * f[0], g + 8 * f[1], g + 8 * f[2], g + 8 * f[3]);
            gatherRows(in.gf + 4, g + 8 * f[0] + 4, g + 8 * f[1] + 4, g + 8 * f[2] + 4,
                       g + 8 * f[3] + 4);
            gatherRows(in.gs, g + 8 * s[0], g + 8 * s[1], g + 8 * s[2], g + 8 * s[3]);
            gatherRows(in.gs + 4, g + 8 * s[0] + 4, g + 8 * s[1] + 4, g + 8 * s[2] + 4,
                       g + 8 * s[3] + 4);
            in.xf = set(coords[2 * f[0]], coords[2 * f[1]], coords[2 * f[2]], coords[2 * f[3]]);
            in.yf = set(coords[2 * f[0] + 1], coords[2 * f[1] + 1], coords[2 * f[2] + 1],
                        coords[2 * f[3] + 1]);
            in.xs = set(coords[2 * s[0]], coords[2 * s[1]], coords[2 * s[2]], coords[2 * s[3]]);
            in.ys = set(coords[2 * s[0] + 1], coords[2 * s[1] + 1], coords[2 * s[2] + 1],
                        coords[2 * s[3] + 1]);
        }
        in.nx =
            set(normals[2 * idx[0]], normals[2 * idx[1]], normals[2 * idx[2]], normals[2 * idx[3]]);
        in.ny = set(normals[2 * idx[0] + 1], normals[2 * idx[1] + 1], normals[2 * idx[2] + 1],
                    normals[2 * idx[3] + 1]);

        ResultLanes r;
        edgeLanes<secondOrder>(r, in, k, w);
        resultRows(r);

        // Edge by edge, as the scalar loop adds them.
        for (int l = 0; l < lanes; ++l) {
            double* const resF = residual + 4 * f[l];
            double* const resS = residual + 4 * s[l];
            store(resF, load(resF) + r.flux[l]);
            store(resS, load(resS) - r.flux[l]);
            double* const diagF = diagBlocks + 16 * f[l];
            double* const offF = offDiagBlocks + 16 * edgeSlots[2 * (e + l)];
            double* const offS = offDiagBlocks + 16 * edgeSlots[2 * (e + l) + 1];
            double* const diagS = diagBlocks + 16 * s[l];
            for (int i = 0; i < 4; ++i) {
                const D left = r.jacLeft[4 * i + l];
                const D right = r.jacRight[4 * i + l];
                store(diagF + 4 * i, load(diagF + 4 * i) + left);
                // The slot's only contribution, added to the zero it would have been cleared to.
                store(offF + 4 * i, k.zero + right);
                store(offS + 4 * i, k.zero - left);
                store(diagS + 4 * i, load(diagS + 4 * i) - right);
            }
        }
    }
}

template <bool secondOrder>
void sampleLoop(const EdgeSample* samples, EdgeResult* results, int count,
                const SolverSettings& settings) {
    const Constants k(settings.gamma);
    const D w = splat(settings.reconstructionWeight);
    for (int e = 0; e < count; e += 4) {
        const int lanes = std::min(4, count - e);
        const EdgeSample* p[4];
        for (int l = 0; l < 4; ++l) p[l] = samples + e + std::min(l, lanes - 1);
        EdgeLanes in;
        gatherRows(in.uf, p[0]->first.data(), p[1]->first.data(), p[2]->first.data(),
                   p[3]->first.data());
        gatherRows(in.us, p[0]->second.data(), p[1]->second.data(), p[2]->second.data(),
                   p[3]->second.data());
        for (int h = 0; h < 8; h += 4) {
            gatherRows(in.gf + h, p[0]->gradFirst + h, p[1]->gradFirst + h, p[2]->gradFirst + h,
                       p[3]->gradFirst + h);
            gatherRows(in.gs + h, p[0]->gradSecond + h, p[1]->gradSecond + h, p[2]->gradSecond + h,
                       p[3]->gradSecond + h);
        }
        in.xf = set(p[0]->xyFirst[0], p[1]->xyFirst[0], p[2]->xyFirst[0], p[3]->xyFirst[0]);
        in.yf = set(p[0]->xyFirst[1], p[1]->xyFirst[1], p[2]->xyFirst[1], p[3]->xyFirst[1]);
        in.xs = set(p[0]->xySecond[0], p[1]->xySecond[0], p[2]->xySecond[0], p[3]->xySecond[0]);
        in.ys = set(p[0]->xySecond[1], p[1]->xySecond[1], p[2]->xySecond[1], p[3]->xySecond[1]);
        in.nx = set(p[0]->nx, p[1]->nx, p[2]->nx, p[3]->nx);
        in.ny = set(p[0]->ny, p[1]->ny, p[2]->ny, p[3]->ny);

        ResultLanes r;
        edgeLanes<secondOrder>(r, in, k, w);
        resultRows(r);
        for (int l = 0; l < lanes; ++l) {
            EdgeResult& out = results[e + l];
            store(out.flux.data(), r.flux[l]);
            for (int i = 0; i < 4; ++i) {
                store(out.jacLeft.data() + 4 * i, r.jacLeft[4 * i + l]);
                store(out.jacRight.data() + 4 * i, r.jacRight[4 * i + l]);
            }
        }
    }
}

}  // namespace

void interiorEdgeLoopAvx2(SolverState& state, const SolverSettings& settings) {
    if (settings.spatialOrder == 2)
        interiorLoop<true>(state, settings);
    else
        interiorLoop<false>(state, settings);
}

void edgeFluxesAvx2(const EdgeSample* samples, EdgeResult* results, int count,
                    const SolverSettings& settings) {
    if (settings.spatialOrder == 2)
        sampleLoop<true>(samples, results, count, settings);
    else
        sampleLoop<false>(samples, results, count, settings);
}

void addInteriorRadiiAvx2(const SolverState& state, double gamma, double* lambda) {
    const Constants k(gamma);
    const double* const q = state.state.data();
    const double* const normals = state.faceNormals.data();
    const int* const edges = state.edges.data();
    const int edgeCount = state.edgeCount;
    for (int e = 0; e < edgeCount; e += 4) {
        const int lanes = std::min(4, edgeCount - e);
        int a[4], b[4], idx[4];
        for (int l = 0; l < 4; ++l) {
            idx[l] = e + std::min(l, lanes - 1);
            a[l] = edges[2 * idx[l]];
            b[l] = edges[2 * idx[l] + 1];
        }
        D qa[4], qb[4];
        gatherRows(qa, q + 4 * a[0], q + 4 * a[1], q + 4 * a[2], q + 4 * a[3]);
        gatherRows(qb, q + 4 * b[0], q + 4 * b[1], q + 4 * b[2], q + 4 * b[3]);
        const D nx =
            set(normals[2 * idx[0]], normals[2 * idx[1]], normals[2 * idx[2]], normals[2 * idx[3]]);
        const D ny = set(normals[2 * idx[0] + 1], normals[2 * idx[1] + 1], normals[2 * idx[2] + 1],
                         normals[2 * idx[3] + 1]);
        // The arithmetic of computeTimeSteps for one interior face.
        const D sa = sqrt(qa[0]);
        const D sb = sqrt(qb[0]);
        const D ua = qa[1] / qa[0];
        const D va = qa[2] / qa[0];
        const D ub = qb[1] / qb[0];
        const D vb = qb[2] / qb[0];
        const D uAvg = (sa * ua + sb * ub) / (sa + sb);
        const D vAvg = (sa * va + sb * vb) / (sa + sb);
        const D energy = (sa * qa[3] + sb * qb[3]) / (sa + sb);
        const D rho = sa * sb;
        D p = k.gm1 * (energy - k.half * rho * (uAvg * uAvg + vAvg * vAvg));
        p = select(lessThan(p, k.floor), k.floor, p);
        const D length = sqrt(nx * nx + ny * ny);
        const D vn = uAvg * (nx / length) + vAvg * (ny / length);
        const D c = sqrt(k.gamma * p / rho);
        const D radius = (c + abs(vn)) * length;
        alignas(32) double r[4];
        store(r, radius);
        for (int l = 0; l < lanes; ++l) {
            lambda[a[l]] += r[l];
            lambda[b[l]] += r[l];
        }
    }
}

}  // namespace kestrafol

#if defined(__clang__)
#pragma clang attribute pop
#elif defined(__GNUC__)
#pragma GCC pop_options
#endif
