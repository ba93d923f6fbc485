package kestrafol.cli;

import java.io.IOException;
import java.io.OutputStream;
import java.io.PrintStream;
import java.math.BigDecimal;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.Set;
import java.util.TreeMap;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.concurrent.Callable;
import java.util.concurrent.ConcurrentHashMap;
import java.util.concurrent.Executors;
import java.util.concurrent.ScheduledExecutorService;
import java.util.concurrent.TimeUnit;
import kestrafol.base.AtomicFiles;
import kestrafol.base.FolderLock;
import kestrafol.base.PropertiesFile;
import kestrafol.base.ShellQuoting;
import kestrafol.mesh.Mesh;
import kestrafol.polar.CaseFolders;
import kestrafol.polar.ComparisonData;
import kestrafol.polar.CpAllPicture;
import kestrafol.polar.PolarAnalysis;
import kestrafol.polar.PolarCase;
import kestrafol.polar.PolarRow;
import kestrafol.polar.PolarCsv;
import kestrafol.polar.PolarEstimate;
import kestrafol.polar.PolarJson;
import kestrafol.polar.PolarPicture;
import kestrafol.polar.PolarProgress;
import kestrafol.polar.PolarRunner;
import kestrafol.polar.PolarTally;
import kestrafol.polar.SlurmJob;
import kestrafol.polar.SlurmPolar;
import kestrafol.polar.SlurmSubmission;
import kestrafol.polar.Sweep;
import kestrafol.report.PolarReport;
import kestrafol.report.RunReport;
import kestrafol.run.CaseDefinition;
import kestrafol.run.CaseOutputs;
import kestrafol.run.CaseResult;
import kestrafol.run.StopReason;
import kestrafol.run.Run;
import kestrafol.solver.Solver;
import picocli.CommandLine.Command;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Model.OptionSpec;
import picocli.CommandLine.Mixin;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;
import picocli.CommandLine.Spec;
import picocli.CommandLine;

/**
 * "kestrafol polar": every combination of the Mach numbers, Reynolds numbers and angles given, each
 * case run by the single-case runner of "kestrafol run" into a folder of its own, side by side on
 * worker threads or as a Slurm job array; then polar.csv, polar.json, the pictures and
 * report.html, the same for a local polar and a gathered Slurm one ({@link #finish}).
 *
 * <p>The command takes the run options' mixin ({@link RunOptions}, shared with "run") and its
 * own options, among them the flow conditions as lists (--mach, --alpha, --reynolds) where
 * "run" takes single values ({@link FlowConditions}).
 */
@Command(name = "polar", separator = " ", sortOptions = false, usageHelpAutoWidth = true,
        description = {"Runs every combination of the Mach numbers, Reynolds numbers (viscous runs)"
                + " and angles of attack as a case of \"kestrafol run\", each into a folder of its"
                + " own inside the output folder, and writes polar.csv, polar.json (the derived"
                + " quantities), polar.png, cp-all.png and report.html there.",
            "Cases run side by side, one solver per worker thread, or as a Slurm job array.", ""},
        footer = {"", "Every option of \"kestrafol run\" applies to each case; --out defaults to"
                + " polar.",
            "Exit status: 0 every case converged, 4 every case answered but some did not converge,"
                + " 3 a case diverged, 1 a case failed (or bad input), 2 bad options; the most"
                + " serious applies."})
final class PolarCommand implements Callable<Integer> {
    /**
     * Without --cold or --chain a local polar chains when it has at least as many chains (Mach and
     * Reynolds numbers) as workers, so that chaining costs no parallelism, and starts every case
     * cold otherwise; a Slurm polar starts cold (measured: see docs/PERFORMANCE.md).
     */
    static boolean chainsByDefault(int chains, int jobs, boolean slurm) {
        return !slurm && chains >= jobs;
    }

    /** Name of the mixin of the run options: its entries are what every case takes. */
    private static final String RUN_OPTIONS = "base";
    /** More cases than this need --yes. */
    static final long CONFIRM_CASES = 10_000;

    private final PrintStream out;
    private final boolean terminal;

    @Spec
    CommandSpec spec;

    @Option(names = "--mach", paramLabel = "LIST", description = "Mach numbers, e.g. 0.3,0.5,0.7"
            + " (default: 0.8)")
    String machText = "0.8";

    @Option(names = "--alpha", paramLabel = "LIST", description = "angles of attack in degrees:"
            + " 0,2,4 or FROM:STEP:TO, e.g. -2:2:8 (default: 1.25)")
    String alphaText = "1.25";

    @Option(names = "--reynolds", paramLabel = "LIST", description = "Reynolds numbers of viscous"
            + " runs (with --viscous)")
    String reynoldsText;

    @Option(names = "--jobs", paramLabel = "N", description = "cases at the same time, one solver"
            + " per worker thread (default: the number of cores, here ${DEFAULT-VALUE})")
    int jobs = Runtime.getRuntime().availableProcessors();

    @Option(names = "--cold", description = "every case from the free stream (default with"
            + " fewer Mach/Reynolds numbers than --jobs, and with --slurm)")
    boolean cold;

    @Option(names = "--chain", description = "along each Mach (and Reynolds) number, a case starts"
            + " from the converged flow of the previous angle (default with at least as many"
            + " Mach/Reynolds numbers as --jobs)")
    boolean chain;

    @Option(names = "--slurm", description = "run as a Slurm job array (one task per chain, or per"
            + " case when cold), wait for it and gather the results")
    boolean slurm;

    @Option(names = "--slurm-dry-run", description = "only write the batch script slurm/polar.sbatch")
    boolean dryRun;

    /** --partition, --time and the hidden options of one array task. */
    @Mixin
    final SlurmOptions slurmJob = new SlurmOptions();

    // --- Slurm: detached submission, gathering, confirmation of large polars ---

    @Option(names = "--detach", description = "with --slurm: submit, record the job and return at"
            + " once; collect the results later with --gather")
    boolean detach;

    @Option(names = "--gather", paramLabel = "DIR", description = "collect the Slurm polar"
            + " submitted into folder DIR (waits while its job runs) and write its results")
    Path gather;

    @Option(names = "--yes", description = "run a polar of more than 10,000 cases")
    boolean yes;

    // --- end of the Slurm options ---

    @Option(names = "--compare", paramLabel = "FILE", description = "measured or published"
            + " points (a CSV file whose header names any of alpha, cl, cd, cm) drawn in the polar"
            + " charts of polar.png and the report")
    Path compare;

    // --- Output folder: resumption (the folder rules live in CaseFolders and CaseOutputs) ---

    @Option(names = "--resume", description = "keep the cases whose folders hold a finished run"
            + " with the same settings, run the others, and rebuild polar.csv from every case folder")
    boolean resume;

    /** Files of the whole polar, removed when a polar starts (rebuilt at its end). */
    static final List<String> POLAR_FILES = List.of("polar.csv", "polar.png", "polar.json",
            "cp-all.png", "report.html");
    /** Set by Ctrl-C or SIGTERM: running cases stop after their iteration, no new case starts. */
    private volatile boolean stopping;
    /** The stop came from SIGTERM (exit status 143 rather than 130). */
    private volatile boolean terminated;
    private final Set<Run> active = ConcurrentHashMap.newKeySet();
    private final AtomicInteger reused = new AtomicInteger();
    private List<PolarCase> requested;

    // --- end of the output-folder options ---

    @Option(names = "--config", paramLabel = "FILE", description = "options from a properties file,"
            + " keys named like the long options (alpha = -2:2:8); the command line overrides it")
    Path config;

    @Option(names = {"-h", "--help"}, usageHelp = true, description = "show this help and exit")
    boolean help;

    /** The run options of every case; a polar writes into "polar" unless --out says otherwise. */
    @Mixin(name = RUN_OPTIONS)
    final RunOptions base = RunOptions.writingTo(Path.of("polar"));

    private List<BigDecimal> alphas;
    private List<BigDecimal> machs;
    private List<BigDecimal> reynolds;
    private boolean chained;
    private Path outDir;
    /** The validated options of the first case: the values the options settle by default. */
    private RunOptions settled;
    private final Map<String, Mesh> meshes = new ConcurrentHashMap<>();
    /** The --compare points, read before any case runs (null without --compare). */
    private ComparisonData comparison;
    /** The moment point as x/c, for the aerodynamic centre. */
    private double momentPointXc = 0.25;

    private PolarCommand(PrintStream out, boolean terminal) {
        this.out = out;
        this.terminal = terminal;
    }

    /** The polar command: its own options and the run options' mixin. */
    static CommandLine commandLine(PrintStream out, boolean terminal) {
        return new CommandLine(new PolarCommand(out, terminal));
    }

    @Override
    @SuppressWarnings("try") // the locks are held, not used
    public Integer call() throws IOException, InterruptedException {
        if (gather != null) {
            try (FolderLock lock = FolderLock.acquire(gather.toAbsolutePath().normalize(),
                    "kestrafol polar --gather")) {
                return gatherSlurm();
            }
        }
        settle();
        // What every case needs, checked before the folder is touched: the first case's mesh,
        // the moment point and the --compare points.
        Sweep sweep = prepare();
        if (slurmJob.task != null) {
            return start(sweep);
        }
        if (resume && (slurm || dryRun)) {
            throw usage("--resume applies to a polar run here, not to --slurm");
        }
        // One polar per folder: the lock is held until the polar (or its Slurm job) has ended.
        try (FolderLock lock = FolderLock.acquire(outDir, "kestrafol polar")) {
            return start(sweep);
        }
    }

    /** The polar from its settled options, in a folder this process owns. */
    private int start(Sweep sweep) throws IOException, InterruptedException {
        requested = sweep.cases();
        List<List<PolarCase>> units = sweep.chains();
        RunOptions first = settled;
        if (slurmJob.task != null) {
            Files.createDirectories(outDir);
            return runTask(sweep, units);
        }
        String estimate = estimate(sweep.cases().size(), first,
                meshes.get(meshKey(sweep.cases().get(0))));
        if (sweep.cases().size() > CONFIRM_CASES && !yes) {
            throw usage(String.format(Locale.ROOT, "this polar has %,d cases; more than %,d need"
                    + " --yes; estimated CPU time: %s", sweep.cases().size(), CONFIRM_CASES, estimate));
        }
        Files.createDirectories(outDir);
        clearFolder(sweep);
        SlurmSubmission.forget(outDir);
        Path config = outDir.resolve("polar.properties");
        writeConfiguration(config);
        int n = sweep.cases().size();
        out.println(String.format(Locale.ROOT, "Kestrafol polar: %s, %d case%s (%d Mach x %d angle%s),"
                + " %s", first.caseName(), n, n == 1 ? "" : "s", machs.size(), alphas.size(),
                reynolds.isEmpty() ? "" : " x " + reynolds.size() + " Reynolds",
                chained ? "chained along each Mach number" : "each from the free stream"));
        out.println("Output: " + outDir);
        out.println("Estimated CPU time: " + estimate);
        List<PolarRow> rows;
        long start = System.nanoTime();
        if (slurm || dryRun) {
            SlurmSubmission polar = new SlurmSubmission("", 0, "Polar, " + first.caseName(),
                    join(machs), join(alphas), reynolds.isEmpty() ? null : join(reynolds), chained);
            rows = SlurmPolar.submit(outDir, polar, config, SlurmOptions.javaCommand(),
                    slurmJob.partition, slurmJob.time,
                    dryRun ? SlurmJob.Mode.DRY_RUN : detach ? SlurmJob.Mode.DETACH
                    : SlurmJob.Mode.WAIT, out);
            if (rows == null) {
                return 0;
            }
        } else {
            rows = runLocally(sweep, units);
        }
        return finish(rows, "Polar, " + first.caseName(), (System.nanoTime() - start) * 1e-9);
    }

    /**
     * What every case and the results need before any case runs: the first case's options and
     * mesh (an unreadable mesh or bad boundary names fail the polar at once, not every case), the
     * moment point, and the --compare points (a bad file is refused before anything is computed).
     * Gives the sweep.
     */
    private Sweep prepare() throws IOException {
        Sweep sweep;
        try {
            sweep = Sweep.of(machs, reynolds, alphas, chained);
        } catch (IllegalArgumentException e) {
            throw usage(e.getMessage());
        }
        RunOptions first = caseOptions(sweep.cases().get(0), outDir);
        settled = first;
        Mesh mesh = Run.mesh(first.definition());
        meshes.put(meshKey(sweep.cases().get(0)), mesh);
        momentPointXc = Run.momentPointXc(first.definition(), mesh);
        if (compare != null && slurmJob.task == null) {
            comparison = ComparisonData.read(compare, ComparisonData.Use.POLAR);
        }
        return sweep;
    }

    /**
     * The polar's results, the same for a local polar and a gathered Slurm one: the rows of every
     * case folder of the requested polar (this invocation's rows where a folder holds no complete
     * run), polar.csv, polar.json, the pictures (or none, and old ones removed, with
     * --no-pictures), report.html, the summary lines; gives the polar's exit status.
     *
     * @param wall seconds the cases took here, or NaN for gathered rows
     */
    private int finish(List<PolarRow> given, String title, double wall) throws IOException {
        List<PolarCase> cases = requested != null ? requested
                : given.stream().map(PolarRow::polarCase).toList();
        // A folder's run made with other options than this polar's is no row of this polar.
        List<PolarRow> rows = CaseFolders.rows(cases, outDir, given, this::recordedAsNow);
        Set<String> foreign = CaseFolders.foreign(cases, outDir);
        if (!foreign.isEmpty()) {
            out.println("Left out of polar.csv (case folders not in this polar): "
                    + String.join(" ", foreign));
        }
        if (reused.get() > 0) {
            out.println("Resumed: " + reused.get() + " of " + cases.size() + " cases kept from"
                    + " their folders");
        }
        PolarCsv.write(rows, outDir.resolve("polar.csv"));
        PolarTally tally = PolarTally.of(rows);
        List<PolarAnalysis.Group> groups = PolarAnalysis.analyse(rows, momentPointXc);
        int status = !stopping ? tally.exitStatus() : terminated
                ? Main.RunCommand.EXIT_TERMINATED : Main.RunCommand.EXIT_INTERRUPTED;
        PolarJson.write(tally, status, groups, momentPointXc, outDir.resolve("polar.json"));
        List<String> files = new ArrayList<>(List.of("polar.csv", "polar.json"));
        for (String picture : PICTURES) {
            Files.deleteIfExists(outDir.resolve(picture));
        }
        if (!base.noPictures) {
            AtomicFiles.write(outDir.resolve("polar.png"),
                    f -> PolarPicture.write(rows, comparison, title, f));
            AtomicFiles.write(outDir.resolve("cp-all.png"), f -> CpAllPicture.write(
                    CpAllPicture.curves(rows, outDir), "Pressure coefficient", f));
            files.addAll(PICTURES);
        }
        PolarReport.write(outDir, rows, comparison, momentPointXc, title);
        files.add("report.html");
        if (stopping) {
            long done = rows.stream().filter(r -> r.result().stop() != StopReason.INTERRUPTED
                    && r.result().stop() != StopReason.NOT_RUN).count();
            out.println("Interrupted: " + done + " of " + rows.size() + " cases finished;"
                    + " polar.csv lists them all. Resume with:");
            out.println("  kestrafol polar --config "
                    + ShellQuoting.quote(outDir.resolve("polar.properties").toString()) + " --resume");
            return status;
        }
        if (!Double.isNaN(wall)) {
            out.println(String.format(Locale.ROOT, "%d cases in %s (%.0f cases per hour)",
                    rows.size(), PolarProgress.time(wall), rows.size() * 3600 / wall));
        }
        out.println(tally.line());
        PolarAnalysis.lines(groups).forEach(out::println);
        out.println("Results in " + outDir + ": " + String.join(" ", files)
                + " and a folder per case");
        return status;
    }

    /** The polar's own pictures (the cases' are the run's business). */
    private static final List<String> PICTURES = List.of("polar.png", "cp-all.png");

    /** The CPU time of the polar at most: every case to its iteration cap, in words. */
    private String estimate(int cases, RunOptions first, Mesh mesh) {
        int nodes = mesh.nodeCount();
        CaseDefinition c = first.definition();
        return PolarEstimate.describe(cases, nodes, c.iterationCap(nodes), c.viscous());
    }

    /** polar --gather DIR: waits for the recorded job to leave the queue and gathers its rows. */
    private int gatherSlurm() throws IOException, InterruptedException {
        if (spec.commandLine().getParseResult().matchedOptions().size() > 1) {
            throw usage("--gather takes no other options: the folder holds the polar's settings");
        }
        Path folder = gather.toAbsolutePath().normalize();
        SlurmSubmission.read(folder); // a damaged or oversized record is refused before any mesh
        // The recorded configuration settles what the results need (pictures or not, the
        // comparison points, the moment point) before the waiting starts.
        PolarCommand recorded = recorded(folder.resolve("polar.properties"));
        recorded.outDir = folder;
        SlurmPolar.Gathered g = SlurmPolar.gather(folder, out);
        // The cases ran elsewhere: the time of the gathering says nothing about them.
        return recorded.finish(g.rows(), g.title(), Double.NaN);
    }

    /** The polar a polar.properties file describes, prepared as for running it. */
    private PolarCommand recorded(Path file) throws IOException {
        if (!Files.exists(file)) {
            throw new IOException(file.getParent() + " holds no polar (" + file + " is missing)");
        }
        String[] args = Configuration.expand(new String[] {"polar", "--config", file.toString()},
                Main.commandLine(out, System.err, false));
        CommandLine line = commandLine(out, false);
        try {
            line.parseArgs(Arrays.copyOfRange(args, 1, args.length));
            PolarCommand p = line.getCommand();
            p.settle();
            p.prepare();
            return p;
        } catch (ParameterException e) {
            throw new IOException(file + ": " + e.getMessage(), e);
        }
    }

    /** Checks the polar's own options and settles the lists and the output folder. */
    private void settle() {
        if (cold && chain) {
            throw usage("--cold and --chain exclude each other");
        }
        if (jobs < 1) {
            throw usage("--jobs expects a whole number of at least 1, got " + jobs);
        }
        try {
            machs = Sweep.parseList("--mach", machText);
            alphas = Sweep.parseList("--alpha", alphaText);
            reynolds = reynoldsText == null ? List.of() : Sweep.parseList("--reynolds", reynoldsText);
        } catch (IllegalArgumentException e) {
            throw usage(e.getMessage());
        }
        if (base.viscous && reynolds.isEmpty()) {
            throw usage("--viscous needs --reynolds LIST");
        }
        if (!base.viscous && !reynolds.isEmpty()) {
            throw usage("--reynolds only applies with --viscous");
        }
        if (base.out.toString().isBlank()) {
            throw usage("--out expects a folder, got an empty name");
        }
        int chains = machs.size() * Math.max(1, reynolds.size());
        chained = chain || (!cold && chainsByDefault(chains, jobs,
                slurm || dryRun || slurmJob.task != null));
        outDir = base.out.toAbsolutePath().normalize();
        base.out = outDir;
        settleSlurm();
    }

    /**
     * Checks the Slurm options and makes every file option absolute, so that the recorded
     * configuration names the same files from any working folder (a task runs elsewhere).
     */
    private void settleSlurm() {
        if (detach && !slurm) {
            throw usage("--detach only applies with --slurm");
        }
        slurmJob.settle(spec, base.out, slurm || dryRun, "polar");
    }

    private ParameterException usage(String message) {
        return new ParameterException(spec.commandLine(), message);
    }

    @SuppressWarnings("try") // the handlers are installed, not used
    private List<PolarRow> runLocally(Sweep sweep, List<List<PolarCase>> units)
            throws InterruptedException {
        int workers = Math.min(jobs, units.size());
        out.println("Workers: " + workers + " (--jobs " + jobs + ")");
        PolarProgress progress = new PolarProgress(out, terminal, sweep.cases().size(), workers);
        ScheduledExecutorService ticker = null;
        if (terminal) {
            ticker = Executors.newSingleThreadScheduledExecutor(r -> {
                Thread t = new Thread(r, "polar-progress");
                t.setDaemon(true);
                return t;
            });
            ticker.scheduleAtFixedRate(progress::bar, 1, 1, TimeUnit.SECONDS);
        }
        Map<Integer, PolarRow> finished = new ConcurrentHashMap<>();
        PolarRunner.Listener listener = new PolarRunner.Listener() {
            @Override
            public void started(PolarCase c) {
                progress.started(c);
            }

            @Override
            public void finished(PolarRow r) {
                finished.put(r.polarCase().index(), r);
                progress.finished(r);
            }
        };
        // Ctrl-C or SIGTERM: the running cases stop after their current iteration and write
        // everything they reached, no further case starts, and polar.csv is rebuilt from the
        // folders; a case whose last iteration completed before the signal keeps its verdict.
        Interrupts interrupts = Interrupts.install(this::stopAll, out);
        try (interrupts) {
            return PolarRunner.run(units, jobs, this::runCase, listener);
        } finally {
            terminated = interrupts.terminated();
            if (ticker != null) {
                ticker.shutdownNow();
            }
            progress.clearBar();
        }
    }

    /** Asks every running case to stop after its iteration; no case starts from now on. */
    private void stopAll() {
        stopping = true;
        for (Run r : active) {
            r.requestStop();
        }
    }

    /**
     * Makes the folder ready for this polar: removes the polar's own files (rebuilt at the end)
     * and, unless resuming, the summary.json of each requested case folder, so that no earlier
     * run of a case reads as part of this polar. Folders of other cases are left alone.
     */
    private void clearFolder(Sweep sweep) throws IOException {
        for (String name : POLAR_FILES) {
            Files.deleteIfExists(outDir.resolve(name));
        }
        if (!resume) {
            for (PolarCase c : sweep.cases()) {
                Files.deleteIfExists(outDir.resolve(c.folder()).resolve(CaseOutputs.SUMMARY));
            }
        }
    }

    /**
     * The row of the case's folder when it holds a finished run recorded with exactly the
     * options this case would run with (null otherwise).
     */
    private PolarRow reusable(PolarCase c, Path folder) {
        PolarRow done = CaseFolders.complete(c, outDir);
        return CaseFolders.finished(done) && recordedAsNow(c) ? done : null;
    }

    /**
     * Whether the case's folder records exactly the options this polar gives the case, but for
     * the output folder: that is where the case lives (a polar folder copied elsewhere resumes
     * in place of the original), not how it is computed.
     */
    private boolean recordedAsNow(PolarCase c) {
        Path folder = outDir.resolve(c.folder());
        Map<String, String> recorded;
        try {
            recorded = new TreeMap<>(PropertiesFile.read(folder.resolve(CaseOutputs.CASE_FILE)));
        } catch (IOException | IllegalArgumentException e) {
            return false;
        }
        Map<String, String> now = new TreeMap<>(caseEntries(c, folder));
        recorded.remove("out");
        now.remove("out");
        return recorded.equals(now);
    }

    /** One array task: its chains (or cases) on this thread; rows to slurm/JOB/task-N.csv. */
    private int runTask(Sweep sweep, List<List<PolarCase>> units) throws IOException {
        int tasks = slurmJob.tasks(spec, units.size(), "polar", units.size() + " units of work");
        int task = slurmJob.task;
        String jobId = slurmJob.jobId;
        SlurmJob job = new SlurmJob(outDir, units.size(), tasks);
        List<List<PolarCase>> mine = job.unitsOf(task, units);
        PolarProgress progress = new PolarProgress(out, false,
                mine.stream().mapToInt(List::size).sum(), 1);
        List<PolarRow> rows = new ArrayList<>();
        for (List<PolarCase> unit : mine) {
            rows.addAll(PolarRunner.runChain(unit, this::runCase, progress));
        }
        Files.createDirectories(job.taskRows(jobId, task).getParent());
        PolarCsv.write(rows, job.taskRows(jobId, task));
        return 0;
    }

    /** The run options of one case: the polar's, with the case's conditions and folder. */
    private RunOptions caseOptions(PolarCase c, Path folder) {
        LinkedHashMap<String, String> entries = caseEntries(c, folder);
        Main.RunCommand command = new Main.RunCommand(out, false);
        CommandLine line = new CommandLine(command);
        try {
            line.parseArgs(toArguments(entries, line.getCommandSpec()).toArray(new String[0]));
            return command.validated();
        } catch (ParameterException e) {
            throw usage(e.getMessage());
        }
    }

    private LinkedHashMap<String, String> caseEntries(PolarCase c, Path folder) {
        LinkedHashMap<String, String> entries = Configuration.complete(
                runEntries(), settled);
        List<String> conditions = c.arguments();
        for (int i = 0; i < conditions.size(); i += 2) {
            entries.put(conditions.get(i).substring(2), conditions.get(i + 1));
        }
        entries.put("out", folder.toString());
        return entries;
    }

    /** The values of the run options' mixin: what every case of the polar shares. */
    private LinkedHashMap<String, String> runEntries() {
        return Configuration.entries(spec.mixins().get(RUN_OPTIONS), Set.of());
    }

    private static List<String> toArguments(Map<String, String> entries, CommandSpec spec) {
        List<String> args = new ArrayList<>();
        for (Map.Entry<String, String> e : entries.entrySet()) {
            OptionSpec o = spec.findOption("--" + e.getKey());
            if (o == null) {
                continue;
            }
            if (o.arity().max() == 0) {
                if (e.getValue().equals("true")) {
                    args.add("--" + e.getKey());
                }
            } else if (o.isMultiValue()) {
                for (String v : e.getValue().split(",")) {
                    if (!v.isBlank()) {
                        args.add("--" + e.getKey());
                        args.add(v.trim());
                    }
                }
            } else {
                args.add("--" + e.getKey());
                args.add(e.getValue());
            }
        }
        return args;
    }

    /** One case through the single-case runner, its printed output into run.log. */
    @SuppressWarnings("try") // the lock is held, not used
    private PolarRunner.Outcome<Solver> runCase(PolarCase c, Solver from) throws IOException {
        Path folder = outDir.resolve(c.folder());
        PolarRow kept = resume ? reusable(c, folder) : null;
        if (kept != null || stopping) {
            // A kept case hands no flow on: the next case of its chain starts from the free stream.
            if (from != null) {
                from.close();
            }
            if (kept != null) {
                reused.incrementAndGet();
                return new PolarRunner.Outcome<>(kept, null);
            }
            return new PolarRunner.Outcome<>(PolarRow.without(c, StopReason.NOT_RUN,
                    "the polar was stopped before this case started"), null);
        }
        Files.createDirectories(folder);
        RunOptions o = caseOptions(c, folder);
        // The case folder is this polar's too: a "run --out" into it meanwhile is refused.
        try (FolderLock lock = FolderLock.acquire(folder, "kestrafol polar, case " + c.label());
                OutputStream file = Files.newOutputStream(folder.resolve("run.log"));
                PrintStream log = new PrintStream(file, true, StandardCharsets.UTF_8)) {
            CaseDefinition definition = o.definition();
            Run run = new Run(definition, folder, log, false);
            recordCase(run, c, folder, from != null);
            active.add(run);
            if (stopping) {
                run.requestStop();
            }
            Mesh mesh = from != null ? from.mesh() : meshes.computeIfAbsent(meshKey(c), k -> {
                try {
                    return Run.mesh(definition);
                } catch (IOException e) {
                    throw new java.io.UncheckedIOException(e);
                }
            });
            CaseResult r;
            try {
                r = run.execute(mesh, from, true);
            } catch (IOException | RuntimeException e) {
                if (run.solver() != null) {
                    run.solver().close();
                }
                throw e;
            } finally {
                active.remove(run);
            }
            PolarRow row = new PolarRow(c, r);
            try {
                RunReport.write(folder, null, definition.caseName() + ", " + c.label());
            } catch (IOException | RuntimeException e) {
                // The case's answer stands without its page.
                log.println("report.html not written: " + e.getMessage());
            }
            Solver solver = run.solver();
            // Only a flow that ended normally is carried on: after a divergence or an
            // interruption the next case of the chain starts from the free stream.
            if (r.stop() == StopReason.DIVERGED || r.stop() == StopReason.INTERRUPTED) {
                solver.close();
                return new PolarRunner.Outcome<>(row, null);
            }
            return new PolarRunner.Outcome<>(row, solver);
        }
    }

    /** Built-in viscous meshes depend on the Reynolds number; everything else is shared. */
    private static String meshKey(PolarCase c) {
        return c.reynolds() == null ? "" : Sweep.plain(c.reynolds());
    }

    /** The polar's full effective configuration, which also drives the Slurm tasks. */
    private void writeConfiguration(Path file) throws IOException {
        LinkedHashMap<String, String> e = new LinkedHashMap<>();
        e.put("mach", join(machs));
        e.put("alpha", join(alphas));
        if (!reynolds.isEmpty()) {
            e.put("reynolds", join(reynolds));
        }
        e.put(chained ? "chain" : "cold", "true");
        if (compare != null) {
            e.put("compare", compare.toString());
        }
        e.putAll(Configuration.complete(runEntries(), settled));
        CaseFile.write(file, List.of("kestrafol polar: the effective configuration of this polar.",
                "Re-run it with: kestrafol polar --config " + file), e);
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
        run.recordCase(comments, caseEntries(c, folder));
    }

    private static String join(List<BigDecimal> values) {
        return String.join(",", values.stream().map(Sweep::plain).toList());
    }
}
