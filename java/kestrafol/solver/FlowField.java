package kestrafol.solver;

import java.util.Arrays;

/**
 * Everything of a solver's flow that carries over from one iteration to the next, 4 conserved
 * values per node each (density, x-momentum, y-momentum, total energy), in the numbering of the
 * solver's mesh: the state, the two earlier time levels (which the unsteady time term reads)
 * and the increment of the last implicit solve (where the next solve starts); and what the
 * method options remember from call to call ({@link Method}; empty before the first call and on
 * a field built from a state). A solver started
 * from the field of another on the same mesh and settings continues exactly as that one would
 * have. Immutable: the arrays are copied in and out.
 */
public final class FlowField {
    private final double[] state;
    private final double[] previous;
    private final double[] previous2;
    private final double[] increment;
    private final double[] memory;

    /**
     * A field of four arrays of equal length, a multiple of 4.
     *
     * @param previous the state at the start of the last iteration
     * @param previous2 the state at the start of the one before
     * @param increment the last implicit increment (zeros for a solver just started)
     */
    public FlowField(double[] state, double[] previous, double[] previous2, double[] increment) {
        this(state, previous, previous2, increment, new double[0]);
    }

    /**
     * A field with the method memory as {@link kestrafol.engine.FlowModule#field} gives it (8
     * values, or none).
     */
    public FlowField(double[] state, double[] previous, double[] previous2, double[] increment,
            double[] memory) {
        if (memory == null || (memory.length != 0 && memory.length != MEMORY_LENGTH)) {
            throw new IllegalArgumentException("a flow field's method memory holds "
                    + MEMORY_LENGTH + " values or none");
        }
        this.memory = memory.clone();
        if (state == null || previous == null || previous2 == null || increment == null) {
            throw new IllegalArgumentException("a flow field needs all four arrays");
        }
        if (state.length % 4 != 0 || previous.length != state.length
                || previous2.length != state.length || increment.length != state.length) {
            throw new IllegalArgumentException("a flow field needs four arrays of 4 values per"
                    + " node; got " + state.length + ", " + previous.length + ", "
                    + previous2.length + ", " + increment.length);
        }
        this.state = state.clone();
        this.previous = previous.clone();
        this.previous2 = previous2.clone();
        this.increment = increment.clone();
    }

    /** Values of the method memory. */
    public static final int MEMORY_LENGTH = 8;

    /** A steady field: every time level the given state, no increment. */
    public static FlowField of(double[] state) {
        return new FlowField(state, state, state, new double[state.length]);
    }

    public int nodeCount() {
        return state.length / 4;
    }

    public double[] state() {
        return state.clone();
    }

    public double[] previous() {
        return previous.clone();
    }

    public double[] previous2() {
        return previous2.clone();
    }

    public double[] increment() {
        return increment.clone();
    }

    /** The method memory: 8 values, or none. */
    public double[] memory() {
        return memory.clone();
    }

    @Override
    public boolean equals(Object o) {
        return o instanceof FlowField f && Arrays.equals(state, f.state)
                && Arrays.equals(previous, f.previous) && Arrays.equals(previous2, f.previous2)
                && Arrays.equals(increment, f.increment) && Arrays.equals(memory, f.memory);
    }

    @Override
    public int hashCode() {
        return Arrays.hashCode(state) * 31 + Arrays.hashCode(increment);
    }
}
