package kestrafol.solver;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.util.List;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.Mesh;
import org.junit.jupiter.api.Test;

/** Worked examples of the toolkit's wall forces on meshes small enough to integrate by hand. */
class WallForcesTest {
    static final double GAMMA = 1.4;
    static final double P_INF = 1 / GAMMA;

    /** Conserved state of a node with the given density, velocity and pressure. */
    static void put(double[] s, int i, double rho, double u, double v, double p) {
        s[4 * i] = rho;
        s[4 * i + 1] = rho * u;
        s[4 * i + 2] = rho * v;
        s[4 * i + 3] = p / (GAMMA - 1) + 0.5 * rho * (u * u + v * v);
    }

    /**
     * Unit square [0,1]^2 split into two counter-clockwise triangles; bottom edge (nodes 0-1)
     * tag 1 with the given kind, the other three sides tag 2 far field.
     */
    static WallForces square(int wallKind, int[] bottom, WallForces.Reference ref) {
        double[] xy = {0, 0, 1, 0, 1, 1, 0, 1};
        int[] tri = {1, 2, 3, 1, 3, 4};
        int[] edges = {bottom[0], bottom[1], 1, 1, 2, 2, 2, 3, 2, 3, 0, 2};
        return new WallForces(new Mesh(xy, tri, new int[0], edges,
                BoundaryKind.fromCodes(new int[] {wallKind, 1}), null),
                new boolean[] {true, false}, ref);
    }

    @Test
    void gaugePressureOnOneWallEdgeWithMomentAboutTheQuarterChord() {
        // Pressure p_inf + 0.1 everywhere: the fluid above pushes the wall y = 0 down with 0.1
        // per unit length, applied at x = 0.5. At Mach 0.5 (q = 0.125): cl = -0.8, and the
        // moment about (0.25, 0) is Mz = 0.25 * (-0.1), so cm = +0.2 (nose up).
        WallForces w = square(2, new int[] {0, 1}, new WallForces.Reference(0.25, 0, 1));
        double[] s = new double[16];
        for (int i = 0; i < 4; i++) {
            put(s, i, 1, 0.5, 0, P_INF + 0.1);
        }
        WallForces.Result r = w.compute(s, new WallForces.Conditions(0.5, 0, GAMMA, false, 1));
        assertEquals(-0.8, r.cl(), 1e-13);
        assertEquals(0.0, r.cd(), 1e-13);
        assertEquals(0.2, r.cm(), 1e-13);
        assertEquals(0.0, r.cdFriction());
        // The free-stream pressure alone gives no force: gauge pressure, not absolute.
        for (int i = 0; i < 4; i++) {
            put(s, i, 1, 0.5, 0, P_INF);
        }
        r = w.compute(s, new WallForces.Conditions(0.5, 0, GAMMA, false, 1));
        assertEquals(0.0, r.cl(), 1e-14);
        assertEquals(0.0, r.cm(), 1e-14);
        // At 90 degrees the downward force is drag -(-0.1)/q... lift = -sin(a) Fx + cos(a) Fy.
        for (int i = 0; i < 4; i++) {
            put(s, i, 1, 0.5, 0, P_INF + 0.1);
        }
        r = w.compute(s, new WallForces.Conditions(0.5, 90, GAMMA, false, 1));
        assertEquals(-0.8, r.cd(), 1e-13);
        assertEquals(0.0, r.cl(), 1e-13);
    }

    @Test
    void laminarShearOnANoSlipWallIsSkinFrictionDragInBothEdgeOrientations() {
        // u = k y on the square (exact on the linear triangles), uniform free-stream pressure:
        // wall shear mu du/dy = k / Re_lib = 0.3 / 50, drag per unit length 0.006, q = 0.125 at
        // Mach 0.5, reference length 2: cdFriction = 0.006 / (0.125 * 2) = 0.024, cf = 0.048.
        for (int[] bottom : new int[][] {{0, 1}, {1, 0}}) {
            WallForces w = square(3, bottom, new WallForces.Reference(0, 0, 2));
            double[] s = new double[16];
            double[] y = {0, 0, 1, 1};
            for (int i = 0; i < 4; i++) {
                put(s, i, 1, 0.3 * y[i], 0, P_INF);
            }
            WallForces.Result r = w.compute(s, new WallForces.Conditions(0.5, 0, GAMMA, true, 50));
            assertEquals(0.024, r.cdFriction(), 1e-14);
            assertEquals(0.0, r.cdPressure(), 1e-14);
            assertEquals(r.cdPressure() + r.cdFriction(), r.cd(), 1e-15);
            // du/dy gives no normal stress: no friction lift.
            assertEquals(0.0, r.clFriction(), 1e-14);
            // Force at x = 0.5 pointing downstream, on the wall: no moment about (0, 0).
            assertEquals(0.0, r.cm(), 1e-14);
            List<WallForces.SurfacePoint> pts = r.surface();
            assertEquals(2, pts.size());
            for (WallForces.SurfacePoint p : pts) {
                assertEquals(0.048, p.cf(), 1e-13);
                assertEquals(0.0, p.cp(), 1e-13);
            }
            // Inviscid conditions: the same state has no friction.
            assertEquals(0.0, w.compute(s, new WallForces.Conditions(0.5, 0, GAMMA, false, 50))
                    .cdFriction());
        }
        // The same shear on a slip wall gives no friction.
        WallForces slip = square(2, new int[] {0, 1}, new WallForces.Reference(0, 0, 1));
        double[] s = new double[16];
        double[] y = {0, 0, 1, 1};
        for (int i = 0; i < 4; i++) {
            put(s, i, 1, 0.3 * y[i], 0, P_INF);
        }
        assertEquals(0.0, slip.compute(s, new WallForces.Conditions(0.5, 0, GAMMA, true, 50))
                .cdFriction());
    }

    /** A square body [1,2]^2 inside the box [0,3]^2, quadrilaterals, wall tag 1, box tag 2. */
    static WallForces squareBody(WallForces.Reference ref, boolean[] monitored) {
        // Nodes: outer 0-3 (0,0),(3,0),(3,3),(0,3); inner 4-7 (1,1),(2,1),(2,2),(1,2).
        double[] xy = {0, 0, 3, 0, 3, 3, 0, 3, 1, 1, 2, 1, 2, 2, 1, 2};
        int[] quads = {1, 2, 6, 5, 2, 3, 7, 6, 3, 4, 8, 7, 4, 1, 5, 8};
        int[] edges = {4, 5, 1, 5, 6, 1, 6, 7, 1, 7, 4, 1, 0, 1, 2, 1, 2, 2, 2, 3, 2, 3, 0, 2};
        return new WallForces(new Mesh(xy, new int[0], quads, edges,
                BoundaryKind.fromCodes(new int[] {2, 1}), null), monitored, ref);
    }

    @Test
    void linearPressureOnAClosedBodyGivesItsBuoyancyAndAConstantOneNothing() {
        // p = p_inf + g (y - 1.5): the force on the body is -g times its area (1), downwards.
        WallForces w = squareBody(new WallForces.Reference(1.5, 1.5, 1), new boolean[] {true,
            false});
        double[] s = new double[32];
        double g = 0.02;
        double[] y = {0, 0, 3, 3, 1, 1, 2, 2};
        for (int i = 0; i < 8; i++) {
            put(s, i, 1, 0.8, 0, P_INF + g * (y[i] - 1.5));
        }
        WallForces.Result r = w.compute(s, new WallForces.Conditions(0.8, 0, GAMMA, false, 1));
        double q = 0.5 * 0.8 * 0.8;
        assertEquals(-g / q, r.cl(), 1e-13);
        assertEquals(0.0, r.cd(), 1e-13);
        // Symmetric about the body's centre: no moment.
        assertEquals(0.0, r.cm(), 1e-13);
        // The closed wall is listed once per node from a node of largest x, clockwise (flow
        // domain on the left): (2,1), (1,1), (1,2), (2,2).
        List<WallForces.SurfacePoint> pts = r.surface();
        assertEquals(4, pts.size());
        double[][] expected = {{2, 1}, {1, 1}, {1, 2}, {2, 2}};
        for (int k = 0; k < 4; k++) {
            assertEquals(expected[k][0], pts.get(k).x());
            assertEquals(expected[k][1], pts.get(k).y());
        }
    }

    @Test
    void nothingMonitoredMeansZeroForcesAndMonitoringAFarFieldIsRefused() {
        WallForces none = squareBody(new WallForces.Reference(0, 0, 1), new boolean[] {false,
            false});
        assertEquals(0, none.monitoredEdgeCount());
        double[] s = new double[32];
        for (int i = 0; i < 8; i++) {
            put(s, i, 1, 0.8, 0, P_INF + i);
        }
        WallForces.Result r = none.compute(s, new WallForces.Conditions(0.8, 3, GAMMA, false, 1));
        assertEquals(0.0, r.cl());
        assertEquals(0.0, r.cd());
        assertThrows(IllegalArgumentException.class, () -> squareBody(
                new WallForces.Reference(0, 0, 1), new boolean[] {false, true}));
        assertThrows(IllegalArgumentException.class, () -> new WallForces.Reference(0, 0, 0));
    }

    @Test
    void eachWallsShareIsItsOwnForceAndTheSharesAddUpToTheTotals() {
        // The square with two no-slip walls: bottom (tag 1) and top (tag 2), pressure p_inf + 0.1
        // and u = 0.3 y everywhere, Re_lib 50, Mach 0.5 (q = 0.125), moments about (0.25, 0).
        // Bottom: pushed down by 0.1 (cl -0.8, cm +0.2), dragged on by the shear 0.006 (cd
        // +0.048). Top: pushed up (cl +0.8), held back by the slower fluid below (cd -0.048);
        // its moment 0.25 * 0.1 + 1 * 0.006 gives cm -0.248. The totals cancel.
        double[] xy = {0, 0, 1, 0, 1, 1, 0, 1};
        int[] edges = {0, 1, 1, 1, 2, 3, 2, 3, 2, 3, 0, 3};
        WallForces w = new WallForces(new Mesh(xy, new int[] {1, 2, 3, 1, 3, 4}, new int[0],
                edges, BoundaryKind.fromCodes(new int[] {3, 3, 1}), null),
                new boolean[] {true, true, false},
                new WallForces.Reference(0.25, 0, 1));
        double[] s = new double[16];
        double[] y = {0, 0, 1, 1};
        for (int i = 0; i < 4; i++) {
            put(s, i, 1, 0.3 * y[i], 0, P_INF + 0.1);
        }
        double[][] expected = {{1, -0.8, 0.048, 0.2}, {2, 0.8, -0.048, -0.248}};
        WallForces.Result r = w.compute(s, new WallForces.Conditions(0.5, 0, GAMMA, true, 50));
        for (int k = 0; k < 2; k++) {
            WallForces.WallShare share = r.walls().get(k);
            assertEquals((int) expected[k][0], share.tag());
            assertEquals(expected[k][1], share.cl(), 1e-13);
            assertEquals(expected[k][2], share.cd(), 1e-13);
            assertEquals(expected[k][3], share.cm(), 1e-13);
        }
        // At an angle, with a pressure that varies, the shares still add up to the totals.
        for (int i = 0; i < 4; i++) {
            put(s, i, 1, 0.3 * y[i] + 0.1 * i, 0.05 * i, P_INF + 0.1 * i);
        }
        for (double alpha : new double[] {-4, 7, 90}) {
            r = w.compute(s, new WallForces.Conditions(0.5, alpha, GAMMA, true, 50));
            double[] sum = new double[3];
            for (WallForces.WallShare share : r.walls()) {
                sum[0] += share.cl();
                sum[1] += share.cd();
                sum[2] += share.cm();
            }
            assertEquals(r.cl(), sum[0], 1e-13, "cl at alpha " + alpha);
            assertEquals(r.cd(), sum[1], 1e-13, "cd at alpha " + alpha);
            assertEquals(r.cm(), sum[2], 1e-13, "cm at alpha " + alpha);
        }
    }
}
