package kestrafol.run;

import java.io.IOException;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import java.util.concurrent.atomic.AtomicBoolean;
import kestrafol.mesh.FieldTransfer;
import kestrafol.mesh.Mesh;
import kestrafol.meshing.AdaptedOMesh;
import kestrafol.meshing.AirfoilMeshes;
import kestrafol.meshing.ErrorIndicator;
import kestrafol.meshing.GmshRemesh;
import kestrafol.meshing.MeshQuality;
import kestrafol.solver.History;
import kestrafol.solver.ConvergenceMonitor;
import kestrafol.solver.ConvergenceMonitor.Stop;
import kestrafol.solver.FlowField;
import kestrafol.solver.Solver;

/**
 * Solution-adaptive meshing: the case solved on its mesh, the error indicator of the flow turned
 * into a size field ({@link ErrorIndicator}), the O-mesh of the body built again from it
 * ({@link AdaptedOMesh}) and the flow carried onto it ({@link FieldTransfer}), as many cycles as
 * asked; the run then solves on the last mesh from the carried flow, and that solve is its
 * answer. The node budget of cycle k of N is the start's nodes times (budget / start)^(k/N), so
 * the meshes grow towards the budget and only the last solve pays for all of it.
 *
 * <p>A cycle's solve stops on the case's own rule with the coefficient band
 * {@link Sequencing#COARSE_EPS_FACTOR} times wider, or after {@link #CYCLE_ITERATIONS}: its flow
 * only needs to show where the error is and to carry the transient, not to be settled.
 */
public final class Adapting {
    /**
     * Most iterations of a cycle's solve: by then the suction peak and the shocks stand where
     * they will (NACA 0012 at Mach 0.3 and 8 degrees on 2,800 nodes: the lift within 1 % of
     * the settled value after 1,500 of 4,187 iterations), and the last mesh settles the rest.
     */
    static final int CYCLE_ITERATIONS = 1500;

    /**
     * One mesh as solved: its number (from 1; the run's own solve is the last), points around
     * the body, nodes, iterations and how they stopped, the coefficients of its last iteration
     * (the run's answer for the last), the mean error indicator of its flow, and the seconds
     * from the cycle's start to the next mesh (or to the run's end).
     */
    public record Cycle(int cycle, int pointsAround, int nodes, int iterations, String stoppedBy,
            double cl, double cd, double cm, double estimate, double seconds) {
        /**
         * "cycle 1: 80 points around, 2,800 nodes: 1,500 iterations (at the cap), CL ..., 4.1 s"
         * ("stopped by cauchy" for a solve the coefficient rule ended).
         */
        String describe() {
            return String.format(Locale.ROOT, "cycle %d: %d points around, %,d nodes: %,d"
                    + " iterations (%s), CL %.5f CD %.5f CM %.5f, estimate %.4g, %.1f s", cycle,
                    pointsAround, nodes, iterations,
                    "iterations".equals(stoppedBy) ? "at the cap" : "stopped by " + stoppedBy,
                    cl, cd, cm, estimate, seconds);
        }
    }

    /**
     * The run's mesh and the flow carried onto it (null when a cycle diverged or was
     * interrupted: the run then solves its last mesh from the free stream), the cycles as run,
     * and the requested spacing along the body the last mesh was placed by (null without one).
     */
    record Outcome(Mesh mesh, double[] state, List<Cycle> cycles, double[] spacing) {}

    private Adapting() {}

    /**
     * Whether the case adapts on this mesh: cycles asked for and a mesh the program built, the
     * built-in O-mesh or Gmsh's (not a mesh file); mesher null when the caller built the mesh (a
     * polar, a study): a built-in body's is the O-mesh, several airfoils' Gmsh's, one airfoil
     * file's is not known.
     */
    static boolean applies(CaseDefinition c, String mesher) {
        return c.meshing().adaptation().cycles() > 0 && c.body().meshFile() == null
                && (byGmsh(c, mesher) || AirfoilMeshes.O_MESH.equals(mesher)
                        || (mesher == null && c.body().airfoils().isEmpty()));
    }

    /** Whether the case's mesh is Gmsh's: several airfoils, or one whose O-mesh could not be built. */
    static boolean byGmsh(CaseDefinition c, String mesher) {
        return c.body().airfoils().size() > 1 || AirfoilMeshes.GMSH.equals(mesher);
    }

    /**
     * The next mesh of a cycle, the points around its body (the wall nodes for Gmsh's) and the
     * requested spacing along the body it was placed by (null for Gmsh's).
     */
    record Next(Mesh mesh, int points, double[] spacing) {}

    /** Meshes the body again from the size field of the present mesh, for about target nodes. */
    interface Remesher {
        Next remesh(Mesh present, ErrorIndicator.SizeField field, int target) throws IOException;
    }

    /** The O-mesh placed by the size field ({@link AdaptedOMesh}). */
    private static Remesher oMesh(CaseDefinition c, String bodyName) {
        double[] outline = outline(c);
        return (present, field, target) -> {
            AdaptedOMesh.Result next = AdaptedOMesh.build(outline, bodyName,
                    c.meshing().meshOptions(), present, field, target);
            return new Next(Run.withBoundaries(c, next.mesh()), next.body().length / 2,
                    next.spacing());
        };
    }

    /**
     * The same bodies meshed again by Gmsh with the size field as its background
     * ({@link GmshRemesh}), within the budget plus {@link GmshRemesh#OVER_BUDGET}.
     */
    private static Remesher gmsh(CaseDefinition c, int budget, Progress progress) {
        AirfoilMeshes.GmshGeometry geometry = AirfoilMeshes.gmshGeometry(c.body().airfoils(),
                c.meshing().meshOptions(), c.meshing().gmshOptions(), c.flow().viscous());
        return (present, field, target) -> {
            Mesh m = GmshRemesh.remesh(geometry, present, field.ratio(), target, budget,
                    note -> progress.message("        " + note)).mesh();
            MeshQuality.of(m).requireSolvable();
            return new Next(Run.withBoundaries(c, m), wallNodes(m), null);
        };
    }

    /** The node budget: the one given, or twice the start's nodes. */
    static int budget(CaseDefinition c, Mesh start) {
        return c.meshing().adaptation().budget(start.nodeCount());
    }

    /**
     * Runs the cycles from the case's first mesh, remeshing as the mesher of the first did
     * (null: not known, see {@link #applies}). A cycle whose remesh fails keeps the last good
     * mesh, says why on one line, and the run solves that mesh from its flow.
     */
    static Outcome run(CaseDefinition c, Mesh start, String mesher, Progress progress,
            AtomicBoolean stopRequested, long startNanos) throws IOException {
        int cycles = c.meshing().adaptation().cycles();
        int budget = budget(c, start);
        if (budget < start.nodeCount()) {
            throw new IllegalArgumentException("--max-nodes " + budget + " is below the "
                    + String.format(Locale.ROOT, "%,d", start.nodeCount()) + " nodes of the"
                    + " starting mesh; raise it or lower --resolution");
        }
        CaseDefinition d = c.coarser(0, Sequencing.COARSE_EPS_FACTOR, Sequencing.COARSE_MIN_WINDOW);
        boolean byGmsh = byGmsh(c, mesher);
        Remesher remesher = byGmsh ? gmsh(c, budget, progress)
                : oMesh(c, start.boundaryNames().get(0));
        List<Cycle> done = new ArrayList<>();
        Mesh mesh = start;
        double[] carried = null;
        int points = byGmsh ? wallNodes(start) : c.meshing().meshOptions().pointsAround();
        double[] spacing = null;
        for (int k = 1; k <= cycles; k++) {
            long t0 = System.nanoTime();
            CaseSetup setup = CaseSetup.of(d, mesh, carried != null);
            setup = setup.withCap(Math.min(setup.cap(), CYCLE_ITERATIONS));
            ConvergenceMonitor monitor = setup.monitor(d);
            progress.message(String.format(Locale.ROOT, "        adaptation cycle %d of %d: %d"
                    + " points around, %,d nodes", k, cycles, points, mesh.nodeCount()));
            progress.restart((System.nanoTime() - startNanos) * 1e-9);
            IterationLoop.Outcome loop;
            try (Solver solver = carried == null
                    ? new Solver(mesh, setup.initial(), d.meshing().renumber(), null, 0, d.scheme().method())
                    : new Solver(mesh, setup.target(), d.meshing().renumber(), FlowField.of(carried), 0,
                            d.scheme().method())) {
                loop = IterationLoop.run(solver, setup, monitor, d.output().printEvery(), d.stopping().orders(),
                        progress, stopRequested, startNanos, null, null, 1);
            }
            Stop stop = monitor.stop();
            if (stop == Stop.DIVERGED || stop == Stop.INTERRUPTED) {
                done.add(cycle(k, points, mesh, monitor, loop.history(), Double.NaN, t0));
                progress.message("        " + done.get(done.size() - 1).describe());
                progress.message("        the run's mesh starts from the free stream");
                return new Outcome(mesh, null, done, null);
            }
            int target = (int) Math.round(start.nodeCount()
                    * Math.pow((double) budget / start.nodeCount(), (double) k / cycles));
            ErrorIndicator.SizeField field = ErrorIndicator.sizeField(mesh, loop.state(),
                    c.flow().gamma(), target);
            Next next;
            try {
                next = remesher.remesh(mesh, field, target);
            } catch (IllegalArgumentException | IllegalStateException | IOException e) {
                done.add(cycle(k, points, mesh, monitor, loop.history(), field.estimate(), t0));
                progress.message("        " + done.get(done.size() - 1).describe());
                progress.message("        cycle " + k + " could not remesh (" + e.getMessage()
                        + "); the run solves the last good mesh");
                return new Outcome(mesh, loop.state(), done, spacing);
            }
            carried = FieldTransfer.interpolate(mesh, loop.state(), next.mesh());
            done.add(cycle(k, points, mesh, monitor, loop.history(), field.estimate(), t0));
            progress.message("        " + done.get(done.size() - 1).describe());
            mesh = next.mesh();
            points = next.points();
            spacing = next.spacing();
        }
        progress.message(String.format(Locale.ROOT, "        the run solves the adapted mesh: %d"
                + " points around, %,d nodes", points, mesh.nodeCount()));
        progress.restart((System.nanoTime() - startNanos) * 1e-9);
        return new Outcome(mesh, carried, done, spacing);
    }

    /** The run's own solve as the last cycle, with the indicator of its final flow. */
    static Cycle last(int number, Mesh mesh, CaseResult r, double[] state, double gamma,
            double seconds) {
        double estimate = ErrorIndicator.sizeField(mesh, state, gamma, mesh.nodeCount()).estimate();
        return new Cycle(number, wallNodes(mesh), mesh.nodeCount(), r.iterations(),
                r.stop().key(), r.cl(), r.cd(), r.cm(), estimate, seconds);
    }

    private static Cycle cycle(int k, int points, Mesh mesh, ConvergenceMonitor monitor,
            History h, double estimate, long t0) {
        int n = h.size() - 1;
        return new Cycle(k, points, mesh.nodeCount(), monitor.iterations(),
                monitor.stop().key(), n >= 0 ? h.lift(n) : Double.NaN,
                n >= 0 ? h.drag(n) : Double.NaN, n >= 0 ? h.moment(n) : Double.NaN, estimate,
                (System.nanoTime() - t0) * 1e-9);
    }

    /** The outline of the case's one body, as its O-mesh takes it. */
    static double[] outline(CaseDefinition c) {
        return AdaptedOMesh.outline(c.body().nacaCode(), c.body().airfoils().isEmpty() ? null
                : c.body().airfoils().get(0).airfoil(), c.body().circle());
    }

    /** Nodes on the walls of a mesh: the points around an O-mesh's body. */
    static int wallNodes(Mesh mesh) {
        int count = 0;
        for (int e = 0; e < mesh.boundaryEdgeCount(); e++) {
            count += mesh.isWallTag(mesh.edgeTag(e)) ? 1 : 0;
        }
        return count;
    }
}
