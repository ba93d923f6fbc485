#include "session/validate_input.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace kestrafol {

namespace {

// Shortest text that reads back to the same double, spelled as the host spells NaN and infinities.
std::string number(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    return std::string(text.data(), result.ptr);
}

std::string number(std::int64_t value) { return std::to_string(value); }
std::string number(int value) { return std::to_string(value); }

// "name[first..last]" and "{a, b, c}" for the messages about one element or boundary edge.
std::string range(const char* name, std::size_t first, std::size_t count) {
    return std::string(name) + "[" + std::to_string(first) + ".." +
           std::to_string(first + count - 1) + "]";
}

std::string list(std::span<const int> values) {
    std::string text = "{";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) text += ", ";
        text += std::to_string(values[i]);
    }
    return text + "}";
}

[[noreturn]] void reject(const std::string& message) { throw InvalidInput(message); }

// Largest number of values a host array can hold (its length is a 32-bit int).
constexpr std::int64_t hostArrayLimit = INT_MAX;

void checkCount(const char* name, std::int64_t count) {
    if (count < 0) reject(std::string(name) + " is " + number(count) + "; a count must not be negative");
    if (count > INT_MAX) reject(std::string(name) + " is " + number(count) + "; it exceeds the 32-bit range");
}

// Values implied by a count; rejects sizes no host array can hold.
std::int64_t impliedSize(const char* countName, std::int64_t count, std::int64_t perItem,
                         const char* arrayName) {
    const std::int64_t size = count * perItem;  // count <= INT_MAX, so this cannot overflow
    if (size > hostArrayLimit)
        reject(std::string(countName) + " is " + number(count) + ", which implies " + number(size) +
               " values in " + arrayName + ", more than a host array can hold");
    return size;
}

void checkLength(const char* arrayName, std::int64_t length, const char* countName,
                 std::int64_t count, std::int64_t needed) {
    if (needed == 0) return;  // count below 1: the array is not read
    if (length == nullArrayLength)
        reject(std::string(arrayName) + " is null, but " + countName + " is " + number(count));
    if (length < needed)
        reject(std::string(arrayName) + " has " + number(length) + " values, but " + countName +
               " " + number(count) + " needs " + number(needed));
}

// One side of an element: its two 0-based node numbers, smaller first, packed for sorting.
std::uint64_t sideKey(int a, int b) {
    const auto lo = static_cast<std::uint32_t>(std::min(a, b));
    const auto hi = static_cast<std::uint32_t>(std::max(a, b));
    return (static_cast<std::uint64_t>(lo) << 32) | hi;
}

// z-component of (b - a) x (c - b): positive when the corner at b turns counter-clockwise.
double cornerTurn(std::span<const double> xy, int a, int b, int c) {
    const double abx = xy[2 * b] - xy[2 * a];
    const double aby = xy[2 * b + 1] - xy[2 * a + 1];
    const double bcx = xy[2 * c] - xy[2 * b];
    const double bcy = xy[2 * c + 1] - xy[2 * b + 1];
    return abx * bcy - aby * bcx;
}

// Twice the signed area of the polygon with the given 0-based nodes (shoelace formula).
double twiceSignedArea(std::span<const double> xy, std::span<const int> nodes) {
    double sum = 0.0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const int a = nodes[i];
        const int b = nodes[(i + 1) % nodes.size()];
        sum += xy[2 * a] * xy[2 * b + 1] - xy[2 * b] * xy[2 * a + 1];
    }
    return sum;
}

// Checks the elements of one kind (3 or 4 nodes each) and appends their sides to `sides`.
void checkElements(const char* arrayName, const char* itemName, int count, int nodesPer,
                   std::span<const int> nodes, int nodeCount, std::span<const double> coords,
                   std::vector<std::uint64_t>& sides) {
    const std::size_t size = static_cast<std::size_t>(count) * static_cast<std::size_t>(nodesPer);
    for (std::size_t i = 0; i < size; ++i)
        if (nodes[i] < 1 || nodes[i] > nodeCount)
            reject(std::string(arrayName) + "[" + std::to_string(i) + "] is " + number(nodes[i]) +
                   "; element node numbers run from 1 to nodeCount (" + number(nodeCount) + ")");

    for (int e = 0; e < count; ++e) {
        const std::size_t first = static_cast<std::size_t>(e) * static_cast<std::size_t>(nodesPer);
        const std::span<const int> element = nodes.subspan(first, static_cast<std::size_t>(nodesPer));
        const std::string where = range(arrayName, first, element.size()) + " (" + itemName + " " +
                                  std::to_string(e) + ") is " + list(element);
        std::array<int, 4> local{};  // 0-based node numbers
        for (int j = 0; j < nodesPer; ++j) local[j] = element[j] - 1;
        for (int j = 0; j < nodesPer; ++j)
            for (int k = j + 1; k < nodesPer; ++k)
                if (local[j] == local[k])
                    reject(where + ": it repeats node " + number(element[j]));

        const std::span<const int> corners(local.data(), static_cast<std::size_t>(nodesPer));
        const double area = 0.5 * twiceSignedArea(coords, corners);
        if (!(area > 0.0))
            reject(where + ": its signed area " + number(area) +
                   " is not positive; elements must be counter-clockwise and not degenerate");
        if (nodesPer == 4) {
            int bent = 0;  // corners that turn clockwise or go straight on
            for (int j = 0; j < 4; ++j)
                if (!(cornerTurn(coords, local[(j + 3) % 4], local[j], local[(j + 1) % 4]) > 0.0)) ++bent;
            if (bent > 1)
                reject(where + ": " + std::to_string(bent) +
                       " corners turn clockwise or straight, so it is self-intersecting or folded");
        }
        for (int j = 0; j < nodesPer; ++j) sides.push_back(sideKey(local[j], local[(j + 1) % nodesPer]));
    }
}

}  // namespace

MeshCopySizes checkMeshShape(const MeshShape& s) {
    checkCount("nodeCount", s.nodeCount);
    checkCount("triangleCount", s.triangleCount);
    checkCount("quadCount", s.quadCount);
    checkCount("boundaryEdgeCount", s.boundaryEdgeCount);
    checkCount("boundaryKindCount", s.boundaryKindCount);
    if (s.nodeCount < 1) reject("nodeCount is 0; a mesh needs at least one node");
    if (s.triangleCount + s.quadCount < 1)
        reject("triangleCount and quadCount are both 0; a mesh needs at least one element");

    const std::int64_t coords = impliedSize("nodeCount", s.nodeCount, 2, "coords");
    const std::int64_t triangles = impliedSize("triangleCount", s.triangleCount, 3, "triangles");
    const std::int64_t quads = impliedSize("quadCount", s.quadCount, 4, "quads");
    const std::int64_t edges = impliedSize("boundaryEdgeCount", s.boundaryEdgeCount, 3, "boundaryEdges");
    const std::int64_t kinds = s.boundaryKindCount;

    // The solver indexes its arrays with 32-bit ints; its largest ones hold 16 doubles per node
    // and 16 per adjacency slot (6 per triangle, 8 per quadrilateral).
    if (16 * s.nodeCount > INT_MAX)
        reject("nodeCount is " + number(s.nodeCount) + "; the solver supports at most " +
               number(std::int64_t{INT_MAX / 16}) + " nodes");
    const std::int64_t slots = 6 * s.triangleCount + 8 * s.quadCount;
    if (16 * slots > INT_MAX)
        reject("triangleCount " + number(s.triangleCount) + " and quadCount " + number(s.quadCount) +
               " make " + number(slots) + " adjacency slots; the solver supports at most " +
               number(std::int64_t{INT_MAX / 16}));

    checkLength("coords", s.coordsLength, "nodeCount", s.nodeCount, coords);
    checkLength("triangles", s.trianglesLength, "triangleCount", s.triangleCount, triangles);
    checkLength("quads", s.quadsLength, "quadCount", s.quadCount, quads);
    checkLength("boundaryEdges", s.boundaryEdgesLength, "boundaryEdgeCount", s.boundaryEdgeCount, edges);
    checkLength("boundaryKinds", s.boundaryKindsLength, "boundaryKindCount", s.boundaryKindCount, kinds);

    MeshCopySizes sizes;
    sizes.coords = static_cast<std::size_t>(coords);
    sizes.triangles = static_cast<std::size_t>(triangles);
    sizes.quads = static_cast<std::size_t>(quads);
    sizes.boundaryEdges = static_cast<std::size_t>(edges);
    sizes.boundaryKinds = static_cast<std::size_t>(kinds);
    return sizes;
}

void checkParametersLength(std::int64_t length) {
    if (length == nullArrayLength) reject("parameters is null; it must hold 16 values");
    if (length < 16) reject("parameters has " + number(length) + " values; it must hold 16");
}

void checkMeshInput(const MeshInput& m) {
    MeshShape shape;
    shape.nodeCount = m.nodeCount;
    shape.coordsLength = static_cast<std::int64_t>(m.coords.size());
    shape.triangleCount = m.triangleCount;
    shape.trianglesLength = static_cast<std::int64_t>(m.triangles.size());
    shape.quadCount = m.quadCount;
    shape.quadsLength = static_cast<std::int64_t>(m.quads.size());
    shape.boundaryEdgeCount = m.boundaryEdgeCount;
    shape.boundaryEdgesLength = static_cast<std::int64_t>(m.boundaryEdges.size());
    shape.boundaryKindCount = m.boundaryKindCount;
    shape.boundaryKindsLength = static_cast<std::int64_t>(m.boundaryKinds.size());
    const MeshCopySizes sizes = checkMeshShape(shape);

    for (std::size_t i = 0; i < sizes.coords; ++i)
        if (!std::isfinite(m.coords[i]))
            reject("coords[" + std::to_string(i) + "] is " + number(m.coords[i]) +
                   "; coordinates must be finite");

    std::vector<std::uint64_t> sides;
    sides.reserve(sizes.triangles + sizes.quads);
    checkElements("triangles", "triangle", m.triangleCount, 3, m.triangles, m.nodeCount, m.coords, sides);
    checkElements("quads", "quadrilateral", m.quadCount, 4, m.quads, m.nodeCount, m.coords, sides);

    for (std::size_t i = 0; i < sizes.boundaryEdges; ++i) {
        const int value = m.boundaryEdges[i];
        if (i % 3 < 2) {
            if (value < 0 || value >= m.nodeCount)
                reject("boundaryEdges[" + std::to_string(i) + "] is " + number(value) +
                       "; boundary-edge node numbers run from 0 to nodeCount - 1 (" +
                       number(m.nodeCount - 1) + ")");
        } else if (value < 1 || value > m.boundaryKindCount) {
            reject("boundaryEdges[" + std::to_string(i) + "] is " + number(value) +
                   "; boundary tags run from 1 to boundaryKindCount (" + number(m.boundaryKindCount) + ")");
        }
    }
    for (std::size_t i = 0; i < sizes.boundaryKinds; ++i) {
        const int kind = m.boundaryKinds[i];
        if (kind < 1 || kind > 3)
            reject("boundaryKinds[" + std::to_string(i) + "] is " + number(kind) +
                   "; a boundary kind is 1 (far field), 2 (slip wall) or 3 (no-slip wall)");
    }

    // Every boundary edge must close exactly one element side, and appear once.
    std::sort(sides.begin(), sides.end());
    std::vector<std::pair<std::uint64_t, int>> given;
    given.reserve(static_cast<std::size_t>(m.boundaryEdgeCount));
    for (int e = 0; e < m.boundaryEdgeCount; ++e) {
        const std::size_t first = 3 * static_cast<std::size_t>(e);
        const std::uint64_t key = sideKey(m.boundaryEdges[first], m.boundaryEdges[first + 1]);
        const auto [lo, hi] = std::equal_range(sides.begin(), sides.end(), key);
        const auto owners = hi - lo;
        if (owners != 1)
            reject(range("boundaryEdges", first, 2) + " (boundary edge " + std::to_string(e) + ") is " +
                   list(m.boundaryEdges.subspan(first, 2)) + ": it is a side of " +
                   std::to_string(owners) + " elements; a boundary edge must be a side of exactly one");
        given.emplace_back(key, e);
    }
    std::sort(given.begin(), given.end());
    int repeat = -1;  // the lowest-numbered boundary edge that repeats an earlier one
    int original = -1;
    for (std::size_t i = 1; i < given.size(); ++i)
        if (given[i].first == given[i - 1].first && (repeat < 0 || given[i].second < repeat)) {
            repeat = given[i].second;
            original = given[i - 1].second;
        }
    if (repeat >= 0) {
        const std::size_t first = 3 * static_cast<std::size_t>(repeat);
        reject(range("boundaryEdges", first, 2) + " (boundary edge " + std::to_string(repeat) + ") is " +
               list(m.boundaryEdges.subspan(first, 2)) + ": it repeats boundary edge " +
               std::to_string(original));
    }
}

void checkParameters(const ParameterVector& p) {
    // Entries truncated to 32-bit ints: the truncated value must exist and fit.
    constexpr std::array<std::pair<int, const char*>, 5> integerEntries{{
        {1, "spatialOrder"}, {3, "localStepping"}, {5, "timeMode"}, {6, "passesPerCall"}, {13, "viscous"}}};
    for (const auto& [index, name] : integerEntries) {
        const double value = p[static_cast<std::size_t>(index)];
        if (!(value > -2147483649.0 && value < 2147483648.0))
            reject("parameters[" + std::to_string(index) + "] (" + name + ") is " + number(value) +
                   "; it must truncate to a 32-bit integer");
    }
    if (!std::isfinite(p[11]) || !(p[11] > 1.0))
        reject("parameters[11] (gamma) is " + number(p[11]) + "; it must be finite and above 1");
    constexpr std::array<std::pair<int, const char*>, 3> finiteEntries{{
        {10, "mach"}, {12, "alpha"}, {14, "reynolds"}}};
    for (const auto& [index, name] : finiteEntries) {
        const double value = p[static_cast<std::size_t>(index)];
        if (!std::isfinite(value))
            reject("parameters[" + std::to_string(index) + "] (" + name + ") is " + number(value) +
                   "; it must be finite");
    }
    const int viscous = static_cast<int>(p[13]);
    if (viscous != 0 && !(p[14] > 0.0))
        reject("parameters[14] (reynolds) is " + number(p[14]) +
               "; it must be above 0 while viscous (parameters[13] = " + number(p[13]) + ") is non-zero");
}

}  // namespace kestrafol
