package kestrafol.batch;

import java.io.IOException;
import java.util.Set;
import java.util.concurrent.ConcurrentHashMap;
import kestrafol.run.CaseResult;
import kestrafol.run.Run;

/**
 * The stop of a polar or study: once requested (Ctrl-C, SIGTERM), every running case stops after
 * its current iteration and writes what it reached, and no further case starts.
 */
public final class Stopping {
    /** Exit status of a command stopped by SIGINT (Ctrl-C). */
    public static final int EXIT_INTERRUPTED = 130;
    /** Exit status of a command stopped by SIGTERM. */
    public static final int EXIT_TERMINATED = 143;

    private final Set<Run> active = ConcurrentHashMap.newKeySet();
    private volatile boolean requested;
    private volatile Interrupts interrupts;

    /** The body of a run, executed while the run can be stopped. */
    public interface Body {
        CaseResult call() throws IOException;
    }

    /** Asks every running case to stop after its iteration; no case starts from now on. */
    public void stopAll() {
        requested = true;
        for (Run r : active) {
            r.requestStop();
        }
    }

    public boolean requested() {
        return requested;
    }

    /** The signal handlers whose signal tells 130 from 143. */
    public void watch(Interrupts i) {
        interrupts = i;
    }

    /** 143 after SIGTERM, 130 otherwise. */
    public int exitStatus() {
        Interrupts i = interrupts;
        return i != null && i.terminated() ? EXIT_TERMINATED : EXIT_INTERRUPTED;
    }

    /** Executes a run that a stop reaches (also one requested before it started). */
    public CaseResult execute(Run run, Body body) throws IOException {
        active.add(run);
        try {
            if (requested) {
                run.requestStop();
            }
            return body.call();
        } finally {
            active.remove(run);
        }
    }
}
