package kestrafol.run;

import java.util.ArrayList;
import java.util.List;

/**
 * What one case gave, as its run decided it: the one record that travels from {@link Run} to
 * summary.json, polar rows, Slurm task rows, a resumed or gathered polar, study levels and every
 * report. {@code converged} is the run's {@link kestrafol.solver.ConvergenceVerdict} (a
 * criterion fired, the residual dropped enough, no node at a floor), never recomputed from the
 * stop reason. The coefficients are the mean over the window of the coefficient criterion when
 * that ended the run, the last iteration's values otherwise; NaN where the case gave none.
 *
 * @param iterations iterations run (0 for a case without an answer)
 * @param stop how the case ended
 * @param residualDrop orders of magnitude the residual norm fell
 * @param seconds wall time of the case
 * @param converged the run's verdict: an answer
 * @param warnings what the run found suspicious, one line each
 * @param runId the identity of the run that wrote the case's files, empty for none
 * @param message why a case gave no answer (one line), or empty
 * @param bars the two-mesh error bars of the coefficients (--error-estimate), or null
 */
public record CaseResult(double cl, double cd, double cdPressure, double cdFriction, double cm,
        int iterations, StopReason stop, double residualDrop, double seconds, boolean converged,
        List<String> warnings, String runId, String message, ErrorBars bars) {

    /** How a case ended, as a polar or study counts it. */
    public enum Status {
        /** The run's verdict: converged. */
        CONVERGED("converged"),
        /** Coefficients, but no converged answer (the cap, an interruption, the verdict). */
        NOT_CONVERGED("not converged"),
        /** The residual or the coefficients became non-finite. */
        DIVERGED("diverged"),
        /** No coefficients: the case could not run. */
        FAILED("failed"),
        /** The case never started: its polar or study was interrupted first. */
        NOT_RUN("not run");

        private final String label;

        Status(String label) {
            this.label = label;
        }

        public String label() {
            return label;
        }
    }

    public CaseResult {
        if (stop == null) {
            throw new IllegalArgumentException("a case result needs its stop reason");
        }
        warnings = List.copyOf(warnings);
        runId = runId == null ? "" : runId;
        message = message == null ? "" : message;
        if (converged && !(Double.isFinite(cl) && Double.isFinite(cd))) {
            throw new IllegalArgumentException("a converged case needs its coefficients");
        }
        if (converged && stop != StopReason.ORDERS && stop != StopReason.CAUCHY) {
            throw new IllegalArgumentException("a case stopped by " + stop.key()
                    + " cannot have converged");
        }
    }

    /** A result without error bars. */
    public CaseResult(double cl, double cd, double cdPressure, double cdFriction, double cm,
            int iterations, StopReason stop, double residualDrop, double seconds,
            boolean converged, List<String> warnings, String runId, String message) {
        this(cl, cd, cdPressure, cdFriction, cm, iterations, stop, residualDrop, seconds,
                converged, warnings, runId, message, null);
    }

    /** The result of a case without an answer: NaN coefficients, not converged. */
    public static CaseResult without(StopReason stop, String message) {
        return new CaseResult(Double.NaN, Double.NaN, Double.NaN, Double.NaN, Double.NaN, 0, stop,
                Double.NaN, 0, false, List.of(), "", message);
    }

    /** The same result with one more warning. */
    public CaseResult withWarning(String warning) {
        List<String> w = new ArrayList<>(warnings);
        w.add(warning);
        return new CaseResult(cl, cd, cdPressure, cdFriction, cm, iterations, stop, residualDrop,
                seconds, converged, w, runId, message, bars);
    }

    /** The same result with the given error bars; their warning, if any, joins the warnings. */
    public CaseResult withBars(ErrorBars b) {
        CaseResult r = b.warning() == null ? this : withWarning(b.warning());
        return new CaseResult(cl, cd, cdPressure, cdFriction, cm, iterations, stop, residualDrop,
                seconds, converged, r.warnings, runId, message, b);
    }

    /** True when the case gave coefficients (converged or not). */
    public boolean answered() {
        return Double.isFinite(cl) && Double.isFinite(cd);
    }

    /** How the case ended, for the counts. */
    public Status status() {
        return switch (stop) {
            case DIVERGED -> Status.DIVERGED;
            case NOT_RUN -> Status.NOT_RUN;
            case FAILED -> Status.FAILED;
            case ORDERS, CAUCHY, ITERATIONS, INTERRUPTED -> !answered() ? Status.FAILED
                    : converged ? Status.CONVERGED : Status.NOT_CONVERGED;
        };
    }

    /**
     * 0 for a converged run, {@link Run#EXIT_DIVERGED} for a diverged one,
     * {@link Run#EXIT_NOT_CONVERGED} for any other end (the cap, the verdict, an interruption,
     * which the command reports with its own status).
     */
    public int exitStatus() {
        if (stop == StopReason.DIVERGED) {
            return Run.EXIT_DIVERGED;
        }
        return converged ? 0 : Run.EXIT_NOT_CONVERGED;
    }
}
