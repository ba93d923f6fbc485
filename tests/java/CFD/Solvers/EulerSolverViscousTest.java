package CFD.Solvers;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.Arrays;
import org.junit.jupiter.api.Test;

/** Laminar viscous terms through the host class, around a circle with a no-slip wall. */
class EulerSolverViscousTest {
    private static final int NO_SLIP = 3;

    private static long[] startCircle(int ni, int nj, double[] parameters) {
        return TestMesh.circleQuads(ni, nj, NO_SLIP, parameters).start();
    }

    private static double[] laminar(double viscous, double reynolds) {
        double[] p = TestMesh.parameters(0.2, 0.0);
        p[1] = 2;
        p[13] = viscous;
        p[14] = reynolds;
        return p;
    }

    private static double[] run(long[] handle, int calls) {
        double[] state = null;
        for (int i = 0; i < calls; ++i) {
            state = EulerSolver.iterate(handle);
        }
        return state;
    }

    @Test
    void viscousEntryBelowOneIsInviscidToTheBit() {
        long[] half = startCircle(24, 10, laminar(0.5, 40.0));
        long[] none = startCircle(24, 10, laminar(0.0, 40.0));
        long[] on = startCircle(24, 10, laminar(1.0, 40.0));
        try {
            double[] a = run(half, 15);
            double[] b = run(none, 15);
            double[] c = run(on, 15);
            assertArrayEquals(b, a, 0.0);
            assertArrayEquals(EulerSolver.analysis(none), EulerSolver.analysis(half), 0.0);
            assertFalse(Arrays.equals(b, c), "the viscous run must differ from the inviscid one");
        } finally {
            EulerSolver.cleanup(half);
            EulerSolver.cleanup(none);
            EulerSolver.cleanup(on);
        }
    }

    @Test
    void switchingViscousTermsTakesEffectAtTheNextCall() {
        long[] switched = startCircle(24, 10, laminar(0.0, 40.0));
        long[] twin = startCircle(24, 10, laminar(0.0, 40.0));
        try {
            assertArrayEquals(run(twin, 5), run(switched, 5), 0.0);
            EulerSolver.update(switched, laminar(1.0, 40.0));
            double[] viscousStep = EulerSolver.iterate(switched);
            double[] inviscidStep = EulerSolver.iterate(twin);
            assertFalse(Arrays.equals(inviscidStep, viscousStep));
            // Back to inviscid: both advance with the same operator again, from different states.
            EulerSolver.update(switched, laminar(0.0, 40.0));
            double[] next = EulerSolver.iterate(switched);
            for (double v : next) {
                assertTrue(Double.isFinite(v));
            }
        } finally {
            EulerSolver.cleanup(switched);
            EulerSolver.cleanup(twin);
        }
    }

    @Test
    void refusedReynoldsLeavesTheRunningSolverUntouched() {
        long[] solver = startCircle(24, 10, laminar(1.0, 40.0));
        long[] twin = startCircle(24, 10, laminar(1.0, 40.0));
        try {
            run(solver, 3);
            run(twin, 3);
            for (double bad : new double[] {0.0, -40.0, Double.NaN, Double.POSITIVE_INFINITY}) {
                assertThrows(IllegalArgumentException.class,
                        () -> EulerSolver.update(solver, laminar(1.0, bad)));
            }
            assertArrayEquals(run(twin, 4), run(solver, 4), 0.0);
            assertArrayEquals(EulerSolver.analysis(twin), EulerSolver.analysis(solver), 0.0);
        } finally {
            EulerSolver.cleanup(solver);
            EulerSolver.cleanup(twin);
        }
    }

    @Test
    void laminarCircleAtReynoldsFortyRunsStableAndConverges() {
        long[] handle = startCircle(48, 24, laminar(1.0, 40.0));
        try {
            double first = 0;
            double[] values = null;
            double[] state = null;
            for (int it = 1; it <= 800; ++it) {
                state = EulerSolver.iterate(handle);
                values = EulerSolver.analysis(handle);
                if (it == 1) {
                    first = values[1];
                }
            }
            for (double v : state) {
                assertTrue(Double.isFinite(v));
            }
            assertTrue(values[1] < 0.05 * first,
                    "residual " + values[1] + " after 800 steps, from " + first);
            // Symmetric flow: pressure drag only, no lift.
            assertTrue(values[3] > 0.5 && values[3] < 5.0, "CD " + values[3]);
            assertTrue(Math.abs(values[2]) < 1e-2 * values[3], "CL " + values[2]);
        } finally {
            EulerSolver.cleanup(handle);
        }
    }
}
