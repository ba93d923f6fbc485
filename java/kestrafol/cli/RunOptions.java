package kestrafol.cli;

import java.io.IOException;
import java.io.UncheckedIOException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import kestrafol.mesh.BoundaryKind;
import kestrafol.geometry.Naca;
import kestrafol.meshing.AirfoilElement;
import kestrafol.meshing.GmshMesher;
import kestrafol.meshing.MeshGenerator;
import kestrafol.run.CaseDefinition;
import kestrafol.base.Numbers;
import kestrafol.solver.ConvergenceMonitor;
import kestrafol.solver.FlowChecks;
import kestrafol.solver.FlowReynolds;
import kestrafol.solver.Method;
import kestrafol.solver.Settings;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Mixin;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;
import picocli.CommandLine.Spec;

/**
 * The options of one solved case apart from its flow conditions (Mach number, angle, Reynolds
 * number; {@link FlowConditions} for one case, lists for a polar), with their defaults: a picocli
 * mixin, so that every command that solves cases takes the same options. Call
 * {@link #validate()} after parsing: it checks what the types alone cannot and settles the
 * defaults that depend on other options.
 */
public final class RunOptions implements Cloneable {
    /** Default residual drop, in orders of magnitude, that ends a run. */
    static final double DEFAULT_ORDERS = 6;
    /**
     * Default relative band of the three window means of CL, CD and CM that ends a run
     * (measured on replayed long runs, see docs/CONVERGENCE.md).
     */
    static final double DEFAULT_CAUCHY_EPS = ConvergenceMonitor.DEFAULT_EPS;
    /** The same, as the help prints it. */
    static final String DEFAULT_CAUCHY_EPS_TEXT = "0.002";
    /** Default window of the coefficient criterion, in iterations. */
    static final int DEFAULT_CAUCHY_WINDOW = ConvergenceMonitor.DEFAULT_WINDOW;
    /**
     * Default number of first-order iterations before a second-order run switches order: 300
     * saved 12 % of the iterations to a settled answer at Mach 0.5 and cost 2 % at Mach 0.8
     * (NACA 0012, 1.25 degrees, built-in mesh; docs/CONVERGENCE.md).
     */
    static final int DEFAULT_STARTUP = 300;
    /** The first-cell height of a built-in viscous mesh is this many times the smallest stable one. */
    static final double VISCOUS_HEIGHT_MARGIN = 1.5;
    /** What --unsteady does, in the words of the help, the README and the run header. */
    static final String UNSTEADY_NOTE = CaseDefinition.UNSTEADY_NOTE;
    /** Default points around the built-in body: the default case runs in about a minute. */
    static final int DEFAULT_RESOLUTION = MeshGenerator.DEFAULT_POINTS_AROUND;
    /** Default number of boundary layers on each of several airfoils. */
    static final int GMSH_LAYERS = 6;
    /** Default first-cell height on several airfoils (chords of the first). */
    static final double GMSH_FIRST_HEIGHT = 2e-3;
    static final String GMSH_FIRST_HEIGHT_TEXT = "0.002";
    /** Default interval of the progress lines. */
    static final int DEFAULT_PRINT_EVERY = 50;

    @Spec(Spec.Target.MIXEE)
    CommandSpec spec;

    /** The body and the options of its built mesh. */
    @Mixin
    BodyOptions body = new BodyOptions();

    @Option(names = "--bc", paramLabel = "NAME=KIND", completionCandidates = BoundaryKind.Labels.class,
            description = "boundary kind: ${COMPLETION-CANDIDATES} (repeatable)")
    List<String> boundaries = new ArrayList<>();

    @Option(names = "--monitor", paramLabel = "NAME", split = ",",
            description = "walls whose forces count, comma-separated (default: every wall that"
                    + " is not a symmetry plane, i.e. whose name has no \"sym\")")
    List<String> monitor;

    @Option(names = "--ref-length", paramLabel = "L", converter = FiniteDouble.class,
            description = "reference length of the coefficients and of --reynolds (default: chord"
                    + " or diameter 1 for built-in bodies, the x-extent of the monitored walls"
                    + " for a mesh)")
    Double refLength;

    @Option(names = "--ref-point", paramLabel = "X,Y", split = ",", hideParamSyntax = true,
            converter = FiniteDouble.class,
            description = "moment reference point (default: the quarter chord, (0.25, 0) for a"
                    + " built-in airfoil, the centre of the built-in circle, a quarter of the"
                    + " reference length behind the front of the monitored walls of a mesh)")
    double[] refPoint;

    @Option(names = "--no-renumber",
            description = "keep the node numbering of the mesh")
    boolean noRenumber;

    /** Set from the command's flow conditions ({@link FlowConditions#applyTo}). */
    double mach = Settings.DEFAULT_MACH;
    double alpha = Settings.DEFAULT_ALPHA;
    Double reynolds;

    @Option(names = "--gamma", paramLabel = "G", converter = FiniteDouble.class,
            description = "ratio of specific heats (default: ${DEFAULT-VALUE})")
    double gamma = Settings.DEFAULT_GAMMA;

    @Option(names = "--viscous", description = "laminar viscous terms (needs --reynolds)")
    boolean viscous;

    @Option(names = "--unsteady", description = UNSTEADY_NOTE)
    boolean unsteady;

    @Option(names = "--first-order",
            description = "first-order reconstruction (default second order)")
    boolean firstOrder;

    @Option(names = "--weight", paramLabel = "W", converter = FiniteDouble.class,
            description = "reconstruction weight, 0 to 1 (default: "
                    + Settings.DEFAULT_RECONSTRUCTION_WEIGHT + " below Mach "
                    + Settings.UPWIND_FROM_MACH + ", " + Settings.UPWIND_RECONSTRUCTION_WEIGHT
                    + " from there up, where shocks are expected)")
    Double weight;

    @Option(names = "--startup-first-order", paramLabel = "S",
            description = "first S iterations of a second-order run in first order (default: "
                    + DEFAULT_STARTUP + ")")
    Integer startupOption;

    @Option(names = "--orders", paramLabel = "K", converter = FiniteDouble.class,
            description = "stop when the residual norm dropped by K orders (default: 6)")
    double orders = DEFAULT_ORDERS;

    @Option(names = "--cauchy", paramLabel = "EPS/W",
            description = "stop when the means of CL, CD and CM over each of the last three"
                    + " windows of W iterations agree within EPS relative (but within "
                    + ConvergenceMonitor.FLOORS_TEXT + " at least); the answer is then the mean of the"
                    + " three windows (default: " + DEFAULT_CAUCHY_EPS_TEXT + "/"
                    + DEFAULT_CAUCHY_WINDOW + "; 0/0 switches it off)")
    String cauchy;

    @Option(names = "--iterations", paramLabel = "N",
            description = "iteration cap; a run that reaches it is reported as not converged"
                    + " (default: " + CaseDefinition.CAP_PER_NODE + " per mesh node, at least "
                    + CaseDefinition.MIN_CAP
                    + ")")
    Integer iterationsOption;

    @Option(names = "--sequence", paramLabel = "L",
            description = "solve first on L coarser meshes of the body (each halving the points"
                    + " around and the layers) and carry each field to the next; the finest"
                    + " mesh then runs as usual (default: ${DEFAULT-VALUE}; built meshes only)")
    int sequence = 0;

    @Option(names = "--adapt", paramLabel = "N",
            description = "solution-adaptive meshing: N cycles of solve, estimate the error"
                    + " (jumps of Mach number, pressure and entropy), mesh again by it (the"
                    + " O-mesh's points along the body, or Gmsh's sizes for airfoils it meshes)"
                    + " and carry the flow over, before the run solves the last mesh (default:"
                    + " ${DEFAULT-VALUE}; 0 to 6; not with --mesh)")
    int adapt = 0;

    @Option(names = "--max-nodes", paramLabel = "M",
            description = "the node budget of the adapted mesh (default: twice the nodes of"
                    + " the starting mesh; with --adapt)")
    Integer maxNodes;

    @Option(names = "--method", paramLabel = "M",
            description = "the solver's method: 'standard' (the library's own, what"
                    + " CFD.Solvers.EulerSolver computes) or a comma-separated list of options:"
                    + " courant[=START/MAX] (a Courant number grown as the residual falls,"
                    + " default 5/1000), symmetric (forward and backward sweeps),"
                    + " smooth-limiter[=K] (a differentiable limiter, default K 5), vortex (the"
                    + " far field carries the point vortex of the lift), sweeps=N (at most N"
                    + " Gauss-Seidel sweeps per pass, 20 in the library's method) (default:"
                    + " ${DEFAULT-VALUE})")
    String methodText = "standard";

    @Option(names = "--out", paramLabel = "DIR",
            description = "output folder (default: ${DEFAULT-VALUE})")
    Path out = Path.of("results");

    @Option(names = "--print-every", paramLabel = "N",
            description = "a progress line every N iterations (default: ${DEFAULT-VALUE})")
    int printEvery = DEFAULT_PRINT_EVERY;

    @Option(names = "--no-pictures", description = "skip the PNG pictures")
    boolean noPictures;

    @Option(names = "--checkpoint-every", paramLabel = "SECONDS", converter = FiniteDouble.class,
            description = "wall time between two checkpoints (checkpoint.bin, for --resume;"
                    + " also written when a run stops); 0 after every iteration (default:"
                    + " ${DEFAULT-VALUE})")
    double checkpointEvery = kestrafol.run.Run.DEFAULT_CHECKPOINT_SECONDS;

    /** Options whose output folder defaults to the given one instead of "results". */
    static RunOptions writingTo(Path folder) {
        RunOptions o = new RunOptions();
        o.out = folder;
        return o;
    }

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
        // An empty --out would mean the working folder, whose result files a run removes first.
        if (out.toString().isBlank()) {
            throw usage("--out expects a folder, got an empty name");
        }
        body.validate();
        validateStopping();
        validateFlow();
        if (body.mesh == null) {
            try {
                meshOptions();
            } catch (IllegalArgumentException e) {
                throw usage("--resolution " + body.resolution
                        + (body.layersOption != null ? " with --layers " + body.layersOption : "")
                        + " gives too large a mesh: " + e.getMessage());
            }
        }
        return this;
    }

    /** The iterations: cap, printing, checkpoints, sequencing, method, start and stopping rule. */
    private void validateStopping() {
        if (iterationsOption != null) {
            atLeast("--iterations", iterationsOption, 1);
        }
        atLeast("--print-every", printEvery, 1);
        if (!(checkpointEvery >= 0)) {
            throw usage("--checkpoint-every expects 0 or more seconds, got " + checkpointEvery);
        }
        atLeast("--sequence", sequence, 0);
        method();
        if (sequence > 0 && body.mesh != null) {
            throw usage("--sequence needs a mesh the program builds (a built-in body or"
                    + " --airfoil files): a --mesh file has no coarser versions");
        }
        if (sequence > 3) {
            throw usage("--sequence expects 0 to 3 coarser levels, got " + sequence);
        }
        validateAdaptation();
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
    }

    /** The flow: Reynolds and Mach numbers, reference, boundary kinds. */
    private void validateFlow() {
        if (viscous && reynolds == null) {
            throw usage("--viscous needs --reynolds R");
        }
        if (!viscous && reynolds != null) {
            throw usage("--reynolds only applies with --viscous");
        }
        if (reynolds != null && !(reynolds > 0)) {
            throw usage("--reynolds expects a number above 0, got " + Numbers.format(reynolds));
        }
        if (!(mach > 0)) {
            throw usage("--mach expects a number above 0, got " + Numbers.format(mach));
        }
        if (refLength != null && !(refLength > 0)) {
            throw usage("--ref-length expects a number above 0, got " + Numbers.format(refLength));
        }
        if (refPoint != null && refPoint.length != 2) {
            throw usage("--ref-point expects X,Y");
        }
        for (String b : boundaries) {
            int eq = b.lastIndexOf('=');
            String kind = eq > 0 ? b.substring(eq + 1) : "";
            try {
                if (eq <= 0) {
                    throw new IllegalArgumentException();
                }
                BoundaryKind.parse(kind);
            } catch (IllegalArgumentException e) {
                throw usage("--bc expects NAME=KIND with KIND one of "
                        + String.join(", ", new BoundaryKind.Labels())
                        + ", got \"" + b + "\"");
            }
        }
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

    /** The --method option read; an option it does not know is a usage error. */
    Method method() {
        try {
            return Method.parse(methodText);
        } catch (IllegalArgumentException e) {
            throw usage("--method: " + e.getMessage());
        }
    }

    /**
     * --adapt and --max-nodes: 0 to {@link CaseDefinition.Adaptation#MAX_CYCLES} cycles, on a
     * mesh the program builds, not with --sequence (both start the run's mesh from a solved
     * one); a budget only with cycles, and not below the nodes of the built-in starting mesh.
     */
    private void validateAdaptation() {
        if (adapt < 0 || adapt > CaseDefinition.Adaptation.MAX_CYCLES) {
            throw usage("--adapt expects 0 to " + CaseDefinition.Adaptation.MAX_CYCLES
                    + " cycles, got " + adapt);
        }
        if (maxNodes != null && adapt == 0) {
            throw usage("--max-nodes is the budget of an adapted mesh: give --adapt N with it");
        }
        if (adapt == 0) {
            return;
        }
        if (body.mesh != null) {
            throw usage("--adapt needs a mesh the program builds (a built-in body or --airfoil"
                    + " files): a --mesh file has no geometry to mesh again");
        }
        if (sequence > 0) {
            throw usage("--adapt and --sequence both start the run's mesh from a solved one:"
                    + " give one");
        }
        if (maxNodes != null && body.airfoils.isEmpty()) {
            int start = (body.circle ? MeshGenerator.circle(meshOptions())
                    : MeshGenerator.naca(body.nacaCode(), meshOptions())).nodeCount();
            if (maxNodes < start) {
                throw usage(String.format(Locale.ROOT, "--max-nodes %d is below the %,d nodes of"
                        + " the starting mesh (--resolution %d): raise it or lower --resolution",
                        maxNodes, start, body.resolution));
            }
        }
    }

    /** A usage error of the command line; without one (options set in code) a plain argument error. */
    private RuntimeException usage(String message) {
        if (spec == null) {
            return new IllegalArgumentException(message);
        }
        return new ParameterException(spec.commandLine(), message);
    }

    /**
     * The validated options as the definition of the case they describe; reads the airfoil
     * files.
     *
     * @throws UncheckedIOException (its cause a {@link kestrafol.geometry.CoordinateFileException}
     *     naming the file, the line and the reason) when an airfoil file cannot be read
     */
    public CaseDefinition definition() {
        List<AirfoilElement> elements = new ArrayList<>();
        for (String text : body.airfoils) {
            try {
                elements.add(AirfoilElement.read(text));
            } catch (IOException e) {
                throw new UncheckedIOException(e);
            }
        }
        return new CaseDefinition(
                new CaseDefinition.Body(body.caseName(), body.mesh, body.circle, body.nacaCode(), elements),
                new CaseDefinition.Meshing(body.mesh == null ? meshOptions() : null,
                        elements.isEmpty() ? null : gmshOptions(), firstHeightCeiling(),
                        !noRenumber, sequence, new CaseDefinition.Adaptation(adapt,
                                maxNodes == null ? 0 : maxNodes)),
                new CaseDefinition.Boundaries(boundaries, monitor, refLength,
                        refPoint == null ? null : List.of(refPoint[0], refPoint[1])),
                new CaseDefinition.Flow(mach, alpha, gamma, viscous, viscous ? reynolds : null),
                new CaseDefinition.Scheme(!firstOrder,
                        weight != null ? weight : Settings.defaultReconstructionWeight(mach),
                        unsteady, startup, method()),
                new CaseDefinition.Stopping(orders, cauchyEps, cauchyWindow, iterationsOption),
                new CaseDefinition.Output(printEvery, !noPictures));
    }

    /**
     * Options of the Gmsh mesh of several airfoils, or of one whose O-mesh cannot be built:
     * --first-height (default {@link #GMSH_FIRST_HEIGHT}, or for a viscous run the height its
     * Reynolds number needs), --layers boundary layers with several airfoils (default
     * {@link #GMSH_LAYERS}, or for a viscous run as many as span its boundary layer), --quads.
     */
    GmshMesher.Options gmshOptions() {
        GmshMesher.Options d = GmshMesher.Options.defaults();
        double h = body.firstHeightOption != null ? body.firstHeightOption
                : viscous ? meshOptions().firstHeight() : GMSH_FIRST_HEIGHT;
        int layers = body.layersOption != null && body.airfoils.size() > 1 ? body.layersOption
                : viscous ? viscousGmshLayers(h, d.growth()) : GMSH_LAYERS;
        return new GmshMesher.Options(h, layers, d.growth(), d.farField(), body.quads,
                d.timeoutSeconds(), d.executable());
    }

    /**
     * The thickest first cell a viscous run's O-mesh of an airfoil file may take when it cannot
     * be built with the height the run chose (about ten cells across the laminar boundary
     * layer): three cells across it, or half the surface spacing; 0 for an inviscid run or a
     * height given.
     */
    private double firstHeightCeiling() {
        if (!viscous || body.firstHeightOption != null || body.airfoils.isEmpty()) {
            return 0;
        }
        return Math.min(0.5 / body.resolution, 0.3 / Math.sqrt(reynolds));
    }

    /**
     * Boundary layers of a viscous Gmsh mesh: as many as it takes, growing from the first
     * height h, to span the laminar boundary layer (thickness about 5 / sqrt(Re) chords), at
     * least {@link #GMSH_LAYERS} and at most 40.
     */
    private int viscousGmshLayers(double h, double growth) {
        double thickness = 5 / Math.sqrt(reynolds);
        int n = (int) Math.ceil(Math.log(1 + (growth - 1) * thickness / h) / Math.log(growth));
        return Math.max(GMSH_LAYERS, Math.min(40, n));
    }

    /**
     * The validated options' case on the built-in mesh of the given points around the body,
     * with or without pictures (the levels of a study, the coarser mesh of --error-estimate);
     * these options stay as they are.
     */
    CaseDefinition definitionAt(int points, boolean pictures) {
        RunOptions o = copy();
        o.body.resolutionOption = points;
        o.noPictures = noPictures || !pictures;
        return o.validate().definition();
    }

    /**
     * The case at a resolution with the given adaptation: cycles 0 for a level of an adapted
     * study (its mesh is given), or the cycles with a node budget for the adaptation itself.
     */
    CaseDefinition definitionAt(int points, boolean pictures, int cycles, Integer budget) {
        RunOptions o = copy();
        o.adapt = cycles;
        o.maxNodes = cycles == 0 ? null : budget;
        return o.definitionAt(points, pictures);
    }

    /**
     * The validated options at other flow conditions, settled again by {@link #validate()}: the
     * defaults that follow the conditions (the weight from the Mach number, a viscous run's
     * first-cell height from the Reynolds number) follow them; these options stay as they are.
     *
     * @param reynolds the Reynolds number, or null for an inviscid case
     */
    RunOptions at(double mach, double alpha, Double reynolds) {
        RunOptions o = copy();
        o.mach = mach;
        o.alpha = alpha;
        o.reynolds = reynolds;
        return o.validate();
    }

    /** A copy of these options: every field is an immutable value or a list replaced whole. */
    private RunOptions copy() {
        try {
            RunOptions o = (RunOptions) clone();
            o.body = body.copy();
            return o;
        } catch (CloneNotSupportedException e) {
            throw new AssertionError(e);
        }
    }

    /**
     * The settings of the run (second order unless --first-order), with the Reynolds number the
     * library takes (see {@link kestrafol.solver.FlowReynolds}) for viscous runs.
     */
    Settings settings(double libraryReynolds) {
        return definition().settings(libraryReynolds);
    }

    /**
     * Options of the built-in mesh. Viscous runs get about ten cells across the laminar boundary
     * layer (thickness 5 / sqrt(Re)), but never a first cell below what the explicit viscous
     * terms tolerate (first-cell height x library Reynolds number at least
     * {@link FlowChecks#MIN_WALL_CELL_REYNOLDS}, with a margin).
     */
    MeshGenerator.Options meshOptions() {
        MeshGenerator.Options m = MeshGenerator.Options.resolution(body.resolution).withQuads(body.quads);
        if (viscous && body.firstHeightOption == null) {
            double length = refLength != null ? refLength : 1;
            double stable = VISCOUS_HEIGHT_MARGIN * FlowChecks.MIN_WALL_CELL_REYNOLDS
                    / FlowReynolds.toLibrary(reynolds, mach, length);
            double layer = Math.min(0.5 / body.resolution, 0.1 / Math.sqrt(reynolds));
            m = m.withFirstHeight(Math.max(layer, stable))
                    .withLayers(Math.max(m.layers(), body.resolution / 2));
        }
        if (body.firstHeightOption != null) {
            m = m.withFirstHeight(body.firstHeightOption);
        }
        if (body.layersOption != null && body.airfoils.size() <= 1) {
            m = m.withLayers(body.layersOption);
        }
        return m;
    }


}
