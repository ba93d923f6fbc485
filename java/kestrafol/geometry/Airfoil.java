package kestrafol.geometry;

import java.util.Arrays;

/**
 * One airfoil element, held in its chord frame: the leading edge (the point farthest from the
 * trailing-edge midpoint) at (0, 0), the trailing-edge midpoint at (1, 0), scaled to chord 1.
 * So the reference length of the coefficients is 1, the quarter-chord moment point is
 * (0.25, 0), and an angle of attack is measured from the chord line. {@link #geometry()} keeps
 * where the chord lay in the input and what the section measures.
 *
 * <p>The points are kept in Selig order (anticlockwise): from the trailing edge over the upper
 * surface to the leading edge and back along the lower surface. With a sharp trailing edge the
 * trailing-edge point appears once, first; with a blunt one the first point is the upper and the
 * last point the lower corner of the base, and the base is the closing side of the outline. A
 * parametric cubic spline on chord length through the points (the trailing edge repeated at the
 * end when sharp) is the smooth outline the mesh is re-panelled on. Coordinates of any size
 * are accepted: outside 2^-200 to 2^200 they are scaled by a power of two first (exactly), so
 * that no distance overflows or underflows. Immutable.
 */
public final class Airfoil {
    /** Relative distance (to the outline's size) below which two points are the same. */
    static final double SAME_POINT = 1e-9;
    /**
     * Widest base (gap between the first and last point) as a fraction of the outline's size:
     * thick flat-back sections reach about 0.1; a file cut short ends far from its start.
     */
    static final double MAX_BASE = 0.25;
    /** Most points an outline may have. */
    public static final int MAX_POINTS = 100_000;

    private final String name;
    private final double[] xy;
    private final boolean blunt;
    private final Spline spline;
    private final double leadingEdge;
    private final AirfoilGeometry geometry;

    /**
     * A refusal of an outline: the point it concerns (from 0), another point it names (or -1),
     * and why; "%s" in the reason stands for the other point.
     */
    record Problem(int point, int other, String what) {
        Problem(int point, String what) {
            this(point, -1, what);
        }

        /** The reason with the other point named by {@code where}. */
        String text(java.util.function.IntFunction<String> where) {
            return other < 0 ? what : what.replace("%s", where.apply(other));
        }
    }

    private Airfoil(String name, double[] xy, boolean blunt, AirfoilGeometry geometry) {
        this.name = name;
        this.xy = xy;
        this.blunt = blunt;
        this.spline = new Spline(blunt ? xy : closeLoop(xy));
        this.leadingEdge = farthestParameter(spline, 1, 0);
        this.geometry = geometry;
    }

    /**
     * An airfoil from its outline points (x0, y0, x1, y1, ...) in Selig order or the reverse
     * (clockwise or anticlockwise), starting at the trailing edge; the first point may be
     * repeated at the end (a sharp trailing edge) or not (then the last and first points are the
     * corners of a blunt base).
     *
     * @throws IllegalArgumentException naming the point and the reason: fewer than 10 points,
     *     a non-finite coordinate, two consecutive points equal, or a self-intersecting outline
     */
    public static Airfoil of(String name, double[] points) {
        Problem p = check(points);
        if (p != null) {
            throw new IllegalArgumentException("point " + p.point() + ": "
                    + p.text(i -> "point " + i));
        }
        return build(name, points);
    }

    /** Null when the outline is acceptable, else the first problem found. */
    static Problem check(double[] points) {
        if (points == null || points.length % 2 != 0) {
            return new Problem(0, "expected x, y pairs");
        }
        int n = points.length / 2;
        for (int i = 0; i < 2 * n; i++) {
            if (!Double.isFinite(points[i])) {
                return new Problem(i / 2, "coordinate " + points[i] + " is not finite");
            }
        }
        double[] raw = points;
        points = unitScaled(points);
        double size = size(points, n);
        if (size == 0) {
            return new Problem(0, "all " + n + " points are the same point: no outline");
        }
        double tol = SAME_POINT * size;
        int m = n;
        if (n >= 2 && distance(points, 0, n - 1) <= tol) {
            m = n - 1;
        }
        if (m < 10) {
            return new Problem(Math.max(0, n - 1), "only " + m + " distinct points; an outline needs at least 10");
        }
        if (m > MAX_POINTS) {
            return new Problem(MAX_POINTS, m + " points; at most " + MAX_POINTS);
        }
        for (int i = 1; i < m; i++) {
            if (distance(points, i - 1, i) <= tol) {
                return new Problem(i, "equal to the point before it (" + raw[2 * i] + ", "
                        + raw[2 * i + 1] + "); consecutive points must differ");
            }
        }
        if (m < n) {
            // Sharp: nothing more to check at the trailing edge.
        } else if (distance(points, 0, n - 1) > MAX_BASE * size) {
            return new Problem(n - 1, String.format(java.util.Locale.ROOT, "the outline ends %.3g"
                    + " from where it starts, more than %.2g of its size: a base that wide is no"
                    + " trailing edge; the points must run from the trailing edge round the"
                    + " leading edge and back", Math.scalb(distance(points, 0, n - 1),
                    scaleExponent(raw)), MAX_BASE));
        }
        int[] crossing = Polygons.firstSelfCrossing(points, m);
        if (crossing != null) {
            return new Problem(crossing[1], crossing[0], "the outline intersects itself: the side"
                    + " from this point crosses the side from %s");
        }
        return null;
    }

    private static double size(double[] p, int n) {
        double xMin = Double.MAX_VALUE;
        double xMax = -Double.MAX_VALUE;
        double yMin = Double.MAX_VALUE;
        double yMax = -Double.MAX_VALUE;
        for (int i = 0; i < n; i++) {
            xMin = Math.min(xMin, p[2 * i]);
            xMax = Math.max(xMax, p[2 * i]);
            yMin = Math.min(yMin, p[2 * i + 1]);
            yMax = Math.max(yMax, p[2 * i + 1]);
        }
        return Math.max(xMax - xMin, yMax - yMin);
    }

    private static double distance(double[] p, int a, int b) {
        return Math.hypot(p[2 * a] - p[2 * b], p[2 * a + 1] - p[2 * b + 1]);
    }

    /**
     * The scale between the input and the points computed on: 0 for coordinates within
     * 2^-200 to 2^200 (every real unit; computed as given), else the power of two of the largest
     * coordinate, so that squares of distances can neither overflow nor underflow.
     */
    static int scaleExponent(double[] points) {
        double max = 0;
        for (double v : points) {
            max = Math.max(max, Math.abs(v));
        }
        return max == 0 || max >= 0x1p-200 && max <= 0x1p200 ? 0 : Math.getExponent(max);
    }

    /**
     * The points divided by 2 to the {@link #scaleExponent} (exactly: a power of two), or the
     * points themselves when they need no scaling.
     */
    static double[] unitScaled(double[] points) {
        int e = scaleExponent(points);
        if (e == 0) {
            return points;
        }
        double[] s = new double[points.length];
        for (int i = 0; i < s.length; i++) {
            s[i] = Math.scalb(points[i], -e);
        }
        return s;
    }

    /** Builds a checked outline: orientation, chord frame, geometry (in the input's units). */
    private static Airfoil build(String name, double[] given) {
        int e = scaleExponent(given);
        double[] points = unitScaled(given);
        int n = points.length / 2;
        double tol = SAME_POINT * size(points, n);
        boolean blunt = distance(points, 0, n - 1) > tol;
        int m = blunt ? n : n - 1;
        double[] p = Arrays.copyOf(points, 2 * m);
        double area = 0;
        for (int i = 0; i < m; i++) {
            int k = (i + 1) % m;
            area += p[2 * i] * p[2 * k + 1] - p[2 * k] * p[2 * i + 1];
        }
        if (area < 0) {
            // Clockwise: reverse, keeping the trailing edge first when it is sharp.
            double[] r = new double[2 * m];
            for (int i = 0; i < m; i++) {
                int from = blunt ? m - 1 - i : (m - i) % m;
                r[2 * i] = p[2 * from];
                r[2 * i + 1] = p[2 * from + 1];
            }
            p = r;
        }
        double teX = blunt ? 0.5 * (p[0] + p[2 * m - 2]) : p[0];
        double teY = blunt ? 0.5 * (p[1] + p[2 * m - 1]) : p[1];
        Spline input = new Spline(blunt ? p : closeLoop(p));
        double le = farthestParameter(input, teX, teY);
        double leX = input.x(le);
        double leY = input.y(le);
        double chord = Math.hypot(teX - leX, teY - leY);
        double cos = (teX - leX) / chord;
        double sin = (teY - leY) / chord;
        double[] q = new double[2 * m];
        for (int i = 0; i < m; i++) {
            double dx = p[2 * i] - leX;
            double dy = p[2 * i + 1] - leY;
            q[2 * i] = (dx * cos + dy * sin) / chord;
            q[2 * i + 1] = (-dx * sin + dy * cos) / chord;
        }
        double base = blunt ? distance(q, 0, m - 1) : 0;
        Spline frame = new Spline(blunt ? q : closeLoop(q));
        double[] t = thicknessAndCamber(frame, farthestParameter(frame, 1, 0));
        AirfoilGeometry g = new AirfoilGeometry(Math.scalb(chord, e), Math.scalb(leX, e),
                Math.scalb(leY, e), Math.scalb(teX, e), Math.scalb(teY, e),
                Math.toDegrees(Math.atan2(sin, cos)), t[0], t[1], t[2], t[3], base);
        return new Airfoil(name, q, blunt, g);
    }

    private static double[] closeLoop(double[] p) {
        double[] c = Arrays.copyOf(p, p.length + 2);
        c[p.length] = p[0];
        c[p.length + 1] = p[1];
        return c;
    }

    /** Parameter of the spline point farthest from (x, y): best point, then golden sections. */
    private static double farthestParameter(Spline s, double x, double y) {
        int best = 0;
        double far = -1;
        for (int i = 0; i < s.size(); i++) {
            double d = dist2(s, s.parameter(i), x, y);
            if (d > far) {
                far = d;
                best = i;
            }
        }
        double lo = s.parameter(Math.max(0, best - 1));
        double hi = s.parameter(Math.min(s.size() - 1, best + 1));
        double g = (Math.sqrt(5) - 1) / 2;
        double a = hi - g * (hi - lo);
        double b = lo + g * (hi - lo);
        for (int k = 0; k < 100 && hi - lo > 1e-15 * s.length(); k++) {
            if (dist2(s, a, x, y) > dist2(s, b, x, y)) {
                hi = b;
                b = a;
                a = hi - g * (hi - lo);
            } else {
                lo = a;
                a = b;
                b = lo + g * (hi - lo);
            }
        }
        double t = 0.5 * (lo + hi);
        // The distance is flat at its maximum, so the golden sections place it only to about
        // the square root of the rounding; the zero of its derivative (P - T) . P' is sharp.
        double a0 = s.parameter(Math.max(0, best - 1));
        double b0 = s.parameter(Math.min(s.size() - 1, best + 1));
        if (slopeOfDistance(s, a0, x, y) > 0 && slopeOfDistance(s, b0, x, y) < 0) {
            for (int k = 0; k < 200 && b0 - a0 > 0; k++) {
                double mid = 0.5 * (a0 + b0);
                if (mid == a0 || mid == b0) {
                    break;
                }
                if (slopeOfDistance(s, mid, x, y) > 0) {
                    a0 = mid;
                } else {
                    b0 = mid;
                }
            }
            t = 0.5 * (a0 + b0);
        }
        return dist2(s, t, x, y) >= far ? t : s.parameter(best);
    }

    private static double slopeOfDistance(Spline s, double t, double x, double y) {
        return (s.x(t) - x) * s.dx(t) + (s.y(t) - y) * s.dy(t);
    }

    private static double dist2(Spline s, double t, double x, double y) {
        double dx = s.x(t) - x;
        double dy = s.y(t) - y;
        return dx * dx + dy * dy;
    }

    /**
     * {max thickness, where, max camber, where} in the chord frame: both surfaces sampled on
     * the spline and interpolated at cosine-spaced chord stations.
     */
    private static double[] thicknessAndCamber(Spline s, double le) {
        int samples = 600;
        double[] upper = sample(s, le, 0, samples);
        double[] lower = sample(s, le, s.length(), samples);
        double[] result = {0, 0, 0, 0};
        double camberAbs = -1;
        for (int k = 1; k < 400; k++) {
            double x = 0.5 * (1 - Math.cos(Math.PI * k / 400));
            double yu = heightAt(upper, x);
            double yl = heightAt(lower, x);
            if (Double.isNaN(yu) || Double.isNaN(yl)) {
                continue;
            }
            if (yu - yl > result[0]) {
                result[0] = yu - yl;
                result[1] = x;
            }
            double c = 0.5 * (yu + yl);
            if (Math.abs(c) > camberAbs) {
                camberAbs = Math.abs(c);
                result[2] = c;
                result[3] = x;
            }
        }
        return result;
    }

    /** Points along the spline from parameter a to b, cosine-spaced in the parameter. */
    private static double[] sample(Spline s, double a, double b, int count) {
        double[] p = new double[2 * (count + 1)];
        for (int k = 0; k <= count; k++) {
            double t = a + (b - a) * 0.5 * (1 - Math.cos(Math.PI * k / count));
            p[2 * k] = s.x(t);
            p[2 * k + 1] = s.y(t);
        }
        return p;
    }

    /** Height of a sampled surface (from the leading edge back) at x; the last crossing wins. */
    private static double heightAt(double[] p, double x) {
        for (int k = p.length / 2 - 2; k >= 0; k--) {
            double x0 = p[2 * k];
            double x1 = p[2 * k + 2];
            if ((x0 <= x && x <= x1) || (x1 <= x && x <= x0)) {
                double u = x1 == x0 ? 0 : (x - x0) / (x1 - x0);
                return p[2 * k + 1] + u * (p[2 * k + 3] - p[2 * k + 1]);
            }
        }
        return Double.NaN;
    }

    public String name() {
        return name;
    }

    /** The points in the chord frame, Selig order (a copy). */
    public double[] points() {
        return xy.clone();
    }

    public boolean blunt() {
        return blunt;
    }

    public AirfoilGeometry geometry() {
        return geometry;
    }

    /**
     * The outline re-panelled to n points (n even, at least 16) on the spline, in the chord
     * frame, clockwise from the trailing edge as the O-mesh generator takes it: point 0 the
     * trailing edge (a sharp one) or the base midpoint (a blunt one), then the base down to the
     * lower corner, the lower surface to the leading edge, the upper surface, the base back.
     * Each surface gets the same number of points, cosine-spaced in arc length so that they
     * cluster at the leading and trailing edges; a base gets an even number of sides, about as
     * long as the surface spacing next to it (at least 2, at most n/4).
     */
    public double[] contour(int n) {
        if (n < 16 || n % 2 != 0) {
            throw new IllegalArgumentException("points around = " + n + ": must be even and at least 16");
        }
        double length = spline.length();
        int base = 0;
        if (blunt) {
            double spacing = (length - leadingEdge) * 0.5 * (1 - Math.cos(Math.PI / (n / 2)));
            base = 2 * (int) Math.max(1, Math.round(geometry.baseThickness() / (2 * spacing)));
            base = Math.min(base, 2 * (n / 8));
        }
        int m = (n - base) / 2;
        double[] out = new double[2 * n];
        int k = 0;
        double lowX = xy[xy.length - 2];
        double lowY = xy[xy.length - 1];
        double upX = xy[0];
        double upY = xy[1];
        if (blunt) {
            double midX = 0.5 * (upX + lowX);
            double midY = 0.5 * (upY + lowY);
            for (int j = 0; j < base / 2; j++) {
                double u = (double) j / (base / 2);
                out[k++] = midX + u * (lowX - midX);
                out[k++] = midY + u * (lowY - midY);
            }
        }
        // Lower surface from the trailing edge (parameter = length) to the leading edge.
        int first = blunt ? 0 : 1;
        if (!blunt) {
            out[k++] = spline.x(0);
            out[k++] = spline.y(0);
        }
        for (int j = first; j <= m; j++) {
            double t = length - (length - leadingEdge) * 0.5 * (1 - Math.cos(Math.PI * j / m));
            out[k++] = spline.x(t);
            out[k++] = spline.y(t);
        }
        // Upper surface from the leading edge (exclusive) to the trailing edge.
        int last = blunt ? m : m - 1;
        for (int j = 1; j <= last; j++) {
            double t = leadingEdge * 0.5 * (1 + Math.cos(Math.PI * j / m));
            out[k++] = spline.x(t);
            out[k++] = spline.y(t);
        }
        if (blunt) {
            double midX = 0.5 * (upX + lowX);
            double midY = 0.5 * (upY + lowY);
            for (int j = 1; j < base / 2; j++) {
                double u = (double) j / (base / 2);
                out[k++] = upX + u * (midX - upX);
                out[k++] = upY + u * (midY - upY);
            }
        }
        if (k != 2 * n) {
            throw new IllegalStateException("re-panelled " + k / 2 + " points for " + n);
        }
        return out;
    }
}
