// Upwind Roe flux through one dual face, F(UL).n + A-(UR - UL) times the face length, and its
// first-order Jacobian blocks evaluated at a separate linearisation pair. The arithmetic is
// the inline kernel of roe_kernels.h.
#include "flux/flux.h"
#include "flux/roe_kernels.h"

namespace kestrafol {

void roeFlux(double* flux, Block4& jacLeft, Block4& jacRight, const double* stateLeft,
             const double* stateRight, const double* linStateLeft, const double* linStateRight,
             double nx, double ny, double gamma) {
    kernels::roeFlux<false>(flux, jacLeft, jacRight, stateLeft, stateRight, linStateLeft,
                            linStateRight, nx, ny, gamma);
}

}  // namespace kestrafol
