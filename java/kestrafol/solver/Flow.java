package kestrafol.solver;

/**
 * Read-only view of a conserved state array (density, x-momentum, y-momentum, total energy per
 * node) in the solver's non-dimensional units: the free stream has density 1, pressure
 * 1/gamma and speed equal to its Mach number, so its speed of sound is 1.
 */
public final class Flow {
    private final double[] state;
    private final double gamma;
    private final double mach;

    /** A view of a copy of the state array (4 values per node): later changes to it do not show. */
    public Flow(double[] state, double gamma, double freeStreamMach) {
        if (state == null || state.length % 4 != 0) {
            throw new IllegalArgumentException("a state holds 4 values per node, got "
                    + (state == null ? "null" : state.length + " values"));
        }
        this.state = state.clone();
        this.gamma = gamma;
        this.mach = freeStreamMach;
    }

    /** A view of a copy of the state with the gamma and free-stream Mach number of the settings. */
    public Flow(double[] state, Settings settings) {
        this(state, settings.gamma(), settings.mach());
    }

    /** The free-stream state of the settings at every one of nodeCount nodes. */
    public static double[] freeStream(int nodeCount, Settings s) {
        double alpha = Math.toRadians(s.alphaDegrees());
        double p = 1 / s.gamma();
        double energy = p / (s.gamma() - 1) + 0.5 * s.mach() * s.mach();
        double[] state = new double[4 * nodeCount];
        for (int i = 0; i < nodeCount; i++) {
            state[4 * i] = 1;
            state[4 * i + 1] = s.mach() * Math.cos(alpha);
            state[4 * i + 2] = s.mach() * Math.sin(alpha);
            state[4 * i + 3] = energy;
        }
        return state;
    }

    public int nodeCount() {
        return state.length / 4;
    }

    public double gamma() {
        return gamma;
    }

    public double freeStreamMach() {
        return mach;
    }

    /** The conserved values of a node: density, x-momentum, y-momentum, total energy. */
    public double conserved(int node, int component) {
        return state[4 * node + component];
    }

    public double density(int node) {
        return state[4 * node];
    }

    public double velocityX(int node) {
        return state[4 * node + 1] / state[4 * node];
    }

    public double velocityY(int node) {
        return state[4 * node + 2] / state[4 * node];
    }

    public double pressure(int node) {
        double rho = state[4 * node];
        double mx = state[4 * node + 1];
        double my = state[4 * node + 2];
        return (gamma - 1) * (state[4 * node + 3] - 0.5 * (mx * mx + my * my) / rho);
    }

    public double speedOfSound(int node) {
        return Math.sqrt(gamma * pressure(node) / density(node));
    }

    /** Local Mach number. */
    public double machNumber(int node) {
        double u = velocityX(node);
        double v = velocityY(node);
        return Math.sqrt(u * u + v * v) / speedOfSound(node);
    }

    /** Pressure coefficient (p - p_inf) / (0.5 rho_inf V_inf^2) = (p - 1/gamma) / (0.5 M^2). */
    public double pressureCoefficient(int node) {
        return (pressure(node) - 1 / gamma) / (0.5 * mach * mach);
    }

    /** True when every value is finite and density and pressure are positive everywhere. */
    public boolean isPhysical() {
        for (int i = 0; i < nodeCount(); i++) {
            if (!(density(i) > 0) || !(pressure(i) > 0) || !Double.isFinite(state[4 * i + 1])
                    || !Double.isFinite(state[4 * i + 2]) || !Double.isFinite(state[4 * i + 3])) {
                return false;
            }
        }
        return true;
    }

    /** One value per node of the given quantity. */
    public double[] field(Quantity q) {
        double[] f = new double[nodeCount()];
        for (int i = 0; i < f.length; i++) {
            f[i] = q.at(this, i);
        }
        return f;
    }

    /** Nodal quantities for fields and pictures. */
    public enum Quantity {
        DENSITY, PRESSURE, MACH, CP;

        double at(Flow f, int i) {
            switch (this) {
                case DENSITY:
                    return f.density(i);
                case PRESSURE:
                    return f.pressure(i);
                case MACH:
                    return f.machNumber(i);
                default:
                    return f.pressureCoefficient(i);
            }
        }
    }
}
