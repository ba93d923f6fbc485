// Inviscid flux through the dual face of every edge, added to the residual of both nodes with
// opposite signs, and its first-order blocks added to the matrix.
#include "flux/edge_kernels.h"
#include "flux/flux.h"
#include "flux/interior_edge_loop.h"

namespace kestrafol {

void assembleInteriorFluxes(SolverState& state, const SolverSettings& settings) {
    if (kernelPath() == KernelPath::Avx2)
        interiorEdgeLoopAvx2(state, settings, false);
    else
        interiorEdgeLoop<false>(state, settings);
}

}  // namespace kestrafol
