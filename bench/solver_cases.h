#pragma once
// The flow cases and meshes the benchmarks run, and a cache that keeps one warmed-up solver
// alive between benchmarks of the same case (building a million-node solver takes seconds).
#include <string>

#include "solver/setup.h"
#include "support/omesh.h"

namespace kestrafol::bench {

using meshes::CellShape;
using meshes::MeshArrays;
using meshes::makeOMesh;

// Ring sizes for a target node count: about 1.6 times as many points around as rings.
void ringSizesFor(long targetNodes, int& ni, int& nj);

std::string shapeName(CellShape shape);

enum class FlowCase { Steady1, Steady2, Unsteady2, Viscous2 };

std::string caseName(FlowCase flowCase);

// Settings vector of a case: Mach 0.5, 2 degrees, reconstruction weight 0 (the toolkit's
// default); the viscous case has no-slip walls and Reynolds number 5000.
ParameterVector parametersFor(FlowCase flowCase);

// Wall kind of the case's cylinder.
int wallKindFor(FlowCase flowCase);

// Mesh of a shape and target size; the last one built is kept.
const MeshArrays& benchMesh(CellShape shape, long targetNodes);

// Builds a solver from copies of the mesh (the host's copies in `start`).
SolverRecords startSolver(const MeshArrays& mesh, const ParameterVector& parameters);

// Calls of iterate run on a new solver before anything is timed, so the flow has left the
// uniform initial field near the body.
inline constexpr int warmUpCalls = 5;

// The solver of a case, warmed up; reused while the same case, shape and size are asked for.
SolverRecords& warmSolver(FlowCase flowCase, CellShape shape, long targetNodes);

// Releases the cached solver (before a start benchmark measures the heap).
void dropWarmSolver();

// Bytes one Gauss-Seidel sweep must move at least: per node the residual, the inverted
// diagonal block, the row start and the node's increment read and written; per block slot
// the off-diagonal block and the neighbour number. Neighbour increments are cache hits in a
// banded numbering and are not counted.
double sweepBytes(const SolverState& state);

// Sum of the capacities of every array the solver holds, in bytes.
double heldBytes(const SolverState& state);

}  // namespace kestrafol::bench
