package kestrafol.solver;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.NoSuchFileException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import kestrafol.solver.ConvergenceMonitor.Criteria;
import kestrafol.solver.ConvergenceMonitor.Stop;

/**
 * Replays recorded histories (history.csv of long runs) through the stopping rules offline and
 * tells, per file, where each rule would have stopped and how far its answer lies from the long
 * run's final value: the mean of the last {@code --tail} iterations of the file.
 *
 * <p>Two rules are replayed: the former one ("old": means of cl and cd over two windows of 500
 * within 0.005 relative, values below 0.01 counting as 0.01, swing within a window below 10
 * times that; the answer the mean of the last window) and the current {@link ConvergenceMonitor}
 * ("new", {@code --settle EPS/W}, default the run's default). An answer is within the targets
 * when cl is within 0.1 % of the reference (0.001 absolute when the reference is below 0.01 in
 * size), cd within 0.5 % and cm within 0.002. A rule that did not fire within the file counts
 * as "not converged", which is an honest answer, not an error; so does a new-rule stop whose
 * residual dropped less than {@link ConvergenceVerdict#MIN_RESIDUAL_DROP} (the verdict refuses
 * it; nodes at the floor, the verdict's other test, are not in a history).
 *
 * <p>Usage: {@code java -cp kestrafol.jar kestrafol.solver.ConvergenceReplay [--settle EPS/W]
 * [--tail N] [--markdown] history.csv...}
 */
public final class ConvergenceReplay {
    /** Relative tolerance of cl and cd against the reference. */
    static final double CL_TARGET = 1e-3;
    static final double CL_ABSOLUTE_BELOW = 0.01;
    static final double CD_TARGET = 5e-3;
    static final double CM_TARGET = 2e-3;
    /** Default iterations at the end of a history whose mean is the reference. */
    static final int DEFAULT_TAIL = 5000;

    private ConvergenceReplay() {}

    /** One history: iteration numbers and residual, cl, cd, cm per row. */
    record Recorded(String name, double[] residual, double[] cl, double[] cd, double[] cm) {
        int size() {
            return cl.length;
        }

        double mean(double[] column, int from, int to) {
            double s = 0;
            for (int k = from; k < to; k++) {
                s += column[k];
            }
            return s / (to - from);
        }
    }

    /**
     * Where a rule stopped on a history: the iteration (0 when it did not fire), the answer
     * (cl, cd, cm) and the residual drop at the stop.
     */
    record Outcome(int iteration, double[] answer, double residualDrop) {
        boolean fired() {
            return iteration > 0;
        }
    }

    /**
     * Reads a history.csv ({@link History#read}) whose iterations start at 1
     * without gaps.
     */
    static Recorded read(Path file) throws IOException {
        History recorded = History.read(file);
        int n = recorded.size();
        double[][] c = new double[4][n];
        for (int k = 0; k < n; k++) {
            if (recorded.iteration(k) != k + 1) {
                throw new IOException(file + ": iteration " + recorded.iteration(k)
                        + ", expected " + (k + 1) + " (histories must start at 1, no gaps)");
            }
            c[0][k] = recorded.residual(k);
            c[1][k] = recorded.lift(k);
            c[2][k] = recorded.drag(k);
            c[3][k] = recorded.moment(k);
        }
        Path parent = file.toAbsolutePath().getParent();
        String name = parent != null && parent.getFileName() != null
                ? parent.getFileName().toString() : file.toString();
        return new Recorded(name, c[0], c[1], c[2], c[3]);
    }

    /** The current rule on a history: replays it through a monitor without an iteration cap. */
    static Outcome replayNew(Recorded h, double eps, int window) {
        ConvergenceMonitor m = new ConvergenceMonitor(
                new Criteria(99, eps, window, Integer.MAX_VALUE, 0));
        for (int k = 0; k < h.size(); k++) {
            Stop s = m.add(k + 1, h.residual()[k], h.cl()[k], h.cd()[k], h.cm()[k]);
            if (s == Stop.CAUCHY) {
                return new Outcome(k + 1, m.answer(), m.residualDrop());
            }
            if (s != null) {
                break;
            }
        }
        return new Outcome(0, null, m.residualDrop());
    }

    /** The former rule: two windows of 500, eps 0.005 with a floor of 0.01, swing below 10 eps. */
    static Outcome replayOld(Recorded h) {
        final int w = 500;
        final double eps = 0.005;
        double[][] cols = {h.cl(), h.cd()};
        for (int n = 2 * w; n <= h.size(); n++) {
            boolean settled = false;
            for (int k = 0; k < n && !settled; k++) {
                settled = h.cl()[k] != 0 || h.cd()[k] != 0 || h.cm()[k] != 0;
            }
            for (double[] c : cols) {
                double scale = Math.max(Math.abs(c[n - 1]), 0.01);
                double lo = Double.MAX_VALUE;
                double hi = -Double.MAX_VALUE;
                for (int k = n - w; k < n; k++) {
                    lo = Math.min(lo, c[k]);
                    hi = Math.max(hi, c[k]);
                }
                if (Math.abs(h.mean(c, n - w, n) - h.mean(c, n - 2 * w, n - w)) > eps * scale
                        || hi - lo > 10 * eps * scale) {
                    settled = false;
                }
            }
            if (settled) {
                double[] answer = {h.mean(h.cl(), n - w, n), h.mean(h.cd(), n - w, n),
                    h.mean(h.cm(), n - w, n)};
                return new Outcome(n, answer, drop(h, n));
            }
        }
        return new Outcome(0, null, drop(h, h.size()));
    }

    /** Residual drop after n iterations, counted as the monitor counts it. */
    static double drop(Recorded h, int n) {
        double reference = 0;
        for (int k = 0; k < Math.min(n, ConvergenceMonitor.REFERENCE_ITERATIONS); k++) {
            reference = Math.max(reference, h.residual()[k]);
        }
        return Math.log10(reference) - Math.log10(h.residual()[n - 1]);
    }

    /** Errors of an answer against the reference: cl (relative or absolute), cd relative, cm. */
    static double[] errors(double[] answer, double[] reference) {
        double cl = Math.abs(reference[0]) < CL_ABSOLUTE_BELOW ? answer[0] - reference[0]
                : (answer[0] - reference[0]) / Math.abs(reference[0]);
        return new double[] {cl, (answer[1] - reference[1]) / Math.abs(reference[1]),
            answer[2] - reference[2]};
    }

    /** True when the errors lie within the targets. */
    static boolean withinTargets(double[] errors, double[] reference) {
        double clTarget = Math.abs(reference[0]) < CL_ABSOLUTE_BELOW ? 1e-3 : CL_TARGET;
        return Math.abs(errors[0]) <= clTarget && Math.abs(errors[1]) <= CD_TARGET
                && Math.abs(errors[2]) <= CM_TARGET;
    }

    /** Iterations before a stop over which {@link #cdDrift} fits its line. */
    static final int DRIFT_SPAN = 3000;

    /**
     * Trend of cd before iteration n: the slope of the least-squares line through the last
     * {@link #DRIFT_SPAN} values, per 1,000 iterations, relative to their mean (a fit rather
     * than two block means, so that a limit cycle adds little); NaN before that many iterations.
     */
    static double cdDrift(Recorded h, int n) {
        if (n < DRIFT_SPAN) {
            return Double.NaN;
        }
        double xMean = (DRIFT_SPAN - 1) / 2.0;
        double yMean = h.mean(h.cd(), n - DRIFT_SPAN, n);
        double sxy = 0;
        double sxx = 0;
        for (int k = 0; k < DRIFT_SPAN; k++) {
            double x = k - xMean;
            sxy += x * (h.cd()[n - DRIFT_SPAN + k] - yMean);
            sxx += x * x;
        }
        return 1000 * sxy / sxx / Math.abs(yMean);
    }

    public static void main(String[] args) {
        System.exit(run(args, System.out, System.err));
    }

    /** The command: returns the exit status (0 done, 1 unreadable file, 2 bad options). */
    static int run(String[] args, PrintStream out, PrintStream err) {
        double eps = ConvergenceMonitor.DEFAULT_EPS;
        int window = ConvergenceMonitor.DEFAULT_WINDOW;
        int tail = DEFAULT_TAIL;
        boolean markdown = false;
        List<Path> files = new ArrayList<>();
        try {
            for (int i = 0; i < args.length; i++) {
                switch (args[i]) {
                    case "--settle" -> {
                        String text = value(args, ++i, "--settle");
                        eps = settleEps(text);
                        window = Integer.parseInt(text.split("/")[1]);
                    }
                    case "--tail" -> tail = tail(value(args, ++i, "--tail"));
                    case "--markdown" -> markdown = true;
                    case "-h", "--help" -> {
                        out.println("usage: replay-convergence [--settle EPS/W] [--tail N]"
                                + " [--markdown] history.csv...");
                        return 0;
                    }
                    default -> {
                        if (args[i].startsWith("-")) {
                            throw new IllegalArgumentException("unknown option " + args[i]);
                        }
                        files.add(Path.of(args[i]));
                    }
                }
            }
        } catch (RuntimeException e) {
            err.println("replay: " + e.getMessage() + "; usage: replay-convergence"
                    + " [--settle EPS/W] [--tail N] [--markdown] history.csv...");
            return 2;
        }
        if (files.isEmpty()) {
            err.println("replay: no history.csv given; usage: replay-convergence [--settle EPS/W]"
                    + " [--tail N] [--markdown] history.csv...");
            return 2;
        }
        List<Recorded> histories = new ArrayList<>();
        for (Path f : files) {
            try {
                Recorded h = read(f);
                if (h.size() < 2 * tail) {
                    err.println("replay: " + f + " has " + h.size() + " iterations, fewer than"
                            + " twice the reference tail of " + tail + ": record a longer run or"
                            + " lower --tail");
                    return 1;
                }
                histories.add(h);
            } catch (NoSuchFileException e) {
                err.println("replay: " + f + ": no such file");
                return 1;
            } catch (IOException e) {
                err.println("replay: " + e.getMessage());
                return 1;
            }
        }
        report(histories, eps, window, tail, markdown, out);
        return 0;
    }

    /** EPS of --settle EPS/W, once the whole value is checked (W a whole number, at least 1). */
    private static double settleEps(String text) {
        String[] p = text.split("/");
        double eps;
        int window = 0;
        try {
            eps = Double.parseDouble(p[0]);
            window = Integer.parseInt(p[1]);
        } catch (RuntimeException e) {
            eps = 0;
        }
        if (!(eps > 0) || window < 1 || p.length != 2) {
            throw new IllegalArgumentException("--settle " + text
                    + ": expected EPS/W with EPS above 0 and W at least 1, e.g. 0.002/750");
        }
        return eps;
    }

    private static int tail(String text) {
        int tail;
        try {
            tail = Integer.parseInt(text);
        } catch (NumberFormatException e) {
            tail = 0;
        }
        if (tail < 1) {
            throw new IllegalArgumentException("--tail " + text
                    + ": expected a whole number of iterations, at least 1");
        }
        return tail;
    }

    private static String value(String[] args, int i, String option) {
        if (i >= args.length) {
            throw new IllegalArgumentException(option + " needs a value");
        }
        return args[i];
    }

    static void report(List<Recorded> histories, double eps, int window, int tail,
            boolean markdown, PrintStream out) {
        String sep = markdown ? " | " : "  ";
        out.println(String.format(Locale.ROOT, "reference: mean of the last %d iterations;"
                + " new rule %s/%d (%d windows); errors: cl relative (absolute when |cl| < 0.01),"
                + " cd relative, cm absolute; targets 0.1 %% (0.001), 0.5 %%, 0.002", tail,
                trim(eps), window, ConvergenceMonitor.WINDOWS));
        String header = String.join(sep, "case", "iters", "cl", "cd", "cm", "old stop",
                "old err cl/cd/cm", "ok", "new stop", "drop", "cd trend/1000", "new err cl/cd/cm",
                "ok");
        out.println(markdown ? "| " + header + " |" : header);
        if (markdown) {
            out.println("|---|---:|---:|---:|---:|---:|---|---|---:|---:|---:|---|---|");
        }
        long oldSum = 0;
        long newOnOld = 0;
        long newSum = 0;
        long oldBoth = 0;
        long newBoth = 0;
        int oldOk = 0;
        int newOk = 0;
        for (Recorded h : histories) {
            int n = h.size();
            double[] ref = {h.mean(h.cl(), n - tail, n), h.mean(h.cd(), n - tail, n),
                h.mean(h.cm(), n - tail, n)};
            Outcome o = replayOld(h);
            Outcome v = replayNew(h, eps, window);
            boolean ok1 = !o.fired() || withinTargets(errors(o.answer(), ref), ref);
            // A settled run whose residual barely dropped is reported not converged.
            boolean refused = v.fired()
                    && !(v.residualDrop() >= ConvergenceVerdict.MIN_RESIDUAL_DROP);
            boolean ok2 = !v.fired() || refused || withinTargets(errors(v.answer(), ref), ref);
            oldOk += ok1 ? 1 : 0;
            newOk += ok2 ? 1 : 0;
            if (o.fired()) {
                oldSum += o.iteration();
                newOnOld += v.fired() ? v.iteration() : n;
            }
            if (o.fired() && v.fired()) {
                oldBoth += o.iteration();
                newBoth += v.iteration();
            }
            newSum += v.fired() ? v.iteration() : n;
            String row = String.join(sep, h.name(), Integer.toString(n),
                    String.format(Locale.ROOT, "%.5f", ref[0]),
                    String.format(Locale.ROOT, "%.6f", ref[1]),
                    String.format(Locale.ROOT, "%.5f", ref[2]),
                    o.fired() ? Integer.toString(o.iteration()) : "-", errorText(o, ref),
                    ok1 ? "yes" : "NO",
                    v.fired() ? Integer.toString(v.iteration()) : "-",
                    String.format(Locale.ROOT, "%.2f", v.residualDrop()),
                    v.fired() && v.iteration() >= DRIFT_SPAN ? String.format(Locale.ROOT,
                            "%+.2f %%", 100 * cdDrift(h, v.iteration())) : "-",
                    errorText(v, ref) + (refused ? " (not converged: drop)" : ""),
                    ok2 ? "yes" : "NO");
            out.println(markdown ? "| " + row + " |" : row);
        }
        out.println(String.format(Locale.ROOT, "within targets (or not converged): old %d of %d,"
                + " new %d of %d", oldOk, histories.size(), newOk, histories.size()));
        out.println(String.format(Locale.ROOT, "iterations on the cases both rules stop: old %d,"
                + " new %d (%.2fx); on the cases the old rule stops: old %d, new %d (%.2fx; a case"
                + " the new rule does not stop counts its whole history); all cases, new: %d",
                oldBoth, newBoth, oldBoth > 0 ? (double) newBoth / oldBoth : Double.NaN, oldSum,
                newOnOld, oldSum > 0 ? (double) newOnOld / oldSum : Double.NaN, newSum));
    }

    private static String errorText(Outcome o, double[] ref) {
        if (!o.fired()) {
            return "not converged";
        }
        double[] e = errors(o.answer(), ref);
        String cl = Math.abs(ref[0]) < CL_ABSOLUTE_BELOW
                ? String.format(Locale.ROOT, "%+.1e", e[0])
                : String.format(Locale.ROOT, "%+.3f %%", 100 * e[0]);
        return String.format(Locale.ROOT, "%s / %+.2f %% / %+.4f", cl, 100 * e[1], e[2]);
    }

    private static String trim(double v) {
        return v == Math.rint(v) ? Long.toString((long) v) : Double.toString(v);
    }
}
