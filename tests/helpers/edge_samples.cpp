// The scalar edge kernel on independent edge samples: the reference the vector path is
// compared with.
#include "helpers/edge_samples.h"

#include "flux/interior_edge_loop.h"

namespace kestrafol::testing {

void edgeFluxesScalar(const EdgeSample* samples, EdgeResult* results, int count,
                      const SolverSettings& settings) {
    const bool secondOrder = settings.spatialOrder == 2;
    for (int e = 0; e < count; ++e) {
        const EdgeSample& in = samples[e];
        EdgeResult& out = results[e];
        interiorEdgeFlux(out.flux, out.jacLeft, out.jacRight, in.first, in.second, in.gradFirst,
                         in.gradSecond, in.xyFirst, in.xySecond, in.nx, in.ny, secondOrder,
                         settings.reconstructionWeight, settings.gamma);
    }
}

}  // namespace kestrafol::testing
