package CFD.Solvers;

import kestrafol.TestMeshes;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.Callable;
import java.util.concurrent.CyclicBarrier;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/**
 * Four threads with solvers of their own match the same runs made one after another, bit for
 * bit; two threads iterating one handle at once get whole steps or refusals, never a mixture.
 */
class ReliabilityConcurrencyTest {
    private ExecutorService pool;

    @BeforeEach
    void startPool() {
        pool = Executors.newFixedThreadPool(4);
    }

    @AfterEach
    void stopPool() throws InterruptedException {
        pool.shutdownNow();
        assertTrue(pool.awaitTermination(60, TimeUnit.SECONDS));
    }

    @Test
    void fourThreadsWithOwnSolversMatchSequentialRuns() throws Exception {
        final int before = 12;
        final int after = 8;
        ReliabilityCases.Session[] sequential = new ReliabilityCases.Session[4];
        for (int k = 0; k < 4; ++k) {
            sequential[k] = ReliabilityCases.session(ReliabilityCases.config(k), before, after);
            assertTrue(ReliabilityCases.allFinite(sequential[k].state), "config " + k);
        }
        // Three rounds, each thread taking a different configuration in each.
        for (int round = 0; round < 3; ++round) {
            CyclicBarrier together = new CyclicBarrier(4);
            List<Future<ReliabilityCases.Session>> futures = new ArrayList<>();
            for (int t = 0; t < 4; ++t) {
                final int k = (t + round) % 4;
                futures.add(pool.submit(() -> {
                    together.await();
                    return ReliabilityCases.session(ReliabilityCases.config(k), before, after);
                }));
            }
            for (int t = 0; t < 4; ++t) {
                int k = (t + round) % 4;
                ReliabilityCases.Session parallel = futures.get(t).get(300, TimeUnit.SECONDS);
                assertArrayEquals(sequential[k].state, parallel.state, "round " + round + " config " + k);
                assertArrayEquals(sequential[k].analysis, parallel.analysis, "round " + round + " config " + k);
            }
        }
    }

    /** The result of an iterate, or the IllegalStateException it threw. */
    private static Object iterateOutcome(long[] handle) {
        try {
            return EulerSolver.iterate(handle);
        } catch (IllegalStateException e) {
            return e;
        }
    }

    @Test
    void twoThreadsIteratingOneHandleGetAWholeStepOrARefusal() throws Exception {
        // Large enough that one iterate takes milliseconds, so calls released together overlap.
        TestMesh mesh = TestMesh.rectangle(100, 50, TestMeshes.Cells.MIXED);
        mesh.parameters = ReliabilityCases.parameters(2, 0, 0.5, 2.0);
        final int rounds = 30;
        // Every time level of the undisturbed run, to identify what each call returned.
        List<double[]> levels = new ArrayList<>();
        long[] reference = mesh.start();
        for (int n = 1; n <= 2 * rounds + 1; ++n) {
            levels.add(EulerSolver.iterate(reference));
        }
        EulerSolver.cleanup(reference);

        long[] handle = mesh.start();
        int steps = 0;
        int overlapped = 0;
        for (int round = 0; round < rounds; ++round) {
            CyclicBarrier together = new CyclicBarrier(2);
            Callable<Object> task = () -> {
                together.await();
                return iterateOutcome(handle);
            };
            Future<Object> first = pool.submit(task);
            Future<Object> second = pool.submit(task);
            Object[] outcomes = {first.get(300, TimeUnit.SECONDS), second.get(300, TimeUnit.SECONDS)};
            List<Integer> returned = new ArrayList<>();
            int refused = 0;
            for (Object o : outcomes) {
                if (o instanceof IllegalStateException) {
                    String message = ((IllegalStateException) o).getMessage();
                    assertTrue(message.contains("is in use by another call"), message);
                    refused++;
                } else {
                    int level = indexOf(levels, (double[]) o);
                    assertTrue(level >= 0, "round " + round + ": a result is no time level of the run");
                    returned.add(level + 1);
                }
            }
            assertTrue(refused < 2, "round " + round + ": both calls were refused");
            returned.sort(null);
            for (int level : returned) {
                assertEquals(++steps, level, "round " + round + ": a step was lost or repeated");
            }
            overlapped += refused;
        }
        // One more call continues the run exactly: the refusals left no trace.
        assertArrayEquals(levels.get(steps), EulerSolver.iterate(handle));
        EulerSolver.cleanup(handle);
        assertTrue(overlapped > 0, "no two calls ever overlapped in " + rounds + " rounds");
        System.out.println("one handle, two threads: " + rounds + " rounds, " + overlapped
                + " overlapping calls refused, " + steps + " steps taken");
    }

    private static int indexOf(List<double[]> levels, double[] state) {
        assertNotNull(state);
        for (int i = 0; i < levels.size(); ++i) {
            if (Arrays.equals(levels.get(i), state)) {
                return i;
            }
        }
        return -1;
    }
}
