// Inviscid flux through the dual face of every edge, added to the residual of both nodes with
// opposite signs, and its first-order blocks added to the matrix.
#include "flux/flux.h"
#include "flux/interior_edge_loop.h"

namespace kestrafol {

void assembleInteriorFluxes(SolverState& state, const SolverSettings& settings) {
    interiorEdgeLoop<false>(state, settings);
}

}  // namespace kestrafol
