#include "mesh/mesh.h"

namespace kestrafol {

// Areas and element reference points, then the per-edge normals and edge list, then the
// numbering of the off-diagonal blocks along that edge list.
void buildDualGeometry(SolverState& state) {
    computeDualAreas(state);
    computeFaceNormals(state);
    numberBlockSlots(state);
}

}  // namespace kestrafol
