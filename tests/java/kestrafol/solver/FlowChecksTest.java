package kestrafol.solver;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.List;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.Mesh;
import org.junit.jupiter.api.Test;

class FlowChecksTest {
    static final double GAMMA = 1.4;

    @Test
    void floorNodesAndLocalMachAreCountedAndLocated() {
        // Mach 5 free stream at nodes 0 and 1; node 2 at the pressure floor moving at speed 5
        // (local Mach 5 / sqrt(1.4 * 0.05 / 1) = 18.9), node 3 at the density floor.
        double[] xy = {0, 0, 1, 0, 0.5, 0.2, 0.25, 0.1};
        double[] s = new double[16];
        WallForcesTest.put(s, 0, 1, 5, 0, 1 / GAMMA);
        WallForcesTest.put(s, 1, 1, 5, 0, 1 / GAMMA);
        WallForcesTest.put(s, 2, 1, 5, 0, FlowChecks.FLOOR);
        WallForcesTest.put(s, 3, FlowChecks.FLOOR, 0, 0, 1 / GAMMA);
        String floor = FlowChecks.floorNodes(xy, s, GAMMA);
        assertTrue(floor.startsWith("2 nodes end at the density or pressure floor"), floor);
        assertTrue(floor.contains("x 0.250 to 0.500, y 0.100 to 0.200"), floor);
        assertEquals(2, FlowChecks.floorNodeCount(s, GAMMA));
        String mach = FlowChecks.localMach(xy, s, GAMMA, 5);
        assertTrue(mach.startsWith("local Mach number up to 18.9 at (0.500, 0.200), 1 node above"
                + " 11.0"), mach);
        // The free stream alone passes both checks.
        double[] free = new double[8];
        WallForcesTest.put(free, 0, 1, 5, 0, 1 / GAMMA);
        WallForcesTest.put(free, 1, 1, 5, 0, 1 / GAMMA);
        assertNull(FlowChecks.floorNodes(xy, free, GAMMA));
        assertEquals(0, FlowChecks.floorNodeCount(free, GAMMA));
        assertNull(FlowChecks.localMach(xy, free, GAMMA, 5));
    }

    @Test
    void noOpenBoundaryNamesTheMarkersAndTheFix() {
        String m = FlowChecks.noOpenBoundary(BoundaryKind.fromCodes(new int[] {3, 2}),
                List.of("airfoil", "outer"));
        assertTrue(m.startsWith("the mesh has no open boundary (far field): airfoil (no-slip"
                + " wall), outer (slip wall)."), m);
        assertTrue(m.contains("--bc outer=farfield"), m);
        assertNull(FlowChecks.noOpenBoundary(BoundaryKind.fromCodes(new int[] {3, 1}),
                List.of("airfoil", "far")));
    }

    @Test
    void firstCellHeightAndTheViscousPreflight() {
        // A 1 x 0.2 quadrilateral and a triangle of height 0.05 over the no-slip edge 1-4.
        double[] xy = {0, 0, 1, 0, 1, 0.2, 0, 0.2, 2, 0, 1.5, 0.05};
        int[] quads = {1, 2, 3, 4};
        int[] tris = {2, 5, 6};
        List<BoundaryKind> kinds = BoundaryKind.fromCodes(new int[] {3, 1});
        int[] quadWall = {0, 1, 1, 1, 2, 2, 2, 3, 2, 3, 0, 2};
        assertEquals(0.2, FlowChecks.firstCellHeight(new Mesh(xy, new int[0], quads, quadWall,
                kinds, null)), 1e-15);
        int[] both = {0, 1, 1, 1, 4, 1, 1, 2, 2, 2, 3, 2, 3, 0, 2, 4, 5, 2, 5, 1, 2};
        Mesh two = new Mesh(xy, tris, quads, both, kinds, null);
        assertEquals(0.05, FlowChecks.firstCellHeight(two), 1e-15);
        assertTrue(Double.isNaN(FlowChecks.firstCellHeight(
                two.withBoundaryKinds(BoundaryKind.fromCodes(new int[] {2, 1})))));
        // 0.05 x 10 = 0.5 is below the threshold 1: warn and name 1 / 10 = 0.1.
        String w = FlowChecks.viscousPreflight(0.05, 10);
        assertTrue(w.contains("at least 0.100"), w);
        assertNull(FlowChecks.viscousPreflight(0.05, 20));
    }

    @Test
    void reynoldsNumbersConvertBothWays() {
        // Re 40 on a cylinder of diameter 1 at Mach 0.2: the library divides by 200.
        assertEquals(200.0, FlowReynolds.toLibrary(40, 0.2, 1), 1e-12);
        assertEquals(10000.0, FlowReynolds.toLibrary(5000, 0.5, 1), 1e-9);
        assertEquals(5000.0, FlowReynolds.fromLibrary(10000, 0.5, 1), 1e-9);
        // Over a plate of length 0.3048 at Mach 0.2 a library value of 1e6 is Re 60,960.
        assertEquals(60960.0, FlowReynolds.fromLibrary(1e6, 0.2, 0.3048), 1e-6);
    }
}
