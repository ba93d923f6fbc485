package kestrafol.cli;

import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import kestrafol.mesh.MeshGenerator;
import kestrafol.solver.Settings;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;
import picocli.CommandLine.Spec;

/**
 * The options of one solved case, with their defaults: a picocli mixin, so that every command
 * that solves cases ("run", and any command that runs many) takes the same options. Call
 * {@link #validate()} after parsing: it checks what the types alone cannot and settles the
 * defaults that depend on other options.
 */
public final class RunOptions {
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

    @Spec(Spec.Target.MIXEE)
    CommandSpec spec;

    @Option(names = "--mesh", paramLabel = "FILE",
            description = "SU2 (.su2) or Gmsh (.msh, format 2.2 or 4.1) mesh")
    Path mesh;

    @Option(names = "--naca", paramLabel = "CODE",
            description = "built-in NACA four-digit airfoil (default: ${DEFAULT-VALUE})")
    String naca = "0012";

    @Option(names = "--circle", description = "built-in circle of diameter 1 instead of an airfoil")
    boolean circle;

    @Option(names = "--resolution", paramLabel = "N",
            description = "points around the built-in body, at least 16, odd counts go up by one"
                    + " (default: ${DEFAULT-VALUE})")
    int resolution = DEFAULT_RESOLUTION;

    @Option(names = "--quads", description = "built-in mesh of quadrilaterals (default triangles)")
    boolean quads;

    @Option(names = "--bc", paramLabel = "NAME=KIND",
            description = "boundary kind: farfield, slip or noslip (repeatable)")
    List<String> boundaries = new ArrayList<>();

    @Option(names = "--no-renumber",
            description = "keep the node numbering of the mesh")
    boolean noRenumber;

    @Option(names = "--mach", paramLabel = "M", converter = FiniteDouble.class,
            description = "free-stream Mach number (default: ${DEFAULT-VALUE})")
    double mach = Settings.DEFAULT_MACH;

    @Option(names = "--alpha", paramLabel = "A", converter = FiniteDouble.class,
            description = "angle of attack in degrees (default: ${DEFAULT-VALUE})")
    double alpha = Settings.DEFAULT_ALPHA;

    @Option(names = "--gamma", paramLabel = "G", converter = FiniteDouble.class,
            description = "ratio of specific heats (default: ${DEFAULT-VALUE})")
    double gamma = Settings.DEFAULT_GAMMA;

    @Option(names = "--viscous", description = "laminar viscous terms (needs --reynolds)")
    boolean viscous;

    @Option(names = "--reynolds", paramLabel = "R", converter = FiniteDouble.class,
            description = "Reynolds number per unit length (chord 1)")
    Double reynolds;

    @Option(names = "--unsteady", description = "second-order backward differences in time")
    boolean unsteady;

    @Option(names = "--first-order",
            description = "first-order reconstruction (default second order)")
    boolean firstOrder;

    @Option(names = "--weight", paramLabel = "W", converter = FiniteDouble.class,
            description = "reconstruction weight, 0 to 1 (default: ${DEFAULT-VALUE})")
    double weight = Settings.DEFAULT_RECONSTRUCTION_WEIGHT;

    @Option(names = "--startup-first-order", paramLabel = "S",
            description = "first S iterations of a second-order run in first order (default: "
                    + DEFAULT_STARTUP + ")")
    Integer startupOption;

    @Option(names = "--orders", paramLabel = "K", converter = FiniteDouble.class,
            description = "stop when the residual norm dropped by K orders (default: 6)")
    double orders = DEFAULT_ORDERS;

    @Option(names = "--cauchy", paramLabel = "EPS/W",
            description = "stop when CL and CD each changed by less than EPS (relative) over the"
                    + " last W iterations (default: 0.002/200; 0/0 switches it off)")
    String cauchy;

    @Option(names = "--iterations", paramLabel = "N",
            description = "stop after at most N iterations (default: ${DEFAULT-VALUE})")
    int iterations = DEFAULT_ITERATIONS;

    @Option(names = "--out", paramLabel = "DIR",
            description = "output folder (default: ${DEFAULT-VALUE})")
    Path out = Path.of("results");

    @Option(names = "--print-every", paramLabel = "N",
            description = "a progress line every N iterations (default: ${DEFAULT-VALUE})")
    int printEvery = DEFAULT_PRINT_EVERY;

    @Option(names = "--no-pictures", description = "skip the PNG pictures")
    boolean noPictures;

    /** Settled by validate(). */
    double cauchyEps = DEFAULT_CAUCHY_EPS;
    int cauchyWindow = DEFAULT_CAUCHY_WINDOW;
    int startup;

    /** A double that must be finite: NaN and infinities are usage errors. */
    static final class FiniteDouble implements picocli.CommandLine.ITypeConverter<Double> {
        @Override
        public Double convert(String text) {
            double d;
            try {
                d = Double.parseDouble(text);
            } catch (NumberFormatException e) {
                d = Double.NaN;
            }
            if (!Double.isFinite(d)) {
                throw new picocli.CommandLine.TypeConversionException(
                        "expects a finite number, got '" + text + "'");
            }
            return d;
        }
    }

    /**
     * Checks the combinations and ranges and settles the dependent defaults.
     *
     * @throws ParameterException (a usage error, exit status 2) naming the option at fault, or
     *     IllegalArgumentException when the options did not come from a command line
     */
    public RunOptions validate() {
        if (!naca.matches("\\d{4}")) {
            throw usage("--naca expects four digits, got " + naca);
        }
        atLeast("--resolution", resolution, 16);
        if (resolution % 2 != 0) {
            resolution++;
        }
        atLeast("--iterations", iterations, 1);
        atLeast("--print-every", printEvery, 1);
        if (startupOption != null) {
            atLeast("--startup-first-order", startupOption, 0);
        }
        startup = startupOption != null ? startupOption : unsteady ? 0 : DEFAULT_STARTUP;
        if (!(orders > 0)) {
            throw usage("--orders expects a number above 0");
        }
        if (cauchy != null) {
            parseCauchy(cauchy);
        }
        if (viscous && reynolds == null) {
            throw usage("--viscous needs --reynolds R");
        }
        if (!viscous && reynolds != null) {
            throw usage("--reynolds only applies with --viscous");
        }
        if (mesh != null && (circle || quads)) {
            throw usage("--circle and --quads apply to the built-in mesh, not to --mesh");
        }
        return this;
    }

    private void atLeast(String option, int value, int min) {
        if (value < min) {
            throw usage(option + " expects a whole number of at least " + min + ", got " + value);
        }
    }

    private void parseCauchy(String text) {
        int slash = text.indexOf('/');
        try {
            if (slash < 0) {
                throw new NumberFormatException();
            }
            cauchyEps = Double.parseDouble(text.substring(0, slash));
            cauchyWindow = Integer.parseInt(text.substring(slash + 1));
        } catch (NumberFormatException e) {
            throw usage("--cauchy expects EPS/W, e.g. 1e-4/100, got " + text);
        }
        if (!(cauchyEps >= 0) || cauchyWindow < 0 || (cauchyEps > 0) != (cauchyWindow > 0)) {
            throw usage("--cauchy expects EPS above 0 and a window of at least 1 (or 0/0 to"
                    + " switch it off), got " + text);
        }
    }

    /** A usage error of the command line; without one (options set in code) a plain argument error. */
    private RuntimeException usage(String message) {
        if (spec == null) {
            return new IllegalArgumentException(message);
        }
        return new ParameterException(spec.commandLine(), message);
    }

    boolean renumber() {
        return !noRenumber;
    }

    boolean pictures() {
        return !noPictures;
    }

    /** The settings of the run (second order unless --first-order). */
    Settings settings() {
        boolean isViscous = viscous && reynolds != null;
        return new Settings(mach, alpha, gamma, !firstOrder, weight, unsteady, viscous,
                isViscous ? reynolds : Settings.DEFAULT_REYNOLDS);
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
