package kestrafol.solver;

import CFD.Solvers.EulerSolver;
import java.lang.ref.Cleaner;
import kestrafol.mesh.Mesh;
import kestrafol.mesh.Renumbering;

/**
 * A running flow solver on one mesh. Starts the native solver on construction; {@link #close()}
 * releases it (once; closing again does nothing). A solver that is never closed is released when
 * it becomes unreachable, but closing it (try-with-resources) frees the memory promptly.
 *
 * <p>By default the mesh is renumbered (reverse Cuthill-McKee) before it reaches the library;
 * every state this class hands out is in the numbering of the mesh it was given.
 *
 * <p>Calls on one solver are serialised; different solvers are independent. {@link #close()}
 * from another thread waits until the running call has returned, then releases the native
 * solver exactly once; every call after that throws {@link IllegalStateException}.
 */
public final class Solver implements AutoCloseable {
    private static final Cleaner CLEANER = Cleaner.create();

    private final Mesh mesh;
    private final Renumbering renumbering;
    private final Handle handle;
    private final Cleaner.Cleanable cleanable;
    private Settings settings;
    private double[] state;
    private int iterations;

    /**
     * Releases the native solver; shared by close() and the cleaner. close() runs it while holding
     * the solver's lock, so no call of this solver is inside the library then; the cleaner runs
     * it only once the solver is unreachable, when no call can be running either.
     */
    private static final class Handle implements Runnable {
        private long[] value;

        Handle(long[] value) {
            this.value = value;
        }

        @Override
        public synchronized void run() {
            if (value != null) {
                long[] h = value;
                value = null;
                EulerSolver.cleanup(h);
            }
        }

        synchronized long[] get() {
            if (value == null) {
                throw new IllegalStateException("the solver is closed");
            }
            return value;
        }
    }

    /** Starts a solver on the mesh, renumbered for locality. */
    public Solver(Mesh mesh, Settings settings) {
        this(mesh, settings, true);
    }

    /**
     * Starts a solver.
     *
     * @param renumber renumber the nodes (reverse Cuthill-McKee) before the mesh reaches the
     *     library; results are mapped back either way
     */
    public Solver(Mesh mesh, Settings settings, boolean renumber) {
        if (mesh == null || settings == null) {
            throw new IllegalArgumentException("mesh and settings are required");
        }
        this.mesh = mesh;
        this.settings = settings;
        this.renumbering = renumber ? Renumbering.reverseCuthillMcKee(mesh)
                : Renumbering.identity(mesh.nodeCount());
        Mesh m = renumber ? renumbering.apply(mesh) : mesh;
        long[] h = EulerSolver.start(m.nodeCount(), m.coords(), m.triangleCount(), m.triangles(),
                m.quadCount(), m.quads(), m.boundaryEdgeCount(), m.boundaryEdges(),
                m.boundaryKindCount(), m.boundaryKindCodes(), settings.toVector());
        this.handle = new Handle(h);
        this.cleanable = CLEANER.register(this, handle);
        this.state = Flow.freeStream(mesh.nodeCount(), settings);
    }

    /** Advances the solution by one step and returns the conserved state (4 values per node). */
    public synchronized double[] iterate() {
        double[] raw = EulerSolver.iterate(handle.get());
        state = renumbering.toOriginal(raw, 4);
        iterations++;
        return state.clone();
    }

    /** Residual norm, lift, drag and lift-to-drag of the current state. */
    public synchronized Analysis analysis() {
        return Analysis.fromNative(EulerSolver.analysis(handle.get()));
    }

    /** Replaces the settings; the flow field carries over (it is not reset to the free stream). */
    public synchronized void update(Settings newSettings) {
        if (newSettings == null) {
            throw new IllegalArgumentException("settings are required");
        }
        EulerSolver.update(handle.get(), newSettings.toVector());
        settings = newSettings;
    }

    /** The state of the last iterate (the free stream before the first), in mesh numbering. */
    public synchronized double[] state() {
        return state.clone();
    }

    /** A view of the last state. */
    public synchronized Flow flow() {
        return new Flow(state, settings);
    }

    public synchronized Settings settings() {
        return settings;
    }

    public Mesh mesh() {
        return mesh;
    }

    /** Number of iterate calls so far. */
    public synchronized int iterations() {
        return iterations;
    }

    /**
     * Releases the native solver. A call running on another thread finishes first (close takes
     * the same lock as every call); closing an already closed solver does nothing.
     */
    @Override
    public synchronized void close() {
        cleanable.clean();
    }

    /** The library's handle while the solver is open, for tests that check the release. */
    synchronized long[] nativeHandle() {
        return handle.get().clone();
    }
}
