package kestrafol.meshing;

import static org.junit.jupiter.api.Assertions.assertEquals;

import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.Locale;
import kestrafol.geometry.Naca;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** Several airfoils placed in the main element's chord frame. */
class AirfoilMeshesTest {
    @TempDir
    Path dir;

    /** A NACA 0012 of the given chord, turned by angle (degrees, anticlockwise), LE at (x, y). */
    private Path file(String name, double chord, double angle, double x, double y) throws Exception {
        double[] p = Naca.seligPoints(Naca.parse("0012"), 60);
        double c = Math.cos(Math.toRadians(angle));
        double s = Math.sin(Math.toRadians(angle));
        StringBuilder b = new StringBuilder();
        for (int i = 0; i < p.length / 2; i++) {
            double px = chord * p[2 * i];
            double py = chord * p[2 * i + 1];
            b.append(String.format(Locale.ROOT, "%.15f %.15f%n", x + c * px - s * py,
                    y + s * px + c * py));
        }
        return Files.writeString(dir.resolve(name), b.toString());
    }

    @Test
    void aFlapAsPlacedInItsFileEqualsTheSameFlapPlacedByOption() throws Exception {
        // The main element in mm, 3 degrees nose-up, away from the origin; the flap in the same
        // mm frame, 0.3 chords, 20 degrees further down, its leading edge at (1.02, -0.06)
        // main chords in the main element's chord frame. Both routes must give the same
        // outlines in that frame; a sign or a missing scale in the frame change breaks this.
        double chord = 500;
        double angle = 3;
        double x0 = 40;
        double y0 = -7;
        double c = Math.cos(Math.toRadians(angle));
        double s = Math.sin(Math.toRadians(angle));
        double fx = 1.02 * chord;
        double fy = -0.06 * chord;
        // The chord of the 0012 runs along its formula's axis (symmetric section).
        Path main = file("main.dat", chord, angle, x0, y0);
        Path flapAsGiven = file("flap.dat", 0.3 * chord, angle - 20, x0 + c * fx - s * fy,
                y0 + s * fx + c * fy);
        Path flapUnit = file("flap1.dat", 1, 0, 0, 0);
        List<GmshMesher.Body> given = AirfoilMeshes.bodies(List.of(
                AirfoilElement.read(main.toString()), AirfoilElement.read(flapAsGiven.toString())), 64);
        List<GmshMesher.Body> placed = AirfoilMeshes.bodies(List.of(
                AirfoilElement.read(main.toString()),
                AirfoilElement.read(flapUnit + "@1.02,-0.06,20,0.3")), 64);
        for (int b = 0; b < 2; b++) {
            double[] p = given.get(b).points();
            double[] q = placed.get(b).points();
            assertEquals(b == 0 ? 128 : 64, p.length);
            assertEquals(p.length, q.length);
            for (int i = 0; i < p.length; i++) {
                assertEquals(q[i], p[i], 1e-9, "body " + b + " coordinate " + i);
            }
        }
        // The main element sits in its chord frame: leading edge at the origin, chord 1.
        double[] m = placed.get(0).points();
        double xMin = Double.MAX_VALUE;
        double xMax = -Double.MAX_VALUE;
        for (int i = 0; i < m.length; i += 2) {
            xMin = Math.min(xMin, m[i]);
            xMax = Math.max(xMax, m[i]);
        }
        assertEquals(0, xMin, 1e-9);
        assertEquals(1, xMax, 1e-9);
    }

    @Test
    void aGmshFailureIsMeshedWithoutLayersOrBecomesOneLineSayingWhatToChange() throws Exception {
        // A stand-in for Gmsh that fails as the real one does where boundary layers meet (at a
        // blunt base, in a narrow slot), and meshes with the real one otherwise.
        Path fake = dir.resolve("gmsh");
        Files.writeString(fake, "#!/bin/sh\nfor a; do geo=$a; done\n"
                + "if grep -q BoundaryLayer \"$geo\"; then\n"
                + "  echo 'Error   : Unable to recover the edge 7 (1/300) on curve 444444'; exit 1\n"
                + "fi\nexec gmsh \"$@\"\n");
        fake.toFile().setExecutable(true);
        GmshMesher.Options o = GmshMesher.Options.defaults().withExecutable(fake.toString());
        List<GmshMesher.Body> bodies = GmshMesherTest.mainAndFlap(1.02, -0.06);
        List<String> notes = new java.util.ArrayList<>();
        kestrafol.mesh.Mesh mesh = AirfoilMeshes.gmsh(bodies, 128, o, false, notes::add);
        assertEquals(List.of("Gmsh could not grow 6 boundary layers (Unable to recover the edge"
                + " 7 (1/300) on curve 444444); meshing without them, the cells at the walls as"
                + " long as the outline's sides"), notes);
        assertEquals(List.of("element1", "element2", "farfield"), mesh.boundaryNames());
        // A viscous run needs its layers: no second try, one line with what to change.
        IllegalArgumentException e = org.junit.jupiter.api.Assertions.assertThrows(
                IllegalArgumentException.class, () -> AirfoilMeshes.gmsh(bodies, 128, o, true,
                        notes::add));
        assertEquals("Gmsh could not mesh the bodies (Unable to recover the edge 7 (1/300) on"
                + " curve 444444): change --first-height (now 0.00200) or --layers (now 6), or"
                + " --resolution (now 128), or move the elements further apart",
                e.getMessage());
        assertEquals(1, notes.size(), "no fallback was announced");
    }
}
