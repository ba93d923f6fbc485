// Upwind Roe flux through one dual face, F(UL).n + A-(UR - UL) times the face length, and its
// first-order Jacobian blocks evaluated at a separate linearisation pair.
#include <cmath>

#include "flux/flux.h"

namespace kestrafol {

namespace {

// Physical flux of one state along a unit normal, with the state's pressure floored.
inline void projectedFlux(Vec4& f, const double* u, double nx, double ny, double gamma) {
    const double rho = u[0], mu = u[1], mv = u[2], e = u[3];
    // u = mu/rho, v = mv/rho, ke = ((mv)^2 + (mu)^2)/(2 rho), p = (g - 1)(E - ke)
    const double vx = mu / rho;
    const double vy = mv / rho;
    const double ke = 0.5 * (mv * mv + mu * mu) / rho;
    double p = (gamma - 1.0) * (e - ke);
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
inline void projectedJacobian(Block4& a, const double* u, double nx, double ny, double gamma) {
    const double rho = u[0], mu = u[1], mv = u[2], e = u[3];
    // p = (g - 1)(E - ((mv)^2 + (mu)^2)/(2 rho)), p^ = max(p, floor)
    const double p = (gamma - 1.0) * (e - 0.5 * (mv * mv + mu * mu) / rho);
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

}  // namespace

void roeFlux(double* flux, Block4& jacLeft, Block4& jacRight, const double* stateLeft,
             const double* stateRight, const double* linStateLeft, const double* linStateRight,
             double nx, double ny, double gamma) {
    // |n| and the unit normal
    const double length = std::sqrt(nx * nx + ny * ny);
    const double unitNx = nx / length;
    const double unitNy = ny / length;

    // dU = UR - UL
    Vec4 jump;
    for (int j = 0; j < 4; ++j) jump[j] = stateRight[j] - stateLeft[j];

    // A- of the flux pair
    Block4 negJacobian;
    roeDissipation(negJacobian, stateLeft, stateRight, unitNx, unitNy, gamma);

    // F = F(UL).n + A- dU, then scaled by |n|
    Vec4 f;
    projectedFlux(f, stateLeft, unitNx, unitNy, gamma);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) f[i] += negJacobian[4 * i + j] * jump[j];
    for (int i = 0; i < 4; ++i) flux[i] = length * f[i];

    // Blocks at the linearisation pair, with A- held fixed:
    // jacLeft = |n|(A(UL) - A-), jacRight = |n| A-
    Block4 negJacobianLin;
    roeDissipation(negJacobianLin, linStateLeft, linStateRight, unitNx, unitNy, gamma);
    Block4 a;
    projectedJacobian(a, linStateLeft, unitNx, unitNy, gamma);
    for (int m = 0; m < 16; ++m) {
        jacLeft[m] = length * (a[m] - negJacobianLin[m]);
        jacRight[m] = length * negJacobianLin[m];
    }
}

}  // namespace kestrafol
