package kestrafol.run;

import java.util.Map;

/**
 * Error bars of a case's coefficients from the same case on a coarser mesh (two grids with an
 * assumed order; computed in the study package), shown beside each coefficient on screen, in
 * summary.json, in report.html and in a polar's rows.
 *
 * @param clError band of CL (absolute)
 * @param cdError band of CD (absolute)
 * @param cmError band of CM (absolute)
 * @param asymptotic whether the assumed order can be expected to hold (false where the flow has
 *     a supersonic region)
 * @param rule which rule gave the bars, in one line (empty when only the bands were recorded)
 * @param warning why the bars are doubtful (the coarser run did not converge), or null; it
 *     travels on among the case's warnings, so bars read back from a file have none
 */
public record ErrorBars(double clError, double cdError, double cmError, boolean asymptotic,
        String rule, String warning) {
    public ErrorBars {
        rule = rule == null ? "" : rule;
    }

    /** Computes the bars of a finished run from its result, its mesh's nodes and largest Mach. */
    public interface Source {
        ErrorBars of(CaseResult fine, int fineNodes, double maxMach) throws Exception;
    }

    /** The bars summary.json records (clError, ..., errorEstimate), or null for none. */
    static ErrorBars ofSummary(Map<?, ?> s) {
        if (!(s.get("clError") instanceof Number cl && s.get("cdError") instanceof Number cd
                && s.get("cmError") instanceof Number cm)) {
            return null;
        }
        return new ErrorBars(cl.doubleValue(), cd.doubleValue(), cm.doubleValue(),
                !Boolean.FALSE.equals(s.get("errorBarsAsymptotic")),
                s.get("errorEstimate") instanceof String r ? r : "", null);
    }
}
