package kestrafol.solver;

/**
 * What the solver reports about its current state.
 *
 * @param residualNorm sum of the absolute values of all residual entries of the last pass
 * @param lift lift coefficient (pressure forces on the walls, reference length 1)
 * @param drag drag coefficient
 * @param liftToDrag lift over drag
 */
public record Analysis(double residualNorm, double lift, double drag, double liftToDrag) {

    /** Builds the record from the five values of the native analysis call. */
    static Analysis fromNative(double[] values) {
        if (values == null || values.length != 5) {
            throw new IllegalStateException("analysis returned "
                    + (values == null ? "null" : values.length + " values") + " instead of 5");
        }
        return new Analysis(values[1], values[2], values[3], values[4]);
    }

    /** True when the residual norm and both coefficients are finite numbers. */
    public boolean isFinite() {
        return Double.isFinite(residualNorm) && Double.isFinite(lift) && Double.isFinite(drag);
    }
}
