package kestrafol.batch;

import java.io.PrintStream;
import java.lang.reflect.InvocationHandler;
import java.lang.reflect.Method;
import java.lang.reflect.Proxy;

/**
 * SIGINT and SIGTERM handling of a command that runs a case: the first signal asks the run to
 * stop at the end of its current iteration (it then writes everything it reached), a second
 * SIGINT quits at once. Closing restores the previous handlers. Where the JVM offers no signal
 * handling, install does nothing and the JVM's own handling stays.
 *
 * <p>The JDK's signal API (sun.misc.Signal, module jdk.unsupported) is reached by reflection, so
 * that the build does not warn about an internal API on every compile.
 */
public final class Interrupts implements AutoCloseable {
    private final Object[] signals;
    private final Object[] previous;
    private volatile boolean terminated;
    private volatile boolean requested;

    private Interrupts(Object[] signals, Object[] previous) {
        this.signals = signals;
        this.previous = previous;
    }

    /** The JDK's signal class, its handler interface and its handle method, or null. */
    private static final class Api {
        final Class<?> signal;
        final Class<?> handler;
        final Method handle;

        Api() throws ReflectiveOperationException {
            signal = Class.forName("sun.misc.Signal");
            handler = Class.forName("sun.misc.SignalHandler");
            handle = signal.getMethod("handle", signal, handler);
        }

        static Api find() {
            try {
                return new Api();
            } catch (ReflectiveOperationException | LinkageError e) {
                return null;
            }
        }
    }

    private static final Api API = Api.find();

    /** Installs the handlers; stop is called (once) on the first signal. */
    public static Interrupts install(Runnable stop, PrintStream out) {
        Object[] signals = new Object[2];
        Object[] previous = new Object[2];
        Interrupts i = new Interrupts(signals, previous);
        if (API == null) {
            return i;
        }
        for (int k = 0; k < 2; k++) {
            boolean term = k == 1;
            InvocationHandler onSignal = (proxy, method, args) -> {
                if (!method.getName().equals("handle")) {
                    return method.invoke(i, args); // toString, hashCode, equals
                }
                if (i.requested) {
                    if (!term) {
                        Runtime.getRuntime().halt(EXIT_NOW);
                    }
                    return null;
                }
                i.requested = true;
                i.terminated = term;
                out.println();
                out.println("kestrafol: " + (term ? "SIGTERM" : "interrupt") + ": stopping at"
                        + " the end of this iteration and writing the results"
                        + (term ? "" : " (Ctrl-C again to quit at once)"));
                stop.run();
                return null;
            };
            try {
                signals[k] = API.signal.getConstructor(String.class).newInstance(term ? "TERM" : "INT");
                Object handler = Proxy.newProxyInstance(Interrupts.class.getClassLoader(),
                        new Class<?>[] {API.handler}, onSignal);
                previous[k] = API.handle.invoke(null, signals[k], handler);
            } catch (ReflectiveOperationException | IllegalArgumentException e) {
                previous[k] = null; // this JVM does not let us handle the signal
            }
        }
        return i;
    }

    /** Exit status of a second Ctrl-C. */
    static final int EXIT_NOW = 130;

    /** Whether the stop came from SIGTERM. */
    public boolean terminated() {
        return terminated;
    }

    @Override
    public void close() {
        for (int k = 0; k < signals.length; k++) {
            if (previous[k] != null) {
                try {
                    API.handle.invoke(null, signals[k], previous[k]);
                } catch (ReflectiveOperationException e) {
                    // the handler stays; the process is about to finish its command
                }
            }
        }
    }
}
