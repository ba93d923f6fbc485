package kestrafol.mesh;

/**
 * Exact orientation signs of points in the plane, the same test the native library applies to
 * the mesh it is given. The cross product is formed from coordinate differences with a bound
 * on its rounding error; only when the bound does not settle the sign is it recomputed exactly
 * as a sum of floating-point expansions. So neither the distance from the origin nor the size
 * of an element changes a verdict: a counter-clockwise triangle of size 0.01 at (5e6, 5e6) is
 * counter-clockwise.
 */
public final class Orientation {
    private static final double UNIT_ROUNDOFF = Math.ulp(1.0) / 2;
    private static final double ERROR_BOUND = (3.0 + 16.0 * UNIT_ROUNDOFF) * UNIT_ROUNDOFF;
    private static final double UNDERFLOW_GUARD = 0x1p-900;
    private static final double SPLITTER = 134217729.0; // 2^27 + 1

    private Orientation() {
    }

    /**
     * Sign (-1, 0 or 1) of the exact value of (b - a) x (d - c), that is
     * (bx - ax)(dy - cy) - (by - ay)(dx - cx).
     */
    public static int crossSign(double ax, double ay, double bx, double by, double cx, double cy,
            double dx, double dy) {
        double left = (bx - ax) * (dy - cy);
        double right = (by - ay) * (dx - cx);
        double value = left - right;
        double size = Math.abs(left) + Math.abs(right);
        // False for NaN and infinities, which take the exact path.
        if (size >= UNDERFLOW_GUARD) {
            double bound = ERROR_BOUND * size;
            if (value > bound) {
                return 1;
            }
            if (-value > bound) {
                return -1;
            }
        }
        return exactCrossSign(new double[] {ax, ay, bx, by, cx, cy, dx, dy});
    }

    /** Sign of the area of triangle (a, b, c) of 0-based nodes in xy; also the turn at b. */
    public static int orientation(double[] xy, int a, int b, int c) {
        return crossSign(xy[2 * a], xy[2 * a + 1], xy[2 * b], xy[2 * b + 1], xy[2 * a], xy[2 * a + 1],
                xy[2 * c], xy[2 * c + 1]);
    }

    /** Sign of the area of quadrilateral (a, b, c, d): the cross product of its diagonals. */
    public static int quadOrientation(double[] xy, int a, int b, int c, int d) {
        return crossSign(xy[2 * a], xy[2 * a + 1], xy[2 * c], xy[2 * c + 1], xy[2 * b], xy[2 * b + 1],
                xy[2 * d], xy[2 * d + 1]);
    }

    /** Sign of the area of an element of 3 or 4 corners (0-based nodes, in their order). */
    public static int elementOrientation(double[] xy, int[] nodes, int first, int corners) {
        return corners == 3
                ? orientation(xy, nodes[first], nodes[first + 1], nodes[first + 2])
                : quadOrientation(xy, nodes[first], nodes[first + 1], nodes[first + 2], nodes[first + 3]);
    }

    /**
     * Exact sign from the eight coordinate products, all coordinates first scaled by one power
     * of two so that none exceeds 1 and no product overflows.
     */
    private static int exactCrossSign(double[] v) {
        double largest = 0;
        for (double x : v) {
            largest = Math.max(largest, Math.abs(x));
        }
        if (largest == 0) {
            return 0;
        }
        int shift = -Math.getExponent(largest) - 1;
        for (int i = 0; i < v.length; i++) {
            v[i] = Math.scalb(v[i], shift);
        }
        double ax = v[0], ay = v[1], bx = v[2], by = v[3], cx = v[4], cy = v[5], dx = v[6], dy = v[7];
        double[][] products = {{bx, dy}, {-bx, cy}, {-ax, dy}, {ax, cy}, {-by, dx}, {by, cx}, {ay, dx},
            {-ay, cx}};
        double[] parts = new double[16];
        int size = 0;
        for (double[] pq : products) {
            double p = pq[0], q = pq[1];
            double product = p * q;
            double c = SPLITTER * p;
            double pHigh = c - (c - p);
            double pLow = p - pHigh;
            c = SPLITTER * q;
            double qHigh = c - (c - q);
            double qLow = q - qHigh;
            double error = pLow * qLow - (((product - pHigh * qHigh) - pLow * qHigh) - pHigh * qLow);
            size = grow(parts, size, error);
            size = grow(parts, size, product);
        }
        return size == 0 ? 0 : parts[size - 1] > 0 ? 1 : -1;
    }

    /** Adds value to the expansion parts[0..size) exactly; returns the new size. */
    private static int grow(double[] parts, int size, double value) {
        double carry = value;
        int kept = 0;
        for (int i = 0; i < size; i++) {
            double sum = carry + parts[i];
            double bVirtual = sum - carry;
            double aVirtual = sum - bVirtual;
            double error = (carry - aVirtual) + (parts[i] - bVirtual);
            carry = sum;
            if (error != 0) {
                parts[kept++] = error;
            }
        }
        if (carry != 0) {
            parts[kept++] = carry;
        }
        return kept;
    }
}
