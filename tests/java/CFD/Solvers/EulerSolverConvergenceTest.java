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
    /** Quadrilateral O-mesh around a circle of radius 0.5 out to radius 20; tag 1 wall, 2 far. */
    private static final class Circle {
        final int nodeCount;
        final double[] coords;
        final int[] quads;
        final int[] boundaryEdges;

        Circle(int ni, int nj) {
            nodeCount = ni * nj;
            coords = new double[2 * nodeCount];
            double growth = Math.pow(20.0 / 0.5, 1.0 / (nj - 1));
            for (int j = 0; j < nj; ++j) {
                double r = 0.5 * Math.pow(growth, j);
                for (int i = 0; i < ni; ++i) {
                    double t = 2.0 * Math.PI * i / ni;
                    coords[2 * (j * ni + i)] = r * Math.cos(t);
                    coords[2 * (j * ni + i) + 1] = r * Math.sin(t);
                }
            }
            quads = new int[4 * ni * (nj - 1)];
            int q = 0;
            for (int j = 0; j + 1 < nj; ++j) {
                for (int i = 0; i < ni; ++i) {
                    int a = j * ni + i;
                    int d = j * ni + (i + 1) % ni;
                    // Outward in radius, then forward in angle: counter-clockwise.
                    quads[q++] = a + 1;
                    quads[q++] = a + ni + 1;
                    quads[q++] = d + ni + 1;
                    quads[q++] = d + 1;
                }
            }
            boundaryEdges = new int[3 * 2 * ni];
            for (int i = 0; i < ni; ++i) {
                int k = 3 * i;
                boundaryEdges[k] = i;
                boundaryEdges[k + 1] = (i + 1) % ni;
                boundaryEdges[k + 2] = 1;
                k = 3 * (ni + i);
                boundaryEdges[k] = (nj - 1) * ni + i;
                boundaryEdges[k + 1] = (nj - 1) * ni + (i + 1) % ni;
                boundaryEdges[k + 2] = 2;
            }
        }

        long[] start(double[] parameters) {
            return EulerSolver.start(nodeCount, coords, 0, null, quads.length / 4, quads,
                    boundaryEdges.length / 3, boundaryEdges, 2, new int[] {2, 1}, parameters);
        }
    }

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
        Circle mesh = new Circle(32, 16);
        long[] handle = mesh.start(parameters(1, 0.4, 3.0));
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
        Circle mesh = new Circle(32, 16);
        long[] handle = mesh.start(parameters(2, 0.4, 0.0));
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
