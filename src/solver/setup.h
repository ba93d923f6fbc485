#pragma once
// Solver set-up: the two records, free-stream initial field and work arrays.
#include <memory>
#include <vector>

#include "base/solver_state.h"
#include "base/settings.h"

namespace kestrafol {

struct SolverRecords {
    std::unique_ptr<SolverState> state;
    std::unique_ptr<SolverSettings> settings;
};

// Builds a complete solver from library-owned mesh copies (moved into the state) and settings.
SolverRecords createSolver(int nodeCount, std::vector<double> coords, int triangleCount,
                           std::vector<int> triangles, int quadCount, std::vector<int> quads,
                           int boundaryEdgeCount, std::vector<int> boundaryEdges,
                           int boundaryKindCount, std::vector<int> boundaryKinds,
                           const ParameterVector& parameters);

// Allocates state, statePrev, statePrev2 and pressure, all at the free stream.
void initFreeStream(SolverState& state, const SolverSettings& settings);

// Allocates residual, delta, rhsWork, the blocks and timeStep; clears delta and residual.
void allocateWorkArrays(SolverState& state);

}  // namespace kestrafol
