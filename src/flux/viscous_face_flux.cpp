// Negative laminar viscous flux through one dual face, scaled by 1/Re, from the velocities and
// velocity gradients at the two ends of its edge.
#include "flux/flux.h"
#include "flux/viscous_stress.h"

namespace kestrafol {

double* viscousFaceFlux(double* viscousFlux, const double* velocityFirst,
                        const double* velocitySecond, const double* gradFirst,
                        const double* gradSecond, double dx, double dy, double nx, double ny,
                        double inverseReynolds) {
    // G = |d|^2, the squared edge length
    const double g = dx * dx + dy * dy;

    // Mean of the two nodal gradients.
    const double uxMean = 0.5 * (gradFirst[0] + gradSecond[0]);
    const double uyMean = 0.5 * (gradFirst[1] + gradSecond[1]);
    const double vxMean = 0.5 * (gradFirst[2] + gradSecond[2]);
    const double vyMean = 0.5 * (gradFirst[3] + gradSecond[3]);

    // Replace the component along the edge by the difference of the end values:
    // J = (q_b - q_a) - mean . d, grad = mean + J d/G
    const double jumpU = (velocitySecond[0] - velocityFirst[0]) - (uyMean * dy + uxMean * dx);
    const double jumpV = (velocitySecond[1] - velocityFirst[1]) - (vxMean * dx + vyMean * dy);
    const double ux = uxMean + jumpU * dx / g;
    const double uy = uyMean + jumpU * dy / g;
    const double vx = vxMean + jumpV * dx / g;
    const double vy = vyMean + jumpV * dy / g;

    // Stokes stresses (unit viscosity; 1/Re applied below).
    const Stress tau = stokesStress(ux, uy, vx, vy);
    const double txx = tau.xx, tyy = tau.yy, txy = tau.xy;

    // Face velocity for the work of the stresses.
    const double uFace = 0.5 * (velocityFirst[0] + velocitySecond[0]);
    const double vFace = 0.5 * (velocityFirst[1] + velocitySecond[1]);

    viscousFlux[0] = 0.0;
    viscousFlux[1] = -(txx * nx + txy * ny) * inverseReynolds;
    viscousFlux[2] = -(txy * nx + tyy * ny) * inverseReynolds;
    viscousFlux[3] =
        -((txx * uFace + txy * vFace) * nx + (txy * uFace + tyy * vFace) * ny) * inverseReynolds;
    return viscousFlux;
}

}  // namespace kestrafol
