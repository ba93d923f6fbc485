#pragma once
// Small physics every layer shares: the pressure of a conserved state (in its two evaluation
// orders, which round differently and both stay), the free stream and the kind of a boundary tag.
#include <cmath>
#include <cstddef>

#include "base/settings.h"
#include "base/solver_state.h"

namespace kestrafol {

// Kinetic energy per volume from density and momenta: (my^2 + mx^2) / 2 / rho.
inline double kineticEnergy(double rho, double mx, double my) { return 0.5 * (my * my + mx * mx) / rho; }

// Pressure from total and kinetic energy per volume: (gamma - 1)(E - ke). The fluxes, their
// Jacobians and the state update evaluate the pressure this way.
inline double pressureFromKinetic(double energy, double kinetic, double gamma) {
    return (gamma - 1.0) * (energy - kinetic);
}

// Pressure from density, velocity and total energy: (gamma - 1)(E - rho/2 (u^2 + v^2)), the
// velocities divided out first. The time steps and the wall forces evaluate the pressure this way.
inline double pressureFromVelocity(double rho, double u, double v, double energy, double gamma) {
    return (gamma - 1.0) * (energy - 0.5 * rho * (u * u + v * v));
}

// Total energy per volume of the free stream: density 1, pressure 1/gamma, speed mach.
inline double freeStreamEnergy(double gamma, double mach) {
    return (1.0 / gamma) / (gamma - 1.0) + 0.5 * mach * mach;
}

// The conserved free-stream state of the current settings: speed mach at angle alpha.
inline Vec4 freeStreamState(const SolverSettings& settings) {
    const double mach = settings.mach;
    return {1.0, mach * std::cos(settings.alpha), mach * std::sin(settings.alpha),
            freeStreamEnergy(settings.gamma, mach)};
}

// Kind of a boundary tag; a tag without an entry in the kind table has kind 0 (none).
inline int kindOfTag(const SolverState& state, int tag) {
    if (tag < 1 || tag > state.boundaryKindCount) return 0;
    return state.boundaryKinds[static_cast<std::size_t>(tag - 1)];
}

}  // namespace kestrafol
