package kestrafol.batch;

import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.ExecutionException;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.atomic.AtomicInteger;
import kestrafol.run.StopReason;
import kestrafol.polar.PolarCase;
import kestrafol.polar.PolarRow;

/**
 * Runs the chains of a polar on a pool of worker threads, one solver per worker at a time.
 * Different solvers are independent in the library, so chains run side by side; the cases of one
 * chain run in order, each starting from the flow its predecessor left (see {@link CaseRunner}).
 * A case that fails or diverges becomes a row with its stoppedBy; the chain goes on from a cold
 * start, and the other chains are not disturbed.
 */
public final class WorkerPool {
    private WorkerPool() {}

    /**
     * Runs one case.
     *
     * @param <S> the live solver handed from case to case along a chain
     */
    public interface CaseRunner<S extends AutoCloseable> {
        /**
         * Runs the case.
         *
         * @param from the solver of the previous case of the chain, holding its converged flow, or
         *     null for a cold start from the free stream; the runner owns it from here on
         * @return the case's row and the solver to hand on to the next case of the chain (null
         *     when its flow should not be carried on, e.g. after a divergence)
         */
        Outcome<S> run(PolarCase c, S from) throws Exception;
    }

    /** A case's row and the solver for the next case of the chain (or null). */
    public record Outcome<S extends AutoCloseable>(PolarRow result, S next) {}

    /** Told when a case starts and ends; called from the worker threads. */
    public interface Listener {
        void started(PolarCase c);

        void finished(PolarRow r);
    }

    /**
     * Runs the given chains with at most {@code jobs} worker threads and returns one row per case,
     * in the order of the case indices.
     */
    public static <S extends AutoCloseable> List<PolarRow> run(List<List<PolarCase>> chains,
            int jobs, CaseRunner<S> runner, Listener listener) throws InterruptedException {
        if (jobs < 1) {
            throw new IllegalArgumentException("jobs = " + jobs + ": at least 1 worker is needed");
        }
        int workers = Math.min(jobs, Math.max(1, chains.size()));
        AtomicInteger threadNumber = new AtomicInteger();
        ExecutorService pool = Executors.newFixedThreadPool(workers, r -> {
            Thread t = new Thread(r, "polar-worker-" + threadNumber.incrementAndGet());
            t.setDaemon(true);
            return t;
        });
        try {
            List<Future<List<PolarRow>>> futures = new ArrayList<>();
            for (List<PolarCase> chain : chains) {
                futures.add(pool.submit(() -> runChain(chain, runner, listener)));
            }
            List<PolarRow> rows = new ArrayList<>();
            for (Future<List<PolarRow>> f : futures) {
                try {
                    rows.addAll(f.get());
                } catch (ExecutionException e) {
                    // runChain turns every failure of a case into a row; only an Error gets here.
                    throw new IllegalStateException("a polar worker failed: " + e.getCause(),
                            e.getCause());
                }
            }
            rows.sort(java.util.Comparator.comparingInt(r -> r.polarCase().index()));
            return rows;
        } finally {
            pool.shutdownNow();
        }
    }

    /** Runs the cases of one chain in order on the calling thread. */
    public static <S extends AutoCloseable> List<PolarRow> runChain(List<PolarCase> chain,
            CaseRunner<S> runner, Listener listener) {
        List<PolarRow> rows = new ArrayList<>();
        S carry = null;
        try {
            for (PolarCase c : chain) {
                listener.started(c);
                PolarRow row;
                S from = carry;
                carry = null;
                try {
                    Outcome<S> o = runner.run(c, from);
                    row = o.result();
                    carry = o.next();
                } catch (Exception | OutOfMemoryError e) {
                    Throwable t = e instanceof java.io.UncheckedIOException ? e.getCause() : e;
                    row = PolarRow.without(c, StopReason.FAILED, t instanceof java.io.IOException
                            || t instanceof IllegalArgumentException ? t.getMessage()
                            : t.getClass().getSimpleName() + ": " + t.getMessage());
                    close(from);
                }
                rows.add(row);
                listener.finished(row);
            }
        } finally {
            close(carry);
        }
        return rows;
    }

    private static void close(AutoCloseable s) {
        if (s != null) {
            try {
                s.close();
            } catch (Exception e) {
                // Closing a solver only releases memory; nothing to report to the polar.
            }
        }
    }
}
