package CFD.Solvers;

import kestrafol.TestMeshes;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.ArrayList;
import java.util.List;
import java.util.Random;
import java.util.function.Consumer;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.function.Executable;

/**
 * Handles that name no live solver (null, wrong length, forged, mismatched, cleaned up) make every
 * entry point throw IllegalStateException without touching memory.
 */
class EulerSolverHandleTest {
    private static final double[] PARAMETERS = TestMesh.parameters(0.5, 1.0);

    /** The four calls that take a handle. */
    private static List<Consumer<long[]>> calls() {
        List<Consumer<long[]>> calls = new ArrayList<>();
        calls.add(EulerSolver::iterate);
        calls.add(EulerSolver::analysis);
        calls.add(h -> EulerSolver.update(h, PARAMETERS.clone()));
        calls.add(EulerSolver::cleanup);
        return calls;
    }

    private static void assertRefusedEverywhere(long[] handle, String expected) {
        for (Consumer<long[]> call : calls()) {
            Executable run = () -> call.accept(handle);
            IllegalStateException error = assertThrows(IllegalStateException.class, run);
            assertTrue(error.getMessage().contains(expected),
                    "message \"" + error.getMessage() + "\" lacks \"" + expected + "\"");
        }
    }

    private static TestMesh mesh() {
        return TestMesh.rectangle(3, 2, TestMeshes.Cells.MIXED);
    }

    @Test
    void nullHandle() {
        assertRefusedEverywhere(null, "handle is null");
    }

    @Test
    void handlesOfTheWrongLength() {
        assertRefusedEverywhere(new long[0], "handle has 0 elements; a solver handle has 2");
        long[] live = mesh().start();
        assertRefusedEverywhere(new long[] {live[0]}, "handle has 1 elements");
        assertRefusedEverywhere(new long[] {live[0], live[1], 0}, "handle has 3 elements");
        EulerSolver.cleanup(live);
    }

    @Test
    void forgedHandles() {
        long[] live = mesh().start();
        Random random = new Random(20240601L);
        for (int k = 0; k < 500; ++k) {
            long[] forged = {random.nextLong(), random.nextLong()};
            assertRefusedEverywhere(forged, "names no live solver");
        }
        // Near misses of a live handle.
        assertRefusedEverywhere(new long[] {live[0], live[1] + 8}, "names no live solver");
        assertRefusedEverywhere(new long[] {live[0] + 8, live[1]}, "names no live solver");
        assertRefusedEverywhere(new long[] {live[1], live[0]}, "names no live solver");
        assertRefusedEverywhere(new long[] {0, 0}, "names no live solver");
        // The live solver is unharmed.
        assertEquals(4 * 12, EulerSolver.iterate(live).length);
        EulerSolver.cleanup(live);
    }

    @Test
    void halvesOfTwoLiveHandlesDoNotMakeOne() {
        TestMesh m = mesh();
        long[] a = m.start();
        long[] b = m.start();
        assertRefusedEverywhere(new long[] {a[0], b[1]}, "names no live solver");
        assertRefusedEverywhere(new long[] {b[0], a[1]}, "names no live solver");
        assertArrayEquals(EulerSolver.iterate(a), EulerSolver.iterate(b));
        EulerSolver.cleanup(a);
        EulerSolver.cleanup(b);
    }

    @Test
    void staleHandleAndDoubleCleanup() {
        long[] handle = mesh().start();
        EulerSolver.iterate(handle);
        EulerSolver.cleanup(handle);
        assertRefusedEverywhere(handle, "names no live solver");
    }

    @Test
    void staleHandlesNeverNameALaterSolver() {
        // Solvers of the same mesh started after a cleanup tend to get the freed addresses back;
        // the old handles must stay dead all the same.
        TestMesh m = mesh();
        List<long[]> dead = new ArrayList<>();
        for (int cycle = 0; cycle < 100; ++cycle) {
            long[] live = m.start();
            for (long[] old : dead) {
                assertThrows(IllegalStateException.class, () -> EulerSolver.iterate(old));
            }
            EulerSolver.cleanup(live);
            dead.add(live);
        }
    }

    @Test
    void aCleanedUpHandleStaysDeadThroughThousandsOfCycles() {
        // More cycles than any fixed quarantine of freed records could cover: no handle value
        // comes back and the first one is still refused at the end.
        TestMesh m = mesh();
        long[] first = m.start();
        EulerSolver.cleanup(first);
        java.util.Set<Long> seen = new java.util.HashSet<>(List.of(first[0], first[1]));
        for (int cycle = 0; cycle < 3000; ++cycle) {
            long[] live = m.start();
            assertTrue(seen.add(live[0]) && seen.add(live[1]), "handle value reused in cycle " + cycle);
            EulerSolver.cleanup(live);
        }
        assertRefusedEverywhere(first, "names no live solver");
    }

    @Test
    void badHandleIsReportedBeforeBadParameters() {
        assertThrows(IllegalStateException.class, () -> EulerSolver.update(new long[] {1, 2}, null));
    }
}
