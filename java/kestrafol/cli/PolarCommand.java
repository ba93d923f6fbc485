package kestrafol.cli;

import java.io.IOException;
import java.io.OutputStream;
import java.io.PrintStream;
import java.math.BigDecimal;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.Set;
import java.util.concurrent.Callable;
import java.util.concurrent.ConcurrentHashMap;
import java.util.concurrent.Executors;
import java.util.concurrent.ScheduledExecutorService;
import java.util.concurrent.TimeUnit;
import kestrafol.mesh.Mesh;
import kestrafol.polar.CaseResult;
import kestrafol.polar.PolarCase;
import kestrafol.polar.PolarCsv;
import kestrafol.polar.PolarEstimate;
import kestrafol.polar.PolarPicture;
import kestrafol.polar.PolarProgress;
import kestrafol.polar.PolarRunner;
import kestrafol.polar.SlurmJob;
import kestrafol.polar.SlurmPolar;
import kestrafol.polar.SlurmSubmission;
import kestrafol.polar.Sweep;
import kestrafol.run.CaseDefinition;
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
 * worker threads or as a Slurm job array; then polar.csv and polar.png.
 *
 * <p>The command takes the run options' mixin ({@link RunOptions}, shared with "run") and its
 * own options, among them the flow conditions as lists (--mach, --alpha, --reynolds) where
 * "run" takes single values ({@link FlowConditions}).
 */
@Command(name = "polar", separator = " ", sortOptions = false, usageHelpAutoWidth = true,
        description = {"Runs every combination of the Mach numbers, Reynolds numbers (viscous runs)"
                + " and angles of attack as a case of \"kestrafol run\", each into a folder of its"
                + " own inside the output folder, and writes polar.csv and polar.png there.",
            "Cases run side by side, one solver per worker thread, or as a Slurm job array.", ""},
        footer = {"", "Every option of \"kestrafol run\" applies to each case; --out defaults to"
                + " polar.",
            "Exit status: 0 every case answered, 1 a case failed (or bad input), 2 bad options,"
                + " 3 a case diverged."})
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

    @Option(names = "--partition", paramLabel = "P", description = "Slurm partition")
    String partition;

    @Option(names = "--time", paramLabel = "T", description = "Slurm time limit per task, e.g."
            + " 1:00:00")
    String time;

    @Option(names = "--task", paramLabel = "N", hidden = true,
            description = "run array task N of a recorded polar (used by the batch script)")
    Integer task;

    // --- Slurm: detached submission, gathering, confirmation of large polars ---

    @Option(names = "--tasks", paramLabel = "T", hidden = true,
            description = "the number of array tasks of the job (used by the batch script)")
    Integer taskCount;

    @Option(names = "--job", paramLabel = "ID", hidden = true,
            description = "the Slurm job id of the array (used by the batch script)")
    String jobId;

    @Option(names = "--detach", description = "with --slurm: submit, record the job and return at"
            + " once; collect the results later with --gather")
    boolean detach;

    @Option(names = "--gather", paramLabel = "DIR", description = "collect the Slurm polar"
            + " submitted into folder DIR (waits while its job runs), write polar.csv and polar.png")
    Path gather;

    @Option(names = "--yes", description = "run a polar of more than 10,000 cases")
    boolean yes;

    // --- end of the Slurm options ---

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

    private PolarCommand(PrintStream out, boolean terminal) {
        this.out = out;
        this.terminal = terminal;
    }

    /** The polar command: its own options and the run options' mixin. */
    static CommandLine commandLine(PrintStream out, boolean terminal) {
        return new CommandLine(new PolarCommand(out, terminal));
    }

    @Override
    public Integer call() throws IOException, InterruptedException {
        if (gather != null) {
            return gatherSlurm();
        }
        settle();
        Sweep sweep = Sweep.of(machs, reynolds, alphas, chained);
        List<List<PolarCase>> units = sweep.chains();
        // An unreadable mesh or bad boundary names fail the polar at once, not every case.
        RunOptions first = caseOptions(sweep.cases().get(0), outDir);
        settled = first;
        meshes.put(meshKey(sweep.cases().get(0)), Run.mesh(first.definition()));
        if (task != null) {
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
        List<CaseResult> rows;
        long start = System.nanoTime();
        if (slurm || dryRun) {
            SlurmSubmission polar = new SlurmSubmission("", 0, "Polar, " + first.caseName(),
                    join(machs), join(alphas), reynolds.isEmpty() ? null : join(reynolds), chained);
            rows = SlurmPolar.submit(outDir, polar, config, javaCommand(), partition, time,
                    dryRun ? SlurmPolar.Mode.DRY_RUN : detach ? SlurmPolar.Mode.DETACH
                    : SlurmPolar.Mode.WAIT, out);
            if (rows == null) {
                return 0;
            }
        } else {
            rows = runLocally(sweep, units);
        }
        return finish(rows, "Polar, " + first.caseName(), (System.nanoTime() - start) * 1e-9);
    }

    /** Writes polar.csv and polar.png and gives the polar's exit status. */
    private int finish(List<CaseResult> rows, String title, double wall) throws IOException {
        PolarCsv.write(rows, outDir.resolve("polar.csv"));
        PolarPicture.write(rows, title, outDir.resolve("polar.png"));
        long answered = rows.stream().filter(CaseResult::answered).count();
        out.println(String.format(Locale.ROOT, "%d of %d cases answered in %s (%.0f cases per hour)",
                answered, rows.size(), PolarProgress.time(wall), rows.size() * 3600 / wall));
        out.println("Results in " + outDir + ": polar.csv polar.png and a folder per case");
        if (rows.stream().anyMatch(r -> r.stoppedBy().equals("failed"))) {
            return Main.EXIT_BAD_INPUT;
        }
        return rows.stream().anyMatch(r -> r.stoppedBy().equals("diverged")) ? Run.EXIT_DIVERGED : 0;
    }

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
        outDir = gather.toAbsolutePath().normalize();
        long start = System.nanoTime();
        SlurmPolar.Gathered g = SlurmPolar.gather(outDir, out);
        return finish(g.rows(), g.title(), (System.nanoTime() - start) * 1e-9);
    }

    /** Checks the polar's own options and settles the lists and the output folder. */
    private void settle() {
        if (cold && chain) {
            throw usage("--cold and --chain exclude each other");
        }
        if (jobs < 1) {
            throw usage("--jobs expects a whole number of at least 1, got " + jobs);
        }
        if (task != null && task < 0) {
            throw usage("--task expects a whole number of at least 0, got " + task);
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
        int chains = machs.size() * Math.max(1, reynolds.size());
        chained = chain || (!cold && chainsByDefault(chains, jobs, slurm || dryRun || task != null));
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
        for (OptionSpec o : spec.options()) {
            if (o.type() == Path.class && o.getValue() instanceof Path p) {
                String text = p.toString();
                if ((slurm || dryRun) && !text.isEmpty()
                        && Character.isWhitespace(text.charAt(text.length() - 1))) {
                    throw usage(o.longestName() + ": a Slurm polar cannot take a path that ends in"
                            + " white space (its tasks read the path from a case file, which trims"
                            + " it)");
                }
                o.setValue(p.toAbsolutePath().normalize());
            }
        }
        try {
            SlurmJob.checkOptions(slurm || dryRun ? base.out : Path.of(""), partition, time);
        } catch (IllegalArgumentException e) {
            throw usage(e.getMessage());
        }
    }

    private ParameterException usage(String message) {
        return new ParameterException(spec.commandLine(), message);
    }

    private List<CaseResult> runLocally(Sweep sweep, List<List<PolarCase>> units)
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
        // Ctrl-C or a kill ends the JVM: the cases finished so far still make a polar.csv, with
        // the others as rows stopped by "interrupted".
        Map<Integer, CaseResult> finished = new ConcurrentHashMap<>();
        PolarRunner.Listener listener = new PolarRunner.Listener() {
            @Override
            public void started(PolarCase c) {
                progress.started(c);
            }

            @Override
            public void finished(CaseResult r) {
                finished.put(r.polarCase().index(), r);
                progress.finished(r);
            }
        };
        Thread partial = new Thread(() -> {
            List<CaseResult> rows = new ArrayList<>();
            for (PolarCase c : sweep.cases()) {
                rows.add(finished.getOrDefault(c.index(), CaseResult.failed(c, "interrupted",
                        "the polar was stopped before this case finished")));
            }
            try {
                PolarCsv.write(rows, outDir.resolve("polar.csv"));
                out.println();
                out.println("Interrupted: " + finished.size() + " of " + rows.size()
                        + " cases finished; polar.csv written to " + outDir);
            } catch (IOException e) {
                out.println("Interrupted; polar.csv could not be written: " + e.getMessage());
            }
        }, "polar-interrupted");
        Runtime.getRuntime().addShutdownHook(partial);
        try {
            return PolarRunner.run(units, jobs, this::runCase, listener);
        } finally {
            if (ticker != null) {
                ticker.shutdownNow();
            }
            progress.clearBar();
            try {
                Runtime.getRuntime().removeShutdownHook(partial);
            } catch (IllegalStateException e) {
                // Already shutting down: the hook writes the partial polar.
            }
        }
    }

    /** One array task: its chains (or cases) on this thread; rows to slurm/JOB/task-N.csv. */
    private int runTask(Sweep sweep, List<List<PolarCase>> units) throws IOException {
        int tasks = taskCount != null ? taskCount : units.size();
        if (tasks < 1 || tasks > units.size() || task >= tasks) {
            throw usage("--task " + task + " of --tasks " + tasks + ": this polar has "
                    + units.size() + " units of work");
        }
        if (jobId == null || !jobId.matches("\\d+")) {
            throw usage("--task needs --job ID, the Slurm job id of the array");
        }
        SlurmJob job = new SlurmJob(outDir, units.size(), tasks);
        List<List<PolarCase>> mine = job.unitsOf(task, units);
        PolarProgress progress = new PolarProgress(out, false,
                mine.stream().mapToInt(List::size).sum(), 1);
        List<CaseResult> rows = new ArrayList<>();
        for (List<PolarCase> unit : mine) {
            rows.addAll(PolarRunner.runChain(unit, this::runCase, progress));
        }
        Files.createDirectories(job.taskRows(jobId, task).getParent());
        PolarCsv.write(rows, job.taskRows(jobId, task));
        return 0;
    }

    /** The command that runs this JAR again: java, the library path if one was set, the JAR. */
    static List<String> javaCommand() {
        List<String> c = new ArrayList<>();
        c.add(Paths.get(System.getProperty("java.home"), "bin", "java").toString());
        String library = System.getProperty("kestrafol.library.path");
        if (library != null) {
            c.add("-Dkestrafol.library.path=" + Paths.get(library).toAbsolutePath());
        }
        c.add("-cp");
        try {
            c.add(Paths.get(Main.class.getProtectionDomain().getCodeSource().getLocation().toURI())
                    .toString());
        } catch (java.net.URISyntaxException | RuntimeException e) {
            c.add(System.getProperty("java.class.path"));
        }
        c.add(Main.class.getName());
        return c;
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
    private PolarRunner.Outcome<Solver> runCase(PolarCase c, Solver from) throws IOException {
        Path folder = outDir.resolve(c.folder());
        Files.createDirectories(folder);
        RunOptions o = caseOptions(c, folder);
        writeCaseFile(folder.resolve("case.properties"), c, folder, from != null);
        try (OutputStream file = Files.newOutputStream(folder.resolve("run.log"));
                PrintStream log = new PrintStream(file, true, StandardCharsets.UTF_8)) {
            CaseDefinition definition = o.definition();
            Run run = new Run(definition, folder, log, false);
            Mesh mesh = from != null ? from.mesh() : meshes.computeIfAbsent(meshKey(c), k -> {
                try {
                    return Run.mesh(definition);
                } catch (IOException e) {
                    throw new java.io.UncheckedIOException(e);
                }
            });
            Run.Result r;
            try {
                r = run.execute(mesh, from, true);
            } catch (IOException | RuntimeException e) {
                if (run.solver() != null) {
                    run.solver().close();
                }
                throw e;
            }
            CaseResult row = new CaseResult(c, r.cl(), r.cd(), r.cdPressure(), r.cdFriction(),
                    r.cm(), r.iterations(), r.stoppedBy(), r.residualDrop(), r.wallSeconds(), "")
                    .withWarnings(r.warnings());
            Solver solver = run.solver();
            // Only a flow that ended normally is carried on: after a divergence or an
            // interruption the next case of the chain starts from the free stream.
            if (r.exitStatus() != 0 || r.stoppedBy().equals("interrupted")) {
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
        e.putAll(Configuration.complete(runEntries(), settled));
        CaseFile.write(file, List.of("kestrafol polar: the effective configuration of this polar.",
                "Re-run it with: kestrafol polar --config " + file), e);
    }

    private void writeCaseFile(Path file, PolarCase c, Path folder, boolean carried)
            throws IOException {
        List<String> comments = new ArrayList<>(List.of("kestrafol polar, case " + c.label()
                + ": the effective options of this case.",
                "Re-run it alone with: kestrafol run --config " + file));
        if (carried) {
            comments.add("It started from the converged flow of the previous angle of its chain;"
                    + " alone it starts from the free stream.");
        }
        CaseFile.write(file, comments, caseEntries(c, folder));
    }

    private static String join(List<BigDecimal> values) {
        return String.join(",", values.stream().map(Sweep::plain).toList());
    }
}
