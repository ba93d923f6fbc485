package kestrafol.study;

import java.util.ArrayList;
import java.util.List;
import java.util.Locale;

/**
 * Discretisation error of one coefficient from its values on a ladder of grids: the observed
 * order of convergence, the Richardson-extrapolated value, the grid convergence index (GCI) of
 * the finest grid, and the verdict on whether the levels can be trusted.
 *
 * <p>Three grids, fine to coarse with spacings h1 < h2 < h3 and values f1, f2, f3: with
 * e21 = f2 - f1, e32 = f3 - f2, r21 = h2/h1 and r32 = h3/h2, the observed order p solves
 * p = |ln|e32/e21| + q(p)| / ln r21 with q(p) = ln((r21^p - s)/(r32^p - s)), s = sign(e32/e21)
 * (q = 0 for a constant ratio, where p = ln|e32/e21| / ln r directly). The extrapolation and the
 * band use the order p' = p clamped to {@link #MIN_ORDER} .. {@link #FORMAL_ORDER}: the scheme
 * cannot converge faster than its formal order, so a higher observed order means the levels are
 * not yet where the error falls as h^2. The extrapolated value is f1 + (f1 - f2)/(r21^p' - 1)
 * and the GCI Fs |f1 - f2| / (r21^p' - 1), an absolute band about f1 (some coefficients, the
 * spurious drag of an inviscid flow, converge towards zero).
 *
 * <p>The verdict: the levels are asymptotic only when every increment keeps its sign (else the
 * values oscillate), the increments shrink towards the finest grid, the observed order lies
 * within {@link #MIN_ORDER} .. {@link #FORMAL_ORDER} + {@link #ORDER_TOLERANCE}, and, with four
 * or more levels, every further triple of levels gives an order within
 * {@link #ORDER_TOLERANCE} of the finest triple's (the increments shrink by a consistent ratio).
 * The safety factor follows the verdict: {@link #SAFETY_ASYMPTOTIC} for an asymptotic ladder,
 * {@link #SAFETY_DOUBTFUL} otherwise; {@link Estimate#rule()} says which rule gave the band.
 *
 * <p>Two grids only (the error estimate of a single run): the order cannot be observed, so the
 * formal order is assumed with the safety factor {@link #SAFETY_TWO_GRIDS}, chosen by the
 * coverage measured against reference results (docs/ACCURACY.md).
 */
public final class GridConvergence {
    /** Order of accuracy of the second-order scheme: the fastest the error can fall. */
    public static final double FORMAL_ORDER = 2.0;
    /** Safety factor of an asymptotic ladder. */
    public static final double SAFETY_ASYMPTOTIC = 1.25;
    /** Safety factor of a ladder that is not asymptotic. */
    public static final double SAFETY_DOUBTFUL = 3.0;
    /**
     * Safety factor of a two-grid estimate with the assumed order, chosen by the coverage of
     * reference results on the default mesh (docs/ACCURACY.md): the NACA 0012 at Mach 0.5 needs
     * 2.1 for its band to hold the grid-converged lift; 2.5 holds every subsonic reference,
     * at 1.2 to 4.7 times the actual error but for one case whose error is below its
     * reference's own uncertainty. The former 3 made bands up to 8 times the error.
     */
    public static final double SAFETY_TWO_GRIDS = 2.5;
    /** Observed orders below this mean the levels are not in the asymptotic range. */
    public static final double MIN_ORDER = 0.5;
    /**
     * How far an observed order may lie above the formal order, and how far the orders of two
     * triples of a ladder may differ, for the levels to count as asymptotic.
     */
    public static final double ORDER_TOLERANCE = 0.5;

    private GridConvergence() {}

    /**
     * The estimate for one coefficient.
     *
     * @param observedOrder the order the finest three levels show (NaN with two levels or when
     *     two levels give the same value)
     * @param order the order used for the extrapolation and the band
     * @param safety the safety factor of the band
     * @param extrapolated the Richardson-extrapolated value
     * @param gci the grid convergence index of the finest grid: the band is its value +- gci
     * @param asymptotic whether the levels are in the asymptotic range
     * @param note why not, or null
     */
    public record Estimate(double observedOrder, double order, double safety,
            double extrapolated, double gci, boolean asymptotic, String note) {
        /** Which rule gave the band, in one line. */
        public String rule() {
            String p = Double.isNaN(observedOrder)
                    ? "order " + fmt(order) + " assumed"
                    : order == observedOrder ? "observed order " + fmt(order)
                    : "order " + fmt(order) + " (observed " + fmt(observedOrder) + ", "
                            + (observedOrder > order ? "above the formal order"
                                    : "below " + fmt(MIN_ORDER)) + ")";
            return p + ", safety factor " + fmt(safety) + (asymptotic ? ": asymptotic levels"
                    : Double.isNaN(observedOrder) && safety == SAFETY_TWO_GRIDS ? ""
                    : ": levels not asymptotic");
        }
    }

    /**
     * The estimate of the three-grid method from the three finest of three or more levels; the
     * further levels check that the increments shrink by a consistent ratio.
     *
     * @param h grid spacings, finest first, growing
     * @param f the coefficient on each grid, in the same order
     */
    public static Estimate ladder(double[] h, double[] f) {
        if (h.length < 3 || f.length != h.length) {
            throw new IllegalArgumentException("a ladder estimate needs three or more spacings"
                    + " and as many values, got " + h.length + " and " + f.length);
        }
        for (int k = 0; k < h.length; k++) {
            if (!(h[k] > 0) || k > 0 && !(h[k] > h[k - 1])) {
                throw new IllegalArgumentException("spacings must grow from the finest grid,"
                        + " got h[" + k + "] = " + h[k]);
            }
        }
        double e21 = f[1] - f[0];
        double e32 = f[2] - f[1];
        double r21 = h[1] / h[0];
        if (e21 == 0 || e32 == 0) {
            // Equal values on two levels: nothing to extrapolate from.
            double gci = SAFETY_DOUBTFUL * Math.max(Math.abs(e21), Math.abs(e32))
                    / (Math.pow(r21, FORMAL_ORDER) - 1);
            return new Estimate(Double.NaN, FORMAL_ORDER, SAFETY_DOUBTFUL, f[0], gci, false,
                    "two levels give the same value: the order cannot be observed");
        }
        List<String> notes = new ArrayList<>();
        double p = triple(h, f, 0, notes);
        for (int k = 1; k + 2 < h.length && notes.isEmpty(); k++) {
            List<String> further = new ArrayList<>();
            double pk = triple(h, f, k, further);
            if (!further.isEmpty()) {
                notes.add("levels " + (k + 1) + " to " + (k + 3) + ": " + further.get(0));
            } else if (Math.abs(pk - p) > ORDER_TOLERANCE) {
                notes.add("the increments do not shrink by a consistent ratio (order " + fmt(p)
                        + " from levels 1 to 3, " + fmt(pk) + " from levels " + (k + 1) + " to "
                        + (k + 3) + ")");
            }
        }
        boolean asymptotic = notes.isEmpty();
        double order = Math.max(MIN_ORDER, Math.min(FORMAL_ORDER, p));
        double safety = asymptotic ? SAFETY_ASYMPTOTIC : SAFETY_DOUBTFUL;
        double rp = Math.pow(r21, order);
        return new Estimate(p, order, safety, f[0] + (f[0] - f[1]) / (rp - 1),
                safety * Math.abs(e21) / (rp - 1), asymptotic,
                asymptotic ? null : String.join("; ", notes) + ": not in the asymptotic range");
    }

    /** The three-grid estimate (see {@link #ladder}). */
    public static Estimate threeGrids(double[] h, double[] f) {
        if (h.length != 3 || f.length != 3) {
            throw new IllegalArgumentException("a three-grid estimate needs three spacings and"
                    + " three values, got " + h.length + " and " + f.length);
        }
        return ladder(h, f);
    }

    /**
     * The observed order of levels k, k+1, k+2, and in notes why they are not asymptotic.
     */
    private static double triple(double[] h, double[] f, int k, List<String> notes) {
        double r21 = h[k + 1] / h[k];
        double r32 = h[k + 2] / h[k + 1];
        double e21 = f[k + 1] - f[k];
        double e32 = f[k + 2] - f[k + 1];
        double ratio = e32 / e21;
        double s = Math.signum(ratio);
        double p = Math.log(Math.abs(ratio)) / Math.log(r21);
        // Fixed-point iteration for unequal ratios; a constant ratio needs none.
        if (Math.abs(r21 - r32) > 1e-12 * r21) {
            for (int it = 0; it < 100; it++) {
                double q = Math.log((Math.pow(r21, p) - s) / (Math.pow(r32, p) - s));
                double next = Math.abs(Math.log(Math.abs(ratio)) + q) / Math.log(r21);
                if (!Double.isFinite(next)) {
                    break;
                }
                boolean done = Math.abs(next - p) < 1e-12;
                p = next;
                if (done) {
                    break;
                }
            }
        }
        if (!(s > 0)) {
            notes.add("the values oscillate between the levels");
        } else if (Math.abs(ratio) <= Math.log(r32) / Math.log(r21)) {
            // Below this ratio (its limit for an order tending to 0) the levels move apart; the
            // order formula's absolute value would still report a plausible order.
            notes.add("the differences between the levels grow towards the finest");
        } else if (!(p >= MIN_ORDER && p <= FORMAL_ORDER + ORDER_TOLERANCE)) {
            notes.add(String.format(Locale.ROOT, "observed order %.2f is outside %.1f to %.1f"
                    + " (the scheme's formal order is %s)", p, MIN_ORDER,
                    FORMAL_ORDER + ORDER_TOLERANCE, fmt(FORMAL_ORDER)));
        }
        return p;
    }

    /**
     * The two-grid estimate with an assumed order and the safety factor {@link
     * #SAFETY_TWO_GRIDS}.
     *
     * @param hFine spacing of the finer grid
     * @param hCoarse spacing of the coarser grid (larger)
     * @param fFine the coefficient on the finer grid
     * @param fCoarse the coefficient on the coarser grid
     * @param assumedOrder the order assumed for the scheme
     */
    public static Estimate twoGrids(double hFine, double hCoarse, double fFine, double fCoarse,
            double assumedOrder) {
        if (!(hFine > 0 && hCoarse > hFine)) {
            throw new IllegalArgumentException("the coarser spacing must exceed the finer: "
                    + hFine + ", " + hCoarse);
        }
        double rp = Math.pow(hCoarse / hFine, assumedOrder);
        double extrapolated = fFine + (fFine - fCoarse) / (rp - 1);
        double gci = SAFETY_TWO_GRIDS * Math.abs(fFine - fCoarse) / (rp - 1);
        return new Estimate(Double.NaN, assumedOrder, SAFETY_TWO_GRIDS, extrapolated, gci, false,
                "two grids: order assumed, not observed");
    }

    private static String fmt(double v) {
        return v == Math.rint(v) && Math.abs(v) < 1e6 ? Long.toString((long) v)
                : String.format(Locale.ROOT, "%.2f", v);
    }
}
