package kestrafol.solver;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import kestrafol.solver.ConvergenceMonitor.Criteria;
import kestrafol.solver.ConvergenceMonitor.Stop;
import org.junit.jupiter.api.Test;

class ConvergenceMonitorTest {

    @Test
    void dropIsCountedFromTheLargestEarlyResidualNotTheFirst() {
        // A first residual of 1e-15 (nothing has moved yet) then 10: the drop of a residual of
        // 1e-2 is 3 orders, not 13.
        ConvergenceMonitor m = new ConvergenceMonitor(new Criteria(6, 0, 0, 100, 0));
        m.add(1, 1e-15, 0.1, 0.01, 0);
        m.add(2, 10, 0.1, 0.01, 0);
        assertNull(m.add(3, 1e-2, 0.1, 0.01, 0));
        assertEquals(3.0, m.residualDrop(), 1e-12);
        assertEquals(-2.0, m.log10Residual(), 1e-12);
        // A larger residual after the first 20 iterations does not move the reference.
        for (int it = 4; it <= 20; it++) {
            m.add(it, 1e-2, 0.1, 0.01, 0);
        }
        for (int it = 21; it <= 30; it++) {
            m.add(it, 100, 0.1, 0.01, 0);
        }
        assertEquals(-1.0, m.residualDrop(), 1e-12);
        assertEquals(Stop.ORDERS, m.add(31, 1e-5, 0.1, 0.01, 0));
        assertTrue(m.converged());
    }

    @Test
    void identicallyZeroCoefficientsNeverSettleAndTheCapIsNotConverged() {
        ConvergenceMonitor zero = new ConvergenceMonitor(new Criteria(6, 1e-3, 50, 300, 0));
        Stop stop = null;
        for (int it = 1; stop == null; it++) {
            stop = zero.add(it, 1, 0, 0, 0);
        }
        assertEquals(Stop.ITERATIONS, stop);
        assertEquals(300, zero.iterations());
        assertFalse(zero.converged());
        // Constant non-zero coefficients settle once two full windows can be compared.
        ConvergenceMonitor constant = new ConvergenceMonitor(new Criteria(6, 1e-3, 50, 300, 0));
        stop = null;
        int it = 0;
        while (stop == null) {
            stop = constant.add(++it, 1, 0.3, 0.02, -0.05);
        }
        assertEquals(Stop.CAUCHY, stop);
        assertEquals(100, it);
        assertNull(constant.capWarning());
    }

    @Test
    void aLimitCycleSettlesOnItsWindowMeansAndADriftDoesNot() {
        // cl = 0.3 +- 0.001 with a period of 10 (a window of 50 holds 5 periods): equal window
        // means, a swing of 0.002 below 10 eps x 0.3 = 0.003. It settles at the first pair of
        // windows although no value ever repeats the one before.
        ConvergenceMonitor cycle = new ConvergenceMonitor(new Criteria(6, 1e-3, 50, 1000, 0));
        Stop stop = null;
        int it = 0;
        while (stop == null) {
            it++;
            stop = cycle.add(it, 1, 0.3 + 0.001 * Math.sin(2 * Math.PI * it / 10), 0.02, 0);
        }
        assertEquals(Stop.CAUCHY, stop);
        assertEquals(100, it);
        // A drift of 1e-5 per iteration moves the mean by 5e-4 per window, above 3e-4: the same
        // criterion never holds and the run ends on the cap.
        ConvergenceMonitor drift = new ConvergenceMonitor(new Criteria(6, 1e-3, 50, 1000, 0));
        stop = null;
        for (it = 1; stop == null; it++) {
            stop = drift.add(it, 1, 0.3 + 1e-5 * it, 0.02, 0);
        }
        assertEquals(Stop.ITERATIONS, stop);
    }

    @Test
    void capWarningGivesRangeAndDriftOfTheLastWindow() {
        // cl = 0.1 + 0.001 * it drifts by 0.1 over the last 100 iterations of a 200 cap.
        ConvergenceMonitor m = new ConvergenceMonitor(new Criteria(6, 1e-4, 100, 200, 0));
        Stop stop = null;
        for (int it = 1; stop == null; it++) {
            stop = m.add(it, 1, 0.1 + 0.001 * it, 0.02, 0);
        }
        assertEquals(Stop.ITERATIONS, stop);
        String w = m.capWarning();
        assertTrue(w.startsWith("not converged: reached the cap of 200 iterations"), w);
        assertTrue(w.contains("iterations 100-200 cl ranged 0.200000 to 0.300000 (drift +0.100)"),
                w);
    }

    @Test
    void startupAndNonFiniteValues() {
        // During a 10-iteration start-up a large drop does not end the run.
        ConvergenceMonitor m = new ConvergenceMonitor(new Criteria(2, 0, 0, 100, 10));
        m.add(1, 1, 0.1, 0.1, 0);
        assertNull(m.add(2, 1e-5, 0.1, 0.1, 0));
        for (int it = 3; it <= 10; it++) {
            assertNull(m.add(it, 1e-5, 0.1, 0.1, 0));
        }
        assertEquals(Stop.ORDERS, m.add(11, 1e-5, 0.1, 0.1, 0));
        ConvergenceMonitor d = new ConvergenceMonitor(new Criteria(6, 0, 0, 100, 0));
        d.add(1, 1, 0.1, 0.1, 0);
        assertEquals(Stop.DIVERGED, d.add(2, 1, Double.NaN, 0.1, 0));
        assertNull(d.capWarning());
        ConvergenceMonitor i = new ConvergenceMonitor(new Criteria(6, 0, 0, 100, 0));
        i.add(1, 1, 0.1, 0.1, 0);
        i.interrupt();
        assertEquals(Stop.INTERRUPTED, i.stop());
        assertEquals("interrupted", i.stop().key());
        assertTrue(i.capWarning().startsWith("not converged: interrupted at iteration 1"));
    }
}
