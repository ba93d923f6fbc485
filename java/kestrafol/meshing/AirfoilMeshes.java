package kestrafol.meshing;

import java.io.IOException;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import kestrafol.geometry.AirfoilGeometry;
import kestrafol.mesh.Mesh;

/**
 * The mesh of a case whose bodies are airfoils from coordinate files. One airfoil gets the
 * built-in O-mesh in its chord frame (leading edge at the origin, trailing edge at (1, 0)).
 * Several get an unstructured mesh through Gmsh, in the chord frame of the first (main)
 * element: an element given as is keeps its file's position relative to the main element, a
 * placed one goes where its placement says. Either way the reference length is 1 (the main
 * chord) and the quarter chord is (0.25, 0).
 */
public final class AirfoilMeshes {
    private AirfoilMeshes() {}

    /**
     * Meshes the elements and checks the mesh's quality against what the solver is known to
     * take.
     *
     * @param one options of the O-mesh of a single element
     * @param several options of the Gmsh mesh of several elements
     * @throws IllegalArgumentException with a message that says what to change when the mesh
     *     cannot be built or its quality is beyond what the solver was run on
     * @throws IOException when Gmsh is missing or fails
     */
    public static Mesh mesh(List<AirfoilElement> elements, MeshGenerator.Options one,
            GmshMesher.Options several) throws IOException {
        if (elements.isEmpty()) {
            throw new IllegalArgumentException("no airfoil to mesh");
        }
        if (elements.get(0).placement() != null) {
            throw new IllegalArgumentException("the first airfoil sets the frame and the"
                    + " reference chord; give it without @X,Y,DEFLECTION,CHORD");
        }
        Mesh mesh;
        if (elements.size() == 1) {
            try {
                mesh = MeshGenerator.airfoil(elements.get(0).airfoil(), one);
            } catch (IllegalStateException e) {
                throw unbuildable(elements.get(0).file().getFileName().toString(), one, e);
            }
        } else {
            mesh = GmshMesher.mesh(bodies(elements, one.pointsAround()), several);
        }
        MeshQuality.of(mesh).requireSolvable();
        return mesh;
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
