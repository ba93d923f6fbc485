// One advance step: shift the time levels, compute what stays fixed during the step, then
// run the residual passes.
#include "solver/iterate_cycle.h"

#include <cmath>

#include "base/physics.h"
#include "diag/diag.h"
#include "flux/flux.h"
#include "time/time.h"

namespace kestrafol {

namespace {

// What the optional step control and vortex far field need from the last pass: the residual
// norm, and the circulation of the walls' lift (Kutta-Joukowski: lift / (rho U), with free-stream
// density 1 and speed mach) about the centroid of the wall edges. The lift counts the pressure
// above the free stream's (1 / gamma): the two agree on a closed body, but a wall that is part of
// the domain's edge (a plate on a symmetry line) feels the free-stream pressure on one side only,
// which is no circulation. The vortex needs a subsonic free stream; otherwise the circulation
// stays 0.
void rememberForMethod(SolverState& state, const SolverSettings& settings) {
    const MethodOptions& options = settings.method;
    if (options.stepControl != 1 && options.vortexFarField != 1) return;
    const std::array<double, 5> values = computeCoefficients(state, settings);
    if (!state.method.residualCarried) state.method.residualNorm = values[1];
    state.method.residualCarried = false;
    if (options.vortexFarField != 1) return;
    double length = 0.0, sx = 0.0, sy = 0.0, nx = 0.0, ny = 0.0;
    for (int e = 0; e < state.boundaryEdgeCount; ++e) {
        const int* edge = &state.boundaryEdges[3 * static_cast<std::size_t>(e)];
        if (roleOf(kindOfTag(state, edge[2])) != BoundaryRole::Wall) continue;
        const double* a = &state.coords[2 * static_cast<std::size_t>(edge[0])];
        const double* b = &state.coords[2 * static_cast<std::size_t>(edge[1])];
        const double l = std::hypot(b[0] - a[0], b[1] - a[1]);
        length += l;
        sx += l * 0.5 * (a[0] + b[0]);
        sy += l * 0.5 * (a[1] + b[1]);
        nx += b[1] - a[1];  // the outward normals the wall force integrates, summed
        ny += a[0] - b[0];
    }
    const double mach = settings.mach;
    const bool subsonic = mach > 0.0 && mach < 1.0;
    const double alpha = settings.alpha;
    const double freeStreamLift =
        (std::cos(alpha) * ny - std::sin(alpha) * nx) / settings.gamma;
    const double lift = values[2] * (0.5 * mach * mach) - freeStreamLift;
    state.method.circulation = subsonic && length > 0.0 && std::isfinite(lift) ? lift / mach : 0.0;
    if (length > 0.0) {
        state.method.vortexX = sx / length;
        state.method.vortexY = sy / length;
    }
}

}  // namespace

const std::vector<double>& iterateCycle(SolverState& state, SolverSettings& settings) {
    const std::size_t n = static_cast<std::size_t>(state.nodeCount);

    for (std::size_t k = 0; k < 4 * n; ++k) {
        state.statePrev2[k] = state.statePrev[k];
        state.statePrev[k] = state.state[k];
    }

    computeGradients(state);

    if (!(settings.viscous == 0.0)) {
        for (std::size_t i = 0; i < n; ++i)
            state.scalarWork[i] = state.state[4 * i + 1] / state.state[4 * i];  // x-velocity
        scalarGradient(state, state.scalarWork.data(), state.velocityGradX.data());
        for (std::size_t i = 0; i < n; ++i)
            state.scalarWork[i] = state.state[4 * i + 2] / state.state[4 * i];  // y-velocity
        scalarGradient(state, state.scalarWork.data(), state.velocityGradY.data());
    }

    computeLimiter(state, settings);
    rememberForMethod(state, settings);
    computeTimeSteps(state, settings);

    // The pass count is re-read before every pass: the first pass may rewrite it.
    for (int pass = 0; pass < settings.passesPerCall; ++pass) {
        evaluateResidual(state, settings);
        implicitSolve(state, settings);
    }

    return state.state;
}

}  // namespace kestrafol
