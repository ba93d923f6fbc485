package kestrafol.mesh;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import kestrafol.base.Numbers;

/**
 * A two-dimensional unstructured mesh in the layout the native solver takes: node coordinates,
 * triangles and quadrilaterals (node numbers from 1, counter-clockwise), boundary edges (two
 * node numbers from 0 and a tag from 1), and one boundary kind per tag. Each tag also has a
 * name, taken from the mesh file or the generator.
 *
 * <p>Immutable: the constructor copies its arrays and every accessor returns a copy. The
 * constructor checks everything the library checks, with messages that name the array, the
 * index and the value; it also requires a closed boundary (every element side that belongs to
 * one element only must be a boundary edge), since an open side would leave a control volume
 * without its boundary flux.
 */
public final class Mesh {
    private final double[] coords;
    private final int[] triangles;
    private final int[] quads;
    private final int[] boundaryEdges;
    private final List<BoundaryKind> boundaryKinds;
    private final List<String> boundaryNames;

    /**
     * Creates a mesh. Boundary names may be null, in which case tag t is called "boundary t".
     *
     * @throws IllegalArgumentException if any array is inconsistent or the mesh is invalid
     */
    public Mesh(double[] coords, int[] triangles, int[] quads, int[] boundaryEdges,
            List<BoundaryKind> boundaryKinds, List<String> boundaryNames) {
        this(copy(coords, "coords", 2), copy(triangles, "triangles", 3), copy(quads, "quads", 4),
                copy(boundaryEdges, "boundaryEdges", 3), boundaryKinds, boundaryNames, true);
    }

    /**
     * A mesh on arrays that nobody else holds (fresh copies, or the arrays of another immutable
     * mesh): taken as they are, not copied again. The geometry is checked when asked; a mesh
     * that only changes the kinds of a checked one needs no second check.
     */
    private Mesh(double[] coords, int[] triangles, int[] quads, int[] boundaryEdges,
            List<BoundaryKind> boundaryKinds, List<String> boundaryNames, boolean check) {
        this.coords = coords;
        this.triangles = triangles;
        this.quads = quads;
        this.boundaryEdges = boundaryEdges;
        if (boundaryKinds == null) {
            throw new IllegalArgumentException("boundaryKinds is null");
        }
        for (int t = 0; t < boundaryKinds.size(); t++) {
            if (boundaryKinds.get(t) == null) {
                throw new IllegalArgumentException("boundaryKinds[" + t + "] is null");
            }
        }
        this.boundaryKinds = List.copyOf(boundaryKinds);
        if (boundaryNames != null && boundaryNames.size() != this.boundaryKinds.size()) {
            throw new IllegalArgumentException("boundaryNames has " + boundaryNames.size()
                    + " names for " + this.boundaryKinds.size() + " boundary kinds");
        }
        List<String> names = new ArrayList<>();
        for (int t = 1; t <= this.boundaryKinds.size(); t++) {
            String name = boundaryNames == null ? null : boundaryNames.get(t - 1);
            names.add(name == null ? "boundary " + t : name);
        }
        this.boundaryNames = Collections.unmodifiableList(names);
        if (check) {
            validate();
        }
    }

    /**
     * A mesh on freshly built arrays of the same layout (for {@link Renumbering}): checked, but
     * not copied again.
     */
    static Mesh adopt(double[] coords, int[] triangles, int[] quads, int[] boundaryEdges,
            List<BoundaryKind> boundaryKinds, List<String> boundaryNames) {
        return new Mesh(coords, triangles, quads, boundaryEdges, boundaryKinds, boundaryNames,
                true);
    }

    /** A copy, checked for a whole number of groups. */
    private static double[] copy(double[] a, String name, int group) {
        if (a == null) {
            throw new IllegalArgumentException(name + " is null");
        }
        if (a.length % group != 0) {
            throw new IllegalArgumentException(name + " has length " + a.length
                    + ", not a multiple of " + group);
        }
        return a.clone();
    }

    private static int[] copy(int[] a, String name, int group) {
        if (a == null) {
            throw new IllegalArgumentException(name + " is null");
        }
        if (a.length % group != 0) {
            throw new IllegalArgumentException(name + " has length " + a.length
                    + ", not a multiple of " + group);
        }
        return a.clone();
    }

    /**
     * Checks the mesh in the order and with the wording of the library's own input checks, then
     * the closed boundary (which the library does not require).
     */
    private void validate() {
        int n = nodeCount();
        if (n < 1) {
            throw new IllegalArgumentException("nodeCount is 0; a mesh needs at least one node");
        }
        if (triangleCount() + quadCount() < 1) {
            throw new IllegalArgumentException(
                    "triangleCount and quadCount are both 0; a mesh needs at least one element");
        }
        for (int i = 0; i < coords.length; i++) {
            if (!Double.isFinite(coords[i])) {
                throw new IllegalArgumentException("coords[" + i + "] is " + number(coords[i])
                        + "; coordinates must be finite");
            }
        }
        checkElements("triangles", "triangle", triangles, 3, n);
        checkElements("quads", "quadrilateral", quads, 4, n);
        for (int i = 0; i < boundaryEdges.length; i++) {
            int value = boundaryEdges[i];
            if (i % 3 < 2) {
                if (value < 0 || value >= n) {
                    throw new IllegalArgumentException("boundaryEdges[" + i + "] is " + value
                            + "; boundary-edge node numbers run from 0 to nodeCount - 1 (" + (n - 1)
                            + ")");
                }
            } else if (value < 1 || value > boundaryKinds.size()) {
                throw new IllegalArgumentException("boundaryEdges[" + i + "] is " + value
                        + "; boundary tags run from 1 to boundaryKindCount (" + boundaryKinds.size()
                        + ")");
            }
        }
        Map<Long, Integer> sides = elementSides();
        checkSidesOnce(sides);
        for (int e = 0; e < boundaryEdgeCount(); e++) {
            Integer count = sides.get(sideKey(boundaryEdges[3 * e], boundaryEdges[3 * e + 1]));
            int owners = count == null ? 0 : count;
            if (owners != 1) {
                throw new IllegalArgumentException(edgeText(e) + ": it is a side of " + owners
                        + " elements; a boundary edge must be a side of exactly one");
            }
        }
        Map<Long, Integer> seen = new HashMap<>();
        for (int e = 0; e < boundaryEdgeCount(); e++) {
            Integer before = seen.putIfAbsent(sideKey(boundaryEdges[3 * e], boundaryEdges[3 * e + 1]), e);
            if (before != null) {
                throw new IllegalArgumentException(edgeText(e) + ": it repeats boundary edge " + before);
            }
        }
        for (Map.Entry<Long, Integer> side : sides.entrySet()) {
            if (side.getValue() == 1 && !seen.containsKey(side.getKey())) {
                long key = side.getKey();
                throw new IllegalArgumentException("the element side {" + (key / n) + ", " + (key % n)
                        + "} (nodes from 0) lies on the mesh boundary but is no boundary edge;"
                        + " every boundary side needs a boundary edge");
            }
        }
        checkCoveredOnce();
    }

    /**
     * Refuses a mesh that covers part of the plane twice, such as a second body meshed on its own
     * and drawn on top of the domain. Each element side on the boundary is directed as its element
     * runs along it (the element on its left); for a mesh that covers its domain once, these
     * directed loops wind exactly once around every point of every element. The winding number
     * is taken at the centroid of one element on each boundary loop: a loop drawn inside the
     * domain a second time gives 2 there. Time: loops times boundary edges.
     */
    private void checkCoveredOnce() {
        int n = nodeCount();
        int edges = boundaryEdgeCount();
        // Directed boundary sides with their element: element sides that belong to no other.
        Map<Long, int[]> owner = new HashMap<>();
        for (int[] elements : new int[][] {triangles, quads}) {
            int corners = elements == triangles ? 3 : 4;
            for (int e = 0; e < elements.length / corners; e++) {
                for (int k = 0; k < corners; k++) {
                    int a = elements[corners * e + k] - 1;
                    int b = elements[corners * e + (k + 1) % corners] - 1;
                    owner.put(sideKey(a, b), new int[] {a, b, corners, e});
                }
            }
        }
        int[] from = new int[edges];
        int[] to = new int[edges];
        int[] parent = new int[n];
        for (int i = 0; i < n; i++) {
            parent[i] = i;
        }
        for (int e = 0; e < edges; e++) {
            int[] side = owner.get(sideKey(boundaryEdges[3 * e], boundaryEdges[3 * e + 1]));
            from[e] = side[0];
            to[e] = side[1];
            parent[root(parent, from[e])] = root(parent, to[e]);
        }
        Map<Integer, Integer> loops = new HashMap<>(); // root node -> first boundary edge
        for (int e = 0; e < edges; e++) {
            loops.putIfAbsent(root(parent, from[e]), e);
        }
        for (int e : loops.values()) {
            int[] side = owner.get(sideKey(from[e], to[e]));
            int[] elements = side[2] == 3 ? triangles : quads;
            double cx = 0;
            double cy = 0;
            for (int k = 0; k < side[2]; k++) {
                int node = elements[side[2] * side[3] + k] - 1;
                cx += coords[2 * node] / side[2];
                cy += coords[2 * node + 1] / side[2];
            }
            int winding = 0;
            for (int f = 0; f < edges; f++) {
                winding += crossing(coords, from[f], to[f], cx, cy);
            }
            if (winding != 1) {
                String element = (side[2] == 3 ? "triangle " : "quadrilateral ") + side[3];
                throw new IllegalArgumentException("the mesh covers part of its domain " + winding
                        + " times: " + element + " on boundary " + boundaryNames.get(
                        boundaryEdges[3 * e + 2] - 1) + " lies inside the domain of other"
                        + " elements too (a second body drawn on top of the mesh?); a mesh"
                        + " must cover every point once");
            }
        }
    }

    private static int root(int[] parent, int i) {
        while (parent[i] != i) {
            parent[i] = parent[parent[i]];
            i = parent[i];
        }
        return i;
    }

    /**
     * The directed segment a to b's share of the winding number around (x, y): +1 when it
     * crosses the ray to the right of the point upwards, -1 downwards, 0 otherwise (half-open in
     * y, so a ray through a vertex counts once).
     */
    private static int crossing(double[] c, int a, int b, double x, double y) {
        double ax = c[2 * a] - x;
        double ay = c[2 * a + 1] - y;
        double bx = c[2 * b] - x;
        double by = c[2 * b + 1] - y;
        if ((ay <= 0) == (by <= 0)) {
            return 0;
        }
        double cross = ax * by - bx * ay; // > 0: the point lies left of a -> b
        if (ay <= 0) {
            return cross > 0 ? 1 : 0;
        }
        return cross < 0 ? -1 : 0;
    }

    private String edgeText(int e) {
        return "boundaryEdges[" + (3 * e) + ".." + (3 * e + 1) + "] (boundary edge " + e + ") is {"
                + boundaryEdges[3 * e] + ", " + boundaryEdges[3 * e + 1] + "}";
    }

    private void checkElements(String name, String item, int[] elements, int corners, int n) {
        for (int i = 0; i < elements.length; i++) {
            if (elements[i] < 1 || elements[i] > n) {
                throw new IllegalArgumentException(name + "[" + i + "] is " + elements[i]
                        + "; element node numbers run from 1 to nodeCount (" + n + ")");
            }
        }
        for (int e = 0; e < elements.length / corners; e++) {
            int first = corners * e;
            StringBuilder where = new StringBuilder(name + "[" + first + ".." + (first + corners - 1)
                    + "] (" + item + " " + e + ") is {");
            for (int k = 0; k < corners; k++) {
                where.append(k > 0 ? ", " : "").append(elements[first + k]);
            }
            where.append('}');
            for (int j = 0; j < corners; j++) {
                for (int k = j + 1; k < corners; k++) {
                    if (elements[first + j] == elements[first + k]) {
                        throw new IllegalArgumentException(where + ": it repeats node "
                                + elements[first + j]);
                    }
                }
            }
            int[] local = new int[corners];
            for (int k = 0; k < corners; k++) {
                local[k] = elements[first + k] - 1;
            }
            int sign = Orientation.elementOrientation(coords, local, 0, corners);
            if (sign <= 0) {
                double area = signedArea(coords, elements, corners, e);
                String text = sign == 0 ? "0" : area < 0 ? number(area) : "< 0";
                throw new IllegalArgumentException(where + ": its signed area " + text
                        + " is not positive; elements must be counter-clockwise and not degenerate");
            }
            if (corners == 4) {
                int bent = 0;
                for (int j = 0; j < 4; j++) {
                    if (Orientation.orientation(coords, local[(j + 3) % 4], local[j], local[(j + 1) % 4]) <= 0) {
                        bent++;
                    }
                }
                if (bent > 1) {
                    throw new IllegalArgumentException(where + ": " + bent + " corners turn clockwise"
                            + " or straight, so it is self-intersecting or folded");
                }
            }
        }
    }

    private static String number(double v) {
        return Numbers.format(v);
    }

    /**
     * Signed area of element e (node numbers from 1), positive when counter-clockwise, from
     * differences to the first corner (so a shift of the mesh does not swamp it). Its sign may
     * still round wrong for nearly degenerate elements; {@link Orientation} gives the exact one.
     */
    public static double signedArea(double[] coords, int[] elements, int corners, int e) {
        int first = corners * e;
        int o = elements[first] - 1;
        double sum = 0;
        for (int k = 1; k + 1 < corners; k++) {
            int p = elements[first + k] - 1;
            int q = elements[first + k + 1] - 1;
            sum += (coords[2 * p] - coords[2 * o]) * (coords[2 * q + 1] - coords[2 * o + 1])
                    - (coords[2 * q] - coords[2 * o]) * (coords[2 * p + 1] - coords[2 * o + 1]);
        }
        return 0.5 * sum;
    }

    private long sideKey(int a, int b) {
        long n = nodeCount();
        return Math.min(a, b) * n + Math.max(a, b);
    }

    /** Number of elements each undirected element side belongs to. */
    /**
     * Refuses, as the library does, a side shared by three or more elements and two elements
     * that run along their common side in the same direction (they overlap: folded cells, such
     * as boundary layers grown over each other).
     */
    private void checkSidesOnce(Map<Long, Integer> sides) {
        int n = nodeCount();
        for (Map.Entry<Long, Integer> side : sides.entrySet()) {
            if (side.getValue() > 2) {
                long key = side.getKey();
                throw new IllegalArgumentException("the element side {" + (key / n) + ", "
                        + (key % n) + "} (nodes from 0) is a side of " + side.getValue()
                        + " elements; a side belongs to one or two");
            }
        }
        Map<Long, String> directed = new HashMap<>();
        for (int[] elements : new int[][] {triangles, quads}) {
            int corners = elements == triangles ? 3 : 4;
            String kind = elements == triangles ? "triangle " : "quadrilateral ";
            for (int e = 0; e < elements.length / corners; e++) {
                for (int k = 0; k < corners; k++) {
                    int a = elements[corners * e + k] - 1;
                    int b = elements[corners * e + (k + 1) % corners] - 1;
                    String before = directed.putIfAbsent((long) a * n + b, kind + e);
                    if (before != null) {
                        throw new IllegalArgumentException(before + " and " + kind + e
                                + " both run along the side from node " + a + " to node " + b
                                + " (nodes from 0) in the same direction, so they overlap;"
                                + " neighbouring counter-clockwise elements run along their"
                                + " common side in opposite directions");
                    }
                }
            }
        }
    }

    private Map<Long, Integer> elementSides() {
        Map<Long, Integer> sides = new HashMap<>();
        for (int[] elements : new int[][] {triangles, quads}) {
            int corners = elements == triangles ? 3 : 4;
            for (int e = 0; e < elements.length / corners; e++) {
                for (int k = 0; k < corners; k++) {
                    int a = elements[corners * e + k] - 1;
                    int b = elements[corners * e + (k + 1) % corners] - 1;
                    sides.merge(sideKey(a, b), 1, Integer::sum);
                }
            }
        }
        return sides;
    }

    /**
     * Returns this mesh with other boundary kinds (one per tag); names stay. The new mesh shares
     * this one's (immutable) arrays: the geometry is neither copied nor checked again.
     */
    public Mesh withBoundaryKinds(List<BoundaryKind> kinds) {
        if (kinds == null || kinds.size() != boundaryKinds.size()) {
            throw new IllegalArgumentException("expected " + boundaryKinds.size()
                    + " boundary kinds, got " + (kinds == null ? "null" : kinds.size()));
        }
        return new Mesh(coords, triangles, quads, boundaryEdges, kinds, boundaryNames, false);
    }

    public int nodeCount() {
        return coords.length / 2;
    }

    public int triangleCount() {
        return triangles.length / 3;
    }

    public int quadCount() {
        return quads.length / 4;
    }

    public int boundaryEdgeCount() {
        return boundaryEdges.length / 3;
    }

    public int boundaryKindCount() {
        return boundaryKinds.size();
    }

    /** Node k (0 to 2) of triangle e, numbered from 1. */
    public int triangleNode(int e, int k) {
        return triangles[3 * e + checkCorner(k, 3)];
    }

    /** Node k (0 to 3) of quadrilateral e, numbered from 1. */
    public int quadNode(int e, int k) {
        return quads[4 * e + checkCorner(k, 4)];
    }

    /** Node k (0 or 1) of boundary edge e, numbered from 0. */
    public int edgeNode(int e, int k) {
        return boundaryEdges[3 * e + checkCorner(k, 2)];
    }

    /** Tag (from 1) of boundary edge e. */
    public int edgeTag(int e) {
        return boundaryEdges[3 * e + 2];
    }

    /** Kind of tag t (from 1). */
    public BoundaryKind boundaryKind(int tag) {
        return boundaryKinds.get(tag - 1);
    }

    private static int checkCorner(int k, int corners) {
        if (k < 0 || k >= corners) {
            throw new IndexOutOfBoundsException("corner " + k + " of " + corners);
        }
        return k;
    }

    public double x(int node) {
        return coords[2 * node];
    }

    public double y(int node) {
        return coords[2 * node + 1];
    }

    /** Coordinates x0, y0, x1, y1, ... (a copy). */
    public double[] coords() {
        return coords.clone();
    }

    /** Triangle node numbers from 1, three per triangle (a copy). */
    public int[] triangles() {
        return triangles.clone();
    }

    /** Quadrilateral node numbers from 1, four per quadrilateral (a copy). */
    public int[] quads() {
        return quads.clone();
    }

    /** Boundary edges: node, node (from 0), tag (from 1) (a copy). */
    public int[] boundaryEdges() {
        return boundaryEdges.clone();
    }

    /** Boundary kind of tag t at position t - 1 (unmodifiable). */
    public List<BoundaryKind> boundaryKinds() {
        return boundaryKinds;
    }

    /** The library's code (1, 2 or 3) of tag t's kind at position t - 1 (a new array). */
    public int[] boundaryKindCodes() {
        int[] codes = new int[boundaryKinds.size()];
        for (int t = 0; t < codes.length; t++) {
            codes[t] = boundaryKinds.get(t).code();
        }
        return codes;
    }

    /** Name of tag t at position t - 1. */
    public List<String> boundaryNames() {
        return boundaryNames;
    }

    /** True when tag t (from 1) is a slip or no-slip wall. */
    public boolean isWallTag(int tag) {
        return boundaryKind(tag).isWall();
    }

    @Override
    public String toString() {
        return nodeCount() + " nodes, " + triangleCount() + " triangles, " + quadCount()
                + " quadrilaterals, " + boundaryEdgeCount() + " boundary edges, boundaries "
                + describeBoundaries();
    }

    /** "name (kind), ..." for every tag. */
    public String describeBoundaries() {
        StringBuilder s = new StringBuilder();
        for (int t = 0; t < boundaryKinds.size(); t++) {
            if (t > 0) {
                s.append(", ");
            }
            s.append(boundaryNames.get(t)).append(" (").append(boundaryKinds.get(t).label()).append(')');
        }
        return s.toString();
    }

    @Override
    public boolean equals(Object o) {
        if (!(o instanceof Mesh)) {
            return false;
        }
        Mesh m = (Mesh) o;
        return Arrays.equals(coords, m.coords) && Arrays.equals(triangles, m.triangles)
                && Arrays.equals(quads, m.quads) && Arrays.equals(boundaryEdges, m.boundaryEdges)
                && boundaryKinds.equals(m.boundaryKinds)
                && boundaryNames.equals(m.boundaryNames);
    }

    @Override
    public int hashCode() {
        return Arrays.hashCode(coords) * 31 + Arrays.hashCode(triangles);
    }
}
