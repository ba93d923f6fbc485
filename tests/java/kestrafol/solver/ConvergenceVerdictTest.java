package kestrafol.solver;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.List;
import kestrafol.solver.ConvergenceMonitor.Criteria;
import kestrafol.solver.ConvergenceMonitor.Stop;
import org.junit.jupiter.api.Test;

class ConvergenceVerdictTest {

    /** Stop, residual drop, floor nodes; then converged and the start of each warning. */
    record Row(Stop stop, double drop, int floor, boolean converged, List<String> warnings) {}

    @Test
    void settledIsConvergedOnlyWithAResidualDropAndNoFloorNodes() {
        Row[] rows = {
            new Row(Stop.CAUCHY, 1.72, 0, true, List.of()),
            // Mach 1.5: coefficients frozen, residual stalled just below one order.
            new Row(Stop.CAUCHY, 0.93, 0, true, List.of()),
            new Row(Stop.ORDERS, 6.0, 0, true, List.of()),
            // NACA 0012 at Mach 3: settled after 0.52 orders, 4 nodes clipped.
            new Row(Stop.CAUCHY, 0.52, 0, false, List.of(
                    "not converged: the cauchy criterion held but the residual dropped only 0.52"
                    + " orders (at least 0.8 needed)")),
            new Row(Stop.CAUCHY, 1.5, 12, false, List.of(
                    "not converged: 12 nodes sit at the density or pressure floor")),
            new Row(Stop.CAUCHY, 0.52, 1, false, List.of(
                    "not converged: the cauchy criterion held but the residual dropped only",
                    "not converged: 1 node sits at the density or pressure floor")),
            // A drop given as NaN (no iteration) is no drop.
            new Row(Stop.CAUCHY, Double.NaN, 0, false, List.of(
                    "not converged: the cauchy criterion held but the residual dropped only NaN")),
            // Runs that did not stop on a criterion are never converged; their own messages
            // (cap, divergence) say why.
            new Row(Stop.ITERATIONS, 3.0, 0, false, List.of()),
            new Row(Stop.DIVERGED, 0.1, 0, false, List.of()),
        };
        for (Row r : rows) {
            ConvergenceVerdict v = ConvergenceVerdict.of(r.stop(), r.drop(), r.floor());
            String what = r.stop() + " " + r.drop() + " " + r.floor() + ": " + v.warnings();
            assertEquals(r.converged(), v.converged(), what);
            assertEquals(r.warnings().size(), v.warnings().size(), what);
            for (int k = 0; k < r.warnings().size(); k++) {
                assertTrue(v.warnings().get(k).startsWith(r.warnings().get(k)), what);
            }
        }
        assertThrows(IllegalArgumentException.class, () -> ConvergenceVerdict.of(null, 2, 0));
        assertThrows(IllegalArgumentException.class,
                () -> ConvergenceVerdict.of(Stop.CAUCHY, 2, -1));
    }

    @Test
    void aMonitorAtTheCapAddsItsWarning() {
        ConvergenceMonitor m = new ConvergenceMonitor(new Criteria(6, 1e-3, 50, 200, 0));
        Stop stop = null;
        for (int it = 1; stop == null; it++) {
            stop = m.add(it, 1.0 / it, 0.1 + 0.001 * it, 0.02, 0);
        }
        ConvergenceVerdict v = ConvergenceVerdict.of(m, 0);
        assertFalse(v.converged());
        assertEquals(List.of(m.capWarning()), v.warnings());
    }
}
