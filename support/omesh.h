#pragma once
// The one O-mesh builder around a circular cylinder, shared by the C++ tests, the benchmarks
// and the fuzzer's seeds (library kestrafol_support), in the host's layout (element nodes from 1, boundary-edge nodes
// from 0, tags from 1, elements counter-clockwise). Nodes are numbered ring by ring, so every
// node's neighbours lie within one ring of it: the matrix is banded and a sweep walks the
// arrays front to back.
#include "base/mesh_input.h"

namespace kestrafol::meshes {

using kestrafol::MeshArrays;

enum class CellShape { Triangles, Quads };

// How a quadrilateral cell splits into two triangles: along alternating diagonals (node
// degrees stay near six), or every cell along the diagonal from its inner-first corner.
enum class Diagonals { Alternating, Uniform };

// Direction of the wall edges: against the angle (the domain on the edges' left, as the far
// field) or with it (set-up orients boundary edges either way).
enum class WallEdges { AgainstAngle, WithAngle };

// ni points around, nj rings from radius r0 to r1 with geometric spacing. Tag 1 is the
// cylinder wall (kind wallKind), tag 2 the far field.
MeshArrays makeOMesh(int ni, int nj, CellShape shape, int wallKind, double r0 = 0.5,
                     double r1 = 25.0, Diagonals diagonals = Diagonals::Alternating,
                     WallEdges wallEdges = WallEdges::AgainstAngle);

}  // namespace kestrafol::meshes
