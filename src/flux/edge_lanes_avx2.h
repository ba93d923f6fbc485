#pragma once
// The flux and first-order blocks of four interior edges at once, one edge per lane: the
// operations of interiorEdgeFlux (interior_edge_loop.h) and the Roe kernels (roe_kernels.h) in
// their order. Include only inside an AVX2 target region, after base/solver_state.h (outside
// the region) and base/lanes_avx2.h: everything here has internal linkage and is compiled for
// AVX2. Shared by the library's edge loop and the tests' per-edge comparison, so both run the
// same lane code.
#include <immintrin.h>

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

}  // namespace
}  // namespace kestrafol
