#pragma once
// Solver set-up: the two records, free-stream initial field and work arrays.
#include <memory>
#include <vector>

#include "base/mesh_input.h"
#include "base/solver_state.h"
#include "base/settings.h"

namespace kestrafol {

struct SolverRecords {
    std::unique_ptr<SolverState> state;
    std::unique_ptr<SolverSettings> settings;
};

// Builds a complete solver from a checked, library-owned mesh (its arrays move into the state)
// and settings.
SolverRecords createSolver(MeshArrays mesh, const ParameterVector& parameters);

// The first step of createSolver: the counts and arrays of the mesh move into the state.
// Without quadrilaterals the state holds a one-int placeholder that nothing reads.
void storeMesh(SolverState& state, MeshArrays mesh);

// Allocates state, statePrev, statePrev2 and pressure, all at the free stream.
void initFreeStream(SolverState& state, const SolverSettings& settings);

// Allocates residual, delta, rhsWork, the blocks and timeStep; clears delta and residual.
void allocateWorkArrays(SolverState& state);

}  // namespace kestrafol
