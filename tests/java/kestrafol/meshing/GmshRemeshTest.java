package kestrafol.meshing;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.Mesh;
import org.junit.jupiter.api.Test;

/** The size view over a present mesh, and the bodies meshed again by Gmsh with it. */
class GmshRemeshTest {
    @Test
    void theViewWritesEachNodesLongestSideTimesItsRatio() {
        // The unit square cut along its diagonal from (0, 0) to (1, 1): the diagonal's ends
        // have a longest side of sqrt 2, the other two corners of 1.
        Mesh square = new Mesh(new double[] {0, 0, 1, 0, 1, 1, 0, 1}, new int[] {1, 2, 3, 1, 3, 4},
                new int[0], new int[] {0, 1, 1, 1, 2, 1, 2, 3, 1, 3, 0, 1},
                List.of(BoundaryKind.SLIP_WALL), null);
        SizeView view = SizeView.of(square, new double[] {0.5, 2, 1, 0.25});
        double r2 = Math.sqrt(2);
        double[] want = {0.5 * r2, 2, r2, 0.25};
        for (int i = 0; i < 4; i++) {
            assertEquals(want[i], view.size(i), 1e-15, "node " + i);
        }
        List<double[]> rows = new ArrayList<>();
        for (String line : view.pos().split("\n")) {
            if (line.startsWith("ST(")) {
                rows.add(Arrays.stream(line.substring(3).split("[,(){};\\s]+"))
                        .mapToDouble(Double::parseDouble).toArray());
            }
        }
        // Each triangle: its corners' x, y, 0, then their sizes, in the mesh's order.
        assertEquals(2, rows.size());
        int[][] corners = {{0, 1, 2}, {0, 2, 3}};
        for (int t = 0; t < 2; t++) {
            for (int k = 0; k < 3; k++) {
                int n = corners[t][k];
                assertEquals(square.x(n), rows.get(t)[3 * k], 0);
                assertEquals(square.y(n), rows.get(t)[3 * k + 1], 0);
                assertEquals(want[n], rows.get(t)[9 + k], 1e-15);
            }
        }
        // Halving every size asks for four times the nodes; the wall point nearest to a place
        // takes that node's size.
        SizeView half = SizeView.of(square, new double[] {0.5, 0.5, 0.5, 0.5});
        assertEquals(4 * square.nodeCount(), half.expectedNodes(), 1e-12);
        assertEquals(2, view.nearWall(1.1, 0.2), 0);
    }

    /**
     * A NACA 0012 main element and a 30 % flap, meshed by Gmsh as multi-element cases are,
     * with the given number of boundary layers.
     */
    private static AirfoilMeshes.GmshGeometry mainAndFlap(int layers) {
        return new AirfoilMeshes.GmshGeometry(GmshMesherTest.mainAndFlap(1.02, -0.06),
                GmshMesher.Options.defaults().withLayers(layers), 128, false, false);
    }

    private static double[] uniform(Mesh m, double ratio) {
        double[] r = new double[m.nodeCount()];
        Arrays.fill(r, ratio);
        return r;
    }

    /** Nodes within radius of (x, y). */
    private static int nodesNear(Mesh m, double x, double y, double radius) {
        int count = 0;
        for (int i = 0; i < m.nodeCount(); i++) {
            count += Math.hypot(m.x(i) - x, m.y(i) - y) < radius ? 1 : 0;
        }
        return count;
    }

    @Test
    void halvedSizesGiveFourTimesTheNodesAndAFinerRegionGetsThem() throws IOException {
        // Without layers, whose nodes grow with the points along the walls only.
        AirfoilMeshes.GmshGeometry g = mainAndFlap(0);
        Mesh present = g.mesh(null, note -> { });
        // The second floor: at the first, Gmsh leaves overlapping cells at a quarter of the
        // sizes here (a remesh then takes the next floor itself).
        double floor = GmshRemesh.FLOOR_SIDES[1] * g.shortestSide();
        // Below the default mesh's sizes, which cap the view's (the longest sides at ratio 1
        // are above them).
        Mesh same = g.mesh(SizeView.of(present, uniform(present, 0.5)).scaled(1, floor),
                note -> { });
        Mesh halved = g.mesh(SizeView.of(present, uniform(present, 0.25)).scaled(1, floor),
                note -> { });
        double factor = (double) halved.nodeCount() / same.nodeCount();
        assertTrue(factor > 3.2 && factor < 4.8, same.nodeCount() + " then "
                + halved.nodeCount() + " nodes");
        // A third of the spacing about the flap's leading edge and the gap.
        double[] ratio = uniform(present, 0.5);
        for (int i = 0; i < ratio.length; i++) {
            ratio[i] = Math.hypot(present.x(i) - 1.02, present.y(i) + 0.06) < 0.1 ? 0.5 / 3
                    : 0.5;
        }
        Mesh refined = g.mesh(SizeView.of(present, ratio).scaled(1, floor), note -> { });
        int before = nodesNear(same, 1.02, -0.06, 0.08);
        int after = nodesNear(refined, 1.02, -0.06, 0.08);
        assertTrue(after > 3 * before, before + " then " + after + " nodes near the gap");
    }

    @Test
    void theRemeshLandsNearItsTargetAndWithinItsBudget() throws IOException {
        AirfoilMeshes.GmshGeometry g = mainAndFlap(6);
        Mesh present = g.mesh(null, note -> { });
        double[] ratio = uniform(present, 1);
        for (int i = 0; i < ratio.length; i++) {
            ratio[i] = present.x(i) < 0.1 && Math.abs(present.y(i)) < 0.1 ? 0.25 : 1;
        }
        for (int target : new int[] {2 * present.nodeCount(), 3 * present.nodeCount()}) {
            GmshRemesh.Result r = GmshRemesh.remesh(g, present, ratio, target, target,
                    note -> { });
            int n = r.mesh().nodeCount();
            assertTrue(Math.abs(n - target) <= GmshRemesh.FAR_OFF * target
                    && n <= (1 + GmshRemesh.OVER_BUDGET) * target, n + " nodes for " + target
                    + " after " + r.tries() + " tries");
        }
    }
}
