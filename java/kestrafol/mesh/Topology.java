package kestrafol.mesh;

import java.util.Arrays;

/**
 * What lies across each element side of a mesh: the neighbouring element, or the boundary edge
 * on it. Built once per mesh, in time linear in its size, and checked while it is built, with
 * the library's messages and in the library's order: an element given twice, a side shared by
 * three or more elements, two elements that run along a side in the same direction (they
 * overlap), a boundary edge that is a side of no element or of two, a boundary edge given twice,
 * a side of one element that is no boundary edge (the mesh is open there).
 *
 * <p>Elements are numbered triangles first (0 to t - 1), then quadrilaterals (t to t + q - 1).
 * Side k of an element runs from its corner k to corner k + 1; the sides are numbered element
 * by element ({@link #firstSide}). Only element, side and edge numbers are kept, so the record
 * holds for any numbering of the nodes. Immutable.
 */
public final class Topology {
    private final int triangleCount;
    private final int quadCount;
    /** Per side: the element across (from 0), or -1 - b for the boundary edge b on it. */
    private final int[] across;
    /** Per boundary edge: the side it lies on. */
    private final int[] edgeSide;

    private Topology(int triangleCount, int quadCount, int[] across, int[] edgeSide) {
        this.triangleCount = triangleCount;
        this.quadCount = quadCount;
        this.across = across;
        this.edgeSide = edgeSide;
    }

    /**
     * The topology of checked arrays in {@link Mesh}'s layout (element nodes from 1 in range and
     * distinct within an element, boundary-edge nodes from 0 in range).
     *
     * @throws MeshFault for the first fault in element order, then in boundary-edge order
     */
    static Topology of(int nodeCount, int[] triangles, int[] quads, int[] boundaryEdges) {
        return new Builder(nodeCount, triangles, quads, boundaryEdges).build();
    }

    public int elementCount() {
        return triangleCount + quadCount;
    }

    /** 3 for a triangle, 4 for a quadrilateral. */
    public int corners(int element) {
        return element < triangleCount ? 3 : 4;
    }

    /** The number of the element's side 0; its side k is firstSide + k. */
    public int firstSide(int element) {
        return element < triangleCount ? 3 * element
                : 3 * triangleCount + 4 * (element - triangleCount);
    }

    public int sideCount() {
        return across.length;
    }

    public int elementOfSide(int side) {
        int triangleSides = 3 * triangleCount;
        return side < triangleSides ? side / 3 : triangleCount + (side - triangleSides) / 4;
    }

    /** The element across side k of the element, or -1 on the boundary. */
    public int neighbour(int element, int k) {
        int a = across[firstSide(element) + k];
        return a >= 0 ? a : -1;
    }

    /** The boundary edge on side k of the element, or -1 inside. */
    public int boundaryEdgeOn(int element, int k) {
        int a = across[firstSide(element) + k];
        return a < 0 ? -1 - a : -1;
    }

    /** The side boundary edge b lies on. */
    public int sideOfEdge(int b) {
        return edgeSide[b];
    }

    /** The element boundary edge b is a side of. */
    public int elementOfEdge(int b) {
        return elementOfSide(edgeSide[b]);
    }

    /** The pass over the arrays: sides and edges grouped by their smaller node, then checked. */
    private static final class Builder {
        private final int n;
        private final int[] triangles;
        private final int[] quads;
        private final int[] edges;
        private final int t;
        private final int sides;
        private final int edgeCount;
        /** Per side: the first side with the same two nodes (its representative). */
        private final int[] representative;
        /** Per representative: how many sides share its nodes (counting stops at sides). */
        private final int[] owners;
        /** Per representative: its second and third side (the first is itself). */
        private final int[] members;
        /** Per edge: the representative of its side, or -1. */
        private final int[] edgeOnSide;
        /** Per edge: an earlier edge with the same two nodes, or -1. */
        private final int[] repeatOf;

        Builder(int nodeCount, int[] triangles, int[] quads, int[] boundaryEdges) {
            this.n = nodeCount;
            this.triangles = triangles;
            this.quads = quads;
            this.edges = boundaryEdges;
            this.t = triangles.length / 3;
            this.sides = triangles.length + quads.length;
            this.edgeCount = boundaryEdges.length / 3;
            representative = new int[sides];
            owners = new int[sides];
            members = new int[2 * sides];
            edgeOnSide = new int[edgeCount];
            repeatOf = new int[edgeCount];
        }

        Topology build() {
            pairSides();
            checkSharedSides();
            checkBoundaryEdges();
            int[] across = acrossEachSide();
            // A checked edge's side has no other side with its nodes: it is its representative.
            return new Topology(t, quads.length / 4, across, edgeOnSide);
        }

        /** Side x (0 to 2) among those with the nodes of representative r. */
        private int member(int r, int x) {
            return x == 0 ? r : members[2 * r + x - 1];
        }

        private int element(int side) {
            return side < 3 * t ? side / 3 : t + (side - 3 * t) / 4;
        }

        private int firstSide(int g) {
            return g < t ? 3 * g : 3 * t + 4 * (g - t);
        }

        private int corners(int g) {
            return g < t ? 3 : 4;
        }

        /** Corner k of element g, numbered from 1. */
        private int node(int g, int k) {
            return g < t ? triangles[3 * g + k] : quads[4 * (g - t) + k];
        }

        private int from(int side) {
            int g = element(side);
            return node(g, side - firstSide(g)) - 1;
        }

        private int to(int side) {
            int g = element(side);
            return node(g, (side - firstSide(g) + 1) % corners(g)) - 1;
        }

        private int edgeFrom(int b) {
            return edges[3 * b];
        }

        private int edgeTo(int b) {
            return edges[3 * b + 1];
        }

        /**
         * Groups the sides and the edges by their smaller node; within the group of node v the
         * larger node finds the first side with the same nodes through firstWith, valid while
         * seenIn holds v: no search, no pairwise scan.
         */
        private void pairSides() {
            int[] sideOrder = new int[sides];
            int[] sideStart = groupByNode(sides, i -> Math.min(from(i), to(i)), sideOrder);
            int[] edgeOrder = new int[edgeCount];
            int[] edgeStart = groupByNode(edgeCount, b -> Math.min(edgeFrom(b), edgeTo(b)),
                    edgeOrder);
            int[] seenIn = filled(n);
            int[] firstWith = filled(n);
            int[] edgeSeenIn = filled(n);
            int[] lastEdgeWith = filled(n);
            Arrays.fill(edgeOnSide, -1);
            Arrays.fill(repeatOf, -1);
            for (int v = 0; v < n; v++) {
                for (int k = sideStart[v]; k < sideStart[v + 1]; k++) {
                    int i = sideOrder[k];
                    int other = Math.max(from(i), to(i));
                    if (seenIn[other] != v) {
                        seenIn[other] = v;
                        firstWith[other] = i;
                        representative[i] = i;
                        owners[i] = 1;
                    } else {
                        int r = firstWith[other];
                        representative[i] = r;
                        if (owners[r] < 3) {
                            members[2 * r + owners[r] - 1] = i;
                        }
                        owners[r]++;
                    }
                }
                for (int k = edgeStart[v]; k < edgeStart[v + 1]; k++) {
                    int b = edgeOrder[k];
                    int other = Math.max(edgeFrom(b), edgeTo(b));
                    if (seenIn[other] == v && other != v) {
                        edgeOnSide[b] = firstWith[other];
                    }
                    if (edgeSeenIn[other] == v) {
                        repeatOf[b] = lastEdgeWith[other];
                    }
                    edgeSeenIn[other] = v;
                    lastEdgeWith[other] = b;
                }
            }
        }

        private interface Key {
            int of(int item);
        }

        /** Stable counting sort of items by a node: row starts, and the items row by row. */
        private int[] groupByNode(int items, Key key, int[] order) {
            int[] start = new int[n + 1];
            for (int i = 0; i < items; i++) {
                start[key.of(i) + 1]++;
            }
            for (int v = 0; v < n; v++) {
                start[v + 1] += start[v];
            }
            int[] cursor = Arrays.copyOf(start, n);
            for (int i = 0; i < items; i++) {
                order[cursor[key.of(i)]++] = i;
            }
            return start;
        }

        private static int[] filled(int size) {
            int[] a = new int[size];
            Arrays.fill(a, -1);
            return a;
        }

        /** Elements in list order, each side in element order: the first fault is reported. */
        private void checkSharedSides() {
            for (int g = 0; g < t + quads.length / 4; g++) {
                for (int i = firstSide(g); i < firstSide(g) + corners(g); i++) {
                    int r = representative[i];
                    int shared = owners[r];
                    if (shared < 2) {
                        continue;
                    }
                    int listed = Math.min(shared, 3);
                    for (int x = 0; x < listed; x++) {
                        for (int y = x + 1; y < listed; y++) {
                            int first = element(member(r, x));
                            int second = element(member(r, y));
                            if (sameNodes(first, second)) {
                                String reason = "it repeats " + describe(first);
                                throw new MeshFault(describe(second) + ": " + reason, reason,
                                        second, -1, first, -1);
                            }
                        }
                    }
                    if (shared >= 3) {
                        throw sharedByMany(i, r, shared, listed);
                    }
                    int j = r == i ? member(r, 1) : r;
                    if (from(j) == from(i)) {
                        int a = element(Math.min(i, j));
                        int b = element(Math.max(i, j));
                        String reason = "both run along " + sideText(from(i), to(i))
                                + " in the same direction, so they overlap; neighbouring"
                                + " counter-clockwise elements run along their common side in"
                                + " opposite directions";
                        throw new MeshFault(describe(a) + " and " + describe(b) + " " + reason,
                                "it and another element " + reason, b, -1, a, -1);
                    }
                }
            }
        }

        private MeshFault sharedByMany(int i, int r, int shared, int listed) {
            StringBuilder names = new StringBuilder();
            for (int x = 0; x < listed; x++) {
                names.append(x == 0 ? "" : x + 1 == listed && shared == 3 ? " and " : ", ")
                        .append(describe(element(member(r, x))));
            }
            if (shared > 3) {
                names.append(" and ").append(shared - 3).append(" more");
            }
            String reason = sideText(from(i), to(i)) + " is shared by " + shared + " elements: "
                    + names + "; an element side belongs to one element (on the boundary) or two"
                    + " (inside)";
            return new MeshFault(reason, reason, element(i), -1, -1, -1);
        }

        /** Each boundary edge a side of exactly one element and given once. */
        private void checkBoundaryEdges() {
            for (int b = 0; b < edgeCount; b++) {
                int owning = edgeOnSide[b] < 0 ? 0 : owners[edgeOnSide[b]];
                if (owning != 1) {
                    throw MeshFault.of(describeEdge(b), "it is a side of " + owning
                            + " elements; a boundary edge must be a side of exactly one", -1, b);
                }
            }
            for (int b = 0; b < edgeCount; b++) {
                if (repeatOf[b] >= 0) {
                    String reason = "it repeats boundary edge " + repeatOf[b];
                    throw new MeshFault(describeEdge(b) + ": " + reason, reason, -1, b, -1,
                            repeatOf[b]);
                }
            }
        }

        /**
         * Per side the element across or the boundary edge on it; refuses a side of one element
         * that is no boundary edge.
         */
        private int[] acrossEachSide() {
            int[] across = new int[sides];
            Arrays.fill(across, Integer.MIN_VALUE);
            for (int b = 0; b < edgeCount; b++) {
                across[edgeOnSide[b]] = -1 - b;
            }
            for (int i = 0; i < sides; i++) {
                int r = representative[i];
                if (owners[r] == 2) {
                    across[i] = element(r == i ? member(r, 1) : r);
                } else if (across[i] == Integer.MIN_VALUE) {
                    int g = element(i);
                    throw MeshFault.of(describe(g), sideText(from(i), to(i)) + " belongs to no"
                            + " other element and is no boundary edge, so the mesh is open there",
                            g, -1);
                }
            }
            return across;
        }

        /** The same nodes, whatever their order. */
        private boolean sameNodes(int g, int h) {
            if (corners(g) != corners(h)) {
                return false;
            }
            int[] a = new int[corners(g)];
            int[] c = new int[corners(h)];
            for (int k = 0; k < a.length; k++) {
                a[k] = node(g, k);
                c[k] = node(h, k);
            }
            Arrays.sort(a);
            Arrays.sort(c);
            return Arrays.equals(a, c);
        }

        /** "triangles[3..5] (triangle 1) is {1, 6, 5}". */
        private String describe(int g) {
            return Mesh.describeElement(g < t ? triangles : quads, corners(g), g < t ? g : g - t);
        }

        /** "the side from node 2 to node 6 (boundary-edge numbering {1, 5})". */
        private static String sideText(int from, int to) {
            return "the side from node " + (from + 1) + " to node " + (to + 1)
                    + " (boundary-edge numbering {" + from + ", " + to + "})";
        }

        /** "boundaryEdges[3..4] (boundary edge 1) is {1, 2}". */
        private String describeEdge(int b) {
            return "boundaryEdges[" + (3 * b) + ".." + (3 * b + 1) + "] (boundary edge " + b
                    + ") is {" + edgeFrom(b) + ", " + edgeTo(b) + "}";
        }
    }
}
