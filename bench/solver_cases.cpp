#include "solver_cases.h"

#include <cmath>
#include <memory>

#include "solver/iterate_cycle.h"

namespace kestrafol::bench {

std::string caseName(FlowCase flowCase) {
    switch (flowCase) {
        case FlowCase::Steady1: return "steady1";
        case FlowCase::Steady2: return "steady2";
        case FlowCase::Unsteady2: return "unsteady2";
        case FlowCase::Viscous2: return "viscous2";
    }
    return "?";
}

ParameterVector parametersFor(FlowCase flowCase) {
    ParameterVector p{};
    p[1] = flowCase == FlowCase::Steady1 ? 1.0 : 2.0;
    p[2] = 0.0;
    p[5] = flowCase == FlowCase::Unsteady2 ? 1.0 : 0.0;
    p[6] = 1.0;
    p[10] = 0.5;
    p[11] = 1.4;
    p[12] = 2.0;
    p[13] = flowCase == FlowCase::Viscous2 ? 1.0 : 0.0;
    p[14] = 5000.0;
    return p;
}

int wallKindFor(FlowCase flowCase) {
    return flowCase == FlowCase::Viscous2 ? NoSlipWall : SlipWall;
}

namespace {

struct MeshKey {
    CellShape shape;
    long nodes;
    int wallKind;
    bool operator==(const MeshKey&) const = default;
};

struct SolverKey {
    FlowCase flowCase;
    CellShape shape;
    long nodes;
    bool operator==(const SolverKey&) const = default;
};

std::unique_ptr<MeshArrays> cachedMesh;
MeshKey cachedMeshKey{};

std::unique_ptr<SolverRecords> cachedSolver;
SolverKey cachedSolverKey{};

const MeshArrays& meshWithWall(CellShape shape, long targetNodes, int wallKind) {
    const MeshKey key{shape, targetNodes, wallKind};
    if (!cachedMesh || !(cachedMeshKey == key)) {
        cachedMesh.reset();
        int ni = 0;
        int nj = 0;
        ringSizesFor(targetNodes, ni, nj);
        cachedMesh = std::make_unique<MeshArrays>(makeOMesh(ni, nj, shape, wallKind));
        cachedMeshKey = key;
    }
    return *cachedMesh;
}

}  // namespace

const MeshArrays& benchMesh(CellShape shape, long targetNodes) {
    return meshWithWall(shape, targetNodes, SlipWall);
}

SolverRecords startSolver(const MeshArrays& m, const ParameterVector& parameters) {
    return createSolver(m, parameters);
}

SolverRecords& warmSolver(FlowCase flowCase, CellShape shape, long targetNodes) {
    const SolverKey key{flowCase, shape, targetNodes};
    if (!cachedSolver || !(cachedSolverKey == key)) {
        cachedSolver.reset();
        const MeshArrays& mesh = meshWithWall(shape, targetNodes, wallKindFor(flowCase));
        cachedSolver = std::make_unique<SolverRecords>(startSolver(mesh, parametersFor(flowCase)));
        for (int k = 0; k < warmUpCalls; ++k)
            iterateCycle(*cachedSolver->state, *cachedSolver->settings);
        cachedSolverKey = key;
    }
    return *cachedSolver;
}

void dropWarmSolver() { cachedSolver.reset(); }

double sweepBytes(const SolverState& s) {
    const double nodes = s.nodeCount;
    const double slots = 2.0 * s.edgeCount;
    const double perNode = 4 * 8 + 16 * 8 + 4 + 2 * 4 * 8;
    const double perSlot = 16 * 8 + 4;
    return nodes * perNode + slots * perSlot;
}

double heldBytes(const SolverState& s) {
    double total = sizeof(SolverState) + sizeof(SolverSettings);
    auto add = [&total](const auto& v) {
        total += static_cast<double>(v.capacity() * sizeof(v[0]));
    };
    add(s.triangles);
    add(s.quads);
    add(s.boundaryEdges);
    add(s.edges);
    add(s.state);
    add(s.statePrev);
    add(s.statePrev2);
    add(s.residual);
    add(s.offDiagBlocks);
    add(s.diagBlocks);
    add(s.delta);
    add(s.rhsWork);
    add(s.gradients);
    add(s.velocityGradX);
    add(s.velocityGradY);
    add(s.scalarWork);
    add(s.lsqWeights);
    add(s.limiter);
    add(s.pressure);
    add(s.timeStep);
    add(s.coords);
    add(s.dualArea);
    add(s.triangleCentroids);
    add(s.quadCentroids);
    add(s.faceNormals);
    add(s.adjacency);
    add(s.adjacencyStart);
    add(s.edgeSlots);
    add(s.slotNeighbour);
    add(s.boundaryKinds);
    return total;
}

void ringSizesFor(long targetNodes, int& ni, int& nj) {
    nj = static_cast<int>(std::lround(std::sqrt(static_cast<double>(targetNodes) / 1.6)));
    ni = static_cast<int>(std::lround(static_cast<double>(targetNodes) / nj));
    ni -= ni % 2;  // an even count keeps the alternating diagonals consistent around the ring
}

std::string shapeName(CellShape shape) { return shape == CellShape::Quads ? "quad" : "tri"; }

}  // namespace kestrafol::bench
