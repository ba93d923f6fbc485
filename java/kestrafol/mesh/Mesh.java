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
 * constructor checks everything the library checks, with the library's messages (a
 * {@link MeshFault} names the element or boundary edge), and builds the mesh's
 * {@link Topology} while it checks the sides; it also requires the elements to cover their
 * domain once. Meshes derived from a checked one (other kinds, other node numbers, unused nodes
 * dropped) share its topology and are not checked again.
 */
public final class Mesh {
    private final double[] coords;
    private final int[] triangles;
    private final int[] quads;
    private final int[] boundaryEdges;
    private final List<BoundaryKind> boundaryKinds;
    private final List<String> boundaryNames;
    private final Topology topology;

    /**
     * Creates a mesh. Boundary names may be null, in which case tag t is called "boundary t".
     *
     * @throws IllegalArgumentException if any array is inconsistent or the mesh is invalid
     */
    public Mesh(double[] coords, int[] triangles, int[] quads, int[] boundaryEdges,
            List<BoundaryKind> boundaryKinds, List<String> boundaryNames) {
        this(copy(coords, "coords", 2), copy(triangles, "triangles", 3), copy(quads, "quads", 4),
                copy(boundaryEdges, "boundaryEdges", 3), boundaryKinds, boundaryNames, null);
    }

    /**
     * A mesh on arrays that nobody else holds (fresh copies, or the arrays of another immutable
     * mesh): taken as they are, not copied again. Without a topology the arrays are checked and
     * the topology built; a topology given is that of a checked mesh with the same elements and
     * boundary edges in the same order, whatever the numbering of its nodes.
     */
    private Mesh(double[] coords, int[] triangles, int[] quads, int[] boundaryEdges,
            List<BoundaryKind> boundaryKinds, List<String> boundaryNames, Topology topology) {
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
        this.topology = topology != null ? topology : validate();
    }

    /**
     * This mesh with its nodes renumbered (for {@link Renumbering}): fresh arrays of the same
     * layout, the same elements and edges in the same order, so the topology holds unchanged.
     */
    Mesh withNodes(double[] coords, int[] triangles, int[] quads, int[] boundaryEdges) {
        return new Mesh(coords, triangles, quads, boundaryEdges, boundaryKinds, boundaryNames,
                topology);
    }

    /**
     * This mesh without the nodes that no element uses (a mesh file may list some), the others
     * in their order; this mesh itself when every node is used. Elements and boundary edges
     * keep their order, so the topology holds and nothing is checked again.
     */
    public Mesh withoutUnusedNodes() {
        int n = nodeCount();
        int[] newNumber = new int[n];
        Arrays.fill(newNumber, -1);
        for (int[] elements : new int[][] {triangles, quads}) {
            for (int node : elements) {
                newNumber[node - 1] = 0;
            }
        }
        int used = 0;
        for (int i = 0; i < n; i++) {
            if (newNumber[i] == 0) {
                newNumber[i] = used++;
            }
        }
        if (used == n) {
            return this;
        }
        double[] xy = new double[2 * used];
        for (int i = 0; i < n; i++) {
            if (newNumber[i] >= 0) {
                xy[2 * newNumber[i]] = coords[2 * i];
                xy[2 * newNumber[i] + 1] = coords[2 * i + 1];
            }
        }
        return withNodesNumbered(xy, newNumber);
    }

    /**
     * The mesh on new node numbers: node i becomes node newNumber[i] (numbered from 0) at its
     * place in xy; elements and boundary edges keep their order, their sides and the topology.
     */
    Mesh withNodesNumbered(double[] xy, int[] newNumber) {
        int[] tri = triangles.clone();
        int[] quad = quads.clone();
        for (int[] elements : new int[][] {tri, quad}) {
            for (int i = 0; i < elements.length; i++) {
                elements[i] = newNumber[elements[i] - 1] + 1;
            }
        }
        int[] edges = boundaryEdges.clone();
        for (int e = 0; e < edges.length / 3; e++) {
            edges[3 * e] = newNumber[edges[3 * e]];
            edges[3 * e + 1] = newNumber[edges[3 * e + 1]];
        }
        return withNodes(xy, tri, quad, edges);
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
     * Checks the mesh in the order and with the wording of the library's own input checks
     * (values, elements, boundary edges, then how they fit together, which builds the topology),
     * then that the elements cover their domain once.
     */
    private Topology validate() {
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
                    throw valueFault("boundaryEdges[" + i + "] is " + value, "boundary-edge node"
                            + " numbers run from 0 to nodeCount - 1 (" + (n - 1) + ")", -1, i / 3);
                }
            } else if (value < 1 || value > boundaryKinds.size()) {
                throw valueFault("boundaryEdges[" + i + "] is " + value, "boundary tags run from 1"
                        + " to boundaryKindCount (" + boundaryKinds.size() + ")", -1, i / 3);
            }
        }
        Topology built = Topology.of(n, triangles, quads, boundaryEdges);
        checkCoveredOnce(built);
        return built;
    }

    /**
     * Refuses a mesh that covers part of the plane twice, such as a second body meshed on its own
     * and drawn on top of the domain. Each element side on the boundary is directed as its element
     * runs along it (the element on its left); for a mesh that covers its domain once, these
     * directed loops wind exactly once around every point of every element. The winding number
     * is taken at the centroid of one element on each boundary loop: a loop drawn inside the
     * domain a second time gives 2 there. Time: loops times boundary edges.
     */
    private void checkCoveredOnce(Topology sides) {
        int n = nodeCount();
        int edges = boundaryEdgeCount();
        // Each boundary edge directed as its element runs along it.
        int[] from = new int[edges];
        int[] to = new int[edges];
        int[] parent = new int[n];
        for (int i = 0; i < n; i++) {
            parent[i] = i;
        }
        for (int e = 0; e < edges; e++) {
            int g = sides.elementOfEdge(e);
            int k = sides.sideOfEdge(e) - sides.firstSide(g);
            from[e] = elementNode(g, k) - 1;
            to[e] = elementNode(g, (k + 1) % sides.corners(g)) - 1;
            parent[root(parent, from[e])] = root(parent, to[e]);
        }
        Map<Integer, Integer> loops = new HashMap<>(); // root node -> first boundary edge
        for (int e = 0; e < edges; e++) {
            loops.putIfAbsent(root(parent, from[e]), e);
        }
        for (int e : loops.values()) {
            int g = sides.elementOfEdge(e);
            int corners = sides.corners(g);
            double cx = 0;
            double cy = 0;
            for (int k = 0; k < corners; k++) {
                int node = elementNode(g, k) - 1;
                cx += coords[2 * node] / corners;
                cy += coords[2 * node + 1] / corners;
            }
            int winding = 0;
            for (int f = 0; f < edges; f++) {
                winding += crossing(coords, from[f], to[f], cx, cy);
            }
            if (winding != 1) {
                String element = g < triangleCount() ? "triangle " + g
                        : "quadrilateral " + (g - triangleCount());
                String reason = "the mesh covers part of its domain " + winding + " times: "
                        + element + " on boundary " + boundaryNames.get(boundaryEdges[3 * e + 2]
                        - 1) + " lies inside the domain of other elements too (a second body"
                        + " drawn on top of the mesh?); a mesh must cover every point once";
                throw new MeshFault(reason, reason, g, -1, -1, -1);
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
        int before = elements == triangles ? 0 : triangleCount();
        for (int i = 0; i < elements.length; i++) {
            if (elements[i] < 1 || elements[i] > n) {
                throw valueFault(name + "[" + i + "] is " + elements[i], "element node numbers"
                        + " run from 1 to nodeCount (" + n + ")", before + i / corners, -1);
            }
        }
        for (int e = 0; e < elements.length / corners; e++) {
            String reason = elementFault(elements, corners, e);
            if (reason != null) {
                throw MeshFault.of(describeElement(elements, corners, e), reason, before + e, -1);
            }
        }
    }

    /** What is wrong with element e on its own (a repeated node, its orientation), or null. */
    private String elementFault(int[] elements, int corners, int e) {
        int first = corners * e;
        for (int j = 0; j < corners; j++) {
            for (int k = j + 1; k < corners; k++) {
                if (elements[first + j] == elements[first + k]) {
                    return "it repeats node " + elements[first + j];
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
            return "its signed area " + text + " is not positive; elements must be"
                    + " counter-clockwise and not degenerate";
        }
        if (corners == 4) {
            int bent = 0;
            for (int j = 0; j < 4; j++) {
                if (Orientation.orientation(coords, local[(j + 3) % 4], local[j],
                        local[(j + 1) % 4]) <= 0) {
                    bent++;
                }
            }
            if (bent > 1) {
                return bent + " corners turn clockwise or straight, so it is self-intersecting"
                        + " or folded";
            }
        }
        return null;
    }

    /** "triangles[3..5] (triangle 1) is {2, 7, 6}": element e of an array, as messages name it. */
    static String describeElement(int[] elements, int corners, int e) {
        int first = corners * e;
        StringBuilder where = new StringBuilder(corners == 3 ? "triangles[" : "quads[");
        where.append(first).append("..").append(first + corners - 1).append("] (")
                .append(corners == 3 ? "triangle " : "quadrilateral ").append(e).append(") is {");
        for (int k = 0; k < corners; k++) {
            where.append(k > 0 ? ", " : "").append(elements[first + k]);
        }
        return where.append('}').toString();
    }

    /** The library's form of a refused value: "subject; reason". */
    private static MeshFault valueFault(String subject, String reason, int element, int edge) {
        return new MeshFault(subject + "; " + reason, reason, element, edge, -1, -1);
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

    /**
     * Returns this mesh with other boundary kinds (one per tag); names stay. The new mesh shares
     * this one's (immutable) arrays: the geometry is neither copied nor checked again.
     */
    public Mesh withBoundaryKinds(List<BoundaryKind> kinds) {
        if (kinds == null || kinds.size() != boundaryKinds.size()) {
            throw new IllegalArgumentException("expected " + boundaryKinds.size()
                    + " boundary kinds, got " + (kinds == null ? "null" : kinds.size()));
        }
        return new Mesh(coords, triangles, quads, boundaryEdges, kinds, boundaryNames, topology);
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

    /**
     * Node k of element g (triangles first, then quadrilaterals, as {@link Topology} numbers
     * them), numbered from 1.
     */
    public int elementNode(int g, int k) {
        int t = triangleCount();
        return g < t ? triangles[3 * g + checkCorner(k, 3)] : quads[4 * (g - t) + checkCorner(k, 4)];
    }

    /** Which element lies across each side, and which boundary edge lies on each side. */
    public Topology topology() {
        return topology;
    }

    /**
     * True when boundary edge e runs from its node 0 to its node 1 as its element runs along
     * it, so that the element lies on its left.
     */
    public boolean edgeAlongElement(int e) {
        int g = topology.elementOfEdge(e);
        int k = topology.sideOfEdge(e) - topology.firstSide(g);
        return elementNode(g, k) - 1 == boundaryEdges[3 * e];
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

    /** True when the role of tag t's kind (t from 1) is wall. */
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

    /** What {@link #forEachSide} hands each side: its two nodes, numbered from 0. */
    public interface SideVisitor {
        void side(int a, int b);
    }

    /**
     * Each side of each element, triangles first, in element order (a side of two elements comes
     * twice, once from each).
     */
    public void forEachSide(SideVisitor visitor) {
        for (int e = 0; e < triangleCount(); e++) {
            for (int k = 0; k < 3; k++) {
                visitor.side(triangleNode(e, k) - 1, triangleNode(e, (k + 1) % 3) - 1);
            }
        }
        for (int e = 0; e < quadCount(); e++) {
            for (int k = 0; k < 4; k++) {
                visitor.side(quadNode(e, k) - 1, quadNode(e, (k + 1) % 4) - 1);
            }
        }
    }
}
