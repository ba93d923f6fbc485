#pragma once
// Small physics every layer shares: the pressure of a conserved state (in its two evaluation
// orders, which round differently and both stay), the free stream, the kind of a boundary tag and
// what each kind is to the flow.
#include <cmath>
#include <cstddef>

#include "base/settings.h"
#include "base/solver_state.h"

namespace kestrafol {

// Kinetic energy per volume from density and momenta: (my^2 + mx^2) / 2 / rho.
inline double kineticEnergy(double rho, double mx, double my) {
    return 0.5 * (my * my + mx * mx) / rho;
}

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

// Kind of a boundary tag. checkMeshContents refuses, at load, a tag outside the kind table and a
// kind code outside BoundaryKind, so every tag of a loaded solver has one of the named kinds.
inline BoundaryKind kindOfTag(const SolverState& state, int tag) {
    return static_cast<BoundaryKind>(state.boundaryKinds[static_cast<std::size_t>(tag - 1)]);
}

// Every switch on a BoundaryKind names each kind and has no default, so that a new kind does not
// compile (-Werror=switch) until each such place decides for it. The end after such a switch is
// never reached: load-time validation admits no other code.
[[noreturn]] inline void unknownBoundaryKind() { __builtin_unreachable(); }

// A kind's role: walls carry the force and the circulation, open boundaries neither.
constexpr BoundaryRole roleOf(BoundaryKind kind) {
    switch (kind) {
        case Farfield:
            return BoundaryRole::Open;
        case SlipWall:
        case NoSlipWall:
            return BoundaryRole::Wall;
    }
    unknownBoundaryKind();
}

// True for the kind whose nodes have their momentum damped after every evaluation.
constexpr bool dampsMomentum(BoundaryKind kind) {
    switch (kind) {
        case NoSlipWall:
            return true;
        case Farfield:
        case SlipWall:
            return false;
    }
    unknownBoundaryKind();
}

}  // namespace kestrafol
