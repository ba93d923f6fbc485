package kestrafol.run;

import java.nio.file.Path;
import java.util.List;
import kestrafol.meshing.AirfoilElement;
import kestrafol.meshing.GmshMesher;
import kestrafol.meshing.MeshGenerator;
import kestrafol.solver.ConvergenceMonitor;
import kestrafol.solver.Method;
import kestrafol.solver.Settings;

/**
 * What one case solves, settled and immutable: the body, how it is meshed, its boundaries and
 * reference, the flow, the scheme, the stopping rule and what to write. Built from the command
 * line (or a configuration file) by the command that runs it; nothing here knows of
 * command-line parsing.
 *
 * @param body what is solved around: a mesh file, a built-in body or airfoil files
 * @param meshing how the body is meshed (none of it applies to a mesh file but renumbering)
 * @param boundaries the boundary kinds, the walls that count and the reference of the
 *     coefficients
 * @param flow the free stream
 * @param scheme the discretisation and the solver's method
 * @param stopping when the run ends
 * @param output what the run prints and draws
 */
public record CaseDefinition(Body body, Meshing meshing, Boundaries boundaries, Flow flow,
        Scheme scheme, Stopping stopping, Output output) {

    /**
     * The body.
     *
     * @param caseName "NACA 0012", "circle" or the mesh file name, for titles and messages
     * @param meshFile the mesh file, or null for a built body
     * @param circle the built-in circle instead of the airfoil (built-in body only)
     * @param nacaCode the four or five digits of the built-in airfoil
     * @param airfoils airfoils from coordinate files as the bodies (empty for a mesh file or a
     *     built-in body)
     */
    public record Body(String caseName, Path meshFile, boolean circle, String nacaCode,
            List<AirfoilElement> airfoils) {
        public Body {
            airfoils = airfoils == null ? List.of() : List.copyOf(airfoils);
            if (!airfoils.isEmpty() && (meshFile != null || circle)) {
                throw new IllegalArgumentException("airfoil files cannot go with a mesh file or"
                        + " the circle");
            }
        }

        /** A built body: a built-in one or airfoil files, which the program meshes. */
        public boolean built() {
            return meshFile == null;
        }
    }

    /**
     * How a built body is meshed.
     *
     * @param meshOptions the O-mesh's options (null with a mesh file)
     * @param gmshOptions the Gmsh mesh's options for airfoil files (null otherwise): one airfoil
     *     is meshed with {@code meshOptions} (with these when the O-mesh cannot be built),
     *     several with these
     * @param firstHeightCeiling the thickest first cell the O-mesh of a viscous run may take,
     *     raising the height the run chose itself, before Gmsh meshes the body instead (0: keep
     *     the height, as for a height given on the command line)
     * @param renumber renumber the nodes for locality (also for a mesh file)
     * @param sequence coarser meshes solved first, each field carried to the next (0 for none)
     * @param adaptation solution-adaptive meshing ({@link Adaptation#NONE} for none)
     */
    public record Meshing(MeshGenerator.Options meshOptions, GmshMesher.Options gmshOptions,
            double firstHeightCeiling, boolean renumber, int sequence, Adaptation adaptation) {
        public Meshing {
            adaptation = adaptation == null ? Adaptation.NONE : adaptation;
        }

        /** Without adaptation. */
        public Meshing(MeshGenerator.Options meshOptions, GmshMesher.Options gmshOptions,
                double firstHeightCeiling, boolean renumber, int sequence) {
            this(meshOptions, gmshOptions, firstHeightCeiling, renumber, sequence,
                    Adaptation.NONE);
        }
    }

    /**
     * Solution-adaptive meshing: cycles of solve, estimate, remesh and carry before the run's
     * own solve, and the node budget of the last mesh.
     *
     * @param cycles adaptation cycles (0 for none)
     * @param maxNodes the node budget (0: twice the nodes of the starting mesh)
     */
    public record Adaptation(int cycles, int maxNodes) {
        /** Most cycles a run takes. */
        public static final int MAX_CYCLES = 6;
        /** No adaptation. */
        public static final Adaptation NONE = new Adaptation(0, 0);

        public Adaptation {
            if (cycles < 0 || maxNodes < 0) {
                throw new IllegalArgumentException("adaptation cycles and node budget must be 0"
                        + " or more, got " + cycles + " and " + maxNodes);
            }
        }

        /** The node budget of the adapted mesh: the one given, or twice the starting mesh's. */
        public int budget(int startNodes) {
            return maxNodes > 0 ? maxNodes : 2 * startNodes;
        }
    }

    /**
     * Boundaries and reference.
     *
     * @param kinds explicit boundary kinds, "NAME=KIND" each
     * @param monitor the walls whose forces count; empty for every wall that is not a symmetry
     *     plane
     * @param refLength reference length, or null for the default of the body or mesh
     * @param refPoint moment reference point {x, y}, or null for the default
     */
    public record Boundaries(List<String> kinds, List<String> monitor, Double refLength,
            List<Double> refPoint) {
        public Boundaries {
            kinds = List.copyOf(kinds);
            monitor = monitor == null ? List.of() : List.copyOf(monitor);
            refPoint = refPoint == null ? null : List.copyOf(refPoint);
            if (refPoint != null && refPoint.size() != 2) {
                throw new IllegalArgumentException("a reference point has two coordinates, got "
                        + refPoint.size());
            }
        }
    }

    /**
     * The free stream.
     *
     * @param reynolds the flow's Reynolds number of a viscous run (null for inviscid runs)
     */
    public record Flow(double mach, double alpha, double gamma, boolean viscous,
            Double reynolds) {
        public Flow {
            if (viscous != (reynolds != null)) {
                throw new IllegalArgumentException("a Reynolds number goes with viscous runs"
                        + " only");
            }
        }
    }

    /**
     * The discretisation.
     *
     * @param startup first-order iterations before a second-order run switches order
     * @param method the solver's method: the library's own, or with options of the flow module
     */
    public record Scheme(boolean secondOrder, double weight, boolean unsteady, int startup,
            Method method) {
        public Scheme {
            method = method == null ? Method.STANDARD : method;
        }
    }

    /**
     * The stopping rule.
     *
     * @param orders residual drop in orders of magnitude
     * @param cauchyEps relative band of the coefficient rule (0 switches it off)
     * @param cauchyWindow window of the coefficient rule, in iterations
     * @param iterations the iteration cap, or null for the default per mesh node
     */
    public record Stopping(double orders, double cauchyEps, int cauchyWindow,
            Integer iterations) {}

    /** What the run prints and draws. */
    public record Output(int printEvery, boolean pictures) {}

    /** Default iteration cap per mesh node. */
    public static final int CAP_PER_NODE = 3;
    /** Smallest default iteration cap. */
    public static final int MIN_CAP = 4000;
    /** What --unsteady does, in the words of the help, the README and the run header. */
    public static final String UNSTEADY_NOTE = "pseudo-time marching with a second-order backward"
            + " difference in which each node advances with its own time step: NOT"
            + " time-accurate (no physical time step); for experiments only";

    public CaseDefinition {
        if (body.airfoils().size() > 1 && meshing.gmshOptions() == null) {
            throw new IllegalArgumentException("several airfoils need the Gmsh mesh's options");
        }
        if (body.built() && meshing.meshOptions() == null) {
            throw new IllegalArgumentException("a built-in body needs its mesh options");
        }
        if (meshing.sequence() < 0 || (meshing.sequence() > 0 && !body.built())) {
            throw new IllegalArgumentException("mesh sequencing needs a built mesh (a built-in"
                    + " body or airfoil files) and a level count of 0 or more, got "
                    + meshing.sequence());
        }
        if (meshing.adaptation().cycles() > 0 && !body.built()) {
            throw new IllegalArgumentException("adaptation needs a built mesh (a built-in body or"
                    + " an airfoil file)");
        }
    }

    /**
     * The case on a mesh coarser by {@code halvings} halvings, for the coarse levels of mesh
     * sequencing: half the points around the body (but at least 16) and half the layers (but at
     * least 4) per halving, and twice the first-cell height (when one is set, and for several
     * airfoils); the coefficient band {@code epsFactor} times wider and its windows halved per
     * halving, but not below {@code minWindow} iterations; no pictures, no sequencing or
     * adaptation of its own.
     */
    public CaseDefinition coarser(int halvings, double epsFactor, int minWindow) {
        int f = 1 << halvings;
        MeshGenerator.Options m = meshing.meshOptions();
        int points = Math.max(16, 2 * (m.pointsAround() / (2 * f)));
        m = new MeshGenerator.Options(points, Math.max(4, m.layers() / f), m.firstHeight() * f,
                m.farField(), m.quads());
        GmshMesher.Options g = meshing.gmshOptions() == null ? null
                : meshing.gmshOptions().withFirstHeight(meshing.gmshOptions().firstHeight() * f);
        int window = stopping.cauchyWindow();
        return new CaseDefinition(body, new Meshing(m, g, meshing.firstHeightCeiling() * f,
                meshing.renumber(), 0), boundaries, flow, scheme,
                new Stopping(stopping.orders(), stopping.cauchyEps() * epsFactor,
                        window == 0 ? 0 : Math.max(Math.min(minWindow, window), window / f),
                        stopping.iterations()),
                new Output(output.printEvery(), false));
    }

    /**
     * The settings of the run, with the Reynolds number the library takes (see
     * {@link kestrafol.solver.FlowReynolds}) for viscous runs.
     */
    public Settings settings(double libraryReynolds) {
        return new Settings(flow.mach(), flow.alpha(), flow.gamma(), scheme.secondOrder(),
                scheme.weight(), scheme.unsteady(), flow.viscous(),
                flow.viscous() ? libraryReynolds : Settings.DEFAULT_REYNOLDS);
    }

    /** Iterations the answer of a settled run averages: all windows of the coefficient rule. */
    public int answerWindow() {
        return ConvergenceMonitor.WINDOWS * stopping.cauchyWindow();
    }

    /** The iteration cap: the one given, or CAP_PER_NODE per node but at least MIN_CAP. */
    public int iterationCap(int nodes) {
        if (stopping.iterations() != null) {
            return stopping.iterations();
        }
        return (int) Math.min(Integer.MAX_VALUE, Math.max(MIN_CAP, (long) CAP_PER_NODE * nodes));
    }

    /**
     * The line the angle of attack is measured from, in words for summary.json: every airfoil,
     * built-in or from a file, sits in the same chord frame; a mesh file and the circle keep
     * their x axis.
     */
    public String chordLine() {
        if (!body.built()) {
            return "the mesh's x axis";
        }
        if (body.circle()) {
            return "the x axis through the circle's centre";
        }
        String line = "from the leading edge, the point of the section farthest from the trailing"
                + " edge, at (0, 0) to the trailing edge (the midpoint of a blunt base) at (1, 0)";
        return (body.airfoils().size() > 1 ? "the first element's chord line, "
                : "the chord line, ") + line;
    }

    /** Whether the chord is known: a built-in airfoil, or a reference length given. */
    public boolean chordKnown() {
        return (body.built() && !body.circle()) || boundaries.refLength() != null;
    }
}
