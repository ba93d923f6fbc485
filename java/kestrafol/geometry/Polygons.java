package kestrafol.geometry;

import java.util.ArrayList;
import java.util.List;

/**
 * Tests on closed polygons given as x0, y0, x1, y1, ... (the first point not repeated): sides
 * that cross, containment, the gap between two polygons, corners.
 */
public final class Polygons {
    private Polygons() {}

    /**
     * The first pair of sides of a closed polygon of its first m points that touch or cross,
     * other than neighbours at their shared corner: {earlier side, later side} (a side numbered
     * by its first point), or null.
     */
    public static int[] firstSelfCrossing(double[] p, int m) {
        for (int j = 2; j < m; j++) {
            for (int i = 0; i < j - 1; i++) {
                if (i == 0 && j == m - 1) {
                    continue;
                }
                if (segmentsMeet(p, i, (i + 1) % m, p, j, (j + 1) % m)) {
                    return new int[] {i, j};
                }
            }
        }
        return null;
    }

    /** Whether a side of polygon a touches or crosses a side of polygon b. */
    public static boolean sidesCross(double[] a, double[] b) {
        int n = a.length / 2;
        int m = b.length / 2;
        for (int i = 0; i < n; i++) {
            for (int j = 0; j < m; j++) {
                if (segmentsMeet(a, i, (i + 1) % n, b, j, (j + 1) % m)) {
                    return true;
                }
            }
        }
        return false;
    }

    /** Whether (x, y) lies inside polygon p (even-odd rule). */
    public static boolean inside(double x, double y, double[] p) {
        int n = p.length / 2;
        boolean in = false;
        for (int i = 0, j = n - 1; i < n; j = i++) {
            double yi = p[2 * i + 1];
            double yj = p[2 * j + 1];
            if ((yi > y) != (yj > y)) {
                double xc = p[2 * i] + (y - yi) / (yj - yi) * (p[2 * j] - p[2 * i]);
                if (x < xc) {
                    in = !in;
                }
            }
        }
        return in;
    }

    /** Smallest distance between the outlines of two polygons that do not cross. */
    public static double gap(double[] a, double[] b) {
        double d = Double.MAX_VALUE;
        int n = a.length / 2;
        int m = b.length / 2;
        for (int i = 0; i < n; i++) {
            for (int j = 0; j < m; j++) {
                d = Math.min(d, pointToSegment(a[2 * i], a[2 * i + 1], b, j, (j + 1) % m));
                d = Math.min(d, pointToSegment(b[2 * j], b[2 * j + 1], a, i, (i + 1) % n));
            }
        }
        return d;
    }

    /**
     * Points where the outline turns sharply: interior angle (between the sides to the two
     * neighbours) below {@code maxAngleDegrees}, in point order.
     */
    public static List<Integer> corners(double[] p, double maxAngleDegrees) {
        int n = p.length / 2;
        List<Integer> c = new ArrayList<>();
        for (int i = 0; i < n; i++) {
            int a = (i + n - 1) % n;
            int b = (i + 1) % n;
            double ux = p[2 * a] - p[2 * i];
            double uy = p[2 * a + 1] - p[2 * i + 1];
            double vx = p[2 * b] - p[2 * i];
            double vy = p[2 * b + 1] - p[2 * i + 1];
            double angle = Math.toDegrees(Math.atan2(Math.abs(ux * vy - uy * vx), ux * vx + uy * vy));
            if (angle < maxAngleDegrees) {
                c.add(i);
            }
        }
        return c;
    }

    private static double pointToSegment(double x, double y, double[] p, int a, int b) {
        double ax = p[2 * a];
        double ay = p[2 * a + 1];
        double dx = p[2 * b] - ax;
        double dy = p[2 * b + 1] - ay;
        double len2 = dx * dx + dy * dy;
        double u = len2 > 0 ? Math.max(0, Math.min(1, ((x - ax) * dx + (y - ay) * dy) / len2)) : 0;
        return Math.hypot(x - (ax + u * dx), y - (ay + u * dy));
    }

    private static double cross(double[] p, int a, int b, double[] q, int c) {
        return (p[2 * b] - p[2 * a]) * (q[2 * c + 1] - p[2 * a + 1])
                - (p[2 * b + 1] - p[2 * a + 1]) * (q[2 * c] - p[2 * a]);
    }

    private static boolean segmentsMeet(double[] p, int a, int b, double[] q, int c, int d) {
        double d1 = cross(p, a, b, q, c);
        double d2 = cross(p, a, b, q, d);
        double d3 = cross(q, c, d, p, a);
        double d4 = cross(q, c, d, p, b);
        if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) {
            return true;
        }
        return (d1 == 0 && onSegment(p, a, b, q, c)) || (d2 == 0 && onSegment(p, a, b, q, d))
                || (d3 == 0 && onSegment(q, c, d, p, a)) || (d4 == 0 && onSegment(q, c, d, p, b));
    }

    /** Whether point c of q, known to be on the line through a and b of p, lies between them. */
    private static boolean onSegment(double[] p, int a, int b, double[] q, int c) {
        return Math.min(p[2 * a], p[2 * b]) <= q[2 * c] && q[2 * c] <= Math.max(p[2 * a], p[2 * b])
                && Math.min(p[2 * a + 1], p[2 * b + 1]) <= q[2 * c + 1]
                && q[2 * c + 1] <= Math.max(p[2 * a + 1], p[2 * b + 1]);
    }
}
