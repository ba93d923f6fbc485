package CFD.Solvers;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import org.junit.jupiter.api.Test;

/**
 * Steady inviscid runs around a circle through the real entry points: the first-order residual
 * falls by six orders and the coefficients settle; a second-order run stays finite and its
 * residual falls.
 */
class EulerSolverConvergenceTest {
    private static double[] parameters(int order, double mach, double alphaDegrees) {
        double[] p = TestMesh.parameters(mach, alphaDegrees);
        p[1] = order;
        return p;
    }

    private static void assertFinite(double[] values) {
        for (int i = 0; i < values.length; ++i) {
            assertTrue(Double.isFinite(values[i]), "entry " + i + " is " + values[i]);
        }
    }

    @Test
    void firstOrderResidualFallsSixOrdersAndCoefficientsSettle() {
        long[] handle = TestMesh.circleQuads(32, 16, 2, parameters(1, 0.4, 3.0)).start();
        try {
            double first = 0;
            double[] before = null;
            double[] last = null;
            double[] state = null;
            for (int it = 1; it <= 1500; ++it) {
                state = EulerSolver.iterate(handle);
                last = EulerSolver.analysis(handle);
                if (it == 1) {
                    first = last[1];
                }
                if (it == 1400) {
                    before = last;
                }
            }
            assertFinite(state);
            assertFinite(new double[] {last[1], last[2], last[3]});
            assertTrue(first > 0);
            double orders = Math.log10(first / last[1]);
            assertTrue(orders >= 6.0, "residual fell by only " + orders + " orders");
            // Lift and drag no longer move over the last hundred steps.
            assertEquals(before[2], last[2], 1e-7);
            assertEquals(before[3], last[3], 1e-7);
            // A symmetric body: the force is along the free stream, so lift is near zero
            // while drag (first-order dissipation on a coarse mesh) is positive.
            assertTrue(Math.abs(last[2]) < 1e-3 * Math.abs(last[3]), "CL " + last[2]);
            assertTrue(last[3] > 0, "CD " + last[3]);
        } finally {
            EulerSolver.cleanup(handle);
        }
    }

    @Test
    void secondOrderRunStaysFiniteAndItsResidualFalls() {
        long[] handle = TestMesh.circleQuads(32, 16, 2, parameters(2, 0.4, 0.0)).start();
        try {
            double first = 0;
            double smallest = Double.MAX_VALUE;
            double[] state = null;
            for (int it = 1; it <= 600; ++it) {
                state = EulerSolver.iterate(handle);
                double residual = EulerSolver.analysis(handle)[1];
                if (it == 1) {
                    first = residual;
                }
                smallest = Math.min(smallest, residual);
            }
            assertFinite(state);
            assertTrue(smallest < 0.1 * first, "smallest residual " + smallest + " of " + first);
        } finally {
            EulerSolver.cleanup(handle);
        }
    }
}
