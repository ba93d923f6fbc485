#pragma once
// Mesh preprocessing: adjacency rows, boundary-edge orientation, dual geometry, lsq weights.
#include "base/solver_state.h"

namespace kestrafol {

// buildAdjacency, then orientBoundaryEdges, on the state's own arrays.
void buildConnectivity(SolverState& state);

// Fills adjacencyStart and adjacency (compressed neighbour rows in first-occurrence order).
void buildAdjacency(SolverState& state, const int* triangles, const int* quads, int nodeCount,
                    int triangleCount, int quadCount);

// Swaps the nodes of every boundary edge whose direction disagrees with its element.
void orientBoundaryEdges(const int* triangles, const int* quads, int nodeCount, int triangleCount,
                         int quadCount, int* boundaryEdges, int boundaryEdgeCount);

// computeDualAreas, computeFaceNormals, numberBlockSlots.
void buildDualGeometry(SolverState& state);
void computeDualAreas(SolverState& state);
void computeFaceNormals(SolverState& state);
void numberBlockSlots(SolverState& state);

// Least-squares gradient weights per adjacency slot; allocates the gradient work arrays.
void computeLsqWeights(SolverState& state);

}  // namespace kestrafol
