package kestrafol.meshing;

import kestrafol.mesh.Mesh;

/**
 * Where a solved flow's discretisation error sits, and the spacing a new mesh should have
 * there: a pure function of a mesh and a flow state on it (4 conserved values per node in the
 * solver's units: free-stream density 1, pressure 1/gamma).
 *
 * <p>The indicator of a node is the largest jump, over the element sides that meet at it, of
 * three quantities: the local Mach number, the pressure over the free stream's, and the entropy
 * (ln(gamma p / rho^gamma), 0 in the free stream) over gamma - 1, which is the loss of total
 * pressure the inviscid flow should not have. These are undivided differences: across a smooth
 * variation they fall with the spacing (h times the gradient), across a shock they stay the
 * size of the jump; where the limiter clips a suction peak the Mach number and pressure change
 * most from node to node and the scheme makes entropy, so the leading edge is marked; a
 * smeared shock is marked by all three. Jumps of entropy mark where it is made, not the wake
 * that carries it away.
 *
 * <p>The size field equidistributes the indicator: a node's requested spacing is its present
 * spacing times tau / indicator (the jump per side brought to the same tau everywhere), bounded
 * per cycle to {@link #MAX_REFINEMENT} times finer and {@link #MAX_COARSENING} times coarser,
 * with tau chosen so that the predicted node count (each node's present share of the plane
 * divided by the square of its ratio) meets the node budget.
 */
public final class ErrorIndicator {
    /** Most a node's spacing may shrink in one cycle. */
    public static final double MAX_REFINEMENT = 4;
    /** Most a node's spacing may grow in one cycle. */
    public static final double MAX_COARSENING = 2;

    private ErrorIndicator() {}

    /**
     * The spacing a new mesh should have.
     *
     * @param indicator the indicator per node
     * @param spacing the present spacing per node (mean length of the sides meeting there)
     * @param ratio the requested over the present spacing per node, within the bounds
     * @param predictedNodes the node count the ratios predict (the budget, unless the bounds
     *     keep it from it)
     * @param estimate the mean indicator over the nodes: the figure a cycle reports
     */
    public record SizeField(double[] indicator, double[] spacing, double[] ratio,
            double predictedNodes, double estimate) {
        /** The requested spacing of node i. */
        public double requested(int i) {
            return spacing[i] * ratio[i];
        }
    }

    /** The indicator per node (see the class comment). */
    public static double[] indicator(Mesh mesh, double[] state, double gamma) {
        int n = mesh.nodeCount();
        if (state.length != 4 * n) {
            throw new IllegalArgumentException("the state has " + state.length + " values for "
                    + n + " nodes; 4 per node expected");
        }
        double[] mach = new double[n];
        double[] pressure = new double[n];
        double[] entropy = new double[n];
        for (int i = 0; i < n; i++) {
            double rho = state[4 * i];
            double u = state[4 * i + 1] / rho;
            double v = state[4 * i + 2] / rho;
            double p = (gamma - 1) * (state[4 * i + 3] - 0.5 * rho * (u * u + v * v));
            if (!(rho > 0) || !(p > 0)) {
                throw new IllegalArgumentException("node " + i + " has density " + rho
                        + " and pressure " + p + "; both must be above 0");
            }
            mach[i] = Math.sqrt((u * u + v * v) * rho / (gamma * p));
            pressure[i] = gamma * p;
            entropy[i] = (Math.log(gamma * p) - gamma * Math.log(rho)) / (gamma - 1);
        }
        double[] marks = new double[n];
        mesh.forEachSide((a, b) -> {
            double jump = Math.abs(mach[a] - mach[b]) + Math.abs(pressure[a] - pressure[b])
                    + Math.abs(entropy[a] - entropy[b]);
            marks[a] = Math.max(marks[a], jump);
            marks[b] = Math.max(marks[b], jump);
        });
        return marks;
    }

    /** The mean length of the element sides meeting at each node. */
    public static double[] spacing(Mesh mesh) {
        int n = mesh.nodeCount();
        double[] sum = new double[n];
        int[] count = new int[n];
        mesh.forEachSide((a, b) -> {
            double length = Math.hypot(mesh.x(a) - mesh.x(b), mesh.y(a) - mesh.y(b));
            sum[a] += length;
            sum[b] += length;
            count[a]++;
            count[b]++;
        });
        for (int i = 0; i < n; i++) {
            sum[i] = count[i] > 0 ? sum[i] / count[i] : 0;
        }
        return sum;
    }

    /**
     * The size field of a solved flow for a new mesh of about maxNodes nodes: tau found by
     * bisection on its logarithm, so that the predicted count meets the budget within 0.1 %
     * (or the bounds' nearest).
     */
    public static SizeField sizeField(Mesh mesh, double[] state, double gamma, int maxNodes) {
        if (maxNodes < 1) {
            throw new IllegalArgumentException("node budget " + maxNodes + ": must be 1 or more");
        }
        double[] marks = indicator(mesh, state, gamma);
        double[] spacing = spacing(mesh);
        double largest = 0;
        double mean = 0;
        for (double m : marks) {
            largest = Math.max(largest, m);
            mean += m / marks.length;
        }
        double[] ratio = new double[marks.length];
        if (largest == 0) {
            // Nothing to equidistribute: every node scaled alike to the budget.
            double r = Math.sqrt((double) marks.length / maxNodes);
            java.util.Arrays.fill(ratio, Math.min(MAX_COARSENING, Math.max(1 / MAX_REFINEMENT, r)));
            return new SizeField(marks, spacing, ratio, predicted(ratio), 0);
        }
        // tau from far below the smallest mark's refinement bound to above the largest's.
        double lo = Math.log(largest / MAX_REFINEMENT * 1e-12);
        double hi = Math.log(largest * MAX_COARSENING);
        for (int k = 0; k < 200 && hi - lo > 1e-12; k++) {
            double mid = 0.5 * (lo + hi);
            ratios(marks, Math.exp(mid), ratio);
            double count = predicted(ratio);
            if (Math.abs(count - maxNodes) <= 1e-3 * maxNodes) {
                break;
            }
            if (count > maxNodes) {
                lo = mid;
            } else {
                hi = mid;
            }
        }
        return new SizeField(marks, spacing, ratio, predicted(ratio), mean);
    }

    private static void ratios(double[] marks, double tau, double[] ratio) {
        for (int i = 0; i < marks.length; i++) {
            double r = marks[i] > 0 ? tau / marks[i] : MAX_COARSENING;
            ratio[i] = Math.min(MAX_COARSENING, Math.max(1 / MAX_REFINEMENT, r));
        }
    }

    private static double predicted(double[] ratio) {
        double count = 0;
        for (double r : ratio) {
            count += 1 / (r * r);
        }
        return count;
    }
}
