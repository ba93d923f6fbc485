package CFD.Solvers;

/**
 * Native entry points of the Kestrafol flow solver.
 *
 * <p>A solver is created by {@link #start}, which returns a handle of two longs; the handle is
 * passed to every later call and becomes invalid after {@link #cleanup}. Invalid input makes
 * the library throw {@link IllegalArgumentException}; an unknown, stale or busy handle makes it
 * throw {@link IllegalStateException}.
 */
public final class EulerSolver {
    private EulerSolver() {}

    static {
        kestrafol.NativeLoader.load();
    }

    /** Sets up a solver from a mesh and the 16-entry settings vector; returns its handle. */
    public static native long[] start(int nodeCount, double[] coords, int triangleCount,
            int[] triangles, int quadCount, int[] quads, int boundaryEdgeCount,
            int[] boundaryEdges, int boundaryKindCount, int[] boundaryKinds,
            double[] parameters);

    /** Advances the solver by one step; returns 4 conserved values per node. */
    public static native double[] iterate(long[] handle);

    /** Replaces the solver's settings; the flow field is kept. */
    public static native void update(long[] handle, double[] parameters);

    /** Returns {0, residual norm, CL, CD, L/D}. */
    public static native double[] analysis(long[] handle);

    /** Releases the solver; the handle is dead afterwards. */
    public static native void cleanup(long[] handle);
}
