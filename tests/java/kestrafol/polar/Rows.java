package kestrafol.polar;

import java.util.List;
import kestrafol.run.CaseResult;
import kestrafol.run.StopReason;

/** Polar rows for tests: by default a case stopped by "orders" or "cauchy" converged. */
public final class Rows {
    private Rows() {}

    /** A row with the run's verdict given. */
    public static PolarRow row(PolarCase c, double cl, double cd, double cdPressure,
            double cdFriction, double cm, int iterations, String stop, double residualDrop,
            double seconds, boolean converged, List<String> warnings) {
        return new PolarRow(c, new CaseResult(cl, cd, cdPressure, cdFriction, cm, iterations,
                StopReason.parse(stop), residualDrop, seconds, converged, warnings, "", ""));
    }

    /** A row whose run converged when a criterion stopped it with coefficients. */
    public static PolarRow row(PolarCase c, double cl, double cd, double cdPressure,
            double cdFriction, double cm, int iterations, String stop, double residualDrop,
            double seconds, String message) {
        boolean converged = (stop.equals("orders") || stop.equals("cauchy"))
                && Double.isFinite(cl) && Double.isFinite(cd);
        return row(c, cl, cd, cdPressure, cdFriction, cm, iterations, stop, residualDrop, seconds,
                converged, List.of());
    }

    /** A row with warnings whose run converged when a criterion stopped it. */
    public static PolarRow row(PolarCase c, double cl, double cd, double cdPressure,
            double cdFriction, double cm, int iterations, String stop, double residualDrop,
            double seconds, String message, List<String> warnings) {
        PolarRow r = row(c, cl, cd, cdPressure, cdFriction, cm, iterations, stop, residualDrop,
                seconds, message);
        return row(c, cl, cd, cdPressure, cdFriction, cm, iterations, stop, residualDrop, seconds,
                r.result().converged(), warnings);
    }

    /** A row without an answer. */
    public static PolarRow failed(PolarCase c, String stop, String message) {
        return PolarRow.without(c, StopReason.parse(stop), message);
    }
}
