package kestrafol.solver;

import java.lang.ref.Cleaner;
import kestrafol.engine.FlowModule;
import kestrafol.mesh.Mesh;
import kestrafol.mesh.Renumbering;

/**
 * A running flow solver on one mesh, on the toolkit's flow module ({@link FlowModule}, the same
 * method as {@code CFD.Solvers.EulerSolver}, bit for bit). Starts the native solver on
 * construction, from the free stream or from a given {@link FlowField}; {@link #close()}
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
    private final Method method;
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
                FlowModule.cleanup(h);
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
        this(mesh, settings, renumber, null, 0);
    }

    /**
     * Starts a solver from a flow field in the mesh's numbering (null: the free stream), for
     * instance one that {@link #field()} of an earlier solver on the same mesh gave. The field is
     * checked by the library: 4 finite values per node, density and pressure above 0; a field
     * that fails gives {@link IllegalArgumentException} naming the array, index and value.
     *
     * @param iterations the iteration count the solver continues from ({@link #iterations()})
     */
    public Solver(Mesh mesh, Settings settings, boolean renumber, FlowField field,
            int iterations) {
        this(mesh, settings, renumber, field, iterations, Method.STANDARD);
    }

    /**
     * As {@link #Solver(Mesh, Settings, boolean, FlowField, int)}, with the given method; every
     * settings vector this solver hands the library carries it ({@link Method#vector}).
     */
    public Solver(Mesh mesh, Settings settings, boolean renumber, FlowField field,
            int iterations, Method method) {
        if (mesh == null || settings == null || method == null) {
            throw new IllegalArgumentException("mesh, settings and method are required");
        }
        this.method = method;
        this.mesh = mesh;
        this.settings = settings;
        this.renumbering = renumber ? Renumbering.reverseCuthillMcKee(mesh)
                : Renumbering.identity(mesh.nodeCount());
        Mesh m = renumber ? renumbering.apply(mesh) : mesh;
        long[] h;
        if (field == null) {
            h = FlowModule.start(m.nodeCount(), m.coords(), m.triangleCount(), m.triangles(),
                    m.quadCount(), m.quads(), m.boundaryEdgeCount(), m.boundaryEdges(),
                    m.boundaryKindCount(), m.boundaryKindCodes(), method.vector(settings));
        } else {
            if (field.nodeCount() != mesh.nodeCount()) {
                throw new IllegalArgumentException("the flow field has " + field.nodeCount()
                        + " nodes; the mesh has " + mesh.nodeCount());
            }
            h = FlowModule.startFromField(m.nodeCount(), m.coords(), m.triangleCount(),
                    m.triangles(), m.quadCount(), m.quads(), m.boundaryEdgeCount(),
                    m.boundaryEdges(), m.boundaryKindCount(), m.boundaryKindCodes(),
                    method.vector(settings), renumbering.toRenumbered(field.state(), 4),
                    renumbering.toRenumbered(field.previous(), 4),
                    renumbering.toRenumbered(field.previous2(), 4),
                    renumbering.toRenumbered(field.increment(), 4),
                    field.memory().length == 0 ? null : field.memory());
        }
        this.handle = new Handle(h);
        this.cleanable = CLEANER.register(this, handle);
        this.state = field == null ? Flow.freeStream(mesh.nodeCount(), settings) : field.state();
        this.iterations = iterations;
    }

    /** Advances the solution by one step and returns the conserved state (4 values per node). */
    public synchronized double[] iterate() {
        double[] raw = FlowModule.iterate(handle.get());
        state = renumbering.toOriginal(raw, 4);
        iterations++;
        return state.clone();
    }

    /** Residual norm, lift, drag and lift-to-drag of the current state. */
    public synchronized Analysis analysis() {
        return Analysis.fromNative(FlowModule.analysis(handle.get()));
    }

    /** Replaces the settings; the flow field carries over (it is not reset to the free stream). */
    public synchronized void update(Settings newSettings) {
        if (newSettings == null) {
            throw new IllegalArgumentException("settings are required");
        }
        FlowModule.update(handle.get(), method.vector(newSettings));
        settings = newSettings;
    }

    /**
     * The solver's flow field in mesh numbering: what {@link #Solver(Mesh, Settings, boolean,
     * FlowField, int)} takes to continue exactly from here.
     */
    public synchronized FlowField field() {
        double[] all = FlowModule.field(handle.get());
        int n = (all.length - FlowField.MEMORY_LENGTH) / 4;
        double[][] levels = new double[4][];
        for (int k = 0; k < 4; k++) {
            levels[k] = renumbering.toOriginal(java.util.Arrays.copyOfRange(all, k * n,
                    (k + 1) * n), 4);
        }
        return new FlowField(levels[0], levels[1], levels[2], levels[3],
                java.util.Arrays.copyOfRange(all, 4 * n, all.length));
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
