package kestrafol.cli;

import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import kestrafol.base.Numbers;
import kestrafol.geometry.Naca;
import kestrafol.meshing.AirfoilElement;
import kestrafol.meshing.MeshGenerator;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;
import picocli.CommandLine.Spec;

/**
 * The body and its built mesh: one of --mesh, --naca, --circle or --airfoil, and the options of
 * the mesh the program builds (--resolution, --quads, --layers, --first-height). A picocli mixin
 * that every command with a body takes: run, polar and study through {@link RunOptions}, and
 * mesh. Call {@link #validate()} after parsing.
 */
final class BodyOptions implements Cloneable {
    @Spec(Spec.Target.MIXEE)
    CommandSpec spec;

    @Option(names = "--mesh", paramLabel = "FILE",
            description = "SU2 (.su2) or Gmsh (.msh, format 2.2 or 4.1) mesh")
    Path mesh;

    @Option(names = "--naca", paramLabel = "CODE",
            description = "built-in NACA four- or five-digit airfoil, e.g. 2412 or 23012"
                    + " (default: 0012)")
    String naca;

    @Option(names = "--airfoil", paramLabel = AirfoilElement.SYNTAX,
            description = "airfoil coordinate file (Selig or Lednicer), meshed like the built-in"
                    + " sections and measured from its chord line; repeat it for several"
                    + " elements (meshed by Gmsh), each as placed in the file or at its leading"
                    + " edge X,Y, turned DEFLECTION degrees (trailing edge down) and scaled to"
                    + " CHORD, in chords of the first airfoil")
    List<String> airfoils = new ArrayList<>();

    @Option(names = "--circle", description = "built-in circle of diameter 1 instead of an airfoil")
    boolean circle;

    @Option(names = "--resolution", paramLabel = "N",
            description = "points around the built-in body, at least 16, odd counts go up by one"
                    + " (default: " + RunOptions.DEFAULT_RESOLUTION + ")")
    Integer resolutionOption;

    /** Settled by validate(). */
    int resolution = RunOptions.DEFAULT_RESOLUTION;

    @Option(names = "--quads", description = "built-in mesh of quadrilaterals (default triangles)")
    boolean quads;

    @Option(names = "--layers", paramLabel = "L",
            description = "layers of cells from the body to the far field of the built-in mesh"
                    + " (default: a third of --resolution, at least 8); with several airfoils"
                    + " the boundary layers on each (default: " + RunOptions.GMSH_LAYERS + ")")
    Integer layersOption;

    @Option(names = "--first-height", paramLabel = "H", converter = RunOptions.FiniteDouble.class,
            description = "height of the first cell at the wall of the built-in mesh, in chords"
                    + " (default: half the surface spacing, " + RunOptions.GMSH_FIRST_HEIGHT_TEXT
                    + " with several airfoils; viscous runs: what the Reynolds number needs)")
    Double firstHeightOption;

    /**
     * Checks that one body is chosen and that the built mesh's options fit it, and settles the
     * resolution (made even).
     *
     * @throws ParameterException (a usage error) naming the option at fault, or
     *     IllegalArgumentException when the options did not come from a command line
     */
    BodyOptions validate() {
        validateBody();
        validateMesh();
        return this;
    }

    /** The one body: a mesh file, a built-in body or airfoil files. */
    private void validateBody() {
        if (mesh != null) {
            List<String> builtIn = new ArrayList<>();
            for (String name : new String[] {"--naca", "--circle", "--resolution", "--quads",
                    "--airfoil", "--layers", "--first-height"}) {
                if (given(name)) {
                    builtIn.add(name);
                }
            }
            if (!builtIn.isEmpty()) {
                throw usage("--mesh cannot go with " + String.join(", ", builtIn)
                        + ", which describe the built-in mesh");
            }
        }
        if (circle && naca != null) {
            throw usage("--circle and --naca both choose the built-in body: give one");
        }
        if (!airfoils.isEmpty() && (circle || naca != null)) {
            throw usage("--airfoil cannot go with " + (circle ? "--circle" : "--naca")
                    + ": each chooses the body");
        }
        validateAirfoils();
        if (naca != null) {
            try {
                Naca.parse(naca);
            } catch (IllegalArgumentException e) {
                throw usage("--naca expects a four- or five-digit NACA code such as 2412 or"
                        + " 23012, got " + naca + " (" + e.getMessage() + ")");
            }
        }
    }

    /** The built-in mesh: first height, layers, resolution (made even). */
    private void validateMesh() {
        if (firstHeightOption != null && !(firstHeightOption > 0)) {
            throw usage("--first-height expects a number above 0, got "
                    + Numbers.format(firstHeightOption));
        }
        if (layersOption != null) {
            if (airfoils.size() > 1 && (layersOption < 1 || layersOption > 200)) {
                throw usage("--layers expects 1 to 200 boundary layers with several airfoils, got "
                        + layersOption);
            }
            atLeast("--layers", layersOption, airfoils.size() > 1 ? 1 : 4);
        }
        resolution = resolutionOption != null ? resolutionOption : RunOptions.DEFAULT_RESOLUTION;
        atLeast("--resolution", resolution, 16);
        if (resolution > MeshGenerator.MAX_CELLS / 4) {
            throw usage("--resolution expects at most " + MeshGenerator.MAX_CELLS / 4 + ", got "
                    + resolution);
        }
        if (resolution % 2 != 0) {
            resolution++;
        }
    }

    /**
     * Checks the form of each --airfoil (the files are read by {@link #definition()}): a
     * placement is four numbers with a chord above 0, and the first airfoil, which sets the
     * frame, has none.
     */
    private void validateAirfoils() {
        airfoils = rejoinPlacements(airfoils);
        for (int k = 0; k < airfoils.size(); k++) {
            AirfoilElement.Placement p;
            try {
                p = AirfoilElement.placementOf(airfoils.get(k));
            } catch (IllegalArgumentException e) {
                throw usage("--airfoil " + e.getMessage());
            }
            if (k == 0 && p != null) {
                throw usage("--airfoil: the first airfoil sets the frame and the reference chord;"
                        + " give it without @X,Y,DEFLECTION,CHORD, got " + airfoils.get(0));
            }
        }
    }

    /**
     * The --airfoil values with placements made whole again: case files and the polar's
     * arguments per case hold a repeated option as one comma-separated list, which splits
     * "flap.dat@1.02,-0.06,20,0.3" into four pieces; a piece that is a number after a value
     * whose placement is short of its four numbers belongs to that placement.
     */
    static List<String> rejoinPlacements(List<String> values) {
        List<String> joined = new ArrayList<>();
        for (String v : values) {
            int last = joined.size() - 1;
            if (last >= 0 && v.strip().matches("[-+]?[0-9.]+([eE][-+]?[0-9]+)?")) {
                String previous = joined.get(last);
                int at = previous.lastIndexOf('@');
                if (at >= 0 && previous.substring(at).split(",", -1).length < 4) {
                    joined.set(last, previous + "," + v.strip());
                    continue;
                }
            }
            joined.add(v);
        }
        return joined;
    }

    /** Whether an option was on the command line (or, without one, set away from its default). */
    private boolean given(String name) {
        if (spec != null && spec.commandLine() != null
                && spec.commandLine().getParseResult() != null) {
            return spec.commandLine().getParseResult().hasMatchedOption(name);
        }
        switch (name) {
            case "--naca":
                return naca != null;
            case "--circle":
                return circle;
            case "--resolution":
                return resolutionOption != null;
            case "--airfoil":
                return !airfoils.isEmpty();
            case "--layers":
                return layersOption != null;
            case "--first-height":
                return firstHeightOption != null;
            default:
                return quads;
        }
    }

    private void atLeast(String option, int value, int min) {
        if (value < min) {
            throw usage(option + " expects a whole number of at least " + min + ", got " + value);
        }
    }

    private RuntimeException usage(String message) {
        if (spec == null) {
            return new IllegalArgumentException(message);
        }
        return new ParameterException(spec.commandLine(), message);
    }

    BodyOptions copy() {
        try {
            return (BodyOptions) clone();
        } catch (CloneNotSupportedException e) {
            throw new AssertionError(e);
        }
    }

    /** The four digits of the built-in airfoil. */
    String nacaCode() {
        return naca != null ? naca : "0012";
    }

    /** "NACA 0012", "circle", the mesh file name or the airfoil files' names. */
    String caseName() {
        if (mesh != null) {
            return mesh.getFileName().toString();
        }
        if (!airfoils.isEmpty()) {
            List<String> names = new ArrayList<>();
            for (String text : airfoils) {
                names.add(AirfoilElement.fileOf(text).getFileName().toString());
            }
            return String.join(" + ", names);
        }
        return circle ? "circle" : "NACA " + nacaCode();
    }
}
