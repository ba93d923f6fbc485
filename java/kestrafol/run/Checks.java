package kestrafol.run;

import java.util.ArrayList;
import java.util.List;
import kestrafol.base.Numbers;
import kestrafol.mesh.Mesh;
import kestrafol.solver.ConvergenceMonitor;
import kestrafol.solver.ConvergenceVerdict;
import kestrafol.solver.FlowChecks;
import kestrafol.solver.Method;

/**
 * The warnings of one case, in the order they arise: before the run (a closed domain, no
 * monitored wall, a viscous first cell below the stable height), and after it (the divergence
 * advice, or the floor and local-Mach checks of the last state; a reached cap).
 */
final class Checks {
    private final List<String> warnings = new ArrayList<>();
    private Method method = Method.STANDARD;

    /**
     * Refuses a mesh without an open boundary unless the --bc choices made it so on purpose (then it
     * is a warning).
     */
    void farField(Mesh mesh, boolean boundariesChosen) {
        String closed = FlowChecks.noOpenBoundary(mesh.boundaryKinds(), mesh.boundaryNames());
        if (closed == null) {
            return;
        }
        if (!boundariesChosen) {
            throw new IllegalArgumentException(closed);
        }
        warnings.add("no open boundary: the flow is a closed domain, as the --bc options say");
    }

    /** What the method cannot do for this case (low Mach number, laminar Re, angle, circle). */
    void limits(CaseDefinition c) {
        method = c.scheme().method();
        warnings.addAll(MethodLimits.of(c));
    }

    /** The checks that need the forces set up: a monitored wall, a stable first viscous cell. */
    void beforeRun(CaseSetup s) {
        if (s.forces().monitoredEdgeCount() == 0) {
            warnings.add("no monitored wall: cl, cd and cm are 0 because no force is integrated,"
                    + " and the coefficient criterion cannot end the run");
        }
        if (s.target().viscous()) {
            add(FlowChecks.viscousPreflight(FlowChecks.firstCellHeight(s.mesh()),
                    s.libraryReynolds()));
        }
    }

    /**
     * The checks of the finished run on its last state; true when the run converged: a criterion
     * fired, the residual dropped enough and no node sits at the density or pressure floor.
     */
    boolean afterRun(CaseSetup s, ConvergenceMonitor monitor, double[] state) {
        if (monitor.stop() == ConvergenceMonitor.Stop.DIVERGED) {
            warnings.add(divergenceAdvice(monitor.iterations(), s));
        } else {
            double[] coords = s.mesh().coords();
            add(FlowChecks.floorNodes(coords, state, s.target().gamma()));
            add(FlowChecks.localMach(coords, state, s.target().gamma(), s.target().mach()));
        }
        ConvergenceVerdict verdict = ConvergenceVerdict.of(monitor,
                monitor.stop() == ConvergenceMonitor.Stop.DIVERGED ? 0
                        : FlowChecks.floorNodeCount(state, s.target().gamma()));
        warnings.addAll(verdict.warnings());
        return verdict.converged();
    }

    List<String> warnings() {
        return List.copyOf(warnings);
    }

    private void add(String warning) {
        if (warning != null) {
            warnings.add(warning);
        }
    }

    /** What to try after a divergence, given what this run already did. */
    private String divergenceAdvice(int iteration, CaseSetup s) {
        StringBuilder sb = new StringBuilder("the run diverged at iteration " + iteration
                + " (residual or coefficients no longer finite). ");
        boolean viscousTooFine = false;
        for (String w : warnings) {
            viscousTooFine |= w.startsWith("first-cell height");
        }
        if (method.courant() && !s.target().unsteady()) {
            sb.append("The step control grew the Courant number towards " + Numbers.format(
                    method.courantMax()) + " (--method " + method.name() + "), which this case"
                    + " does not bear" + (s.target().viscous() ? " (the viscous terms are"
                    + " explicit)" : "") + ": lower its largest value (courant=5/50) or use the"
                    + " library's own time steps (--method standard).");
        } else if (viscousTooFine) {
            sb.append("The first-cell height is below what the explicit viscous terms tolerate at"
                    + " this Reynolds number (see the warning above): use a coarser wall spacing"
                    + " or a higher Reynolds number; first order does not help.");
        } else if (s.target().secondOrder() && s.startup() == 0) {
            sb.append("Try a first-order start (--startup-first-order 200) or first order"
                    + " (--first-order).");
        } else if (s.target().secondOrder()) {
            sb.append("Try a longer first-order start or first order (--first-order).");
        } else {
            sb.append("It diverged in first order already: try gentler conditions (a lower Mach"
                    + " number or angle of attack) or a smoother, finer mesh near the body.");
        }
        return sb.toString();
    }
}
