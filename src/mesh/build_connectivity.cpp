#include "mesh/mesh.h"

namespace kestrafol {

// Neighbour rows first, then the direction of the boundary edges; both read the host's
// element lists as stored in the state.
void buildConnectivity(SolverState& state) {
    buildAdjacency(state, state.triangles.data(), state.quads.data(), state.nodeCount,
                   state.triangleCount, state.quadCount);
    orientBoundaryEdges(state.triangles.data(), state.quads.data(), state.nodeCount,
                        state.triangleCount, state.quadCount, state.boundaryEdges.data(),
                        state.boundaryEdgeCount);
}

}  // namespace kestrafol
