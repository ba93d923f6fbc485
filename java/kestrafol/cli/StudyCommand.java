package kestrafol.cli;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.Set;
import java.util.concurrent.Callable;
import kestrafol.base.FolderLock;
import kestrafol.base.Numbers;
import kestrafol.polar.PolarTally;
import kestrafol.polar.SlurmJob;
import kestrafol.report.StudyReport;
import kestrafol.run.CaseDefinition;
import kestrafol.run.CaseOutputs;
import kestrafol.run.CaseResult;
import kestrafol.run.MethodLimits;
import kestrafol.run.Run;
import kestrafol.study.GridConvergence;
import kestrafol.study.SlurmStudy;
import kestrafol.study.Study;
import kestrafol.study.StudyOutputs;
import picocli.CommandLine;
import picocli.CommandLine.Command;
import picocli.CommandLine.Mixin;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;
import picocli.CommandLine.Spec;

/**
 * "kestrafol study": a grid-convergence study of one case on a ladder of built-in meshes (see
 * {@link Study}); study.csv, summary.json, study.png and report.html in the output folder, a
 * folder per level.
 */
@Command(name = "study", separator = " ", sortOptions = false, usageHelpAutoWidth = true,
        description = {"Solves one case on a ladder of built-in meshes, the finest of"
                + " --resolution points around the body, each next level --ratio times coarser in"
                + " points per direction (points around and layers together), and estimates the"
                + " discretisation error of CL, CD and CM: observed order, Richardson-extrapolated"
                + " value and grid convergence index (GCI, safety factor 1.25) of the finest"
                + " level from its three finest levels.",
            "Writes study.csv, summary.json, study.png and report.html into the output folder"
                + " and a case folder per level.", ""},
        footer = {"", "Every option of \"kestrafol run\" applies to each level; --out defaults to"
                + " study and --resolution to " + Study.DEFAULT_FINEST + " (so that the next level"
                + " is the default mesh of \"kestrafol run\").",
            "Exit status: 0 every level converged, 4 a level did not converge, 3 a level"
                + " diverged, 1 a level failed (or bad input), 2 bad options."})
final class StudyCommand implements Callable<Integer> {
    private final PrintStream out;

    @Spec
    CommandSpec spec;

    @Mixin
    FlowConditions conditions;

    @Mixin
    final RunOptions options = RunOptions.writingTo(Path.of("study"));

    @Option(names = "--levels", paramLabel = "L", description = "levels of the ladder, at least 2"
            + " (default: ${DEFAULT-VALUE}; three give an observed order)")
    int levels = Study.DEFAULT_LEVELS;

    @Option(names = "--ratio", paramLabel = "R", converter = RunOptions.FiniteDouble.class,
            description = "refinement ratio between levels in points per direction (default:"
                    + " 1.41421, i.e. sqrt(2): each level has about half the nodes of the one"
                    + " above)")
    double ratio = Study.DEFAULT_RATIO;

    @Option(names = "--jobs", paramLabel = "N", description = "levels at the same time, one"
            + " solver per worker thread (default: the number of cores, here ${DEFAULT-VALUE})")
    int jobs = Runtime.getRuntime().availableProcessors();

    // --- Slurm: the levels as a job array, detached submission, gathering ---

    @Option(names = "--slurm", description = "run the levels as a Slurm job array (one level per"
            + " task), wait for it and gather the results")
    boolean slurm;

    /** --partition, --time and the hidden options of one array task. */
    @Mixin
    final SlurmOptions slurmJob = new SlurmOptions();

    @Option(names = "--detach", description = "with --slurm: submit, record the job and return at"
            + " once; collect the results later with --gather")
    boolean detach;

    @Option(names = "--gather", paramLabel = "DIR", description = "collect the Slurm study"
            + " submitted into folder DIR (waits while its job runs) and write its results")
    Path gather;

    /** Set on the study recorded in a folder that --gather collects: its levels ran in Slurm. */
    private boolean gathering;

    // --- end of the Slurm options ---

    @Option(names = "--config", paramLabel = "FILE", description = "options from a properties"
            + " file, keys named like the long options; the command line overrides it")
    Path config;

    @Option(names = {"-h", "--help"}, usageHelp = true, description = "show this help and exit")
    boolean help;

    StudyCommand(PrintStream out) {
        this.out = out;
    }

    @Override
    @SuppressWarnings("try") // the lock is held, not used
    public Integer call() throws IOException, InterruptedException {
        if (gather != null) {
            return gatherSlurm();
        }
        if (options.resolutionOption == null) {
            options.resolutionOption = Study.DEFAULT_FINEST;
        }
        conditions.applyTo(options).validate();
        if (options.mesh != null) {
            throw usage("a study needs a built-in body (--naca, --circle or --airfoil): it"
                    + " generates the mesh of each level");
        }
        if (jobs < 1) {
            throw usage("--jobs expects a whole number of at least 1, got " + jobs);
        }
        settleSlurm();
        int[] points;
        try {
            points = Study.ladder(options.resolution, levels, ratio);
        } catch (IllegalArgumentException e) {
            throw usage(e.getMessage());
        }
        Path folder = options.out.toAbsolutePath().normalize();
        Files.createDirectories(folder);
        List<Study.Level> ladder = new ArrayList<>();
        for (int k = 0; k < points.length; k++) {
            Path level = folder.resolve(String.format(Locale.ROOT, "level%d-n%d", k + 1,
                    points[k]));
            ladder.add(new Study.Level(k + 1, points[k],
                    options.definitionAt(points[k], level, true), level));
        }
        if (slurmJob.task != null) {
            return runTask(folder, ladder);
        }
        // One study per folder: the lock is held until the study (or its Slurm job) has ended.
        try (FolderLock lock = FolderLock.acquire(folder, "kestrafol study")) {
            return solve(folder, ladder, points);
        }
    }

    /** The study of the settled ladder, in a folder this process owns. */
    private int solve(Path folder, List<Study.Level> ladder, int[] points)
            throws IOException, InterruptedException {
        Path file = folder.resolve("study.properties");
        if (!gathering) {
            CaseFile.write(file, List.of("kestrafol study: the effective options of this study.",
                    "Re-run it with: kestrafol study --config " + file),
                    Configuration.complete(Configuration.entries(spec, Set.of()), options));
        }

        CaseDefinition finest = ladder.get(0).definition();
        String title = String.format(Locale.ROOT, "%s, Mach %s, alpha %s deg", finest.caseName(),
                Numbers.format(finest.mach()), Numbers.format(finest.alpha()));
        out.println(String.format(Locale.ROOT, "Kestrafol study: %s; %d levels, ratio %.4g in"
                + " points per direction, the finest of --resolution %d: %s points around the"
                + " body", title, points.length, ratio, points[0], joined(points)));
        out.println("Output: " + folder);
        List<String> warnings = new ArrayList<>(MethodLimits.of(finest));
        for (String w : warnings) {
            out.println("Warning: " + w);
        }
        if (!gathering) {
            // The previous study's results go first: a study killed on the way leaves no
            // study.csv or summary.json beside level folders of another run.
            for (String name : StudyOutputs.FILES) {
                Files.deleteIfExists(folder.resolve(name));
            }
        }
        List<Study.Outcome> outcomes = gathering || slurm ? slurmLevels(folder, ladder, file)
                : localLevels(folder, ladder);
        if (outcomes == null) {
            return 0;
        }
        for (Study.Outcome o : outcomes) {
            if (o.failed()) {
                warnings.add("level " + o.level().number() + " failed: " + o.result().message());
            } else if (!o.converged()) {
                warnings.add("level " + o.level().number() + " (" + o.level().points()
                        + " points) did not converge (" + o.result().stop().key() + "): the"
                        + " estimate rests on values that are not an answer");
            }
        }
        Map<String, GridConvergence.Estimate> estimates = Study.estimates(outcomes,
                ErrorEstimate.ASSUMED_ORDER);
        for (Map.Entry<String, GridConvergence.Estimate> e : estimates.entrySet()) {
            if (e.getValue() != null && e.getValue().note() != null && outcomes.size() >= 3) {
                warnings.add(e.getKey() + ": " + e.getValue().note());
            }
        }
        // Each level's own case file, beside the run's files (a run clears its folder first).
        for (Study.Outcome o : outcomes) {
            writeCaseFile(o.level(), !o.failed());
        }
        StudyOutputs.writeCsv(outcomes, folder.resolve(StudyOutputs.CSV));
        if (!options.noPictures) {
            StudyOutputs.writePicture(title, outcomes, estimates,
                    folder.resolve(StudyOutputs.PICTURE));
        }
        // summary.json last: with it the study is complete.
        StudyOutputs.writeSummary(finest.caseName(), ratio, outcomes, estimates, warnings,
                folder.resolve(StudyOutputs.SUMMARY));
        Path report = StudyReport.write(folder, "Grid study, " + title);
        out.println();
        for (Map.Entry<String, GridConvergence.Estimate> e : estimates.entrySet()) {
            out.println(estimateLine(e.getKey(), outcomes.get(0).coefficient(e.getKey()),
                    e.getValue(), outcomes.size()));
        }
        for (String w : warnings) {
            out.println("Warning: " + w);
        }
        out.println("Results in " + folder + ": " + StudyOutputs.CSV + " " + StudyOutputs.SUMMARY
                + (options.noPictures ? "" : " " + StudyOutputs.PICTURE) + " and a folder per"
                + " level");
        out.println("Report: " + report);
        return exitStatus(outcomes);
    }

    /** The levels side by side on --jobs worker threads of this process. */
    private List<Study.Outcome> localLevels(Path folder, List<Study.Level> ladder)
            throws IOException, InterruptedException {
        // A study run here leaves no Slurm job to gather in its folder.
        SlurmJob.forgetRecord(folder);
        int workers = Math.min(jobs, ladder.size());
        out.println("Workers: " + workers + " (--jobs " + jobs + ")");
        return Study.run(ladder, workers, new Study.Listener() {
            @Override
            public void started(Study.Level level) {
                synchronized (out) {
                    out.println(String.format(Locale.ROOT, "  level %d (%d points): started",
                            level.number(), level.points()));
                }
            }

            @Override
            public void finished(Study.Outcome o) {
                synchronized (out) {
                    out.println(line(o));
                }
            }
        });
    }

    /**
     * Checks the Slurm options and makes every file option absolute, so that the recorded
     * configuration names the same files from any working folder (a task runs elsewhere).
     */
    private void settleSlurm() {
        if (detach && !slurm) {
            throw usage("--detach only applies with --slurm");
        }
        slurmJob.settle(spec, options.out, slurm, "study");
    }

    /**
     * The levels as a Slurm job array, or those of the job recorded in the folder (--gather):
     * the outcomes of that job, null when the study was submitted detached. The folder's study
     * files and each level's summary.json are removed before the job is submitted, so nothing of
     * an earlier study reads as part of this one.
     */
    private List<Study.Outcome> slurmLevels(Path folder, List<Study.Level> ladder,
            Path config) throws IOException, InterruptedException {
        List<Study.Outcome> outcomes;
        if (gathering) {
            outcomes = SlurmStudy.gather(folder, ladder, out);
        } else {
            for (Study.Level level : ladder) {
                Files.deleteIfExists(level.folder().resolve(StudyOutputs.SUMMARY));
            }
            List<String> command = new ArrayList<>(SlurmOptions.javaCommand());
            command.addAll(List.of("study", "--config", config.toString()));
            outcomes = SlurmStudy.submit(folder, ladder, command, slurmJob.partition,
                    slurmJob.time, detach ? SlurmJob.Mode.DETACH : SlurmJob.Mode.WAIT, out);
        }
        if (outcomes != null) {
            for (Study.Outcome o : outcomes) {
                out.println(line(o));
            }
        }
        return outcomes;
    }

    /** One array task: its levels, their outcomes to slurm/JOB/task-N.csv. */
    private int runTask(Path folder, List<Study.Level> ladder)
            throws IOException, InterruptedException {
        int tasks = slurmJob.tasks(spec, ladder.size(), "study", ladder.size() + " levels");
        SlurmStudy.runTask(folder, ladder, slurmJob.task, tasks, slurmJob.jobId, out);
        return 0;
    }

    /**
     * study --gather DIR: the study recorded in DIR/study.properties, its levels taken from the
     * Slurm job recorded there (waiting while it runs), then the same results as a local study.
     */
    private int gatherSlurm() throws IOException, InterruptedException {
        if (spec.commandLine().getParseResult().matchedOptions().size() > 1) {
            throw usage("--gather takes no other options: the folder holds the study's settings");
        }
        Path file = gather.toAbsolutePath().normalize().resolve("study.properties");
        if (!Files.exists(file)) {
            throw new IOException(file.getParent() + " holds no study (" + file + " is missing)");
        }
        String[] args = Configuration.expand(new String[] {"study", "--config", file.toString()},
                Main.commandLine(out, System.err, false));
        CommandLine line = new CommandLine(new StudyCommand(out));
        StudyCommand recorded;
        try {
            line.parseArgs(Arrays.copyOfRange(args, 1, args.length));
            recorded = line.getCommand();
        } catch (ParameterException e) {
            throw new IOException(file + ": " + e.getMessage(), e);
        }
        // The tasks wrote into this folder; it names the levels' folders too.
        recorded.options.out = file.getParent();
        recorded.gathering = true;
        return recorded.call();
    }

    /** The level's own case.properties: "kestrafol run --config" repeats it alone. */
    private void writeCaseFile(Study.Level level, boolean ended) throws IOException {
        java.util.LinkedHashMap<String, String> e = Configuration.entries(
                spec.mixins().get("conditions"), Set.of());
        e.putAll(Configuration.complete(Configuration.entries(spec.mixins().get("options"),
                Set.of()), options));
        e.put("resolution", Integer.toString(level.points()));
        e.put("out", level.folder().toString());
        Files.createDirectories(level.folder());
        Path file = level.folder().resolve(CaseOutputs.CASE_FILE);
        // With the id of the level's run: the folder holds one complete run.
        CaseOutputs.rewriteCaseFile(level.folder(), List.of("kestrafol study, level "
                + level.number() + " (" + level.points() + " points): the effective options of"
                + " this level.", "Re-run it alone with: kestrafol run --config " + file), e,
                ended);
    }

    /** 1 a level failed, 3 one diverged, 4 one did not converge, else 0. */
    static int exitStatus(List<Study.Outcome> outcomes) {
        int status = 0;
        for (Study.Outcome o : outcomes) {
            if (o.failed()) {
                return Main.EXIT_BAD_INPUT;
            }
            if (o.result().exitStatus() == Run.EXIT_DIVERGED) {
                status = Run.EXIT_DIVERGED;
            } else if (!o.converged() && status == 0) {
                status = Run.EXIT_NOT_CONVERGED;
            }
        }
        return status;
    }

    private static String line(Study.Outcome o) {
        CaseResult r = o.result();
        if (o.failed()) {
            return String.format(Locale.ROOT, "  level %d (%d points): failed: %s",
                    o.level().number(), o.level().points(), r.message());
        }
        return String.format(Locale.ROOT, "  level %d (%d points, %d nodes): CL %.6f CD %.6f CM"
                + " %.6f, %d iterations, stopped by %s%s", o.level().number(), o.level().points(), o.nodes(),
                r.cl(), r.cd(), r.cm(), r.iterations(), r.stop().key(),
                r.converged() ? "" : ", NOT CONVERGED");
    }

    private static String estimateLine(String name, double finest, GridConvergence.Estimate e,
            int levels) {
        String n = name.toUpperCase(Locale.ROOT);
        if (e == null) {
            return n + ": no estimate (a level gave no value)";
        }
        return String.format(Locale.ROOT, "%s finest %.6f, extrapolated %.6f, GCI %.2g (%s"
                + " order %s)%s", n, finest, e.extrapolated(), e.gci(),
                levels >= 3 ? "observed" : "assumed",
                Double.isFinite(e.order()) ? String.format(Locale.ROOT, "%.2f", e.order()) : "-",
                e.note() == null ? "" : ": " + e.note());
    }

    private static String joined(int[] points) {
        List<String> t = new ArrayList<>();
        for (int p : points) {
            t.add(Integer.toString(p));
        }
        return String.join(", ", t);
    }

    private ParameterException usage(String message) {
        return new ParameterException(spec.commandLine(), message);
    }
}
