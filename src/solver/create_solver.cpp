#include <memory>
#include <utility>

#include "solver/setup.h"
#include "mesh/mesh.h"

namespace kestrafol {

// Builds both records and runs the set-up in its fixed order: connectivity, dual geometry,
// free stream, work arrays, least-squares weights. The mesh arrays pass into the state.
SolverRecords createSolver(MeshArrays mesh, const ParameterVector& parameters) {
    SolverRecords records;
    records.state = std::make_unique<SolverState>();
    records.settings = std::make_unique<SolverSettings>();
    SolverState& state = *records.state;

    // The gradient arrays start absent so that computeLsqWeights allocates them.
    state.lsqWeights.clear();
    state.gradients.clear();
    state.velocityGradX.clear();
    state.velocityGradY.clear();
    state.scalarWork.clear();
    state.limiter.clear();

    settingsFromParameters(*records.settings, parameters);

    storeMesh(state, std::move(mesh));

    buildConnectivity(state);
    buildDualGeometry(state);
    initFreeStream(state, *records.settings);
    allocateWorkArrays(state);
    computeLsqWeights(state);
    return records;
}

void storeMesh(SolverState& state, MeshArrays mesh) {
    state.nodeCount = mesh.nodeCount;
    state.triangleCount = mesh.triangleCount;
    state.quadCount = mesh.quadCount;
    state.boundaryEdgeCount = mesh.boundaryEdgeCount;
    state.boundaryKindCount = mesh.boundaryKindCount;
    state.coords = std::move(mesh.coords);
    state.triangles = std::move(mesh.triangles);
    state.quads = std::move(mesh.quads);
    if (state.quads.empty()) state.quads.assign(1, 0);
    state.boundaryEdges = std::move(mesh.boundaryEdges);
    state.boundaryKinds = std::move(mesh.boundaryKinds);
}

}  // namespace kestrafol
