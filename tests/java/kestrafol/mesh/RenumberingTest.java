package kestrafol.mesh;

import kestrafol.TestMeshes;
import kestrafol.meshing.MeshGenerator;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.Random;
import org.junit.jupiter.api.Test;

class RenumberingTest {

    private static Renumbering shuffle(int n, long seed) {
        Random random = new Random(seed);
        int[] p = new int[n];
        for (int i = 0; i < n; i++) {
            p[i] = i;
        }
        for (int i = n - 1; i > 0; i--) {
            int j = random.nextInt(i + 1);
            int t = p[i];
            p[i] = p[j];
            p[j] = t;
        }
        return Renumbering.of(p);
    }

    @Test
    void reverseCuthillMcKeeIsAPermutationThatNarrowsTheBand() {
        Mesh mesh = MeshGenerator.naca("0012", MeshGenerator.Options.resolution(64).withQuads(false));
        Mesh shuffled = shuffle(mesh.nodeCount(), 3).apply(mesh);
        Renumbering rcm = Renumbering.reverseCuthillMcKee(shuffled);
        boolean[] seen = new boolean[rcm.size()];
        for (int k = 0; k < rcm.size(); k++) {
            int old = rcm.oldNumber(k);
            assertTrue(!seen[old]);
            seen[old] = true;
            assertEquals(k, rcm.newNumber(old));
        }
        int before = Renumbering.bandwidth(shuffled);
        int after = Renumbering.bandwidth(rcm.apply(shuffled));
        // An O-mesh with n points per ring has a natural band of about n + 1.
        assertTrue(after <= 2 * 64 + 2, "bandwidth after " + after + ", before " + before);
        assertTrue(before > 10 * after, "bandwidth after " + after + ", before " + before);
    }

    @Test
    void applyKeepsTheGeometryAndMapsBack() {
        Mesh mesh = TestMeshes.square();
        Renumbering r = shuffle(mesh.nodeCount(), 11);
        Mesh m = r.apply(mesh);
        for (int i = 0; i < mesh.nodeCount(); i++) {
            assertEquals(mesh.x(i), m.x(r.newNumber(i)));
            assertEquals(mesh.y(i), m.y(r.newNumber(i)));
        }
        for (int k = 0; k < mesh.triangles().length; k++) {
            assertEquals(r.newNumber(mesh.triangles()[k] - 1) + 1, m.triangles()[k]);
        }
        for (int b = 0; b < mesh.boundaryEdgeCount(); b++) {
            assertEquals(r.newNumber(mesh.boundaryEdges()[3 * b]), m.boundaryEdges()[3 * b]);
            assertEquals(mesh.boundaryEdges()[3 * b + 2], m.boundaryEdges()[3 * b + 2]);
        }
        double[] values = new double[2 * mesh.nodeCount()];
        for (int i = 0; i < values.length; i++) {
            values[i] = i;
        }
        double[] there = r.toRenumbered(values, 2);
        assertEquals(values[2 * 3 + 1], there[2 * r.newNumber(3) + 1]);
        assertArrayEquals(values, r.toOriginal(there, 2));
        assertThrows(IllegalArgumentException.class, () -> r.toOriginal(new double[3], 2));
        assertThrows(IllegalArgumentException.class, () -> Renumbering.of(new int[] {0, 0}));
    }

    @Test
    void disconnectedPiecesAreAllNumbered() {
        // Two separate squares side by side: two components.
        Mesh a = TestMeshes.square();
        double[] coords = new double[36];
        System.arraycopy(a.coords(), 0, coords, 0, 18);
        for (int i = 0; i < 9; i++) {
            coords[18 + 2 * i] = a.x(i) + 5;
            coords[18 + 2 * i + 1] = a.y(i);
        }
        int[] tri = new int[24];
        int[] quad = new int[16];
        int[] edges = new int[48];
        for (int k = 0; k < 12; k++) {
            tri[k] = a.triangles()[k];
            tri[12 + k] = a.triangles()[k] + 9;
        }
        for (int k = 0; k < 8; k++) {
            quad[k] = a.quads()[k];
            quad[8 + k] = a.quads()[k] + 9;
        }
        for (int b = 0; b < 8; b++) {
            for (int k = 0; k < 3; k++) {
                edges[3 * b + k] = a.boundaryEdges()[3 * b + k];
                edges[24 + 3 * b + k] = a.boundaryEdges()[3 * b + k] + (k < 2 ? 9 : 0);
            }
        }
        Mesh two = new Mesh(coords, tri, quad, edges, a.boundaryKinds(), a.boundaryNames());
        Renumbering r = Renumbering.reverseCuthillMcKee(two);
        assertEquals(18, r.size());
        assertEquals(two.nodeCount(), r.apply(two).nodeCount());
    }
}
