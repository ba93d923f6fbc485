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
        // Constant non-zero coefficients settle once three full windows can be compared, and
        // the answer averages all three.
        ConvergenceMonitor constant = new ConvergenceMonitor(new Criteria(6, 1e-3, 50, 300, 0));
        stop = null;
        int it = 0;
        while (stop == null) {
            stop = constant.add(++it, 1, 0.3, 0.02, -0.05);
        }
        assertEquals(Stop.CAUCHY, stop);
        assertEquals(150, it);
        assertEquals(150, constant.answerIterations());
        assertNull(constant.capWarning());
    }

    /** A synthetic history: cl, cd, cm at an iteration. */
    interface Signal {
        double[] at(int it);
    }

    /**
     * One synthetic history and what the rule (eps 0.002, windows of 750) must do with it: stop
     * with an answer within {@code band} of {@code expected} (relative for cl and cd when they
     * are above 0.01 in size, absolute otherwise), or (expected null) never stop within 20,000
     * iterations.
     */
    record Case(String name, Signal signal, double[] expected, double band, int earliest) {}

    static double wave(int it, double amplitude, int period) {
        return amplitude * Math.sin(2 * Math.PI * it / period);
    }

    static final Case[] CASES = {
        // The second-order limit cycle around constant values: the window means agree at once.
        new Case("limit cycle", it -> new double[] {0.35 + wave(it, 0.004, 150),
            0.0245 + wave(it, 0.0006, 150), -0.039 + wave(it, 0.001, 150)},
            new double[] {0.35, 0.0245, -0.039}, 2e-4, 2250),
        // A lift that is zero up to a cycle of +-0.0008 (symmetric airfoil at alpha 0, the
        // cylinder): the former rule's relative test never let it settle.
        new Case("zero-mean lift", it -> new double[] {wave(it, 8e-4, 137),
            0.0041 + wave(it, 2e-5, 137), wave(it, 1e-4, 137)},
            new double[] {0, 0.0041, 0}, 1e-3, 2250),
        // A friction drag falling like the flat plate's (0.0021 to 0.0013, time constant 20,000
        // iterations, 2 to 3 % per 1,000 iterations): never settled, although it is small and
        // successive windows of 500 differ by less than eps x 0.01 (the former rule's floor).
        new Case("slow drift", it -> new double[] {0,
            0.0013 + 0.0008 * Math.exp(-it / 20000.0), 0}, null, 0, 0),
        // A linear drift of 0.4 % of cl per window: each pair of windows differs by 2 eps.
        new Case("linear drift", it -> new double[] {0.3 + 1.6e-6 * it, 0.02, -0.05}, null, 0,
            0),
        // A step of 1 % in cd at iteration 1,500: the rule waits for windows after the step (a
        // window may keep about a fifth of itself before it: 0.2 x 1 % = eps).
        new Case("step", it -> new double[] {0.3, it < 1500 ? 0.02 : 0.0202, -0.05},
            new double[] {0.3, 0.0202, -0.05}, 1e-3, 1500 + 2250 - 160),
    };

    @Test
    void syntheticHistoriesStopOnlyWhenTheirMeansHaveSettled() {
        for (Case c : CASES) {
            ConvergenceMonitor m = new ConvergenceMonitor(new Criteria(6,
                    ConvergenceMonitor.DEFAULT_EPS, ConvergenceMonitor.DEFAULT_WINDOW, 20000, 0));
            Stop stop = null;
            int it = 0;
            while (stop == null) {
                double[] v = c.signal().at(++it);
                stop = m.add(it, 1, v[0], v[1], v[2]);
            }
            if (c.expected() == null) {
                assertEquals(Stop.ITERATIONS, stop, c.name() + " stopped at " + it);
                continue;
            }
            assertEquals(Stop.CAUCHY, stop, c.name());
            assertTrue(it >= c.earliest(), c.name() + " stopped at " + it);
            double[] answer = m.answer();
            for (int k = 0; k < 3; k++) {
                double e = c.expected()[k];
                double error = Math.abs(e) > 0.01 ? Math.abs(answer[k] / e - 1)
                        : Math.abs(answer[k] - e);
                assertTrue(error <= c.band(), c.name() + " coefficient " + k + ": "
                        + answer[k] + " against " + e);
            }
        }
    }

    @Test
    void aLimitCycleSettlesOnItsWindowMeansAndADriftDoesNot() {
        // cl = 0.3 +- 0.05 with a period of 10 (a window of 50 holds 5 periods): equal window
        // means. It settles within a period of the first three windows although no value ever
        // repeats the one before: a swing 170 times the tolerance tilts the fitted line by more
        // than the tolerance except at the phases where the fit is flat.
        ConvergenceMonitor cycle = new ConvergenceMonitor(new Criteria(6, 1e-3, 50, 1000, 0));
        Stop stop = null;
        int it = 0;
        while (stop == null) {
            it++;
            stop = cycle.add(it, 1, 0.3 + 0.05 * Math.sin(2 * Math.PI * it / 10), 0.02, 0);
        }
        assertEquals(Stop.CAUCHY, stop);
        assertTrue(it >= 150 && it < 160, "stopped at " + it);
        assertEquals(0.3, cycle.answer()[0], 1e-12);
        // A drift of 1e-6 per iteration moves the fitted line by 1.5e-4 over the three windows,
        // below eps x 0.3 = 3e-4: it settles. At 4e-6 per iteration (6e-4; 4e-4 between the
        // first and the last window mean) it never does.
        ConvergenceMonitor slow = new ConvergenceMonitor(new Criteria(6, 1e-3, 50, 1000, 0));
        ConvergenceMonitor fast = new ConvergenceMonitor(new Criteria(6, 1e-3, 50, 1000, 0));
        Stop s1 = null;
        Stop s2 = null;
        for (it = 1; s2 == null; it++) {
            if (s1 == null) {
                s1 = slow.add(it, 1, 0.3 + 1e-6 * it, 0.02, 0);
            }
            s2 = fast.add(it, 1, 0.3 + 4e-6 * it, 0.02, 0);
        }
        assertEquals(Stop.CAUCHY, s1);
        assertEquals(Stop.ITERATIONS, s2);
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
