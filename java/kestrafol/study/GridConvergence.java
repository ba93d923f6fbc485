package kestrafol.study;

import java.util.ArrayList;
import java.util.List;

/**
 * Discretisation error of one coefficient from its values on a ladder of grids: the observed
 * order of convergence, the Richardson-extrapolated value and the grid convergence index (GCI)
 * of the finest grid.
 *
 * <p>Three grids, fine to coarse with spacings h1 < h2 < h3 and values f1, f2, f3: with
 * e21 = f2 - f1, e32 = f3 - f2, r21 = h2/h1 and r32 = h3/h2, the observed order p solves
 * p = |ln|e32/e21| + q(p)| / ln r21 with q(p) = ln((r21^p - s)/(r32^p - s)), s = sign(e32/e21)
 * (q = 0 for a constant ratio, where p = ln|e32/e21| / ln r directly). The extrapolated value is
 * f1 + (f1 - f2)/(r21^p - 1) and the GCI of the finest grid Fs |f1 - f2| / (r21^p - 1) with the
 * safety factor Fs = 1.25. The GCI is given as an absolute band, not relative to f1, because
 * some coefficients (the spurious drag of an inviscid flow) converge towards zero.
 *
 * <p>The levels are in the asymptotic range only when the differences keep their sign (s > 0,
 * else the values oscillate), shrink towards the finest grid (|e32/e21| above ln r32 / ln r21,
 * its limit for an order tending to 0) and the observed
 * order lies within 0.5 to 4; otherwise the
 * estimate is still computed but flagged with the reason, because p and the GCI then mean
 * little.
 *
 * <p>Two grids only (the error estimate of a single run): the order cannot be observed, so an
 * assumed order is used with the safety factor 3.
 */
public final class GridConvergence {
    /** Safety factor of a three-grid estimate with an observed order. */
    public static final double SAFETY_THREE_GRIDS = 1.25;
    /** Safety factor of a two-grid estimate with an assumed order. */
    public static final double SAFETY_TWO_GRIDS = 3.0;
    /** Observed orders outside this range mean the grids are not in the asymptotic range. */
    public static final double MIN_ORDER = 0.5;
    /** See {@link #MIN_ORDER}. */
    public static final double MAX_ORDER = 4.0;

    private GridConvergence() {}

    /**
     * The estimate for one coefficient.
     *
     * @param order observed (three grids) or assumed (two grids) order of convergence
     * @param extrapolated the Richardson-extrapolated value
     * @param gci the grid convergence index of the finest grid, an absolute error band
     * @param asymptotic whether the levels look asymptotic
     * @param note why not, or null
     */
    public record Estimate(double order, double extrapolated, double gci, boolean asymptotic,
            String note) {}

    /**
     * The three-grid estimate.
     *
     * @param h grid spacings, finest first (h[0] < h[1] < h[2])
     * @param f the coefficient on each grid, in the same order
     */
    public static Estimate threeGrids(double[] h, double[] f) {
        if (h.length != 3 || f.length != 3) {
            throw new IllegalArgumentException("a three-grid estimate needs three spacings and"
                    + " three values, got " + h.length + " and " + f.length);
        }
        if (!(h[0] > 0 && h[1] > h[0] && h[2] > h[1])) {
            throw new IllegalArgumentException("spacings must grow from the finest grid: "
                    + h[0] + ", " + h[1] + ", " + h[2]);
        }
        double r21 = h[1] / h[0];
        double r32 = h[2] / h[1];
        double e21 = f[1] - f[0];
        double e32 = f[2] - f[1];
        List<String> notes = new ArrayList<>();
        if (e21 == 0 || e32 == 0) {
            // Equal values on two grids: nothing to extrapolate from.
            double gci = SAFETY_THREE_GRIDS * Math.abs(e21);
            return new Estimate(Double.NaN, f[0], gci, false,
                    "two levels give the same value: the order cannot be observed");
        }
        double ratio = e32 / e21;
        double s = Math.signum(ratio);
        double p = Math.log(Math.abs(ratio)) / Math.log(r21);
        // Fixed-point iteration for unequal ratios; a constant ratio needs none.
        if (Math.abs(r21 - r32) > 1e-12 * r21) {
            for (int k = 0; k < 100; k++) {
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
        if (s < 0) {
            notes.add("the values oscillate between the levels");
        } else if (Math.abs(ratio) <= Math.log(r32) / Math.log(r21)) {
            // Below this ratio (its limit for an order tending to 0) the levels move apart; the
            // order formula's absolute value would still report a plausible order.
            notes.add("the differences between the levels grow towards the finest");
        }
        if (!(p >= MIN_ORDER && p <= MAX_ORDER)) {
            notes.add(String.format(java.util.Locale.ROOT,
                    "observed order %.2f is outside %.1f to %.1f", p, MIN_ORDER, MAX_ORDER));
        }
        double rp = Math.pow(r21, p);
        double extrapolated = f[0] + (f[0] - f[1]) / (rp - 1);
        double gci = SAFETY_THREE_GRIDS * Math.abs(e21) / (rp - 1);
        boolean asymptotic = notes.isEmpty();
        return new Estimate(p, extrapolated, gci, asymptotic,
                asymptotic ? null : String.join("; ", notes) + ": not in the asymptotic range");
    }

    /**
     * The two-grid estimate with an assumed order.
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
        return new Estimate(assumedOrder, extrapolated, gci, false,
                "two grids: order assumed, not observed");
    }
}
