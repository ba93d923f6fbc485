package kestrafol.meshing;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.util.List;
import kestrafol.solver.TestSettings;
import kestrafol.geometry.Airfoil;
import kestrafol.geometry.Naca;
import kestrafol.mesh.Mesh;
import kestrafol.solver.Settings;
import kestrafol.solver.Solver;
import kestrafol.solver.WallForces;
import org.junit.jupiter.api.Test;

/** Several bodies through Gmsh, and the refusals made before Gmsh runs. */
class GmshMesherTest {
    private static final Airfoil SECTION =
            Airfoil.of("0012", Naca.seligPoints(Naca.parse("0012"), 60));

    /** A NACA 0012 main element of chord 1 and a flap of chord 0.3 below its trailing edge. */
    static List<GmshMesher.Body> mainAndFlap(double flapX, double flapY) {
        return List.of(GmshMesher.Body.of(SECTION, 128, 1, 0, 0, 0),
                GmshMesher.Body.of(SECTION, 64, 0.3, 20, flapX, flapY));
    }

    @Test
    void aMainElementAndAFlapMeshAndCarryTheirOwnForces() throws IOException {
        Mesh mesh = GmshMesher.mesh(mainAndFlap(1.02, -0.06), GmshMesher.Options.defaults());
        assertEquals(List.of("element1", "element2", "farfield"), mesh.boundaryNames());
        MeshQuality q = MeshQuality.of(mesh).requireSolvable();
        assertEquals(2e-3, q.minFirstHeight(), 2e-4, q.toString());
        Settings s = TestSettings.of(0.3, 2).withSecondOrder(false);
        double[] state;
        try (Solver solver = new Solver(mesh, s)) {
            for (int i = 0; i < 100; i++) {
                solver.iterate();
            }
            assertTrue(solver.flow().isPhysical());
            state = solver.state();
        }
        WallForces.Conditions c = new WallForces.Conditions(0.3, 2, 1.4, false, Double.NaN);
        WallForces.Reference r = new WallForces.Reference(0.25, 0, 1);
        double[] cl = new double[3];
        for (int tag = 1; tag <= 3; tag++) {
            boolean[] monitored = {tag == 1 || tag == 3, tag == 2 || tag == 3, false};
            cl[tag - 1] = new WallForces(mesh, monitored, r).compute(state, c).cl();
        }
        // Both elements lift (each wall integrated on its own) and the parts add up to the
        // whole.
        assertTrue(cl[0] > 0.05 && cl[1] > 0.05, "main " + cl[0] + ", flap " + cl[1]);
        assertEquals(cl[0] + cl[1], cl[2], 1e-12 * Math.abs(cl[2]));
    }

    @Test
    void bodiesThatMeetAreRefusedBeforeGmshRuns() {
        // A missing executable would be the error if Gmsh were started.
        GmshMesher.Options o = GmshMesher.Options.defaults().withExecutable("/nonexistent/gmsh");
        Object[][] cases = {
            {mainAndFlap(0.9, -0.0), "overlap: their outlines cross"},
            {List.of(GmshMesher.Body.of(SECTION, 64, 1, 0, 0, 0),
                GmshMesher.Body.of(SECTION, 32, 0.05, 0, 0.2, 0)), "one lies inside the other"},
            {mainAndFlap(1.0005, 0), "nearly touch: gap"},
        };
        for (Object[] c : cases) {
            @SuppressWarnings("unchecked")
            List<GmshMesher.Body> bodies = (List<GmshMesher.Body>) c[0];
            IllegalArgumentException e = assertThrows(IllegalArgumentException.class,
                    () -> GmshMesher.mesh(bodies, o));
            assertTrue(e.getMessage().startsWith("element1 and element2")
                    && e.getMessage().contains((String) c[1]), e.getMessage());
        }
        IOException missing = assertThrows(IOException.class,
                () -> GmshMesher.mesh(mainAndFlap(1.02, -0.06), o));
        assertTrue(missing.getMessage().contains("apt-get install gmsh"), missing.getMessage());
    }
}
