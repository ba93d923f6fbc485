package kestrafol.cli;

import java.io.IOException;
import java.io.PrintStream;
import java.io.PrintWriter;
import java.nio.file.AccessDeniedException;
import java.nio.file.NoSuchFileException;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;
import java.util.Set;
import java.util.concurrent.Callable;
import kestrafol.mesh.Mesh;
import kestrafol.meshing.MeshGenerator;
import kestrafol.mesh.io.MeshFiles;
import kestrafol.run.Run;
import kestrafol.output.Pictures;
import picocli.CommandLine.Command;
import picocli.CommandLine.Mixin;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;
import picocli.CommandLine.Parameters;
import picocli.CommandLine.Spec;
import picocli.CommandLine;

/**
 * The command-line program: "kestrafol run" solves a case, "kestrafol mesh" writes a built-in
 * mesh. Exit status: 0 done, 1 failed (unreadable mesh, invalid input), 2 bad command line,
 * 3 the run diverged (non-finite residual).
 */
@Command(name = "kestrafol", separator = " ", usageHelpAutoWidth = true,
        description = "Two-dimensional compressible flow around bodies: solve a case or write a"
                + " built-in mesh.",
        footer = {"", "Exit status: 0 done, 1 bad input (unreadable mesh, invalid mesh or flow),"
                + " 2 bad command line, 3 the run diverged.",
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
            args = Configuration.expand(args, line);
        } catch (IOException e) {
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

    /** "kestrafol" alone: a command is missing. */
    @Override
    public Integer call() {
        throw new ParameterException(spec.commandLine(), "expected a command: run, polar, study or mesh");
    }

    @Command(name = "run", separator = " ", sortOptions = false, usageHelpAutoWidth = true,
            description = {"Solves a steady (or unsteady) flow and writes history.csv,"
                    + " summary.json, surface.csv, flow.vtu, mach.png, cp.png and convergence.png"
                    + " into the output folder.",
                "Without options: NACA 0012, Mach 0.8, alpha 1.25 degrees, inviscid, second order,"
                    + " steady, on the built-in mesh.",
                "The run stops at the first of --orders, --cauchy and --iterations that holds; a"
                    + " run that reaches the cap is reported as not converged.",
                "Forces: gauge pressure on the monitored walls plus laminar skin friction on"
                    + " no-slip walls; CD = pressure + friction drag, CM about the reference"
                    + " point, positive nose up.",
                "Ctrl-C (or SIGTERM) stops at the end of the current iteration and writes"
                    + " everything reached; a second Ctrl-C quits at once.",
                "--unsteady: " + RunOptions.UNSTEADY_NOTE + ".", ""})
    static final class RunCommand implements Callable<Integer> {
        /** Exit status of a run stopped by SIGINT (128 + 2) or SIGTERM (128 + 15). */
        static final int EXIT_INTERRUPTED = 130;
        static final int EXIT_TERMINATED = 143;

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

        @Option(names = "--error-estimate", description = "also solve the case on the next"
                + " coarser built-in mesh (sqrt(2) fewer points per direction, alongside) and"
                + " report error bars of CL, CD and CM (two-mesh grid convergence index, safety"
                + " factor 3, order " + (int) ErrorEstimate.ASSUMED_ORDER + " assumed)")
        boolean errorEstimate;

        @Spec
        CommandSpec spec;

        /** The options with the flow conditions, checked and settled. */
        RunOptions validated() {
            return conditions.applyTo(options).validate();
        }

        @Override
        public Integer call() throws IOException {
            validated();
            Run run = new Run(options.definition(), options.out, out, terminal);
            if (errorEstimate) {
                if (options.mesh != null) {
                    throw new ParameterException(spec.commandLine(), "--error-estimate needs a"
                            + " built-in body (--naca or --circle): it also solves a coarser"
                            + " mesh of it");
                }
                try {
                    run.withErrorBars(ErrorEstimate.start(options, options.out));
                } catch (IllegalArgumentException e) {
                    throw new ParameterException(spec.commandLine(), "--error-estimate: "
                            + e.getMessage());
                }
            }
            try (Interrupts interrupts = Interrupts.install(run::requestStop, out)) {
                Run.Result result = run.execute();
                // The full effective configuration: "kestrafol run --config" repeats the run.
                Path file = options.out.resolve("case.properties");
                CaseFile.write(file, List.of("kestrafol run: the effective options of this run.",
                        "Re-run it with: kestrafol run --config " + file),
                        Configuration.complete(Configuration.entries(spec, Set.of()), options));
                if ("interrupted".equals(result.stoppedBy())) {
                    return interrupts.terminated() ? EXIT_TERMINATED : EXIT_INTERRUPTED;
                }
                return result.exitStatus();
            }
        }
    }

    @Command(name = "mesh", separator = " ", sortOptions = false, usageHelpAutoWidth = true,
            description = "Writes a built-in mesh in SU2 format (or Gmsh 2.2 for a .msh name).")
    static final class MeshCommand implements Callable<Integer> {
        private final PrintStream out;

        @Spec
        CommandSpec spec;

        @Parameters(arity = "1..2", paramLabel = "BODY",
                description = "naca CODE (a four-digit NACA airfoil, e.g. naca 0012) or circle")
        List<String> body;

        @Option(names = "--out", paramLabel = "FILE",
                description = "the mesh file, .su2 or .msh (default: naca<CODE>.su2 or circle.su2)")
        Path outFile;

        @Option(names = "--resolution", paramLabel = "N",
                description = "points around the body, odd counts go up by one (default: "
                        + MeshGenerator.DEFAULT_POINTS_AROUND + ")")
        Integer resolution;

        @Option(names = "--quads", description = "quadrilaterals (default triangles)")
        boolean quads;

        @Option(names = "--layers", paramLabel = "L", description = "layers of cells around the body")
        Integer layers;

        @Option(names = "--first-height", paramLabel = "H",
                converter = RunOptions.FiniteDouble.class,
                description = "height of the first layer at the body")
        Double firstHeight;

        @Option(names = {"-h", "--help"}, usageHelp = true, description = "show this help and exit")
        boolean help;

        MeshCommand(PrintStream out) {
            this.out = out;
        }

        @Override
        public Integer call() throws IOException {
            String code = nacaCode();
            MeshGenerator.Options options;
            try {
                int n = resolution != null ? resolution : MeshGenerator.DEFAULT_POINTS_AROUND;
                options = MeshGenerator.Options.resolution(n % 2 == 0 ? n : n == Integer.MAX_VALUE ? n - 1 : n + 1)
                        .withQuads(quads);
                if (firstHeight != null) {
                    options = options.withFirstHeight(firstHeight);
                }
                if (layers != null) {
                    options = options.withLayers(layers);
                }
            } catch (IllegalArgumentException e) {
                throw new ParameterException(spec.commandLine(), e.getMessage());
            }
            Mesh mesh = code != null ? MeshGenerator.naca(code, options) : MeshGenerator.circle(options);
            Path file = outFile != null ? outFile
                    : Path.of(code != null ? "naca" + code + ".su2" : "circle.su2");
            try {
                MeshFiles.write(mesh, file);
            } catch (IllegalArgumentException e) {
                throw new ParameterException(spec.commandLine(), "--out " + e.getMessage());
            }
            out.println("Wrote " + file + ": " + mesh);
            return 0;
        }

        /** The four digits of "naca CODE" or "nacaCODE"; null for "circle". */
        private String nacaCode() {
            String first = body.get(0).toLowerCase(Locale.ROOT);
            if (first.equals("circle") && body.size() == 1) {
                return null;
            }
            if (first.equals("naca") && body.size() == 2) {
                return body.get(1);
            }
            if (first.matches("naca\\d{4}") && body.size() == 1) {
                return first.substring(4);
            }
            if (first.equals("naca")) {
                throw new ParameterException(spec.commandLine(),
                        "mesh naca expects a four-digit code, e.g. mesh naca 0012");
            }
            throw new ParameterException(spec.commandLine(),
                    "expected \"naca CODE\" or \"circle\", got " + String.join(" ", body));
        }
    }
}
