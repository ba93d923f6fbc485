package kestrafol.engine;

/**
 * Native entry points of the toolkit's flow module, libKestrafolFlow.so: the same solver as
 * {@code CFD.Solvers.EulerSolver}, number for number, with the same checks and guarantees (bad
 * input gives {@link IllegalArgumentException} naming the argument, index and value; an unknown,
 * stale or busy handle gives {@link IllegalStateException}; handles never alias), plus a start
 * from a given flow field and the read-back of a solver's field, which is what an exact restart
 * needs. Solvers of this module and of EulerSolver are separate: a handle of one is refused by
 * the other.
 *
 * <p>Mesh arrays and the settings vector are those of EulerSolver.start. The settings vector
 * holds 16 to 24 values: the first 16 are the settings, the entries after them switch on the
 * method options (16 step control 0/1, 17 its start Courant number, 18 its largest, 19 symmetric
 * sweeps 0/1, 20 the differentiable limiter 0/1, 21 its threshold K, 22 the vortex far field
 * 0/1, 23 the most Gauss-Seidel sweeps per pass, 1 to 100; entries not given keep the library's
 * own method), checked as the settings are.
 */
public final class FlowModule {
    private FlowModule() {}

    static {
        kestrafol.NativeLoader.loadFlow();
    }

    /** Sets up a solver from a mesh and the settings vector, at the free stream. */
    public static native long[] start(int nodeCount, double[] coords, int triangleCount,
            int[] triangles, int quadCount, int[] quads, int boundaryEdgeCount,
            int[] boundaryEdges, int boundaryKindCount, int[] boundaryKinds,
            double[] parameters);

    /**
     * Sets up a solver from a mesh, the settings vector and a flow field, 4 conserved values per
     * node each (library numbering): the state, the two earlier time levels (null: equal to the
     * state) and the increment of the last implicit solve (null: zero); and the 8 values the
     * method options remember between calls (null: none yet). Given the arrays {@link #field}
     * returned, the new solver continues exactly as the old one would have.
     */
    public static native long[] startFromField(int nodeCount, double[] coords,
            int triangleCount, int[] triangles, int quadCount, int[] quads,
            int boundaryEdgeCount, int[] boundaryEdges, int boundaryKindCount,
            int[] boundaryKinds, double[] parameters, double[] state, double[] statePrev,
            double[] statePrev2, double[] delta, double[] memory);

    /** Advances the solver by one step; returns 4 conserved values per node. */
    public static native double[] iterate(long[] handle);

    /**
     * The solver's field: state, statePrev, statePrev2 and delta, 4 values per node each, one
     * after the other (16 values per node), then the 8 values of the method memory.
     */
    public static native double[] field(long[] handle);

    /** Replaces the solver's settings; the flow field is kept. */
    public static native void update(long[] handle, double[] parameters);

    /** Returns {0, residual norm, CL, CD, L/D}. */
    public static native double[] analysis(long[] handle);

    /** Releases the solver; the handle is dead afterwards. */
    public static native void cleanup(long[] handle);
}
