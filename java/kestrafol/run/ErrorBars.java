package kestrafol.run;

/**
 * Error bars of a run's coefficients from the same case on a coarser mesh (two grids with an
 * assumed order; see the study package), shown beside each coefficient on screen and in
 * summary.json.
 *
 * @param clError band of CL (absolute)
 * @param cdError band of CD (absolute)
 * @param cmError band of CM (absolute)
 * @param assumedOrder the order of convergence assumed
 * @param coarsePoints points around the body of the coarser mesh
 * @param coarseNodes its nodes
 * @param warning why the bars are doubtful (the coarser run did not converge), or null
 */
public record ErrorBars(double clError, double cdError, double cmError, double assumedOrder,
        int coarsePoints, int coarseNodes, String warning) {
    /** Computes the bars of a finished run from its result and the nodes of its mesh. */
    public interface Source {
        ErrorBars of(CaseResult fine, int fineNodes) throws Exception;
    }
}
