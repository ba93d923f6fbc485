#pragma once
// A built mesh as the input checks see it, shared by the input-check tests and the set-up
// benchmarks; and, for the tests, the message of a refused check.

#include "session/validate_input.h"
#include "support/omesh.h"

namespace kestrafol::testing {

// The check view of a built mesh (its arrays, not copies).
inline MeshInput viewOf(const meshes::MeshArrays& m) {
    MeshInput in;
    in.nodeCount = m.nodeCount;
    in.coords = m.coords;
    in.triangleCount = m.triangleCount;
    in.triangles = m.triangles;
    in.quadCount = m.quadCount;
    in.quads = m.quads;
    in.boundaryEdgeCount = m.boundaryEdgeCount;
    in.boundaryEdges = m.boundaryEdges;
    in.boundaryKindCount = m.boundaryKindCount;
    in.boundaryKinds = m.boundaryKinds;
    return in;
}

}  // namespace kestrafol::testing
