package kestrafol.run;

/**
 * Error bars of a case's coefficients from the same case on a coarser mesh (two grids with an
 * assumed order; computed in the study package), shown beside each coefficient on screen, in
 * summary.json, on the report page and in a polar's rows.
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

    /**
     * Error bars of an adapted run, whose coarser mesh follows from its adaptation: told the
     * family of meshes the last size field places and the points of the run's own member once
     * the cycles have run, it starts the coarser run and gives the source of the bars.
     */
    public interface AfterAdapting {
        Source start(kestrafol.meshing.SpacingLadder family, int points);
    }
}
