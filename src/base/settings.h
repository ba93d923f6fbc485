#pragma once
// The host's 16-entry settings vector and the record every solver operation reads.
#include <array>

namespace kestrafol {

using ParameterVector = std::array<double, 16>;

// Scheme and flow settings of one solver. Operations read fields at the moment of use.
struct SolverSettings {
    int spatialOrder = 1;
    double reconstructionWeight = 0.0;
    int localStepping = 0;
    int timeMode = 0;
    int passesPerCall = 1;
    double cfl = 0.0;
    double globalTimeStep = 0.0;
    double gamma = 1.4;
    double mach = 0.0;
    double alpha = 0.0;    // radians
    double viscous = 0.0;  // a whole number; non-zero switches the laminar terms on
    double reynolds = 0.0;
};

// Overwrites every field of `settings` from the host vector.
void settingsFromParameters(SolverSettings& settings, const ParameterVector& parameters);

}  // namespace kestrafol
