#include "session/mesh_topology.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace kestrafol {

namespace {

[[noreturn]] void reject(const std::string& message) { throw InvalidInput(message); }

// The elements as one list: triangles first, then quadrilaterals; the sides of element g are
// numbered in its cyclic order, so side instance i runs from node(i) to the next node.
class Elements {
public:
    explicit Elements(const MeshInput& m) : m_(m) {}

    int count() const { return m_.triangleCount + m_.quadCount; }
    int sideCount() const { return 3 * m_.triangleCount + 4 * m_.quadCount; }
    int sizeOf(int g) const { return g < m_.triangleCount ? 3 : 4; }
    // Position of element g's first node in its host array.
    std::size_t firstIndex(int g) const {
        return g < m_.triangleCount ? 3 * static_cast<std::size_t>(g)
                                    : 4 * static_cast<std::size_t>(g - m_.triangleCount);
    }
    // Node k of element g, numbered from 1 as the host gives it.
    int node(int g, int k) const {
        return g < m_.triangleCount ? m_.triangles[firstIndex(g) + k] : m_.quads[firstIndex(g) + k];
    }
    int firstSide(int g) const {
        return g < m_.triangleCount ? 3 * g : 3 * m_.triangleCount + 4 * (g - m_.triangleCount);
    }
    int elementOfSide(int i) const {
        const int triangleSides = 3 * m_.triangleCount;
        return i < triangleSides ? i / 3 : m_.triangleCount + (i - triangleSides) / 4;
    }
    // Side instance i as a directed pair of nodes numbered from 0.
    int from(int i) const {
        const int g = elementOfSide(i);
        return node(g, i - firstSide(g)) - 1;
    }
    int to(int i) const {
        const int g = elementOfSide(i);
        return node(g, (i - firstSide(g) + 1) % sizeOf(g)) - 1;
    }
    // The same nodes, whatever their order.
    bool sameNodes(int g, int h) const {
        if (sizeOf(g) != sizeOf(h)) return false;
        std::array<int, 4> a{0, 0, 0, 0}, b{0, 0, 0, 0};  // a triangle's fourth entry stays 0
        for (int k = 0; k < sizeOf(g); ++k) {
            a[k] = node(g, k);
            b[k] = node(h, k);
        }
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        return a == b;
    }
    // "triangles[3..5] (triangle 1) is {1, 6, 5}"
    std::string describe(int g) const {
        const bool triangle = g < m_.triangleCount;
        const std::size_t first = firstIndex(g);
        std::string text = std::string(triangle ? "triangles[" : "quads[") + std::to_string(first) + ".." +
                           std::to_string(first + sizeOf(g) - 1) + "] (" +
                           (triangle ? "triangle " + std::to_string(g)
                                     : "quadrilateral " + std::to_string(g - m_.triangleCount)) +
                           ") is {";
        for (int k = 0; k < sizeOf(g); ++k) text += (k > 0 ? ", " : "") + std::to_string(node(g, k));
        return text + "}";
    }

private:
    const MeshInput& m_;
};

// "the side from node 2 to node 6 (boundary-edge numbering {1, 5})": element numbering first.
std::string sideText(int from, int to) {
    return "the side from node " + std::to_string(from + 1) + " to node " + std::to_string(to + 1) +
           " (boundary-edge numbering {" + std::to_string(from) + ", " + std::to_string(to) + "})";
}

// Boundary edge e as the existing messages name it: "boundaryEdges[3..4] (boundary edge 1) is {1, 2}".
std::string describeEdge(const MeshInput& m, int e) {
    const std::size_t first = 3 * static_cast<std::size_t>(e);
    return "boundaryEdges[" + std::to_string(first) + ".." + std::to_string(first + 1) + "] (boundary edge " +
           std::to_string(e) + ") is {" + std::to_string(m.boundaryEdges[first]) + ", " +
           std::to_string(m.boundaryEdges[first + 1]) + "}";
}

// Stable counting sort of items by a node number: returns the row starts (nodeCount + 1) and
// fills `order` with the items of node 0, then node 1, and so on, each row in item order.
template <typename KeyOf>
std::vector<int> groupByNode(int nodeCount, int items, KeyOf keyOf, std::vector<int>& order) {
    std::vector<int> start(static_cast<std::size_t>(nodeCount) + 1, 0);
    for (int i = 0; i < items; ++i) ++start[keyOf(i) + 1];
    for (int v = 0; v < nodeCount; ++v) start[v + 1] += start[v];
    std::vector<int> cursor(start.begin(), start.end() - 1);
    order.assign(static_cast<std::size_t>(items), 0);
    for (int i = 0; i < items; ++i) order[cursor[keyOf(i)]++] = i;
    return start;
}

}  // namespace

void checkMeshTopology(const MeshInput& m) {
    const Elements elements(m);
    const int n = m.nodeCount;
    const int sides = elements.sideCount();
    const int edgeCount = m.boundaryEdgeCount;
    auto edgeFrom = [&](int e) { return m.boundaryEdges[3 * static_cast<std::size_t>(e)]; };
    auto edgeTo = [&](int e) { return m.boundaryEdges[3 * static_cast<std::size_t>(e) + 1]; };

    // Side instances and boundary edges grouped by their smaller node.
    std::vector<int> sideOrder;
    const std::vector<int> sideStart = groupByNode(
        n, sides, [&](int i) { return std::min(elements.from(i), elements.to(i)); }, sideOrder);
    std::vector<int> edgeOrder;
    const std::vector<int> edgeStart =
        groupByNode(n, edgeCount, [&](int e) { return std::min(edgeFrom(e), edgeTo(e)); }, edgeOrder);

    // Within the group of node v, the larger node of a side finds the first instance of the
    // same side through firstWith, valid while seenIn holds v: no search, no pairwise scan.
    std::vector<int> representative(static_cast<std::size_t>(sides), -1);  // first instance of the same side
    std::vector<int> owners(static_cast<std::size_t>(sides), 0);           // per representative
    std::vector<std::array<int, 3>> members(static_cast<std::size_t>(sides));  // first three instances
    std::vector<int> edgeSide(static_cast<std::size_t>(edgeCount), -1);    // representative or -1
    std::vector<int> repeatOf(static_cast<std::size_t>(edgeCount), -1);    // an earlier equal edge
    std::vector<int> seenIn(static_cast<std::size_t>(n), -1);
    std::vector<int> firstWith(static_cast<std::size_t>(n), -1);
    std::vector<int> edgeSeenIn(static_cast<std::size_t>(n), -1);
    std::vector<int> lastEdgeWith(static_cast<std::size_t>(n), -1);
    for (int v = 0; v < n; ++v) {
        for (int k = sideStart[v]; k < sideStart[v + 1]; ++k) {
            const int i = sideOrder[k];
            const int other = std::max(elements.from(i), elements.to(i));
            if (seenIn[other] != v) {
                seenIn[other] = v;
                firstWith[other] = i;
                representative[i] = i;
                owners[i] = 1;
                members[i] = {i, -1, -1};
            } else {
                const int r = firstWith[other];
                representative[i] = r;
                if (owners[r] < 3) members[r][owners[r]] = i;
                if (owners[r] < sides) ++owners[r];
            }
        }
        for (int k = edgeStart[v]; k < edgeStart[v + 1]; ++k) {
            const int e = edgeOrder[k];
            const int other = std::max(edgeFrom(e), edgeTo(e));
            if (seenIn[other] == v && other != v) edgeSide[e] = firstWith[other];
            if (edgeSeenIn[other] == v) repeatOf[e] = lastEdgeWith[other];
            edgeSeenIn[other] = v;
            lastEdgeWith[other] = e;
        }
    }

    // Elements in list order, each side in element order: the first fault found is reported.
    for (int g = 0; g < elements.count(); ++g) {
        for (int i = elements.firstSide(g); i < elements.firstSide(g) + elements.sizeOf(g); ++i) {
            const int r = representative[i];
            const int shared = owners[r];
            if (shared < 2) continue;
            const std::array<int, 3>& with = members[r];
            const int listed = std::min(shared, 3);
            for (int x = 0; x < listed; ++x)
                for (int y = x + 1; y < listed; ++y) {
                    const int first = elements.elementOfSide(with[x]);
                    const int second = elements.elementOfSide(with[y]);
                    if (elements.sameNodes(first, second))
                        reject(elements.describe(second) + ": it repeats " + elements.describe(first));
                }
            if (shared >= 3) {
                std::string names;
                for (int x = 0; x < listed; ++x)
                    names += (x == 0 ? "" : x + 1 == listed && shared == 3 ? " and " : ", ") +
                             elements.describe(elements.elementOfSide(with[x]));
                if (shared > 3) names += " and " + std::to_string(shared - 3) + " more";
                reject(sideText(elements.from(i), elements.to(i)) + " is shared by " + std::to_string(shared) +
                       " elements: " + names +
                       "; an element side belongs to one element (on the boundary) or two (inside)");
            }
            const int j = with[0] == i ? with[1] : with[0];
            if (elements.from(j) == elements.from(i)) {
                const int a = elements.elementOfSide(std::min(i, j));
                const int b = elements.elementOfSide(std::max(i, j));
                reject(elements.describe(a) + " and " + elements.describe(b) + " both run along " +
                       sideText(elements.from(i), elements.to(i)) +
                       " in the same direction, so they overlap; neighbouring counter-clockwise elements "
                       "run along their common side in opposite directions");
            }
        }
    }

    // Boundary edges: each a side of exactly one element, each given once.
    for (int e = 0; e < edgeCount; ++e) {
        const int owning = edgeSide[e] < 0 ? 0 : owners[edgeSide[e]];
        if (owning != 1)
            reject(describeEdge(m, e) + ": it is a side of " + std::to_string(owning) +
                   " elements; a boundary edge must be a side of exactly one");
    }
    for (int e = 0; e < edgeCount; ++e)
        if (repeatOf[e] >= 0) reject(describeEdge(m, e) + ": it repeats boundary edge " + std::to_string(repeatOf[e]));

    // A side of a single element must be a boundary edge, or the mesh is open there.
    std::vector<char> onBoundary(static_cast<std::size_t>(sides), 0);
    for (int e = 0; e < edgeCount; ++e) onBoundary[edgeSide[e]] = 1;
    for (int i = 0; i < sides; ++i) {
        const int r = representative[i];
        if (owners[r] == 1 && !onBoundary[r])
            reject(elements.describe(elements.elementOfSide(i)) + ": " + sideText(elements.from(i), elements.to(i)) +
                   " belongs to no other element and is no boundary edge, so the mesh is open there");
    }
}

}  // namespace kestrafol
