#pragma once
// Checks that the elements and boundary edges of a mesh fit together, in time linear in the
// size of the mesh. Every side of an element must be either an interior side, shared with
// exactly one other element that runs along it the other way, or a boundary side, which
// belongs to one element and is given once as a boundary edge. Refused, each with a message
// that names the elements or boundary edges and their nodes:
// - an element given twice (the same nodes, in any rotation);
// - a side shared by three or more elements;
// - two elements that run along a side in the same direction, so that they overlap;
// - a boundary edge that is a side of no element or of two elements;
// - a boundary edge given twice (in either direction);
// - a side of one element that is no boundary edge (the mesh is open there).
// Nodes that belong to no element are fine.
#include "session/validate_input.h"

namespace kestrafol {

// Expects the checks of node numbers (in range, no repeat within an element) to have passed.
// Throws InvalidInput.
void checkMeshTopology(const MeshInput& mesh);

}  // namespace kestrafol
