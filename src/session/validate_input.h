#pragma once
// Checks of everything the host hands to start and update, made before anything is built or
// changed. Free of JNI, so the same checks serve the entry points, the tests and a fuzzer.
//
// What is accepted:
// - Counts are not negative; nodeCount is at least 1 and the mesh has at least one element.
//   A count of 0 means the matching array is not read (it may be null).
// - Every array holds at least the number of values its count implies (2 per node, 3 per
//   triangle, 4 per quadrilateral, 3 per boundary edge, 1 per boundary kind, 16 settings);
//   longer arrays are fine and only their leading part is read.
// - The mesh stays within 32-bit indexing: 16 x nodeCount and 16 x (6 x triangleCount +
//   8 x quadCount) (the largest per-node and per-slot arrays of the solver) fit in an int.
// - Coordinates are finite. Element node numbers run from 1 to nodeCount, boundary-edge node
//   numbers from 0 to nodeCount - 1, boundary tags from 1 to boundaryKindCount, kinds are 1, 2, 3.
// - No element repeats a node. A triangle has positive signed area. A quadrilateral has positive
//   signed area and at most one corner that turns clockwise or straight: convex and simple
//   non-convex ("arrowhead") quadrilaterals are accepted, self-intersecting or folded ones are
//   not. Each sign is exact (base/orientation.h), so neither the distance from the origin nor
//   the size of an element changes the verdict.
// - Elements and boundary edges fit together (session/mesh_topology.h): no element given twice,
//   every side shared by at most two elements running along it in opposite directions, every
//   boundary edge a side of exactly one element and given once, every side of a single element
//   a boundary edge.
// - Settings entries 1, 3, 5, 6 and 13 truncate to a 32-bit int (not NaN, not out of range);
//   the reconstruction weight (entry 2) is finite;
//   gamma (entry 11) is finite and above 1; mach, alpha and reynolds (10, 12, 14) are finite;
//   reynolds is above 0 whenever viscous (entry 13 truncated) is non-zero.
// Every message names the argument and the offending index and value.
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>

#include "base/mesh_input.h"
#include "base/settings.h"

namespace kestrafol {

// Host input the library refuses; the entry points raise it as IllegalArgumentException.
class InvalidInput : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Number of values start copies from each mesh array (0 where the count is below 1).
struct MeshCopySizes {
    std::size_t coords = 0;
    std::size_t triangles = 0;
    std::size_t quads = 0;
    std::size_t boundaryEdges = 0;
    std::size_t boundaryKinds = 0;
};

// Checks counts and array lengths (nulls included) and returns the sizes to copy. Reads no
// array value.
MeshCopySizes checkMeshShape(const MeshInput& mesh);

// Checks the length of a settings array (null included): at least 16 values.
void checkParametersLength(std::int64_t length);

// Checks the mesh contents of a mesh whose shape checkMeshShape has passed.
void checkMeshContents(const MeshInput& mesh);

// Both: the shape, then the contents; safe on any input.
void checkMeshInput(const MeshInput& mesh);

// Checks the method options of a settings vector longer than 16 values (`entries` starts at
// entry 16): the switches are 0 or 1, the Courant numbers finite with 0 < start <= max, the
// limiter threshold finite and not negative. Entries beyond the options are refused.
void checkMethodEntries(std::span<const double> entries);

// The method memory of a field handed to startFromField: `expected` values (checked on the
// length first, before anything is copied), each finite, the Courant number and the peak not
// negative, the two floor-hit counters whole numbers from 0 to 2^53.
void checkMethodMemoryLength(std::int64_t length, std::size_t expected);
void checkMethodMemory(std::span<const double> memory);

// Checks the settings vector of start or update.
void checkParameters(const ParameterVector& parameters);

// Checks the length of one level of a flow field handed to a new solver (null included): 4 values
// per node, exactly, so that a field of another mesh is never cut to size or read past its end.
void checkFieldLength(const char* name, std::int64_t length, int nodeCount);

// Checks the values of one time level of a flow field: finite, density and pressure above 0
// (pressure from the total energy with `gamma`).
void checkFieldLevel(const char* name, std::span<const double> level, double gamma);

// Checks the values of an implicit increment handed to a new solver: finite.
void checkFieldIncrement(const char* name, std::span<const double> increment);

}  // namespace kestrafol
