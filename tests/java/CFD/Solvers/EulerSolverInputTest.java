package CFD.Solvers;

import kestrafol.TestMeshes;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.ArrayList;
import java.util.List;
import java.util.function.Consumer;
import java.util.stream.Stream;
import org.junit.jupiter.api.AfterAll;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.Arguments;
import org.junit.jupiter.params.provider.MethodSource;

/**
 * Every kind of bad input to start and update ends in IllegalArgumentException with a message
 * that names the argument, index and value; the JVM and a solver running beside are unaffected.
 */
class EulerSolverInputTest {
    // The mixed 3 x 2 mesh: 12 nodes, 8 triangles (triangle 1 is {1, 6, 5}), 2 quadrilaterals
    // (quadrilateral 0 is {2, 3, 7, 6}), 10 boundary edges (edge 0 is {0, 1}, tag 1), 4 tags.
    private static TestMesh base() {
        return TestMesh.rectangle(3, 2, TestMeshes.Cells.MIXED);
    }

    private static TestMesh bystanderMesh;
    private static long[] bystander;
    private static int bystanderSteps;

    @BeforeAll
    static void startBystander() {
        bystanderMesh = TestMesh.rectangle(6, 4, TestMeshes.Cells.MIXED);
        bystanderMesh.parameters = TestMesh.parameters(0.5, 2.0);
        bystander = bystanderMesh.start();
    }

    /** After every refusal the bystander still answers. */
    private static void bystanderStep() {
        assertEquals(4 * bystanderMesh.nodeCount, EulerSolver.iterate(bystander).length);
        bystanderSteps++;
    }

    @AfterAll
    static void bystanderMatchesAnUndisturbedRun() {
        double[] disturbed = EulerSolver.iterate(bystander);
        EulerSolver.cleanup(bystander);
        long[] twin = bystanderMesh.start();
        double[] undisturbed = null;
        for (int s = 0; s <= bystanderSteps; ++s) {
            undisturbed = EulerSolver.iterate(twin);
        }
        EulerSolver.cleanup(twin);
        assertArrayEquals(undisturbed, disturbed);
    }

    private static Arguments mesh(String expected, Consumer<TestMesh> corruption) {
        return Arguments.of(expected, corruption);
    }

    static Stream<Arguments> badMeshes() {
        List<Arguments> cases = new ArrayList<>();
        // Null arrays.
        cases.add(mesh("coords is null, but nodeCount is 12", m -> m.coords = null));
        cases.add(mesh("triangles is null, but triangleCount is 8", m -> m.triangles = null));
        cases.add(mesh("quads is null, but quadCount is 2", m -> m.quads = null));
        cases.add(mesh("boundaryEdges is null, but boundaryEdgeCount is 10", m -> m.boundaryEdges = null));
        cases.add(mesh("boundaryKinds is null, but boundaryKindCount is 4", m -> m.boundaryKinds = null));
        cases.add(mesh("parameters is null", m -> m.parameters = null));
        // Arrays shorter than their counts imply.
        cases.add(mesh("coords has 23 values, but nodeCount 12 needs 24",
                m -> m.coords = java.util.Arrays.copyOf(m.coords, 23)));
        cases.add(mesh("coords has 24 values, but nodeCount 13 needs 26", m -> m.nodeCount = 13));
        cases.add(mesh("triangles has 23 values, but triangleCount 8 needs 24",
                m -> m.triangles = java.util.Arrays.copyOf(m.triangles, 23)));
        cases.add(mesh("quads has 8 values, but quadCount 3 needs 12", m -> m.quadCount = 3));
        cases.add(mesh("boundaryEdges has 30 values, but boundaryEdgeCount 11 needs 33",
                m -> m.boundaryEdgeCount = 11));
        cases.add(mesh("boundaryKinds has 3 values, but boundaryKindCount 4 needs 4",
                m -> m.boundaryKinds = new int[] {2, 1, 1}));
        cases.add(mesh("parameters has 15 values; it must hold 16",
                m -> m.parameters = java.util.Arrays.copyOf(m.parameters, 15)));
        // How elements and boundary edges fit together.
        cases.add(mesh("triangles[24..26] (triangle 8) is {5, 1, 6}: it repeats triangles[3..5] (triangle 1)"
                + " is {1, 6, 5}", m -> {
                    m.triangles = java.util.Arrays.copyOf(m.triangles, 27);
                    m.triangles[24] = 5;
                    m.triangles[25] = 1;
                    m.triangles[26] = 6;
                    m.triangleCount = 9;
                }));
        cases.add(mesh("triangles[3..5] (triangle 1) is {1, 6, 5}: the side from node 5 to node 1 (boundary-edge"
                + " numbering {4, 0}) belongs to no other element and is no boundary edge, so the mesh is open"
                + " there", m -> m.boundaryEdgeCount = 9));
        // Counts.
        cases.add(mesh("nodeCount is -1; a count must not be negative", m -> m.nodeCount = -1));
        cases.add(mesh("triangleCount is -1; a count must not be negative", m -> m.triangleCount = -1));
        cases.add(mesh("quadCount is -5; a count must not be negative", m -> m.quadCount = -5));
        cases.add(mesh("boundaryEdgeCount is -1", m -> m.boundaryEdgeCount = -1));
        cases.add(mesh("boundaryKindCount is -2147483648", m -> m.boundaryKindCount = Integer.MIN_VALUE));
        cases.add(mesh("nodeCount is 0; a mesh needs at least one node", m -> m.nodeCount = 0));
        cases.add(mesh("triangleCount and quadCount are both 0", m -> {
            m.triangleCount = 0;
            m.quadCount = 0;
        }));
        cases.add(mesh("triangleCount is 2147483647, which implies 6442450941 values in triangles",
                m -> m.triangleCount = Integer.MAX_VALUE));
        cases.add(mesh("quadCount is 600000000, which implies 2400000000 values in quads",
                m -> m.quadCount = 600_000_000));
        // Coordinates.
        cases.add(mesh("coords[5] is NaN; coordinates must be finite", m -> m.coords[5] = Double.NaN));
        cases.add(mesh("coords[0] is Infinity", m -> m.coords[0] = Double.POSITIVE_INFINITY));
        cases.add(mesh("coords[23] is -Infinity", m -> m.coords[23] = Double.NEGATIVE_INFINITY));
        // Node numbers.
        cases.add(mesh("triangles[4] is 0; element node numbers run from 1 to nodeCount (12)",
                m -> m.triangles[4] = 0));
        cases.add(mesh("triangles[23] is 13;", m -> m.triangles[23] = 13));
        cases.add(mesh("quads[7] is 13;", m -> m.quads[7] = 13));
        cases.add(mesh("quads[0] is -1;", m -> m.quads[0] = -1));
        cases.add(mesh("boundaryEdges[0] is -1; boundary-edge node numbers run from 0 to nodeCount - 1 (11)",
                m -> m.boundaryEdges[0] = -1));
        cases.add(mesh("boundaryEdges[1] is 12;", m -> m.boundaryEdges[1] = 12));
        // Element shape.
        cases.add(mesh("triangles[3..5] (triangle 1) is {1, 6, 1}: it repeats node 1", m -> m.triangles[5] = 1));
        cases.add(mesh("triangles[3..5] (triangle 1) is {1, 5, 6}: its signed area -", m -> {
            m.triangles[4] = 5;
            m.triangles[5] = 6;
        }));
        cases.add(mesh("quads[0..3] (quadrilateral 0) is {6, 7, 3, 2}: its signed area -", m -> {
            m.quads[0] = 6;
            m.quads[1] = 7;
            m.quads[2] = 3;
            m.quads[3] = 2;
        }));
        cases.add(mesh("quads[0..3] (quadrilateral 0) is {2, 7, 3, 6}", m -> {
            m.quads[1] = 7;
            m.quads[2] = 3;
        }));
        cases.add(mesh("quads[4..7] (quadrilateral 1) is {6, 7, 11, 6}: it repeats node 6", m -> m.quads[7] = 6));
        // Tags and kinds.
        cases.add(mesh("boundaryEdges[2] is 0; boundary tags run from 1 to boundaryKindCount (4)",
                m -> m.boundaryEdges[2] = 0));
        cases.add(mesh("boundaryEdges[29] is 5;", m -> m.boundaryEdges[29] = 5));
        cases.add(mesh("boundaryKinds[1] is 4; a boundary kind is 1 (far field), 2 (slip wall) or 3 (no-slip wall)",
                m -> m.boundaryKinds[1] = 4));
        cases.add(mesh("boundaryKinds[0] is 0;", m -> m.boundaryKinds[0] = 0));
        // Boundary edges that are no boundary sides.
        cases.add(mesh("boundaryEdges[0..1] (boundary edge 0) is {1, 5}: it is a side of 2 elements", m -> {
            m.boundaryEdges[0] = 1;
            m.boundaryEdges[1] = 5;
        }));
        cases.add(mesh("boundaryEdges[0..1] (boundary edge 0) is {0, 6}: it is a side of 0 elements",
                m -> m.boundaryEdges[1] = 6));
        cases.add(mesh("boundaryEdges[3..4] (boundary edge 1) is {1, 0}: it repeats boundary edge 0", m -> {
            m.boundaryEdges[3] = 1;
            m.boundaryEdges[4] = 0;
        }));
        // Settings.
        for (Object[] p : badParameters()) {
            int index = (Integer) p[1];
            double value = (Double) p[2];
            cases.add(mesh((String) p[0], m -> m.parameters[index] = value));
        }
        cases.add(mesh("parameters[14] (reynolds) is 0; it must be above 0 while viscous (parameters[13] = 1)",
                m -> m.parameters[13] = 1.0));
        return cases.stream();
    }

    /** {expected message start, entry, value}. */
    private static List<Object[]> badParameters() {
        List<Object[]> cases = new ArrayList<>();
        cases.add(new Object[] {"parameters[1] (spatialOrder) is NaN; it must truncate to a 32-bit integer", 1, Double.NaN});
        cases.add(new Object[] {"parameters[3] (localStepping) is 1e+10;", 3, 1e10});
        cases.add(new Object[] {"parameters[5] (timeMode) is -3e+09;", 5, -3e9});
        cases.add(new Object[] {"parameters[6] (passesPerCall) is Infinity;", 6, Double.POSITIVE_INFINITY});
        cases.add(new Object[] {"parameters[6] (passesPerCall) is 2147483648;", 6, 2147483648.0});
        cases.add(new Object[] {"parameters[13] (viscous) is NaN;", 13, Double.NaN});
        cases.add(new Object[] {"parameters[11] (gamma) is 1; it must be finite and above 1", 11, 1.0});
        cases.add(new Object[] {"parameters[11] (gamma) is 0.9;", 11, 0.9});
        cases.add(new Object[] {"parameters[2] (reconstructionWeight) is NaN; it must be finite", 2, Double.NaN});
        cases.add(new Object[] {"parameters[11] (gamma) is NaN;", 11, Double.NaN});
        cases.add(new Object[] {"parameters[10] (mach) is Infinity; it must be finite", 10, Double.POSITIVE_INFINITY});
        cases.add(new Object[] {"parameters[12] (alpha) is NaN;", 12, Double.NaN});
        cases.add(new Object[] {"parameters[14] (reynolds) is -Infinity;", 14, Double.NEGATIVE_INFINITY});
        return cases;
    }

    @ParameterizedTest(name = "{0}")
    @MethodSource("badMeshes")
    void startRefusesBadInput(String expected, Consumer<TestMesh> corruption) {
        TestMesh mesh = base();
        corruption.accept(mesh);
        IllegalArgumentException error = assertThrows(IllegalArgumentException.class, mesh::start);
        assertTrue(error.getMessage().startsWith(expected),
                "message \"" + error.getMessage() + "\" does not start with \"" + expected + "\"");
        bystanderStep();
        // The uncorrupted mesh still starts.
        long[] handle = base().start();
        EulerSolver.cleanup(handle);
    }

    static Stream<Arguments> badUpdates() {
        List<Arguments> cases = new ArrayList<>();
        for (Object[] p : badParameters()) {
            cases.add(Arguments.of(p[0], p[1], p[2]));
        }
        cases.add(Arguments.of("parameters[14] (reynolds) is 0; it must be above 0 while viscous", 13, 1.0));
        return cases.stream();
    }

    @ParameterizedTest(name = "{0}")
    @MethodSource("badUpdates")
    void refusedUpdateLeavesTheSettingsAsTheyWere(String expected, int entry, double value) {
        TestMesh mesh = base();
        mesh.parameters = TestMesh.parameters(0.5, 1.0);
        long[] handle = mesh.start();
        long[] twin = mesh.start();
        EulerSolver.iterate(handle);
        EulerSolver.iterate(twin);
        // A vector with a valid change (Mach 0.8) and one bad entry: nothing of it is taken.
        double[] bad = TestMesh.parameters(0.8, 1.0);
        bad[entry] = value;
        IllegalArgumentException error =
                assertThrows(IllegalArgumentException.class, () -> EulerSolver.update(handle, bad));
        assertTrue(error.getMessage().startsWith(expected), error.getMessage());
        for (int s = 0; s < 3; ++s) {
            assertArrayEquals(EulerSolver.iterate(twin), EulerSolver.iterate(handle));
        }
        assertArrayEquals(EulerSolver.analysis(twin), EulerSolver.analysis(handle));
        EulerSolver.cleanup(handle);
        EulerSolver.cleanup(twin);
        bystanderStep();
    }

    @org.junit.jupiter.api.Test
    void updateRefusesNullAndShortParameters() {
        long[] handle = base().start();
        IllegalArgumentException nullError =
                assertThrows(IllegalArgumentException.class, () -> EulerSolver.update(handle, null));
        assertEquals("parameters is null; it must hold 16 values", nullError.getMessage());
        IllegalArgumentException shortError = assertThrows(IllegalArgumentException.class,
                () -> EulerSolver.update(handle, new double[15]));
        assertEquals("parameters has 15 values; it must hold 16", shortError.getMessage());
        // A longer vector is fine: only its first 16 values are read.
        double[] longer = java.util.Arrays.copyOf(TestMesh.parameters(0.5, 0.0), 20);
        longer[16] = Double.NaN;
        EulerSolver.update(handle, longer);
        EulerSolver.iterate(handle);
        EulerSolver.cleanup(handle);
        bystanderStep();
    }
}
