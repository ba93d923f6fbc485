package CFD.Solvers;

import kestrafol.TestMeshes;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assertions.fail;

import java.util.concurrent.CyclicBarrier;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** Calls from several threads: one handle is used by one call at a time, different ones freely. */
class EulerSolverConcurrencyTest {
    private ExecutorService pool;

    @BeforeEach
    void startPool() {
        pool = Executors.newFixedThreadPool(2);
    }

    @AfterEach
    void stopPool() throws InterruptedException {
        pool.shutdownNow();
        assertTrue(pool.awaitTermination(60, TimeUnit.SECONDS));
    }

    /** The result of a call, or the IllegalStateException it threw. */
    private static Object outcome(java.util.concurrent.Callable<double[]> call) {
        try {
            return call.call();
        } catch (IllegalStateException e) {
            return e;
        } catch (Exception e) {
            throw new AssertionError(e);
        }
    }

    @Test
    void overlappingIteratesOnOneHandleGiveOneResultAndOneRefusal() throws Exception {
        // Big enough that one iterate takes a while, so two calls released together overlap.
        TestMesh mesh = TestMesh.rectangle(120, 60, TestMeshes.Cells.MIXED);
        mesh.parameters = TestMesh.parameters(0.5, 2.0);
        long[] handle = mesh.start();
        int overlaps = 0;
        int completed = 0;
        for (int round = 0; round < 40 && overlaps < 3; ++round) {
            CyclicBarrier together = new CyclicBarrier(2);
            java.util.concurrent.Callable<Object> task = () -> {
                together.await();
                return outcome(() -> EulerSolver.iterate(handle));
            };
            Future<Object> first = pool.submit(task);
            Future<Object> second = pool.submit(task);
            Object a = first.get(120, TimeUnit.SECONDS);
            Object b = second.get(120, TimeUnit.SECONDS);
            int refused = (a instanceof IllegalStateException ? 1 : 0) + (b instanceof IllegalStateException ? 1 : 0);
            assertTrue(refused < 2, "both calls were refused");
            for (Object o : new Object[] {a, b}) {
                if (o instanceof IllegalStateException) {
                    assertTrue(((IllegalStateException) o).getMessage().contains("is in use by another call"),
                            ((IllegalStateException) o).getMessage());
                } else {
                    assertEquals(4 * mesh.nodeCount, ((double[]) o).length);
                    completed++;
                }
            }
            overlaps += refused;
        }
        assertTrue(overlaps > 0, "no two calls ever overlapped");

        // The refused calls changed nothing: the solver went exactly `completed` steps.
        long[] twin = mesh.start();
        double[] expected = null;
        for (int s = 0; s < completed; ++s) {
            expected = EulerSolver.iterate(twin);
        }
        assertArrayEquals(EulerSolver.iterate(twin), EulerSolver.iterate(handle));
        EulerSolver.cleanup(twin);
        EulerSolver.cleanup(handle);
        assertNotNull(expected);
    }

    @Test
    void solversOnTwoThreadsMatchTheirSequentialRuns() throws Exception {
        TestMesh a = TestMesh.rectangle(40, 20, TestMeshes.Cells.MIXED);
        a.parameters = TestMesh.parameters(0.5, 2.0);
        TestMesh b = TestMesh.rectangle(30, 30, TestMeshes.Cells.TRIANGLES);
        b.parameters = TestMesh.parameters(0.3, -1.0);
        double[][] sequential = {steps(a, 10), steps(b, 10)};
        Future<double[]> fa = pool.submit(() -> steps(a, 10));
        Future<double[]> fb = pool.submit(() -> steps(b, 10));
        assertArrayEquals(sequential[0], fa.get(120, TimeUnit.SECONDS));
        assertArrayEquals(sequential[1], fb.get(120, TimeUnit.SECONDS));
    }

    private static double[] steps(TestMesh mesh, int count) {
        long[] handle = mesh.start();
        double[] state = null;
        for (int s = 0; s < count; ++s) {
            state = EulerSolver.iterate(handle);
            EulerSolver.analysis(handle);
        }
        EulerSolver.cleanup(handle);
        return state;
    }

    @Test
    void cleanupRacingWithIterateNeverCrashes() throws Exception {
        TestMesh mesh = TestMesh.rectangle(60, 30, TestMeshes.Cells.MIXED);
        for (int round = 0; round < 20; ++round) {
            long[] handle = mesh.start();
            CyclicBarrier together = new CyclicBarrier(2);
            Future<Object> iterating = pool.submit(() -> {
                together.await();
                return outcome(() -> EulerSolver.iterate(handle));
            });
            Future<Object> cleaning = pool.submit(() -> {
                together.await();
                return outcome(() -> {
                    EulerSolver.cleanup(handle);
                    return new double[0];
                });
            });
            Object it = iterating.get(120, TimeUnit.SECONDS);
            Object cl = cleaning.get(120, TimeUnit.SECONDS);
            if (cl instanceof IllegalStateException) {
                // Cleanup met the iterate running: the solver is still alive and cleans up now.
                assertTrue(it instanceof double[]);
                EulerSolver.cleanup(handle);
            } else if (it instanceof IllegalStateException) {
                // The iterate came after the cleanup.
                assertTrue(((IllegalStateException) it).getMessage().contains("names no live solver"));
            }
            try {
                EulerSolver.iterate(handle);
                fail("handle still alive after cleanup");
            } catch (IllegalStateException expected) {
                // dead, as it should be
            }
        }
    }
}
