#pragma once
// Solver set-up: the two records, free-stream initial field and work arrays.
#include <array>
#include <memory>
#include <span>
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

// A flow field for a new solver: the three time levels of the conserved state and the increment
// of the last implicit solve (4 values per node each), as a solver leaves them after a call.
struct FlowField {
    std::vector<double> state;
    std::vector<double> statePrev;
    std::vector<double> statePrev2;
    std::vector<double> delta;
    // What the method options remember between calls (methodMemory); empty: nothing yet, as
    // after set-up.
    std::vector<double> memory;
};

// What the method options carry from one call to the next, as values: the norm of the residual
// the last pass left (what the next call reads), its peak, the Courant number, the floor hits it last saw, the circulation and centre of the
// far-field vortex, and the floor hits since set-up. The library's own method reads none of it.
inline constexpr std::size_t methodMemorySize = 8;
std::array<double, methodMemorySize> methodMemory(const SolverState& state);

// Replaces the free stream of a solver that no call has advanced yet by the given field (its
// arrays move into the state) and sets the nodal pressure of the new state. The next call then
// continues exactly where the solver that left the field stopped.
void loadFlowField(SolverState& state, const SolverSettings& settings, FlowField field);

// Allocates residual, delta, rhsWork, the blocks and timeStep; clears delta and residual.
void allocateWorkArrays(SolverState& state);

}  // namespace kestrafol
