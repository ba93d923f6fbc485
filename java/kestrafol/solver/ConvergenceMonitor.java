package kestrafol.solver;

import java.util.ArrayList;
import java.util.List;
import java.util.Locale;

/**
 * Follows a steady run iteration by iteration and decides when it ends.
 *
 * <p>The residual is followed as log10 of its norm. Its drop is counted from the largest norm
 * among the first {@link #REFERENCE_ITERATIONS} iterations, not from the first one: the first
 * residual of a run started from the free stream can be tiny (nothing has moved yet), and a drop
 * measured from it would be meaningless. The coefficient criterion ("cauchy") compares windows:
 * it holds when the means of cl and of cd over the last window differ from their means over the
 * window before by at most eps (relative to the value, but not below {@link #COEFFICIENT_FLOOR}),
 * and neither swings over more than {@link #BAND_FACTOR} times that within the last window. The
 * method's second-order runs rarely settle to a fixed point: their residual stalls and the
 * coefficients keep a small limit cycle, so the mean of a window is the answer, not the last
 * value. The criterion never holds while every coefficient has been exactly zero all run long
 * (nothing is integrated: no monitored wall). A run that reaches the iteration cap is not
 * converged: {@link #capWarning} describes how far its coefficients still move.
 */
public final class ConvergenceMonitor {
    /** Iterations among which the largest residual norm is the reference of the drop. */
    public static final int REFERENCE_ITERATIONS = 20;

    /** Why a run ended. */
    public enum Stop {
        ORDERS("orders"), CAUCHY("cauchy"), ITERATIONS("iterations"), DIVERGED("diverged"),
        INTERRUPTED("interrupted");

        private final String key;

        Stop(String key) {
            this.key = key;
        }

        /** The word summary.json uses. */
        public String key() {
            return key;
        }

        /** True for the criteria that mean the answer is converged. */
        public boolean converged() {
            return this == ORDERS || this == CAUCHY;
        }
    }

    /**
     * Stopping rule.
     *
     * @param orders residual drop in orders of magnitude that ends the run
     * @param cauchyEps largest relative change of the window means of cl and cd; 0 switches it off
     * @param cauchyWindow iterations of the window; 0 switches it off
     * @param maxIterations iteration cap
     * @param startup iterations (first order) before either criterion may end the run
     */
    public record Criteria(double orders, double cauchyEps, int cauchyWindow, int maxIterations,
            int startup) {
        public Criteria {
            if (!(orders > 0) || !(cauchyEps >= 0) || cauchyWindow < 0 || maxIterations < 1
                    || startup < 0) {
                throw new IllegalArgumentException("criteria out of range: orders " + orders
                        + ", cauchy " + cauchyEps + "/" + cauchyWindow + ", iterations "
                        + maxIterations + ", startup " + startup);
            }
        }

        boolean cauchyOn() {
            return cauchyEps > 0 && cauchyWindow > 0;
        }
    }

    /**
     * Coefficients near zero are compared with this floor instead of their own size, so that a
     * symmetric lift (zero up to rounding) can settle.
     */
    public static final double COEFFICIENT_FLOOR = 0.01;

    /** The swing within the last window may be this many times eps, no more. */
    public static final double BAND_FACTOR = 10;

    private final Criteria criteria;
    private final List<double[]> rows = new ArrayList<>();
    private double reference;
    private boolean anyNonZero;
    private Stop stop;

    public ConvergenceMonitor(Criteria criteria) {
        this.criteria = criteria;
    }

    /**
     * Records one iteration; returns why the run ends now, or null to go on.
     *
     * @param iteration number of the iteration, from 1
     * @param residual residual norm the library reports
     * @param cl lift, drag and moment coefficients after the iteration
     */
    public Stop add(int iteration, double residual, double cl, double cd, double cm) {
        if (stop != null) {
            throw new IllegalStateException("the run already ended: " + stop.key());
        }
        rows.add(new double[] {iteration, residual, cl, cd, cm});
        if (iteration <= REFERENCE_ITERATIONS && residual > reference) {
            reference = residual;
        }
        anyNonZero |= cl != 0 || cd != 0 || cm != 0;
        if (!Double.isFinite(residual) || !Double.isFinite(cl) || !Double.isFinite(cd)
                || !Double.isFinite(cm)) {
            stop = Stop.DIVERGED;
        } else if (iteration > criteria.startup() && residualDrop() >= criteria.orders()) {
            stop = Stop.ORDERS;
        } else if (criteria.cauchyOn()
                && iteration - criteria.startup() >= 2 * criteria.cauchyWindow() && settled()) {
            stop = Stop.CAUCHY;
        } else if (iteration >= criteria.maxIterations()) {
            stop = Stop.ITERATIONS;
        }
        return stop;
    }

    /** Marks the run as interrupted (a signal) after the last recorded iteration. */
    public void interrupt() {
        if (stop == null) {
            stop = Stop.INTERRUPTED;
        }
    }

    /** Why the run ended, or null while it goes on. */
    public Stop stop() {
        return stop;
    }

    /** True when the run ended on a convergence criterion. */
    public boolean converged() {
        return stop != null && stop.converged();
    }

    /** log10 of the last residual norm. */
    public double log10Residual() {
        return rows.isEmpty() ? Double.NaN : Math.log10(rows.get(rows.size() - 1)[1]);
    }

    /** Orders of magnitude the residual norm dropped below the reference. */
    public double residualDrop() {
        return rows.isEmpty() ? Double.NaN
                : Math.log10(reference) - Math.log10(rows.get(rows.size() - 1)[1]);
    }

    /** Iterations recorded. */
    public int iterations() {
        return rows.size();
    }

    private boolean settled() {
        if (!anyNonZero) {
            return false;
        }
        double eps = criteria.cauchyEps();
        for (int column = 2; column <= 3; column++) {
            double scale = Math.max(Math.abs(rows.get(rows.size() - 1)[column]),
                    COEFFICIENT_FLOOR);
            if (Math.abs(windowMean(column, 0) - windowMean(column, 1)) > eps * scale
                    || band(column) > BAND_FACTOR * eps * scale) {
                return false;
            }
        }
        return true;
    }

    /** Mean of a column over the last window (back 0) or the window before it (back 1). */
    private double windowMean(int column, int back) {
        int w = criteria.cauchyWindow();
        int to = rows.size() - back * w;
        double sum = 0;
        for (int k = to - w; k < to; k++) {
            sum += rows.get(k)[column];
        }
        return sum / w;
    }

    /** max - min of a column over the last window. */
    private double band(int column) {
        double lo = Double.MAX_VALUE;
        double hi = -Double.MAX_VALUE;
        for (int k = Math.max(0, rows.size() - window()); k < rows.size(); k++) {
            lo = Math.min(lo, rows.get(k)[column]);
            hi = Math.max(hi, rows.get(k)[column]);
        }
        return hi - lo;
    }

    private int window() {
        return criteria.cauchyWindow() > 0 ? criteria.cauchyWindow()
                : Math.max(10, rows.size() / 10);
    }

    /**
     * For a run that did not converge (cap, interruption): how much cl and cd still move over the
     * last window: their range and their drift (last minus first value of the window). Null for
     * a converged or still running monitor.
     */
    public String capWarning() {
        if (stop == null || stop.converged() || stop == Stop.DIVERGED || rows.isEmpty()) {
            return null;
        }
        int n = rows.size();
        int from = Math.max(0, n - 1 - window());
        String what = stop == Stop.ITERATIONS
                ? "not converged: reached the cap of " + criteria.maxIterations()
                        + " iterations before the residual or the coefficients settled"
                : "not converged: interrupted at iteration " + (long) rows.get(n - 1)[0];
        return String.format(Locale.ROOT, "%s; over iterations %d-%d cl ranged %.6g to %.6g"
                + " (drift %+.3g) and cd %.6g to %.6g (drift %+.3g): the last values are not"
                + " an answer", what, (long) rows.get(from)[0], (long) rows.get(n - 1)[0],
                min(2, from), max(2, from), rows.get(n - 1)[2] - rows.get(from)[2], min(3, from),
                max(3, from), rows.get(n - 1)[3] - rows.get(from)[3]);
    }

    private double min(int column, int from) {
        double v = Double.MAX_VALUE;
        for (int k = from; k < rows.size(); k++) {
            v = Math.min(v, rows.get(k)[column]);
        }
        return v;
    }

    private double max(int column, int from) {
        double v = -Double.MAX_VALUE;
        for (int k = from; k < rows.size(); k++) {
            v = Math.max(v, rows.get(k)[column]);
        }
        return v;
    }
}
