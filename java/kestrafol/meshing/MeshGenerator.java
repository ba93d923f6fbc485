package kestrafol.meshing;

import java.util.List;
import kestrafol.geometry.Airfoil;
import kestrafol.geometry.Naca;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.Mesh;

/**
 * Body-fitted O-meshes: a NACA four- or five-digit airfoil or any airfoil outline, of chord 1
 * (leading edge at the origin, trailing edge at (1, 0)), or a circle of diameter 1 centred at
 * (0.5, 0).
 *
 * <p>The mesh is a ring of {@code pointsAround} points on the body and {@code layers} layers of
 * cells grown outward: each layer steps along the smoothed outward normals of the one below, the
 * step growing geometrically from the first cell height to reach the far field, so that cells
 * are thin at the wall and grow towards the far field; the layers are smoothed more and more
 * with distance so that the outer boundary becomes a circle-like curve. A far field beyond
 * {@link #INNER_FAR_FIELD} chords adds layers outside at the same growth rate, leaving the cells
 * inside unchanged. The points on the airfoil cluster at the leading and trailing edges. The
 * NACA trailing edge is sharp (closed-trailing-edge thickness polynomial).
 *
 * <p>Boundary tags: 1 the body ("airfoil" or "circle", a slip wall), 2 "farfield".
 */
public final class MeshGenerator {
    /**
     * Default number of points around the body. Measured on NACA 0012 at Mach 0.5 and 1.25
     * degrees with the 200-chord far field and the default weight (docs/PERFORMANCE.md): 112
     * points give CL 1.0 % below the grid-converged value and a spurious drag of 0.0017 for 2.8
     * times the work of the former default (96 points, 25 chords: 8.2 % low, 0.0036); 96 points
     * leave a drag of 0.0023, 128 points cost 5.4 times.
     */
    public static final int DEFAULT_POINTS_AROUND = 112;
    /**
     * Default far-field distance from the body, in chords. Measured (NACA 0012, 96 points, Mach
     * 0.5, 1.25 degrees): CL rises by 0.84 % from 25 to 50 chords, 0.43 % to 100 and 0.22 % to
     * 200, about as 1/R, so a further doubling moves it by about 0.1 %; the 200-chord domain costs
     * 30 % more nodes than the 25-chord one (docs/PERFORMANCE.md).
     */
    public static final double DEFAULT_FAR_FIELD = 200.0;
    /**
     * Distance the layers of {@link Options#layers()} reach; a farther far field adds layers
     * beyond it at the same growth rate (see {@link #layerHeights}).
     */
    public static final double INNER_FAR_FIELD = 25.0;
    /** Most cells (points around times layers) a generated mesh may have: about 30 GB of solver. */
    public static final long MAX_CELLS = 10_000_000;

    private MeshGenerator() {}

    /**
     * Generation options.
     *
     * @param pointsAround points on the body, even, at least 16
     * @param layers layers of cells from the body to {@link #INNER_FAR_FIELD} chords (or the
     *     far field when nearer), at least 4; a farther far field adds layers beyond
     * @param firstHeight height of the cells at the wall (chords); 0 picks one from the spacing
     * @param farField distance of the far field from the body (chords), at least 20
     * @param quads quadrilaterals when true, each split into two triangles otherwise
     */
    public record Options(int pointsAround, int layers, double firstHeight, double farField,
            boolean quads) {
        public Options {
            if (pointsAround < 16 || pointsAround % 2 != 0) {
                throw new IllegalArgumentException("pointsAround = " + pointsAround
                        + ": must be even and at least 16");
            }
            if (layers < 4) {
                throw new IllegalArgumentException("layers = " + layers + ": must be at least 4");
            }
            if ((long) pointsAround * layers > MAX_CELLS) {
                throw new IllegalArgumentException("pointsAround = " + pointsAround + " and layers = "
                        + layers + " make " + (long) pointsAround * layers + " cells: at most " + MAX_CELLS);
            }
            if (!(firstHeight >= 0) || !Double.isFinite(firstHeight)) {
                throw new IllegalArgumentException("firstHeight = " + firstHeight
                        + ": must be 0 (automatic) or above");
            }
            if (!(farField >= 20) || !Double.isFinite(farField)) {
                throw new IllegalArgumentException("farField = " + farField
                        + ": must be at least 20 chords");
            }
        }

        /**
         * Options for a resolution: points around the body, layers about a third of them,
         * triangles (which settle to steadier second-order coefficients than quadrilaterals).
         */
        public static Options resolution(int pointsAround) {
            return new Options(pointsAround, Math.max(8, pointsAround / 3), 0, DEFAULT_FAR_FIELD,
                    false);
        }

        /** The default resolution, triangles. */
        public static Options defaults() {
            return resolution(DEFAULT_POINTS_AROUND);
        }

        public Options withQuads(boolean value) {
            return new Options(pointsAround, layers, firstHeight, farField, value);
        }

        public Options withFirstHeight(double value) {
            return new Options(pointsAround, layers, value, farField, quads);
        }

        public Options withLayers(int value) {
            return new Options(pointsAround, value, firstHeight, farField, quads);
        }

        public Options withFarField(double value) {
            return new Options(pointsAround, layers, firstHeight, value, quads);
        }
    }

    /**
     * Mesh around a NACA four- or five-digit airfoil, e.g. "0012", "2412" or "23012" (see
     * {@link Naca}).
     *
     * @throws IllegalArgumentException for a code that is not four or five digits or not a
     *     section
     */
    public static Mesh naca(String code, Options options) {
        return grow(Naca.parse(code).contour(options.pointsAround()), "airfoil", options);
    }

    /**
     * Mesh around any airfoil outline, in its chord frame (leading edge at the origin,
     * trailing-edge midpoint at (1, 0), chord 1): the outline re-panelled on its spline to
     * {@code pointsAround} points clustered at both edges (see {@link Airfoil#contour}), then
     * the same layers as the built-in sections. A blunt trailing edge keeps its base, a part of
     * the wall with a few points across it.
     */
    public static Mesh airfoil(Airfoil airfoil, Options options) {
        return grow(airfoil.contour(options.pointsAround()), "airfoil", options);
    }

    /** Mesh around a circle of diameter 1 centred at (0.5, 0). */
    public static Mesh circle(Options options) {
        int n = options.pointsAround();
        double[] body = new double[2 * n];
        for (int i = 0; i < n; i++) {
            double phi = 2 * Math.PI * i / n;
            body[2 * i] = 0.5 + 0.5 * Math.cos(phi);
            body[2 * i + 1] = -0.5 * Math.sin(phi);
        }
        return grow(body, "circle", options);
    }

    /**
     * Mesh around a body given by its points: a closed contour of {@code pointsAround} points
     * (x0, y0, x1, y1, ...), clockwise from the trailing edge (or any point of a circle), as
     * the other builders make it; the adapted meshes place the points along the body themselves.
     */
    public static Mesh around(double[] body, String bodyName, Options options) {
        if (body.length != 2 * options.pointsAround()) {
            throw new IllegalArgumentException("a body of " + body.length / 2 + " points for "
                    + options.pointsAround() + " points around");
        }
        return grow(body.clone(), bodyName, options);
    }

    /**
     * The unit normals of a closed layer of n points into {@code normal}, smoothed over their
     * neighbours: little near the wall, more further out (1 + 8 {@code fraction} passes).
     */
    private static void smoothedNormals(double[] x, int n, double fraction, double[] normal,
            double[] work) {
        for (int i = 0; i < n; i++) {
            int a = (i + n - 1) % n;
            int b = (i + 1) % n;
            double tx = x[2 * b] - x[2 * a];
            double ty = x[2 * b + 1] - x[2 * a + 1];
            double len = Math.hypot(tx, ty);
            normal[2 * i] = -ty / len;
            normal[2 * i + 1] = tx / len;
        }
        int passes = 1 + (int) (8 * fraction);
        for (int pass = 0; pass < passes; pass++) {
            for (int i = 0; i < n; i++) {
                int a = (i + n - 1) % n;
                int b = (i + 1) % n;
                double sx = normal[2 * i] + 0.5 * (normal[2 * a] + normal[2 * b]);
                double sy = normal[2 * i + 1] + 0.5 * (normal[2 * a + 1] + normal[2 * b + 1]);
                double len = Math.hypot(sx, sy);
                work[2 * i] = sx / len;
                work[2 * i + 1] = sy / len;
            }
            System.arraycopy(work, 0, normal, 0, 2 * n);
        }
    }

    /** Grows the layers from a clockwise body contour and builds the mesh. */
    private static Mesh grow(double[] body, String bodyName, Options o) {
        int n = o.pointsAround();
        int layers = o.layers();
        double perimeter = 0;
        for (int i = 0; i < n; i++) {
            int k = (i + 1) % n;
            perimeter += Math.hypot(body[2 * k] - body[2 * i], body[2 * k + 1] - body[2 * i + 1]);
        }
        double h0 = o.firstHeight() > 0 ? o.firstHeight() : 0.5 * perimeter / n;
        double[] heights = layerHeights(h0, layers, o.farField());
        int inner = layers;
        layers = heights.length;
        double[][] layer = new double[layers + 1][];
        layer[0] = body;
        double[] normal = new double[2 * n];
        double[] work = new double[2 * n];
        for (int j = 0; j < layers; j++) {
            double[] x = layer[j];
            // The layers beyond the inner ones get the outermost treatment, so the inner ones
            // are the same whatever the far field.
            double fraction = Math.min(1.0, (double) (j + 1) / inner);
            smoothedNormals(x, n, fraction, normal, work);
            double[] next = new double[2 * n];
            for (int i = 0; i < 2 * n; i++) {
                next[i] = x[i] + heights[j] * normal[i];
            }
            // Smooth the new layer a little, then slide its points along it: near the wall they
            // keep their spacing, towards the far field it becomes uniform.
            double nu = 0.25 * fraction;
            for (int i = 0; i < n; i++) {
                int a = (i + n - 1) % n;
                int b = (i + 1) % n;
                for (int c = 0; c < 2; c++) {
                    work[2 * i + c] = next[2 * i + c]
                            + nu * (0.5 * (next[2 * a + c] + next[2 * b + c]) - next[2 * i + c]);
                }
            }
            // The slide is measured on the layer's own arc: points that the normals put above
            // their foot stay there near the wall (arc fractions of the body would shift them
            // along the layer by the extra length the layer gains around the edges, up to 13
            // surface spacings at a sharp trailing edge).
            double w = fraction * fraction * (3 - 2 * fraction);
            double[] own = arcFractions(work);
            double[] target = new double[n];
            for (int i = 0; i < n; i++) {
                target[i] = (1 - w) * own[i] + w * i / n;
            }
            next = redistribute(work, target);
            // No point slides along the layer by more than the layer's step: where the
            // body's points cluster at a coarse leading edge and the step is thin (a viscous
            // first cell), the pull towards uniform spacing would shear the cell inside out.
            for (int i = 0; i < n; i++) {
                double dx = next[2 * i] - work[2 * i];
                double dy = next[2 * i + 1] - work[2 * i + 1];
                double slide = Math.hypot(dx, dy);
                if (slide > heights[j]) {
                    next[2 * i] = work[2 * i] + dx * (heights[j] / slide);
                    next[2 * i + 1] = work[2 * i + 1] + dy * (heights[j] / slide);
                }
            }
            layer[j + 1] = next;
        }
        return assemble(layer, n, layers, bodyName, o.quads());
    }

    /** Arc length from point 0 to each point of a closed polyline, as a fraction of its length. */
    private static double[] arcFractions(double[] x) {
        int n = x.length / 2;
        double[] s = new double[n + 1];
        for (int i = 0; i < n; i++) {
            int k = (i + 1) % n;
            s[i + 1] = s[i] + Math.hypot(x[2 * k] - x[2 * i], x[2 * k + 1] - x[2 * i + 1]);
        }
        double[] f = new double[n];
        for (int i = 0; i < n; i++) {
            f[i] = s[i] / s[n];
        }
        return f;
    }

    /** Points on a closed polyline at the given arc-length fractions (point 0 stays). */
    private static double[] redistribute(double[] x, double[] target) {
        int n = x.length / 2;
        double[] s = arcFractions(x);
        double[] out = new double[2 * n];
        int seg = 0;
        for (int i = 0; i < n; i++) {
            double t = target[i];
            while (seg < n - 1 && s[seg + 1] < t) {
                seg++;
            }
            int a = seg;
            int b = (seg + 1) % n;
            double sa = s[a];
            double sb = seg + 1 < n ? s[seg + 1] : 1.0;
            double u = sb > sa ? (t - sa) / (sb - sa) : 0;
            out[2 * i] = x[2 * a] + u * (x[2 * b] - x[2 * a]);
            out[2 * i + 1] = x[2 * a + 1] + u * (x[2 * b + 1] - x[2 * a + 1]);
        }
        return out;
    }

    /**
     * Heights of the layers from the wall out. The given layers grow geometrically from h0 to
     * reach {@link #INNER_FAR_FIELD} (or the far field when it is nearer); a farther far field
     * gets extra layers beyond, as many as the same growth rate needs to get there (the rate of
     * the extra layers raised just enough to land on the far field). So the cells near the body
     * stay those of the default domain and a larger domain costs only its extra rings of nodes.
     */
    static double[] layerHeights(double h0, int layers, double farField) {
        double inner = Math.min(farField, INNER_FAR_FIELD);
        double growth = growthRate(h0, layers, inner);
        double rest = farField - inner;
        int extra = 0;
        double next = h0 * Math.pow(growth, layers);
        if (rest > 0) {
            // The most layers at the inner growth rate that stay within the rest, at least one.
            double reach = 0;
            double h = next;
            while (reach + h <= rest) {
                reach += h;
                h *= growth;
                extra++;
            }
            extra = Math.max(1, extra);
        }
        double[] heights = new double[layers + extra];
        double h = h0;
        for (int j = 0; j < layers; j++) {
            heights[j] = h;
            h *= growth;
        }
        if (extra > 0) {
            double outer = Math.max(growth, growthRate(next, extra, rest));
            h = next;
            double sum = 0;
            for (int j = layers; j < layers + extra; j++) {
                heights[j] = h;
                sum += h;
                h *= outer;
            }
            // Land exactly on the far field (the bisection leaves a relative 1e-16 or so).
            for (int j = layers; j < layers + extra; j++) {
                heights[j] *= rest / sum;
            }
        }
        return heights;
    }

    /** Growth rate r with h0 (r^layers - 1) / (r - 1) = distance. */
    static double growthRate(double h0, int layers, double distance) {
        if (h0 * layers >= distance) {
            return 1.0;
        }
        double lo = 1.0;
        double hi = 2.0;
        while (h0 * (Math.pow(hi, layers) - 1) / (hi - 1) < distance) {
            hi *= 2;
        }
        for (int k = 0; k < 200; k++) {
            double mid = 0.5 * (lo + hi);
            if (h0 * (Math.pow(mid, layers) - 1) / (mid - 1) < distance) {
                lo = mid;
            } else {
                hi = mid;
            }
        }
        return 0.5 * (lo + hi);
    }

    private static Mesh assemble(double[][] layer, int n, int layers, String bodyName,
            boolean quads) {
        double[] coords = new double[2 * n * (layers + 1)];
        for (int j = 0; j <= layers; j++) {
            System.arraycopy(layer[j], 0, coords, 2 * n * j, 2 * n);
        }
        int cells = n * layers;
        int[] quadNodes = new int[quads ? 4 * cells : 0];
        int[] triNodes = new int[quads ? 0 : 6 * cells];
        int q = 0;
        int t = 0;
        for (int j = 0; j < layers; j++) {
            for (int i = 0; i < n; i++) {
                int a = j * n + i;
                int b = j * n + (i + 1) % n;
                int c = (j + 1) * n + (i + 1) % n;
                int d = (j + 1) * n + i;
                requireConvex(coords, a, b, c, d, i, j);
                if (quads) {
                    quadNodes[q++] = a + 1;
                    quadNodes[q++] = b + 1;
                    quadNodes[q++] = c + 1;
                    quadNodes[q++] = d + 1;
                } else {
                    // Split along the shorter diagonal.
                    double ac = dist2(coords, a, c);
                    double bd = dist2(coords, b, d);
                    int[] split = ac <= bd ? new int[] {a, b, c, a, c, d} : new int[] {a, b, d, b, c, d};
                    for (int k = 0; k < 6; k++) {
                        triNodes[t++] = split[k] + 1;
                    }
                }
            }
        }
        int[] edges = new int[3 * 2 * n];
        for (int i = 0; i < n; i++) {
            edges[3 * i] = i;
            edges[3 * i + 1] = (i + 1) % n;
            edges[3 * i + 2] = 1;
            edges[3 * (n + i)] = layers * n + i;
            edges[3 * (n + i) + 1] = layers * n + (i + 1) % n;
            edges[3 * (n + i) + 2] = 2;
        }
        return new Mesh(coords, triNodes, quadNodes, edges,
                List.of(BoundaryKind.SLIP_WALL, BoundaryKind.FAR_FIELD), List.of(bodyName, "farfield"));
    }

    private static double dist2(double[] xy, int a, int b) {
        double dx = xy[2 * a] - xy[2 * b];
        double dy = xy[2 * a + 1] - xy[2 * b + 1];
        return dx * dx + dy * dy;
    }

    private static void requireConvex(double[] xy, int a, int b, int c, int d, int i, int j) {
        int[] corner = {a, b, c, d};
        for (int k = 0; k < 4; k++) {
            int p = corner[(k + 3) % 4];
            int s = corner[k];
            int r = corner[(k + 1) % 4];
            double cross = (xy[2 * s] - xy[2 * p]) * (xy[2 * r + 1] - xy[2 * s + 1])
                    - (xy[2 * s + 1] - xy[2 * p + 1]) * (xy[2 * r] - xy[2 * s]);
            if (!(cross > 0)) {
                throw new IllegalStateException("the generated cell " + i + " of layer " + j
                        + " is not convex; try more layers or points around the body");
            }
        }
    }
}
