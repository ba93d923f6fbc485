#pragma once
// O-meshes around a circular cylinder for the benchmarks, in the host's layout (element nodes
// from 1, boundary-edge nodes from 0, tags from 1, elements counter-clockwise). Nodes are
// numbered ring by ring, so every node's neighbours lie within one ring of it: the matrix is
// banded and a sweep walks the arrays front to back.
#include <string>
#include <vector>

namespace kestrafol::bench {

struct MeshArrays {
    int nodeCount = 0;
    std::vector<double> coords;
    int triangleCount = 0;
    std::vector<int> triangles;
    int quadCount = 0;
    std::vector<int> quads;  // one placeholder int when there are none, as the host passes it
    int boundaryEdgeCount = 0;
    std::vector<int> boundaryEdges;
    int boundaryKindCount = 0;
    std::vector<int> boundaryKinds;
};

enum class CellShape { Triangles, Quads };

// ni points around, nj rings from radius r0 to r1 with geometric spacing. Tag 1 is the
// cylinder wall (kind wallKind), tag 2 the far field.
MeshArrays makeOMesh(int ni, int nj, CellShape shape, int wallKind, double r0 = 0.5,
                     double r1 = 25.0);

// Ring sizes for a target node count: about 1.6 times as many points around as rings.
void ringSizesFor(long targetNodes, int& ni, int& nj);

std::string shapeName(CellShape shape);

}  // namespace kestrafol::bench
