#pragma once
// The record that holds everything one solver knows: mesh copies, derived connectivity and
// geometry, three time levels of the conserved state, residual, Jacobian blocks and work arrays.
// Every array is flat; "absent" arrays are empty vectors.
#include <array>
#include <vector>

namespace kestrafol {

// 4x4 block stored row by row: entry (row r, column c) at 4r + c.
using Block4 = std::array<double, 16>;
// One conserved state (density, x-momentum, y-momentum, total energy) or any other 4-vector.
using Vec4 = std::array<double, 4>;

inline constexpr double pressureFloor = 0.05;
inline constexpr double densityFloor = 0.05;

// Kinds of a boundary tag, numbered from 1 as the host gives them.
enum BoundaryKind : int { Farfield = 1, SlipWall = 2, NoSlipWall = 3 };
// Number of kinds: a kind the host gives runs from 1 to boundaryKindsKnown.
inline constexpr int boundaryKindsKnown = 3;
static_assert(NoSlipWall == boundaryKindsKnown, "the last kind closes the range");
// What a boundary is to the flow: a wall the forces act on, or open to the free stream.
enum class BoundaryRole { Wall, Open };

struct SolverState {
    int nodeCount = 0;
    int triangleCount = 0;
    int quadCount = 0;
    int boundaryEdgeCount = 0;
    int edgeCount = 0;

    std::vector<int> triangles;      // 3 per triangle, node numbers from 1
    std::vector<int> quads;          // 4 per quadrilateral, from 1 (one placeholder int when none)
    std::vector<int> boundaryEdges;  // per edge: first node, second node (from 0), tag (from 1)
    std::vector<int> edges;          // per edge: first < second, from 0

    std::vector<double> state;          // 4 per node
    std::vector<double> statePrev;      // 4 per node
    std::vector<double> statePrev2;     // 4 per node
    std::vector<double> residual;       // 4 per node
    std::vector<double> offDiagBlocks;  // 16 per block slot
    std::vector<double> diagBlocks;     // 16 per node
    std::vector<double> delta;          // 4 per node
    std::vector<double> rhsWork;        // 4 per node
    std::vector<double> gradients;      // 8 per node: d/dx of the 4 variables, then d/dy
    std::vector<double> velocityGradX;  // (du/dx, du/dy) per node
    std::vector<double> velocityGradY;  // (dv/dx, dv/dy) per node
    std::vector<double> scalarWork;     // 1 per node
    std::vector<double> lsqWeights;     // (wx, wy) per adjacency slot
    std::vector<double> limiter;        // 4 per node
    std::vector<double> pressure;       // 1 per node
    std::vector<double> timeStep;       // 1 per node

    std::vector<double> coords;             // (x, y) per node
    std::vector<double> dualArea;           // 1 per node
    std::vector<double> triangleCentroids;  // (x, y) per triangle
    std::vector<double> quadCentroids;      // (x, y) per quadrilateral
    std::vector<double> faceNormals;        // (nx, ny) per adjacency slot, then per edge

    std::vector<int> adjacency;       // neighbour per adjacency slot (6t + 8q allocated)
    std::vector<int> adjacencyStart;  // nodeCount + 1 row starts
    std::vector<int> edgeSlots;       // per edge: block slot of first node, of second node
    std::vector<int> slotNeighbour;   // neighbour node per block slot

    int boundaryKindCount = 0;
    std::vector<int> boundaryKinds;  // kind of tag t at t-1

    // What the optional method choices carry from one call to the next; the default method
    // neither reads nor changes it (the floor count aside, which no result depends on).
    struct MethodMemory {
        double residualNorm = 0.0;     // L1 norm of the residual the last pass left
        double residualPeak = 0.0;     // largest such norm since the last trouble
        double courant = 0.0;          // Courant number of step control 1; 0 before the first call
        long long floorHitsSeen = 0;   // floorHits when the Courant number was last set
        double circulation = 0.0;      // of the far-field vortex
        double vortexX = 0.0;          // its centre: the centroid of the wall edges
        double vortexY = 0.0;
        // A solver started from a field has no residual array of its predecessor: its first
        // call takes residualNorm as the field's memory gave it instead.
        bool residualCarried = false;
    } method;
    // Nodes the update has put on the pressure or density floor since set-up.
    long long floorHits = 0;

    // Gauss-Seidel sweeps run since set-up. A diagnostic counter that no result depends on;
    // the benchmarks read it to report sweeps per call.
    long long sweepCount = 0;
};

}  // namespace kestrafol
