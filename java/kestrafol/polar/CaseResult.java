package kestrafol.polar;

/**
 * What one case of a polar gave: a row of polar.csv. Values the run could not provide are NaN
 * (written as empty cells); a failed case has stoppedBy "failed" and NaN coefficients.
 *
 * @param stoppedBy "orders", "cauchy", "iterations", "diverged", "interrupted" or "failed"
 * @param residualDrop orders of magnitude the residual norm fell during the case
 * @param seconds wall time of the case
 * @param message why a case failed (one line), or empty; not part of the CSV row
 */
public record CaseResult(PolarCase polarCase, double cl, double cd, double cdPressure,
        double cdFriction, double cm, int iterations, String stoppedBy, double residualDrop,
        double seconds, String message) {

    /** The row of a case that did not run to an answer. */
    public static CaseResult failed(PolarCase c, String stoppedBy, String message) {
        return new CaseResult(c, Double.NaN, Double.NaN, Double.NaN, Double.NaN, Double.NaN, 0,
                stoppedBy, Double.NaN, 0, message == null ? "" : message);
    }

    /** True when the case gave coefficients (it converged, settled or reached its cap). */
    public boolean answered() {
        return Double.isFinite(cl) && Double.isFinite(cd);
    }
}
