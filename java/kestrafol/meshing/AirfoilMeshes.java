package kestrafol.meshing;

import java.io.IOException;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import java.util.function.Consumer;
import java.util.function.Function;
import java.util.function.Supplier;
import kestrafol.geometry.AirfoilGeometry;
import kestrafol.mesh.Mesh;

/**
 * The mesh of a case whose bodies are airfoils from coordinate files. One airfoil gets the
 * built-in O-mesh in its chord frame (leading edge at the origin, trailing edge at (1, 0)), or
 * the Gmsh mesh of the same outline when the O-mesh cannot be built.
 * Several get an unstructured mesh through Gmsh, in the chord frame of the first (main)
 * element: an element given as is keeps its file's position relative to the main element, a
 * placed one goes where its placement says. Either way the reference length is 1 (the main
 * chord) and the quarter chord is (0.25, 0).
 */
public final class AirfoilMeshes {
    /** Boundary layers a Gmsh mesh falls back to when it cannot grow more. */
    static final int FEWER_LAYERS = 6;

    private AirfoilMeshes() {}

    /** A mesh and the mesher that built it: {@link #O_MESH} or {@link #GMSH}. */
    public record Built(Mesh mesh, String mesher) {}

    /** The name of the built-in O-mesh, as summary.json gives it. */
    public static final String O_MESH = "built-in O-mesh";
    /** The name of the Gmsh mesh, as summary.json gives it. */
    public static final String GMSH = "Gmsh";

    /**
     * Meshes the elements and checks the mesh's quality against what the solver is known to
     * take. One element gets the O-mesh, or the Gmsh mesh of the same outline when the O-mesh
     * cannot be built (see {@link #oMeshOrGmsh}); several get the Gmsh mesh.
     *
     * @param one options of the O-mesh of a single element
     * @param gmsh options of the Gmsh mesh of several elements, and of one element whose O-mesh
     *     cannot be built
     * @param layersNeeded whether the Gmsh mesh must have its boundary layers (a viscous run);
     *     otherwise Gmsh meshes without them when it cannot grow them
     * @param ceiling the thickest first cell the O-mesh may take instead of the one asked for
     *     (0: none)
     * @param notes takes the one line that says a fallback was taken
     * @throws IllegalArgumentException with a message that says what to change when the mesh
     *     cannot be built or its quality is beyond what the solver was run on
     * @throws IOException when Gmsh is missing or times out
     */
    public static Built mesh(List<AirfoilElement> elements, MeshGenerator.Options one,
            GmshMesher.Options gmsh, boolean layersNeeded, double ceiling,
            Consumer<String> notes) throws IOException {
        if (elements.isEmpty()) {
            throw new IllegalArgumentException("no airfoil to mesh");
        }
        if (elements.get(0).placement() != null) {
            throw new IllegalArgumentException("the first airfoil sets the frame and the"
                    + " reference chord; give it without @X,Y,DEFLECTION,CHORD");
        }
        Built built;
        if (elements.size() == 1) {
            AirfoilElement e = elements.get(0);
            built = oMeshOrGmsh(e.file().getFileName().toString(),
                    o -> MeshGenerator.airfoil(e.airfoil(), o),
                    () -> bodies(elements, one.pointsAround()), one, ceiling, gmsh, layersNeeded,
                    notes);
        } else {
            built = new Built(gmshGeometry(elements, one, gmsh, layersNeeded).mesh(null, notes),
                    GMSH);
        }
        MeshQuality.of(built.mesh()).requireSolvable();
        return built;
    }

    /**
     * The O-mesh around one body. When its layers fold (a concave or cusped section, a trailing
     * edge thinner than the first layer, a first cell far below the surface spacing), the first
     * height is raised in steps of a quarter up to the ceiling; then the Gmsh mesh of the same
     * outline in the same frame is made with the Gmsh options' first height. Either is said on
     * one line; without a first height set (an inviscid run), Gmsh's is the O-mesh's own, half
     * the surface spacing. Without Gmsh options the O-mesh's refusal stands ({@link #unbuildable}).
     */
    static Built oMeshOrGmsh(String body, Function<MeshGenerator.Options, Mesh> oMesh,
            Supplier<List<GmshMesher.Body>> outline, MeshGenerator.Options one, double ceiling,
            GmshMesher.Options gmsh, boolean layersNeeded, Consumer<String> notes)
            throws IOException {
        IllegalStateException folded;
        try {
            return new Built(oMesh.apply(one), O_MESH);
        } catch (IllegalStateException e) {
            folded = e;
        }
        // Only a height set above 0 grows (0 is the generator's own choice, which would not).
        for (double h = 1.25 * one.firstHeight(); h > 0 && h <= ceiling; h *= 1.25) {
            try {
                Mesh mesh = oMesh.apply(one.withFirstHeight(h));
                notes.accept(String.format(Locale.ROOT, "the built-in O-mesh cannot be built"
                        + " around %s with a first-cell height of %.3g (%s); built with %.3g",
                        body, one.firstHeight(), reason(folded), h));
                return new Built(mesh, O_MESH);
            } catch (IllegalStateException e) {
                // Still folds: a little thicker.
            }
        }
        if (gmsh == null) {
            throw unbuildable(body, one, folded);
        }
        GmshGeometry g = fallback(outline.get(), one, gmsh, layersNeeded);
        notes.accept(String.format(Locale.ROOT, "the built-in O-mesh cannot be built around"
                + " %s (%s); meshing it with Gmsh instead (first-cell height %.3g, %d layers)",
                body, reason(folded), g.options().firstHeight(), g.options().layers()));
        return new Built(g.mesh(null, notes), GMSH);
    }

    /**
     * What Gmsh meshes for a case, so that adaptation can mesh the same again with other sizes:
     * the bodies, the options, the points around the main body (for the advice), whether the
     * run needs the layers, and whether the mesh is of one airfoil (its wall named "airfoil",
     * as on the O-mesh).
     */
    public record GmshGeometry(List<GmshMesher.Body> bodies, GmshMesher.Options options,
            int points, boolean layersNeeded, boolean single) {
        /**
         * The Gmsh mesh, with the sizes of the view (null: the default sizes), with fewer
         * layers where Gmsh cannot grow them ({@link AirfoilMeshes#gmsh}).
         */
        public Mesh mesh(SizeView view, Consumer<String> notes) throws IOException {
            Mesh m = gmsh(bodies, points, options, layersNeeded, notes, view);
            if (!single) {
                return m;
            }
            // The wall keeps the O-mesh's name, so --boundary and --monitor mean the same on both.
            List<String> names = m.boundaryNames().stream()
                    .map(n -> n.equals("element1") ? "airfoil" : n).toList();
            return new Mesh(m.coords(), m.triangles(), m.quads(), m.boundaryEdges(),
                    m.boundaryKinds(), names);
        }

        /** The shortest side of the outlines. */
        public double shortestSide() {
            double shortest = Double.MAX_VALUE;
            for (GmshMesher.Body b : bodies) {
                double[] p = b.points();
                for (int i = 0; i < p.length; i += 2) {
                    int k = (i + 2) % p.length;
                    shortest = Math.min(shortest, Math.hypot(p[k] - p[i], p[k + 1] - p[i + 1]));
                }
            }
            return shortest;
        }
    }

    /**
     * The Gmsh geometry of a case's airfoils, as {@link #mesh} meshes them with Gmsh: several
     * elements as they are, one element as its fallback from the O-mesh.
     */
    public static GmshGeometry gmshGeometry(List<AirfoilElement> elements,
            MeshGenerator.Options one, GmshMesher.Options gmsh, boolean layersNeeded) {
        List<GmshMesher.Body> bodies = bodies(elements, one.pointsAround());
        return elements.size() == 1 ? fallback(bodies, one, gmsh, layersNeeded)
                : new GmshGeometry(bodies, gmsh, one.pointsAround(), layersNeeded, false);
    }

    /** One outline meshed by Gmsh where its O-mesh cannot be built. */
    private static GmshGeometry fallback(List<GmshMesher.Body> bodies, MeshGenerator.Options one,
            GmshMesher.Options gmsh, boolean layersNeeded) {
        if (one.firstHeight() == 0) {
            // The O-mesh's own first height, half the surface spacing: an inviscid run's Gmsh
            // mesh of the high-lift section converged in 6,754 iterations with it, and was still
            // drifting at the cap (7,509) with 0.002.
            gmsh = gmsh.withFirstHeight(0.5 * perimeter(bodies.get(0).points())
                    / one.pointsAround());
        }
        return new GmshGeometry(bodies, gmsh, one.pointsAround(), layersNeeded, true);
    }

    /** The length of a closed outline x0, y0, x1, y1, .... */
    private static double perimeter(double[] p) {
        double sum = 0;
        for (int i = 0; i < p.length; i += 2) {
            int k = (i + 2) % p.length;
            sum += Math.hypot(p[k] - p[i], p[k + 1] - p[i + 1]);
        }
        return sum;
    }

    private static String reason(IllegalStateException e) {
        return e.getMessage().replaceAll(";.*", "");
    }

    /**
     * The Gmsh mesh of the bodies. When Gmsh cannot grow the boundary layers (they meet in a
     * narrow gap or fold at a blunt base: "Unable to recover the edge", "Identical points in
     * triangulation", cells folded flat or over each other), it tries again with fewer: more
     * than {@link #FEWER_LAYERS} layers down to that many, and when the run can do without
     * layers (an inviscid run), none; each retry is said on one line. A failure that stays
     * becomes one line saying what to change.
     *
     * @param points the points around the (main) body, for the advice
     */
    static Mesh gmsh(List<GmshMesher.Body> bodies, int points, GmshMesher.Options o,
            boolean layersNeeded, Consumer<String> notes) throws IOException {
        return gmsh(bodies, points, o, layersNeeded, notes, null);
    }

    /** The same with the sizes of a view over a present mesh (null: the default sizes). */
    static Mesh gmsh(List<GmshMesher.Body> bodies, int points, GmshMesher.Options o,
            boolean layersNeeded, Consumer<String> notes, SizeView view) throws IOException {
        List<Integer> tries = new ArrayList<>(List.of(o.layers()));
        if (o.layers() > FEWER_LAYERS) {
            tries.add(FEWER_LAYERS);
        }
        if (!layersNeeded && o.layers() > 0) {
            tries.add(0);
        }
        for (int k = 0;; k++) {
            try {
                return GmshMesher.mesh(bodies, o.withLayers(tries.get(k)), view);
            } catch (GmshMesher.Failure f) {
                if (k + 1 == tries.size()) {
                    throw advice(f, points, o.withLayers(tries.get(k)), layersNeeded,
                            bodies.size() > 1);
                }
                int next = tries.get(k + 1);
                notes.accept("Gmsh could not grow " + tries.get(k) + " boundary layers ("
                        + f.firstError() + "); meshing " + (next == 0 ? "without them, the cells"
                        + " at the walls as long as the outline's sides" : "with " + next));
            }
        }
    }

    /**
     * The one line of a Gmsh failure: what Gmsh said first, and what to change (--layers sets
     * the Gmsh layers of several elements only).
     */
    static IllegalArgumentException advice(GmshMesher.Failure f, int points, GmshMesher.Options o,
            boolean layers, boolean several) {
        String height = String.format(Locale.ROOT, "--first-height (now %.3g)", o.firstHeight());
        String change = !layers ? "--resolution" : several ? height + " or --layers (now "
                + o.layers() + "), or --resolution" : height + " or --resolution";
        return new IllegalArgumentException("Gmsh could not mesh the bodies (" + f.firstError()
                + "): change " + change + " (now " + points + ")"
                + (several ? ", or move the elements further apart" : ""), f);
    }

    /**
     * The refusal of an O-mesh the generator could not build, saying what to change: on the
     * sections tried, first heights down to 3e-4 chords built at 64 points and 2e-4 at 96 and
     * 192, but 1e-5 at none up to 256.
     */
    public static IllegalArgumentException unbuildable(String body, MeshGenerator.Options o,
            IllegalStateException e) {
        return new IllegalArgumentException(String.format(Locale.ROOT, "the O-mesh around %s"
                + " cannot be built with a first-cell height of %s at %d points (%s): raise"
                + " --first-height (more points, --resolution, allow somewhat thinner cells)",
                body, o.firstHeight() > 0 ? String.format(Locale.ROOT, "%.3g", o.firstHeight())
                : "the default", o.pointsAround(), e.getMessage().replaceAll(";.*", "")), e);
    }

    /**
     * The elements' outlines in the main element's chord frame, re-panelled: the main element
     * to {@code pointsAround} points, the others in proportion to their chord, but at least
     * half as many.
     */
    public static List<GmshMesher.Body> bodies(List<AirfoilElement> elements, int pointsAround) {
        AirfoilGeometry main = elements.get(0).airfoil().geometry();
        double mainAngle = Math.toRadians(main.chordAngleDegrees());
        double cos = Math.cos(mainAngle);
        double sin = Math.sin(mainAngle);
        List<GmshMesher.Body> bodies = new ArrayList<>();
        for (AirfoilElement e : elements) {
            AirfoilGeometry g = e.airfoil().geometry();
            AirfoilElement.Placement p = e.placement();
            if (p == null) {
                // As given: the file's leading edge, chord and chord angle, seen from the main
                // element's chord frame.
                double dx = g.leadingEdgeX() - main.leadingEdgeX();
                double dy = g.leadingEdgeY() - main.leadingEdgeY();
                p = new AirfoilElement.Placement((dx * cos + dy * sin) / main.chord(),
                        (-dx * sin + dy * cos) / main.chord(),
                        main.chordAngleDegrees() - g.chordAngleDegrees(), g.chord() / main.chord());
            }
            double share = Math.max(0.5, Math.min(1, p.chord()));
            int n = Math.max(16, 2 * (int) Math.round(0.5 * pointsAround * share));
            bodies.add(GmshMesher.Body.of(e.airfoil(), n, p.chord(), p.deflection(), p.x(), p.y()));
        }
        return bodies;
    }
}
