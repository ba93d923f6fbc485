package kestrafol.meshing;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.Arrays;
import kestrafol.mesh.FieldTransfer;
import kestrafol.mesh.Mesh;
import org.junit.jupiter.api.Test;

/** The error indicator, its size field and the O-mesh placed by it. */
class AdaptationTest {
    private static final double GAMMA = 1.4;

    /** A state per node: density rho, velocity (u, 0), pressure p, each from x. */
    private static double[] state(Mesh m, java.util.function.DoubleUnaryOperator rho,
            java.util.function.DoubleUnaryOperator u, java.util.function.DoubleUnaryOperator p) {
        double[] s = new double[4 * m.nodeCount()];
        for (int i = 0; i < m.nodeCount(); i++) {
            double x = m.x(i);
            double r = rho.applyAsDouble(x);
            double v = u.applyAsDouble(x);
            s[4 * i] = r;
            s[4 * i + 1] = r * v;
            s[4 * i + 3] = p.applyAsDouble(x) / (GAMMA - 1) + 0.5 * r * v * v;
        }
        return s;
    }

    @Test
    void aJumpAcrossALineGetsTheLargestMarksAndTheUniformFlowNone() {
        Mesh m = MeshGenerator.circle(MeshGenerator.Options.resolution(64).withFarField(25));
        double x0 = 2.2;
        double width = 0.05;
        // A normal-shock-like step: Mach, pressure and entropy all jump across x = x0.
        java.util.function.DoubleUnaryOperator step = x -> 0.5 * (1 + Math.tanh((x - x0) / width));
        double[] s = state(m, x -> 1 + 0.4 * step.applyAsDouble(x),
                x -> 0.8 - 0.3 * step.applyAsDouble(x), x -> (1 + 0.7 * step.applyAsDouble(x)) / GAMMA);
        ErrorIndicator.SizeField field = ErrorIndicator.sizeField(m, s, GAMMA, m.nodeCount());
        double[] marks = field.indicator();
        double[] h = field.spacing();
        int top = 0;
        for (int i = 0; i < marks.length; i++) {
            top = marks[i] > marks[top] ? i : top;
        }
        assertTrue(Math.abs(m.x(top) - x0) <= 2 * h[top],
                "largest mark at x = " + m.x(top) + ", spacing " + h[top]);
        double nearRequest = Double.MAX_VALUE;
        double farRequest = 0;
        for (int i = 0; i < marks.length; i++) {
            // Beyond 12 widths and two sides from the line the flow is uniform to 1e-10.
            if (Math.abs(m.x(i) - x0) > 12 * width + 2 * h[i]) {
                assertTrue(marks[i] < 1e-8 * marks[top], "node " + i + " at x = " + m.x(i)
                        + " marked " + marks[i]);
                farRequest = Math.max(farRequest, field.ratio()[i]);
            } else if (marks[i] > 0.5 * marks[top]) {
                nearRequest = Math.min(nearRequest, field.ratio()[i]);
            }
        }
        // The same node count: the uniform part coarsened as far as allowed pays for the step.
        assertTrue(nearRequest < 0.5, "the step's nodes asked for a ratio of " + nearRequest);
        assertEquals(ErrorIndicator.MAX_COARSENING, farRequest, 1e-12);
        assertEquals(m.nodeCount(), field.predictedNodes(), 2e-3 * m.nodeCount());
    }

    @Test
    void aFreeStreamCarriedThroughTheRemeshAndTransferIsUnchanged() {
        MeshGenerator.Options o = MeshGenerator.Options.resolution(48).withFarField(25);
        Mesh present = MeshGenerator.naca("2412", o);
        double mach = 0.7;
        double alpha = Math.toRadians(3);
        double[] s = new double[4 * present.nodeCount()];
        for (int i = 0; i < present.nodeCount(); i++) {
            s[4 * i] = 1;
            s[4 * i + 1] = mach * Math.cos(alpha);
            s[4 * i + 2] = mach * Math.sin(alpha);
            s[4 * i + 3] = 1 / (GAMMA * (GAMMA - 1)) + 0.5 * mach * mach;
        }
        ErrorIndicator.SizeField field = ErrorIndicator.sizeField(present, s, GAMMA,
                2 * present.nodeCount());
        assertEquals(0, field.estimate());
        Mesh adapted = AdaptedOMesh.build(AdaptedOMesh.outline("2412", null, false), "airfoil", o,
                present, field, 2 * present.nodeCount()).mesh();
        assertTrue(adapted.nodeCount() > present.nodeCount());
        double[] carried = FieldTransfer.interpolate(present, s, adapted);
        for (int i = 0; i < adapted.nodeCount(); i++) {
            assertArrayEquals(Arrays.copyOfRange(s, 0, 4), Arrays.copyOfRange(carried, 4 * i,
                    4 * i + 4), "node " + i);
        }
    }

    @Test
    void theAdaptedMeshKeepsItsBudgetAndPutsItsPointsWhereAsked() {
        MeshGenerator.Options o = MeshGenerator.Options.resolution(64).withFarField(25);
        Mesh present = MeshGenerator.naca("0012", o);
        // Refinement asked for on the upper surface near 60 % chord (a shock's foot), a band
        // 0.1 chord off the wall, so only the band's nearest stations can carry it there;
        // coarsening elsewhere.
        double[] ratio = new double[present.nodeCount()];
        for (int i = 0; i < ratio.length; i++) {
            boolean shock = Math.abs(present.x(i) - 0.6) < 0.05 && present.y(i) > 0.1
                    && present.y(i) < 0.15;
            ratio[i] = shock ? 1 / ErrorIndicator.MAX_REFINEMENT : ErrorIndicator.MAX_COARSENING;
        }
        ErrorIndicator.SizeField field = new ErrorIndicator.SizeField(new double[ratio.length],
                ErrorIndicator.spacing(present), ratio, 0, 0);
        for (int budget : new int[] {2000, 5000}) {
            AdaptedOMesh.Result r = AdaptedOMesh.build(AdaptedOMesh.outline("0012", null, false),
                    "airfoil", o, present, field, budget);
            assertTrue(r.mesh().nodeCount() <= budget && r.mesh().nodeCount() > 0.8 * budget,
                    r.mesh().nodeCount() + " nodes for " + budget);
            double upper = surfaceSpacingAt(r.body(), 0.6, 1);
            double lower = surfaceSpacingAt(r.body(), 0.6, -1);
            assertTrue(upper < 0.5 * lower, "spacing at 60 % chord " + upper + " above, "
                    + lower + " below");
            // The first layer is a quarter of the mean spacing along the body, not the
            // built-in O-mesh's half: the node above the wall at 30 % chord stands that high.
            int n = r.body().length / 2;
            double perimeter = AdaptedOMesh.arcLengths(AdaptedOMesh.outline("0012", null,
                    false))[AdaptedOMesh.OUTLINE_POINTS];
            double h0 = AdaptedOMesh.FIRST_HEIGHT * perimeter / n;
            assertEquals(h0, firstLayerAt(r.mesh(), r.body(), 0.3), 0.1 * h0);
        }
    }

    /** Distance from the upper wall point nearest chord station x to the nearest off-wall node. */
    private static double firstLayerAt(Mesh mesh, double[] body, double x) {
        int n = body.length / 2;
        int foot = -1;
        for (int j = 0; j < n; j++) {
            if (body[2 * j + 1] > 0 && (foot < 0
                    || Math.abs(body[2 * j] - x) < Math.abs(body[2 * foot] - x))) {
                foot = j;
            }
        }
        double nearest = Double.MAX_VALUE;
        for (int i = 0; i < mesh.nodeCount(); i++) {
            boolean onWall = false;
            for (int j = 0; j < n && !onWall; j++) {
                onWall = mesh.x(i) == body[2 * j] && mesh.y(i) == body[2 * j + 1];
            }
            if (!onWall) {
                nearest = Math.min(nearest, Math.hypot(mesh.x(i) - body[2 * foot],
                        mesh.y(i) - body[2 * foot + 1]));
            }
        }
        return nearest;
    }

    @Test
    void theSpacingAlongTheBodyStaysWithinItsCapWhereTheRequestIsCoarse() {
        // A circle whose first quarter asks for spacing 1 and the rest for 100: uncapped, all
        // but a handful of points would go to the quarter; capped at 1.5 times the mean, the
        // rest takes 3/4 of the perimeter at 1.5 P / n, n / 2 points, and the quarter the others.
        double[] outline = AdaptedOMesh.outline(null, null, true);
        double[] arc = AdaptedOMesh.arcLengths(outline);
        int stations = outline.length / 2;
        double[] request = new double[stations];
        for (int i = 0; i < stations; i++) {
            request[i] = i < stations / 4 ? 1 : 100;
        }
        int n = 80;
        double[] body = AdaptedOMesh.place(outline, arc, request, n);
        double cap = AdaptedOMesh.MAX_SPACING * arc[stations] / n;
        int inQuarter = 0;
        for (int j = 0; j < n; j++) {
            int k = (j + 1) % n;
            double side = Math.hypot(body[2 * k] - body[2 * j], body[2 * k + 1] - body[2 * j + 1]);
            assertTrue(side <= 1.001 * cap, "side " + j + " is " + side + ", the cap " + cap);
            // The quarter is the circle's first quadrant (x above 0.5, y at or below 0).
            inQuarter += body[2 * j] >= 0.5 && body[2 * j + 1] <= 0 ? 1 : 0;
        }
        assertEquals(n / 2, inQuarter, 2, "points in the finely asked quarter");
    }

    /** Length of the body side that spans chord station x on the given side (1 upper). */
    private static double surfaceSpacingAt(double[] body, double x, int side) {
        int n = body.length / 2;
        for (int i = 0; i < n; i++) {
            int k = (i + 1) % n;
            boolean spans = (body[2 * i] - x) * (body[2 * k] - x) <= 0;
            if (spans && Math.signum(body[2 * i + 1]) == side) {
                return Math.hypot(body[2 * k] - body[2 * i], body[2 * k + 1] - body[2 * i + 1]);
            }
        }
        throw new AssertionError("no side at " + x);
    }
}
