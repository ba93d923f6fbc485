package kestrafol.batch;

import java.io.IOException;
import java.io.OutputStream;
import java.io.PrintStream;
import java.math.BigDecimal;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardOpenOption;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.Set;
import java.util.concurrent.ConcurrentHashMap;
import java.util.concurrent.Executors;
import java.util.concurrent.ScheduledExecutorService;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicInteger;
import kestrafol.base.AtomicFiles;
import kestrafol.base.FolderLock;
import kestrafol.base.ShellQuoting;
import kestrafol.mesh.Mesh;
import kestrafol.meshing.AirfoilMeshes;
import kestrafol.polar.CaseFolders;
import kestrafol.polar.ComparisonData;
import kestrafol.polar.CpAllPicture;
import kestrafol.polar.PolarAnalysis;
import kestrafol.polar.PolarCase;
import kestrafol.polar.PolarCsv;
import kestrafol.polar.PolarEstimate;
import kestrafol.polar.PolarJson;
import kestrafol.polar.PolarOutputs;
import kestrafol.polar.PolarPicture;
import kestrafol.polar.PolarRow;
import kestrafol.polar.PolarTally;
import kestrafol.polar.Sweep;
import kestrafol.report.PolarReport;
import kestrafol.report.RunReport;
import kestrafol.run.CaseDefinition;
import kestrafol.run.CaseOutputs;
import kestrafol.run.InviscidDrag;
import kestrafol.run.CaseResult;
import kestrafol.run.ErrorBars;
import kestrafol.run.Run;
import kestrafol.run.StopReason;
import kestrafol.solver.Solver;
import kestrafol.study.TwoMeshes;

/**
 * A polar in the order it happens: what every case needs (the first case's mesh, the moment
 * point, the comparison points), the folder made ready, the cases (on worker threads here, as a
 * Slurm job array, or one array task's share), then the results from the case folders: polar.csv,
 * polar.json, the pictures, the report page and the closing lines, the same for a local polar and a
 * gathered one. Ctrl-C or SIGTERM stops the running cases after their current iteration, starts
 * no further case and writes the results from what the folders hold.
 */
public final class Polar {
    /** More cases than this need a confirmation. */
    public static final long CONFIRM_CASES = 10_000;
    /** The polar's full effective configuration, which also drives the Slurm tasks. */
    public static final String CONFIGURATION = PolarOutputs.CONFIGURATION;

    /** Where the cases run. */
    public enum Where { HERE, SLURM, DRY_RUN }

    /** One array task's share of a polar: its index among count tasks of the job. */
    public record Task(int index, int count, String jobId) {}

    /**
     * A polar, settled by the command line.
     *
     * @param folder the polar's folder (absolute)
     * @param chained whether a case starts from the previous angle's flow
     * @param jobs worker threads for cases run here
     * @param resume keep the cases whose folders hold a finished run with the same options and
     *     continue those holding a checkpoint of them
     * @param pictures whether polar.png and cp-all.png are drawn
     * @param compare the comparison file, or null
     * @param where where the cases run
     * @param slurm the job array's options (with {@link Where#SLURM} or {@link Where#DRY_RUN})
     * @param errorEstimate whether each case is solved on the next coarser mesh too, for its
     *     two-mesh error bars
     * @param checkpointEvery wall time between two checkpoints of a case run here, in seconds
     */
    public record Plan(Path folder, List<BigDecimal> machs, List<BigDecimal> alphas,
            List<BigDecimal> reynolds, boolean chained, int jobs, boolean resume,
            boolean pictures, Path compare, Where where, SlurmJob.Request slurm,
            boolean errorEstimate, double checkpointEvery) {
        public Plan {
            machs = List.copyOf(machs);
            alphas = List.copyOf(alphas);
            reynolds = List.copyOf(reynolds);
        }
    }

    /** What the command line knows of each case. */
    public interface Cases {
        /** The case's definition, writing into folder. */
        CaseDefinition definition(PolarCase c, Path folder);

        /**
         * The case on the next coarser built-in mesh ({@link TwoMeshes#coarserPoints}), writing
         * into folder without pictures: the second mesh of its error bars.
         */
        CaseDefinition coarser(PolarCase c, Path folder);

        /** The case's effective options, as its case.properties records them. */
        LinkedHashMap<String, String> entries(PolarCase c, Path folder);

        /** Writes the polar's effective configuration (polar.properties). */
        void writeConfiguration(Path file) throws IOException;
    }

    private final Plan plan;
    private final Cases cases;
    private final PrintStream out;
    private final boolean terminal;
    private final Sweep sweep;
    private final String title;
    private final Map<String, Mesh> meshes = new ConcurrentHashMap<>();
    /** What built each of {@link #meshes}: adaptation meshes again as the first mesh was. */
    private final Map<String, String> meshers = new ConcurrentHashMap<>();
    private final double momentPointXc;
    private final String method;
    private final ComparisonData comparison;
    private final Stopping stopping = new Stopping();
    private final AtomicInteger reused = new AtomicInteger();
    private final AtomicInteger continued = new AtomicInteger();
    /** Flows handed on by kept cases: the same as their runs ended with, not run again. */
    private final Set<Solver> keptFlows = ConcurrentHashMap.newKeySet();

    /**
     * The polar, with what every case and the results need read before any case runs: the first
     * case's mesh (an unreadable mesh or bad boundary names fail the polar at once, not every
     * case), the moment point, the comparison points (a bad file is refused before anything is
     * computed; an array task does not read them).
     */
    public Polar(Plan plan, Cases cases, PrintStream out, boolean terminal, boolean task)
            throws IOException {
        this.plan = plan;
        this.cases = cases;
        this.out = out;
        this.terminal = terminal;
        this.sweep = Sweep.of(plan.machs(), plan.reynolds(), plan.alphas(), plan.chained());
        PolarCase first = sweep.cases().get(0);
        CaseDefinition definition = cases.definition(first, plan.folder().resolve(first.folder()));
        this.title = "Polar, " + definition.body().caseName();
        AirfoilMeshes.Built built = Run.meshed(definition, System.out::println);
        Mesh mesh = built.mesh();
        meshes.put(meshKey(first), mesh);
        meshers.put(meshKey(first), built.mesher());
        this.momentPointXc = Run.momentPointXc(definition, mesh);
        this.method = definition.scheme().method().name();
        this.comparison = plan.compare() != null && !task
                ? ComparisonData.read(plan.compare(), ComparisonData.Use.POLAR) : null;
    }

    /** Units of work: chains, or cases when every case starts cold. */
    public int units() {
        return sweep.chains().size();
    }

    /** Number of cases of the polar. */
    public int size() {
        return sweep.cases().size();
    }

    /**
     * The CPU time of the polar at most: every case to its iteration cap, in words; with the
     * error estimate, the coarser meshes' share too.
     */
    public String estimate() throws IOException {
        PolarCase first = sweep.cases().get(0);
        Path folder = plan.folder().resolve(first.folder());
        int nodes = meshes.get(meshKey(first)).nodeCount();
        CaseDefinition c = cases.definition(first, folder);
        if (c.meshing().adaptation().cycles() > 0) {
            // The adapted meshes' solves, up to the budget, are the bulk; the cycles come on top.
            int last = c.meshing().adaptation().budget(nodes);
            return PolarEstimate.describe(size(), last, c.iterationCap(last), c.flow().viscous())
                    + " on the adapted meshes, and their adaptation cycles";
        }
        String fine = PolarEstimate.describe(size(), nodes, c.iterationCap(nodes), c.flow().viscous());
        if (!plan.errorEstimate()) {
            return fine;
        }
        CaseDefinition coarse = cases.coarser(first, folder.resolve(TwoMeshes.FOLDER));
        int coarseNodes = coarseMesh(first, coarse).nodeCount();
        return fine + "; the coarser meshes of the error estimate " + PolarEstimate.describe(
                size(), coarseNodes, coarse.iterationCap(coarseNodes), coarse.flow().viscous());
    }

    /**
     * Runs the polar, holding its folder's lock until it (or its Slurm job) has ended; gives its
     * exit status (0 for a dry run or a detached job).
     */
    @SuppressWarnings("try") // the lock is held, not used
    public int run() throws IOException, InterruptedException {
        try (FolderLock lock = FolderLock.acquire(plan.folder(), "kestrafol polar")) {
            String estimate = estimate();
            prepareFolder();
            header(estimate);
            long start = System.nanoTime();
            List<PolarRow> rows = plan.where() == Where.HERE ? runHere() : submit();
            if (rows == null) {
                return 0;
            }
            return finish(rows, (System.nanoTime() - start) * 1e-9);
        }
    }

    /** Gathers the Slurm job recorded in the folder (waiting while it runs), then the results. */
    @SuppressWarnings("try") // the lock is held, not used
    public int gather() throws IOException, InterruptedException {
        try (FolderLock lock = FolderLock.acquire(plan.folder(), "kestrafol polar --gather")) {
            SlurmPolar.Gathered g = SlurmPolar.gather(plan.folder(), out);
            // The cases ran elsewhere: the time of the gathering says nothing about them.
            return finish(g.rows(), Double.NaN);
        }
    }

    /** One array task: its chains (or cases) on this thread; rows to slurm/JOB/task-N.csv. */
    public void runTask(Task task) throws IOException {
        Files.createDirectories(plan.folder());
        List<List<PolarCase>> units = sweep.chains();
        SlurmJob job = new SlurmJob(plan.folder(), units.size(), task.count());
        List<List<PolarCase>> mine = job.unitsOf(task.index(), units);
        PolarProgress progress = new PolarProgress(out, false,
                mine.stream().mapToInt(List::size).sum(), 1);
        List<PolarRow> rows = new ArrayList<>();
        for (List<PolarCase> unit : mine) {
            rows.addAll(WorkerPool.runChain(unit, this::runCase, progress));
        }
        Path file = job.taskRows(task.jobId(), task.index());
        Files.createDirectories(file.getParent());
        PolarCsv.write(rows, file);
    }

    /**
     * Makes the folder ready for this polar: its configuration written, the polar's own files
     * removed (rebuilt at the end) and, unless resuming, the summary.json of each case folder, so
     * that no earlier run of a case reads as part of this polar. Folders of other cases stay.
     */
    private void prepareFolder() throws IOException {
        Files.createDirectories(plan.folder());
        for (String name : PolarOutputs.RESULTS) {
            Files.deleteIfExists(plan.folder().resolve(name));
        }
        if (!plan.resume()) {
            for (PolarCase c : sweep.cases()) {
                Files.deleteIfExists(plan.folder().resolve(c.folder())
                        .resolve(CaseOutputs.SUMMARY));
            }
        }
        SlurmSubmission.forget(plan.folder());
        cases.writeConfiguration(plan.folder().resolve(CONFIGURATION));
    }

    private void header(String estimate) {
        int n = size();
        out.println(String.format(Locale.ROOT, "Kestrafol polar: %s, %d case%s (%d Mach x %d"
                + " angle%s), %s", title.substring("Polar, ".length()), n, n == 1 ? "" : "s",
                plan.machs().size(), plan.alphas().size(), plan.reynolds().isEmpty() ? ""
                        : " x " + plan.reynolds().size() + " Reynolds", plan.chained()
                        ? "chained along each Mach number" : "each from the free stream"));
        out.println("Output: " + plan.folder());
        out.println("Estimated CPU time: " + estimate);
    }

    /** The job array: a dry run, a detached job (null rows) or the gathered rows. */
    private List<PolarRow> submit() throws IOException, InterruptedException {
        SlurmSubmission s = new SlurmSubmission("", 0, title, join(plan.machs()),
                join(plan.alphas()), plan.reynolds().isEmpty() ? null : join(plan.reynolds()),
                plan.chained());
        SlurmJob.Request r = plan.slurm();
        return SlurmPolar.submit(plan.folder(), s, new SlurmJob.Request(r.command(),
                r.partition(), r.time(), plan.where() == Where.DRY_RUN ? SlurmJob.Mode.DRY_RUN
                        : r.mode()), out);
    }

    /** The cases side by side on the worker threads, with the progress lines and the bar. */
    @SuppressWarnings("try") // the handlers are installed, not used
    private List<PolarRow> runHere() throws InterruptedException {
        List<List<PolarCase>> units = sweep.chains();
        int workers = Math.min(plan.jobs(), units.size());
        out.println("Workers: " + workers + " (--jobs " + plan.jobs() + ")");
        PolarProgress progress = new PolarProgress(out, terminal, size(), workers);
        ScheduledExecutorService ticker = null;
        if (terminal) {
            ticker = Executors.newSingleThreadScheduledExecutor(r -> {
                Thread t = new Thread(r, "polar-progress");
                t.setDaemon(true);
                return t;
            });
            ticker.scheduleAtFixedRate(progress::bar, 1, 1, TimeUnit.SECONDS);
        }
        // Ctrl-C or SIGTERM: the running cases stop after their current iteration and write
        // everything they reached, no further case starts, and polar.csv is rebuilt from the
        // folders; a case whose last iteration completed before the signal keeps its verdict.
        try (Interrupts interrupts = Interrupts.install(stopping::stopAll, out)) {
            stopping.watch(interrupts);
            return WorkerPool.run(units, plan.jobs(), this::runCase, progress);
        } finally {
            if (ticker != null) {
                ticker.shutdownNow();
            }
            progress.clearBar();
        }
    }

    /**
     * The polar's results, the same for a local polar and a gathered Slurm one: the rows of every
     * case folder of the polar (this invocation's rows where a folder holds no complete run),
     * polar.csv, polar.json, the pictures (or none, and old ones removed), the report page, the
     * summary lines; gives the polar's exit status.
     *
     * @param wall seconds the cases took here, or NaN for gathered rows
     */
    private int finish(List<PolarRow> given, double wall) throws IOException {
        List<PolarRow> rows = rows(given);
        PolarTally tally = PolarTally.of(rows);
        int status = stopping.requested() ? stopping.exitStatus() : tally.exitStatus();
        List<PolarAnalysis.Group> groups = PolarAnalysis.analyse(rows, momentPointXc);
        List<String> files = write(rows, tally, status, groups);
        if (stopping.requested()) {
            long done = rows.stream().filter(r -> r.result().stop() != StopReason.INTERRUPTED
                    && r.result().stop() != StopReason.NOT_RUN).count();
            out.println("Interrupted: " + done + " of " + rows.size() + " cases finished;"
                    + " " + PolarOutputs.CSV + " lists them all. Resume with:");
            out.println("  kestrafol polar --config " + ShellQuoting.quote(plan.folder()
                    .resolve(CONFIGURATION).toString()) + " --resume");
            return status;
        }
        if (!Double.isNaN(wall)) {
            out.println(String.format(Locale.ROOT, "%d cases in %s (%.0f cases per hour)",
                    rows.size(), PolarProgress.time(wall), rows.size() * 3600 / wall));
        }
        out.println(tally.line());
        if (plan.reynolds().isEmpty()) {
            out.println(InviscidDrag.NOTE);
        }
        PolarAnalysis.lines(groups).forEach(out::println);
        out.println("Results in " + plan.folder() + ": " + String.join(" ", files)
                + " and a folder per case");
        return status;
    }

    /** Every case's row from the folders, with the lines about foreign and kept cases. */
    private List<PolarRow> rows(List<PolarRow> given) throws IOException {
        // A folder's run made with other options than this polar's is no row of this polar.
        List<PolarRow> rows = CaseFolders.rows(sweep.cases(), plan.folder(), given,
                this::recordedAsNow);
        Set<String> foreign = CaseFolders.foreign(sweep.cases(), plan.folder());
        if (!foreign.isEmpty()) {
            out.println("Left out of " + PolarOutputs.CSV + " (case folders not in this polar): "
                    + String.join(" ", foreign));
        }
        if (reused.get() > 0 || continued.get() > 0) {
            out.println("Resumed: " + reused.get() + " of " + size() + " cases kept from"
                    + " their folders, " + continued.get() + " continued from their checkpoints");
        }
        return rows;
    }

    /** polar.csv, polar.json, the pictures, the report page; gives the files written. */
    private List<String> write(List<PolarRow> rows, PolarTally tally, int status,
            List<PolarAnalysis.Group> groups) throws IOException {
        Path folder = plan.folder();
        PolarCsv.write(rows, folder.resolve(PolarOutputs.CSV));
        PolarJson.write(tally, status, groups, momentPointXc, rows, method,
                folder.resolve(PolarOutputs.JSON));
        for (String picture : PolarOutputs.PICTURES) {
            Files.deleteIfExists(folder.resolve(picture));
        }
        if (plan.pictures()) {
            AtomicFiles.write(folder.resolve(PolarOutputs.PICTURE),
                    f -> PolarPicture.write(rows, comparison, title, f));
            AtomicFiles.write(folder.resolve(PolarOutputs.CP_ALL), f -> CpAllPicture.write(
                    CpAllPicture.curves(rows, folder), "Pressure coefficient", f));
        }
        PolarReport.write(folder, rows, comparison, momentPointXc, title);
        return PolarOutputs.written(plan.pictures());
    }

    /**
     * The row of the case's folder when it holds a finished run recorded with exactly the
     * options this case would run with (null otherwise).
     */
    private PolarRow reusable(PolarCase c) {
        PolarRow done = CaseFolders.complete(c, plan.folder());
        // A polar with the error estimate runs again a case kept without bars.
        return CaseFolders.finished(done) && recordedAsNow(c)
                && (!plan.errorEstimate() || done.result().bars() != null) ? done : null;
    }

    /**
     * Whether the case's folder records exactly the options this polar gives the case (but for
     * where it lives and how often it saves, see {@link RecordedOptions}).
     */
    private boolean recordedAsNow(PolarCase c) {
        Path folder = plan.folder().resolve(c.folder());
        return RecordedOptions.same(folder, cases.entries(c, folder));
    }

    /**
     * Whether the case continues from the checkpoint its folder holds. Not with the error
     * estimate: the coarser runs keep no checkpoints, so such a polar runs its unfinished cases
     * again.
     */
    private boolean resumable(PolarCase c) {
        Path folder = plan.folder().resolve(c.folder());
        return !plan.errorEstimate() && RecordedOptions.resumable(folder, cases.entries(c, folder));
    }

    /**
     * The solvers a chain hands on: the case's, and with the error estimate the coarser mesh's
     * (null when its flow is not carried on).
     */
    record Solvers(Solver fine, Solver coarse) implements AutoCloseable {
        @Override
        public void close() {
            fine.close();
            if (coarse != null) {
                coarse.close();
            }
        }
    }

    /**
     * One case: kept from its folder (resuming), not run (the polar is stopping), continued from
     * its checkpoint (resuming) or run through the single-case runner.
     */
    private WorkerPool.Outcome<Solvers> runCase(PolarCase c, Solvers from) throws IOException {
        PolarRow kept = plan.resume() ? reusable(c) : null;
        boolean fromKept = from != null && keptFlows.remove(from.fine());
        if (kept != null || stopping.requested()) {
            if (from != null) {
                from.close();
            }
            if (kept != null) {
                reused.incrementAndGet();
                List<PolarCase> chain = sweep.chains().get(c.chain());
                boolean last = chain.get(chain.size() - 1).index() == c.index();
                return new WorkerPool.Outcome<>(kept, last ? null : endFlow(c));
            }
            return new WorkerPool.Outcome<>(PolarRow.without(c, StopReason.NOT_RUN,
                    "the polar was stopped before this case started"), null);
        }
        // A case with a checkpoint of the options it runs with now continues from it, unless
        // its predecessor ran again and hands on a flow: that may differ from the one the
        // checkpoint's run began on (a raised cap), and a polar never stopped starts from it.
        boolean continued = plan.resume() && (from == null || fromKept) && resumable(c);
        if (continued && from != null) {
            from.close();
            from = null;
        }
        return solve(c, from, continued);
    }

    /**
     * The flow a kept case's run ended with, from its checkpoint, for the next case of its
     * chain (which then starts as in a polar never stopped); null when its folder has none, or
     * with the error estimate (the coarser runs keep no checkpoints: the chain starts afresh).
     */
    private Solvers endFlow(PolarCase c) {
        if (plan.errorEstimate()) {
            return null;
        }
        Path folder = plan.folder().resolve(c.folder());
        CaseDefinition definition = cases.definition(c, folder);
        Solver s = Run.endFlow(definition, folder, mesh(c, definition));
        if (s == null) {
            return null;
        }
        keptFlows.add(s);
        return new Solvers(s, null);
    }

    /**
     * The case through the single-case runner, from its checkpoint, its predecessor's flow or
     * afresh; its printed output into run.log (appended to when it continues).
     */
    @SuppressWarnings("try") // the lock is held, not used
    private WorkerPool.Outcome<Solvers> solve(PolarCase c, Solvers from, boolean checkpoint)
            throws IOException {
        Path folder = plan.folder().resolve(c.folder());
        Files.createDirectories(folder);
        CaseDefinition definition = cases.definition(c, folder);
        Mesh mesh = from != null ? from.fine().mesh() : mesh(c, definition);
        // Under a lowered cap the case runs again: a polar never stopped would end before it.
        boolean resumed = checkpoint && Run.withinCap(folder, definition, mesh);
        // The case folder is this polar's too: a "run --out" into it meanwhile is refused.
        try (FolderLock lock = FolderLock.acquire(folder, "kestrafol polar, case " + c.label());
                OutputStream file = resumed ? Files.newOutputStream(folder.resolve("run.log"),
                        StandardOpenOption.CREATE, StandardOpenOption.APPEND)
                        : Files.newOutputStream(folder.resolve("run.log"));
                PrintStream log = new PrintStream(file, true, StandardCharsets.UTF_8)) {
            // A checkpoint that does not belong to its folder (run id, mesh, settings, damage)
            // is refused in one line: the case fails with it, its folder as it was.
            Run run = resumed ? Run.resume(definition, folder, log, false)
                    : new Run(definition, folder, log, false);
            run.builtBy(meshers.get(meshKey(c)));
            run.withCheckpoints(plan.checkpointEvery());
            recordCase(run, c, folder, from != null || run.continuesCarriedFlow());
            Coarse coarse = plan.errorEstimate() ? coarse(c, folder,
                    from == null ? null : from.coarse()) : null;
            if (coarse != null) {
                run.withErrorBars(coarse);
            }
            CaseResult r;
            try {
                r = stopping.execute(run, () -> run.execute(mesh, from == null ? null
                        : from.fine(), true));
            } catch (IOException | RuntimeException e) {
                if (run.solver() != null) {
                    run.solver().close();
                }
                if (coarse != null) {
                    coarse.close();
                }
                throw e;
            }
            if (resumed) {
                continued.incrementAndGet();
            }
            try {
                RunReport.write(folder, null, definition.body().caseName() + ", " + c.label());
            } catch (IOException | RuntimeException e) {
                // The case's answer stands without its page.
                log.println(CaseOutputs.REPORT + " not written: " + e.getMessage());
            }
            Solvers solvers = new Solvers(run.solver(), coarse == null ? null : coarse.handOn());
            // Only a flow that ended normally is carried on: after a divergence or an
            // interruption the next case of the chain starts from the free stream.
            if (r.stop() == StopReason.DIVERGED || r.stop() == StopReason.INTERRUPTED) {
                solvers.close();
                return new WorkerPool.Outcome<>(new PolarRow(c, r), null);
            }
            return new WorkerPool.Outcome<>(new PolarRow(c, r), solvers);
        }
    }

    /** The case's mesh, generated once for every case that shares it. */
    private Mesh mesh(PolarCase c, CaseDefinition definition) {
        return meshes.computeIfAbsent(meshKey(c), k -> {
            try {
                AirfoilMeshes.Built built = Run.meshed(definition, System.out::println);
                meshers.put(k, built.mesher());
                return built.mesh();
            } catch (IOException e) {
                throw new java.io.UncheckedIOException(e);
            }
        });
    }

    /**
     * The case solved on the next coarser mesh, in the folder coarser/ inside the case's (its
     * printed output in its own run.log), from the coarser flow of the previous case of the
     * chain: the source of the case's error bars. A failure of it leaves the case without bars
     * and with a warning that says why.
     */
    private Coarse coarse(PolarCase c, Path folder, Solver from) throws IOException {
        Path coarseFolder = folder.resolve(TwoMeshes.FOLDER);
        Files.createDirectories(coarseFolder);
        CaseDefinition d = cases.coarser(c, coarseFolder);
        try (OutputStream file = Files.newOutputStream(coarseFolder.resolve("run.log"));
                PrintStream log = new PrintStream(file, true, StandardCharsets.UTF_8)) {
            Mesh mesh = from != null ? from.mesh() : coarseMesh(c, d);
            Run run = new Run(d, coarseFolder, log, false);
            CaseResult r;
            try {
                r = stopping.execute(run, () -> run.execute(mesh, from, true));
            } catch (IOException | RuntimeException e) {
                if (run.solver() != null) {
                    run.solver().close();
                }
                return new Coarse(null, 0, 0, null, e.getMessage());
            }
            boolean carried = r.stop() != StopReason.DIVERGED
                    && r.stop() != StopReason.INTERRUPTED;
            if (!carried) {
                run.solver().close();
            }
            return new Coarse(r, mesh.nodeCount(), d.meshing().meshOptions() == null ? 0
                    : d.meshing().meshOptions().pointsAround(),
                    carried ? run.solver() : null, null);
        } catch (IOException | RuntimeException e) {
            // The coarser mesh could not be built or read: the case runs without bars.
            if (from != null) {
                from.close();
            }
            return new Coarse(null, 0, 0, null, e.getMessage());
        }
    }

    /** The coarser mesh of a case, shared like the cases' own meshes. */
    private Mesh coarseMesh(PolarCase c, CaseDefinition coarse) throws IOException {
        try {
            return meshes.computeIfAbsent(TwoMeshes.FOLDER + ":" + meshKey(c), k -> {
                try {
                    return Run.mesh(coarse);
                } catch (IOException e) {
                    throw new java.io.UncheckedIOException(e);
                }
            });
        } catch (java.io.UncheckedIOException e) {
            throw e.getCause();
        }
    }

    /**
     * A case's coarser run: its result and mesh, the solver to hand on (or null), or why it
     * failed; the source of the case's bars.
     */
    private record Coarse(CaseResult result, int nodes, int points, Solver solver,
            String failure) implements ErrorBars.Source, AutoCloseable {
        @Override
        public ErrorBars of(CaseResult fine, int fineNodes, double maxMach) {
            if (failure != null) {
                throw new IllegalStateException(failure);
            }
            return TwoMeshes.bars(fine, fineNodes, maxMach, result, nodes, points);
        }

        /** The solver for the next case of the chain, or null. */
        Solver handOn() {
            return solver;
        }

        @Override
        public void close() {
            if (solver != null) {
                solver.close();
            }
        }
    }

    /** Built-in viscous meshes depend on the Reynolds number; everything else is shared. */
    private static String meshKey(PolarCase c) {
        return c.reynolds() == null ? "" : Sweep.plain(c.reynolds());
    }

    /** The case's effective options, recorded by the run as its case.properties. */
    private void recordCase(Run run, PolarCase c, Path folder, boolean carried) {
        Path file = folder.resolve(CaseOutputs.CASE_FILE);
        List<String> comments = new ArrayList<>(List.of("kestrafol polar, case " + c.label()
                + ": the effective options of this case.",
                "Re-run it alone with: kestrafol run --config " + file));
        if (carried) {
            comments.add("It started from the converged flow of the previous angle of its chain;"
                    + " alone it starts from the free stream.");
        }
        run.recordCase(comments, cases.entries(c, folder));
    }

    private static String join(List<BigDecimal> values) {
        return String.join(",", values.stream().map(Sweep::plain).toList());
    }
}
