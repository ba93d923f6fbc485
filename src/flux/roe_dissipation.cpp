// Negative-wave part of the Roe matrix of a face: A- = R diag(min(lambda, 0)) L for a unit
// normal, from the Roe average of the two states with the pressure floor applied. The
// arithmetic is the inline kernel of roe_kernels.h.
#include "flux/flux.h"
#include "flux/roe_kernels.h"

namespace kestrafol {

void roeDissipation(Block4& negJacobian, const double* stateLeft, const double* stateRight,
                    double unitNx, double unitNy, double gamma) {
    kernels::roeDissipation(negJacobian, stateLeft, stateRight, unitNx, unitNy, gamma);
}

}  // namespace kestrafol
