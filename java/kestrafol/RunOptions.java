package kestrafol;

import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;

/** The options of "kestrafol run", with their defaults, parsed from the command line. */
final class RunOptions {
    /** Default residual drop, in orders of magnitude, that ends a run. */
    static final double DEFAULT_ORDERS = 6;
    /** Default relative change of CL and CD over the window that ends a run. */
    static final double DEFAULT_CAUCHY_EPS = 2e-3;
    /** Default window of the coefficient criterion, in iterations. */
    static final int DEFAULT_CAUCHY_WINDOW = 200;
    /** Default number of first-order iterations before a second-order run switches order. */
    static final int DEFAULT_STARTUP = 0;
    /** Default iteration cap. */
    static final int DEFAULT_ITERATIONS = 4000;
    /** Default points around the built-in body: the default case runs in about a minute. */
    static final int DEFAULT_RESOLUTION = MeshGenerator.DEFAULT_POINTS_AROUND;
    /** Default interval of the progress lines. */
    static final int DEFAULT_PRINT_EVERY = 50;

    Path mesh;
    String naca = "0012";
    boolean circle;
    int resolution = DEFAULT_RESOLUTION;
    boolean quads;
    double mach = Settings.DEFAULT_MACH;
    double alpha = Settings.DEFAULT_ALPHA;
    double gamma = Settings.DEFAULT_GAMMA;
    boolean viscous;
    double reynolds = Double.NaN;
    boolean unsteady;
    boolean firstOrder;
    double weight = Settings.DEFAULT_RECONSTRUCTION_WEIGHT;
    int iterations = DEFAULT_ITERATIONS;
    double orders = DEFAULT_ORDERS;
    double cauchyEps = DEFAULT_CAUCHY_EPS;
    int cauchyWindow = DEFAULT_CAUCHY_WINDOW;
    /** First-order iterations; -1 until set: then DEFAULT_STARTUP for steady runs, 0 unsteady. */
    int startup = -1;
    final List<String> boundaries = new ArrayList<>();
    Path out = Paths.get("results");
    boolean renumber = true;
    int printEvery = DEFAULT_PRINT_EVERY;
    boolean pictures = true;

    static final String USAGE = String.join("\n",
            "Usage: kestrafol run [options]",
            "Solves a steady (or unsteady) flow and writes history.csv, flow.vtu, mach.png, cp.png",
            "and convergence.png into the output folder. Without options: NACA 0012, Mach 0.8,",
            "alpha 1.25 degrees, inviscid, second order, steady, on the built-in mesh.",
            "",
            "Mesh:",
            "  --mesh FILE               SU2 (.su2) or Gmsh (.msh, format 2.2 or 4.1) mesh",
            "  --naca CODE               built-in NACA four-digit airfoil (default 0012)",
            "  --circle                  built-in circle of diameter 1 instead of an airfoil",
            "  --resolution N            points around the built-in body (default "
                    + DEFAULT_RESOLUTION + ")",
            "  --quads                   built-in mesh of quadrilaterals (default triangles)",
            "  --bc NAME=KIND            boundary kind: farfield, slip or noslip (repeatable)",
            "  --no-renumber             keep the node numbering of the mesh",
            "Flow:",
            "  --mach M                  free-stream Mach number (default 0.8)",
            "  --alpha A                 angle of attack in degrees (default 1.25)",
            "  --gamma G                 ratio of specific heats (default 1.4)",
            "  --viscous                 laminar viscous terms (needs --reynolds)",
            "  --reynolds R              Reynolds number per unit length (chord 1)",
            "  --unsteady                second-order backward differences in time",
            "Scheme:",
            "  --first-order             first-order reconstruction (default second order)",
            "  --weight W                reconstruction weight, 0 to 1 (default "
                    + Settings.DEFAULT_RECONSTRUCTION_WEIGHT + ")",
            "  --startup-first-order S   first S iterations in first order (default "
                    + DEFAULT_STARTUP + " for steady runs, 0 for unsteady ones)",
            "Stopping (the first that holds ends the run):",
            "  --orders K                residual norm dropped by K orders (default "
                    + fmt(DEFAULT_ORDERS) + ")",
            "  --cauchy EPS/W            CL and CD each changed by less than EPS (relative) over",
            "                            the last W iterations (default " + fmt(DEFAULT_CAUCHY_EPS)
                    + "/" + DEFAULT_CAUCHY_WINDOW + "; 0/0 switches it off)",
            "  --iterations N            at most N iterations (default " + DEFAULT_ITERATIONS + ")",
            "Output:",
            "  --out DIR                 output folder (default results)",
            "  --print-every N           a progress line every N iterations (default "
                    + DEFAULT_PRINT_EVERY + ")",
            "  --no-pictures             skip the PNG pictures",
            "  --config FILE             options from a properties file, keys named like the long",
            "                            options (mach = 0.5); the command line overrides it",
            "",
            "Usage: kestrafol polar [options] --alpha LIST --mach LIST   (see kestrafol polar --help)",
            "Runs many cases side by side (or through Slurm) and writes polar.csv and polar.png.",
            "",
            "Usage: kestrafol mesh naca CODE|circle [--out FILE.su2|FILE.msh] [--resolution N]",
            "                 [--quads] [--layers L] [--first-height H]",
            "Writes a built-in mesh in SU2 format (or Gmsh 2.2 for a .msh name).");

    private static String fmt(double v) {
        return v == Math.rint(v) ? String.valueOf((long) v) : String.valueOf(v);
    }

    /** Parses the arguments after "run". */
    static RunOptions parse(String[] args) {
        RunOptions o = new RunOptions();
        for (int i = 0; i < args.length; i++) {
            String a = args[i];
            switch (a) {
                case "--mesh":
                    o.mesh = Paths.get(value(args, ++i, a));
                    break;
                case "--naca":
                    o.naca = value(args, ++i, a);
                    if (!o.naca.matches("\\d{4}")) {
                        throw new IllegalArgumentException("--naca expects four digits, got " + o.naca);
                    }
                    break;
                case "--circle":
                    o.circle = true;
                    break;
                case "--resolution":
                    o.resolution = integer(args, ++i, a, 16);
                    if (o.resolution % 2 != 0) {
                        o.resolution++;
                    }
                    break;
                case "--quads":
                    o.quads = true;
                    break;
                case "--bc":
                    o.boundaries.add(value(args, ++i, a));
                    break;
                case "--no-renumber":
                    o.renumber = false;
                    break;
                case "--mach":
                    o.mach = number(args, ++i, a);
                    break;
                case "--alpha":
                    o.alpha = number(args, ++i, a);
                    break;
                case "--gamma":
                    o.gamma = number(args, ++i, a);
                    break;
                case "--viscous":
                    o.viscous = true;
                    break;
                case "--reynolds":
                    o.reynolds = number(args, ++i, a);
                    break;
                case "--unsteady":
                    o.unsteady = true;
                    break;
                case "--first-order":
                    o.firstOrder = true;
                    break;
                case "--weight":
                    o.weight = number(args, ++i, a);
                    break;
                case "--startup-first-order":
                    o.startup = integer(args, ++i, a, 0);
                    break;
                case "--orders":
                    o.orders = number(args, ++i, a);
                    if (!(o.orders > 0)) {
                        throw new IllegalArgumentException("--orders expects a number above 0");
                    }
                    break;
                case "--cauchy":
                    cauchy(o, value(args, ++i, a));
                    break;
                case "--iterations":
                    o.iterations = integer(args, ++i, a, 1);
                    break;
                case "--out":
                    o.out = Paths.get(value(args, ++i, a));
                    break;
                case "--print-every":
                    o.printEvery = integer(args, ++i, a, 1);
                    break;
                case "--no-pictures":
                    o.pictures = false;
                    break;
                default:
                    throw new IllegalArgumentException("unknown option " + a);
            }
        }
        if (o.startup < 0) {
            o.startup = o.unsteady ? 0 : DEFAULT_STARTUP;
        }
        if (o.viscous && Double.isNaN(o.reynolds)) {
            throw new IllegalArgumentException("--viscous needs --reynolds R");
        }
        if (!o.viscous && !Double.isNaN(o.reynolds)) {
            throw new IllegalArgumentException("--reynolds only applies with --viscous");
        }
        if (o.mesh != null && (o.circle || o.quads)) {
            throw new IllegalArgumentException("--circle and --quads apply to the built-in mesh,"
                    + " not to --mesh");
        }
        return o;
    }

    private static void cauchy(RunOptions o, String text) {
        int slash = text.indexOf('/');
        try {
            if (slash < 0) {
                throw new NumberFormatException();
            }
            o.cauchyEps = Double.parseDouble(text.substring(0, slash));
            o.cauchyWindow = Integer.parseInt(text.substring(slash + 1));
        } catch (NumberFormatException e) {
            throw new IllegalArgumentException("--cauchy expects EPS/W, e.g. 1e-4/100, got " + text);
        }
        if (!(o.cauchyEps >= 0) || o.cauchyWindow < 0 || (o.cauchyEps > 0) != (o.cauchyWindow > 0)) {
            throw new IllegalArgumentException("--cauchy expects EPS above 0 and a window of at"
                    + " least 1 (or 0/0 to switch it off), got " + text);
        }
    }

    private static String value(String[] args, int i, String option) {
        if (i >= args.length) {
            throw new IllegalArgumentException(option + " expects a value");
        }
        return args[i];
    }

    private static double number(String[] args, int i, String option) {
        String v = value(args, i, option);
        try {
            double d = Double.parseDouble(v);
            if (!Double.isFinite(d)) {
                throw new NumberFormatException();
            }
            return d;
        } catch (NumberFormatException e) {
            throw new IllegalArgumentException(option + " expects a number, got " + v);
        }
    }

    private static int integer(String[] args, int i, String option, int min) {
        String v = value(args, i, option);
        try {
            int n = Integer.parseInt(v);
            if (n < min) {
                throw new NumberFormatException();
            }
            return n;
        } catch (NumberFormatException e) {
            throw new IllegalArgumentException(option + " expects a whole number of at least " + min
                    + ", got " + v);
        }
    }

    /** The settings of the run (second order unless --first-order). */
    Settings settings() {
        return new Settings(mach, alpha, gamma, !firstOrder, weight, unsteady, viscous,
                viscous ? reynolds : Settings.DEFAULT_REYNOLDS);
    }

    /** Options of the built-in mesh. */
    MeshGenerator.Options meshOptions() {
        MeshGenerator.Options m = MeshGenerator.Options.resolution(resolution).withQuads(quads);
        if (viscous) {
            // About ten cells across a laminar boundary layer of thickness 5 / sqrt(Re).
            m = m.withFirstHeight(Math.min(0.5 / resolution, 0.1 / Math.sqrt(reynolds)))
                    .withLayers(Math.max(m.layers(), resolution / 2));
        }
        return m;
    }

    /** "NACA 0012", "circle" or the mesh file name. */
    String caseName() {
        if (mesh != null) {
            return mesh.getFileName().toString();
        }
        return circle ? "circle" : "NACA " + naca.toUpperCase(Locale.ROOT);
    }
}
