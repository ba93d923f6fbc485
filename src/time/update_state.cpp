// Adds the increment to the state, recomputes the nodal pressure and applies the pressure and
// density floors, both from the values just updated. Counts the nodes put on a floor.
#include "base/physics.h"
#include "time/time.h"

namespace kestrafol {

void updateState(SolverState& state, const SolverSettings& settings) {
    const double gamma = settings.gamma;
    const std::size_t n = static_cast<std::size_t>(state.nodeCount);

    for (std::size_t k = 0; k < 4 * n; ++k) state.state[k] += state.delta[k];

    long long floorHits = 0;
    for (std::size_t i = 0; i < n; ++i) {
        double* q = &state.state[4 * i];
        const double rho = q[0];
        const double mx = q[1];
        const double my = q[2];
        const double energy = q[3];
        const double kinetic = kineticEnergy(rho, mx, my);
        double p = pressureFromKinetic(energy, kinetic, gamma);
        if (p < pressureFloor || rho < densityFloor) ++floorHits;
        if (p < pressureFloor) {
            p = pressureFloor;
            q[3] = kinetic + pressureFloor / (gamma - 1.0);
        }
        if (rho < densityFloor) {
            q[1] = mx * densityFloor / rho;
            q[2] = my * densityFloor / rho;
            q[3] = energy * densityFloor / rho;
            q[0] = densityFloor;
        }
        state.pressure[i] = p;
    }
    state.floorHits += floorHits;
}

}  // namespace kestrafol
