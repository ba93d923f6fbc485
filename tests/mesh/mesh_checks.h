#pragma once
// Helpers of the mesh tests: a jittered triangulation of the unit square, a state holding only
// the mesh copies, and independent recomputations used to check the preprocessing results.
#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "base/solver_state.h"
#include "support/test_meshes.h"

namespace kestrafol::testing {

// Unit square with nx x ny cells whose interior nodes are moved at random by up to 0.15 of a
// cell, each cell split along a randomly chosen diagonal. Boundary edges run counter-clockwise
// around the square, except that every third one is given reversed.
inline MeshArrays makeJitteredTriangles(int nx, int ny, unsigned seed) {
    MeshArrays m;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> jitter(-0.15, 0.15);
    std::bernoulli_distribution flip(0.5);
    auto id = [nx](int i, int j) { return j * (nx + 1) + i; };
    m.nodeCount = (nx + 1) * (ny + 1);
    for (int j = 0; j <= ny; ++j)
        for (int i = 0; i <= nx; ++i) {
            double x = static_cast<double>(i) / nx;
            double y = static_cast<double>(j) / ny;
            if (i > 0 && i < nx && j > 0 && j < ny) {
                x += jitter(rng) / nx;
                y += jitter(rng) / ny;
            }
            m.coords.push_back(x);
            m.coords.push_back(y);
        }
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const int a = id(i, j) + 1, b = id(i + 1, j) + 1, c = id(i + 1, j + 1) + 1,
                      d = id(i, j + 1) + 1;
            if (flip(rng))
                m.triangles.insert(m.triangles.end(), {a, b, c, a, c, d});
            else
                m.triangles.insert(m.triangles.end(), {a, b, d, b, c, d});
            m.triangleCount += 2;
        }
    std::vector<std::pair<int, int>> ring;
    for (int i = 0; i < nx; ++i) ring.emplace_back(id(i, 0), id(i + 1, 0));
    for (int j = 0; j < ny; ++j) ring.emplace_back(id(nx, j), id(nx, j + 1));
    for (int i = nx; i > 0; --i) ring.emplace_back(id(i, ny), id(i - 1, ny));
    for (int j = ny; j > 0; --j) ring.emplace_back(id(0, j), id(0, j - 1));
    for (std::size_t k = 0; k < ring.size(); ++k) {
        auto [p, q] = ring[k];
        if (k % 3 == 0) std::swap(p, q);
        m.boundaryEdges.insert(m.boundaryEdges.end(), {p, q, 1});
    }
    m.boundaryEdgeCount = static_cast<int>(ring.size());
    m.boundaryKindCount = 1;
    m.boundaryKinds = {Farfield};
    return m;
}

// A state that holds only the counts and mesh copies, as createSolver stores them.
inline SolverState meshOnlyState(const MeshArrays& m) {
    SolverState s;
    storeMesh(s, m);
    return s;
}

// The element sides as unordered node pairs (zero-based, smaller node first).
inline std::set<std::pair<int, int>> elementSides(const SolverState& s) {
    std::set<std::pair<int, int>> sides;
    auto add = [&sides](int a, int b) { sides.emplace(std::min(a, b) - 1, std::max(a, b) - 1); };
    for (int e = 0; e < s.triangleCount; ++e)
        for (int k = 0; k < 3; ++k) add(s.triangles[3 * e + k], s.triangles[3 * e + (k + 1) % 3]);
    for (int e = 0; e < s.quadCount; ++e)
        for (int k = 0; k < 4; ++k) add(s.quads[4 * e + k], s.quads[4 * e + (k + 1) % 4]);
    return sides;
}

// Per-node sum of the outward normals of its control volume: + the edge normal for the
// first node of an edge, - for the second; with `withBoundary`, also half of each oriented
// boundary edge's outward normal (yq - yp, xp - xq) for both of its nodes.
inline std::vector<std::array<double, 2>> controlVolumeNormalSums(const SolverState& s,
                                                                  bool withBoundary) {
    std::vector<std::array<double, 2>> sum(static_cast<std::size_t>(s.nodeCount), {0.0, 0.0});
    for (int e = 0; e < s.edgeCount; ++e) {
        const int i = s.edges[2 * e], j = s.edges[2 * e + 1];
        sum[i][0] += s.faceNormals[2 * e];
        sum[i][1] += s.faceNormals[2 * e + 1];
        sum[j][0] -= s.faceNormals[2 * e];
        sum[j][1] -= s.faceNormals[2 * e + 1];
    }
    if (withBoundary)
        for (int b = 0; b < s.boundaryEdgeCount; ++b) {
            const int p = s.boundaryEdges[3 * b], q = s.boundaryEdges[3 * b + 1];
            const double nx = s.coords[2 * q + 1] - s.coords[2 * p + 1];
            const double ny = s.coords[2 * p] - s.coords[2 * q];
            for (int node : {p, q}) {
                sum[node][0] += 0.5 * nx;
                sum[node][1] += 0.5 * ny;
            }
        }
    return sum;
}

// Area enclosed by the oriented boundary edges (positive when the domain lies to their left).
inline double boundaryEnclosedArea(const SolverState& s) {
    double area = 0.0;
    for (int b = 0; b < s.boundaryEdgeCount; ++b) {
        const int p = s.boundaryEdges[3 * b], q = s.boundaryEdges[3 * b + 1];
        area +=
            0.5 * (s.coords[2 * p] * s.coords[2 * q + 1] - s.coords[2 * q] * s.coords[2 * p + 1]);
    }
    return area;
}

inline std::vector<int> row(const SolverState& s, int i) {
    return std::vector<int>(s.adjacency.begin() + s.adjacencyStart[i],
                            s.adjacency.begin() + s.adjacencyStart[i + 1]);
}

}  // namespace kestrafol::testing
