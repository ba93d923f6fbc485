package kestrafol.run;

import java.io.IOException;
import java.io.UncheckedIOException;
import java.util.ArrayDeque;
import java.util.List;
import java.util.concurrent.atomic.AtomicBoolean;
import kestrafol.solver.History;
import kestrafol.solver.Analysis;
import kestrafol.solver.ConvergenceMonitor;
import kestrafol.solver.ConvergenceMonitor.Stop;
import kestrafol.solver.Solver;
import kestrafol.solver.WallForces;

/**
 * The iterations of one case: iterate, integrate the forces, feed the monitor, record the
 * history, print progress, until the monitor (or a stop request) ends the run. After a
 * first-order start the solver switches to the target settings. A resumed run starts with the
 * history and the monitor rebuilt from its checkpoint; checkpoints are handed to a sink every
 * so often and when the run stops (unless it diverged).
 */
final class IterationLoop {
    /**
     * What the loop leaves: the history, the last state and its forces, the iteration after
     * which the order switched (0 for none), the time spent in the library, and each wall's
     * share of the forces in the last iterations this loop ran (at most the window asked for,
     * oldest first).
     */
    record Outcome(History history, double[] state, WallForces.Result wall, int switchedAt,
            double solverSeconds, List<List<WallForces.WallShare>> recentShares) {
    }

    /** Takes a checkpoint of the run after the given iterations. */
    @FunctionalInterface
    interface CheckpointSink {
        void save(Solver solver, History history, int switchedAt, double solverSeconds)
                throws IOException;
    }

    /** The checkpoint sink and the wall time between checkpoints (0: after every iteration). */
    record Checkpoints(CheckpointSink sink, double everySeconds) {
    }

    private IterationLoop() {
    }

    /**
     * Runs the loop on the solver (already started or updated to the run's first settings, or
     * started from the checkpoint `from`, whose history the monitor has not seen yet), keeping
     * the walls' shares of the last `window` iterations.
     */
    static Outcome run(Solver solver, CaseSetup s, ConvergenceMonitor monitor, int printEvery,
            double orders, Progress progress, AtomicBoolean stopRequested, long startNanos,
            Checkpoint from, Checkpoints checkpoints, int window) {
        History history = from != null ? from.history() : new History();
        for (int k = 0; from != null && k < history.size(); k++) {
            monitor.add(history.iteration(k), history.residual(k), history.lift(k),
                    history.drag(k), history.moment(k));
        }
        WallForces.Result wall = null;
        ArrayDeque<List<WallForces.WallShare>> shares = new ArrayDeque<>();
        double[] state = solver.state();
        int switchedAt = from != null ? from.switchedAt() : 0;
        double solverNanos = from != null ? from.solverSeconds() * 1e9 : 0;
        long lastCheckpoint = System.nanoTime();
        int startup = s.startup();
        int cap = s.cap();
        Stop stop = monitor.stop();
        for (int it = from != null ? from.iterations() + 1 : 1; stop == null; it++) {
            if (startup > 0 && it == startup + 1) {
                solver.update(s.target());
                switchedAt = startup;
                progress.message("        switched to second order after iteration " + startup);
            }
            long t0 = System.nanoTime();
            state = solver.iterate();
            Analysis a = solver.analysis();
            solverNanos += System.nanoTime() - t0;
            wall = s.forces().compute(state, s.conditions());
            keep(shares, wall.walls(), window);
            double elapsed = (System.nanoTime() - startNanos) * 1e-9;
            stop = monitor.add(it, a.residualNorm(), wall.cl(), wall.cd(), wall.cm());
            history.add(it, a.residualNorm(), wall.cl(), wall.cd(), wall.cm(),
                    wall.cdPressure(), wall.cdFriction(), elapsed);
            if (stop == null && stopRequested.get()) {
                monitor.interrupt();
                stop = Stop.INTERRUPTED;
                progress.message("        interrupted: stopping after iteration " + it);
            }
            if (it == 1 || it % printEvery == 0 || stop != null) {
                progress.line(it, a.residualNorm(), monitor.residualDrop(), wall.cl(),
                        wall.cd(), elapsed);
            }
            boolean due = checkpoints != null && (stop != null && stop != Stop.DIVERGED
                    || System.nanoTime() - lastCheckpoint >= checkpoints.everySeconds() * 1e9);
            if (due) {
                save(checkpoints, solver, history, switchedAt, solverNanos * 1e-9);
                lastCheckpoint = System.nanoTime();
            }
            if (stop == null) {
                progress.bar(it, cap, Math.max((double) it / cap,
                        Math.max(0, monitor.residualDrop()) / orders), elapsed);
            }
        }
        progress.clearBar();
        if (wall == null) {
            // A resumed run the stopping rule had already ended: the forces of its state.
            wall = s.forces().compute(state, s.conditions());
            keep(shares, wall.walls(), window);
        }
        return new Outcome(history, state, wall, switchedAt, solverNanos * 1e-9,
                List.copyOf(shares));
    }

    private static void keep(ArrayDeque<List<WallForces.WallShare>> shares,
            List<WallForces.WallShare> latest, int window) {
        if (shares.size() >= Math.max(1, window)) {
            shares.removeFirst();
        }
        shares.addLast(latest);
    }

    private static void save(Checkpoints checkpoints, Solver solver, History history,
            int switchedAt, double solverSeconds) {
        try {
            checkpoints.sink().save(solver, history, switchedAt, solverSeconds);
        } catch (IOException e) {
            throw new UncheckedIOException(e);
        }
    }
}
