package kestrafol.mesh;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.List;
import kestrafol.TestMeshes;
import kestrafol.TestMeshes.Cells;
import kestrafol.meshing.MeshGenerator;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.EnumSource;

class FieldTransferTest {
    /**
     * The rectangle [x0, x0 + w] x [y0, y0 + h] in nx x ny cells, inner nodes moved off the
     * lattice by up to a fifth of a cell, so that old and new nodes fall anywhere in elements.
     */
    static Mesh box(int nx, int ny, Cells cells, double x0, double y0, double w, double h) {
        TestMeshes.Raw raw = TestMeshes.rectangle(nx, ny, cells);
        double[] xy = raw.coords();
        for (int j = 0; j <= ny; j++) {
            for (int i = 0; i <= nx; i++) {
                int k = j * (nx + 1) + i;
                boolean inner = i > 0 && i < nx && j > 0 && j < ny;
                xy[2 * k] = x0 + w * (i + (inner ? 0.2 * Math.sin(7.0 * k) : 0)) / nx;
                xy[2 * k + 1] = y0 + h * (j + (inner ? 0.2 * Math.cos(5.0 * k) : 0)) / ny;
            }
        }
        BoundaryKind far = BoundaryKind.FAR_FIELD;
        return new Mesh(xy, raw.triangles() == null ? new int[0] : raw.triangles(),
                raw.quads() == null ? new int[0] : raw.quads(), raw.boundaryEdges(),
                List.of(BoundaryKind.SLIP_WALL, far, far, far), null);
    }

    /** Four linear functions of x and y per node, one per conserved value. */
    static double[] linear(Mesh m) {
        double[] f = new double[4 * m.nodeCount()];
        for (int p = 0; p < m.nodeCount(); p++) {
            double x = m.x(p);
            double y = m.y(p);
            f[4 * p] = 1.3 + 0.2 * x - 0.7 * y;
            f[4 * p + 1] = -4 * x;
            f[4 * p + 2] = 0.01 * y + 1e3;
            f[4 * p + 3] = 2.5 - x + y;
        }
        return f;
    }

    /** Old cells of one kind, new cells of another: a linear field arrives to rounding. */
    @ParameterizedTest
    @EnumSource(Cells.class)
    void linearFieldArrivesExactly(Cells cells) {
        Mesh from = box(5, 4, cells, 0, 0, 2, 1);
        Mesh to = box(13, 9, cells == Cells.QUADS ? Cells.TRIANGLES : Cells.QUADS, 0, 0, 2, 1);
        FieldTransfer transfer = FieldTransfer.between(from, to);
        assertEquals(0, transfer.outsideCount());
        double[] got = transfer.apply(linear(from));
        double[] want = linear(to);
        for (int i = 0; i < want.length; i++) {
            assertEquals(want[i], got[i], 1e-12 * Math.max(1, Math.abs(want[i])), "value " + i);
        }
    }

    /** A quadrilateral with a reflex corner is cut along its inner diagonal. */
    @Test
    void nonConvexQuadrilateral() {
        double[] xy = {0, 0, 1, 0, 2, 0, 0, 1, 1.6, 1.6, 2, 1, 0, 2, 1, 2, 2, 2};
        // The upper right quadrilateral starts at its corner (2, 1): the reflex corner (1.6, 1.6)
        // is its last, so only the diagonal between its second and fourth corners lies inside.
        int[] quads = {1, 2, 5, 4, 2, 3, 6, 5, 4, 5, 8, 7, 6, 9, 8, 5};
        int[] edges = {0, 1, 1, 1, 2, 1, 2, 5, 1, 5, 8, 1, 8, 7, 1, 7, 6, 1, 6, 3, 1, 3, 0, 1};
        Mesh from = new Mesh(xy, new int[0], quads, edges, List.of(BoundaryKind.FAR_FIELD), null);
        assertArrayEquals(new int[] {8, 7, 4, 8, 4, 5}, java.util.Arrays.copyOfRange(
                FieldTransfer.triangulate(from, xy), 18, 24));
        Mesh to = box(11, 11, Cells.MIXED, 0, 0, 2, 2);
        double[] got = FieldTransfer.interpolate(from, linear(from), to);
        double[] want = linear(to);
        for (int i = 0; i < want.length; i++) {
            assertEquals(want[i], got[i], 1e-12 * Math.max(1, Math.abs(want[i])), "value " + i);
        }
    }

    /**
     * New nodes outside the old mesh take the value of the nearest old node exactly; those
     * inside are located and interpolated.
     */
    @Test
    void nodesOutsideTakeTheNearestNode() {
        Mesh from = box(4, 4, Cells.MIXED, 0, 0, 1, 1);
        Mesh to = box(9, 7, Cells.TRIANGLES, -0.5, -0.25, 2, 1.5);
        double[] field = linear(from);
        FieldTransfer transfer = FieldTransfer.between(from, to);
        double[] got = transfer.apply(field);
        double[] want = linear(to);
        int outside = 0;
        for (int p = 0; p < to.nodeCount(); p++) {
            double x = to.x(p);
            double y = to.y(p);
            boolean in = x >= 0 && x <= 1 && y >= 0 && y <= 1;
            int nearest = 0;
            for (int q = 1; q < from.nodeCount(); q++) {
                if (Math.hypot(from.x(q) - x, from.y(q) - y)
                        < Math.hypot(from.x(nearest) - x, from.y(nearest) - y)) {
                    nearest = q;
                }
            }
            for (int k = 0; k < 4; k++) {
                if (in) {
                    assertEquals(want[4 * p + k], got[4 * p + k], 1e-9, "node " + p);
                } else {
                    assertEquals(field[4 * nearest + k], got[4 * p + k], 0, "node " + p);
                }
            }
            outside += in ? 0 : 1;
        }
        assertTrue(outside > 20 && outside < to.nodeCount() - 10, "outside " + outside);
        assertEquals(outside, transfer.outsideCount());
    }

    /**
     * A free stream stays a free stream bit for bit, between two airfoil O-meshes whose walls
     * and far fields differ (new wall nodes lie inside the coarser polygon of the old wall);
     * and a mesh carried onto itself keeps any field bit for bit.
     */
    @Test
    void freeStreamAndSameMeshBitForBit() {
        Mesh coarse = MeshGenerator.naca("0012", MeshGenerator.Options.resolution(48));
        Mesh fine = MeshGenerator.naca("0012", MeshGenerator.Options.resolution(96).withQuads(true));
        double[] stream = new double[4 * coarse.nodeCount()];
        for (int p = 0; p < coarse.nodeCount(); p++) {
            System.arraycopy(new double[] {1, 0.79981, -0.0174524, 2.1123}, 0, stream, 4 * p, 4);
        }
        FieldTransfer transfer = FieldTransfer.between(coarse, fine);
        assertTrue(transfer.outsideCount() > 0, "no node outside");
        double[] carried = transfer.apply(stream);
        for (int i = 0; i < carried.length; i++) {
            assertEquals(Double.doubleToRawLongBits(stream[i % 4]),
                    Double.doubleToRawLongBits(carried[i]), "value " + i);
        }
        double[] any = new double[3 * coarse.nodeCount()];
        for (int i = 0; i < any.length; i++) {
            any[i] = Math.sin(1e3 * i) * Math.exp(i % 50);
        }
        assertArrayEquals(any, FieldTransfer.interpolate(coarse, any, coarse));
    }

    @Test
    void refusesBadFields() {
        Mesh m = TestMeshes.square();
        FieldTransfer transfer = FieldTransfer.between(m, m);
        assertEquals("field has length 10, not a positive multiple of the old mesh's 9 nodes",
                assertThrows(IllegalArgumentException.class, () -> transfer.apply(new double[10]))
                        .getMessage());
        double[] nan = new double[9];
        nan[4] = Double.NaN;
        assertEquals("field[4] is NaN; values must be finite",
                assertThrows(IllegalArgumentException.class, () -> transfer.apply(nan)).getMessage());
    }
}
