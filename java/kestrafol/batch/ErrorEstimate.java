package kestrafol.batch;

import java.nio.file.Path;
import java.util.concurrent.CompletableFuture;
import kestrafol.run.CaseDefinition;
import kestrafol.run.ErrorBars;
import kestrafol.study.Ladder;
import kestrafol.study.TwoMeshes;

/**
 * run --error-estimate: the same case on the next coarser built-in mesh, solved alongside the
 * run on a thread of its own, and the two-mesh bars of {@link TwoMeshes}.
 */
public final class ErrorEstimate {
    private ErrorEstimate() {}

    /**
     * Starts the coarser run of a case (its output in {@link TwoMeshes#FOLDER} inside out, no
     * pictures) and gives the source of the error bars, which waits for it.
     *
     * @param coarse the case on the coarser mesh, {@link TwoMeshes#coarserPoints} around the body
     */
    public static ErrorBars.Source start(CaseDefinition coarse, int points, Path out) {
        Path folder = out.resolve(TwoMeshes.FOLDER);
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
