package kestrafol.cli;

import java.nio.file.Path;
import java.util.concurrent.CompletableFuture;
import kestrafol.run.CaseDefinition;
import kestrafol.run.CaseResult;
import kestrafol.run.ErrorBars;
import kestrafol.study.GridConvergence;
import kestrafol.study.Ladder;
import kestrafol.batch.Stopping;
import kestrafol.batch.Study;

/**
 * run --error-estimate: the same case on the next coarser built-in mesh (the study's ratio,
 * sqrt(2) in points per direction), solved alongside the run on a thread of its own, and the
 * two-grid estimate of each coefficient with an assumed order and the two-grid safety factor.
 * A run with a supersonic region is flagged: its shocks make the mesh error fall more slowly
 * than the assumed order and not steadily (docs/ACCURACY.md).
 */
final class ErrorEstimate {
    /**
     * Order assumed for the two-grid band: the scheme's formal order. Its safety factor,
     * {@link GridConvergence#SAFETY_TWO_GRIDS}, was chosen by the bands' coverage of reference
     * results on the default mesh (docs/ACCURACY.md).
     */
    static final double ASSUMED_ORDER = GridConvergence.FORMAL_ORDER;
    /** Above this local Mach number the flow has shocks: the assumed order does not hold. */
    static final double SONIC = 1.0;
    /** Folder of the coarser run inside the run's output folder. */
    static final String FOLDER = "coarser";

    private ErrorEstimate() {}

    /** Points around the body of the coarser mesh. */
    static int coarserPoints(int points) {
        return Ladder.ladder(points, 2, Ladder.DEFAULT_RATIO)[1];
    }

    /**
     * Starts the coarser run of the given case (its output in FOLDER inside out, no pictures)
     * and gives the source of the error bars, which waits for it.
     */
    static ErrorBars.Source start(RunOptions options, Path out) {
        int points = coarserPoints(options.resolution);
        Path folder = out.resolve(FOLDER);
        CaseDefinition coarse = options.definitionAt(points, folder, false);
        Ladder.Level level = new Ladder.Level(2, points, coarse, folder);
        CompletableFuture<Ladder.Outcome> future = new CompletableFuture<>();
        Thread t = new Thread(() -> {
            try {
                future.complete(Study.runLevel(level, new Stopping()));
            } catch (Throwable e) {
                future.completeExceptionally(e);
            }
        }, "error-estimate");
        t.setDaemon(true);
        t.start();
        return (fine, fineNodes, maxMach) -> {
            Ladder.Outcome o;
            try {
                o = future.get();
            } catch (java.util.concurrent.ExecutionException e) {
                throw new IllegalStateException(String.valueOf(e.getCause().getMessage()),
                        e.getCause());
            }
            return bars(fine, fineNodes, maxMach, o.result(), o.nodes(), points);
        };
    }

    /** The bars of the fine result (largest local Mach maxMach) against the coarse one. */
    static ErrorBars bars(CaseResult fine, int fineNodes, double maxMach, CaseResult coarse,
            int coarseNodes, int coarsePoints) {
        double hFine = 1 / Math.sqrt(fineNodes);
        double hCoarse = 1 / Math.sqrt(coarseNodes);
        double[] f = {fine.cl(), fine.cd(), fine.cm()};
        double[] c = {coarse.cl(), coarse.cd(), coarse.cm()};
        double[] band = new double[3];
        for (int k = 0; k < 3; k++) {
            band[k] = GridConvergence.twoGrids(hFine, hCoarse, f[k], c[k], ASSUMED_ORDER).gci();
        }
        String doubt = maxMach > SONIC ? String.format(java.util.Locale.ROOT, "a supersonic"
                + " region (local Mach up to %.2f): its shocks make the mesh error fall slower"
                + " than order %s and not steadily, so the bars may not hold; a study"
                + " (kestrafol study) tells", maxMach, (int) ASSUMED_ORDER) : null;
        String warning = coarse.converged() ? null : "the coarser mesh of the error estimate did"
                + " not converge (" + coarse.stop().key() + "): the error bars are doubtful";
        return new ErrorBars(band[0], band[1], band[2], ASSUMED_ORDER,
                GridConvergence.SAFETY_TWO_GRIDS, coarsePoints, coarseNodes, doubt, warning);
    }
}
