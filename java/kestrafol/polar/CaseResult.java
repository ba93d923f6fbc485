package kestrafol.polar;

import java.util.List;
import kestrafol.solver.ConvergenceMonitor;

/**
 * What one case of a polar gave: a row of polar.csv. Values the run could not provide are NaN
 * (written as empty cells); a failed case has stoppedBy "failed" and NaN coefficients. The
 * coefficients are the case's answer: the mean over the window of the coefficient criterion when
 * that ended the run, the last iteration's values otherwise.
 *
 * @param stoppedBy "orders", "cauchy", "iterations", "diverged", "interrupted" or "failed"
 * @param residualDrop orders of magnitude the residual norm fell during the case
 * @param seconds wall time of the case
 * @param message why a case failed (one line), or empty; not part of the CSV row
 * @param warnings what the run found suspicious, one line each
 */
public record CaseResult(PolarCase polarCase, double cl, double cd, double cdPressure,
        double cdFriction, double cm, int iterations, String stoppedBy, double residualDrop,
        double seconds, String message, List<String> warnings) {

    /** How a case ended, as the polar counts it. */
    public enum Status {
        /** Stopped by the residual or the coefficient criterion. */
        CONVERGED("converged"),
        /** Coefficients, but the cap or an interruption ended the run: not an answer. */
        NOT_CONVERGED("not converged"),
        /** The residual or the coefficients became non-finite. */
        DIVERGED("diverged"),
        /** No coefficients: the case could not run or was stopped before its first iteration. */
        FAILED("failed");

        private final String label;

        Status(String label) {
            this.label = label;
        }

        public String label() {
            return label;
        }
    }

    public CaseResult {
        warnings = List.copyOf(warnings);
        message = message == null ? "" : message;
    }

    /** A row without warnings. */
    public CaseResult(PolarCase polarCase, double cl, double cd, double cdPressure,
            double cdFriction, double cm, int iterations, String stoppedBy, double residualDrop,
            double seconds, String message) {
        this(polarCase, cl, cd, cdPressure, cdFriction, cm, iterations, stoppedBy, residualDrop,
                seconds, message, List.of());
    }

    /** The row of a case that did not run to an answer. */
    public static CaseResult failed(PolarCase c, String stoppedBy, String message) {
        return new CaseResult(c, Double.NaN, Double.NaN, Double.NaN, Double.NaN, Double.NaN, 0,
                stoppedBy, Double.NaN, 0, message);
    }

    /** The same row with the given warnings. */
    public CaseResult withWarnings(List<String> w) {
        return new CaseResult(polarCase, cl, cd, cdPressure, cdFriction, cm, iterations, stoppedBy,
                residualDrop, seconds, message, w);
    }

    /** True when the case gave coefficients (it converged, settled or reached its cap). */
    public boolean answered() {
        return Double.isFinite(cl) && Double.isFinite(cd);
    }

    /** True when a convergence criterion (residual or coefficients) ended the case. */
    public boolean converged() {
        for (ConvergenceMonitor.Stop s : ConvergenceMonitor.Stop.values()) {
            if (s.key().equals(stoppedBy)) {
                return s.converged() && answered();
            }
        }
        return false;
    }

    /** How the case ended. */
    public Status status() {
        if (ConvergenceMonitor.Stop.DIVERGED.key().equals(stoppedBy)) {
            return Status.DIVERGED;
        }
        if (!answered()) {
            return Status.FAILED;
        }
        return converged() ? Status.CONVERGED : Status.NOT_CONVERGED;
    }
}
