package kestrafol.run;

import java.io.IOException;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import java.util.concurrent.atomic.AtomicBoolean;
import kestrafol.mesh.FieldTransfer;
import kestrafol.mesh.Mesh;
import kestrafol.solver.ConvergenceMonitor;
import kestrafol.solver.ConvergenceMonitor.Stop;
import kestrafol.solver.FlowField;
import kestrafol.solver.Solver;

/**
 * Mesh sequencing: the case solved first on coarser meshes of the same body, coarsest first,
 * each level started from the field of the one before carried onto its mesh
 * ({@link FieldTransfer}), and the last field carried onto the run's own mesh. A coarse mesh
 * carries the start-up transient across the domain in fewer and cheaper iterations than the
 * fine one; the fine mesh then only refines a flow that is already there.
 *
 * <p>A coarse level stops on the case's own stopping rule with the coefficient band
 * {@link #COARSE_EPS_FACTOR} times wider and the windows halved per halving of the mesh (its
 * cells are twice as large, so a disturbance crosses the domain in about half the iterations):
 * its field only needs to be carried, not settled.
 */
final class Sequencing {
    /** How much wider the coefficient band of a coarse level is than the case's. */
    static final double COARSE_EPS_FACTOR = 5;
    /** Fewest iterations in a window of the coefficient rule on a coarse level. */
    static final int COARSE_MIN_WINDOW = 100;

    /** One coarse level as run. */
    record Level(int pointsAround, int nodes, int iterations, String stoppedBy, double seconds) {
        /** "56 points around, 1,344 nodes: 2,310 iterations (cauchy), 4.1 s". */
        String describe() {
            return String.format(Locale.ROOT, "%d points around, %,d nodes: %,d iterations (%s),"
                    + " %.1f s", pointsAround, nodes, iterations, stoppedBy, seconds);
        }
    }

    /**
     * The field the run's mesh starts from (null when a coarse level diverged or was
     * interrupted: the run then starts from the free stream) and the coarse levels as run.
     */
    record Outcome(double[] state, List<Level> levels) {}

    private Sequencing() {}

    /**
     * The coarse levels, coarsest first: halvings of the case's mesh down to 16 points around
     * the body, each level kept only when it is coarser than the next one (a 32-point mesh has
     * one coarser level, a 16-point mesh none).
     */
    static List<CaseDefinition> ladder(CaseDefinition c) {
        List<CaseDefinition> ladder = new ArrayList<>();
        if (c.meshing().sequence() == 0) {
            return ladder;
        }
        int finer = c.meshing().meshOptions().pointsAround();
        for (int k = 1; k <= c.meshing().sequence(); k++) {
            CaseDefinition d = c.coarser(k, COARSE_EPS_FACTOR, COARSE_MIN_WINDOW);
            if (d.meshing().meshOptions().pointsAround() < finer) {
                ladder.add(0, d);
                finer = d.meshing().meshOptions().pointsAround();
            }
        }
        return ladder;
    }

    /** Solves the case's coarse levels and carries the last field onto {@code finest}. */
    static Outcome run(CaseDefinition c, Mesh finest, Progress progress,
            AtomicBoolean stopRequested, long startNanos) throws IOException {
        List<Level> levels = new ArrayList<>();
        double[] carried = null;
        Mesh previous = null;
        List<CaseDefinition> ladder = ladder(c);
        for (int k = 0; k < ladder.size(); k++) {
            long t0 = System.nanoTime();
            CaseDefinition d = ladder.get(k);
            Mesh mesh = Run.mesh(d);
            CaseSetup setup = CaseSetup.of(d, mesh, carried != null);
            ConvergenceMonitor monitor = setup.monitor(d);
            int level = k + 1;
            progress.message(String.format(Locale.ROOT, "        coarse level %d of %d: %d points"
                    + " around, %,d nodes", level, ladder.size(),
                    d.meshing().meshOptions().pointsAround(), mesh.nodeCount()));
            progress.restart((System.nanoTime() - startNanos) * 1e-9);
            IterationLoop.Outcome loop;
            boolean renumber = d.meshing().renumber();
            try (Solver solver = carried == null
                    ? new Solver(mesh, setup.initial(), renumber, null, 0, d.scheme().method())
                    : new Solver(mesh, setup.target(), renumber,
                            FlowField.of(FieldTransfer.interpolate(previous, carried, mesh)), 0,
                            d.scheme().method())) {
                loop = IterationLoop.run(solver, setup, monitor, d.output().printEvery(),
                        d.stopping().orders(),
                        progress, stopRequested, startNanos, null, null, 1);
            }
            Stop stop = monitor.stop();
            Level done = new Level(d.meshing().meshOptions().pointsAround(), mesh.nodeCount(),
                    monitor.iterations(), stop.key(), (System.nanoTime() - t0) * 1e-9);
            levels.add(done);
            progress.message("        coarse level " + level + " done: " + done.describe());
            if (stop == Stop.DIVERGED || stop == Stop.INTERRUPTED) {
                progress.message("        the run's mesh starts from the free stream");
                return new Outcome(null, levels);
            }
            carried = loop.state();
            previous = mesh;
        }
        if (carried == null) {
            return new Outcome(null, levels);
        }
        double[] state = FieldTransfer.interpolate(previous, carried, finest);
        progress.message(String.format(Locale.ROOT, "        carried onto the run's mesh, %,d"
                + " nodes", finest.nodeCount()));
        progress.restart((System.nanoTime() - startNanos) * 1e-9);
        return new Outcome(state, levels);
    }
}
