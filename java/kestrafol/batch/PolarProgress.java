package kestrafol.batch;

import java.io.PrintStream;
import java.util.LinkedHashSet;
import java.util.Locale;
import java.util.Set;
import kestrafol.base.Numbers;
import kestrafol.run.CaseResult;
import kestrafol.run.ErrorBars;
import kestrafol.polar.PolarCase;
import kestrafol.polar.PolarRow;

/**
 * Progress of a whole polar: one line per finished case, and on a terminal a status line below
 * them, redrawn in place: cases done, which are running, elapsed time and time left. Elsewhere
 * each line ends with the time left.
 */
public final class PolarProgress implements WorkerPool.Listener {
    private static final int BAR_WIDTH = 24;

    private final PrintStream out;
    private final boolean terminal;
    private final int total;
    private final int workers;
    private final long startNanos = System.nanoTime();
    private final Set<PolarCase> running = new LinkedHashSet<>();
    private int done;
    private int failed;
    private double caseSeconds;
    private boolean barShown;

    /**
     * @param total number of cases
     * @param workers cases that run at the same time (for the estimate of the time left)
     */
    public PolarProgress(PrintStream out, boolean terminal, int total, int workers) {
        this.out = out;
        this.terminal = terminal;
        this.total = total;
        this.workers = Math.max(1, workers);
    }

    @Override
    public synchronized void started(PolarCase c) {
        running.add(c);
        bar();
    }

    @Override
    public synchronized void finished(PolarRow r) {
        running.remove(r.polarCase());
        done++;
        caseSeconds += r.result().seconds();
        clearBar();
        // Without the status line (a log, a Slurm task), each line says the time left.
        double left = secondsLeft();
        out.println(line(r, done, total) + (terminal || done == total ? ""
                : ", about " + time(left) + " left"));
        if (!r.result().answered()) {
            failed++;
        }
        bar();
    }

    /** Estimated seconds left: mean case time so far, times the cases left, over the workers. */
    public synchronized double secondsLeft() {
        if (done == 0) {
            return Double.NaN;
        }
        int left = total - done;
        return caseSeconds / done * left / Math.min(workers, Math.max(1, left));
    }

    /** Number of cases that gave no coefficients (diverged or failed). */
    public synchronized int failed() {
        return failed;
    }

    /** "[ 3/18] Mach 0.5, alpha 2: CL 0.2345 CD 0.01234, cauchy after 2,312 iterations, ..." */
    static String line(PolarRow r, int done, int total) {
        int width = Integer.toString(total).length();
        String head = String.format(Locale.ROOT, "[%" + width + "d/%d] %s: ", done, total,
                r.polarCase().label());
        CaseResult x = r.result();
        if (!x.answered()) {
            return head + x.stop().key() + (x.iterations() > 0 ? " at iteration "
                    + x.iterations() + " iterations" : "")
                    + (x.message().isEmpty() ? "" : ": " + x.message());
        }
        ErrorBars b = x.bars();
        String coefficients = b == null ? String.format(Locale.ROOT, "CL %.5f CD %.6f", x.cl(),
                x.cd()) : "CL " + Numbers.withBand(x.cl(), b.clError()) + " CD "
                + Numbers.withBand(x.cd(), b.cdError()) + " CM " + Numbers.withBand(x.cm(),
                        b.cmError()) + (b.asymptotic() ? "" : " (bars not asymptotic)");
        return head + String.format(Locale.ROOT,
                "%s%s, stopped by %s at iteration %d, residual down %.2f orders, %.1f s",
                x.converged() ? "" : "NOT CONVERGED, ", coefficients, x.stop().key(),
                x.iterations(), x.residualDrop(), x.seconds());
    }

    /** Redraws the status line (terminal only). */
    public synchronized void bar() {
        if (!terminal) {
            return;
        }
        double elapsed = (System.nanoTime() - startNanos) * 1e-9;
        int filled = (int) Math.round((double) done / Math.max(1, total) * BAR_WIDTH);
        StringBuilder names = new StringBuilder();
        for (PolarCase c : running) {
            names.append(names.length() == 0 ? " (" : "; ").append(c.label());
        }
        if (names.length() > 0) {
            names.append(')');
        }
        double left = secondsLeft();
        out.print("\r[" + "#".repeat(filled) + ".".repeat(BAR_WIDTH - filled) + "] "
                + String.format(Locale.ROOT, "%d/%d done, %d running%s, elapsed %s, left %s",
                        done, total, running.size(), names, time(elapsed),
                        Double.isNaN(left) ? "--:--" : time(left)) + "\033[K");
        out.flush();
        barShown = true;
    }

    /** Removes the status line so that normal lines can follow. */
    public synchronized void clearBar() {
        if (barShown) {
            out.print("\r\033[K");
            out.flush();
            barShown = false;
        }
    }

    /** h:mm:ss or m:ss. */
    public static String time(double seconds) {
        long s = Math.round(seconds);
        return s >= 3600 ? String.format(Locale.ROOT, "%d:%02d:%02d", s / 3600, s / 60 % 60, s % 60)
                : String.format(Locale.ROOT, "%d:%02d", s / 60, s % 60);
    }
}
