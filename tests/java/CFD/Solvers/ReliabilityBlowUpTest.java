package CFD.Solvers;

import kestrafol.TestMeshes;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import org.junit.jupiter.api.Test;

/**
 * A run driven to divergence: its state and residual norm turn non-finite, it keeps answering
 * every call, a solver beside it is unaffected, and cleanup releases it like any other.
 */
class ReliabilityBlowUpTest {
    /** Mach 5 at second order without time terms (time mode 2), three passes per call. */
    static double[] divergingParameters() {
        double[] p = ReliabilityCases.parameters(2, 2, 5.0, 2.0);
        p[6] = 3;
        return p;
    }

    private static boolean anyNonFinite(double[] values) {
        return !ReliabilityCases.allFinite(values);
    }

    /** Runs the solver on to its first non-finite state; returns the number of calls it took. */
    private static int driveToDivergence(long[] handle, int limit) {
        for (int s = 1; s <= limit; ++s) {
            if (anyNonFinite(EulerSolver.iterate(handle))) {
                return s;
            }
        }
        return -1;
    }

    /** The diverged solver: one more call, then state and residual norm are non-finite. */
    private static void assertDiverged(long[] handle) {
        assertTrue(anyNonFinite(EulerSolver.iterate(handle)), "the state turned finite again");
        double[] analysis = EulerSolver.analysis(handle);
        assertEquals(5, analysis.length);
        assertEquals(0.0, analysis[0]);
        assertFalse(Double.isFinite(analysis[1]), "residual norm " + analysis[1]);
    }

    /** Every call keeps answering with results of the right size. */
    private static void assertStillAnswers(long[] handle, int nodeCount) {
        for (int s = 0; s < 20; ++s) {
            assertEquals(4 * nodeCount, EulerSolver.iterate(handle).length);
            assertEquals(5, EulerSolver.analysis(handle).length);
        }
    }

    @Test
    void subsonicSolutionUpdatedToMachFiveWithoutTimeTermsDiverges() {
        TestMesh mesh = TestMesh.rectangle(8, 4, TestMeshes.Cells.MIXED);
        mesh.parameters = ReliabilityCases.parameters(2, 0, 0.5, 2.0);
        TestMesh besideMesh = ReliabilityCases.config(0);
        long[] beside = besideMesh.start();
        double[] fresh = ReliabilityCases.run(mesh, 3);

        long[] handle = mesh.start();
        for (int s = 0; s < 30; ++s) {
            assertTrue(ReliabilityCases.allFinite(EulerSolver.iterate(handle)));
            EulerSolver.iterate(beside);
        }
        assertTrue(Double.isFinite(EulerSolver.analysis(handle)[1]));

        EulerSolver.update(handle, divergingParameters());
        int calls = driveToDivergence(handle, 50);
        assertTrue(calls > 0, "no divergence in 50 calls");
        assertDiverged(handle);
        assertStillAnswers(handle, mesh.nodeCount);

        // Settings back to a sound subsonic run: accepted, and the calls go on answering.
        EulerSolver.update(handle, mesh.parameters);
        assertStillAnswers(handle, mesh.nodeCount);

        // The solver beside it went on untouched.
        double[] besideState = EulerSolver.iterate(beside);
        EulerSolver.cleanup(beside);
        assertArrayEquals(ReliabilityCases.run(besideMesh, 31), besideState);

        EulerSolver.cleanup(handle);
        IllegalStateException dead = assertThrows(IllegalStateException.class, () -> EulerSolver.iterate(handle));
        assertTrue(dead.getMessage().contains("names no live solver"), dead.getMessage());

        // The library is intact: a new solver on the same mesh repeats the run made before.
        assertArrayEquals(fresh, ReliabilityCases.run(mesh, 3));
        assertTrue(ReliabilityCases.allFinite(fresh));
    }

    @Test
    void steadyRunAroundACircleUpdatedToMachFiveDiverges() {
        TestMesh mesh = ReliabilityCases.circle(24, 8);
        mesh.parameters = ReliabilityCases.parameters(2, 0, 0.5, 2.0);
        long[] handle = mesh.start();
        for (int s = 0; s < 30; ++s) {
            EulerSolver.iterate(handle);
        }
        EulerSolver.update(handle, ReliabilityCases.parameters(2, 0, 5.0, 2.0));
        int calls = driveToDivergence(handle, 400);
        assertTrue(calls > 0, "no divergence in 400 calls");
        assertDiverged(handle);
        assertStillAnswers(handle, mesh.nodeCount);
        EulerSolver.cleanup(handle);
        assertThrows(IllegalStateException.class, () -> EulerSolver.analysis(handle));
        System.out.println("steady Mach 5 around the circle: first non-finite state after " + calls + " calls");
    }
}
