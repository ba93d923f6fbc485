#pragma once
// Mesh preprocessing: adjacency rows, boundary-edge orientation, dual geometry, lsq weights.
#include <vector>

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

// For every element side in visiting order (the three sides 1->2, 2->3, 3->1 of each triangle,
// then the four sides of each quadrilateral), the adjacency slot in the smaller node's row whose
// neighbour is the larger node. Linear in the number of sides and slots.
std::vector<int> findSideSlots(const SolverState& state);
void numberBlockSlots(SolverState& state);

// Least-squares gradient weights per adjacency slot; allocates the gradient work arrays.
void computeLsqWeights(SolverState& state);

}  // namespace kestrafol
