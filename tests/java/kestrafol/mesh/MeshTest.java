package kestrafol.mesh;

import kestrafol.TestMeshes;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import CFD.Solvers.EulerSolver;
import java.util.List;
import java.util.function.Consumer;
import kestrafol.solver.BoundaryConditions;
import kestrafol.solver.Settings;
import org.junit.jupiter.api.Test;

class MeshTest {

    /** The arrays of TestMeshes.square(), to be spoiled one at a time. */
    private static final class Arrays5 {
        double[] coords;
        int[] triangles;
        int[] quads;
        int[] edges;
        int[] kinds;

        Arrays5() {
            Mesh m = TestMeshes.square();
            coords = m.coords();
            triangles = m.triangles();
            quads = m.quads();
            edges = m.boundaryEdges();
            kinds = m.boundaryKindCodes();
        }
    }

    /** The mesh and the library refuse the spoiled arrays with the same message. */
    private static String sameRefusal(Consumer<Arrays5> spoil) {
        Arrays5 a = new Arrays5();
        spoil.accept(a);
        IllegalArgumentException ours = assertThrows(IllegalArgumentException.class,
                () -> new Mesh(a.coords, a.triangles, a.quads, a.edges, BoundaryKind.fromCodes(a.kinds),
                        null));
        IllegalArgumentException library = assertThrows(IllegalArgumentException.class,
                () -> EulerSolver.start(a.coords.length / 2, a.coords, a.triangles.length / 3,
                        a.triangles, a.quads.length / 4, a.quads, a.edges.length / 3, a.edges,
                        a.kinds.length, a.kinds, Settings.defaults().toVector()));
        assertEquals(library.getMessage(), ours.getMessage());
        return ours.getMessage();
    }

    @Test
    void refusesBadArraysWithTheLibrarysMessages() {
        assertTrue(sameRefusal(a -> a.coords[5] = Double.NaN).startsWith("coords[5] is NaN"));
        assertTrue(sameRefusal(a -> a.triangles[4] = 10).startsWith("triangles[4] is 10"));
        assertTrue(sameRefusal(a -> a.quads[0] = 0).startsWith("quads[0] is 0"));
        assertTrue(sameRefusal(a -> a.triangles[5] = a.triangles[3]).contains("repeats node"));
        // Clockwise: swap two corners of triangle 1.
        String clockwise = sameRefusal(a -> {
            int t = a.triangles[4];
            a.triangles[4] = a.triangles[5];
            a.triangles[5] = t;
        });
        assertTrue(clockwise.contains("signed area -0.125"), clockwise);
        // A bow tie: swap the last two corners of quadrilateral 0.
        String folded = sameRefusal(a -> {
            int t = a.quads[2];
            a.quads[2] = a.quads[3];
            a.quads[3] = t;
        });
        assertTrue(folded.contains("quads[0..3] (quadrilateral 0)"), folded);
        assertTrue(sameRefusal(a -> a.edges[1] = 9).startsWith("boundaryEdges[1] is 9"));
        assertTrue(sameRefusal(a -> a.edges[2] = 3).startsWith("boundaryEdges[2] is 3"));
        assertTrue(sameRefusal(a -> a.kinds[1] = 4).startsWith("boundaryKinds[1] is 4"));
        // Edge 0 becomes the interior side 1-4, a side of two elements.
        String interior = sameRefusal(a -> a.edges[0] = 4);
        assertTrue(interior.contains("a side of 2 elements"), interior);
        // Edge 1 repeats edge 0.
        String repeat = sameRefusal(a -> {
            a.edges[3] = 1;
            a.edges[4] = 0;
        });
        assertTrue(repeat.contains("repeats boundary edge 0"), repeat);
    }

    @Test
    void refusesElementsThatOverlapAlongASideAsTheLibraryDoes() {
        // Two counter-clockwise triangles on the same side of the side 0-1 (folded boundary
        // layers leave such pairs): the library refuses them at start, so the mesh must too.
        double[] coords = {0, 0, 1, 0, 0, 1, 0.6, 0.6};
        int[] triangles = {1, 2, 3, 1, 2, 4};
        int[] edges = {0, 1, 1, 1, 2, 1, 2, 0, 1};
        MeshFault ours = assertThrows(MeshFault.class, () -> new Mesh(coords, triangles,
                new int[0], edges, List.of(BoundaryKind.SLIP_WALL), null));
        String library = assertThrows(IllegalArgumentException.class, () -> EulerSolver.start(4,
                coords, 2, triangles, 0, new int[0], 3, edges, 1, new int[] {2},
                Settings.defaults().toVector())).getMessage();
        assertEquals(library, ours.getMessage());
        assertTrue(library.contains("both run along the side from node 1 to node 2"
                + " (boundary-edge numbering {0, 1}) in the same direction, so they overlap"),
                library);
        assertEquals(List.of(1, 0), List.of(ours.element(), ours.otherElement()));
    }

    @Test
    void requiresEveryBoundarySideToBeABoundaryEdge() {
        String open = sameRefusal(a -> a.edges = java.util.Arrays.copyOf(a.edges,
                a.edges.length - 3));
        assertTrue(open.endsWith("is no boundary edge, so the mesh is open there"), open);
    }

    /**
     * The unit square as two triangles, 0-1-2 and 0-2-3 (nodes from 0), one boundary edge per
     * side, the bottom one given backwards: who lies across each element side.
     */
    @Test
    void topologyOfTwoTrianglesNamesNeighboursAndBoundarySides() {
        Mesh m = new Mesh(new double[] {0, 0, 1, 0, 1, 1, 0, 1}, new int[] {1, 2, 3, 1, 3, 4},
                new int[0], new int[] {1, 0, 1, 1, 2, 1, 2, 3, 1, 3, 0, 1},
                List.of(BoundaryKind.FAR_FIELD), null);
        Topology t = m.topology();
        // Per element and side: neighbour, boundary edge (-1 for none).
        int[][][] across = {
            {{-1, 0}, {-1, 1}, {1, -1}},  // 0->1 bottom, 1->2 right, 2->0 the diagonal
            {{0, -1}, {-1, 2}, {-1, 3}},  // 0->2 the diagonal, 2->3 top, 3->0 left
        };
        for (int g = 0; g < 2; g++) {
            for (int k = 0; k < 3; k++) {
                assertEquals(across[g][k][0], t.neighbour(g, k), "element " + g + " side " + k);
                assertEquals(across[g][k][1], t.boundaryEdgeOn(g, k), "element " + g + " side " + k);
            }
        }
        int[] element = {0, 0, 1, 1};
        boolean[] along = {false, true, true, true};
        for (int b = 0; b < 4; b++) {
            assertEquals(element[b], t.elementOfEdge(b));
            assertEquals(along[b], m.edgeAlongElement(b), "edge " + b);
        }
        // Derived meshes keep it: other node numbers, other kinds.
        Mesh renumbered = Renumbering.of(new int[] {3, 2, 1, 0}).apply(m);
        assertEquals(t, renumbered.topology());
        assertEquals(along[0], renumbered.edgeAlongElement(0));
    }

    @Test
    void isImmutableAndNamesItsBoundaries() {
        Mesh m = TestMeshes.square();
        assertEquals(9, m.nodeCount());
        assertEquals(4, m.triangleCount());
        assertEquals(2, m.quadCount());
        assertEquals(8, m.boundaryEdgeCount());
        assertEquals(2, m.boundaryKindCount());
        m.coords()[0] = 42;
        m.triangles()[0] = 42;
        m.boundaryKindCodes()[0] = 3;
        assertThrows(UnsupportedOperationException.class,
                () -> m.boundaryKinds().set(0, BoundaryKind.NO_SLIP_WALL));
        assertEquals(0, m.x(0));
        assertEquals(2, m.triangles()[0]);
        assertEquals(BoundaryKind.SLIP_WALL, m.boundaryKinds().get(0));
        assertArrayEquals(new int[] {2, 1}, m.boundaryKindCodes());
        assertEquals(List.of("wall", "farfield"), m.boundaryNames());
        assertTrue(m.isWallTag(1));
        Mesh viscous = m.withBoundaryKinds(List.of(BoundaryKind.NO_SLIP_WALL, BoundaryKind.FAR_FIELD));
        assertEquals(BoundaryKind.NO_SLIP_WALL, viscous.boundaryKinds().get(0));
        assertEquals(m.boundaryNames(), viscous.boundaryNames());
        assertThrows(IllegalArgumentException.class, () -> m.withBoundaryKinds(List.of(BoundaryKind.FAR_FIELD)));
        Mesh unnamed = new Mesh(m.coords(), m.triangles(), m.quads(), m.boundaryEdges(),
                m.boundaryKinds(), null);
        assertEquals(List.of("boundary 1", "boundary 2"), unnamed.boundaryNames());
        assertNotNull(m.toString());
    }

    @Test
    void boundaryConditionsMapNamesToKinds() {
        assertEquals(BoundaryKind.FAR_FIELD, BoundaryKind.defaultFor("FarField", false));
        assertEquals(BoundaryKind.FAR_FIELD, BoundaryKind.defaultFor("inlet", true));
        assertEquals(BoundaryKind.SLIP_WALL, BoundaryKind.defaultFor("airfoil", false));
        assertEquals(BoundaryKind.NO_SLIP_WALL, BoundaryKind.defaultFor("airfoil", true));
        assertEquals(BoundaryKind.SLIP_WALL, BoundaryKind.defaultFor("symmetry", true));
        Mesh m = TestMeshes.square();
        assertEquals(BoundaryKind.NO_SLIP_WALL, BoundaryConditions.defaults(true).apply(m).boundaryKinds().get(0));
        Mesh swapped = BoundaryConditions.defaults(false).with("WALL=farfield").with("farfield=noslip")
                .apply(m);
        assertEquals(List.of(BoundaryKind.FAR_FIELD, BoundaryKind.NO_SLIP_WALL), swapped.boundaryKinds());
        String unknown = assertThrows(IllegalArgumentException.class,
                () -> BoundaryConditions.defaults(false).with("inlet=slip").apply(m)).getMessage();
        assertTrue(unknown.contains("\"inlet\"") && unknown.contains("wall, farfield"), unknown);
        assertThrows(IllegalArgumentException.class,
                () -> BoundaryConditions.defaults(false).with("wall=sticky"));
        assertThrows(IllegalArgumentException.class, () -> BoundaryConditions.defaults(false).with("wall"));
        // Only the three documented kinds: guessed names are refused, not mapped to a wall.
        for (String guess : new String[] {"wall", "euler", "far", "no-slip", "3"}) {
            assertThrows(IllegalArgumentException.class,
                    () -> BoundaryConditions.defaults(false).with("wall=" + guess), guess);
        }
        assertEquals(BoundaryKind.NO_SLIP_WALL,
                BoundaryConditions.defaults(false).with("wall=NoSlip").apply(m).boundaryKind(1));
    }

    /**
     * A circle O-mesh with a square patch of two triangles added (its own nodes and boundary):
     * inside the far field the patch covers the domain a second time and is refused; outside it
     * is a second, separate domain and is accepted, as is the O-mesh alone (a body is a hole).
     */
    @Test
    void refusesAPatchDrawnOnTopOfTheDomain() {
        TestMeshes.Raw o = TestMeshes.circle(16, 6, 5.0, false);
        List<BoundaryKind> kinds = List.of(BoundaryKind.SLIP_WALL, BoundaryKind.FAR_FIELD,
                BoundaryKind.SLIP_WALL);
        // {x of the patch's lower left corner, refused}
        Object[][] table = {{2.0, true}, {-1.9, true}, {6.0, false}};
        for (Object[] row : table) {
            double x = (double) row[0];
            int n = o.nodeCount();
            double[] coords = java.util.Arrays.copyOf(o.coords(), 2 * n + 8);
            double[] square = {x, 0.2, x + 0.5, 0.2, x + 0.5, 0.7, x, 0.7};
            System.arraycopy(square, 0, coords, 2 * n, 8);
            int[] triangles = java.util.Arrays.copyOf(o.triangles(), o.triangles().length + 6);
            int[] patch = {n + 1, n + 2, n + 3, n + 1, n + 3, n + 4};
            System.arraycopy(patch, 0, triangles, o.triangles().length, 6);
            int[] edges = java.util.Arrays.copyOf(o.boundaryEdges(), o.boundaryEdges().length + 12);
            int[] loop = {n, n + 1, 3, n + 1, n + 2, 3, n + 2, n + 3, 3, n + 3, n, 3};
            System.arraycopy(loop, 0, edges, o.boundaryEdges().length, 12);
            if ((boolean) row[1]) {
                IllegalArgumentException e = assertThrows(IllegalArgumentException.class,
                        () -> new Mesh(coords, triangles, new int[0], edges, kinds,
                                List.of("wall", "farfield", "patch")));
                assertEquals("the mesh covers part of its domain 2 times: triangle 160 on boundary"
                        + " patch lies inside the domain of other elements too (a second body"
                        + " drawn on top of the mesh?); a mesh must cover every point once",
                        e.getMessage());
            } else {
                assertEquals(16 * 6 + 4, new Mesh(coords, triangles, new int[0], edges, kinds,
                        List.of("wall", "farfield", "patch")).nodeCount());
            }
        }
        assertEquals(96, new Mesh(o.coords(), o.triangles(), new int[0], o.boundaryEdges(),
                kinds.subList(0, 2), null).nodeCount());
    }
}
