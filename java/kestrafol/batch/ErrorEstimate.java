package kestrafol.batch;

import java.nio.file.Path;
import java.util.concurrent.CompletableFuture;
import java.util.function.IntFunction;
import kestrafol.meshing.SpacingLadder;
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
        return start(new Ladder.Level(2, points, coarse, out.resolve(TwoMeshes.FOLDER)));
    }

    /**
     * As {@link #start(CaseDefinition, int, Path)} for an adapted run: its coarser mesh is the
     * member of the family its last size field places ({@link SpacingLadder}) one ratio
     * ({@link Ladder#DEFAULT_RATIO}) coarser than its own in nodes (softened as
     * {@link SpacingLadder#levels} softens a family whose coarser member would fold).
     *
     * @param coarse the case at the given points, without adaptation of its own
     */
    public static ErrorBars.Source start(IntFunction<CaseDefinition> coarse,
            SpacingLadder family, int points, Path out) {
        SpacingLadder.Levels levels;
        try {
            levels = family.levels(points, 2, Ladder.DEFAULT_RATIO, Ladder.MIN_POINTS);
        } catch (IllegalStateException e) {
            throw new IllegalArgumentException("the coarser mesh placed by the adapted size"
                    + " field folds (" + e.getMessage() + ")", e);
        }
        int coarser = levels.points()[1];
        return start(new Ladder.Level(2, coarser, coarse.apply(coarser),
                out.resolve(TwoMeshes.FOLDER), levels.ladder()));
    }

    private static ErrorBars.Source start(Ladder.Level level) {
        int points = level.points();
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
