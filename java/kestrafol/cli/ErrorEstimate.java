package kestrafol.cli;

import java.nio.file.Path;
import java.util.concurrent.CompletableFuture;
import kestrafol.batch.Stopping;
import kestrafol.batch.Study;
import kestrafol.run.CaseDefinition;
import kestrafol.run.ErrorBars;
import kestrafol.study.Ladder;
import kestrafol.study.TwoMeshes;

/**
 * run --error-estimate: the same case on the next coarser built-in mesh, solved alongside the
 * run on a thread of its own, and the two-mesh bars of {@link TwoMeshes}.
 */
final class ErrorEstimate {
    private ErrorEstimate() {}

    /**
     * Starts the coarser run of the given case (its output in {@link TwoMeshes#FOLDER} inside
     * out, no pictures) and gives the source of the error bars, which waits for it.
     */
    static ErrorBars.Source start(RunOptions options, Path out) {
        int points = TwoMeshes.coarserPoints(options.body.resolution);
        Path folder = out.resolve(TwoMeshes.FOLDER);
        CaseDefinition coarse = options.definitionAt(points, false);
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
            return TwoMeshes.bars(fine, fineNodes, maxMach, o.result(), o.nodes(), points);
        };
    }
}
