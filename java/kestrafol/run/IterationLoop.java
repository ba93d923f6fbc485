package kestrafol.run;

import java.util.concurrent.atomic.AtomicBoolean;
import kestrafol.output.History;
import kestrafol.solver.Analysis;
import kestrafol.solver.ConvergenceMonitor;
import kestrafol.solver.ConvergenceMonitor.Stop;
import kestrafol.solver.Solver;
import kestrafol.solver.WallForces;

/**
 * The iterations of one case: iterate, integrate the forces, feed the monitor, record the
 * history, print progress, until the monitor (or a stop request) ends the run. After a
 * first-order start the solver switches to the target settings.
 */
final class IterationLoop {
    /**
     * What the loop leaves: the history, the last state and its forces, the iteration after
     * which the order switched (0 for none) and the time spent in the library.
     */
    record Outcome(History history, double[] state, WallForces.Result wall, int switchedAt,
            double solverSeconds) {
    }

    private IterationLoop() {
    }

    /** Runs the loop on the solver (already started or updated to the run's first settings). */
    static Outcome run(Solver solver, CaseSetup s, ConvergenceMonitor monitor, int printEvery,
            double orders, Progress progress, AtomicBoolean stopRequested, long startNanos) {
        History history = new History();
        WallForces.Result wall = null;
        double[] state = null;
        int switchedAt = 0;
        double solverNanos = 0;
        int startup = s.startup();
        int cap = s.cap();
        for (int it = 1; ; it++) {
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
            double elapsed = (System.nanoTime() - startNanos) * 1e-9;
            Stop stop = monitor.add(it, a.residualNorm(), wall.cl(), wall.cd(), wall.cm());
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
            if (stop != null) {
                break;
            }
            progress.bar(it, cap, Math.max((double) it / cap,
                    Math.max(0, monitor.residualDrop()) / orders), elapsed);
        }
        progress.clearBar();
        return new Outcome(history, state, wall, switchedAt, solverNanos * 1e-9);
    }
}
