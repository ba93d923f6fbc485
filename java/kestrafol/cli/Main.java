package kestrafol.cli;

import java.io.IOException;
import java.io.PrintStream;
import java.io.PrintWriter;
import java.nio.file.AccessDeniedException;
import java.nio.file.NoSuchFileException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;
import java.util.Set;
import java.util.concurrent.Callable;
import kestrafol.base.FolderLock;
import kestrafol.base.OutputFile;
import kestrafol.mesh.Mesh;
import kestrafol.meshing.MeshGenerator;
import kestrafol.mesh.io.MeshFiles;
import kestrafol.base.Numbers;
import kestrafol.output.CpPicture;
import kestrafol.output.Pictures;
import kestrafol.polar.ComparisonData;
import kestrafol.polar.PolarOutputs;
import kestrafol.report.RunReport;
import kestrafol.batch.ErrorEstimate;
import kestrafol.run.CaseDefinition;
import kestrafol.study.TwoMeshes;
import kestrafol.run.CaseResult;
import kestrafol.run.StopReason;
import kestrafol.run.Run;
import kestrafol.study.GridConvergence;
import kestrafol.study.StudyOutputs;
import kestrafol.study.TwoMeshes;
import picocli.CommandLine.Command;
import picocli.CommandLine.Mixin;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Model.UsageMessageSpec;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;
import picocli.CommandLine.Parameters;
import picocli.CommandLine.Spec;
import picocli.CommandLine;
import kestrafol.batch.Interrupts;
import kestrafol.batch.Stopping;
import kestrafol.run.CaseOutputs;

/**
 * The command-line program: "kestrafol run" solves a case, "kestrafol mesh" writes a built-in
 * mesh, "kestrafol polar" runs many cases. Exit status: 0 done (every case converged), 1 failed
 * (unreadable mesh, invalid input), 2 bad command line, 3 diverged (non-finite residual), 4
 * answered without converging (the iteration cap ended a case).
 */
@Command(name = "kestrafol", separator = " ", usageHelpAutoWidth = true,
        description = "Two-dimensional compressible flow around bodies: solve a case or write a"
                + " mesh (a built-in body or airfoil coordinate files).",
        footer = {"", "Exit status: 0 done (converged), 1 bad input (unreadable mesh, invalid mesh"
                + " or flow), 2 bad command line, 3 the run diverged, 4 the run (or a case of a"
                + " polar) answered without converging (see its warnings).",
                "Run \"kestrafol COMMAND --help\" for the options of a command."})
public final class Main implements Callable<Integer> {
    /** Exit status of a failure caused by the input (files, meshes, values). */
    public static final int EXIT_BAD_INPUT = 1;
    /** Exit status of a command line that could not be parsed. */
    public static final int EXIT_USAGE = 2;

    @Spec
    CommandSpec spec;

    @Option(names = {"-h", "--help"}, usageHelp = true, description = "show this help and exit")
    boolean help;

    @Option(names = "--debug", scope = CommandLine.ScopeType.INHERIT,
            description = "print the stack trace of a failure (for reporting a fault)")
    boolean debug;

    private Main() {}

    public static void main(String[] args) {
        Pictures.headless();
        int status = run(args, System.out, System.err, System.console() != null);
        System.out.flush();
        System.exit(status);
    }

    /** Runs a command; returns the exit status instead of exiting. */
    public static int run(String[] args, PrintStream out, PrintStream err, boolean terminal) {
        boolean debug = Arrays.asList(args).contains("--debug");
        CommandLine line = commandLine(out, err, terminal);
        try {
            args = Configuration.expand(Configuration.resumed(args), line);
        } catch (IOException | Configuration.ResumeException e) {
            err.println("kestrafol: " + e.getMessage());
            return EXIT_BAD_INPUT;
        } catch (IllegalArgumentException e) {
            err.println("kestrafol: " + e.getMessage() + " (see \"kestrafol " + args[0]
                    + " --help\")");
            return EXIT_USAGE;
        }
        line.setExecutionExceptionHandler((e, at, parsed) -> failure(e, at.getErr(), debug));
        int status;
        try {
            status = line.execute(args);
        } catch (Throwable e) { // errors picocli passes on, such as OutOfMemoryError
            status = failure(e, line.getErr(), debug);
        }
        line.getOut().flush();
        line.getErr().flush();
        return status;
    }

    /**
     * Reports a failure of a command in one line (the stack trace only with --debug) and gives
     * its exit status: bad input for files, meshes and values, and for anything unforeseen.
     */
    static int failure(Throwable e, PrintWriter err, boolean debug) {
        if (e instanceof java.io.UncheckedIOException u) {
            e = u.getCause();
        }
        String message;
        if (e instanceof NoSuchFileException) {
            message = "no such file: " + e.getMessage();
        } else if (e instanceof AccessDeniedException) {
            message = "permission denied: " + e.getMessage();
        } else if (e instanceof IOException || e instanceof IllegalArgumentException
                || e instanceof IllegalStateException) {
            message = String.valueOf(e.getMessage());
        } else if (e instanceof OutOfMemoryError) {
            message = "out of memory: the mesh or the run needs more than the Java heap allows"
                    + " (raise it with -Xmx, or use a smaller mesh)";
        } else {
            message = "internal error: " + e + (debug ? "" : " (run with --debug for the stack trace)");
        }
        err.println("kestrafol: " + message.replaceAll("\\s*[\\r\\n]+\\s*", " "));
        if (debug) {
            e.printStackTrace(err);
        }
        err.flush();
        return EXIT_BAD_INPUT;
    }

    /** The top command with its subcommands, printing to out and err. */
    public static CommandLine commandLine(PrintStream out, PrintStream err, boolean terminal) {
        CommandLine line = new CommandLine(new Main());
        line.addSubcommand(new RunCommand(out, terminal));
        line.addSubcommand(new MeshCommand(out));
        line.addSubcommand("polar", PolarCommand.commandLine(out, terminal));
        line.addSubcommand("study", new StudyCommand(out));
        listFiles(line.getSubcommands().get("run"), "", CaseOutputs.FILES);
        listFiles(line.getSubcommands().get("polar"), ", beside a folder per case as run writes",
                PolarOutputs.FILES);
        listFiles(line.getSubcommands().get("study"), ", beside a folder per level as run writes",
                StudyOutputs.FILES);
        line.setOut(new PrintWriter(out, true));
        line.setErr(new PrintWriter(err, true));
        line.setParameterExceptionHandler((e, args) -> {
            CommandLine at = e.getCommandLine();
            e.getCommandLine().getErr().println("kestrafol: " + e.getMessage() + " (see \""
                    + at.getCommandSpec().qualifiedName() + " --help\")");
            return EXIT_USAGE;
        });
        line.setExecutionExceptionHandler((e, at, parsed) -> failure(e, at.getErr(), false));
        return line;
    }

    /**
     * Puts the files a command writes, as their owner lists them, first in its help's footer:
     * a file added to the owner's list appears in the help.
     */
    private static void listFiles(CommandLine command, String beside, List<OutputFile> files) {
        UsageMessageSpec usage = command.getCommandSpec().usageMessage();
        List<String> footer = new ArrayList<>(List.of(usage.footer()));
        footer.add(Math.min(1, footer.size()), "Files written into the output folder" + beside
                + ": " + OutputFile.described(files) + ".");
        usage.footer(footer.toArray(new String[0]));
    }

    /** "kestrafol" alone: a command is missing. */
    @Override
    public Integer call() {
        throw new ParameterException(spec.commandLine(), "expected a command: run, polar, study or mesh");
    }

    @Command(name = "run", separator = " ", sortOptions = false, usageHelpAutoWidth = true,
            description = {"Solves a steady (or unsteady) flow and writes its files (listed"
                    + " below) into the output folder.",
                "Without options: NACA 0012, Mach 0.8, alpha 1.25 degrees, inviscid, second order,"
                    + " steady, on the built-in mesh.",
                "The run stops at the first of --orders, --cauchy and --iterations that holds; a"
                    + " run that reaches the cap is reported as not converged.",
                "Forces: gauge pressure on the monitored walls plus laminar skin friction on"
                    + " no-slip walls; CD = pressure + friction drag, CM about the reference"
                    + " point, positive nose up.",
                "Ctrl-C (or SIGTERM) stops at the end of the current iteration and writes"
                    + " everything reached; a second Ctrl-C quits at once.",
                "--unsteady: " + RunOptions.UNSTEADY_NOTE + ".", ""},
            footer = {"", "Exit status: 0 converged, 1 bad input, 2 bad command line, 3 diverged, 4 stopped"
                    + " at the iteration cap without converging (the numbers are not an answer),"
                    + " 130/143 stopped by SIGINT/SIGTERM."})
    static final class RunCommand implements Callable<Integer> {
        /** Exit status of a run stopped by SIGINT (128 + 2) or SIGTERM (128 + 15). */
        static final int EXIT_INTERRUPTED = Stopping.EXIT_INTERRUPTED;
        static final int EXIT_TERMINATED = Stopping.EXIT_TERMINATED;

        private final PrintStream out;
        private final boolean terminal;

        @Mixin
        FlowConditions conditions;

        @Mixin
        RunOptions options;

        @Option(names = {"-h", "--help"}, usageHelp = true, description = "show this help and exit")
        boolean help;

        RunCommand(PrintStream out, boolean terminal) {
            this.out = out;
            this.terminal = terminal;
        }

        @Option(names = "--config", paramLabel = "FILE", description = "options from a properties"
                + " file, keys named like the long options (mach = 0.5); the command line overrides"
                + " it")
        Path config;

        @Option(names = "--compare", paramLabel = "FILE", description = "measured or published"
                + " Cp (a CSV file whose header names x, as x/c, and cp) drawn in cp.png and the"
                + " report")
        Path compare;

        @Option(names = "--resume", description = "continue the run whose checkpoint the --out"
                + " folder holds (killed, interrupted or stopped at its cap), with the options of"
                + " its case.properties; the command line may raise --iterations. Ends with the"
                + " same iterations and coefficients as a run never stopped")
        boolean resume;

        @Option(names = "--error-estimate", description = "also solve the case on the next"
                + " coarser built-in mesh (sqrt(2) fewer points per direction, alongside) and"
                + " report error bars of CL, CD and CM (two-mesh grid convergence index, safety"
                + " factor " + GridConvergence.SAFETY_TWO_GRIDS + ", order "
                + (int) TwoMeshes.ASSUMED_ORDER + " assumed; flagged where the flow is"
                + " supersonic)")
        boolean errorEstimate;

        @Spec
        CommandSpec spec;

        /** The options with the flow conditions, checked and settled. */
        RunOptions validated() {
            return conditions.applyTo(options).validate();
        }

        @Override
        @SuppressWarnings("try") // the lock is held, not used
        public Integer call() throws IOException {
            validated();
            // A bad comparison file is refused before anything is computed.
            ComparisonData points = compare == null ? null
                    : ComparisonData.read(compare, ComparisonData.Use.SURFACE);
            if (resume && options.adapt > 0) {
                throw new ParameterException(spec.commandLine(), "--resume continues a run on its"
                        + " mesh; an adapted run takes no checkpoints (its last mesh is not"
                        + " rebuilt): run it again without --resume");
            }
            if (resume && errorEstimate) {
                throw new ParameterException(spec.commandLine(), "--resume continues one run;"
                        + " --error-estimate cannot go with it");
            }
            CaseDefinition c = options.definition();
            Run run = resume ? Run.resume(c, options.out, out, terminal)
                    : new Run(c, options.out, out, terminal);
            run.withCheckpoints(options.checkpointEvery);
            if (points != null) {
                run.compareCp(new CpPicture.Points(points.label(), points.column("x"),
                        points.column("cp")));
            }
            if (errorEstimate) {
                if (options.body.mesh != null) {
                    throw new ParameterException(spec.commandLine(), "--error-estimate needs a"
                            + " built-in body (--naca, --circle or --airfoil): it also solves a"
                            + " coarser mesh of it");
                }
                if (options.adapt > 0) {
                    // The coarser mesh is the adapted size field's, one ratio coarser.
                    run.withAdaptedErrorBars((family, around) -> ErrorEstimate.start(
                            n -> options.definitionAt(n, false, 0, null), family, around,
                            options.out));
                } else {
                    try {
                        int coarser = TwoMeshes.coarserPoints(options.body.resolution);
                        run.withErrorBars(ErrorEstimate.start(options.definitionAt(coarser,
                                false), coarser, options.out));
                    } catch (IllegalArgumentException e) {
                        throw new ParameterException(spec.commandLine(), "--error-estimate: "
                                + e.getMessage());
                    }
                }
            }
            // The full effective configuration: "kestrafol run --config" repeats the run.
            Path file = options.out.resolve(CaseOutputs.CASE_FILE);
            run.recordCase(List.of("kestrafol run: the effective options of this run.",
                    "Re-run it with: kestrafol run --config " + file),
                    Configuration.complete(Configuration.entries(spec, Set.of("--resume")),
                            options));
            try (FolderLock lock = FolderLock.acquire(options.out, "kestrafol run");
                    Interrupts interrupts = Interrupts.install(run::requestStop, out)) {
                CaseResult result = run.execute();
                RunReport.write(options.out, points, String.format(Locale.ROOT,
                        "%s, Mach %s, alpha %s deg", c.body().caseName(), Numbers.format(c.flow().mach()),
                        Numbers.format(c.flow().alpha())));
                out.println("Report: " + options.out.toAbsolutePath().normalize()
                        .resolve(CaseOutputs.REPORT));
                if (result.stop() == StopReason.INTERRUPTED) {
                    return interrupts.terminated() ? EXIT_TERMINATED : EXIT_INTERRUPTED;
                }
                return result.exitStatus();
            }
        }
    }

    @Command(name = "mesh", separator = " ", sortOptions = false, usageHelpAutoWidth = true,
            description = {"Writes a built-in mesh, or the mesh around airfoils from coordinate"
                    + " files, in SU2 format (or Gmsh 2.2 for a .msh name), and prints its quality;"
                    + " with --mesh FILE, writes that mesh again in the format of --out.",
                "One airfoil gets the built-in O-mesh in its chord frame; several (--airfoil"
                    + " repeated) an unstructured mesh through Gmsh, boundaries element1,"
                    + " element2, ..., farfield.", ""})
    static final class MeshCommand implements Callable<Integer> {
        private final PrintStream out;

        @Spec
        CommandSpec spec;

        @Parameters(arity = "0..2", paramLabel = "BODY",
                description = "naca CODE (a four- or five-digit NACA airfoil, e.g. naca 0012 or"
                        + " naca 23012) or circle; or --airfoil instead")
        List<String> body;

        /** The body and the options of its mesh, as run, polar and study take them. */
        @Mixin
        final BodyOptions built = new BodyOptions();

        @Option(names = "--out", paramLabel = "FILE",
                description = "the mesh file, .su2 or .msh (default: naca<CODE>.su2, circle.su2"
                        + " or the first airfoil file's name with .su2)")
        Path outFile;

        @Option(names = {"-h", "--help"}, usageHelp = true, description = "show this help and exit")
        boolean help;

        MeshCommand(PrintStream out) {
            this.out = out;
        }

        @Override
        public Integer call() throws IOException {
            boolean positional = body != null && !body.isEmpty();
            if (built.mesh != null && (outFile == null
                    || outFile.toAbsolutePath().normalize().equals(
                            built.mesh.toAbsolutePath().normalize()))) {
                throw new ParameterException(spec.commandLine(), "mesh --mesh FILE writes the"
                        + " mesh file again in the format of --out: give --out another file");
            }
            boolean chosen = built.mesh != null || built.naca != null || built.circle
                    || !built.airfoils.isEmpty();
            if (positional && chosen) {
                throw new ParameterException(spec.commandLine(), "give either a body ("
                        + String.join(" ", body) + ") or one of --airfoil, --naca, --circle and"
                        + " --mesh, not both");
            }
            if (!positional && !chosen) {
                throw new ParameterException(spec.commandLine(),
                        "expected \"naca CODE\", \"circle\", --airfoil FILE or --mesh FILE");
            }
            if (positional) {
                built.naca = nacaCode();
                built.circle = built.naca == null;
            }
            RunOptions o = new RunOptions();
            o.body = built;
            o.spec = spec;
            kestrafol.run.CaseDefinition c = o.validate().definition();
            for (kestrafol.meshing.AirfoilElement e : c.body().airfoils()) {
                out.println("Airfoil " + e.describe());
            }
            Mesh mesh = Run.meshed(c, out::println).mesh();
            String name = built.circle ? "circle" : built.airfoils.isEmpty()
                    ? "naca" + built.nacaCode()
                    : kestrafol.meshing.AirfoilElement.fileOf(built.airfoils.get(0)).getFileName()
                            .toString().replaceFirst("\\.[^.]*$", "");
            return write(mesh, outFile != null ? outFile : Path.of(name + ".su2"));
        }

        /** Writes the mesh and prints what it is and its quality. */
        private int write(Mesh mesh, Path file) throws IOException {
            try {
                MeshFiles.write(mesh, file);
            } catch (IllegalArgumentException e) {
                throw new ParameterException(spec.commandLine(), "--out " + e.getMessage());
            }
            out.println("Wrote " + file + ": " + mesh);
            out.println("Quality: " + kestrafol.meshing.MeshQuality.of(mesh));
            return 0;
        }

        /** The digits of "naca CODE" or "nacaCODE"; null for "circle". */
        private String nacaCode() {
            String first = body.get(0).toLowerCase(Locale.ROOT);
            if (first.equals("circle") && body.size() == 1) {
                return null;
            }
            String code = null;
            if (first.equals("naca") && body.size() == 2) {
                code = body.get(1);
            } else if (first.matches("naca\\d{4,5}") && body.size() == 1) {
                code = first.substring(4);
            }
            if (code != null || first.equals("naca")) {
                try {
                    kestrafol.geometry.Naca.parse(code == null ? "" : code);
                    return code;
                } catch (IllegalArgumentException e) {
                    throw new ParameterException(spec.commandLine(), "mesh naca expects a four- "
                            + "or five-digit code, e.g. mesh naca 0012 or mesh naca 23012"
                            + (code == null ? "" : ", got " + code));
                }
            }
            throw new ParameterException(spec.commandLine(),
                    "expected \"naca CODE\" or \"circle\", got " + String.join(" ", body));
        }
    }
}
