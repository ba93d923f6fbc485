package kestrafol.geometry;

/**
 * NACA four- and five-digit sections of chord 1, with the closed-trailing-edge thickness
 * polynomial (coefficient 0.1036), so the trailing edge is sharp. The thickness is laid off
 * perpendicular to the mean line. The formulas put the mean line's nose at the origin and the
 * trailing edge at (1, 0); {@link Section#contour} turns a section into the chord frame of every
 * other body (leading edge the point farthest from the trailing edge), so that an angle of
 * attack means the same for a built-in section and for a coordinate file of it.
 *
 * <p>Four digits MPTT: maximum camber M per cent at P tenths of the chord, thickness TT per cent.
 *
 * <p>Five digits LPQTT: design lift coefficient 0.15 L, maximum camber at P/20 of the chord
 * (P = 1 to 5), Q = 0 a plain mean line, Q = 1 a reflexed one (no moment about the quarter
 * chord at the design lift; P = 2 to 5), thickness TT per cent. The mean line is a cubic ahead
 * of r and straight (plain) or a cubic (reflexed) behind it, with the tabulated constants r, k1
 * and k2/k1 for a design lift coefficient of 0.3, scaled linearly for other ones.
 */
public final class Naca {
    /** r of the plain five-digit mean lines for P = 1 to 5. */
    private static final double[] PLAIN_R = {0.0580, 0.1260, 0.2025, 0.2900, 0.3910};
    private static final double[] PLAIN_K1 = {361.4, 51.64, 15.957, 6.643, 3.230};
    /** r, k1 and k2/k1 of the reflexed mean lines for P = 2 to 5 (none exists for P = 1). */
    private static final double[] REFLEXED_R = {0.1300, 0.2170, 0.3180, 0.4410};
    private static final double[] REFLEXED_K1 = {51.990, 15.793, 6.520, 3.191};
    private static final double[] REFLEXED_K21 = {0.000764, 0.00677, 0.0303, 0.1355};

    /**
     * One section.
     *
     * @param code the digits as given
     * @param thickness maximum thickness (chords)
     * @param digits 4 or 5
     * @param m four digits: maximum camber; five digits: r
     * @param p four digits: position of the maximum camber; five digits: k1 scaled to the design
     *     lift
     * @param k21 five digits, reflexed: k2/k1; 0 otherwise
     * @param reflexed whether the five-digit mean line is reflexed
     */
    public record Section(String code, double thickness, int digits, double m, double p,
            double k21, boolean reflexed) {
        /** Half thickness at x (chords). */
        public double halfThickness(double x) {
            double t = thickness;
            return 5 * t * (0.2969 * Math.sqrt(x) - 0.1260 * x - 0.3516 * x * x
                    + 0.2843 * x * x * x - 0.1036 * x * x * x * x);
        }

        /** Mean-line height at x. */
        public double camber(double x) {
            if (digits == 4) {
                if (m == 0) {
                    return 0;
                } else if (x < p) {
                    return m / (p * p) * (2 * p * x - x * x);
                } else {
                    return m / ((1 - p) * (1 - p)) * ((1 - 2 * p) + 2 * p * x - x * x);
                }
            }
            double r = m;
            double k1 = p;
            double r3 = r * r * r;
            if (!reflexed) {
                return x < r ? k1 / 6 * (x * x * x - 3 * r * x * x + r * r * (3 - r) * x)
                        : k1 * r3 / 6 * (1 - x);
            }
            double c = k21 * (1 - r) * (1 - r) * (1 - r);
            double d = x - r;
            return x < r ? k1 / 6 * (d * d * d - c * x - r3 * x + r3)
                    : k1 / 6 * (k21 * d * d * d - c * x - r3 * x + r3);
        }

        /** Mean-line slope dy/dx at x. */
        public double slope(double x) {
            if (digits == 4) {
                if (m == 0) {
                    return 0;
                } else if (x < p) {
                    return 2 * m / (p * p) * (p - x);
                } else {
                    return 2 * m / ((1 - p) * (1 - p)) * (p - x);
                }
            }
            double r = m;
            double k1 = p;
            double r3 = r * r * r;
            if (!reflexed) {
                return x < r ? k1 / 6 * (3 * x * x - 6 * r * x + r * r * (3 - r)) : -k1 * r3 / 6;
            }
            double c = k21 * (1 - r) * (1 - r) * (1 - r);
            double d = x - r;
            return x < r ? k1 / 6 * (3 * d * d - c - r3) : k1 / 6 * (3 * k21 * d * d - c - r3);
        }

        /**
         * The point at chord station x on the upper (side 1) or lower (side -1) surface, or the
         * mean line (side 0): {x, y}.
         */
        public double[] point(double x, int side) {
            double yt = halfThickness(x);
            double yc = camber(x);
            double theta = Math.atan(slope(x));
            return new double[] {x - side * yt * Math.sin(theta), yc + side * yt * Math.cos(theta)};
        }

        /**
         * Closed contour of n points (n even) clockwise from the trailing edge in the chord
         * frame every body shares ({@link Airfoil}): the leading edge, the point of the section
         * farthest from the trailing edge, at (0, 0) and the trailing edge at (1, 0). Point 0 is
         * the trailing edge, the lower surface runs to the formula's nose at n/2, the upper
         * surface back; cosine spacing in the formula's x clusters the points at both edges. A
         * symmetric section's chord is the formula's x axis, so its points are those of
         * {@link #formulaContour}; a cambered section's farthest point lies on the upper surface
         * just ahead of the formula's nose, and its chord line is turned by a few tenths of a
         * degree (NACA 4412: 0.175) from the formula's axis, as a coordinate file of the same
         * section is read.
         */
        public double[] contour(int n) {
            double[] body = formulaContour(n);
            if (digits == 4 && m == 0) {
                return body;
            }
            double[] le = farthestFromTrailingEdge();
            double chord = Math.hypot(1 - le[0], le[1]);
            double cos = (1 - le[0]) / chord;
            double sin = -le[1] / chord;
            for (int i = 0; i < n; i++) {
                double dx = body[2 * i] - le[0];
                double dy = body[2 * i + 1] - le[1];
                body[2 * i] = (dx * cos + dy * sin) / chord;
                body[2 * i + 1] = (-dx * sin + dy * cos) / chord;
            }
            // Point 0 is the trailing edge: exactly (1, 0), not a rounding off it.
            body[0] = 1;
            body[1] = 0;
            return body;
        }

        /**
         * The point of the section farthest from the trailing edge (1, 0): {x, y}. The surface
         * near the nose is walked with x = s * s, s below 0 the lower and above 0 the upper
         * side, sampled and then narrowed by golden sections.
         */
        double[] farthestFromTrailingEdge() {
            int samples = 2000;
            double span = 0.5;
            int best = 0;
            double far = -1;
            for (int k = 0; k <= samples; k++) {
                double d = distanceFromTrailingEdge(-span + 2 * span * k / samples);
                if (d > far) {
                    far = d;
                    best = k;
                }
            }
            double lo = -span + 2 * span * Math.max(0, best - 1) / samples;
            double hi = -span + 2 * span * Math.min(samples, best + 1) / samples;
            double g = (Math.sqrt(5) - 1) / 2;
            for (int k = 0; k < 200 && hi - lo > 1e-15; k++) {
                double a = hi - g * (hi - lo);
                double b = lo + g * (hi - lo);
                if (distanceFromTrailingEdge(a) > distanceFromTrailingEdge(b)) {
                    hi = b;
                } else {
                    lo = a;
                }
            }
            double s = 0.5 * (lo + hi);
            return point(s * s, s < 0 ? -1 : 1);
        }

        private double distanceFromTrailingEdge(double s) {
            double[] p = point(s * s, s < 0 ? -1 : 1);
            return (p[0] - 1) * (p[0] - 1) + p[1] * p[1];
        }

        /**
         * The contour of {@link #contour} in the formula's frame (nose at the origin, trailing
         * edge at (1, 0)).
         */
        public double[] formulaContour(int n) {
            double[] body = new double[2 * n];
            for (int i = 0; i < n; i++) {
                double phi = 2 * Math.PI * i / n;
                double x = 0.5 * (1 + Math.cos(phi));
                double yt = halfThickness(x);
                double yc = camber(x);
                double theta = Math.atan(slope(x));
                double side = phi < Math.PI ? -1 : 1;
                if (i == 0 || 2 * i == n) {
                    side = 0;
                }
                body[2 * i] = x - side * yt * Math.sin(theta);
                body[2 * i + 1] = yc + side * yt * Math.cos(theta);
            }
            return body;
        }
    }

    private Naca() {}

    /**
     * The section of a four- or five-digit code, e.g. "2412" or "23012".
     *
     * @throws IllegalArgumentException naming the code and what is wrong with it
     */
    public static Section parse(String code) {
        if (code == null || !code.matches("\\d{4,5}")) {
            throw new IllegalArgumentException("NACA code \"" + code
                    + "\": expected four or five digits");
        }
        int digits = code.length();
        double t = Integer.parseInt(code.substring(digits - 2)) / 100.0;
        if (t <= 0) {
            throw new IllegalArgumentException("NACA code " + code + ": zero thickness");
        }
        if (digits == 4) {
            double m = (code.charAt(0) - '0') / 100.0;
            double p = (code.charAt(1) - '0') / 10.0;
            if (m > 0 && p == 0) {
                throw new IllegalArgumentException("NACA code " + code
                        + ": a cambered airfoil needs a camber position (second digit) above 0");
            }
            return new Section(code, t, 4, m, p, 0, false);
        }
        int lift = code.charAt(0) - '0';
        int position = code.charAt(1) - '0';
        int reflex = code.charAt(2) - '0';
        if (lift == 0 || position < 1 || position > 5 || reflex > 1) {
            throw new IllegalArgumentException("NACA code " + code + ": five digits are a design"
                    + " lift digit 1-9, a camber position 1-5, 0 (plain) or 1 (reflexed), and"
                    + " the thickness");
        }
        if (reflex == 1 && position == 1) {
            throw new IllegalArgumentException("NACA code " + code
                    + ": reflexed mean lines exist for camber positions 2 to 5 only");
        }
        double scale = 0.15 * lift / 0.3;
        if (reflex == 0) {
            return new Section(code, t, 5, PLAIN_R[position - 1], PLAIN_K1[position - 1] * scale,
                    0, false);
        }
        return new Section(code, t, 5, REFLEXED_R[position - 2], REFLEXED_K1[position - 2] * scale,
                REFLEXED_K21[position - 2], true);
    }

    /**
     * Points of a section in Selig order (trailing edge, upper surface, leading edge, lower
     * surface, trailing edge again), {@code perSide} intervals a side with cosine spacing in x:
     * 2 perSide + 1 points, x0, y0, x1, y1, ...
     */
    public static double[] seligPoints(Section section, int perSide) {
        double[] xy = new double[2 * (2 * perSide + 1)];
        for (int i = 0; i <= 2 * perSide; i++) {
            int k = i <= perSide ? perSide - i : i - perSide;
            double x = 0.5 * (1 - Math.cos(Math.PI * k / perSide));
            int side = i < perSide ? 1 : i > perSide ? -1 : 0;
            double[] p = section.point(x, side);
            xy[2 * i] = p[0];
            xy[2 * i + 1] = p[1];
        }
        return xy;
    }
}
