package kestrafol.polar;

import java.util.Locale;

/**
 * A bound on the CPU time of a polar, printed before it starts: every case running to its
 * iteration cap at the measured cost of one iteration per mesh node. Most cases stop earlier (a
 * converged residual or coefficients), so the polar usually takes a half to a fifth of it.
 */
public final class PolarEstimate {
    /**
     * CPU seconds per node and iteration of the inviscid second-order cycle through the toolkit
     * (3 to 3.5 ms per iteration on the 3,168-node built-in airfoil mesh on an idle core).
     */
    static final double SECONDS_PER_NODE_ITERATION = 1.1e-6;
    /** The viscous terms add about 15 % to an iteration (benchmark: 551 against 484 ns per node). */
    static final double VISCOUS_FACTOR = 1.15;

    private PolarEstimate() {}

    /** CPU seconds of the polar when every case runs to the cap. */
    public static double cpuSeconds(long cases, int nodes, int iterationCap, boolean viscous) {
        return cases * (double) nodes * iterationCap * SECONDS_PER_NODE_ITERATION
                * (viscous ? VISCOUS_FACTOR : 1);
    }

    /** The bound in words, e.g. "at most 2.4 CPU hours (18 cases x 9,504 iterations x 3,168 nodes)". */
    public static String describe(long cases, int nodes, int iterationCap, boolean viscous) {
        double s = cpuSeconds(cases, nodes, iterationCap, viscous);
        String amount = s < 0.5 ? "under 1 CPU second"
                : s < 1.5 ? "at most 1 CPU second"
                : s < 120 ? String.format(Locale.ROOT, "at most %.0f CPU seconds", s)
                : s < 7200 ? String.format(Locale.ROOT, "at most %.0f CPU minutes", s / 60)
                : s < 172_800 ? String.format(Locale.ROOT, "at most %.1f CPU hours", s / 3600)
                : String.format(Locale.ROOT, "at most %.1f CPU days", s / 86_400);
        return String.format(Locale.ROOT, "%s (%,d case%s x %,d iterations x %,d nodes%s)",
                amount, cases, cases == 1 ? "" : "s", iterationCap, nodes,
                viscous ? ", viscous" : "");
    }
}
