package kestrafol.meshing;

import java.util.Locale;
import kestrafol.mesh.Mesh;

/**
 * The spacing a new Gmsh mesh should have, as a field over the present mesh: a size at each of
 * its nodes, linear over its triangles and bilinear over its quadrilaterals, written as a Gmsh
 * post-processing view (scalar triangles ST and quadrilaterals SQ) that the .geo script merges
 * and takes as its background size.
 *
 * <p>A node's size is its present local size times the ratio the error indicator asks for
 * ({@link ErrorIndicator.SizeField#ratio()}), times one factor for the whole mesh that brings the
 * expected node count to a target. The present local size is the longest side meeting at the
 * node, not the mean: in a boundary layer the mean mixes the thin normal sides with the sides
 * along the wall, and Gmsh reads the view as an isotropic size, which along the wall is the
 * long side (the layer's normal spacing is the boundary-layer field's own).
 *
 * <p>The expected node count is the integral of 1 / size^2 over the present mesh, calibrated by
 * the present mesh itself: its own sizes give its own node count.
 */
public final class SizeView {
    private final Mesh present;
    private final double[] local;
    private final double[] size;

    private SizeView(Mesh present, double[] local, double[] size) {
        this.present = present;
        this.local = local;
        this.size = size;
    }

    /** The present local size per node times the ratio per node, unscaled. */
    public static SizeView of(Mesh present, double[] ratio) {
        if (ratio.length != present.nodeCount()) {
            throw new IllegalArgumentException(ratio.length + " ratios for "
                    + present.nodeCount() + " nodes");
        }
        double[] local = localSize(present);
        double[] size = new double[ratio.length];
        for (int i = 0; i < size.length; i++) {
            if (!(ratio[i] > 0) || !Double.isFinite(ratio[i])) {
                throw new IllegalArgumentException("ratio " + ratio[i] + " at node " + i
                        + ": must be above 0");
            }
            size[i] = local[i] * ratio[i];
        }
        return new SizeView(present, local, size);
    }

    /** The same view with every size times factor, but none below floor. */
    public SizeView scaled(double factor, double floor) {
        return scaled(factor, floor, null);
    }

    /**
     * The same view with every size times factor, none above its cap (null: no caps) and none
     * below floor.
     */
    public SizeView scaled(double factor, double floor, double[] cap) {
        double[] s = new double[size.length];
        for (int i = 0; i < s.length; i++) {
            s[i] = Math.max(floor, cap == null ? size[i] * factor
                    : Math.min(cap[i], size[i] * factor));
        }
        return new SizeView(present, local, s);
    }

    /**
     * The factor on the sizes that brings the expected node count of {@link #scaled} to
     * target, as near as the floor and the caps let it (sizes at either no longer follow the
     * factor).
     */
    public double factorFor(double target, double floor, double[] cap) {
        if (!(target >= 1)) {
            throw new IllegalArgumentException("node target " + target + ": must be 1 or more");
        }
        double factor = Math.sqrt(expectedNodes() / target);
        for (int k = 0; k < 30; k++) {
            double expected = scaled(factor, floor, cap).expectedNodes();
            if (Math.abs(expected - target) < 1e-3 * target || expected < target && factor
                    * minimum() <= floor) {
                break;
            }
            factor *= Math.sqrt(expected / target);
        }
        return factor;
    }

    private double minimum() {
        double m = Double.MAX_VALUE;
        for (double v : size) {
            m = Math.min(m, v);
        }
        return m;
    }

    /** The size at node i of the present mesh. */
    public double size(int i) {
        return size[i];
    }

    /** The longest element side meeting at each node. */
    public static double[] localSize(Mesh mesh) {
        double[] longest = new double[mesh.nodeCount()];
        mesh.forEachSide((a, b) -> {
            double length = Math.hypot(mesh.x(a) - mesh.x(b), mesh.y(a) - mesh.y(b));
            longest[a] = Math.max(longest[a], length);
            longest[b] = Math.max(longest[b], length);
        });
        return longest;
    }

    /**
     * The node count a mesh of these sizes is expected to have: the present mesh's count times
     * the integral of 1 / size^2 over the integral of 1 / local^2 (each element's area times
     * the mean over its corners).
     */
    public double expectedNodes() {
        return present.nodeCount() * density(size) / density(local);
    }

    private double density(double[] s) {
        double sum = 0;
        int t = present.triangleCount();
        for (int g = 0; g < t + present.quadCount(); g++) {
            int corners = g < t ? 3 : 4;
            double area = 0;
            double mean = 0;
            for (int k = 0; k < corners; k++) {
                int a = present.elementNode(g, k) - 1;
                int b = present.elementNode(g, (k + 1) % corners) - 1;
                area += present.x(a) * present.y(b) - present.x(b) * present.y(a);
                mean += 1 / (s[a] * s[a] * corners);
            }
            sum += 0.5 * Math.abs(area) * mean;
        }
        return sum;
    }

    /**
     * The size at the wall node nearest to (x, y): what a point of a body outline asks for, so
     * that Gmsh's sizes along the walls follow the view also where the outline bulges past the
     * present mesh's straight sides (outside the view).
     */
    public double nearWall(double x, double y) {
        double best = Double.MAX_VALUE;
        double found = Double.NaN;
        for (int e = 0; e < present.boundaryEdgeCount(); e++) {
            if (!present.isWallTag(present.edgeTag(e))) {
                continue;
            }
            int n = present.edgeNode(e, 0);
            double d = Math.hypot(present.x(n) - x, present.y(n) - y);
            if (d < best) {
                best = d;
                found = size[n];
            }
        }
        if (Double.isNaN(found)) {
            throw new IllegalArgumentException("the present mesh has no wall");
        }
        return found;
    }

    /** The view as Gmsh reads it: one scalar triangle or quadrilateral per element. */
    public String pos() {
        StringBuilder s = new StringBuilder("View \"size\" {\n");
        int t = present.triangleCount();
        for (int g = 0; g < t + present.quadCount(); g++) {
            int corners = g < t ? 3 : 4;
            StringBuilder values = new StringBuilder();
            s.append(corners == 3 ? "ST(" : "SQ(");
            for (int k = 0; k < corners; k++) {
                int n = present.elementNode(g, k) - 1;
                s.append(k > 0 ? ", " : "").append(String.format(Locale.ROOT, "%.17g, %.17g, 0",
                        present.x(n), present.y(n)));
                values.append(k > 0 ? ", " : "").append(String.format(Locale.ROOT, "%.17g",
                        size[n]));
            }
            s.append("){").append(values).append("};\n");
        }
        return s.append("};\n").toString();
    }
}
