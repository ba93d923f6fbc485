package kestrafol.solver;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;

/**
 * Follows a steady run iteration by iteration and decides when it ends.
 *
 * <p>The residual is followed as log10 of its norm. Its drop is counted from the largest norm
 * among the first {@link #REFERENCE_ITERATIONS} iterations, not from the first one: the first
 * residual of a run started from the free stream can be tiny (nothing has moved yet), and a drop
 * measured from it would be meaningless.
 *
 * <p>The coefficient criterion ("settled", key {@code cauchy}) compares the means of cl, cd and
 * cm over the last {@link #WINDOWS} consecutive windows of W iterations. It holds when, for each
 * coefficient, the largest and the smallest of these window means differ by at most its
 * tolerance: eps times the coefficient's size (the mean over the windows), but not less than
 * the coefficient's own absolute floor ({@link #CL_FLOOR}, {@link #CD_FLOOR}, {@link #CM_FLOOR}).
 * The floors are physical scales, not one number for all: a lift of a thousandth of a degree's
 * worth, a twentieth of a drag count, a moment a twentieth of the error that matters. So a drag
 * of 0.002 is judged on 0.002 eps (not on 0.01 eps) and a lift that is zero up to a limit cycle
 * settles on 1e-4. Three windows rather than two: the mean of the method's second-order limit
 * cycle approaches its value in plateaus of a few hundred iterations, and two windows can sit
 * on one plateau; with three, the whole span of 2W iterations between the first and the last
 * window mean must have moved less than the tolerance, which bounds the drift per iteration by
 * tol / (2W) and so refuses a slow drift however smooth it is. Besides, the straight line
 * fitted by least squares through all 3W values must move by less than the tolerance across
 * them: a coefficient whose limit cycle is many times wider than the tolerance (a spurious drag
 * of 0.001 swinging by 0.003) has window means that wander, and three of them can agree for a
 * moment while the coefficient still moves; the fit over every value sees that. No test of the
 * swing within a window: the answer is a mean and the swing of a limit cycle says nothing
 * about it.
 *
 * <p>The answer of a settled run is the mean over all {@link #WINDOWS} windows
 * ({@link #answerIterations()} iterations). The criterion never holds while every coefficient
 * has been exactly zero all run long (nothing is integrated: no monitored wall). Whether a
 * settled run is converged also depends on the residual drop and on the flow itself: see
 * {@link ConvergenceVerdict}. A run that reaches the iteration cap is not converged:
 * {@link #capWarning} describes how far its coefficients still move.
 */
public final class ConvergenceMonitor {
    /** Iterations among which the largest residual norm is the reference of the drop. */
    public static final int REFERENCE_ITERATIONS = 20;

    /** Default relative tolerance of the window means (the run's --cauchy EPS). */
    public static final double DEFAULT_EPS = 0.002;

    /** Default window (the run's --cauchy W). */
    public static final int DEFAULT_WINDOW = 750;

    /** Consecutive windows whose means must agree. */
    public static final int WINDOWS = 3;

    /**
     * Absolute tolerance of cl: 1e-4 is the lift of about a thousandth of a degree (thin-airfoil
     * slope 2 pi per radian, 0.11 per degree), a tenth of what a zero lift may be off by.
     */
    public static final double CL_FLOOR = 1e-4;

    /**
     * Absolute tolerance of cd: a twentieth of a drag count, 0.5 % of the spurious drag (0.001)
     * of a subsonic inviscid airfoil on the default mesh. A tenth of a count let such a drag
     * stop 1 % off its long run.
     */
    public static final double CD_FLOOR = 5e-6;

    /** Absolute tolerance of cm: a twentieth of the 0.002 that matters for a moment. */
    public static final double CM_FLOOR = 1e-4;

    /** The three floors as the help text states them (annotations need a constant string). */
    public static final String FLOORS_TEXT = "1e-4 for CL and CM and 5e-6 for CD";

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
     * @param cauchyEps relative tolerance of the window means of cl, cd and cm (each with its
     *     absolute floor); 0 switches the criterion off
     * @param cauchyWindow iterations of one window ({@link #WINDOWS} of them are compared); 0
     *     switches it off
     * @param maxIterations iteration cap
     * @param startup iterations (first order) before either criterion may end the run; the
     *     windows only hold iterations after it
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

    private static final double[] FLOORS = {CL_FLOOR, CD_FLOOR, CM_FLOOR};

    private final Criteria criteria;
    /** Per iteration: iteration, residual, cl, cd, cm. */
    private final List<double[]> rows = new ArrayList<>();
    /** Running sums of cl, cd, cm: sums[k] holds the sums over rows 0..k-1. */
    private double[] sums = new double[3 * 256];
    /** Running sums of k times cl, cd, cm over rows k = 0..: for the fitted trend. */
    private double[] moments = new double[3 * 256];
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
        int n = rows.size();
        if (3 * (n + 2) > sums.length) {
            sums = Arrays.copyOf(sums, 2 * sums.length);
            moments = Arrays.copyOf(moments, sums.length);
        }
        double[] c = {cl, cd, cm};
        for (int k = 0; k < 3; k++) {
            sums[3 * (n + 1) + k] = sums[3 * n + k] + c[k];
            moments[3 * (n + 1) + k] = moments[3 * n + k] + n * c[k];
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
                && iteration - criteria.startup() >= WINDOWS * criteria.cauchyWindow()
                && settled()) {
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

    /**
     * Iterations the answer averages: {@link #WINDOWS} windows for a run that settled, the last
     * iteration otherwise.
     */
    public int answerIterations() {
        return stop == Stop.CAUCHY ? WINDOWS * criteria.cauchyWindow() : 1;
    }

    /**
     * The answer: mean of cl, cd, cm over the last {@link #answerIterations()} iterations, or
     * null before the first iteration.
     */
    public double[] answer() {
        int n = rows.size();
        if (n == 0) {
            return null;
        }
        int w = Math.min(n, answerIterations());
        return new double[] {mean(0, n - w, n), mean(1, n - w, n), mean(2, n - w, n)};
    }

    private boolean settled() {
        if (!anyNonZero) {
            return false;
        }
        int w = criteria.cauchyWindow();
        int n = rows.size();
        for (int c = 0; c < 3; c++) {
            double lo = Double.MAX_VALUE;
            double hi = -Double.MAX_VALUE;
            for (int k = 1; k <= WINDOWS; k++) {
                double m = mean(c, n - k * w, n - (k - 1) * w);
                lo = Math.min(lo, m);
                hi = Math.max(hi, m);
            }
            double size = Math.abs(mean(c, n - WINDOWS * w, n));
            double tolerance = Math.max(criteria.cauchyEps() * size, FLOORS[c]);
            if (hi - lo > tolerance
                    || Math.abs(trend(c, n - WINDOWS * w, n)) * (WINDOWS * w) > tolerance) {
                return false;
            }
        }
        return true;
    }

    /**
     * Slope per iteration of the least-squares line through coefficient c over rows from
     * (inclusive) to to (exclusive).
     */
    private double trend(int c, int from, int to) {
        double count = to - from;
        double sum = sums[3 * to + c] - sums[3 * from + c];
        double moment = moments[3 * to + c] - moments[3 * from + c];
        double centre = 0.5 * (from + to - 1);
        return (moment - centre * sum) / (count * (count * count - 1) / 12);
    }

    /** Mean of coefficient c (0 cl, 1 cd, 2 cm) over rows from (inclusive) to to (exclusive). */
    private double mean(int c, int from, int to) {
        return (sums[3 * to + c] - sums[3 * from + c]) / (to - from);
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
