package kestrafol.mesh;

import kestrafol.meshing.MeshGenerator;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.math.BigDecimal;
import java.nio.file.Path;
import java.util.Random;
import kestrafol.mesh.io.Su2Reader;
import kestrafol.mesh.io.Su2Writer;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * The toolkit's orientation test: the same table of far-from-origin and nearly degenerate
 * elements as the library's, exact agreement with BigDecimal arithmetic, and the default NACA
 * mesh moved far from the origin, which the toolkit must still accept.
 */
class OrientationTest {
    @TempDir
    Path dir;

    private static int tri(double ax, double ay, double bx, double by, double cx, double cy) {
        return Orientation.orientation(new double[] {ax, ay, bx, by, cx, cy}, 0, 1, 2);
    }

    private static int exactSign(double ax, double ay, double bx, double by, double cx, double cy) {
        BigDecimal abx = new BigDecimal(bx).subtract(new BigDecimal(ax));
        BigDecimal aby = new BigDecimal(by).subtract(new BigDecimal(ay));
        BigDecimal acx = new BigDecimal(cx).subtract(new BigDecimal(ax));
        BigDecimal acy = new BigDecimal(cy).subtract(new BigDecimal(ay));
        return abx.multiply(acy).subtract(aby.multiply(acx)).signum();
    }

    @Test
    void sameVerdictsAsTheLibraryTable() {
        assertEquals(1, tri(5e6, 5e6, 5e6 + 0.01, 5e6, 5e6, 5e6 + 0.01));
        assertEquals(-1, tri(5e6, 5e6, 5e6, 5e6 + 0.01, 5e6 + 0.01, 5e6));
        assertEquals(0, tri(0.5, 0.5, 12, 12, 24, 24));
        assertEquals(1, tri(0.5, 0.5, 12, 12, 24, Math.nextUp(24.0)));
        assertEquals(-1, tri(0.5, 0.5, 12, 12, 24, Math.nextDown(24.0)));
        assertEquals(1, tri(0, 0, 1e300, 0, 0, 1e300));
        assertEquals(1, tri(0, 0, 1e-300, 0, 0, 1e-300));
        assertEquals(0, tri(1e-310, 0, 2e-310, 1e-310, 3e-310, 2e-310));
        double[] bowTie = {0, 0, 1, 1, 1, 0, 0, 1};
        assertEquals(0, Orientation.quadOrientation(bowTie, 0, 1, 2, 3));
        double[] square = {0, 0, 1, 0, 1, 1, 0, 1};
        assertEquals(1, Orientation.quadOrientation(square, 0, 1, 2, 3));
        assertEquals(-1, Orientation.quadOrientation(square, 0, 3, 2, 1));
    }

    @Test
    void agreesWithExactDecimalArithmetic() {
        Random random = new Random(13);
        int zero = 0;
        for (int i = 0; i < 20000; i++) {
            // Nearly collinear points a few ulps apart, at scales from 1e-3 to 1e12 and offsets up to 1e7.
            double scale = Math.pow(10, random.nextInt(16) - 3);
            double ox = (random.nextDouble() - 0.5) * 1e7;
            double oy = (random.nextDouble() - 0.5) * 1e7;
            double dx = random.nextDouble() * scale;
            double dy = random.nextDouble() * scale;
            double t = 1 + random.nextInt(3);
            double ax = ox, ay = oy;
            double bx = ox + dx, by = oy + dy;
            double cx = ox + t * dx, cy = oy + t * dy;
            if (i % 2 == 1) {
                cx = cx + (random.nextInt(5) - 2) * Math.ulp(cx);
                cy = cy + (random.nextInt(5) - 2) * Math.ulp(cy);
            }
            int expected = exactSign(ax, ay, bx, by, cx, cy);
            assertEquals(expected, tri(ax, ay, bx, by, cx, cy), "case " + i);
            assertEquals(-expected, tri(bx, by, ax, ay, cx, cy), "case " + i);
            zero += expected == 0 ? 1 : 0;
        }
        assertTrue(zero > 100, "exactly collinear cases: " + zero);
    }

    @Test
    void theDefaultNacaMeshFarFromTheOriginIsAccepted() throws IOException {
        Mesh mesh = MeshGenerator.naca("0012", MeshGenerator.Options.defaults());
        double[] xy = mesh.coords();
        for (int i = 0; i < xy.length; i += 2) {
            xy[i] += 5e5;
            xy[i + 1] += 5e6;
        }
        Mesh shifted = new Mesh(xy, mesh.triangles(), mesh.quads(), mesh.boundaryEdges(),
                mesh.boundaryKinds(), mesh.boundaryNames());
        Path file = dir.resolve("shifted.su2");
        Su2Writer.write(shifted, file);
        Mesh read = Su2Reader.read(file);
        assertEquals(mesh.triangleCount(), read.triangleCount());
        assertEquals(mesh.nodeCount(), read.nodeCount());
    }
}
