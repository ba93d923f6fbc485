package kestrafol.run;

import java.util.Locale;
import kestrafol.base.Numbers;

/**
 * Error bars of a run's coefficients from the same case on a coarser mesh (two grids with an
 * assumed order; see the study package), shown beside each coefficient on screen, in
 * summary.json and in report.html.
 *
 * @param clError band of CL (absolute)
 * @param cdError band of CD (absolute)
 * @param cmError band of CM (absolute)
 * @param assumedOrder the order of convergence assumed
 * @param safety the safety factor of the bands
 * @param coarsePoints points around the body of the coarser mesh
 * @param coarseNodes its nodes
 * @param doubt why the meshes are not in the asymptotic range the assumed order stands for (a
 *     supersonic region), or null
 * @param warning why the bars are doubtful (the coarser run did not converge), or null
 */
public record ErrorBars(double clError, double cdError, double cmError, double assumedOrder,
        double safety, int coarsePoints, int coarseNodes, String doubt, String warning) {
    /** Computes the bars of a finished run from its result, its mesh's nodes and largest Mach. */
    public interface Source {
        ErrorBars of(CaseResult fine, int fineNodes, double maxMach) throws Exception;
    }

    /** Whether the assumed order can be expected to hold: no reason to doubt it. */
    public boolean asymptotic() {
        return doubt == null;
    }

    /** Which rule gave the bars, in one line. */
    public String rule() {
        return String.format(Locale.ROOT, "two meshes, this one and a coarser one of %d points"
                + " around the body (%d nodes): order %s assumed, safety factor %s%s",
                coarsePoints, coarseNodes, Numbers.format(assumedOrder), Numbers.format(safety),
                doubt == null ? "" : "; not asymptotic: " + doubt);
    }
}
