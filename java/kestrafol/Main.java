package kestrafol;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.Arrays;
import java.util.HashSet;
import java.util.List;
import java.util.Locale;
import java.util.Set;
import kestrafol.polar.CaseFile;

/**
 * The command-line program:
 * <pre>
 *   kestrafol run [options]            solve a case (see --help)
 *   kestrafol polar [options]          many cases: angles x Mach numbers (see polar --help)
 *   kestrafol mesh naca 0012 --out F   write a built-in mesh (SU2, or Gmsh for .msh)
 * </pre>
 * Exit status: 0 done, 1 failed (unreadable mesh, invalid input), 2 bad command line,
 * 3 the run diverged (non-finite residual).
 */
public final class Main {
    private Main() {}

    public static void main(String[] args) {
        Pictures.headless();
        int status = run(args, System.out, System.err, System.console() != null);
        System.out.flush();
        System.exit(status);
    }

    /** Runs a command; returns the exit status instead of exiting. */
    public static int run(String[] args, PrintStream out, PrintStream err, boolean terminal) {
        if (args.length == 0 || args[0].equals("--help") || args[0].equals("-h")
                || args[0].equals("help")) {
            out.println(RunOptions.USAGE);
            return args.length == 0 ? 2 : 0;
        }
        String command = args[0];
        String[] rest = Arrays.copyOfRange(args, 1, args.length);
        try {
            switch (command) {
                case "run":
                    if (Arrays.asList(rest).contains("--help")) {
                        out.println(RunOptions.USAGE);
                        return 0;
                    }
                    RunOptions options;
                    List<String> merged;
                    try {
                        merged = CaseFile.merge(List.of(rest), union(Polar.RUN_VALUES,
                                Polar.RUN_FLAGS), Polar.RUN_FLAGS, Set.of("bc"));
                        options = RunOptions.parse(merged.toArray(new String[0]));
                    } catch (IllegalArgumentException e) {
                        return usage(err, e.getMessage());
                    }
                    return new Run(options, out, terminal).execute();
                case "polar":
                    if (Arrays.asList(rest).contains("--help")) {
                        out.println(Polar.USAGE);
                        return 0;
                    }
                    Polar polar = new Polar(out, terminal);
                    try {
                        polar.parse(rest);
                    } catch (IllegalArgumentException e) {
                        err.println("kestrafol: " + e.getMessage());
                        err.println("Run \"kestrafol polar --help\" for the options.");
                        return 2;
                    }
                    return polar.execute();
                case "mesh":
                    return mesh(rest, out, err);
                default:
                    return usage(err, "unknown command " + command);
            }
        } catch (IOException | IllegalArgumentException | IllegalStateException e) {
            err.println("kestrafol: " + e.getMessage());
            return 1;
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            err.println("kestrafol: interrupted");
            return 1;
        }
    }

    private static Set<String> union(Set<String> a, Set<String> b) {
        Set<String> u = new HashSet<>(a);
        u.addAll(b);
        return u;
    }

    private static int usage(PrintStream err, String message) {
        err.println("kestrafol: " + message);
        err.println("Run \"kestrafol run --help\" for the options.");
        return 2;
    }

    /** kestrafol mesh naca CODE|circle [--out FILE] [--resolution N] [--quads] ... */
    private static int mesh(String[] args, PrintStream out, PrintStream err) throws IOException {
        if (args.length == 0) {
            return usage(err, "mesh expects \"naca CODE\" or \"circle\"");
        }
        String body = args[0].toLowerCase(Locale.ROOT);
        int i = 1;
        String code = null;
        if (body.equals("naca")) {
            if (args.length < 2) {
                return usage(err, "mesh naca expects a four-digit code, e.g. mesh naca 0012");
            }
            code = args[1];
            i = 2;
        } else if (body.matches("naca\\d{4}")) {
            code = body.substring(4);
        } else if (!body.equals("circle")) {
            return usage(err, "mesh expects \"naca CODE\" or \"circle\", got " + args[0]);
        }
        Path outFile = null;
        MeshGenerator.Options options = MeshGenerator.Options.defaults();
        try {
            for (; i < args.length; i++) {
                switch (args[i]) {
                    case "--out":
                        outFile = Paths.get(need(args, ++i));
                        break;
                    case "--resolution":
                        int n = Integer.parseInt(need(args, ++i));
                        MeshGenerator.Options r = MeshGenerator.Options.resolution(n + n % 2);
                        options = r.withQuads(options.quads()).withFirstHeight(options.firstHeight());
                        break;
                    case "--quads":
                        options = options.withQuads(true);
                        break;
                    case "--first-height":
                        options = options.withFirstHeight(Double.parseDouble(need(args, ++i)));
                        break;
                    case "--layers":
                        options = options.withLayers(Integer.parseInt(need(args, ++i)));
                        break;
                    default:
                        return usage(err, "unknown mesh option " + args[i]);
                }
            }
        } catch (NumberFormatException e) {
            return usage(err, "expected a number: " + e.getMessage());
        } catch (IllegalArgumentException e) {
            return usage(err, e.getMessage());
        }
        Mesh mesh = code != null ? MeshGenerator.naca(code, options) : MeshGenerator.circle(options);
        if (outFile == null) {
            outFile = Paths.get(code != null ? "naca" + code + ".su2" : "circle.su2");
        }
        String name = outFile.getFileName().toString().toLowerCase(Locale.ROOT);
        if (name.endsWith(".msh")) {
            GmshWriter.write(mesh, outFile);
        } else {
            Su2Writer.write(mesh, outFile);
        }
        out.println("Wrote " + outFile + ": " + mesh);
        return 0;
    }

    private static String need(String[] args, int i) {
        if (i >= args.length) {
            throw new IllegalArgumentException(args[i - 1] + " expects a value");
        }
        return args[i];
    }
}
