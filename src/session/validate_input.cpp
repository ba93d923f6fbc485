#include "session/validate_input.h"

#include "base/orientation.h"
#include "base/physics.h"
#include "base/solver_state.h"
#include "session/mesh_topology.h"

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
    if (count < 0)
        reject(std::string(name) + " is " + number(count) + "; a count must not be negative");
    if (count > INT_MAX)
        reject(std::string(name) + " is " + number(count) + "; it exceeds the 32-bit range");
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

Point2 pointOf(std::span<const double> xy, int node) { return {xy[2 * node], xy[2 * node + 1]}; }

// The signed area of a counter-clockwise triangle or quadrilateral, formed from differences,
// for the message; the verdict itself comes from the exact sign.
std::string areaText(int sign, double approximate) {
    if (sign == 0) return "0";
    if ((approximate > 0.0) == (sign > 0) && approximate != 0.0) return number(approximate);
    return sign > 0 ? "> 0" : "< 0";
}

// Checks the elements of one kind (3 or 4 nodes each) one by one.
void checkElements(const char* arrayName, const char* itemName, int count, int nodesPer,
                   std::span<const int> nodes, int nodeCount, std::span<const double> coords) {
    const std::size_t size = static_cast<std::size_t>(count) * static_cast<std::size_t>(nodesPer);
    for (std::size_t i = 0; i < size; ++i)
        if (nodes[i] < 1 || nodes[i] > nodeCount)
            reject(std::string(arrayName) + "[" + std::to_string(i) + "] is " + number(nodes[i]) +
                   "; element node numbers run from 1 to nodeCount (" + number(nodeCount) + ")");

    for (int e = 0; e < count; ++e) {
        const std::size_t first = static_cast<std::size_t>(e) * static_cast<std::size_t>(nodesPer);
        const std::span<const int> element =
            nodes.subspan(first, static_cast<std::size_t>(nodesPer));
        const std::string where = range(arrayName, first, element.size()) + " (" + itemName + " " +
                                  std::to_string(e) + ") is " + list(element);
        std::array<int, 4> local{};  // 0-based node numbers
        for (int j = 0; j < nodesPer; ++j) local[j] = element[j] - 1;
        for (int j = 0; j < nodesPer; ++j)
            for (int k = j + 1; k < nodesPer; ++k)
                if (local[j] == local[k]) reject(where + ": it repeats node " + number(element[j]));

        std::array<Point2, 4> p{};
        for (int j = 0; j < nodesPer; ++j) p[j] = pointOf(coords, local[j]);
        const int sign =
            nodesPer == 3 ? orientation(p[0], p[1], p[2]) : quadOrientation(p[0], p[1], p[2], p[3]);
        if (sign <= 0) {
            const double approximate = nodesPer == 3
                                           ? 0.5 * ((p[1].x - p[0].x) * (p[2].y - p[0].y) -
                                                    (p[1].y - p[0].y) * (p[2].x - p[0].x))
                                           : 0.5 * ((p[2].x - p[0].x) * (p[3].y - p[1].y) -
                                                    (p[2].y - p[0].y) * (p[3].x - p[1].x));
            reject(where + ": its signed area " + areaText(sign, approximate) +
                   " is not positive; elements must be counter-clockwise and not degenerate");
        }
        if (nodesPer == 4) {
            int bent = 0;  // corners that turn clockwise or go straight on
            for (int j = 0; j < 4; ++j)
                if (orientation(p[(j + 3) % 4], p[j], p[(j + 1) % 4]) <= 0) ++bent;
            if (bent > 1)
                reject(where + ": " + std::to_string(bent) +
                       " corners turn clockwise or straight, so it is self-intersecting or folded");
        }
    }
}

}  // namespace

MeshCopySizes checkMeshShape(const MeshInput& mesh) {
    // The counts widened once, so that no sum or product below can overflow.
    struct Counts {
        std::int64_t nodeCount, triangleCount, quadCount, boundaryEdgeCount, boundaryKindCount;
    };
    const Counts s{mesh.nodeCount, mesh.triangleCount, mesh.quadCount, mesh.boundaryEdgeCount,
                   mesh.boundaryKindCount};
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
    const std::int64_t edges =
        impliedSize("boundaryEdgeCount", s.boundaryEdgeCount, 3, "boundaryEdges");
    const std::int64_t kinds = s.boundaryKindCount;

    // The solver indexes its arrays with 32-bit ints; its largest ones hold 16 doubles per node
    // and 16 per adjacency slot (6 per triangle, 8 per quadrilateral).
    if (16 * s.nodeCount > INT_MAX)
        reject("nodeCount is " + number(s.nodeCount) + "; the solver supports at most " +
               number(std::int64_t{INT_MAX / 16}) + " nodes");
    const std::int64_t slots = 6 * s.triangleCount + 8 * s.quadCount;
    if (16 * slots > INT_MAX)
        reject("triangleCount " + number(s.triangleCount) + " and quadCount " +
               number(s.quadCount) + " make " + number(slots) +
               " adjacency slots; the solver supports at most " +
               number(std::int64_t{INT_MAX / 16}));

    checkLength("coords", mesh.coords.checkedLength(), "nodeCount", s.nodeCount, coords);
    checkLength("triangles", mesh.triangles.checkedLength(), "triangleCount", s.triangleCount,
                triangles);
    checkLength("quads", mesh.quads.checkedLength(), "quadCount", s.quadCount, quads);
    checkLength("boundaryEdges", mesh.boundaryEdges.checkedLength(), "boundaryEdgeCount",
                s.boundaryEdgeCount, edges);
    checkLength("boundaryKinds", mesh.boundaryKinds.checkedLength(), "boundaryKindCount",
                s.boundaryKindCount, kinds);

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
    checkMeshShape(m);
    checkMeshContents(m);
}

void checkMeshContents(const MeshInput& m) {
    const std::span<const double> coords =
        m.coords.first(2 * static_cast<std::size_t>(m.nodeCount));
    for (std::size_t i = 0; i < coords.size(); ++i)
        if (!std::isfinite(coords[i]))
            reject("coords[" + std::to_string(i) + "] is " + number(coords[i]) +
                   "; coordinates must be finite");

    checkElements("triangles", "triangle", m.triangleCount, 3,
                  m.triangles.first(3 * static_cast<std::size_t>(m.triangleCount)), m.nodeCount,
                  coords);
    checkElements("quads", "quadrilateral", m.quadCount, 4,
                  m.quads.first(4 * static_cast<std::size_t>(m.quadCount)), m.nodeCount, coords);

    const std::size_t edgeValues = 3 * static_cast<std::size_t>(m.boundaryEdgeCount);
    for (std::size_t i = 0; i < edgeValues; ++i) {
        const int value = m.boundaryEdges[i];
        if (i % 3 < 2) {
            if (value < 0 || value >= m.nodeCount)
                reject("boundaryEdges[" + std::to_string(i) + "] is " + number(value) +
                       "; boundary-edge node numbers run from 0 to nodeCount - 1 (" +
                       number(m.nodeCount - 1) + ")");
        } else if (value < 1 || value > m.boundaryKindCount) {
            reject("boundaryEdges[" + std::to_string(i) + "] is " + number(value) +
                   "; boundary tags run from 1 to boundaryKindCount (" +
                   number(m.boundaryKindCount) + ")");
        }
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(m.boundaryKindCount); ++i) {
        const int kind = m.boundaryKinds[i];
        static_assert(boundaryKindsKnown == 3, "name every kind in the message below");
        if (kind < 1 || kind > boundaryKindsKnown)
            reject("boundaryKinds[" + std::to_string(i) + "] is " + number(kind) +
                   "; a boundary kind is 1 (far field), 2 (slip wall) or 3 (no-slip wall)");
    }

    // How the elements and boundary edges fit together, in linear time.
    checkMeshTopology(m);
}

void checkParameters(const ParameterVector& p) {
    auto named = [&](std::size_t index) {
        return "parameters[" + std::to_string(index) + "] (" + entryName(index) + ") is " +
               number(p[index]);
    };
    // Entries truncated to 32-bit ints: the truncated value must exist and fit.
    for (std::size_t index : {parameter::spatialOrder, parameter::localStepping,
                              parameter::timeMode, parameter::passesPerCall, parameter::viscous}) {
        const double value = p[index];
        if (!(value > -2147483649.0 && value < 2147483648.0))
            reject(named(index) + "; it must truncate to a 32-bit integer");
    }
    if (!std::isfinite(p[parameter::reconstructionWeight]))
        reject(named(parameter::reconstructionWeight) + "; it must be finite");
    if (!std::isfinite(p[parameter::gamma]) || !(p[parameter::gamma] > 1.0))
        reject(named(parameter::gamma) + "; it must be finite and above 1");
    for (std::size_t index : {parameter::mach, parameter::alpha, parameter::reynolds}) {
        if (!std::isfinite(p[index])) reject(named(index) + "; it must be finite");
    }
    const int viscous = static_cast<int>(p[parameter::viscous]);
    if (viscous != 0 && !(p[parameter::reynolds] > 0.0))
        reject(named(parameter::reynolds) + "; it must be above 0 while viscous (parameters[" +
               std::to_string(parameter::viscous) + "] = " + number(p[parameter::viscous]) +
               ") is non-zero");
}

void checkMethodEntries(std::span<const double> entries) {
    auto name = [](std::size_t k) {
        return "parameters[" + std::to_string(methodEntriesFirst + k) + "] (" + methodEntryName(k) +
               ") is ";
    };
    if (entries.size() > methodEntryCount)
        reject("parameters has " + std::to_string(methodEntriesFirst + entries.size()) +
               " values; it holds at most " +
               std::to_string(methodEntriesFirst + methodEntryCount));
    namespace m = methodEntry;
    auto has = [&](std::size_t k) { return k < entries.size(); };
    for (std::size_t k : {m::stepControl, m::symmetricSweeps, m::limiter, m::vortexFarField})
        if (has(k) && !(entries[k] == 0.0 || entries[k] == 1.0))
            reject(name(k) + number(entries[k]) + "; it must be 0 or 1");
    const double start =
        has(m::courantStart) ? entries[m::courantStart] : MethodOptions{}.courantStart;
    if (has(m::courantStart) && !(std::isfinite(start) && start > 0.0))
        reject(name(m::courantStart) + number(start) + "; it must be finite and above 0");
    const double largest = has(m::courantMax) ? entries[m::courantMax] : 0.0;
    if (has(m::courantMax) && !(std::isfinite(largest) && largest >= start))
        reject(name(m::courantMax) + number(largest) + "; it must be finite and at least " +
               methodEntryName(m::courantStart) + " (" + number(start) + ")");
    const double threshold = has(m::limiterThreshold) ? entries[m::limiterThreshold] : 0.0;
    if (has(m::limiterThreshold) && !(std::isfinite(threshold) && threshold >= 0.0))
        reject(name(m::limiterThreshold) + number(threshold) +
               "; it must be finite and not negative");
    const double sweeps = has(m::maxSweeps) ? entries[m::maxSweeps] : 1.0;
    if (has(m::maxSweeps) && !(sweeps >= 1.0 && sweeps <= 100.0 && sweeps == std::floor(sweeps)))
        reject(name(m::maxSweeps) + number(sweeps) + "; it must be a whole number from 1 to 100");
}

void checkMethodMemoryLength(std::int64_t length, std::size_t expected) {
    if (length != static_cast<std::int64_t>(expected))
        reject("memory has " + number(length) + " values; it must hold " +
               std::to_string(expected) + ", as the field read back gives them");
}

void checkMethodMemory(std::span<const double> memory) {
    for (std::size_t k = 0; k < memory.size(); ++k) {
        const double v = memory[k];
        const bool counter = k == 3 || k == 7;
        const bool signless = counter || k == 1 || k == 2;
        if (!std::isfinite(v) || (signless && v < 0.0) ||
            (counter && (v != std::floor(v) || v > 9007199254740992.0)))
            reject("memory[" + std::to_string(k) + "] is " + number(v) + "; it must be finite" +
                   (counter    ? std::string(", a whole number from 0 to 2^53")
                    : signless ? std::string(" and not negative")
                               : std::string()));
    }
}

void checkFieldLength(const char* name, std::int64_t length, int nodeCount) {
    const std::int64_t expected = 4 * static_cast<std::int64_t>(nodeCount);
    if (length == nullArrayLength)
        reject(std::string(name) + " is null; it must hold 4 values per node, " + number(expected));
    if (length != expected)
        reject(std::string(name) + " has " + number(length) +
               " values; it must hold 4 values per node, " + number(expected));
}

void checkFieldLevel(const char* name, std::span<const double> level, double gamma) {
    checkFieldIncrement(name, level);
    for (std::size_t i = 0; i + 3 < level.size(); i += 4) {
        const std::string node = " (node " + std::to_string(i / 4) + ")";
        if (!(level[i] > 0.0))
            reject(std::string(name) + "[" + std::to_string(i) + "] is " + number(level[i]) + node +
                   "; density must be above 0");
        const double p = pressureFromKinetic(
            level[i + 3], kineticEnergy(level[i], level[i + 1], level[i + 2]), gamma);
        if (!(p > 0.0))
            reject(std::string(name) + "[" + std::to_string(i + 3) + "] is " +
                   number(level[i + 3]) + node + ", which gives pressure " + number(p) +
                   "; pressure must be above 0");
    }
}

void checkFieldIncrement(const char* name, std::span<const double> values) {
    for (std::size_t i = 0; i < values.size(); ++i)
        if (!std::isfinite(values[i]))
            reject(std::string(name) + "[" + std::to_string(i) + "] is " + number(values[i]) +
                   "; a flow field must be finite");
}

}  // namespace kestrafol
