package kestrafol.run;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.concurrent.atomic.AtomicBoolean;
import java.util.function.Consumer;
import kestrafol.base.RunId;
import kestrafol.mesh.Mesh;
import kestrafol.mesh.io.MeshFiles;
import kestrafol.meshing.AirfoilMeshes;
import kestrafol.meshing.MeshGenerator;
import kestrafol.output.CpPicture;
import kestrafol.solver.History;
import kestrafol.solver.FlowChecks;
import kestrafol.solver.BoundaryConditions;
import kestrafol.solver.ConvergenceMonitor;
import kestrafol.solver.ConvergenceMonitor.Stop;
import kestrafol.solver.FlowField;
import kestrafol.solver.Solver;
import kestrafol.solver.WallForces;

/**
 * One solved case, in the order it happens: the mesh, the set-up of forces and settings, the
 * checks before the run, the iterations with their stopping rule, the checks after it, and the
 * files. A plain method call: no exit, no global state, no signal handling (the command installs
 * that and calls {@link #requestStop()}), so commands that solve many cases may run several at
 * once on different threads, each with its own definition and output folder.
 */
public final class Run {
    /** Exit status of a run whose residual became non-finite. */
    public static final int EXIT_DIVERGED = 3;
    /**
     * Exit status of a run that gave coefficients without converging (the iteration cap ended
     * it): its numbers are not an answer. A polar uses it when some case did not converge.
     */
    public static final int EXIT_NOT_CONVERGED = 4;
    /** Wall time between two checkpoints of the run command by default. */
    public static final double DEFAULT_CHECKPOINT_SECONDS = 60;

    private final CaseDefinition c;
    private final CaseOutputs outputs;
    private final PrintStream out;
    private final Progress progress;
    private final AtomicBoolean stopRequested = new AtomicBoolean();
    private long startNanos = System.nanoTime();
    private Solver kept;
    private ErrorBars.Source errorBars;
    private ErrorBars.AfterAdapting adaptedBars;
    /** The checkpoint a resumed run continues from, null for a run from the start. */
    private final Checkpoint resumed;
    /** Wall time between checkpoints; negative for a run that takes none. */
    private double checkpointSeconds = -1;
    private List<Sequencing.Level> coarseLevels = List.of();
    private List<Adapting.Cycle> cycles = List.of();
    /** What built the mesh, for summary.json (null: not known, not written). */
    private String mesher;

    /**
     * A run of the case, writing into outDir; progress and the summary go to out, with a live
     * bar when terminal is true.
     */
    public Run(CaseDefinition definition, Path outDir, PrintStream out, boolean terminal) {
        this(definition, new CaseOutputs(outDir, definition.output().pictures(), RunId.next()), out,
                terminal, null);
    }

    private Run(CaseDefinition definition, CaseOutputs outputs, PrintStream out,
            boolean terminal, Checkpoint resumed) {
        this.c = definition;
        this.outputs = outputs;
        this.out = out;
        this.progress = new Progress(out, terminal);
        this.resumed = resumed;
        if (resumed != null && resumed.history().size() > 0) {
            History h = resumed.history();
            startNanos -= (long) (h.seconds(h.size() - 1) * 1e9);
        }
    }

    /**
     * The run whose checkpoint outDir holds, continued: same run id, and (once the mesh and
     * settings of the definition are checked against the checkpoint's fingerprints in
     * {@link #execute()}) the same iterations and answer as a run never stopped. Checkpoints
     * stay on. A folder without a checkpoint, a damaged checkpoint and one of another run than
     * the folder's case.properties are refused with an {@link IllegalArgumentException} naming
     * the file.
     */
    public static Run resume(CaseDefinition definition, Path outDir, PrintStream out,
            boolean terminal) throws IOException {
        Path file = outDir.resolve(CaseOutputs.CHECKPOINT);
        Checkpoint checkpoint = new CaseOutputs(outDir, false, "").readCheckpoint();
        if (checkpoint == null) {
            throw new IllegalArgumentException("nothing to resume in " + outDir + ": it has no "
                    + CaseOutputs.CHECKPOINT + " (a run writes one every so often and when it"
                    + " stops)");
        }
        String folderRun = CaseOutputs.recordedRunId(outDir);
        if (!checkpoint.runId().equals(folderRun)) {
            throw new IllegalArgumentException("checkpoint " + file + " belongs to run "
                    + checkpoint.runId() + ", but the folder's " + CaseOutputs.CASE_FILE
                    + (folderRun == null ? " names no run" : " to run " + folderRun)
                    + "; it is not used");
        }
        Run run = new Run(definition, new CaseOutputs(outDir, definition.output().pictures(),
                checkpoint.runId()), out, terminal, checkpoint);
        run.checkpointSeconds = DEFAULT_CHECKPOINT_SECONDS;
        return run;
    }

    /**
     * Whether the checkpoint in outDir (if any) lies within the case's iteration cap on this
     * mesh, so that continuing it ends as a run with that cap would; a run with a lower cap
     * stops before it. A damaged checkpoint counts as within: resuming refuses it in one line.
     */
    public static boolean withinCap(Path outDir, CaseDefinition c, Mesh mesh) throws IOException {
        try {
            Checkpoint k = new CaseOutputs(outDir, false, "").readCheckpoint();
            return k == null || k.iterations() <= c.iterationCap(mesh.nodeCount());
        } catch (IllegalArgumentException e) {
            return true;
        }
    }

    /**
     * A solver holding the flow the complete run in outDir ended with, read from its last
     * checkpoint, on the given mesh: what the next case of a polar chain starts from when this
     * case is kept from an earlier invocation, the same bits as the run's own solver at its end.
     * Null when the folder's checkpoint is not of its complete run's last iteration on this mesh
     * with this case's settings (or is unreadable); the caller closes the solver.
     */
    public static Solver endFlow(CaseDefinition c, Path outDir, Mesh mesh) {
        try {
            Checkpoint k = new CaseOutputs(outDir, false, "").readCheckpoint();
            CaseResult done = CaseOutputs.completeResult(outDir);
            if (k == null || done == null || !k.runId().equals(done.runId())
                    || k.iterations() != done.iterations()
                    || !k.meshFingerprint().equals(Checkpoint.fingerprint(mesh))) {
                return null;
            }
            CaseSetup setup = CaseSetup.of(c, mesh, k.carried());
            if (!k.settingsFingerprint().equals(Checkpoint.fingerprint(c, setup))) {
                return null;
            }
            return new Solver(mesh, k.settingsNow(setup), c.meshing().renumber(), k.field(),
                    k.iterations(), c.scheme().method());
        } catch (IOException | IllegalArgumentException e) {
            return null;
        }
    }

    /**
     * True for a resumed run that began on a carried flow (a polar chain case started from its
     * predecessor's flow): it continues without a first-order start, as it began.
     */
    public boolean continuesCarriedFlow() {
        return resumed != null && resumed.carried();
    }

    /**
     * Takes checkpoints: every everySeconds of wall time (0: after every iteration) and when the
     * run stops, unless it diverged; "run --resume" continues from the last one.
     */
    public Run withCheckpoints(double everySeconds) {
        if (!(everySeconds >= 0)) {
            throw new IllegalArgumentException("checkpoint interval must be 0 or more seconds, got "
                    + everySeconds);
        }
        this.checkpointSeconds = everySeconds;
        return this;
    }

    /**
     * Names what built the mesh a caller hands {@link #execute(Mesh, Solver, boolean)} (as
     * {@link #meshed} gives it), so that adaptation meshes again the same way and summary.json
     * says it; null: not known.
     */
    public Run builtBy(String mesherName) {
        this.mesher = mesherName;
        return this;
    }

    /** The identity of this run, carried by every file it writes. */
    public String runId() {
        return outputs.runId();
    }

    /**
     * Records the case's effective options: written as case.properties, with the run id, when
     * the run starts (after the previous run's files are removed).
     */
    public void recordCase(List<String> comments, LinkedHashMap<String, String> entries) {
        outputs.caseFile(comments, entries);
    }

    /**
     * With error bars: after the iterations the run asks the source for the bars of its
     * coefficients (it may wait for a coarser run) and reports them beside the coefficients;
     * a diverged or interrupted run gets none.
     */
    public Run withErrorBars(ErrorBars.Source source) {
        this.errorBars = source;
        return this;
    }

    /**
     * With error bars of an adapted run: once its cycles have run, the coarser run is started
     * on the family their last size field places (see {@link ErrorBars.AfterAdapting}).
     */
    public Run withAdaptedErrorBars(ErrorBars.AfterAdapting source) {
        this.adaptedBars = source;
        return this;
    }

    /**
     * The solver of a run executed with keep, still open (null otherwise); the caller closes it.
     */
    public Solver solver() {
        return kept;
    }

    /**
     * Asks the run to stop at the end of its current iteration and write everything it reached
     * (summary.json says "interrupted"). Safe to call from any thread, e.g. a signal handler.
     */
    public void requestStop() {
        stopRequested.set(true);
    }

    /**
     * Measured or published Cp points for cp.png (x as x/c), or null for none; set before
     * {@link #execute()}.
     */
    public void compareCp(CpPicture.Points points) {
        outputs.compareCp(points);
    }

    /**
     * The moment point of the case on its mesh as x/c: its distance behind the front of the
     * monitored walls over the reference length (0.25 for the quarter chord of an airfoil by
     * default, 0.5 for the centre of the circle). The aerodynamic centre of a polar is measured
     * from it.
     */
    public static double momentPointXc(CaseDefinition c, Mesh mesh) {
        return CaseSetup.of(c, mesh, false).momentPointXc();
    }

    /** Reads or generates the case's mesh, with the boundary kinds of its names and choices. */
    public static Mesh mesh(CaseDefinition c) throws IOException {
        return meshed(c, System.out::println).mesh();
    }

    /**
     * Reads or generates the case's mesh, with the boundary kinds of its names and choices, and
     * names what built it ("mesh file" for a mesh file); notes takes the line that says the
     * built-in O-mesh could not be built around an airfoil file and Gmsh meshed it instead.
     */
    public static AirfoilMeshes.Built meshed(CaseDefinition c, Consumer<String> notes)
            throws IOException {
        AirfoilMeshes.Built built;
        CaseDefinition.Body body = c.body();
        CaseDefinition.Meshing m = c.meshing();
        if (body.meshFile() != null) {
            try {
                built = new AirfoilMeshes.Built(MeshFiles.read(body.meshFile()), "mesh file");
            } catch (IllegalArgumentException e) {
                throw new IllegalArgumentException("--mesh " + e.getMessage(), e);
            }
        } else if (!body.airfoils().isEmpty()) {
            built = AirfoilMeshes.mesh(body.airfoils(), m.meshOptions(), m.gmshOptions(),
                    c.flow().viscous(), m.firstHeightCeiling(), notes);
        } else {
            try {
                built = new AirfoilMeshes.Built(body.circle() ? MeshGenerator.circle(m.meshOptions())
                        : MeshGenerator.naca(body.nacaCode(), m.meshOptions()), AirfoilMeshes.O_MESH);
            } catch (IllegalStateException e) {
                throw AirfoilMeshes.unbuildable(body.caseName(), m.meshOptions(), e);
            }
        }
        return new AirfoilMeshes.Built(withBoundaries(c, built.mesh()), built.mesher());
    }

    /** The mesh with the boundary kinds of its names and the case's choices. */
    static Mesh withBoundaries(CaseDefinition c, Mesh mesh) {
        BoundaryConditions bc = BoundaryConditions.defaults(c.flow().viscous());
        for (String b : c.boundaries().kinds()) {
            bc = bc.with(b);
        }
        return bc.apply(mesh);
    }

    /** Runs the case once. */
    public CaseResult execute() throws IOException {
        AirfoilMeshes.Built built = meshed(c, out::println);
        mesher = built.mesher();
        return execute(built.mesh(), null, false);
    }

    /**
     * Runs the case on the given mesh. With a solver from a neighbouring case (a polar chain), the
     * run continues from that solver's flow: it is updated to this case's settings and iterates
     * on, without a first-order start; the run owns it from then on. With keep, the solver stays
     * open after the run for the caller to take with {@link #solver()} (and close); otherwise the
     * run closes it, also when the run fails.
     */
    public CaseResult execute(Mesh mesh, Solver from, boolean keep) throws IOException {
        if (from != null && resumed != null) {
            from.close();
            throw new IllegalArgumentException("a resumed run continues its own flow, not a"
                    + " carried one");
        }
        if (from != null && from.mesh() != mesh) {
            from.close();
            throw new IllegalArgumentException("a carried solver must be on the run's mesh");
        }
        double[] adapted = null;
        if (from == null && resumed == null && c.meshing().adaptation().cycles() > 0) {
            Adapting.Outcome a = adaptFirst(mesh);
            mesh = a.mesh();
            adapted = a.state();
        }
        Checks checks = new Checks();
        checks.farField(mesh, !c.boundaries().kinds().isEmpty());
        // A sequenced run, resumed or not, begins on a carried flow: no first-order start.
        boolean sequenced = from == null && !Sequencing.ladder(c).isEmpty();
        // A resumed chain case began on its predecessor's flow and keeps that set-up.
        boolean carried = from != null || sequenced || continuesCarriedFlow() || adapted != null;
        CaseSetup setup = CaseSetup.of(c, mesh, carried);
        ConvergenceMonitor monitor = setup.monitor(c);
        String meshFingerprint = checkpointSeconds >= 0 ? Checkpoint.fingerprint(mesh) : null;
        String settingsFingerprint = checkpointSeconds >= 0 ? Checkpoint.fingerprint(c, setup)
                : null;
        if (resumed != null) {
            checkResumable(meshFingerprint, settingsFingerprint, mesh, setup.cap());
        }

        ConsoleText.header(out, c, setup, outputs.folder());
        outputs.prepare(resumed != null);
        checks.limits(c);
        checks.beforeRun(setup);
        ConsoleText.warnings(out, checks.warnings());

        IterationLoop.Checkpoints checkpoints = checkpointSeconds < 0 ? null
                : new IterationLoop.Checkpoints((solver, history, switchedAt, solverSeconds) ->
                        outputs.writeCheckpoint(new Checkpoint(outputs.runId(), meshFingerprint,
                                settingsFingerprint, carried, history.size(), switchedAt,
                                solverSeconds, history, solver.field())), checkpointSeconds);
        // A resumed run continues from its checkpoint: its coarse levels ran before it.
        IterationLoop.Outcome loop = iterate(setup, monitor, from, keep, checkpoints,
                sequenced && resumed == null, adapted);

        Stop stop = monitor.stop();
        boolean converged = checks.afterRun(setup, monitor, loop.state());
        outputs.writeResults(c, setup, loop, stop);
        double[] answer = answer(loop.history(), stop);
        CaseResult result = new CaseResult(answer[0], answer[1], answer[2], answer[3], answer[4],
                monitor.iterations(), StopReason.of(stop), monitor.residualDrop(), seconds(),
                converged, checks.warnings(), outputs.runId(), "");
        if (errorBars != null && stop != Stop.DIVERGED && stop != Stop.INTERRUPTED) {
            try {
                result = result.withBars(errorBars.of(result, mesh.nodeCount(),
                        FlowChecks.maxMach(loop.state(), setup.target().gamma())));
            } catch (Exception e) {
                result = result.withWarning("no error estimate: the coarser mesh failed: "
                        + e.getMessage());
            }
        }
        if (!cycles.isEmpty()) {
            List<Adapting.Cycle> all = new ArrayList<>(cycles);
            all.add(Adapting.last(cycles.size() + 1, mesh, result, loop.state(),
                    c.flow().gamma(), seconds() - cycles.stream().mapToDouble(Adapting.Cycle::seconds)
                            .sum()));
            cycles = List.copyOf(all);
        }
        outputs.writeSummary(c, setup, result, stop, coarseLevels, cycles, mesher,
                walls(loop.recentShares(), loop.history().size(), stop));
        ConsoleText.sequence(out, coarseLevels);
        ConsoleText.cycles(out, cycles);
        ConsoleText.summary(out, c, result, stop, loop.solverSeconds(), setup.cap(),
                outputs.folder(), outputs.files(stop == Stop.DIVERGED));
        return result;
    }

    /**
     * The adaptation cycles from the case's first mesh, as the run's first step, when its body
     * can be meshed again (otherwise the mesh as it is, said on one line): their list kept for
     * the summary, the error bars taken on the adapted family, and no checkpoints (resuming
     * would not rebuild the last mesh).
     */
    private Adapting.Outcome adaptFirst(Mesh mesh) throws IOException {
        if (!Adapting.applies(c, mesher)) {
            out.println("Note: --adapt meshes the body again as its first mesh was built; this"
                    + " body's mesh is " + (mesher == null ? "not known to be the built-in"
                    + " O-mesh or Gmsh's" : "a " + mesher) + ", so the run solves it unadapted");
            return new Adapting.Outcome(mesh, null, List.of(), null);
        }
        progress.header(seconds());
        Adapting.Outcome a = Adapting.run(c, mesh, mesher, progress, stopRequested, startNanos);
        cycles = a.cycles();
        if (adaptedBars != null && !cycles.isEmpty()) {
            errorBars = adaptedBars(a);
        }
        checkpointSeconds = cycles.isEmpty() ? checkpointSeconds : -1;
        return a;
    }

    /**
     * The source of an adapted run's bars: its coarser run started on the family of its last
     * size field, or one that says why there is none.
     */
    private ErrorBars.Source adaptedBars(Adapting.Outcome a) {
        String why = Adapting.byGmsh(c, mesher) ? "Gmsh's adapted mesh has no family of"
                + " coarser meshes placed by its size field" : "the adaptation stopped in a"
                + " cycle, so no adapted size field places it";
        if (a.spacing() != null) {
            try {
                return adaptedBars.start(AdaptedLevels.ladderOf(c, a.mesh(), a.spacing()),
                        Adapting.wallNodes(a.mesh()));
            } catch (IllegalArgumentException e) {
                why = e.getMessage();
            }
        }
        String message = why;
        return (r, n, m) -> {
            throw new IllegalStateException(message);
        };
    }

    /**
     * Refuses a checkpoint taken on another mesh or with other settings than this run's, or
     * past its iteration cap (a run with that cap would have stopped before it).
     */
    private void checkResumable(String meshFingerprint, String settingsFingerprint, Mesh mesh,
            int cap) {
        Path file = outputs.folder().resolve(CaseOutputs.CHECKPOINT);
        if (!resumed.meshFingerprint().equals(meshFingerprint)
                || resumed.field().nodeCount() != mesh.nodeCount()) {
            throw new IllegalArgumentException("checkpoint " + file + " was taken on another mesh"
                    + " than this run's (" + mesh.nodeCount() + " nodes); it is not used");
        }
        if (!resumed.settingsFingerprint().equals(settingsFingerprint)) {
            throw new IllegalArgumentException("checkpoint " + file + " was taken with other"
                    + " settings than this run's (flow, scheme, first-order start, forces or"
                    + " stopping rule; only --iterations may change); it is not used");
        }
        if (resumed.iterations() > cap) {
            throw new IllegalArgumentException("checkpoint " + file + " holds "
                    + resumed.iterations() + " iterations, past this run's cap of " + cap
                    + " (--iterations); it is not used");
        }
    }

    /**
     * Starts the solver (or carries on the given one), runs the loop, and closes the solver
     * unless it is kept for the caller, also when the loop fails.
     */
    private IterationLoop.Outcome iterate(CaseSetup setup, ConvergenceMonitor monitor,
            Solver from, boolean keep, IterationLoop.Checkpoints checkpoints, boolean sequenced,
            double[] adapted) throws IOException {
        progress.header(seconds());
        Solver solver = from;
        boolean handOver = false;
        try {
            double[] carried = adapted;
            if (sequenced) {
                Sequencing.Outcome s = Sequencing.run(c, setup.mesh(), progress, stopRequested,
                        startNanos);
                coarseLevels = s.levels();
                carried = s.state();
            }
            if (resumed != null) {
                solver = new Solver(setup.mesh(), resumed.settingsNow(setup), c.meshing().renumber(),
                        resumed.field(), resumed.iterations(), c.scheme().method());
                progress.message("        resumed run " + outputs.runId() + " after iteration "
                        + resumed.iterations());
            } else if (carried != null) {
                solver = new Solver(setup.mesh(), setup.target(), c.meshing().renumber(),
                        FlowField.of(carried), 0, c.scheme().method());
            } else if (solver == null) {
                solver = new Solver(setup.mesh(), setup.initial(), c.meshing().renumber(), null, 0,
                        c.scheme().method());
            } else {
                solver.update(setup.target());
                progress.message("        continued from the flow of the previous case");
            }
            IterationLoop.Outcome loop = IterationLoop.run(solver, setup, monitor, c.output().printEvery(),
                    c.stopping().orders(), progress, stopRequested, startNanos, resumed, checkpoints,
                    c.answerWindow());
            handOver = keep;
            return loop;
        } finally {
            if (handOver) {
                kept = solver;
            } else if (solver != null) {
                solver.close();
            }
        }
    }

    /**
     * {cl, cd, cdPressure, cdFriction, cm}: the mean over the window of the coefficient criterion
     * when that ended the run (the coefficients then still swing a little around their value),
     * the last iteration's values otherwise.
     */
    private double[] answer(History h, Stop stop) {
        int n = h.size();
        int from = stop == Stop.CAUCHY ? Math.max(0, n - c.answerWindow()) : n - 1;
        double[] sum = new double[5];
        for (int k = from; k < n; k++) {
            sum[0] += h.lift(k);
            sum[1] += h.drag(k);
            sum[2] += h.dragPressure(k);
            sum[3] += h.dragFriction(k);
            sum[4] += h.moment(k);
        }
        for (int k = 0; k < 5; k++) {
            sum[k] /= n - from;
        }
        return sum;
    }

    /**
     * Each wall's share over the iterations the answer averages (those this run's loop saw, on
     * a resumed run), summed in iteration order as the answer is.
     */
    private List<WallForces.WallShare> walls(List<List<WallForces.WallShare>> recent, int n,
            Stop stop) {
        int count = Math.min(recent.size(), stop == Stop.CAUCHY ? Math.min(n, c.answerWindow())
                : 1);
        List<WallForces.WallShare> last = recent.isEmpty() ? List.of() : recent.get(recent.size() - 1);
        List<WallForces.WallShare> mean = new ArrayList<>();
        for (int w = 0; w < last.size(); w++) {
            double[] sum = new double[3];
            for (int k = recent.size() - count; k < recent.size(); k++) {
                WallForces.WallShare share = recent.get(k).get(w);
                sum[0] += share.cl();
                sum[1] += share.cd();
                sum[2] += share.cm();
            }
            mean.add(new WallForces.WallShare(last.get(w).tag(), sum[0] / count, sum[1] / count,
                    sum[2] / count));
        }
        return mean;
    }

    private double seconds() {
        return (System.nanoTime() - startNanos) * 1e-9;
    }
}
