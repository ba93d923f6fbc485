package kestrafol.batch;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicInteger;
import org.junit.jupiter.api.Test;
import kestrafol.polar.Rows;
import kestrafol.polar.PolarCase;
import kestrafol.polar.PolarRow;
import kestrafol.polar.Sweep;

class WorkerPoolTest {
    /** Stands in for a solver: remembers the case whose flow it holds; closes once. */
    static final class Flow implements AutoCloseable {
        final PolarCase holds;
        final AtomicInteger closed;
        private boolean open = true;

        Flow(PolarCase holds, AtomicInteger closed) {
            this.holds = holds;
            this.closed = closed;
        }

        @Override
        public synchronized void close() {
            if (open) {
                open = false;
                closed.incrementAndGet();
            }
        }
    }

    private static final Sweep SWEEP = Sweep.of(Sweep.parseList("--mach", "0.3,0.5,0.7"), List.of(),
            Sweep.parseList("--alpha", "-2:2:4"), true);

    private static PolarRow row(PolarCase c, String stoppedBy, double cl) {
        return Rows.row(c, cl, 0.01, 0.01, 0, Double.NaN, 10, stoppedBy, 1, 0.5, "");
    }

    private static final WorkerPool.Listener QUIET = new WorkerPool.Listener() {
        @Override
        public void started(PolarCase c) {}

        @Override
        public void finished(PolarRow r) {}
    };

    @Test
    void chainsCarryTheFlowInOrderRestartColdAfterAFailureAndCloseEverySolver() throws Exception {
        AtomicInteger opened = new AtomicInteger();
        AtomicInteger closed = new AtomicInteger();
        List<String> log = Collections.synchronizedList(new ArrayList<>());
        WorkerPool.CaseRunner<Flow> runner = (c, from) -> {
            log.add(c.folder() + "<-" + (from == null ? "cold" : from.holds.folder()));
            if (from != null) {
                // Carried flows come from the previous angle of the same chain only.
                assertEquals(c.chain(), from.holds.chain());
                assertEquals(c.index() - 1, from.holds.index());
                from.close();
            }
            if (c.folder().equals("m0.5_a0")) {
                throw new IllegalStateException("native solver refused");
            }
            if (c.folder().equals("m0.7_a0")) {
                return new WorkerPool.Outcome<>(row(c, "diverged", Double.NaN), null);
            }
            opened.incrementAndGet();
            return new WorkerPool.Outcome<>(row(c, "cauchy", c.alpha().doubleValue() / 10),
                    new Flow(c, closed));
        };
        List<PolarRow> rows = WorkerPool.run(SWEEP.chains(), 2, runner, QUIET);
        assertEquals(SWEEP.cases().size(), rows.size());
        for (int k = 0; k < rows.size(); k++) {
            assertEquals(k, rows.get(k).polarCase().index());
        }
        PolarRow failed = rows.get(SWEEP.cases().stream().filter(c -> c.folder().equals("m0.5_a0"))
                .findFirst().orElseThrow().index());
        assertEquals("failed", failed.result().stop().key());
        assertTrue(failed.result().message().contains("native solver refused"), failed.result().message());
        assertTrue(log.contains("m0.5_a0<-m0.5_a-2"));
        // After a failure or a divergence the chain goes on from the free stream.
        assertTrue(log.contains("m0.5_a2<-cold"), log.toString());
        assertTrue(log.contains("m0.7_a2<-cold"), log.toString());
        assertTrue(log.contains("m0.3_a4<-m0.3_a2"), log.toString());
        assertEquals(0.4, rows.get(3).result().cl());
        assertEquals(opened.get(), closed.get());
    }

    @Test
    void chainsRunSideBySideOnSeparateWorkers() throws Exception {
        // Each chain's first case waits until the other chain has started: with one worker this
        // would time out, with two both run at once.
        Sweep two = Sweep.of(Sweep.parseList("--mach", "0.3,0.5"), List.of(),
                Sweep.parseList("--alpha", "0,1"), true);
        CountDownLatch bothStarted = new CountDownLatch(2);
        AtomicInteger waitedOut = new AtomicInteger();
        List<String> threads = Collections.synchronizedList(new ArrayList<>());
        WorkerPool.CaseRunner<Flow> runner = (c, from) -> {
            threads.add(c.chain() + ":" + Thread.currentThread().getName());
            if (from == null) {
                bothStarted.countDown();
                if (!bothStarted.await(20, TimeUnit.SECONDS)) {
                    waitedOut.incrementAndGet();
                }
            } else {
                from.close();
            }
            return new WorkerPool.Outcome<>(row(c, "orders", 0), new Flow(c, new AtomicInteger()));
        };
        List<PolarRow> rows = WorkerPool.run(two.chains(), 2, runner, QUIET);
        assertEquals(4, rows.size());
        assertEquals(0, waitedOut.get());
        // The two cases of a chain ran on one thread, one after the other.
        assertEquals(4, threads.size());
        assertEquals(2, threads.stream().distinct().count(), threads.toString());
    }
}
