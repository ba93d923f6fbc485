package kestrafol.meshing;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.List;
import kestrafol.solver.TestSettings;
import kestrafol.geometry.Airfoil;
import kestrafol.geometry.Naca;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.Mesh;
import kestrafol.solver.Settings;
import kestrafol.solver.Solver;
import org.junit.jupiter.api.Test;

/** O-meshes of coordinate outlines against the built-in sections, and the quality figures. */
class AirfoilMeshTest {
    /**
     * Lift after a first-order start (400) and second-order iterations, as a run does; weight 0,
     * whose limit cycle is small enough at 1,800 iterations for a 2 % comparison.
     */
    static double lift(Mesh mesh, double alpha, int iterations) {
        Settings s = TestSettings.of(0.3, alpha, 0);
        try (Solver solver = new Solver(mesh, s.withSecondOrder(false))) {
            for (int i = 0; i < iterations; i++) {
                if (i == 400) {
                    solver.update(s);
                }
                solver.iterate();
            }
            return solver.analysis().lift();
        }
    }

    @Test
    void aCoordinateFileSectionFliesLikeTheBuiltInOne() {
        // NACA 4412 from its formula, 41 points a side: both bodies take the chord line to the
        // point farthest from the trailing edge, so the same alpha gives the same lift up to
        // the panelling (cosine in x against cosine in arc length), measured 1.3 % apart at 64
        // points. The formula's axis, 0.175 degrees off the chord line, took 3 % of the file's
        // lift; a turn the wrong way would take 6 %.
        Airfoil file = Airfoil.of("4412", Naca.seligPoints(Naca.parse("4412"), 40));
        MeshGenerator.Options o = MeshGenerator.Options.resolution(64);
        double builtIn = lift(MeshGenerator.naca("4412", o), 2, 1800);
        double fromFile = lift(MeshGenerator.airfoil(file, o), 2, 1800);
        assertTrue(builtIn > 0.6 && builtIn < 0.8, "built-in CL " + builtIn);
        assertEquals(builtIn, fromFile, 0.015 * builtIn, "built-in " + builtIn + ", file " + fromFile);
    }

    @Test
    void aBluntBaseIsPartOfTheWallInTheMesh() {
        Naca.Section s = Naca.parse("0012");
        double[] xy = Naca.seligPoints(s, 40);
        // Open the trailing edge: upper surface up, lower down by 0.2 % of the chord at x = 1,
        // fading to nothing at the leading edge; the last point is no longer the first.
        for (int i = 0; i < xy.length; i += 2) {
            xy[i + 1] += (i < xy.length / 2 ? 0.002 : -0.002) * xy[i];
        }
        Airfoil a = Airfoil.of("blunt", xy);
        assertEquals(0.004, a.geometry().baseThickness(), 1e-6);
        for (boolean quads : new boolean[] {false, true}) {
            Mesh m = MeshGenerator.airfoil(a, MeshGenerator.Options.resolution(96).withQuads(quads));
            double top = -1;
            double bottom = 1;
            int onBase = 0;
            for (int e = 0; e < m.boundaryEdgeCount(); e++) {
                int p = m.edgeNode(e, 0);
                if (m.edgeTag(e) == 1 && Math.abs(m.x(p) - 1) < 1e-9) {
                    onBase++;
                    top = Math.max(top, m.y(p));
                    bottom = Math.min(bottom, m.y(p));
                }
            }
            assertEquals(0.004, top - bottom, 1e-9, "the base spans its thickness in the mesh");
            assertTrue(onBase >= 3, onBase + " wall nodes on the base");
            assertEquals(List.of(BoundaryKind.SLIP_WALL, BoundaryKind.FAR_FIELD), m.boundaryKinds());
        }
    }

    @Test
    void qualityFiguresOfAWorkedMesh() {
        // A unit square split into two right triangles, and beside it the triangle
        // (1,0), (3,0.5), (1,1) of area 1 with an apex angle of 2 atan(1/4).
        double[] xy = {0, 0, 1, 0, 1, 1, 0, 1, 3, 0.5};
        int[] tri = {1, 2, 3, 1, 3, 4, 2, 5, 3};
        int[] edges = {0, 1, 1, 1, 4, 2, 4, 2, 2, 2, 3, 2, 3, 0, 2};
        Mesh m = new Mesh(xy, tri, new int[0], edges,
                List.of(BoundaryKind.SLIP_WALL, BoundaryKind.FAR_FIELD), List.of("wall", "far"));
        MeshQuality q = MeshQuality.of(m);
        assertEquals(Math.toDegrees(2 * Math.atan(0.25)), q.minAngle(), 1e-12);
        assertEquals(90, q.maxAngle(), 1e-12);
        // Longest side squared over twice the area, times sqrt(3)/2: 4.25 / 2 for the apex
        // triangle against 2 / 1 for the right ones.
        assertEquals(4.25 / 2 * Math.sqrt(3) / 2, q.maxAspectRatio(), 1e-12);
        assertEquals(2, q.maxNeighbourRatio(), 1e-12, "area 1 beside area 1/2");
        assertEquals(1.0, q.minFirstHeight(), 1e-12, "height over the wall edge (0,0)-(1,0)");
        assertEquals(1.0, q.maxFirstHeight(), 1e-12);
        assertEquals(q, q.requireSolvable());
        // A generated boundary layer: first heights as asked.
        Mesh layer = MeshGenerator.naca("0012", MeshGenerator.Options.resolution(96)
                .withFirstHeight(1e-3).withQuads(true));
        MeshQuality lq = MeshQuality.of(layer);
        // The first layer steps the asked height off the wall along the smoothed normals (3 %
        // more over a bending wall edge); cells fanning round the trailing edge come out lower.
        assertEquals(1e-3, lq.maxFirstHeight(), 5e-5, lq.toString());
        assertTrue(lq.minFirstHeight() > 0.5e-3, lq.toString());
        assertTrue(lq.maxAspectRatio() > 10 && lq.minAngle() > 1, lq.toString());
    }

    @Test
    void sliversBeyondTheTestedRangeAreRefusedWithWhatToChange() {
        double[] xy = {0, 0, 1, 0, 0.5, 1e-9, 0.5, 1};
        int[] tri = {1, 2, 3, 1, 3, 4, 3, 2, 4};
        int[] edges = {0, 1, 1, 1, 3, 1, 3, 0, 1};
        Mesh m = new Mesh(xy, tri, new int[0], edges, List.of(BoundaryKind.FAR_FIELD), null);
        MeshQuality q = MeshQuality.of(m);
        assertTrue(q.maxNeighbourRatio() > 1e8, q.toString());
        IllegalArgumentException e = assertThrows(IllegalArgumentException.class, q::requireSolvable);
        assertTrue(e.getMessage().contains("below 1.00e-06") && e.getMessage().contains("sliver"),
                e.getMessage());
    }
}
