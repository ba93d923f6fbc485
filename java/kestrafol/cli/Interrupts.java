package kestrafol.cli;

import java.io.PrintStream;
import sun.misc.Signal;
import sun.misc.SignalHandler;

/**
 * SIGINT and SIGTERM handling of a command that runs a case: the first signal asks the run to
 * stop at the end of its current iteration (it then writes everything it reached), a second
 * SIGINT quits at once. Closing restores the previous handlers. Where the JVM offers no signal
 * handling, install does nothing and the JVM's own handling stays.
 */
final class Interrupts implements AutoCloseable {
    private final Signal[] signals;
    private final SignalHandler[] previous;
    private volatile boolean terminated;
    private volatile boolean requested;

    private Interrupts(Signal[] signals, SignalHandler[] previous) {
        this.signals = signals;
        this.previous = previous;
    }

    /** Installs the handlers; stop is called (once) on the first signal. */
    static Interrupts install(Runnable stop, PrintStream out) {
        Signal[] signals = {new Signal("INT"), new Signal("TERM")};
        SignalHandler[] previous = new SignalHandler[2];
        Interrupts i = new Interrupts(signals, previous);
        for (int k = 0; k < 2; k++) {
            boolean term = k == 1;
            try {
                previous[k] = Signal.handle(signals[k], s -> {
                    if (i.requested) {
                        if (!term) {
                            Runtime.getRuntime().halt(EXIT_NOW);
                        }
                        return;
                    }
                    i.requested = true;
                    i.terminated = term;
                    out.println();
                    out.println("kestrafol: " + (term ? "SIGTERM" : "interrupt") + ": stopping at"
                            + " the end of this iteration and writing the results"
                            + (term ? "" : " (Ctrl-C again to quit at once)"));
                    stop.run();
                });
            } catch (IllegalArgumentException e) {
                previous[k] = null; // this JVM does not let us handle the signal
            }
        }
        return i;
    }

    /** Exit status of a second Ctrl-C. */
    static final int EXIT_NOW = 130;

    /** Whether the stop came from SIGTERM. */
    boolean terminated() {
        return terminated;
    }

    @Override
    public void close() {
        for (int k = 0; k < signals.length; k++) {
            if (previous[k] != null) {
                Signal.handle(signals[k], previous[k]);
            }
        }
    }
}
