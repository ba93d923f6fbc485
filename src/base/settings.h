#pragma once
// The host's 16-entry settings vector and the record every solver operation reads.
#include <array>
#include <cstddef>
#include <span>

namespace kestrafol {

using ParameterVector = std::array<double, 16>;

// Where each setting sits in the host's vector; the entries named nowhere here (0, 4, 8, 15)
// are read by nothing.
namespace parameter {
inline constexpr std::size_t spatialOrder = 1;
inline constexpr std::size_t reconstructionWeight = 2;
inline constexpr std::size_t localStepping = 3;
inline constexpr std::size_t timeMode = 5;
inline constexpr std::size_t passesPerCall = 6;
inline constexpr std::size_t cfl = 7;
inline constexpr std::size_t globalTimeStep = 9;
inline constexpr std::size_t mach = 10;
inline constexpr std::size_t gamma = 11;
inline constexpr std::size_t alpha = 12;
inline constexpr std::size_t viscous = 13;
inline constexpr std::size_t reynolds = 14;
}  // namespace parameter

// The name of an entry of the host's vector, as messages spell it ("" for an unused one).
constexpr const char* entryName(std::size_t index) {
    switch (index) {
        case parameter::spatialOrder: return "spatialOrder";
        case parameter::reconstructionWeight: return "reconstructionWeight";
        case parameter::localStepping: return "localStepping";
        case parameter::timeMode: return "timeMode";
        case parameter::passesPerCall: return "passesPerCall";
        case parameter::cfl: return "cfl";
        case parameter::globalTimeStep: return "globalTimeStep";
        case parameter::mach: return "mach";
        case parameter::gamma: return "gamma";
        case parameter::alpha: return "alpha";
        case parameter::viscous: return "viscous";
        case parameter::reynolds: return "reynolds";
        default: return "";
    }
}

// The choices of the method that the host class's vector cannot reach: the defaults are the
// library's method, and only a host that passes more settings than the 16 may change them.
struct MethodOptions {
    // Time step: 0 spreads every node between 5 and 40 times its base step; 1 gives every node
    // the same Courant number, grown as the residual falls (steady mode only).
    int stepControl = 0;
    double courantStart = 5.0;   // Courant number of the first call and after trouble
    double courantMax = 1000.0;  // the largest Courant number step control 1 reaches
    // Gauss-Seidel: 0 forward sweeps; 1 each sweep forward and then backward.
    int symmetricSweeps = 0;
    // Limiter: 0 min/max; 1 differentiable, with the threshold (K h)^3, h = sqrt(dual area).
    int limiter = 0;
    double limiterThreshold = 5.0;  // K
    // Far field: 0 the free stream; 1 the free stream plus the compressible point vortex of the
    // lift the walls carry (subsonic free streams only).
    int vortexFarField = 0;
    // The most Gauss-Seidel sweeps a pass runs before its increment has settled.
    int maxSweeps = 20;
};

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
    MethodOptions method;  // never set from the 16-entry vector
};

// Overwrites every field of `settings` from the host vector, except `method`.
void settingsFromParameters(SolverSettings& settings, const ParameterVector& parameters);

// Where the method options sit in a settings vector longer than 16 values: from entry
// methodEntriesFirst on, each at its offset below.
inline constexpr std::size_t methodEntriesFirst = 16;
namespace methodEntry {
inline constexpr std::size_t stepControl = 0;
inline constexpr std::size_t courantStart = 1;
inline constexpr std::size_t courantMax = 2;
inline constexpr std::size_t symmetricSweeps = 3;
inline constexpr std::size_t limiter = 4;
inline constexpr std::size_t limiterThreshold = 5;
inline constexpr std::size_t vortexFarField = 6;
inline constexpr std::size_t maxSweeps = 7;
}  // namespace methodEntry
inline constexpr std::size_t methodEntryCount = 8;

// The name of a method entry by its offset, as messages spell it.
constexpr const char* methodEntryName(std::size_t offset) {
    constexpr const char* names[methodEntryCount] = {
        "stepControl", "courantStart",     "courantMax",     "symmetricSweeps",
        "limiter",     "limiterThreshold", "vortexFarField", "maxSweeps"};
    return offset < methodEntryCount ? names[offset] : "";
}

// Sets `options` from the entries after the first 16 of a settings vector (`entries` starts at
// entry 16); an option without an entry keeps the library's method.
void methodOptionsFromEntries(MethodOptions& options, std::span<const double> entries);

}  // namespace kestrafol
