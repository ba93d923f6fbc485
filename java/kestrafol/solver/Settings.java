package kestrafol.solver;

/**
 * Flow conditions and scheme of a run, with named fields, mapped to and from the 16-entry
 * settings vector of the native solver.
 *
 * <p>Vector entries written ({@link #ORDER} and the constants after it): spatial order (2
 * second, 1 first), reconstruction weight, local time stepping (1), time mode (0 steady, 1
 * unsteady), passes per call (1), Mach number, ratio of specific heats, angle of attack in
 * degrees, viscous (0/1), Reynolds number. The other entries are 0; the solver ignores them or
 * stores them unused.
 *
 * @param mach free-stream Mach number, above 0
 * @param alphaDegrees angle of attack in degrees
 * @param gamma ratio of specific heats, above 1
 * @param secondOrder second-order reconstruction with limited gradients; first order otherwise
 * @param reconstructionWeight blend of the second-order face values between pure gradient
 *     extrapolation (0) and the edge midpoint average (1)
 * @param unsteady second-order backward differences in time instead of pseudo-time marching
 * @param viscous laminar viscous terms
 * @param reynolds the library's Reynolds number: per unit length of the mesh and based on the
 *     speed of sound (the state's speed of sound is 1), which is what its viscous terms divide
 *     by; used when viscous. For a flow Reynolds number Re over a length L at Mach M it is
 *     Re / (M L): see {@link FlowReynolds}
 */
public record Settings(double mach, double alphaDegrees, double gamma, boolean secondOrder,
        double reconstructionWeight, boolean unsteady, boolean viscous, double reynolds) {

    /** Length of the settings vector. */
    public static final int VECTOR_LENGTH = 16;
    /** Where each setting sits in the vector (the other entries are 0, read by nothing). */
    public static final int ORDER = 1, WEIGHT = 2, LOCAL_STEPPING = 3, TIME_MODE = 5, PASSES = 6,
            MACH = 10, GAMMA = 11, ALPHA = 12, VISCOUS = 13, REYNOLDS = 14;

    /** Default Mach number. */
    public static final double DEFAULT_MACH = 0.8;
    /** Default angle of attack in degrees. */
    public static final double DEFAULT_ALPHA = 1.25;
    /** Default ratio of specific heats (air). */
    public static final double DEFAULT_GAMMA = 1.4;
    /**
     * Default reconstruction weight below {@link #UPWIND_FROM_MACH}: half the face value from the
     * gradient, half from the central difference along the edge. Measured on NACA 0012 at Mach
     * 0.5 and 1.25 degrees on the 128-point built-in mesh (docs/PERFORMANCE.md): CL 2.2 % below
     * the grid-converged value and a spurious drag of 0.0011, against 4.7 % and 0.0021 with the
     * purely upwind weight 0; 2/3 gave 2.9 % and 0.0008.
     */
    public static final double DEFAULT_RECONSTRUCTION_WEIGHT = 0.5;
    /**
     * Default reconstruction weight from {@link #UPWIND_FROM_MACH} up: purely upwind. The central
     * share is not limited and overshoots at a shock: at Mach 0.8 weight 0.5 put a spot of Mach
     * 1.9 ahead of the upper shock (1.4 with weight 0), and at Mach 2 a node of Mach 6.4 at the
     * leading edge with the residual stalled 0.3 orders down (0.7 with weight 0).
     */
    public static final double UPWIND_RECONSTRUCTION_WEIGHT = 0.0;
    /** Free-stream Mach number from which shocks are expected and the default weight is 0. */
    public static final double UPWIND_FROM_MACH = 0.7;

    /** The default reconstruction weight for a free-stream Mach number. */
    public static double defaultReconstructionWeight(double mach) {
        return mach < UPWIND_FROM_MACH ? DEFAULT_RECONSTRUCTION_WEIGHT
                : UPWIND_RECONSTRUCTION_WEIGHT;
    }

    /** Default Reynolds number of viscous runs. */
    public static final double DEFAULT_REYNOLDS = 5000.0;

    /** Checks the values; the library would accept some of these but give non-finite results. */
    public Settings {
        if (!Double.isFinite(mach) || mach <= 0) {
            throw new IllegalArgumentException("mach = " + mach + ": must be finite and above 0");
        }
        if (!Double.isFinite(alphaDegrees)) {
            throw new IllegalArgumentException("alphaDegrees = " + alphaDegrees + ": must be finite");
        }
        if (!Double.isFinite(gamma) || gamma <= 1) {
            throw new IllegalArgumentException("gamma = " + gamma + ": must be finite and above 1");
        }
        if (!Double.isFinite(reconstructionWeight) || reconstructionWeight < 0
                || reconstructionWeight > 1) {
            throw new IllegalArgumentException("reconstructionWeight = " + reconstructionWeight
                    + ": must lie between 0 and 1");
        }
        if (!Double.isFinite(reynolds) || (viscous && reynolds <= 0)) {
            throw new IllegalArgumentException("reynolds = " + reynolds
                    + ": must be finite, and above 0 for viscous runs");
        }
    }

    /** The default case: Mach 0.8, 1.25 degrees, air, second order, steady, inviscid. */
    public static Settings defaults() {
        return new Settings(DEFAULT_MACH, DEFAULT_ALPHA, DEFAULT_GAMMA, true,
                DEFAULT_RECONSTRUCTION_WEIGHT, false, false, DEFAULT_REYNOLDS);
    }

    /** The same settings in first or second order (a first-order start). */
    public Settings withSecondOrder(boolean value) {
        return new Settings(mach, alphaDegrees, gamma, value, reconstructionWeight, unsteady,
                viscous, reynolds);
    }

    /** The 16-entry settings vector of the native solver. */
    public double[] toVector() {
        double[] v = new double[VECTOR_LENGTH];
        v[ORDER] = secondOrder ? 2 : 1;
        v[WEIGHT] = reconstructionWeight;
        v[LOCAL_STEPPING] = 1;
        v[TIME_MODE] = unsteady ? 1 : 0;
        v[PASSES] = 1;
        v[MACH] = mach;
        v[GAMMA] = gamma;
        v[ALPHA] = alphaDegrees;
        v[VISCOUS] = viscous ? 1 : 0;
        v[REYNOLDS] = reynolds;
        return v;
    }
}
