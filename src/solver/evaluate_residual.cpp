// One residual evaluation: clear, interior fluxes, viscous fluxes, time terms, boundaries.
#include <algorithm>

#include "solver/iterate_cycle.h"
#include "flux/flux.h"
#include "time/time.h"

namespace kestrafol {

void evaluateResidual(SolverState& state, SolverSettings& settings) {
    const std::size_t n = static_cast<std::size_t>(state.nodeCount);
    std::fill_n(state.residual.begin(), 4 * n, 0.0);
    std::fill_n(state.diagBlocks.begin(), 16 * n, 0.0);

    // Every off-diagonal block gets exactly one contribution, from the interior edge it
    // belongs to: the assembly stores 0 + that contribution, the same bits as clearing the
    // block and adding, without a pass over the largest array of the solver.
    assembleInteriorFluxesOverwrite(state, settings);
    if (!(settings.viscous == 0.0)) assembleViscousFluxes(state, settings);
    addTimeTerms(state, settings);
    // Boundary terms come last so they land on top of the time terms.
    applyBoundaryConditions(state, settings);
}

}  // namespace kestrafol
