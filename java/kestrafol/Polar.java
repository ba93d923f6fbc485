package kestrafol;

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
import java.util.concurrent.ConcurrentHashMap;
import java.util.concurrent.Executors;
import java.util.concurrent.ScheduledExecutorService;
import java.util.concurrent.TimeUnit;
import kestrafol.polar.CaseFile;
import kestrafol.polar.CaseResult;
import kestrafol.polar.PolarCase;
import kestrafol.polar.PolarCsv;
import kestrafol.polar.PolarPicture;
import kestrafol.polar.PolarProgress;
import kestrafol.polar.PolarRunner;
import kestrafol.polar.SlurmJob;
import kestrafol.polar.Sweep;

/**
 * "kestrafol polar": every combination of the Mach numbers, Reynolds numbers and angles given, each
 * case run by the single-case runner of "kestrafol run" into a folder of its own, side by side on
 * worker threads or as a Slurm job array; then polar.csv and polar.png.
 */
final class Polar {
    /** Chains or cold starts by default (measured: see docs/PERFORMANCE.md). */
    static final boolean DEFAULT_CHAINED = false;

    /** Options of "run" that take a value. */
    static final Set<String> RUN_VALUES = Set.of("mesh", "naca", "resolution", "bc", "mach", "alpha",
            "gamma", "reynolds", "weight", "startup-first-order", "orders", "cauchy", "iterations",
            "out", "print-every");
    /** Flags of "run". */
    static final Set<String> RUN_FLAGS = Set.of("circle", "quads", "no-renumber", "viscous",
            "unsteady", "first-order", "no-pictures");
    /** Options of "polar" beyond those of "run" that take a value. */
    static final Set<String> POLAR_VALUES = Set.of("jobs", "partition", "time", "task");
    /** Flags of "polar" beyond those of "run". */
    static final Set<String> POLAR_FLAGS = Set.of("cold", "chain", "slurm", "slurm-dry-run");

    static final String USAGE = String.join("\n",
            "Usage: kestrafol polar [run options] --alpha LIST --mach LIST [--reynolds LIST]",
            "                       [--jobs N] [--cold | --chain] [--config FILE]",
            "                       [--slurm | --slurm-dry-run] [--partition P] [--time T]",
            "Runs every combination of the Mach numbers, Reynolds numbers (viscous runs) and angles",
            "of attack as a case of \"kestrafol run\", each into a folder of its own inside the",
            "output folder (default polar), and writes polar.csv and polar.png there.",
            "",
            "  --alpha LIST              angles in degrees: 0,2,4 or FROM:STEP:TO, e.g. -2:2:8",
            "  --mach LIST               Mach numbers, e.g. 0.3,0.5,0.7",
            "  --reynolds LIST           Reynolds numbers (with --viscous)",
            "  --jobs N                  cases at the same time, one solver per thread (default:",
            "                            the number of cores, here "
                    + Runtime.getRuntime().availableProcessors() + ")",
            "  --cold                    every case from the free stream" + (DEFAULT_CHAINED ? ""
                    : " (default)"),
            "  --chain                   along each Mach number, a case starts from the converged",
            "                            flow of the previous angle" + (DEFAULT_CHAINED ? " (default)"
                    : ""),
            "  --config FILE             options from a properties file (keys: long option names);",
            "                            the command line overrides the file",
            "  --slurm                   run as a Slurm job array (one task per chain, or per case",
            "                            with --cold), wait for it and gather the results",
            "  --slurm-dry-run           only write the batch script slurm/polar.sbatch",
            "  --partition P, --time T   Slurm partition and time limit per task",
            "Every option of \"kestrafol run\" applies to each case (see kestrafol run --help).",
            "Exit status: 0 every case answered, 3 a case diverged, 1 a case failed, 2 bad options.");

    private final PrintStream out;
    private final boolean terminal;

    private List<String> runArgs;
    private List<BigDecimal> alphas;
    private List<BigDecimal> machs;
    private List<BigDecimal> reynolds;
    private int jobs = Runtime.getRuntime().availableProcessors();
    private boolean chained = DEFAULT_CHAINED;
    private boolean slurm;
    private boolean dryRun;
    private String partition;
    private String time;
    private int task = -1;
    private Path outDir;
    private RunOptions base;
    private final Map<String, Mesh> meshes = new ConcurrentHashMap<>();

    Polar(PrintStream out, boolean terminal) {
        this.out = out;
        this.terminal = terminal;
    }

    /** Reads the command line (after "polar"), the case file included. */
    void parse(String[] args) throws IOException {
        List<String> merged = CaseFile.merge(List.of(args), union(RUN_VALUES, RUN_FLAGS,
                POLAR_VALUES, POLAR_FLAGS), union(RUN_FLAGS, POLAR_FLAGS), Set.of("bc"));
        runArgs = new ArrayList<>();
        String alphaText = null;
        String machText = null;
        String reynoldsText = null;
        for (int i = 0; i < merged.size(); i++) {
            String a = merged.get(i);
            switch (a) {
                case "--alpha" -> alphaText = value(merged, ++i, a);
                case "--mach" -> machText = value(merged, ++i, a);
                case "--reynolds" -> reynoldsText = value(merged, ++i, a);
                case "--jobs" -> jobs = positive(value(merged, ++i, a), a);
                case "--task" -> task = positive(value(merged, ++i, a), a);
                case "--cold" -> chained = false;
                case "--chain" -> chained = true;
                case "--slurm" -> slurm = true;
                case "--slurm-dry-run" -> dryRun = true;
                case "--partition" -> partition = value(merged, ++i, a);
                case "--time" -> time = value(merged, ++i, a);
                default -> runArgs.add(a);
            }
        }
        alphas = Sweep.parseList("--alpha", alphaText == null ? Sweep.plain(BigDecimal.valueOf(
                Settings.DEFAULT_ALPHA)) : alphaText);
        machs = Sweep.parseList("--mach", machText == null ? Sweep.plain(BigDecimal.valueOf(
                Settings.DEFAULT_MACH)) : machText);
        reynolds = reynoldsText == null ? List.of() : Sweep.parseList("--reynolds", reynoldsText);
        if (!runArgs.contains("--out")) {
            runArgs.add("--out");
            runArgs.add("polar");
        }
        // The run options of the first case check everything that is not polar-specific.
        base = RunOptions.parse(caseArgs(sweep().cases().get(0), null).toArray(new String[0]));
        outDir = base.out.toAbsolutePath().normalize();
        int out = runArgs.lastIndexOf("--out");
        runArgs.set(out + 1, outDir.toString());
    }

    private static Set<String> union(Set<String> a, Set<String> b) {
        Set<String> u = new java.util.HashSet<>(a);
        u.addAll(b);
        return u;
    }

    private static Set<String> union(Set<String> a, Set<String> b, Set<String> c, Set<String> d) {
        return union(union(a, b), union(c, d));
    }

    private static String value(List<String> args, int i, String option) {
        if (i >= args.size()) {
            throw new IllegalArgumentException(option + " expects a value");
        }
        return args.get(i);
    }

    private static int positive(String v, String option) {
        try {
            int n = Integer.parseInt(v);
            if (n >= (option.equals("--task") ? 0 : 1)) {
                return n;
            }
        } catch (NumberFormatException e) {
            // reported below
        }
        throw new IllegalArgumentException(option + " expects a whole number of at least "
                + (option.equals("--task") ? 0 : 1) + ", got " + v);
    }

    Sweep sweep() {
        return Sweep.of(machs, reynolds, alphas, chained);
    }

    /** The run options of one case: the polar's, then the case's conditions and folder. */
    private List<String> caseArgs(PolarCase c, Path folder) {
        List<String> a = new ArrayList<>(runArgs);
        a.addAll(c.arguments());
        if (folder != null) {
            a.add("--out");
            a.add(folder.toString());
        }
        return a;
    }

    /** Runs the polar (or one Slurm task of it); returns the exit status. */
    int execute() throws IOException, InterruptedException {
        Sweep sweep = sweep();
        List<List<PolarCase>> units = sweep.chains();
        Files.createDirectories(outDir);
        // An unreadable mesh or bad boundary names fail the polar at once, not every case.
        meshes.put(meshKey(sweep.cases().get(0)), new Run(base, new PrintStream(
                OutputStream.nullOutputStream()), false).mesh());
        if (task >= 0) {
            return runTask(sweep, units);
        }
        writeConfiguration(outDir.resolve("polar.properties"));
        int n = sweep.cases().size();
        out.println(String.format(Locale.ROOT, "Kestrafol polar: %s, %d case%s (%d Mach x %d angle%s),"
                + " %s", base.caseName(), n, n == 1 ? "" : "s", machs.size(), alphas.size(),
                reynolds.isEmpty() ? "" : " x " + reynolds.size() + " Reynolds",
                chained ? "chained along each Mach number" : "each from the free stream"));
        out.println("Output: " + outDir);
        List<CaseResult> rows;
        long start = System.nanoTime();
        if (slurm || dryRun) {
            SlurmJob job = new SlurmJob(outDir, units.size());
            List<String> command = new ArrayList<>(javaCommand());
            command.addAll(List.of("polar", "--config", outDir.resolve("polar.properties").toString()));
            Path script = job.writeScript(command, partition, time);
            if (dryRun) {
                out.println("Batch script (" + units.size() + " array tasks) written to " + script);
                out.println("Submit it with: sbatch " + script);
                return 0;
            }
            String id = job.submit();
            out.println("Submitted job " + id + ": " + units.size() + " array tasks ("
                    + (chained ? "one per chain" : "one per case") + "), script " + script);
            job.await(id, out);
            rows = job.gather(sweep, units);
            for (CaseResult r : rows) {
                if (!r.answered()) {
                    out.println(r.polarCase().label() + ": " + r.stoppedBy()
                            + (r.message().isEmpty() ? "" : ": " + r.message()));
                }
            }
        } else {
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
            try {
                rows = PolarRunner.run(units, jobs, this::runCase, progress);
            } finally {
                if (ticker != null) {
                    ticker.shutdownNow();
                }
                progress.clearBar();
            }
        }
        double wall = (System.nanoTime() - start) * 1e-9;
        PolarCsv.write(rows, outDir.resolve("polar.csv"));
        PolarPicture.write(rows, "Polar, " + base.caseName(), outDir.resolve("polar.png"));
        long answered = rows.stream().filter(CaseResult::answered).count();
        out.println(String.format(Locale.ROOT, "%d of %d cases answered in %s (%.0f cases per hour)",
                answered, rows.size(), PolarProgress.time(wall), rows.size() * 3600 / wall));
        out.println("Results in " + outDir + ": polar.csv polar.png and a folder per case");
        if (rows.stream().anyMatch(r -> r.stoppedBy().equals("failed"))) {
            return 1;
        }
        return rows.stream().anyMatch(r -> r.stoppedBy().equals("diverged")) ? Run.EXIT_DIVERGED : 0;
    }

    /** One array task: its chain (or case) on this thread; rows to slurm/task-N.csv. */
    private int runTask(Sweep sweep, List<List<PolarCase>> units) throws IOException {
        if (task >= units.size()) {
            throw new IllegalArgumentException("--task " + task + ": this polar has " + units.size()
                    + " tasks (0 to " + (units.size() - 1) + ")");
        }
        SlurmJob job = new SlurmJob(outDir, units.size());
        Files.createDirectories(job.folder());
        PolarProgress progress = new PolarProgress(out, false, units.get(task).size(), 1);
        List<CaseResult> rows = PolarRunner.runChain(units.get(task), this::runCase, progress);
        PolarCsv.write(rows, job.taskRows(task));
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

    /** One case through the single-case runner, its printed output into run.log. */
    private PolarRunner.Outcome<Solver> runCase(PolarCase c, Solver from) throws IOException {
        Path folder = outDir.resolve(c.folder());
        Files.createDirectories(folder);
        List<String> args = caseArgs(c, folder);
        RunOptions o = RunOptions.parse(args.toArray(new String[0]));
        writeCaseFile(folder.resolve("case.properties"), args, c, from != null);
        try (OutputStream file = Files.newOutputStream(folder.resolve("run.log"));
                PrintStream log = new PrintStream(file, true, StandardCharsets.UTF_8)) {
            Run run = new Run(o, log, false);
            Mesh mesh = from != null ? from.mesh() : meshes.computeIfAbsent(meshKey(c), k -> {
                        try {
                            return run.mesh();
                        } catch (IOException e) {
                            throw new java.io.UncheckedIOException(e);
                        }
                    });
            Solver solver = from != null ? from : run.newSolver(mesh);
            int status;
            try {
                status = run.execute(mesh, solver, from != null);
            } catch (IOException | RuntimeException e) {
                solver.close();
                throw e;
            }
            CaseResult row = new CaseResult(c, run.last.lift(), run.last.drag(), run.last.drag(),
                    o.viscous ? Double.NaN : 0.0, Double.NaN, run.iterations, stoppedBy(run.stop),
                    run.ordersDropped, run.wallSeconds, "");
            if (status != 0) {
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

    private static String stoppedBy(Run.Stop stop) {
        return switch (stop) {
            case ORDERS -> "orders";
            case COEFFICIENTS -> "cauchy";
            case ITERATIONS -> "iterations";
            case DIVERGED -> "diverged";
        };
    }

    /** The polar's effective configuration, which also drives the Slurm tasks. */
    private void writeConfiguration(Path file) throws IOException {
        LinkedHashMap<String, String> e = properties(runArgs);
        e.put("mach", join(machs));
        e.put("alpha", join(alphas));
        if (!reynolds.isEmpty()) {
            e.put("reynolds", join(reynolds));
        }
        e.put(chained ? "chain" : "cold", "true");
        CaseFile.write(file, List.of("kestrafol polar: the effective configuration of this polar.",
                "Re-run it with: kestrafol polar --config " + file), e);
    }

    private void writeCaseFile(Path file, List<String> args, PolarCase c, boolean carried)
            throws IOException {
        List<String> comments = new ArrayList<>(List.of("kestrafol polar, case " + c.label()
                + ": the effective options of this case.",
                "Re-run it alone with: kestrafol run --config " + file));
        if (carried) {
            comments.add("It started from the converged flow of the previous angle of its chain;"
                    + " alone it starts from the free stream.");
        }
        CaseFile.write(file, comments, properties(args));
    }

    /** Command-line arguments as properties (a repeated option's values joined by commas). */
    private static LinkedHashMap<String, String> properties(List<String> args) {
        LinkedHashMap<String, String> p = new LinkedHashMap<>();
        for (int i = 0; i < args.size(); i++) {
            String key = args.get(i).substring(2);
            if (RUN_FLAGS.contains(key)) {
                p.put(key, "true");
            } else if (key.equals("bc") && p.containsKey(key)) {
                p.put(key, p.get(key) + "," + args.get(++i));
            } else {
                p.put(key, args.get(++i));
            }
        }
        return p;
    }

    private static String join(List<BigDecimal> values) {
        return String.join(",", values.stream().map(Sweep::plain).toList());
    }
}
