#pragma once
// The Roe flux and its pieces as inline kernels, so that the edge loops compile them in place:
// loop-invariant factors of gamma are formed once per loop, multiplications by the constant
// entries of the eigenvector matrices fold away, and a face whose flux pair is its
// linearisation pair computes its negative-wave matrix once. roeFlux is the whole upwind flux
// of a face with its first-order blocks (used by the interior edge loop and the boundary
// conditions), roeDissipation the negative-wave matrix of a pair of states (used by the
// tests); both are built from the pieces here. The four-lane copy of these operations, in the
// same order, is flux/edge_lanes_avx2.h.
#include <cmath>

#include "base/physics.h"
#include "base/solver_state.h"

// The kernels are large; the compiler would otherwise call them and lose the overlap of
// their long division and square-root chains with the surrounding edge code.
#define KESTRAFOL_ALWAYS_INLINE [[gnu::always_inline]]

namespace kestrafol::kernels {

// The Roe-averaged face state, with the sound speed derived from the floored pressure.
struct RoeAverage {
    double u;   // averaged x-velocity
    double v;   // averaged y-velocity
    double q2;  // u^2 + v^2
    double a2;  // squared sound speed
    double a;   // sound speed
    double h;   // total enthalpy per unit mass
};

// Roe average of two conserved states.
KESTRAFOL_ALWAYS_INLINE inline RoeAverage roeAverage(const double* left, const double* right,
                                                     double gamma) {
    RoeAverage avg{};
    const double rhoL = left[0], muL = left[1], mvL = left[2], eL = left[3];
    const double rhoR = right[0], muR = right[1], mvR = right[2], eR = right[3];

    // sL = sqrt(rhoL), sR = sqrt(rhoR), w = 1/(sL + sR), rho~ = sL sR
    const double sL = std::sqrt(rhoL);
    const double sR = std::sqrt(rhoR);
    const double w = 1.0 / (sL + sR);
    const double rhoAvg = sL * sR;

    // u~ = w (sR muR/rhoR + sL muL/rhoL), likewise v~
    avg.u = w * (sR * muR / rhoR + sL * muL / rhoL);
    avg.v = w * (sR * mvR / rhoR + sL * mvL / rhoL);
    avg.q2 = avg.u * avg.u + avg.v * avg.v;

    // E~ = w (sL ER + sR EL): rho~ times the Roe average of E/rho
    const double eAvg = w * (sL * eR + sR * eL);

    // D = (muR rhoL - rhoR muL)^2 + (rhoL mvR - rhoR mvL)^2
    const double jumpX = muR * rhoL - rhoR * muL;
    const double jumpY = rhoL * mvR - rhoR * mvL;
    const double jumpTerm = jumpX * jumpX + jumpY * jumpY;

    // P~ = (g - 1)[E~ - w^2 ((g - 1)/(2g)) D/(rhoR rhoL) - rho~ q~^2/2] = rho~ a~^2/g
    const double pAvg =
        (gamma - 1.0) * (eAvg - w * w * ((gamma - 1.0) / (2.0 * gamma)) * jumpTerm / (rhoR * rhoL) -
                         rhoAvg * 0.5 * avg.q2);

    // Floor the pressure; sound speed and enthalpy follow from the floored value.
    const double pFloored = pAvg >= pressureFloor ? pAvg : pressureFloor;
    avg.a2 = gamma * pFloored / rhoAvg;
    avg.a = std::sqrt(avg.a2);
    avg.h = 0.5 * avg.q2 + avg.a2 / (gamma - 1.0);
    return avg;
}

// A- = R diag(min(lambda, 0)) L of a Roe-averaged face state for a unit normal.
KESTRAFOL_ALWAYS_INLINE inline void negativeWaveMatrix(Block4& negJacobian, const RoeAverage& r,
                                                       double unitNx, double unitNy, double gamma) {
    const double nx = unitNx;
    const double ny = unitNy;
    const double vn = r.u * nx + r.v * ny;  // normal velocity V~n
    const double k = gamma - 1.0;
    const double halfQ2 = 0.5 * r.q2;

    // Eigenvalues in wave order: Vn - a, Vn, Vn + a, Vn.
    const double lambda[4] = {vn - r.a, vn, vn + r.a, vn};

    // Right eigenvectors: rows are conserved variables, column j the eigenvector of wave j.
    const double right[4][4] = {
        {1.0, 1.0, 1.0, 0.0},
        {r.u - r.a * nx, r.u, r.u + r.a * nx, ny},
        {r.v - r.a * ny, r.v, r.v + r.a * ny, -nx},
        {r.h - r.a * vn, halfQ2, r.h + r.a * vn, r.u * ny - r.v * nx},
    };

    // Left eigenvectors (the inverse of R): rows are waves, c = 0.5/a^2.
    const double c = 0.5 / r.a2;
    const double left[4][4] = {
        {c * (k * halfQ2 + r.a * vn), c * (-k * r.u - r.a * nx), c * (-k * r.v - r.a * ny), c * k},
        {1.0 - k * halfQ2 / r.a2, k * r.u / r.a2, k * r.v / r.a2, -k / r.a2},
        {c * (k * halfQ2 - r.a * vn), c * (r.a * nx - k * r.u), c * (r.a * ny - k * r.v), c * k},
        {r.v * nx - r.u * ny, ny, -nx, 0.0},
    };

    // lambda- = lambda if lambda < 0, else 0; then row k of L scaled by lambda-_k, and
    // A-[4i + j] = sum_k R[i][k] (lambda-_k L[k][j]), accumulated in k order from 0.
    //
    // A wave with lambda- = 0 adds R[i][k] (0 L[k][j]), a zero, to every entry. An entry
    // starts at +0 and a sum that starts at +0 is never -0 in round-to-nearest, so adding a
    // zero leaves it exactly as it is: such a wave is skipped, unless one of its eigenvector
    // entries is not finite (then its product is NaN and must be added).
    for (int m = 0; m < 16; ++m) negJacobian[m] = 0.0;
    for (int w = 0; w < 4; ++w) {
        const double negLambda = lambda[w] < 0.0 ? lambda[w] : 0.0;
        if (negLambda == 0.0 && std::isfinite(right[0][w]) && std::isfinite(right[1][w]) &&
            std::isfinite(right[2][w]) && std::isfinite(right[3][w]) && std::isfinite(left[w][0]) &&
            std::isfinite(left[w][1]) && std::isfinite(left[w][2]) && std::isfinite(left[w][3]))
            continue;
        double scaledLeft[4];
        for (int j = 0; j < 4; ++j) scaledLeft[j] = negLambda * left[w][j];
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) negJacobian[4 * i + j] += right[i][w] * scaledLeft[j];
    }
}

// Negative-wave part of the Roe matrix for a unit normal: A- = R diag(min(lambda, 0)) L.
KESTRAFOL_ALWAYS_INLINE inline void roeDissipation(Block4& negJacobian, const double* stateLeft,
                                                   const double* stateRight, double unitNx,
                                                   double unitNy, double gamma) {
    negativeWaveMatrix(negJacobian, roeAverage(stateLeft, stateRight, gamma), unitNx, unitNy,
                       gamma);
}

// Physical flux of one state along a unit normal, with the state's pressure floored.
KESTRAFOL_ALWAYS_INLINE inline void projectedFlux(Vec4& f, const double* u, double nx, double ny,
                                                  double gamma) {
    const double rho = u[0], mu = u[1], mv = u[2], e = u[3];
    // u = mu/rho, v = mv/rho, ke = ((mv)^2 + (mu)^2)/(2 rho), p = (g - 1)(E - ke)
    const double vx = mu / rho;
    const double vy = mv / rho;
    const double ke = kineticEnergy(rho, mu, mv);
    double p = pressureFromKinetic(e, ke, gamma);
    // Below the floor the energy flux uses the energy that goes with the floored pressure.
    double eFlux = e;
    if (p < pressureFloor) {
        p = pressureFloor;
        eFlux = ke + pressureFloor / (gamma - 1.0);
    }
    const double vn = vx * nx + vy * ny;
    f[0] = mu * nx + mv * ny;
    f[1] = mu * vn + p * nx;
    f[2] = mv * vn + p * ny;
    f[3] = vn * (eFlux + p);
}

// Flux Jacobian A = d(F.n)/dU of one state along a unit normal; only its enthalpy uses the
// floored pressure.
KESTRAFOL_ALWAYS_INLINE inline void projectedJacobian(Block4& a, const double* u, double nx,
                                                      double ny, double gamma) {
    const double rho = u[0], mu = u[1], mv = u[2], e = u[3];
    // p = (g - 1)(E - ((mv)^2 + (mu)^2)/(2 rho)), p^ = max(p, floor)
    const double p = pressureFromKinetic(e, kineticEnergy(rho, mu, mv), gamma);
    const double pFloored = p < pressureFloor ? pressureFloor : p;
    const double vx = mu / rho;
    const double vy = mv / rho;
    // Q = (v^2 + u^2)/2, phi = (g - 1) Q, H = Q + g p^/rho/(g - 1), Vn = nx u + ny v
    const double q = 0.5 * (vy * vy + vx * vx);
    const double phi = (gamma - 1.0) * q;
    const double h = q + gamma * pFloored / rho / (gamma - 1.0);
    const double vn = nx * vx + ny * vy;

    a[0] = 0.0;
    a[1] = nx;
    a[2] = ny;
    a[3] = 0.0;

    a[4] = nx * phi - vx * vn;
    a[5] = vn - nx * vx * (gamma - 2.0);
    a[6] = ny * vx - nx * vy * (gamma - 1.0);
    a[7] = nx * (gamma - 1.0);

    a[8] = ny * phi - vy * vn;
    a[9] = nx * vy - ny * vx * (gamma - 1.0);
    a[10] = vn - ny * vy * (gamma - 2.0);
    a[11] = ny * (gamma - 1.0);

    a[12] = vn * (phi - h);
    a[13] = nx * h - vn * vx * (gamma - 1.0);
    a[14] = ny * h - vn * vy * (gamma - 1.0);
    a[15] = gamma * vn;
}

// Upwind flux F(UL).n + A-(UR - UL) times |n|, and its first-order Jacobians at the lin pair:
// jacLeft = |n|(A(linL) - A-lin), jacRight = |n| A-lin. With linIsFluxPair the caller
// promises that the lin pair holds the same values as the flux pair, and A- is formed once.
template <bool linIsFluxPair>
KESTRAFOL_ALWAYS_INLINE inline void roeFlux(double* flux, Block4& jacLeft, Block4& jacRight,
                                            const double* stateLeft, const double* stateRight,
                                            const double* linStateLeft, const double* linStateRight,
                                            double nx, double ny, double gamma) {
    // |n| and the unit normal
    const double length = std::sqrt(nx * nx + ny * ny);
    const double unitNx = nx / length;
    const double unitNy = ny / length;

    // dU = UR - UL
    Vec4 jump;
    for (int j = 0; j < 4; ++j) jump[j] = stateRight[j] - stateLeft[j];

    // Both Roe averages first: their square-root and division chains are independent and
    // overlap in the processor when they stand side by side.
    const RoeAverage fluxAverage = roeAverage(stateLeft, stateRight, gamma);
    RoeAverage linAverage{};
    if constexpr (!linIsFluxPair) linAverage = roeAverage(linStateLeft, linStateRight, gamma);

    // A- of the flux pair
    Block4 negJacobian;
    negativeWaveMatrix(negJacobian, fluxAverage, unitNx, unitNy, gamma);

    // F = F(UL).n + A- dU, then scaled by |n|
    Vec4 f;
    projectedFlux(f, stateLeft, unitNx, unitNy, gamma);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) f[i] += negJacobian[4 * i + j] * jump[j];
    for (int i = 0; i < 4; ++i) flux[i] = length * f[i];

    // Blocks at the linearisation pair, with A- held fixed.
    Block4 negJacobianLinStorage;
    const Block4* negJacobianLin = &negJacobian;
    if constexpr (!linIsFluxPair) {
        negativeWaveMatrix(negJacobianLinStorage, linAverage, unitNx, unitNy, gamma);
        negJacobianLin = &negJacobianLinStorage;
    }
    Block4 a;
    projectedJacobian(a, linStateLeft, unitNx, unitNy, gamma);
    for (int m = 0; m < 16; ++m) {
        jacLeft[m] = length * (a[m] - (*negJacobianLin)[m]);
        jacRight[m] = length * (*negJacobianLin)[m];
    }
}

}  // namespace kestrafol::kernels
