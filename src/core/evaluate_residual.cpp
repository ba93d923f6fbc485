// One residual evaluation: clear, interior fluxes, viscous fluxes, time terms, boundaries.
#include <algorithm>

#include "core/iterate_cycle.h"
#include "flux/flux.h"
#include "time/time.h"

namespace kestrafol {

void evaluateResidual(SolverState& state, SolverSettings& settings) {
    const std::size_t n = static_cast<std::size_t>(state.nodeCount);
    const std::size_t m = static_cast<std::size_t>(state.edgeCount);
    std::fill_n(state.residual.begin(), 4 * n, 0.0);
    std::fill_n(state.offDiagBlocks.begin(), 2 * m * 16, 0.0);
    std::fill_n(state.diagBlocks.begin(), 16 * n, 0.0);

    assembleInteriorFluxes(state, settings);
    if (!(settings.viscous == 0.0)) assembleViscousFluxes(state, settings);
    addTimeTerms(state, settings);
    // Boundary terms come last so they land on top of the time terms.
    applyBoundaryConditions(state, settings);
}

}  // namespace kestrafol
