package kestrafol.meshing;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import kestrafol.mesh.Mesh;
import org.junit.jupiter.api.Test;

/** The ladder of a study on adapted meshes: one size field, fewer points placed by it. */
class SpacingLadderTest {
    /** Fraction of the body's points within 0.1 chord of the leading edge at (0, 0). */
    private static double noseFraction(double[] body) {
        int near = 0;
        for (int i = 0; i < body.length / 2; i++) {
            near += Math.hypot(body[2 * i], body[2 * i + 1]) < 0.1 ? 1 : 0;
        }
        return (double) near / (body.length / 2);
    }

    @Test
    void theLevelsKeepTheRatioInNodesAndTheDistributionAlongTheBody() {
        MeshGenerator.Options o = MeshGenerator.Options.resolution(64).withFarField(25);
        Mesh present = MeshGenerator.naca("0012", o);
        // Refinement asked for at the nose and at a shock's foot (upper surface, 60 % chord).
        double[] ratio = new double[present.nodeCount()];
        for (int i = 0; i < ratio.length; i++) {
            boolean nose = Math.hypot(present.x(i), present.y(i)) < 0.05;
            boolean shock = Math.abs(present.x(i) - 0.6) < 0.05 && present.y(i) > 0;
            ratio[i] = nose || shock ? 1 / ErrorIndicator.MAX_REFINEMENT
                    : ErrorIndicator.MAX_COARSENING;
        }
        ErrorIndicator.SizeField field = new ErrorIndicator.SizeField(new double[ratio.length],
                ErrorIndicator.spacing(present), ratio, 0, 0);
        double[] outline = AdaptedOMesh.outline("0012", null, false);
        AdaptedOMesh.Result adapted = AdaptedOMesh.build(outline, "airfoil", o, present, field,
                6000);
        SpacingLadder ladder = new SpacingLadder(outline, "airfoil", o, adapted.spacing());
        int finest = adapted.body().length / 2;
        int[] points = ladder.levelPoints(finest, 3, Math.sqrt(2), 16);
        // Every level builds at the full contrast: no softening.
        SpacingLadder.Levels levels = ladder.levels(finest, 3, Math.sqrt(2), 16);
        assertEquals(1.0, levels.contrast());
        org.junit.jupiter.api.Assertions.assertArrayEquals(points, levels.points());

        // The finest level is the adaptation's own last mesh, bit for bit.
        Mesh top = ladder.mesh(finest);
        assertEquals(adapted.mesh().nodeCount(), top.nodeCount());
        for (int i = 0; i < top.nodeCount(); i++) {
            assertEquals(adapted.mesh().x(i), top.x(i), 0);
            assertEquals(adapted.mesh().y(i), top.y(i), 0);
        }
        double share = noseFraction(adapted.body());
        // The placed count is a whole number: a fraction on n points is within 1/n of another.
        double tolerance = 1.0 / points[2];
        int nodesAbove = top.nodeCount();
        for (int k = 1; k < 3; k++) {
            Mesh m = ladder.mesh(points[k]);
            assertEquals(ladder.nodes(points[k]), m.nodeCount());
            // A step of two points moves the nodes by about 4 / n: the nearest count is within
            // half of it, 2 / n, of the ratio squared.
            double step = (double) nodesAbove / m.nodeCount();
            assertEquals(2, step, 2 * 2.0 / points[k], "nodes " + nodesAbove + " then "
                    + m.nodeCount());
            assertEquals(share, noseFraction(ladder.body(points[k])), tolerance,
                    "level " + (k + 1) + " of " + points[k] + " points");
            nodesAbove = m.nodeCount();
        }
        // The built-in mesh of the coarsest level's points spreads them differently: the check
        // above tells an adapted level from a rebuilt unadapted one.
        double[] plain = MeshGenerator.naca("0012", MeshGenerator.Options.resolution(points[2]))
                .coords();
        double[] ring = new double[2 * points[2]];
        System.arraycopy(plain, 0, ring, 0, ring.length);
        assertTrue(Math.abs(noseFraction(ring) - share) > 3 * tolerance,
                noseFraction(ring) + " built-in against " + share + " adapted");
    }
}
