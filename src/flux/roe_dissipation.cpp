// Negative-wave part of the Roe matrix of a face: A- = R diag(min(lambda, 0)) L for a unit
// normal, from the Roe average of the two states with the pressure floor applied.
#include <cmath>

#include "flux/flux.h"

namespace kestrafol {

namespace {

// The Roe-averaged face state, with the sound speed derived from the floored pressure.
struct RoeAverage {
    double u;       // averaged x-velocity
    double v;       // averaged y-velocity
    double q2;      // u^2 + v^2
    double a2;      // squared sound speed
    double a;       // sound speed
    double h;       // total enthalpy per unit mass
};

// Roe average of two conserved states.
inline RoeAverage roeAverage(const double* left, const double* right, double gamma) {
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
    const double pAvg = (gamma - 1.0) * (eAvg - w * w * ((gamma - 1.0) / (2.0 * gamma)) *
                                                    jumpTerm / (rhoR * rhoL) -
                                         rhoAvg * 0.5 * avg.q2);

    // Floor the pressure; sound speed and enthalpy follow from the floored value.
    const double pFloored = pAvg >= pressureFloor ? pAvg : pressureFloor;
    avg.a2 = gamma * pFloored / rhoAvg;
    avg.a = std::sqrt(avg.a2);
    avg.h = 0.5 * avg.q2 + avg.a2 / (gamma - 1.0);
    return avg;
}

}  // namespace

void roeDissipation(Block4& negJacobian, const double* stateLeft, const double* stateRight,
                    double unitNx, double unitNy, double gamma) {
    const RoeAverage r = roeAverage(stateLeft, stateRight, gamma);
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
        {c * (k * halfQ2 + r.a * vn), c * (-k * r.u - r.a * nx), c * (-k * r.v - r.a * ny),
         c * k},
        {1.0 - k * halfQ2 / r.a2, k * r.u / r.a2, k * r.v / r.a2, -k / r.a2},
        {c * (k * halfQ2 - r.a * vn), c * (r.a * nx - k * r.u), c * (r.a * ny - k * r.v), c * k},
        {r.v * nx - r.u * ny, ny, -nx, 0.0},
    };

    // lambda- = lambda if lambda < 0, else 0; then row k of L scaled by lambda-_k.
    double scaledLeft[4][4];
    for (int w = 0; w < 4; ++w) {
        const double negLambda = lambda[w] < 0.0 ? lambda[w] : 0.0;
        for (int j = 0; j < 4; ++j) scaledLeft[w][j] = negLambda * left[w][j];
    }

    // A-[4i + j] = sum_k R[i][k] (lambda-_k L[k][j]), accumulated in k order from 0.
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double& entry = negJacobian[4 * i + j];
            entry = 0.0;
            for (int w = 0; w < 4; ++w) entry += right[i][w] * scaledLeft[w][j];
        }
    }
}

}  // namespace kestrafol
