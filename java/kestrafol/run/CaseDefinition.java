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
 * What one case solves, settled and immutable: the body or mesh file, the boundary choices, the
 * flow, the scheme, the stopping rule and what to write. Built from the command line (or a
 * configuration file) by the command that runs it; nothing here knows of command-line parsing.
 *
 * @param caseName "NACA 0012", "circle" or the mesh file name, for titles and messages
 * @param meshFile the mesh file, or null for the built-in body
 * @param circle the built-in circle instead of the airfoil (built-in body only)
 * @param nacaCode the four digits of the built-in airfoil
 * @param meshOptions the built-in mesh's options (null with a mesh file)
 * @param boundaries explicit boundary kinds, "NAME=KIND" each
 * @param monitor the walls whose forces count; empty for every wall that is not a symmetry plane
 * @param refLength reference length, or null for the default of the body or mesh
 * @param refPoint moment reference point {x, y}, or null for the default
 * @param reynolds the flow's Reynolds number of a viscous run (null for inviscid runs)
 * @param startup first-order iterations before a second-order run switches order
 * @param iterations the iteration cap, or null for the default per mesh node
 * @param airfoils airfoils from coordinate files as the bodies (empty for a mesh file or a
 *     built-in body): one is meshed with {@code meshOptions} (with {@code gmshOptions} when
 *     the O-mesh cannot be built), several with {@code gmshOptions}
 * @param gmshOptions the Gmsh mesh's options for airfoil files (null otherwise)
 * @param firstHeightCeiling the thickest first cell the O-mesh of a viscous run may take,
 *     raising the height the run chose itself, before Gmsh meshes the body instead (0: keep the
 *     height, as for a height given on the command line)
 * @param sequence coarser meshes solved first, each field carried to the next (0 for none)
 * @param method the solver's method: the library's own, or with options of the flow module
 */
public record CaseDefinition(String caseName, Path meshFile, boolean circle, String nacaCode,
        MeshGenerator.Options meshOptions, List<String> boundaries, List<String> monitor,
        Double refLength, List<Double> refPoint, boolean renumber, double mach, double alpha,
        double gamma, boolean secondOrder, double weight, boolean unsteady, boolean viscous,
        Double reynolds, int startup, double orders, double cauchyEps, int cauchyWindow,
        Integer iterations, int printEvery, boolean pictures, List<AirfoilElement> airfoils,
        GmshMesher.Options gmshOptions, double firstHeightCeiling, int sequence, Method method) {
    /** A case without airfoil files: a mesh file or a built-in body. */
    public CaseDefinition(String caseName, Path meshFile, boolean circle, String nacaCode,
            MeshGenerator.Options meshOptions, List<String> boundaries, List<String> monitor,
            Double refLength, List<Double> refPoint, boolean renumber, double mach, double alpha,
            double gamma, boolean secondOrder, double weight, boolean unsteady, boolean viscous,
            Double reynolds, int startup, double orders, double cauchyEps, int cauchyWindow,
            Integer iterations, int printEvery, boolean pictures) {
        this(caseName, meshFile, circle, nacaCode, meshOptions, boundaries, monitor, refLength,
                refPoint, renumber, mach, alpha, gamma, secondOrder, weight, unsteady, viscous,
                reynolds, startup, orders, cauchyEps, cauchyWindow, iterations, printEvery,
                pictures, List.of(), null, 0, 0, Method.STANDARD);
    }

    /** Default iteration cap per mesh node. */
    public static final int CAP_PER_NODE = 3;
    /** Smallest default iteration cap. */
    public static final int MIN_CAP = 4000;
    /** What --unsteady does, in the words of the help, the README and the run header. */
    public static final String UNSTEADY_NOTE = "pseudo-time marching with a second-order backward"
            + " difference in which each node advances with its own time step: NOT"
            + " time-accurate (no physical time step); for experiments only";

    public CaseDefinition {
        boundaries = List.copyOf(boundaries);
        airfoils = airfoils == null ? List.of() : List.copyOf(airfoils);
        if (!airfoils.isEmpty() && (meshFile != null || circle)) {
            throw new IllegalArgumentException("airfoil files cannot go with a mesh file or the"
                    + " circle");
        }
        if (airfoils.size() > 1 && gmshOptions == null) {
            throw new IllegalArgumentException("several airfoils need the Gmsh mesh's options");
        }
        monitor = monitor == null ? List.of() : List.copyOf(monitor);
        method = method == null ? Method.STANDARD : method;
        refPoint = refPoint == null ? null : List.copyOf(refPoint);
        if (refPoint != null && refPoint.size() != 2) {
            throw new IllegalArgumentException("a reference point has two coordinates, got "
                    + refPoint.size());
        }
        if (meshFile == null && meshOptions == null) {
            throw new IllegalArgumentException("a built-in body needs its mesh options");
        }
        if (viscous != (reynolds != null)) {
            throw new IllegalArgumentException("a Reynolds number goes with viscous runs only");
        }
        if (sequence < 0 || (sequence > 0 && meshFile != null)) {
            throw new IllegalArgumentException("mesh sequencing needs a built mesh (a built-in"
                    + " body or airfoil files) and a level count of 0 or more, got " + sequence);
        }
    }

    /**
     * The case on a mesh coarser by {@code halvings} halvings, for the coarse levels of mesh
     * sequencing: half the points around the body (but at least 16) and half the layers (but at
     * least 4) per halving, and twice the first-cell height (when one is set, and for several
     * airfoils); the coefficient band {@code epsFactor} times wider and its windows halved per
     * halving, but not below {@code minWindow} iterations; no pictures, no sequencing of its own.
     */
    public CaseDefinition coarser(int halvings, double epsFactor, int minWindow) {
        int f = 1 << halvings;
        MeshGenerator.Options m = meshOptions;
        int points = Math.max(16, 2 * (m.pointsAround() / (2 * f)));
        m = new MeshGenerator.Options(points, Math.max(4, m.layers() / f), m.firstHeight() * f,
                m.farField(), m.quads());
        GmshMesher.Options g = gmshOptions == null ? null
                : gmshOptions.withFirstHeight(gmshOptions.firstHeight() * f);
        return new CaseDefinition(caseName, meshFile, circle, nacaCode, m, boundaries, monitor,
                refLength, refPoint, renumber, mach, alpha, gamma, secondOrder, weight, unsteady,
                viscous, reynolds, startup, orders, cauchyEps * epsFactor,
                cauchyWindow == 0 ? 0 : Math.max(Math.min(minWindow, cauchyWindow), cauchyWindow / f),
                iterations, printEvery, false, airfoils, g, firstHeightCeiling * f, 0, method);
    }

    /**
     * The settings of the run, with the Reynolds number the library takes (see
     * {@link kestrafol.solver.FlowReynolds}) for viscous runs.
     */
    public Settings settings(double libraryReynolds) {
        return new Settings(mach, alpha, gamma, secondOrder, weight, unsteady, viscous,
                viscous ? libraryReynolds : Settings.DEFAULT_REYNOLDS);
    }

    /** Iterations the answer of a settled run averages: all windows of the coefficient rule. */
    public int answerWindow() {
        return ConvergenceMonitor.WINDOWS * cauchyWindow;
    }

    /** The iteration cap: the one given, or CAP_PER_NODE per node but at least MIN_CAP. */
    public int iterationCap(int nodes) {
        if (iterations != null) {
            return iterations;
        }
        return (int) Math.min(Integer.MAX_VALUE, Math.max(MIN_CAP, (long) CAP_PER_NODE * nodes));
    }

    /**
     * The line the angle of attack is measured from, in words for summary.json: every airfoil,
     * built-in or from a file, sits in the same chord frame; a mesh file and the circle keep
     * their x axis.
     */
    public String chordLine() {
        if (meshFile != null) {
            return "the mesh's x axis";
        }
        if (circle) {
            return "the x axis through the circle's centre";
        }
        String line = "from the leading edge, the point of the section farthest from the trailing"
                + " edge, at (0, 0) to the trailing edge (the midpoint of a blunt base) at (1, 0)";
        return airfoils.size() > 1 ? "the first element's chord line, " + line : "the chord line, "
                + line;
    }

    /** Whether the chord is known: a built-in airfoil, or a reference length given. */
    public boolean chordKnown() {
        return (meshFile == null && !circle) || refLength != null;
    }
}
