package kestrafol.mesh;

/**
 * Carries a field given per node of one mesh (for example the 4 conserved values of a flow
 * state) to the nodes of another mesh. A node inside the old mesh takes the linear
 * interpolation in the old element that contains it: barycentric in a triangle, and in a
 * quadrilateral in one of the two triangles of a diagonal that lies inside it, so that a field
 * linear in x and y arrives exactly (to rounding). A node outside the old mesh (beyond its far
 * field, or inside a wall where the old wall is a coarser polygon) takes the value of the
 * nearest old node.
 *
 * <p>Each value is formed as {@code v0 + (w1 (v1 - v0) + w2 (v2 - v0))} with v0 the corner of
 * the largest weight: a constant field arrives bit for bit (a free stream stays a free stream),
 * and a new node that coincides with an old one takes its value exactly.
 *
 * <p>Immutable. The weights are computed once ({@link #between}) and apply to any number of
 * fields on the same pair of meshes, such as the time levels of an unsteady run.
 */
public final class FieldTransfer {
    /**
     * How far outside its element (in barycentric coordinates) a node may lie and still be
     * interpolated there: rounding of points on an element side, not curvature of a boundary.
     */
    static final double TOLERANCE = 1e-9;

    private final int fromNodes;
    private final int[] corners; // 3 per new node: v0, v1, v2 (all v0 for a nearest node)
    private final double[] weights; // 2 per new node: w1, w2
    private final int outside;

    private FieldTransfer(int fromNodes, int[] corners, double[] weights, int outside) {
        this.fromNodes = fromNodes;
        this.corners = corners;
        this.weights = weights;
        this.outside = outside;
    }

    /** The transfer from the nodes of {@code from} to the nodes of {@code to}. */
    public static FieldTransfer between(Mesh from, Mesh to) {
        double[] xy = from.coords();
        int[] triangles = triangulate(from, xy);
        BoxTree elements = new BoxTree(triangleBoxes(xy, triangles));
        BoxTree nodes = new BoxTree(pointBoxes(xy));
        int n = to.nodeCount();
        int[] corners = new int[3 * n];
        double[] weights = new double[2 * n];
        int outside = 0;
        Location best = new Location(xy, triangles);
        for (int p = 0; p < n; p++) {
            best.find(elements, to.x(p), to.y(p));
            if (best.triangle < 0) {
                int node = nodes.nearest(to.x(p), to.y(p));
                corners[3 * p] = node;
                corners[3 * p + 1] = node;
                corners[3 * p + 2] = node;
                outside++;
            } else {
                best.store(p, corners, weights);
            }
        }
        return new FieldTransfer(from.nodeCount(), corners, weights, outside);
    }

    /** {@code between(from, to).apply(field)}. */
    public static double[] interpolate(Mesh from, double[] field, Mesh to) {
        return between(from, to).apply(field);
    }

    /** Nodes of the new mesh that lie outside the old one and took their nearest old node. */
    public int outsideCount() {
        return outside;
    }

    /** Nodes of the new mesh. */
    public int nodeCount() {
        return corners.length / 3;
    }

    /**
     * The field on the new mesh: as many values per node as {@code field} has per old node,
     * node by node (values of node 0, then of node 1, ...).
     *
     * @throws IllegalArgumentException if the field is null, its length is no positive multiple
     *     of the old mesh's node count, or it holds a value that is not finite
     */
    public double[] apply(double[] field) {
        if (field == null) {
            throw new IllegalArgumentException("field is null");
        }
        if (field.length == 0 || field.length % fromNodes != 0) {
            throw new IllegalArgumentException("field has length " + field.length
                    + ", not a positive multiple of the old mesh's " + fromNodes + " nodes");
        }
        for (int i = 0; i < field.length; i++) {
            if (!Double.isFinite(field[i])) {
                throw new IllegalArgumentException("field[" + i + "] is " + field[i]
                        + "; values must be finite");
            }
        }
        int m = field.length / fromNodes;
        int n = nodeCount();
        double[] out = new double[m * n];
        for (int p = 0; p < n; p++) {
            int a = m * corners[3 * p];
            int b = m * corners[3 * p + 1];
            int c = m * corners[3 * p + 2];
            double w1 = weights[2 * p];
            double w2 = weights[2 * p + 1];
            for (int k = 0; k < m; k++) {
                double v0 = field[a + k];
                double change = w1 * (field[b + k] - v0) + w2 * (field[c + k] - v0);
                out[m * p + k] = change == 0 ? v0 : v0 + change;
            }
        }
        return out;
    }

    /**
     * The mesh's elements as triangles (node numbers from 0, three each): triangles as they
     * are, each quadrilateral cut along the diagonal 0-2 when both halves turn
     * counter-clockwise, along 1-3 otherwise (a non-convex quadrilateral has one inner diagonal).
     */
    static int[] triangulate(Mesh mesh, double[] xy) {
        int t = mesh.triangleCount();
        int q = mesh.quadCount();
        int[] out = new int[3 * (t + 2 * q)];
        int[] triangles = mesh.triangles();
        for (int i = 0; i < triangles.length; i++) {
            out[i] = triangles[i] - 1;
        }
        int[] quads = mesh.quads();
        int at = triangles.length;
        for (int e = 0; e < q; e++) {
            int a = quads[4 * e] - 1;
            int b = quads[4 * e + 1] - 1;
            int c = quads[4 * e + 2] - 1;
            int d = quads[4 * e + 3] - 1;
            boolean diagonal02 = Orientation.orientation(xy, a, b, c) > 0
                    && Orientation.orientation(xy, a, c, d) > 0;
            int[] halves = diagonal02 ? new int[] {a, b, c, a, c, d} : new int[] {b, c, d, b, d, a};
            System.arraycopy(halves, 0, out, at, 6);
            at += 6;
        }
        return out;
    }

    private static double[] triangleBoxes(double[] xy, int[] triangles) {
        int t = triangles.length / 3;
        double[] boxes = new double[4 * t];
        for (int e = 0; e < t; e++) {
            double x0 = Double.POSITIVE_INFINITY;
            double y0 = Double.POSITIVE_INFINITY;
            double x1 = Double.NEGATIVE_INFINITY;
            double y1 = Double.NEGATIVE_INFINITY;
            for (int k = 0; k < 3; k++) {
                int node = triangles[3 * e + k];
                x0 = Math.min(x0, xy[2 * node]);
                y0 = Math.min(y0, xy[2 * node + 1]);
                x1 = Math.max(x1, xy[2 * node]);
                y1 = Math.max(y1, xy[2 * node + 1]);
            }
            // Widened by the tolerance, so that a node within it of a side is still found.
            double slack = TOLERANCE * Math.max(x1 - x0, y1 - y0);
            boxes[4 * e] = x0 - slack;
            boxes[4 * e + 1] = y0 - slack;
            boxes[4 * e + 2] = x1 + slack;
            boxes[4 * e + 3] = y1 + slack;
        }
        return boxes;
    }

    private static double[] pointBoxes(double[] xy) {
        int n = xy.length / 2;
        double[] boxes = new double[4 * n];
        for (int i = 0; i < n; i++) {
            boxes[4 * i] = xy[2 * i];
            boxes[4 * i + 1] = xy[2 * i + 1];
            boxes[4 * i + 2] = xy[2 * i];
            boxes[4 * i + 3] = xy[2 * i + 1];
        }
        return boxes;
    }

    /**
     * The search for one point: among the triangles whose boxes hold it, the one it lies
     * deepest inside (the largest smallest barycentric coordinate), accepted when that is at
     * least {@code -TOLERANCE}.
     */
    private static final class Location implements BoxTree.Visitor {
        private final double[] xy;
        private final int[] triangles;
        private final double[] w = new double[3];
        private final double[] bestW = new double[3];
        private double x;
        private double y;
        private double depth;
        int triangle;

        Location(double[] xy, int[] triangles) {
            this.xy = xy;
            this.triangles = triangles;
        }

        void find(BoxTree tree, double px, double py) {
            x = px;
            y = py;
            depth = Double.NEGATIVE_INFINITY;
            triangle = -1;
            tree.itemsAt(px, py, this);
            if (depth < -TOLERANCE) {
                triangle = -1;
            }
        }

        @Override
        public void item(int e) {
            int a = triangles[3 * e];
            int b = triangles[3 * e + 1];
            int c = triangles[3 * e + 2];
            double abx = xy[2 * b] - xy[2 * a];
            double aby = xy[2 * b + 1] - xy[2 * a + 1];
            double acx = xy[2 * c] - xy[2 * a];
            double acy = xy[2 * c + 1] - xy[2 * a + 1];
            double apx = x - xy[2 * a];
            double apy = y - xy[2 * a + 1];
            double area = abx * acy - acx * aby;
            w[1] = (apx * acy - acx * apy) / area;
            w[2] = (abx * apy - apx * aby) / area;
            w[0] = 1 - w[1] - w[2];
            double smallest = Math.min(w[0], Math.min(w[1], w[2]));
            if (smallest > depth) {
                depth = smallest;
                triangle = e;
                System.arraycopy(w, 0, bestW, 0, 3);
            }
        }

        /** Corners and weights of new node p, the corner of the largest weight first. */
        void store(int p, int[] corners, double[] weights) {
            int top = bestW[0] >= bestW[1] && bestW[0] >= bestW[2] ? 0 : bestW[1] >= bestW[2] ? 1 : 2;
            int k1 = (top + 1) % 3;
            int k2 = (top + 2) % 3;
            corners[3 * p] = triangles[3 * triangle + top];
            corners[3 * p + 1] = triangles[3 * triangle + k1];
            corners[3 * p + 2] = triangles[3 * triangle + k2];
            weights[2 * p] = bestW[k1];
            weights[2 * p + 1] = bestW[k2];
        }
    }
}
