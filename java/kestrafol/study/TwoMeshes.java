package kestrafol.study;

import java.util.Locale;
import kestrafol.base.Numbers;
import kestrafol.run.CaseResult;
import kestrafol.run.ErrorBars;

/**
 * The error bars of one case from two meshes, for run --error-estimate and polar
 * --error-estimate: the same case on the next coarser built-in mesh (the study's ratio, sqrt(2)
 * in points per direction), and the two-grid estimate of each coefficient with the scheme's
 * formal order assumed and the two-grid safety factor {@link GridConvergence#SAFETY_TWO_GRIDS},
 * chosen by the bands' coverage of reference results (docs/ACCURACY.md). A case with a
 * supersonic region is flagged: its shocks make the mesh error fall more slowly than the assumed
 * order and not steadily.
 */
public final class TwoMeshes {
    /** Order assumed for the two-grid band: the scheme's formal order. */
    public static final double ASSUMED_ORDER = GridConvergence.FORMAL_ORDER;
    /** Above this local Mach number the flow has shocks: the assumed order does not hold. */
    public static final double SONIC = 1.0;
    /** Folder of the coarser run inside a case's output folder. */
    public static final String FOLDER = "coarser";

    private TwoMeshes() {}

    /** Points around the body of the coarser mesh. */
    public static int coarserPoints(int points) {
        return Ladder.ladder(points, 2, Ladder.DEFAULT_RATIO)[1];
    }

    /**
     * The bars of the fine result (its mesh of fineNodes nodes, largest local Mach maxMach)
     * against the coarse one.
     *
     * @throws IllegalStateException when the coarser mesh gave no coefficients
     */
    public static ErrorBars bars(CaseResult fine, int fineNodes, double maxMach,
            CaseResult coarse, int coarseNodes, int coarsePoints) {
        if (!coarse.answered()) {
            throw new IllegalStateException("it gave no coefficients (" + coarse.stop().key()
                    + (coarse.message().isEmpty() ? "" : ": " + coarse.message()) + ")");
        }
        double hFine = 1 / Math.sqrt(fineNodes);
        double hCoarse = 1 / Math.sqrt(coarseNodes);
        double[] f = {fine.cl(), fine.cd(), fine.cm()};
        double[] c = {coarse.cl(), coarse.cd(), coarse.cm()};
        double[] band = new double[3];
        for (int k = 0; k < 3; k++) {
            band[k] = GridConvergence.twoGrids(hFine, hCoarse, f[k], c[k], ASSUMED_ORDER).gci();
        }
        String doubt = maxMach > SONIC ? String.format(Locale.ROOT, "; not asymptotic: a"
                + " supersonic region (local Mach up to %.2f): its shocks make the mesh error"
                + " fall slower than order %s and not steadily, so the bars may not hold; a study"
                + " (kestrafol study) tells", maxMach, Numbers.format(ASSUMED_ORDER)) : "";
        String rule = String.format(Locale.ROOT, "two-mesh grid convergence index against a"
                + " coarser mesh of %d points around the body (%d nodes): order %s assumed,"
                + " safety factor %s%s", coarsePoints, coarseNodes, Numbers.format(ASSUMED_ORDER),
                Numbers.format(GridConvergence.SAFETY_TWO_GRIDS), doubt);
        String warning = coarse.converged() ? null : "the coarser mesh of the error estimate did"
                + " not converge (" + coarse.stop().key() + "): the error bars are doubtful";
        return new ErrorBars(band[0], band[1], band[2], doubt.isEmpty(), rule, warning);
    }
}
