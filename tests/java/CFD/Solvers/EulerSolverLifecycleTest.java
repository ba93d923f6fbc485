package CFD.Solvers;

import kestrafol.TestMeshes;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import org.junit.jupiter.api.Test;

/** The life cycle of solvers on a real JVM: start, iterate, analysis, update, cleanup. */
class EulerSolverLifecycleTest {

    private static void assertFinite(double[] values) {
        for (int i = 0; i < values.length; ++i) {
            assertTrue(Double.isFinite(values[i]), "value " + i + " is " + values[i]);
        }
    }

    private static double[] run(TestMesh mesh, int steps) {
        long[] handle = mesh.start();
        double[] state = null;
        for (int s = 0; s < steps; ++s) {
            state = EulerSolver.iterate(handle);
        }
        EulerSolver.cleanup(handle);
        return state;
    }

    @Test
    void fullLifeCycleOnAMixedMesh() {
        TestMesh mesh = TestMesh.rectangle(6, 4, TestMeshes.Cells.MIXED);
        assertTrue(mesh.triangleCount > 0 && mesh.quadCount > 0);
        long[] handle = mesh.start();
        assertEquals(2, handle.length);

        // Before the first iterate: the residual is clear, so the norm is 0.
        double[] before = EulerSolver.analysis(handle);
        assertEquals(5, before.length);
        assertEquals(0.0, before[0]);
        assertEquals(0.0, before[1]);
        // Lift and drag of the free stream are (close to) zero; their ratio may be anything.
        assertFinite(java.util.Arrays.copyOf(before, 4));

        // The free stream along the walls is a solution: the first step keeps it.
        double[] first = EulerSolver.iterate(handle);
        assertEquals(4 * mesh.nodeCount, first.length);
        double[] freeStream = mesh.freeStream();
        for (int i = 0; i < first.length; ++i) {
            assertEquals(freeStream[i], first[i], 1e-12, "value " + i);
        }

        // An angle of attack makes the flow work: the state leaves the free stream.
        EulerSolver.update(handle, TestMesh.parameters(0.5, 3.0));
        double[] state = null;
        for (int s = 0; s < 20; ++s) {
            state = EulerSolver.iterate(handle);
        }
        assertEquals(4 * mesh.nodeCount, state.length);
        assertFinite(state);
        double[] after = EulerSolver.analysis(handle);
        assertEquals(5, after.length);
        assertEquals(0.0, after[0]);
        assertTrue(after[1] > 0.0, "residual norm " + after[1]);
        assertFinite(after);

        EulerSolver.cleanup(handle);
        assertThrows(IllegalStateException.class, () -> EulerSolver.iterate(handle));
    }

    @Test
    void meshWithoutQuadrilateralsNeedsNoQuadArray() {
        TestMesh mesh = TestMesh.rectangle(4, 3, TestMeshes.Cells.TRIANGLES);
        assertEquals(0, mesh.quadCount);
        assertEquals(null, mesh.quads);  // quadCount 0: the array is never read
        startIterateAndCleanUp(mesh);
    }

    @Test
    void meshWithoutTrianglesNeedsNoTriangleArray() {
        TestMesh mesh = TestMesh.rectangle(4, 3, TestMeshes.Cells.QUADS);
        assertEquals(0, mesh.triangleCount);
        assertEquals(null, mesh.triangles);
        startIterateAndCleanUp(mesh);
    }

    /** Five steps of a solver on the mesh: full-length, finite states; five analysis values. */
    private static void startIterateAndCleanUp(TestMesh mesh) {
        mesh.parameters = TestMesh.parameters(0.4, 2.0);
        long[] handle = mesh.start();
        for (int s = 0; s < 5; ++s) {
            double[] state = EulerSolver.iterate(handle);
            assertEquals(4 * mesh.nodeCount, state.length);
            assertFinite(state);
        }
        assertEquals(5, EulerSolver.analysis(handle).length);
        EulerSolver.cleanup(handle);
    }

    @Test
    void twoSolversSideBySideMatchTheirRunsAlone() {
        TestMesh a = TestMesh.rectangle(6, 4, TestMeshes.Cells.MIXED);
        a.parameters = TestMesh.parameters(0.5, 2.0);
        TestMesh b = TestMesh.rectangle(5, 5, TestMeshes.Cells.TRIANGLES);
        b.parameters = TestMesh.parameters(0.3, -1.0);
        double[] aloneA = run(a, 8);
        double[] aloneB = run(b, 8);

        long[] handleA = a.start();
        long[] handleB = b.start();
        assertFalse(handleA[0] == handleB[0] && handleA[1] == handleB[1]);
        double[] sideA = null;
        double[] sideB = null;
        for (int s = 0; s < 8; ++s) {
            sideA = EulerSolver.iterate(handleA);
            sideB = EulerSolver.iterate(handleB);
            EulerSolver.analysis(handleA);
        }
        assertArrayEquals(aloneA, sideA);
        assertArrayEquals(aloneB, sideB);
        EulerSolver.cleanup(handleA);
        // B lives on after A is gone.
        assertEquals(4 * b.nodeCount, EulerSolver.iterate(handleB).length);
        EulerSolver.cleanup(handleB);
    }

    @Test
    void updateChangesSettingsButKeepsTheFlow() {
        TestMesh mesh = TestMesh.rectangle(6, 4, TestMeshes.Cells.MIXED);
        mesh.parameters = TestMesh.parameters(0.5, 2.0);
        double[] straight = run(mesh, 6);

        // The same vector again changes nothing: the flow is not reset to the free stream.
        long[] handle = mesh.start();
        for (int s = 0; s < 5; ++s) {
            EulerSolver.iterate(handle);
        }
        EulerSolver.update(handle, mesh.parameters.clone());
        assertArrayEquals(straight, EulerSolver.iterate(handle));
        EulerSolver.cleanup(handle);

        // A new Mach number takes effect from the next call on.
        handle = mesh.start();
        for (int s = 0; s < 5; ++s) {
            EulerSolver.iterate(handle);
        }
        EulerSolver.update(handle, TestMesh.parameters(0.6, 2.0));
        double[] changed = EulerSolver.iterate(handle);
        assertNotEquals(java.util.Arrays.toString(straight), java.util.Arrays.toString(changed));
        EulerSolver.cleanup(handle);
    }

    @Test
    void aCopyOfAHandleNamesTheSameSolver() {
        TestMesh mesh = TestMesh.rectangle(3, 2, TestMeshes.Cells.MIXED);
        long[] handle = mesh.start();
        long[] copy = handle.clone();
        assertEquals(4 * mesh.nodeCount, EulerSolver.iterate(copy).length);
        EulerSolver.cleanup(copy);
        assertThrows(IllegalStateException.class, () -> EulerSolver.analysis(handle));
    }

    @Test
    void manySolversStartAndCleanUpInTurn() {
        TestMesh mesh = TestMesh.rectangle(3, 2, TestMeshes.Cells.MIXED);
        double[] reference = run(mesh, 2);
        for (int cycle = 0; cycle < 200; ++cycle) {
            assertArrayEquals(reference, run(mesh, 2), "cycle " + cycle);
        }
    }

    @Test
    void aNodeOutsideEveryElementKeepsTheFreeStreamAndDisturbsNothing() {
        TestMesh mesh = TestMesh.rectangle(6, 4, TestMeshes.Cells.MIXED);
        mesh.parameters = TestMesh.parameters(0.5, 3.0);
        double[] without = run(mesh, 5);

        TestMesh extra = mesh.copy();
        extra.nodeCount++;
        extra.coords = java.util.Arrays.copyOf(mesh.coords, mesh.coords.length + 2);
        extra.coords[mesh.coords.length] = 7.0;
        extra.coords[mesh.coords.length + 1] = -3.0;
        double[] with = run(extra, 5);

        assertEquals(without.length + 4, with.length);
        assertArrayEquals(without, java.util.Arrays.copyOf(with, without.length));
        double[] freeStream = extra.freeStream();
        for (int k = without.length; k < with.length; ++k) {
            assertEquals(freeStream[k], with[k], "value " + k);
        }
    }
}
