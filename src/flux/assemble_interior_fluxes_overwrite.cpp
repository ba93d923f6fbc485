// The inviscid assembly of a pass whose off-diagonal blocks have not been cleared: each block
// slot's single contribution is stored (as 0 + contribution) instead of added.
#include "flux/edge_kernels.h"
#include "flux/flux.h"
#include "flux/interior_edge_loop.h"

namespace kestrafol {

void assembleInteriorFluxesOverwrite(SolverState& state, const SolverSettings& settings) {
    if (kernelPath() == KernelPath::Avx2)
        interiorEdgeLoopAvx2(state, settings);
    else
        interiorEdgeLoop(state, settings);
}

}  // namespace kestrafol
