#include "base/settings.h"

#include <cmath>

namespace kestrafol {

void settingsFromParameters(SolverSettings& settings, const ParameterVector& parameters) {
    // Integer entries are truncated toward zero.
    settings.spatialOrder = static_cast<int>(parameters[parameter::spatialOrder]);
    settings.localStepping = static_cast<int>(parameters[parameter::localStepping]);
    settings.timeMode = static_cast<int>(parameters[parameter::timeMode]);
    settings.passesPerCall = static_cast<int>(parameters[parameter::passesPerCall]);

    settings.reconstructionWeight = parameters[parameter::reconstructionWeight];
    settings.cfl = parameters[parameter::cfl];
    settings.globalTimeStep = parameters[parameter::globalTimeStep];
    settings.gamma = parameters[parameter::gamma];
    settings.mach = parameters[parameter::mach];
    settings.reynolds = parameters[parameter::reynolds];

    // Degrees to radians with pi formed as 4 atan(1), left to right.
    settings.alpha = std::atan(1.0) * 4.0 / 180.0 * parameters[parameter::alpha];

    settings.viscous = static_cast<double>(static_cast<int>(parameters[parameter::viscous]));
}

void methodOptionsFromEntries(MethodOptions& options, std::span<const double> entries) {
    options = MethodOptions{};
    auto entry = [&](std::size_t k, double fallback) {
        return k < entries.size() ? entries[k] : fallback;
    };
    options.stepControl = static_cast<int>(entry(methodEntry::stepControl, options.stepControl));
    options.courantStart = entry(methodEntry::courantStart, options.courantStart);
    options.courantMax = entry(methodEntry::courantMax, options.courantMax);
    options.symmetricSweeps =
        static_cast<int>(entry(methodEntry::symmetricSweeps, options.symmetricSweeps));
    options.limiter = static_cast<int>(entry(methodEntry::limiter, options.limiter));
    options.limiterThreshold = entry(methodEntry::limiterThreshold, options.limiterThreshold);
    options.vortexFarField =
        static_cast<int>(entry(methodEntry::vortexFarField, options.vortexFarField));
    options.maxSweeps = static_cast<int>(entry(methodEntry::maxSweeps, options.maxSweeps));
}

}  // namespace kestrafol
