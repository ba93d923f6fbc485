#include "solver/destroy_solver.h"

#include <vector>

namespace kestrafol {

namespace {

// Frees the storage of one array at once (clear() alone would keep the capacity).
template <typename T>
void releaseArray(std::vector<T>& array) {
    std::vector<T>().swap(array);
}

}  // namespace

void destroySolver(SolverState& state, SolverSettings& settings) {
    releaseArray(state.adjacency);
    releaseArray(state.adjacencyStart);
    releaseArray(state.edges);
    releaseArray(state.coords);
    releaseArray(state.dualArea);
    releaseArray(state.triangleCentroids);
    releaseArray(state.quadCentroids);
    releaseArray(state.faceNormals);
    releaseArray(state.residual);
    releaseArray(state.offDiagBlocks);
    releaseArray(state.diagBlocks);
    releaseArray(state.delta);
    releaseArray(state.rhsWork);
    releaseArray(state.timeStep);
    releaseArray(state.state);
    releaseArray(state.statePrev);
    releaseArray(state.statePrev2);
    releaseArray(state.pressure);
    releaseArray(state.triangles);
    releaseArray(state.quads);
    releaseArray(state.boundaryEdges);
    releaseArray(state.boundaryKinds);
    releaseArray(state.lsqWeights);
    releaseArray(state.gradients);
    releaseArray(state.velocityGradX);
    releaseArray(state.velocityGradY);
    releaseArray(state.scalarWork);
    releaseArray(state.limiter);
    releaseArray(state.edgeSlots);
    releaseArray(state.slotNeighbour);
    state = SolverState{};
    settings = SolverSettings{};
}

}  // namespace kestrafol
