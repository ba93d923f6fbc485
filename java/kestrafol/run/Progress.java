package kestrafol.run;

import java.io.PrintStream;
import java.util.Locale;
import kestrafol.solver.Analysis;

/**
 * Progress output of a run: a header, a line every few iterations, and on a terminal a live bar
 * with the time left, redrawn in place below the lines.
 */
final class Progress {
    private static final int BAR_WIDTH = 30;

    private final PrintStream out;
    private final boolean terminal;
    private boolean barShown;
    private long lastBarNanos;
    private int lastLineIteration;
    private double lastLineSeconds;

    Progress(PrintStream out, boolean terminal) {
        this.out = out;
        this.terminal = terminal;
    }

    /** Prints the column header; rates of the first line count from the given time. */
    void header(double seconds) {
        restart(seconds);
        out.println(String.format(Locale.ROOT, "%7s %12s %7s %12s %12s %8s", "iter", "residual",
                "orders", "CL", "CD", "it/s"));
    }

    /** Rates of the next line count from iteration 0 at the given time (a new loop). */
    void restart(double seconds) {
        lastLineIteration = 0;
        lastLineSeconds = seconds;
    }

    /** A progress line. */
    void line(int iteration, double residual, double orders, double cl, double cd,
            double seconds) {
        clearBar();
        double rate = (iteration - lastLineIteration) / Math.max(1e-9, seconds - lastLineSeconds);
        lastLineIteration = iteration;
        lastLineSeconds = seconds;
        out.println(String.format(Locale.ROOT, "%7d %12.4e %7.2f %12.7f %12.7f %8.1f", iteration,
                residual, orders, cl, cd, rate));
    }

    /** A message between the lines (for example the switch to second order). */
    void message(String text) {
        clearBar();
        out.println(text);
    }

    /**
     * Redraws the bar (at most five times a second).
     *
     * @param fraction estimated fraction of the run done, 0 to 1
     */
    void bar(int iteration, int maxIterations, double fraction, double seconds) {
        if (!terminal) {
            return;
        }
        long now = System.nanoTime();
        if (barShown && now - lastBarNanos < 200_000_000L) {
            return;
        }
        lastBarNanos = now;
        fraction = Math.max(0, Math.min(1, fraction));
        int filled = (int) Math.round(fraction * BAR_WIDTH);
        String left = fraction > 0.005 ? time(seconds * (1 - fraction) / fraction) : "--:--";
        out.print("\r[" + "#".repeat(filled) + ".".repeat(BAR_WIDTH - filled) + "] "
                + String.format(Locale.ROOT, "%3.0f%%  iteration %d/%d  elapsed %s  left %s ",
                        100 * fraction, iteration, maxIterations, time(seconds), left)
                + "\033[K");
        out.flush();
        barShown = true;
    }

    /** Removes the bar so that normal lines can follow. */
    void clearBar() {
        if (barShown) {
            out.print("\r\033[K");
            out.flush();
            barShown = false;
        }
    }

    static String time(double seconds) {
        long s = Math.round(seconds);
        return s >= 3600 ? String.format(Locale.ROOT, "%d:%02d:%02d", s / 3600, s / 60 % 60, s % 60)
                : String.format(Locale.ROOT, "%d:%02d", s / 60, s % 60);
    }
}
