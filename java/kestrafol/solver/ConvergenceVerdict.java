package kestrafol.solver;

import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import kestrafol.solver.ConvergenceMonitor.Stop;

/**
 * Whether a finished run is converged, and if not, why: one-line warnings for summary.json and
 * the screen.
 *
 * <p>A stopping rule that fired is necessary but not enough. The coefficients can settle while
 * the flow is not a solution: the residual barely moved (a supersonic run can settle half an
 * order down) or the solver clipped density or pressure at
 * its floor somewhere. So a run is converged only when it stopped on a convergence criterion
 * AND its residual dropped by at least {@link #MIN_RESIDUAL_DROP} orders AND no node sits at the
 * floor. Every failed condition gives its own warning.
 *
 * @param converged true only when all three conditions hold
 * @param warnings why not (empty when converged)
 */
public record ConvergenceVerdict(boolean converged, List<String> warnings) {
    /**
     * Residual drop, in orders of magnitude, a settled run needs at least. The method's
     * second-order runs stall in a limit cycle: the replayed runs that settled stood between 0.93
     * (Mach 1.5, coefficients frozen to six digits) and 2.5 orders down, so asking for more would
     * refuse sound answers; NACA 0012 at Mach 3, settled after half an order with nodes at the
     * floor, is refused (docs/CONVERGENCE.md).
     */
    public static final double MIN_RESIDUAL_DROP = 0.8;

    public ConvergenceVerdict {
        warnings = List.copyOf(warnings);
    }

    /**
     * The verdict on a finished run.
     *
     * @param stop why the run ended (not null)
     * @param residualDrop orders the residual dropped (see {@link ConvergenceMonitor#residualDrop})
     * @param floorNodes nodes at the density or pressure floor at the end
     *     ({@link FlowChecks#floorNodeCount})
     */
    public static ConvergenceVerdict of(Stop stop, double residualDrop, int floorNodes) {
        if (stop == null || floorNodes < 0) {
            throw new IllegalArgumentException("verdict needs a finished run and a node count >= 0:"
                    + " stop " + stop + ", floor nodes " + floorNodes);
        }
        if (!stop.converged()) {
            return new ConvergenceVerdict(false, List.of());
        }
        List<String> why = new ArrayList<>();
        if (!(residualDrop >= MIN_RESIDUAL_DROP)) {
            why.add(String.format(Locale.ROOT, "not converged: the %s criterion held but the"
                    + " residual dropped only %.2f orders (at least %s needed), so the flow may"
                    + " still be far from a solution", stop.key(), residualDrop,
                    trim(MIN_RESIDUAL_DROP)));
        }
        if (floorNodes > 0) {
            why.add(String.format(Locale.ROOT, "not converged: %d node%s sit%s at the density or"
                    + " pressure floor, where the solver clipped the flow: the coefficients are"
                    + " not those of a solution", floorNodes, floorNodes == 1 ? "" : "s",
                    floorNodes == 1 ? "s" : ""));
        }
        return new ConvergenceVerdict(why.isEmpty(), why);
    }

    /**
     * The verdict on a finished monitor; for a run that reached the cap or was interrupted the
     * warning says how far its coefficients still move ({@link ConvergenceMonitor#capWarning}).
     */
    public static ConvergenceVerdict of(ConvergenceMonitor monitor, int floorNodes) {
        ConvergenceVerdict v = of(monitor.stop(), monitor.residualDrop(), floorNodes);
        String cap = monitor.capWarning();
        if (cap == null) {
            return v;
        }
        List<String> why = new ArrayList<>(v.warnings());
        why.add(cap);
        return new ConvergenceVerdict(false, why);
    }

    private static String trim(double v) {
        return v == Math.rint(v) ? Long.toString((long) v) : Double.toString(v);
    }
}
