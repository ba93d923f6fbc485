#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include "flux/flux.h"
#include "support/test_meshes.h"

using namespace kestrafol;
using namespace kestrafol::testing;

namespace {

// Residual of interior faces plus boundary half-edges, with nothing else added.
void spatialResidual(SolverState& s, const SolverSettings& settings) {
    std::fill(s.residual.begin(), s.residual.end(), 0.0);
    std::fill(s.diagBlocks.begin(), s.diagBlocks.end(), 0.0);
    std::fill(s.offDiagBlocks.begin(), s.offDiagBlocks.end(), 0.0);
    computeGradients(s);
    computeLimiter(s, settings);
    assembleInteriorFluxesOverwrite(s, settings);
    applyBoundaryConditions(s, settings);
}

}  // namespace

TEST(BoundaryFreeStream, FarFieldAndInteriorFacesCancelAtEveryNode) {
    for (bool mixed : {true, false}) {
        for (int order : {1, 2}) {
            SolverRecords r = makeSolver(makeRectangle(5, 4, 2.0, 1.0, mixed, Farfield),
                                         makeParameters(0.7, 12.0, order));
            SolverState& s = *r.state;
            spatialResidual(s, *r.settings);
            for (int i = 0; i < s.nodeCount; ++i)
                for (int c = 0; c < 4; ++c)
                    EXPECT_NEAR(s.residual[4 * i + c], 0.0, 1e-14)
                        << "mixed " << mixed << " order " << order << " node " << i << " c " << c;
        }
    }
}

TEST(BoundaryFreeStream, ClosedControlVolumesAlsoCancelUniformFlowOnWalls) {
    // A wall tangent to the flow sees the free stream's own pressure, so a rectangle with a
    // slip wall at the bottom and a flow along x also stays at rest in the residual.
    MeshArrays m = makeRectangle(4, 3, 1.0, 1.0, true, Farfield);
    SolverRecords r = makeSolver(m, makeParameters(0.5, 0.0, 1));
    SolverState& s = *r.state;
    s.boundaryKinds[0] = SlipWall;  // bottom, which is straight (no shear at j = 0)
    spatialResidual(s, *r.settings);
    for (int i = 0; i < s.nodeCount; ++i)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(s.residual[4 * i + c], 0.0, 1e-14) << i << "," << c;
}
