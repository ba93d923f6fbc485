package kestrafol.meshing;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.file.Path;
import java.util.List;
import kestrafol.mesh.Mesh;
import kestrafol.TestMeshes;
import kestrafol.mesh.io.Su2Reader;
import kestrafol.mesh.io.Su2Writer;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

class MeshGeneratorTest {
    @TempDir
    Path dir;

    /** Distance of the nearest far-field node from the body centre (0.5, 0). */
    private static double farFieldDistance(Mesh m) {
        double d = Double.MAX_VALUE;
        for (int b = 0; b < m.boundaryEdgeCount(); b++) {
            if (m.edgeTag(b) == 2) {
                int n = m.edgeNode(b, 0);
                d = Math.min(d, Math.hypot(m.x(n) - 0.5, m.y(n)));
            }
        }
        return d;
    }

    @Test
    void airfoilsOfSeveralShapesAreValidMeshesWithChordOneAndAFarFarField() {
        for (String code : new String[] {"0012", "2412", "4412", "0006", "6409", "0024"}) {
            for (int n : new int[] {16, 48, 200}) {
                for (boolean quads : new boolean[] {true, false}) {
                    // The Mesh constructor checks orientation, node numbers and closed boundaries.
                    Mesh m = MeshGenerator.naca(code, MeshGenerator.Options.resolution(n)
                            .withFarField(MeshGenerator.INNER_FAR_FIELD).withQuads(quads));
                    int layers = Math.max(8, n / 3);
                    assertEquals(n * (layers + 1), m.nodeCount());
                    assertEquals(quads ? n * layers : 0, m.quadCount());
                    assertEquals(quads ? 0 : 2 * n * layers, m.triangleCount());
                    assertEquals(List.of("airfoil", "farfield"), m.boundaryNames());
                    double xMin = Double.MAX_VALUE;
                    double xMax = -Double.MAX_VALUE;
                    for (int i = 0; i < n; i++) {
                        xMin = Math.min(xMin, m.x(i));
                        xMax = Math.max(xMax, m.x(i));
                    }
                    assertEquals(1.0, m.x(0), 1e-15, "trailing edge at x = 1");
                    assertEquals(0.0, m.y(0), 1e-15);
                    // The leading edge, the point farthest from the trailing edge, is 1 away.
                    double farthest = 0;
                    for (int i = 0; i < n; i++) {
                        farthest = Math.max(farthest, Math.hypot(m.x(i) - 1, m.y(i)));
                    }
                    assertTrue(farthest <= 1 + 1e-12 && farthest > 1 - 1e-3, code + " " + n
                            + ": the farthest point is " + farthest + " from the trailing edge");
                    assertTrue(xMin > -0.01 && xMax == 1.0, code + ": chord 1");
                    assertTrue(farFieldDistance(m) >= 20, code + " " + n + ": far field at "
                            + farFieldDistance(m));
                }
            }
        }
    }

    @Test
    void nodesClusterAtTheEdgesAndTheWall() {
        int n = 128;
        Mesh m = MeshGenerator.naca("0012", MeshGenerator.Options.resolution(n));
        double te = Math.hypot(m.x(1) - m.x(0), m.y(1) - m.y(0));
        double le = Math.hypot(m.x(n / 2 + 1) - m.x(n / 2), m.y(n / 2 + 1) - m.y(n / 2));
        double mid = Math.hypot(m.x(n / 4 + 1) - m.x(n / 4), m.y(n / 4 + 1) - m.y(n / 4));
        assertTrue(te < mid / 5 && le < mid / 3, "spacing te " + te + " le " + le + " mid " + mid);
        // Cell heights grow away from the wall along the grid line from mid-chord.
        double previous = 0;
        int layers = Math.max(8, n / 3);
        for (int j = 0; j < layers; j++) {
            int a = j * n + n / 4;
            int b = (j + 1) * n + n / 4;
            double h = Math.hypot(m.x(b) - m.x(a), m.y(b) - m.y(a));
            assertTrue(h > previous, "layer " + j);
            previous = h;
        }
        MeshGenerator.Options thin = MeshGenerator.Options.resolution(n).withFirstHeight(1e-4);
        Mesh viscous = MeshGenerator.naca("0012", thin);
        int a = n / 4;
        int b = n + n / 4;
        assertEquals(1e-4, Math.hypot(viscous.x(b) - viscous.x(a), viscous.y(b) - viscous.y(a)), 2e-5);
    }

    @Test
    void circleIsRound() {
        Mesh m = MeshGenerator.circle(MeshGenerator.Options.resolution(40).withQuads(false));
        for (int i = 0; i < 40; i++) {
            assertEquals(0.5, Math.hypot(m.x(i) - 0.5, m.y(i)), 1e-15);
        }
        assertEquals(List.of("circle", "farfield"), m.boundaryNames());
        assertTrue(farFieldDistance(m) >= 20);
    }

    @Test
    void generatedMeshesSurviveTheSu2RoundTrip() throws IOException {
        Path file = dir.resolve("mesh.su2");
        for (Mesh m : new Mesh[] {
            MeshGenerator.naca("0012", MeshGenerator.Options.resolution(64).withQuads(true)),
            MeshGenerator.naca("4412", MeshGenerator.Options.resolution(48).withQuads(false)),
            MeshGenerator.circle(MeshGenerator.Options.resolution(32)),
            TestMeshes.square()}) {
            Su2Writer.write(m, file);
            assertEquals(m, Su2Reader.read(file));
        }
    }

    @Test
    void badOptionsAreRefused() {
        assertThrows(IllegalArgumentException.class, () -> MeshGenerator.naca("12", MeshGenerator.Options.defaults()));
        assertThrows(IllegalArgumentException.class, () -> MeshGenerator.naca("0000", MeshGenerator.Options.defaults()));
        assertThrows(IllegalArgumentException.class, () -> MeshGenerator.naca("2012", MeshGenerator.Options.defaults()));
        assertThrows(IllegalArgumentException.class, () -> MeshGenerator.Options.resolution(15));
        assertThrows(IllegalArgumentException.class, () -> MeshGenerator.Options.defaults().withFarField(10));
        assertThrows(IllegalArgumentException.class, () -> MeshGenerator.Options.defaults().withLayers(2));
    }

    @Test
    void growthRateReachesTheDistance() {
        double r = MeshGenerator.growthRate(0.01, 40, 25);
        assertEquals(25, 0.01 * (Math.pow(r, 40) - 1) / (r - 1), 1e-9);
        assertEquals(1.0, MeshGenerator.growthRate(1, 40, 25));
    }

    @Test
    void aFartherFarFieldAddsOuterLayersAndKeepsTheInnerCells() {
        // 96 points, 32 layers to 25 chords: the farther domains keep those 33 rings bit for bit
        // and add rings growing at least as fast as the inner ones (rate 1.21) to land on the
        // far field.
        Mesh base = MeshGenerator.naca("0012", MeshGenerator.Options.resolution(96)
                .withFarField(MeshGenerator.INNER_FAR_FIELD));
        for (double far : new double[] {50, 100, 200}) {
            Mesh m = MeshGenerator.naca("0012", MeshGenerator.Options.resolution(96)
                    .withFarField(far));
            int rings = m.nodeCount() / 96;
            assertTrue(rings > 33 && rings <= 33 + 12, far + ": " + rings + " rings");
            for (int i = 0; i < base.nodeCount(); i++) {
                assertEquals(base.x(i), m.x(i), 0.0, far + ": node " + i);
                assertEquals(base.y(i), m.y(i), 0.0, far + ": node " + i);
            }
            double d = farFieldDistance(m);
            assertTrue(d > 0.99 * far && d <= far, far + ": far field at " + d);
            double[] h = MeshGenerator.layerHeights(0.0106, 32, far);
            assertEquals(far, java.util.Arrays.stream(h).sum(), 1e-9 * far);
            for (int j = 1; j < h.length; j++) {
                double growth = h[j] / h[j - 1];
                assertTrue(growth > 1.2 && growth < 1.5, far + ": layer " + j + " grows " + growth);
            }
        }
    }
}
