#include "base/settings.h"

#include <cmath>

namespace kestrafol {

void settingsFromParameters(SolverSettings& settings, const ParameterVector& parameters) {
    // Integer entries are truncated toward zero.
    settings.spatialOrder = static_cast<int>(parameters[1]);
    settings.localStepping = static_cast<int>(parameters[3]);
    settings.timeMode = static_cast<int>(parameters[5]);
    settings.passesPerCall = static_cast<int>(parameters[6]);

    settings.reconstructionWeight = parameters[2];
    settings.cfl = parameters[7];
    settings.globalTimeStep = parameters[9];
    settings.gamma = parameters[11];
    settings.mach = parameters[10];
    settings.reynolds = parameters[14];

    // Degrees to radians with pi formed as 4 atan(1), left to right.
    settings.alpha = std::atan(1.0) * 4.0 / 180.0 * parameters[12];

    settings.viscous = static_cast<double>(static_cast<int>(parameters[13]));
}

void methodOptionsFromEntries(MethodOptions& options, std::span<const double> entries) {
    options = MethodOptions{};
    auto entry = [&](std::size_t k, double fallback) {
        return k < entries.size() ? entries[k] : fallback;
    };
    options.stepControl = static_cast<int>(entry(0, options.stepControl));
    options.courantStart = entry(1, options.courantStart);
    options.courantMax = entry(2, options.courantMax);
    options.symmetricSweeps = static_cast<int>(entry(3, options.symmetricSweeps));
    options.limiter = static_cast<int>(entry(4, options.limiter));
    options.limiterThreshold = entry(5, options.limiterThreshold);
    options.vortexFarField = static_cast<int>(entry(6, options.vortexFarField));
    options.maxSweeps = static_cast<int>(entry(7, options.maxSweeps));
}

}  // namespace kestrafol
