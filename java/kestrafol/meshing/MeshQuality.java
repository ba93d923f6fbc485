package kestrafol.meshing;

import kestrafol.mesh.Mesh;
import kestrafol.mesh.Topology;

/**
 * Shape figures of a mesh, over all its elements:
 *
 * <ul>
 *   <li>the smallest and the largest interior angle (degrees);
 *   <li>the largest aspect ratio: for a triangle its longest side over the height onto that
 *       side, times sqrt(3)/2 (an equilateral triangle scores 1); for a quadrilateral its
 *       longest side over its shortest;
 *   <li>the largest neighbour size ratio: the larger over the smaller area of two elements
 *       sharing a side;
 *   <li>the smallest and largest first-cell height: area over wall-edge length for the element
 *       on each wall edge (twice that for a triangle, whose height is twice its area over its
 *       base).
 * </ul>
 *
 * @param minAngle smallest interior angle (degrees)
 * @param maxAngle largest interior angle (degrees)
 * @param maxAspectRatio largest aspect ratio
 * @param maxNeighbourRatio largest area ratio of two elements sharing a side
 * @param minFirstHeight smallest height of an element on a wall (0 without walls)
 * @param maxFirstHeight largest height of an element on a wall (0 without walls)
 */
public record MeshQuality(double minAngle, double maxAngle, double maxAspectRatio,
        double maxNeighbourRatio, double minFirstHeight, double maxFirstHeight) {

    /*
     * Where the limits come from. Slivers were made in a 64-point NACA 0012 O-mesh (triangles)
     * by pulling one node in each of three layers towards a neighbour, along the layer at
     * Mach 0.5 and 1 degree and towards the wall under a mid-chord point of the upper surface
     * at Mach 0.8 and 1.25 degrees (the shock region), down to a smallest angle of 2e-6
     * degrees and a neighbour area ratio of 2e7: every run went 300 and 500 second-order
     * iterations with finite, physical states and the lift of the undisturbed mesh (to 0.5 %).
     * Boundary-layer meshes from the generator with first heights down to 1e-3 chords and 4 to
     * 21 layers ran likewise. No failure was found in that range, so the limits below are the
     * edge of what has been shown to run (one decade beyond the worst case tried), not a
     * measured breaking point: a mesh past them is refused as untested rather than as known
     * to fail.
     */
    /** Smallest element angle (degrees) given to the solver: the tested range ends at 2e-6. */
    public static final double MIN_ANGLE_LIMIT = 1e-6;
    /** Largest neighbour area ratio given to the solver: the tested range ends at 2e7. */
    public static final double MAX_NEIGHBOUR_RATIO_LIMIT = 1e8;

    /** Measures a mesh. */
    public static MeshQuality of(Mesh mesh) {
        double[] xy = mesh.coords();
        int[] tri = mesh.triangles();
        int[] quad = mesh.quads();
        int nt = tri.length / 3;
        int nq = quad.length / 4;
        double[] area = new double[nt + nq];
        double minAngle = 180;
        double maxAngle = 0;
        double maxAspect = 0;
        Topology topology = mesh.topology();
        double maxRatio = 1;
        for (int e = 0; e < nt + nq; e++) {
            int corners = e < nt ? 3 : 4;
            int[] nodes = e < nt ? tri : quad;
            int first = e < nt ? 3 * e : 4 * (e - nt);
            double longest = 0;
            double shortest = Double.MAX_VALUE;
            double twiceArea = 0;
            // Areas from differences to the first corner, so a mesh far from the origin keeps
            // its digits.
            int o = nodes[first] - 1;
            for (int k = 0; k < corners; k++) {
                int a = nodes[first + (k + corners - 1) % corners] - 1;
                int b = nodes[first + k] - 1;
                int c = nodes[first + (k + 1) % corners] - 1;
                double ux = xy[2 * a] - xy[2 * b];
                double uy = xy[2 * a + 1] - xy[2 * b + 1];
                double vx = xy[2 * c] - xy[2 * b];
                double vy = xy[2 * c + 1] - xy[2 * b + 1];
                double angle = Math.toDegrees(Math.atan2(Math.abs(ux * vy - uy * vx), ux * vx + uy * vy));
                minAngle = Math.min(minAngle, angle);
                maxAngle = Math.max(maxAngle, angle);
                double side = Math.hypot(vx, vy);
                longest = Math.max(longest, side);
                shortest = Math.min(shortest, side);
                twiceArea += (xy[2 * b] - xy[2 * o]) * (xy[2 * c + 1] - xy[2 * o + 1])
                        - (xy[2 * c] - xy[2 * o]) * (xy[2 * b + 1] - xy[2 * o + 1]);
            }
            area[e] = 0.5 * twiceArea;
            double aspect = corners == 3 ? longest * longest / twiceArea * Math.sqrt(3) / 2
                    : longest / shortest;
            maxAspect = Math.max(maxAspect, aspect);
            for (int k = 0; k < corners; k++) {
                int other = topology.neighbour(e, k);
                if (other >= 0 && other < e) {
                    double big = Math.max(area[e], area[other]);
                    double small = Math.min(area[e], area[other]);
                    maxRatio = Math.max(maxRatio, big / small);
                }
            }
        }
        double minHeight = Double.MAX_VALUE;
        double maxHeight = 0;
        for (int b = 0; b < mesh.boundaryEdgeCount(); b++) {
            if (!mesh.isWallTag(mesh.edgeTag(b))) {
                continue;
            }
            int p = mesh.edgeNode(b, 0);
            int q = mesh.edgeNode(b, 1);
            int e = topology.elementOfEdge(b);
            double length = Math.hypot(xy[2 * p] - xy[2 * q], xy[2 * p + 1] - xy[2 * q + 1]);
            double h = (e < nt ? 2 : 1) * area[e] / length;
            minHeight = Math.min(minHeight, h);
            maxHeight = Math.max(maxHeight, h);
        }
        if (maxHeight == 0) {
            minHeight = 0;
        }
        return new MeshQuality(minAngle, maxAngle, maxAspect, maxRatio, minHeight, maxHeight);
    }

    /**
     * This quality when the solver can be given the mesh.
     *
     * @throws IllegalArgumentException naming the figure, its limit and what to change
     */
    public MeshQuality requireSolvable() {
        if (minAngle < MIN_ANGLE_LIMIT) {
            throw new IllegalArgumentException(String.format(java.util.Locale.ROOT,
                    "the mesh has an element angle of %.3g degrees, below %.3g, where the solver"
                    + " is untested; smooth the mesh or remove the sliver there",
                    minAngle, MIN_ANGLE_LIMIT));
        }
        if (maxNeighbourRatio > MAX_NEIGHBOUR_RATIO_LIMIT) {
            throw new IllegalArgumentException(String.format(java.util.Locale.ROOT,
                    "two neighbouring elements differ %.3g times in area, above %.3g, where the"
                    + " solver is untested; grade the mesh sizes more gently",
                    maxNeighbourRatio, MAX_NEIGHBOUR_RATIO_LIMIT));
        }
        return this;
    }

    @Override
    public String toString() {
        return String.format(java.util.Locale.ROOT, "angles %.3g to %.4g degrees, aspect ratio up to %.4g,"
                + " neighbour area ratio up to %.3g, first-cell height %.3g to %.3g", minAngle,
                maxAngle, maxAspectRatio, maxNeighbourRatio, minFirstHeight, maxFirstHeight);
    }
}
