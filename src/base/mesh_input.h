#pragma once
// The mesh of one solver in the host's layout (element nodes from 1, boundary-edge nodes from 0,
// tags from 1), as one record: MeshInput holds the five counts and a view of each flat array
// (the host's arrays, or arrays a test owns), MeshArrays the same with owned arrays. meshInput
// is the one place that fills the record from the ten flat arguments; every caller (the JNI
// entry point, the session's copy, tests, benchmarks, the fuzzer) goes through it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kestrafol {

// Length of a host array as the entry point reads it; nullArrayLength stands for null.
inline constexpr std::int64_t nullArrayLength = -1;

// A host array as the host hands it: `data` null is a null reference; otherwise `length`
// values at `data`.
template <typename T>
struct HostArray {
    const T* data = nullptr;
    std::int64_t length = nullArrayLength;

    HostArray() = default;
    HostArray(const T* values, std::int64_t count) : data(values), length(count) {}
    HostArray(std::span<const T> values)
        : data(values.data()), length(static_cast<std::int64_t>(values.size())) {}
    HostArray(const std::vector<T>& values) : HostArray(std::span<const T>(values)) {}

    // Length as the checks read it: nullArrayLength for null.
    std::int64_t checkedLength() const { return data == nullptr ? nullArrayLength : length; }
    const T& operator[](std::size_t i) const { return data[i]; }
    // The first `count` values; the caller has checked that they exist.
    std::span<const T> first(std::size_t count) const {
        return count == 0 ? std::span<const T>() : std::span<const T>(data, count);
    }
};

// The mesh as the host describes it: counts and views, nothing owned.
struct MeshInput {
    int nodeCount = 0;
    HostArray<double> coords;  // x, y per node
    int triangleCount = 0;
    HostArray<int> triangles;  // 3 per triangle
    int quadCount = 0;
    HostArray<int> quads;  // 4 per quadrilateral
    int boundaryEdgeCount = 0;
    HostArray<int> boundaryEdges;  // first node, second node, tag per edge
    int boundaryKindCount = 0;
    HostArray<int> boundaryKinds;  // kind of tag t at t-1
};

// The same mesh with owned arrays: what the library keeps, what builders produce.
struct MeshArrays {
    int nodeCount = 0;
    std::vector<double> coords;
    int triangleCount = 0;
    std::vector<int> triangles;
    int quadCount = 0;
    std::vector<int> quads;
    int boundaryEdgeCount = 0;
    std::vector<int> boundaryEdges;
    int boundaryKindCount = 0;
    std::vector<int> boundaryKinds;
};

// The record of the ten flat mesh arguments, in the host's argument order.
inline MeshInput meshInput(int nodeCount, HostArray<double> coords, int triangleCount,
                           HostArray<int> triangles, int quadCount, HostArray<int> quads,
                           int boundaryEdgeCount, HostArray<int> boundaryEdges,
                           int boundaryKindCount, HostArray<int> boundaryKinds) {
    return MeshInput{nodeCount,     coords, triangleCount,     triangles,     quadCount,
                     quads,         boundaryEdgeCount, boundaryEdges, boundaryKindCount,
                     boundaryKinds};
}

// A view of owned arrays (the arrays themselves, not copies).
inline MeshInput viewOf(const MeshArrays& m) {
    return meshInput(m.nodeCount, m.coords, m.triangleCount, m.triangles, m.quadCount, m.quads,
                     m.boundaryEdgeCount, m.boundaryEdges, m.boundaryKindCount, m.boundaryKinds);
}

}  // namespace kestrafol
