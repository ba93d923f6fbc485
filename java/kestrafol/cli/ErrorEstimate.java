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
 * two-grid estimate of each coefficient with an assumed order (safety factor 3).
 */
final class ErrorEstimate {
    /**
     * Order assumed for the two-grid band: the scheme's nominal order. Studies of NACA 0012 on
     * the default ladder observed 1.9 to 2.6 at Mach 0.5 and 1.1 to 1.5 at Mach 0.8 (with the
     * shock); with the safety factor 3 the band from the two finest levels at order 2 covered
     * the distance to the three-level extrapolation of every coefficient of both, and on the
     * finer ladder the distance of the lift to its published value (docs/ACCURACY.md).
     */
    static final double ASSUMED_ORDER = 2;
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
        return (fine, fineNodes) -> {
            Ladder.Outcome o;
            try {
                o = future.get();
            } catch (java.util.concurrent.ExecutionException e) {
                throw new IllegalStateException(String.valueOf(e.getCause().getMessage()),
                        e.getCause());
            }
            return bars(fine, fineNodes, o.result(), o.nodes(), points);
        };
    }

    /** The bars of the fine result against the coarse one. */
    static ErrorBars bars(CaseResult fine, int fineNodes, CaseResult coarse, int coarseNodes,
            int coarsePoints) {
        double hFine = 1 / Math.sqrt(fineNodes);
        double hCoarse = 1 / Math.sqrt(coarseNodes);
        double[] f = {fine.cl(), fine.cd(), fine.cm()};
        double[] c = {coarse.cl(), coarse.cd(), coarse.cm()};
        double[] band = new double[3];
        for (int k = 0; k < 3; k++) {
            band[k] = GridConvergence.twoGrids(hFine, hCoarse, f[k], c[k], ASSUMED_ORDER).gci();
        }
        String warning = coarse.converged() ? null : "the coarser mesh of the error estimate did"
                + " not converge (" + coarse.stop().key() + "): the error bars are doubtful";
        return new ErrorBars(band[0], band[1], band[2], ASSUMED_ORDER, coarsePoints, coarseNodes,
                warning);
    }
}
