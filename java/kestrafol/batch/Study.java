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
import java.util.concurrent.ConcurrentHashMap;
import java.util.concurrent.atomic.AtomicInteger;
import kestrafol.base.FolderLock;
import kestrafol.base.Numbers;
import kestrafol.base.ShellQuoting;
import kestrafol.meshing.MeshGenerator;
import kestrafol.polar.PolarCase;
import kestrafol.polar.PolarRow;
import kestrafol.polar.PolarTally;
import kestrafol.report.StudyReport;
import kestrafol.mesh.Mesh;
import kestrafol.run.AdaptedLevels;
import kestrafol.run.CaseDefinition;
import kestrafol.run.CaseOutputs;
import kestrafol.run.CaseResult;
import kestrafol.run.Run;
import kestrafol.run.StopReason;
import kestrafol.solver.Solver;
import kestrafol.study.GridConvergence;
import kestrafol.study.Ladder;
import kestrafol.study.StudyOutputs;

/**
 * A grid study in the order it happens: the header, the levels (on worker threads here, as a
 * Slurm job array, or gathered from one), the warnings and estimates, the files, the closing
 * lines. Ctrl-C or SIGTERM stops the running levels after their current iteration; the levels
 * not started are "not run"; the files are written from what the levels reached.
 */
public final class Study {
    /** Where the levels run. */
    public enum Where { HERE, SLURM, GATHER }

    /**
     * A study, settled by the command line.
     *
     * @param folder the study's folder (absolute)
     * @param ladder the levels, finest first
     * @param ratio the refinement ratio between levels
     * @param resolution points around the body of the finest level
     * @param jobs worker threads for levels run here
     * @param pictures whether study.png is drawn
     * @param assumedOrder the order a two-level estimate assumes
     * @param where where the levels run
     * @param slurm the job array's options (with {@link Where#SLURM})
     * @param warnings what the method cannot do for this case, before the levels run
     * @param resume keep the levels whose folders hold a finished run with the same options and
     *     continue those holding a checkpoint of them (levels run here)
     * @param checkpointEvery wall time between two checkpoints of a level run here, in seconds
     * @param adaptation the adaptation whose size field places the levels' points, in words
     *     (null for the built-in meshes)
     */
    public record Plan(Path folder, List<Ladder.Level> ladder, double ratio, int resolution,
            int jobs, boolean pictures, double assumedOrder, Where where, SlurmJob.Request slurm,
            List<String> warnings, boolean resume, double checkpointEvery, String adaptation) {
        public Plan {
            ladder = List.copyOf(ladder);
            warnings = List.copyOf(warnings);
        }
    }

    /** The study's own case files, as the command line records them. */
    public interface Records {
        /** Writes study.properties (not for a gathered study: it is the recorded one). */
        void configuration(Path file) throws IOException;

        /** A level's effective options, as its case.properties records them. */
        LinkedHashMap<String, String> level(Ladder.Level level);
    }

    /** The study's effective configuration, which also drives the Slurm tasks. */
    public static final String CONFIGURATION = StudyOutputs.CONFIGURATION;

    private final Plan plan;
    private final Records records;
    private final PrintStream out;
    private final Stopping stopping = new Stopping();
    private final AtomicInteger reused = new AtomicInteger();
    private final AtomicInteger continued = new AtomicInteger();

    public Study(Plan plan, Records records, PrintStream out) {
        this.plan = plan;
        this.records = records;
        this.out = out;
    }

    /**
     * Runs the study, holding its folder's lock until it (or its Slurm job) has ended; gives its
     * exit status (0 when a detached job was only submitted).
     */
    @SuppressWarnings("try") // the lock is held, not used
    public int run() throws IOException, InterruptedException {
        try (FolderLock lock = FolderLock.acquire(plan.folder(), "kestrafol study")) {
            return study();
        }
    }

    private int study() throws IOException, InterruptedException {
        if (plan.where() != Where.GATHER) {
            records.configuration(plan.folder().resolve(CONFIGURATION));
        }
        String title = header();
        if (plan.where() != Where.GATHER) {
            clearFolder();
        }
        List<Ladder.Outcome> outcomes = levels();
        if (outcomes == null) {
            return 0;
        }
        List<String> warnings = new ArrayList<>(plan.warnings());
        Map<String, GridConvergence.Estimate> estimates = estimates(outcomes, warnings);
        Path report = write(title, outcomes, estimates, warnings);
        summary(outcomes, estimates, warnings, report);
        if (stopping.requested()) {
            out.println("Interrupted; resume with:");
            out.println("  kestrafol study --config " + ShellQuoting.quote(plan.folder()
                    .resolve(CONFIGURATION).toString()) + " --resume");
            return stopping.exitStatus();
        }
        return exitStatus(outcomes);
    }

    private String header() {
        CaseDefinition finest = plan.ladder().get(0).definition();
        String title = String.format(Locale.ROOT, "%s, Mach %s, alpha %s deg", finest.body().caseName(),
                Numbers.format(finest.flow().mach()), Numbers.format(finest.flow().alpha()));
        List<String> points = plan.ladder().stream().map(l -> Integer.toString(l.points()))
                .toList();
        out.println(String.format(Locale.ROOT, "Kestrafol study: %s; %d levels, ratio %.4g in"
                + " points per direction, the finest of --resolution %d: %s points around the"
                + " body", title, points.size(), plan.ratio(), plan.resolution(),
                String.join(", ", points)));
        if (plan.adaptation() != null) {
            out.println("Adapted: every level's points along the body placed by the last size"
                    + " field of " + plan.adaptation());
        }
        out.println("Output: " + plan.folder());
        for (String w : plan.warnings()) {
            out.println("Warning: " + w);
        }
        return title;
    }

    /** The levels' outcomes, finest first; null when a detached job was only submitted. */
    private List<Ladder.Outcome> levels() throws IOException, InterruptedException {
        List<Ladder.Outcome> outcomes;
        switch (plan.where()) {
            case HERE -> {
                // A study run here leaves no Slurm job to gather in its folder.
                SlurmJob.forgetRecord(plan.folder());
                int workers = Math.min(plan.jobs(), plan.ladder().size());
                out.println("Workers: " + workers + " (--jobs " + plan.jobs() + ")");
                try (Interrupts interrupts = Interrupts.install(stopping::stopAll, out)) {
                    stopping.watch(interrupts);
                    outcomes = runLevels(plan.ladder(), workers, printing(), stopping,
                            this::levelHere);
                }
                if (reused.get() > 0 || continued.get() > 0) {
                    out.println("Resumed: " + reused.get() + " of " + outcomes.size()
                            + " levels kept from their folders, " + continued.get()
                            + " continued from their checkpoints");
                }
                return outcomes;
            }
            case GATHER -> outcomes = SlurmStudy.gather(plan.folder(), plan.ladder(), out);
            case SLURM -> outcomes = SlurmStudy.submit(plan.folder(), plan.ladder(),
                    plan.slurm(), out);
            default -> throw new IllegalStateException("no study " + plan.where());
        }
        if (outcomes != null) {
            outcomes.forEach(o -> out.println(line(o)));
        }
        return outcomes;
    }

    /**
     * The previous study's results go first: a study killed on the way leaves no study.csv or
     * summary.json beside level folders of another run. Unless resuming, so does each level's
     * summary.json, so that no earlier run of a level reads as part of this study.
     */
    private void clearFolder() throws IOException {
        for (String name : StudyOutputs.RESULTS) {
            Files.deleteIfExists(plan.folder().resolve(name));
        }
        if (!plan.resume()) {
            for (Ladder.Level level : plan.ladder()) {
                Files.deleteIfExists(level.folder().resolve(CaseOutputs.SUMMARY));
            }
        }
    }

    /**
     * One level run here: kept from its folder or continued from its checkpoint when resuming,
     * otherwise run afresh; with checkpoints, and its case.properties recorded with the run id
     * as it starts (which ties the checkpoint to the folder).
     */
    private Ladder.Outcome levelHere(Ladder.Level level, Stopping stopping) throws IOException {
        LinkedHashMap<String, String> entries = records.level(level);
        if (plan.resume()) {
            CaseResult done = CaseOutputs.completeResult(level.folder());
            if (done != null && done.stop() != StopReason.INTERRUPTED
                    && RecordedOptions.same(level.folder(), entries)) {
                reused.incrementAndGet();
                return new Ladder.Outcome(level, mesh(level).nodeCount(), Double.NaN, done);
            }
        }
        // Under a lowered cap the level runs again: a study never stopped would end before it.
        boolean resumed = plan.resume() && RecordedOptions.resumable(level.folder(), entries)
                && Run.withinCap(level.folder(), level.definition(), mesh(level));
        Ladder.Outcome o = runLevel(level, stopping, resumed, log -> {
            // A checkpoint that does not belong to its folder is refused in one line: the
            // level fails with it, its folder as it was.
            Run run = resumed ? Run.resume(level.definition(), level.folder(), log, false)
                    : new Run(level.definition(), level.folder(), log, false);
            run.recordCase(comments(level), entries);
            return run.withCheckpoints(plan.checkpointEvery());
        });
        if (resumed) {
            continued.incrementAndGet();
        }
        return o;
    }

    /** The comment lines of a level's case.properties. */
    private static List<String> comments(Ladder.Level level) {
        String first = "kestrafol study, level " + level.number() + " (" + level.points()
                + " points): the effective options of this level.";
        if (level.adapted() != null) {
            return List.of(first, "Its mesh places these points by the study's adapted size"
                    + " field (" + StudyOutputs.ADAPTATION + "); kestrafol run --config "
                    + level.folder().resolve(CaseOutputs.CASE_FILE) + " solves the built-in mesh"
                    + " of these points instead.");
        }
        return List.of(first, "Re-run it alone with:"
                + " kestrafol run --config " + level.folder().resolve(CaseOutputs.CASE_FILE));
    }

    private Listener printing() {
        return new Listener() {
            @Override
            public void started(Ladder.Level level) {
                synchronized (out) {
                    out.println(String.format(Locale.ROOT, "  level %d (%d points): started",
                            level.number(), level.points()));
                }
            }

            @Override
            public void finished(Ladder.Outcome o) {
                synchronized (out) {
                    out.println(line(o));
                }
            }
        };
    }

    /** The estimates; the levels' and the estimates' doubts appended to warnings. */
    private Map<String, GridConvergence.Estimate> estimates(List<Ladder.Outcome> outcomes,
            List<String> warnings) {
        for (Ladder.Outcome o : outcomes) {
            if (o.failed()) {
                warnings.add("level " + o.level().number() + " failed: " + o.result().message());
            } else if (!o.converged()) {
                warnings.add("level " + o.level().number() + " (" + o.level().points()
                        + " points) did not converge (" + o.result().stop().key() + "): the"
                        + " estimate rests on values that are not an answer");
            }
        }
        Map<String, GridConvergence.Estimate> estimates = Ladder.estimates(outcomes,
                plan.assumedOrder());
        boolean doubtful = false;
        for (Map.Entry<String, GridConvergence.Estimate> e : estimates.entrySet()) {
            if (e.getValue() != null && e.getValue().note() != null && outcomes.size() >= 3) {
                warnings.add(e.getKey() + ": " + e.getValue().note());
                doubtful = true;
            }
        }
        if (doubtful && outcomes.size() == 3) {
            // Three levels show one ratio of increments; a fourth checks it.
            int finest = plan.ladder().get(0).points();
            boolean coarser = 2 * Math.round(finest / Math.pow(plan.ratio(), 3) / 2)
                    >= Ladder.MIN_POINTS;
            warnings.add("a fourth level checks the verdict: " + (coarser
                    ? "--levels 4 adds a coarser one, " : "") + "--levels 4 --resolution "
                    + 2 * Math.round(finest * plan.ratio() / 2) + " a finer one");
        }
        return estimates;
    }

    /** Each level's case file, study.csv, summary.json, study.png, the report page. */
    private Path write(String title, List<Ladder.Outcome> outcomes,
            Map<String, GridConvergence.Estimate> estimates, List<String> warnings)
            throws IOException {
        for (Ladder.Outcome o : outcomes) {
            // With the id of the level's run when it ran, so the folder holds one complete run.
            // A folder that records the level's options (and the id of its run) already keeps
            // its case file untouched: a level run here recorded it as it started, and one that
            // did not run may tie a checkpoint to its folder for the next --resume.
            Path folder = o.level().folder();
            LinkedHashMap<String, String> entries = records.level(o.level());
            if (!RecordedOptions.same(folder, entries) || o.ran()
                    && !o.result().runId().equals(CaseOutputs.recordedRunId(folder))) {
                Files.createDirectories(folder);
                CaseOutputs.rewriteCaseFile(folder, comments(o.level()), entries, o.ran());
            }
        }
        Path folder = plan.folder();
        StudyOutputs.writeCsv(outcomes, folder.resolve(StudyOutputs.CSV));
        if (plan.pictures()) {
            StudyOutputs.writePicture(title, outcomes, estimates,
                    folder.resolve(StudyOutputs.PICTURE));
        }
        // summary.json last: with it the study is complete.
        StudyOutputs.writeSummary(plan.ladder().get(0).definition().body().caseName(), plan.ratio(),
                outcomes, estimates, warnings, plan.adaptation(),
                folder.resolve(StudyOutputs.SUMMARY));
        return StudyReport.write(folder, "Grid study, " + title);
    }

    private void summary(List<Ladder.Outcome> outcomes,
            Map<String, GridConvergence.Estimate> estimates, List<String> warnings, Path report) {
        out.println();
        for (Map.Entry<String, GridConvergence.Estimate> e : estimates.entrySet()) {
            out.println(estimateLine(e.getKey(), outcomes.get(0).coefficient(e.getKey()),
                    e.getValue(), outcomes.size()));
        }
        double cl = outcomes.get(0).coefficient("cl");
        if (Double.isFinite(cl)) {
            out.println(String.format(Locale.ROOT, "Far field: every level's lies %s chords"
                    + " away; an unbounded domain would add up to %.2g to |CL| (1/R law)",
                    Numbers.format(MeshGenerator.DEFAULT_FAR_FIELD), Ladder.farFieldShare(cl)));
        }
        for (String w : warnings) {
            out.println("Warning: " + w);
        }
        out.println("Results in " + plan.folder() + ": " + String.join(" ",
                StudyOutputs.written(plan.pictures())) + " and a folder per level");
        out.println("Report: " + report);
    }

    /** 1 a level failed, 3 one diverged, 4 one did not converge or did not run, else 0. */
    static int exitStatus(List<Ladder.Outcome> outcomes) {
        int status = 0;
        for (Ladder.Outcome o : outcomes) {
            if (o.failed()) {
                return PolarTally.EXIT_FAILED;
            }
            if (o.result().exitStatus() == Run.EXIT_DIVERGED) {
                status = Run.EXIT_DIVERGED;
            } else if (!o.converged() && status == 0) {
                status = Run.EXIT_NOT_CONVERGED;
            }
        }
        return status;
    }

    static String line(Ladder.Outcome o) {
        CaseResult r = o.result();
        if (!o.ran()) {
            return String.format(Locale.ROOT, "  level %d (%d points): %s%s", o.level().number(),
                    o.level().points(), r.stop().key(), r.message().isEmpty() ? ""
                            : ": " + r.message());
        }
        return String.format(Locale.ROOT, "  level %d (%d points, %d nodes): CL %.6f CD %.6f CM"
                + " %.6f, %d iterations, stopped by %s%s", o.level().number(),
                o.level().points(), o.nodes(), r.cl(), r.cd(), r.cm(), r.iterations(),
                r.stop().key(), r.converged() ? "" : ", NOT CONVERGED");
    }

    private static String estimateLine(String name, double finest, GridConvergence.Estimate e,
            int levels) {
        String n = name.toUpperCase(Locale.ROOT);
        if (e == null) {
            return n + ": no estimate (a level gave no value)";
        }
        return String.format(Locale.ROOT, "%s finest %.6f +- %.2g (%.6f to %.6f), extrapolated"
                + " %.6f; %s", n, finest, e.gci(), finest - e.gci(), finest + e.gci(),
                e.extrapolated(), e.rule());
    }

    /** Told when a level starts and ends (from the worker threads). */
    public interface Listener {
        void started(Ladder.Level level);

        void finished(Ladder.Outcome outcome);
    }

    /**
     * Runs the levels on at most jobs worker threads; each level's printed output goes to
     * run.log in its folder. A level that fails is an outcome stopped by "failed"; once stopping
     * is requested, a level not yet started is "not run".
     */
    public static List<Ladder.Outcome> runLevels(List<Ladder.Level> levels, int jobs,
            Listener listener, Stopping stopping) throws InterruptedException {
        return runLevels(levels, jobs, listener, stopping, Study::runLevel);
    }

    /** How a level runs: its outcome, the stop reaching its run. */
    @FunctionalInterface
    public interface LevelRunner {
        Ladder.Outcome run(Ladder.Level level, Stopping stopping) throws IOException;
    }

    /** The run of a level, printing to its run.log. */
    @FunctionalInterface
    interface RunMaker {
        Run of(PrintStream log) throws IOException;
    }

    /** As {@link #runLevels(List, int, Listener, Stopping)}, each level run by runner. */
    public static List<Ladder.Outcome> runLevels(List<Ladder.Level> levels, int jobs,
            Listener listener, Stopping stopping, LevelRunner runner)
            throws InterruptedException {
        Map<Integer, Ladder.Outcome> outcomes = new ConcurrentHashMap<>();
        List<List<PolarCase>> units = new ArrayList<>();
        for (int k = 0; k < levels.size(); k++) {
            CaseDefinition d = levels.get(k).definition();
            units.add(List.of(new PolarCase(k, k, BigDecimal.valueOf(d.flow().mach()),
                    d.flow().reynolds() == null ? null : BigDecimal.valueOf(d.flow().reynolds()),
                    BigDecimal.valueOf(d.flow().alpha()))));
        }
        WorkerPool.CaseRunner<Solver> cases = (c, from) -> {
            Ladder.Level level = levels.get(c.index());
            Ladder.Outcome o = stopping.requested() ? new Ladder.Outcome(level, 0, Double.NaN,
                    CaseResult.without(StopReason.NOT_RUN, "the study was stopped before this"
                            + " level started")) : runner.run(level, stopping);
            outcomes.put(c.index(), o);
            return new WorkerPool.Outcome<>(new PolarRow(c, o.result()), null);
        };
        List<PolarRow> rows = WorkerPool.run(units, jobs, cases, new WorkerPool.Listener() {
            @Override
            public void started(PolarCase c) {
                listener.started(levels.get(c.index()));
            }

            @Override
            public void finished(PolarRow r) {
                int k = r.polarCase().index();
                listener.finished(outcomes.computeIfAbsent(k, i -> new Ladder.Outcome(
                        levels.get(i), 0, Double.NaN, r.result())));
            }
        });
        List<Ladder.Outcome> list = new ArrayList<>();
        for (PolarRow r : rows) {
            list.add(outcomes.get(r.polarCase().index()));
        }
        return Ladder.withSpacings(list);
    }

    /**
     * The mesh of a level: the built-in mesh of its case, or its member of the adapted family.
     */
    public static Mesh mesh(Ladder.Level level) throws IOException {
        return level.adapted() == null ? Run.mesh(level.definition())
                : AdaptedLevels.mesh(level.definition(), level.adapted(), level.points());
    }

    /** One level through the single-case runner, its printed output into run.log. */
    public static Ladder.Outcome runLevel(Ladder.Level level, Stopping stopping)
            throws IOException {
        return runLevel(level, stopping, false, log -> new Run(level.definition(),
                level.folder(), log, false));
    }

    /**
     * One level through the run that runs makes, its printed output into run.log (appended to
     * for a continued run).
     */
    private static Ladder.Outcome runLevel(Ladder.Level level, Stopping stopping,
            boolean continued, RunMaker runs) throws IOException {
        Files.createDirectories(level.folder());
        Path logFile = level.folder().resolve("run.log");
        try (OutputStream file = continued ? Files.newOutputStream(logFile,
                StandardOpenOption.CREATE, StandardOpenOption.APPEND)
                : Files.newOutputStream(logFile);
                PrintStream log = new PrintStream(file, true, StandardCharsets.UTF_8)) {
            var mesh = mesh(level);
            Run run = runs.of(log);
            CaseResult r = stopping.execute(run, () -> run.execute(mesh, null, false));
            return new Ladder.Outcome(level, mesh.nodeCount(), Double.NaN, r);
        }
    }
}
