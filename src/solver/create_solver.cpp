#include <memory>
#include <utility>

#include "solver/setup.h"
#include "mesh/mesh.h"

namespace kestrafol {

// Builds both records and runs the set-up in its fixed order: connectivity, dual geometry,
// free stream, work arrays, least-squares weights. The mesh arrays pass into the state.
SolverRecords createSolver(int nodeCount, std::vector<double> coords, int triangleCount,
                           std::vector<int> triangles, int quadCount, std::vector<int> quads,
                           int boundaryEdgeCount, std::vector<int> boundaryEdges,
                           int boundaryKindCount, std::vector<int> boundaryKinds,
                           const ParameterVector& parameters) {
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

    state.nodeCount = nodeCount;
    state.triangleCount = triangleCount;
    state.quadCount = quadCount;
    state.boundaryEdgeCount = boundaryEdgeCount;
    state.boundaryKindCount = boundaryKindCount;
    state.coords = std::move(coords);
    state.triangles = std::move(triangles);
    state.quads = std::move(quads);
    state.boundaryEdges = std::move(boundaryEdges);
    state.boundaryKinds = std::move(boundaryKinds);

    buildConnectivity(state);
    buildDualGeometry(state);
    initFreeStream(state, *records.settings);
    allocateWorkArrays(state);
    computeLsqWeights(state);
    return records;
}

}  // namespace kestrafol
