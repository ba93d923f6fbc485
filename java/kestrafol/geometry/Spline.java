package kestrafol.geometry;

/**
 * A parametric cubic spline x(s), y(s) through an open chain of points, with s the cumulative
 * chord length between the points (so s is close to the arc length) and natural ends (zero
 * second derivative). Immutable.
 */
public final class Spline {
    private final double[] s;
    private final double[] x;
    private final double[] y;
    /** Second derivatives of x and y with respect to s at the points. */
    private final double[] xss;
    private final double[] yss;

    /**
     * @param xy x0, y0, x1, y1, ... at least two points, no two consecutive ones equal
     */
    public Spline(double[] xy) {
        int n = xy.length / 2;
        if (n < 2 || xy.length % 2 != 0) {
            throw new IllegalArgumentException("a spline needs at least two points, got " + n);
        }
        s = new double[n];
        x = new double[n];
        y = new double[n];
        for (int i = 0; i < n; i++) {
            x[i] = xy[2 * i];
            y[i] = xy[2 * i + 1];
            if (i > 0) {
                double d = Math.hypot(x[i] - x[i - 1], y[i] - y[i - 1]);
                if (!(d > 0)) {
                    throw new IllegalArgumentException("points " + (i - 1) + " and " + i
                            + " are equal; a spline needs distinct consecutive points");
                }
                s[i] = s[i - 1] + d;
            }
        }
        xss = secondDerivatives(s, x);
        yss = secondDerivatives(s, y);
    }

    /** Natural cubic spline moments by the tridiagonal (Thomas) solve. */
    private static double[] secondDerivatives(double[] s, double[] f) {
        int n = s.length;
        double[] m = new double[n];
        if (n < 3) {
            return m;
        }
        double[] c = new double[n];
        double[] d = new double[n];
        for (int i = 1; i < n - 1; i++) {
            double h0 = s[i] - s[i - 1];
            double h1 = s[i + 1] - s[i];
            double a = h0 / 6;
            double b = (h0 + h1) / 3;
            double cc = h1 / 6;
            double r = (f[i + 1] - f[i]) / h1 - (f[i] - f[i - 1]) / h0;
            double denom = b - a * c[i - 1];
            c[i] = cc / denom;
            d[i] = (r - a * d[i - 1]) / denom;
        }
        for (int i = n - 2; i >= 1; i--) {
            m[i] = d[i] - c[i] * m[i + 1];
        }
        return m;
    }

    /** Total parameter length (the length of the polygon through the points). */
    public double length() {
        return s[s.length - 1];
    }

    /** Number of points. */
    public int size() {
        return s.length;
    }

    /** Parameter of point i. */
    public double parameter(int i) {
        return s[i];
    }

    private int interval(double t) {
        int lo = 0;
        int hi = s.length - 1;
        while (hi - lo > 1) {
            int mid = (lo + hi) >>> 1;
            if (s[mid] <= t) {
                lo = mid;
            } else {
                hi = mid;
            }
        }
        return lo;
    }

    private static double value(double[] f, double[] m, double[] s, int i, double t) {
        double h = s[i + 1] - s[i];
        double a = (s[i + 1] - t) / h;
        double b = (t - s[i]) / h;
        return a * f[i] + b * f[i + 1] + ((a * a * a - a) * m[i] + (b * b * b - b) * m[i + 1]) * h * h / 6;
    }

    private static double slope(double[] f, double[] m, double[] s, int i, double t) {
        double h = s[i + 1] - s[i];
        double a = (s[i + 1] - t) / h;
        double b = (t - s[i]) / h;
        return (f[i + 1] - f[i]) / h - (3 * a * a - 1) * h / 6 * m[i] + (3 * b * b - 1) * h / 6 * m[i + 1];
    }

    /** x at parameter t (clamped to the ends). */
    public double x(double t) {
        double c = clamp(t);
        return value(x, xss, s, interval(c), c);
    }

    /** y at parameter t (clamped to the ends). */
    public double y(double t) {
        double c = clamp(t);
        return value(y, yss, s, interval(c), c);
    }

    /** dx/ds at parameter t. */
    public double dx(double t) {
        double c = clamp(t);
        return slope(x, xss, s, interval(c), c);
    }

    /** dy/ds at parameter t. */
    public double dy(double t) {
        double c = clamp(t);
        return slope(y, yss, s, interval(c), c);
    }

    private double clamp(double t) {
        return Math.max(0, Math.min(length(), t));
    }
}
