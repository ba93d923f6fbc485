package kestrafol.solver;

import java.util.ArrayList;
import java.util.List;
import java.util.Locale;

/**
 * The solver's method: the library's own ({@link #STANDARD}, what {@code CFD.Solvers.EulerSolver}
 * computes, bit for bit) or that method with options of the flow module switched on, each alone
 * or together:
 * <ul>
 * <li>{@code courant[=START/MAX]}: every node runs at one Courant number that starts at START
 *     (default 5) and grows as the residual falls below its peak, at most twofold per step, up to
 *     MAX (default 1000), back to START when a node reaches a floor (steady runs only);
 * <li>{@code symmetric}: each Gauss-Seidel sweep runs forward and then backward;
 * <li>{@code smooth-limiter[=K]}: a differentiable limiter whose threshold (K h)^3, h the square
 *     root of the node's dual area, leaves smooth extrema unclipped (default K 5);
 * <li>{@code vortex}: the far field adds the compressible point vortex of the lift the walls
 *     carry (subsonic free streams);
 * <li>{@code sweeps=N}: at most N Gauss-Seidel sweeps per pass (the library's method runs up to
 *     20, until the increment has settled).
 * </ul>
 * Written as a comma-separated list, for example {@code courant,smooth-limiter=3}; {@code standard}
 * alone is the library's method.
 */
public record Method(boolean courant, double courantStart, double courantMax, boolean symmetric,
        boolean smoothLimiter, double limiterThreshold, boolean vortex, int sweeps) {

    /** The library's own method. */
    public static final Method STANDARD = new Method(false, 5, 1000, false, false, 5, false, 20);

    /** The names of the options, in the order {@link #name()} writes them. */
    public static final List<String> OPTIONS =
            List.of("courant", "symmetric", "smooth-limiter", "vortex", "sweeps");

    public Method {
        if (!(Double.isFinite(courantStart) && courantStart > 0)
                || !(Double.isFinite(courantMax) && courantMax >= courantStart)) {
            throw new IllegalArgumentException("courant=" + courantStart + "/" + courantMax
                    + ": the start must be above 0 and the largest at least the start");
        }
        if (!(Double.isFinite(limiterThreshold) && limiterThreshold >= 0)) {
            throw new IllegalArgumentException("smooth-limiter=" + limiterThreshold
                    + ": the threshold must be finite and not negative");
        }
        if (sweeps < 1 || sweeps > 100) {
            throw new IllegalArgumentException("sweeps=" + sweeps + ": expected 1 to 100");
        }
    }

    /** Whether this is the library's own method. */
    public boolean isStandard() {
        return !courant && !symmetric && !smoothLimiter && !vortex && sweeps == STANDARD.sweeps;
    }

    /**
     * The settings entries after the first 16 that select this method in the flow module: none
     * for the library's own method, otherwise step control, Courant start and largest, symmetric
     * sweeps, limiter, its threshold, the vortex far field and the most sweeps per pass.
     */
    public double[] entries() {
        if (isStandard()) {
            return new double[0];
        }
        return new double[] {courant ? 1 : 0, courantStart, courantMax, symmetric ? 1 : 0,
            smoothLimiter ? 1 : 0, limiterThreshold, vortex ? 1 : 0, sweeps};
    }

    /** The settings vector of the flow module: the 16 settings followed by {@link #entries()}. */
    public double[] vector(Settings settings) {
        double[] base = settings.toVector();
        double[] extra = entries();
        double[] v = java.util.Arrays.copyOf(base, base.length + extra.length);
        System.arraycopy(extra, 0, v, base.length, extra.length);
        return v;
    }

    /** The method as {@link #parse} reads it: "standard" or the options switched on. */
    public String name() {
        if (isStandard()) {
            return "standard";
        }
        List<String> parts = new ArrayList<>();
        if (courant) {
            parts.add(courantStart == STANDARD.courantStart && courantMax == STANDARD.courantMax
                    ? "courant" : "courant=" + number(courantStart) + "/" + number(courantMax));
        }
        if (symmetric) {
            parts.add("symmetric");
        }
        if (smoothLimiter) {
            parts.add(limiterThreshold == STANDARD.limiterThreshold ? "smooth-limiter"
                    : "smooth-limiter=" + number(limiterThreshold));
        }
        if (vortex) {
            parts.add("vortex");
        }
        if (sweeps != STANDARD.sweeps) {
            parts.add("sweeps=" + sweeps);
        }
        return String.join(",", parts);
    }

    /**
     * Reads a method: "standard", or a comma-separated list of the options to switch on.
     *
     * @throws IllegalArgumentException naming the part that is not an option or whose value is
     *     not a number in range
     */
    public static Method parse(String text) {
        String t = text == null ? "" : text.strip().toLowerCase(Locale.ROOT);
        if (t.equals("standard")) {
            return STANDARD;
        }
        boolean courant = false, symmetric = false, smooth = false, vortex = false;
        double start = STANDARD.courantStart, max = STANDARD.courantMax;
        double k = STANDARD.limiterThreshold;
        double sweeps = STANDARD.sweeps;
        for (String part : t.split(",", -1)) {
            String[] kv = part.strip().split("=", 2);
            String key = kv[0].strip();
            String value = kv.length > 1 ? kv[1].strip() : null;
            switch (key) {
                case "courant" -> {
                    courant = true;
                    if (value != null) {
                        String[] sm = value.split("/", -1);
                        if (sm.length != 2) {
                            throw new IllegalArgumentException("courant=" + value
                                    + ": expected START/MAX, for example courant=5/1000");
                        }
                        start = number(part, sm[0]);
                        max = number(part, sm[1]);
                    }
                }
                case "symmetric" -> symmetric = flag(part, value);
                case "smooth-limiter" -> {
                    smooth = true;
                    k = value == null ? k : number(part, value);
                }
                case "vortex" -> vortex = flag(part, value);
                case "sweeps" -> sweeps = number(part, value == null ? "" : value);
                default -> throw new IllegalArgumentException("'" + part.strip()
                        + "' is not a method option; expected standard, or a comma-separated list"
                        + " of " + String.join(", ", OPTIONS));
            }
        }
        if (sweeps != Math.rint(sweeps)) {
            throw new IllegalArgumentException("sweeps=" + sweeps + ": expected a whole number");
        }
        return new Method(courant, start, max, symmetric, smooth, k, vortex,
                (int) Math.max(-1, Math.min(1000, sweeps)));
    }

    private static boolean flag(String part, String value) {
        if (value != null) {
            throw new IllegalArgumentException("'" + part.strip() + "' takes no value");
        }
        return true;
    }

    private static double number(String part, String value) {
        try {
            return Double.parseDouble(value.strip());
        } catch (NumberFormatException e) {
            throw new IllegalArgumentException("'" + part.strip() + "': '" + value.strip()
                    + "' is not a number");
        }
    }

    private static String number(double v) {
        return v == Math.rint(v) && Math.abs(v) < 1e15 ? Long.toString((long) v)
                : Double.toString(v);
    }
}
