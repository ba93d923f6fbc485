package kestrafol.meshing;

import kestrafol.geometry.Airfoil;
import kestrafol.geometry.Naca;
import kestrafol.mesh.Mesh;

/**
 * The built-in O-mesh of a body again, its points along the body placed by a size field
 * ({@link ErrorIndicator.SizeField}) and their number chosen by a node budget.
 *
 * <p>Each station of the body (a point of its outline, taken at {@link #OUTLINE_POINTS} points)
 * takes the smallest ratio of requested to present spacing among the nodes within {@link #BAND}
 * chords of the wall that lie nearest to it, so that a shock standing off the wall still pulls
 * points towards its foot; times the present wall spacing there, that is the spacing the station
 * asks for. The request is graded (it grows by at most {@link #GRADING} of the distance along
 * the body), then the points are placed where the integral of one over the requested spacing
 * reaches equal steps, point 0 staying at the trailing edge, no spacing coarser than
 * {@link #MAX_SPACING} times the mean. The number of points is the largest even one whose mesh
 * (layers in the same proportion to the points as before) stays within the budget; the first
 * layer is {@link #FIRST_HEIGHT} of the mean spacing along the body unless given (half the shortest
 * side was too thin: the lift of NACA 0012 at Mach 0.3 and 8 degrees went past the reference
 * and kept drifting, 1.087 and still rising after 14,000 iterations, against 1.0389).
 */
public final class AdaptedOMesh {
    /** Points of the outline the body's stations are taken from. */
    public static final int OUTLINE_POINTS = 4096;
    /** Distance from the wall within which a node's request counts for the wall, in chords. */
    public static final double BAND = 0.25;
    /** Most the requested spacing grows per unit distance along the body. */
    public static final double GRADING = 0.15;
    /**
     * Coarsest spacing along the body, over the mean spacing of the points placed (perimeter
     * over points): the flow between the marks, where a subsonic flow's lift is made, keeps
     * points (uncapped, one cycle drew the middle of the chord of NACA 0012 at Mach 0.5 to twice
     * the default mesh's spacing and its lift from -1.0 % to -2.2 % of the grid-converged value).
     */
    public static final double MAX_SPACING = 1.5;
    /**
     * First-layer height over the mean spacing along the body, unless given: half the default
     * O-mesh's. A thinner first layer lowers the entropy the wall makes at the leading edge; on
     * the default mesh of NACA 0012, a quarter of the mean side in place of a half moved the
     * lift at Mach 0.8 from 0.3768 to 0.3700 (grid-converged 0.345 to 0.358), at Mach 0.3 and 8
     * degrees from -2.45 % to -2.04 % of the reference and the spurious drag from 0.0104 to
     * 0.0070; an eighth stalled the solve (15,800 iterations, not settled).
     */
    public static final double FIRST_HEIGHT = 0.25;

    private AdaptedOMesh() {}

    /**
     * The new mesh and where it came from.
     *
     * @param mesh the adapted mesh
     * @param body its points on the body, x0, y0, ...
     * @param spacing the graded requested spacing at each outline station
     * @param contrast the power of the ratios the placement took: 1, or less where the layers
     *     folded over the full contrast
     */
    public record Result(Mesh mesh, double[] body, double[] spacing, double contrast) {}

    /** The outline of a built-in body at {@link #OUTLINE_POINTS} points, as its O-mesh takes it. */
    public static double[] outline(String nacaCode, Airfoil airfoil, boolean circle) {
        int n = OUTLINE_POINTS;
        if (circle) {
            double[] body = new double[2 * n];
            for (int i = 0; i < n; i++) {
                double phi = 2 * Math.PI * i / n;
                body[2 * i] = 0.5 + 0.5 * Math.cos(phi);
                body[2 * i + 1] = -0.5 * Math.sin(phi);
            }
            return body;
        }
        return airfoil != null ? airfoil.contour(n) : Naca.parse(nacaCode).contour(n);
    }

    /**
     * The adapted mesh of the body with the given outline, from the size field on the present
     * mesh, within maxNodes nodes; the options give the proportion of layers to points, the
     * first height and the far field.
     *
     * <p>Where the layers fold over the placed points (a thin first layer over points drawn
     * apart beside points drawn together), the ratios are softened, taken to the power 1/2,
     * 1/4 and 0 in turn (the last keeps the present mesh's distribution along the body).
     *
     * @throws IllegalArgumentException when not even the coarsest O-mesh (16 points) fits
     * @throws IllegalStateException when the layers fold even so
     */
    public static Result build(double[] outline, String bodyName, MeshGenerator.Options options,
            Mesh present, ErrorIndicator.SizeField field, int maxNodes) {
        double[] arc = arcLengths(outline);
        int n = pointsWithin(arc[arc.length - 1], options, maxNodes);
        IllegalStateException folded = null;
        for (double contrast : new double[] {1, 0.5, 0.25, 0}) {
            double[] request = stationRequests(outline, present, field, contrast);
            grade(request, arc);
            double[] body = place(outline, arc, request, n);
            try {
                Mesh mesh = MeshGenerator.around(body, bodyName,
                        proportioned(options, n, arc[arc.length - 1]));
                return new Result(mesh, body, request, contrast);
            } catch (IllegalStateException e) {
                folded = e;
            }
        }
        throw folded;
    }

    /** The options with n points and the layers in the same proportion. */
    static MeshGenerator.Options proportioned(MeshGenerator.Options o, int n, double perimeter) {
        int layers = Math.max(4, (int) Math.round((double) o.layers() * n / o.pointsAround()));
        double h0 = o.firstHeight() > 0 ? o.firstHeight() : FIRST_HEIGHT * perimeter / n;
        return new MeshGenerator.Options(n, layers, h0, o.farField(), o.quads());
    }

    /** The most points (even, at least 16) whose O-mesh has at most maxNodes nodes. */
    static int pointsWithin(double perimeter, MeshGenerator.Options o, int maxNodes) {
        int best = -1;
        for (int n = 16; ; n += 2) {
            MeshGenerator.Options p = proportioned(o, n, perimeter);
            long nodes = (long) n * (1 + MeshGenerator.layerHeights(p.firstHeight(), p.layers(),
                    p.farField()).length);
            if (nodes > maxNodes) {
                break;
            }
            best = n;
        }
        if (best < 0) {
            throw new IllegalArgumentException("a node budget of " + maxNodes + " holds no"
                    + " O-mesh of this body (16 points around at least)");
        }
        return best;
    }

    /** Cumulative arc length at each outline point, closing back to point 0 at the end. */
    static double[] arcLengths(double[] xy) {
        int n = xy.length / 2;
        double[] s = new double[n + 1];
        for (int i = 0; i < n; i++) {
            int k = (i + 1) % n;
            s[i + 1] = s[i] + Math.hypot(xy[2 * k] - xy[2 * i], xy[2 * k + 1] - xy[2 * i + 1]);
        }
        return s;
    }

    /**
     * Each station's requested spacing: its present wall spacing times the smallest ratio of
     * the band's nodes nearest to it (the largest coarsening where none is), to the power
     * contrast.
     */
    static double[] stationRequests(double[] outline, Mesh present,
            ErrorIndicator.SizeField field, double contrast) {
        int stations = outline.length / 2;
        double[] ratio = new double[stations];
        java.util.Arrays.fill(ratio, ErrorIndicator.MAX_COARSENING);
        for (int i = 0; i < present.nodeCount(); i++) {
            int f = nearest(outline, present.x(i), present.y(i), BAND);
            if (f >= 0) {
                ratio[f] = Math.min(ratio[f], field.ratio()[i]);
            }
        }
        double[] request = new double[stations];
        java.util.Arrays.fill(request, Double.MAX_VALUE);
        double[] wallSpacing = new double[stations];
        java.util.Arrays.fill(wallSpacing, Double.MAX_VALUE);
        double[] distance = new double[stations];
        java.util.Arrays.fill(distance, Double.MAX_VALUE);
        for (int e = 0; e < present.boundaryEdgeCount(); e++) {
            if (!present.isWallTag(present.edgeTag(e))) {
                continue;
            }
            int a = present.edgeNode(e, 0);
            int b = present.edgeNode(e, 1);
            double length = Math.hypot(present.x(a) - present.x(b), present.y(a) - present.y(b));
            double mx = 0.5 * (present.x(a) + present.x(b));
            double my = 0.5 * (present.y(a) + present.y(b));
            // The station takes the length of the wall side whose midpoint lies nearest.
            for (int f = 0; f < stations; f++) {
                double d = Math.hypot(outline[2 * f] - mx, outline[2 * f + 1] - my);
                if (d < distance[f]) {
                    distance[f] = d;
                    wallSpacing[f] = length;
                }
            }
        }
        for (int f = 0; f < stations; f++) {
            if (wallSpacing[f] == Double.MAX_VALUE) {
                throw new IllegalArgumentException("the present mesh has no wall to adapt");
            }
            request[f] = wallSpacing[f] * Math.pow(ratio[f], contrast);
        }
        return request;
    }

    /** The outline point nearest (x, y) when it lies within reach, -1 otherwise. */
    private static int nearest(double[] outline, double x, double y, double reach) {
        int best = -1;
        double closest = reach * reach;
        for (int f = 0; f < outline.length / 2; f++) {
            double dx = outline[2 * f] - x;
            double dy = outline[2 * f + 1] - y;
            double d = dx * dx + dy * dy;
            if (d <= closest) {
                closest = d;
                best = f;
            }
        }
        return best;
    }

    /**
     * Limits the request's growth along the closed outline to {@link #GRADING} per unit arc
     * length, in both directions (two rounds, so the limit also wraps past point 0).
     */
    static void grade(double[] h, double[] arc) {
        int n = h.length;
        for (int round = 0; round < 2; round++) {
            for (int i = 1; i <= n; i++) {
                int k = i % n;
                h[k] = Math.min(h[k], h[i - 1] + GRADING * (arc[i] - arc[i - 1]));
            }
            for (int i = n - 1; i >= 0; i--) {
                int k = (i + 1) % n;
                h[i] = Math.min(h[i], h[k] + GRADING * (arc[i + 1] - arc[i]));
            }
        }
    }

    /**
     * n points on the outline where the integral of 1 / spacing (trapezoidal along the arc)
     * reaches equal steps, point 0 on outline point 0; the spacing is the request times the one
     * factor that makes the integral n, each station's capped at {@link #MAX_SPACING} times the
     * perimeter over n (the factor found by bisection; without the cap it is the integral of
     * 1 / request over n).
     */
    static double[] place(double[] outline, double[] arc, double[] request, int n) {
        int stations = request.length;
        double cap = MAX_SPACING * arc[stations] / n;
        double lo = 0;
        double hi = 1;
        while (pointsOf(arc, request, hi, cap) > n) {
            hi *= 2;
        }
        for (int k = 0; k < 100 && hi - lo > 1e-12 * hi; k++) {
            double mid = 0.5 * (lo + hi);
            if (pointsOf(arc, request, mid, cap) > n) {
                lo = mid;
            } else {
                hi = mid;
            }
        }
        double[] integral = new double[stations + 1];
        for (int i = 0; i < stations; i++) {
            int k = (i + 1) % stations;
            integral[i + 1] = integral[i] + 0.5 * (1 / Math.min(hi * request[i], cap)
                    + 1 / Math.min(hi * request[k], cap)) * (arc[i + 1] - arc[i]);
        }
        double[] body = new double[2 * n];
        int seg = 0;
        for (int j = 0; j < n; j++) {
            double target = integral[stations] * j / n;
            while (seg < stations - 1 && integral[seg + 1] < target) {
                seg++;
            }
            int k = (seg + 1) % stations;
            double width = integral[seg + 1] - integral[seg];
            double u = width > 0 ? (target - integral[seg]) / width : 0;
            body[2 * j] = outline[2 * seg] + u * (outline[2 * k] - outline[2 * seg]);
            body[2 * j + 1] = outline[2 * seg + 1] + u * (outline[2 * k + 1] - outline[2 * seg + 1]);
        }
        return body;
    }

    /** The integral of 1 / min(factor request, cap) along the closed outline. */
    private static double pointsOf(double[] arc, double[] request, double factor, double cap) {
        int stations = request.length;
        double sum = 0;
        for (int i = 0; i < stations; i++) {
            int k = (i + 1) % stations;
            sum += 0.5 * (1 / Math.min(factor * request[i], cap)
                    + 1 / Math.min(factor * request[k], cap)) * (arc[i + 1] - arc[i]);
        }
        return sum;
    }
}
