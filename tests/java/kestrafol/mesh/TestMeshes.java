package kestrafol.mesh;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;

/** Small meshes and files for the toolkit tests. */
public final class TestMeshes {
    private TestMeshes() {}

    /**
     * The unit square as 2 x 2 cells: the left column two quadrilaterals, the right column four
     * triangles. Nodes 0..8 row by row from (0, 0). Tag 1 "wall" (slip) is the bottom side, tag 2
     * "farfield" the other three sides.
     */
    public static Mesh square() {
        double[] coords = new double[18];
        for (int j = 0; j < 3; j++) {
            for (int i = 0; i < 3; i++) {
                coords[2 * (3 * j + i)] = 0.5 * i;
                coords[2 * (3 * j + i) + 1] = 0.5 * j;
            }
        }
        int[] quads = {1, 2, 5, 4, 4, 5, 8, 7};
        int[] triangles = {2, 3, 6, 2, 6, 5, 5, 6, 9, 5, 9, 8};
        int[] edges = {0, 1, 1, 1, 2, 1, 2, 5, 2, 5, 8, 2, 8, 7, 2, 7, 6, 2, 6, 3, 2, 3, 0, 2};
        return new Mesh(coords, triangles, quads, edges, List.of(BoundaryKind.SLIP_WALL, BoundaryKind.FAR_FIELD),
                List.of("wall", "farfield"));
    }

    /**
     * A laminar flat-plate channel like the shared one: x from -0.06 to 0.3048 (the plate, tag 1
     * "wall", from 0), y from 0 to 0.03; cells packed towards the leading edge and the wall
     * (first height 2e-5). Tags: 1 wall (no-slip), 2 symmetry (slip, upstream of the plate),
     * 3 inlet, 4 outlet, 5 farfield (far fields).
     */
    public static Mesh flatPlate() {
        double[] x = concat(stretched(-0.06, 0, 12, 1.15, false),
                stretched(0, 0.3048, 40, 1.085, true));
        double[] y = stretched(0, 0.03, 32, 1.195, true);
        int nx = x.length;
        int ny = y.length;
        double[] coords = new double[2 * nx * ny];
        for (int j = 0; j < ny; j++) {
            for (int i = 0; i < nx; i++) {
                coords[2 * (j * nx + i)] = x[i];
                coords[2 * (j * nx + i) + 1] = y[j];
            }
        }
        int[] quads = new int[4 * (nx - 1) * (ny - 1)];
        int q = 0;
        for (int j = 0; j + 1 < ny; j++) {
            for (int i = 0; i + 1 < nx; i++) {
                int a = j * nx + i + 1;
                quads[q++] = a;
                quads[q++] = a + 1;
                quads[q++] = a + 1 + nx;
                quads[q++] = a + nx;
            }
        }
        java.util.List<Integer> edges = new java.util.ArrayList<>();
        for (int i = 0; i + 1 < nx; i++) {
            int tag = x[i] >= 0 ? 1 : 2;
            java.util.Collections.addAll(edges, i, i + 1, tag);
            java.util.Collections.addAll(edges, (ny - 1) * nx + i + 1, (ny - 1) * nx + i, 5);
        }
        for (int j = 0; j + 1 < ny; j++) {
            java.util.Collections.addAll(edges, (j + 1) * nx, j * nx, 3);
            java.util.Collections.addAll(edges, j * nx + nx - 1, (j + 1) * nx + nx - 1, 4);
        }
        return new Mesh(coords, new int[0], quads,
                edges.stream().mapToInt(Integer::intValue).toArray(),
                List.of(BoundaryKind.NO_SLIP_WALL, BoundaryKind.SLIP_WALL, BoundaryKind.FAR_FIELD,
                        BoundaryKind.FAR_FIELD, BoundaryKind.FAR_FIELD),
                List.of("wall", "symmetry", "inlet", "outlet", "farfield"));
    }

    /** cells + 1 points from a to b, cell sizes growing by ratio away from a (or from b). */
    private static double[] stretched(double a, double b, int cells, double ratio,
            boolean fromA) {
        double[] p = new double[cells + 1];
        double total = (Math.pow(ratio, cells) - 1) / (ratio - 1);
        double sum = 0;
        for (int k = 0; k <= cells; k++) {
            double t = k == cells ? 1 : sum / total;
            if (fromA) {
                p[k] = a + (b - a) * t;
            } else {
                p[cells - k] = b - (b - a) * t;
            }
            sum += Math.pow(ratio, k);
        }
        return p;
    }

    private static double[] concat(double[] a, double[] b) {
        double[] c = java.util.Arrays.copyOf(a, a.length + b.length - 1);
        System.arraycopy(b, 1, c, a.length, b.length - 1);
        return c;
    }

    public static Path write(Path file, String... lines) throws IOException {
        Files.write(file, List.of(lines), StandardCharsets.UTF_8);
        return file;
    }

    /** The square of square() as an SU2 file (triangles written clockwise on purpose). */
    public static String[] squareSu2() {
        return new String[] {
            "% the unit square",
            "NDIME= 2",
            "NELEM= 6",
            "9 0 1 4 3 0",
            "9 3 4 7 6 1",
            "5 1 5 2 2",          // clockwise: the reader turns it round
            "5 1 5 4",
            "5 4 5 8",
            "5 4 8 7 5",
            "NPOIN= 9",
            "0 0 0", "0.5 0 1", "1 0 2",
            "0 0.5 3", "0.5 0.5 4", "1 0.5 5",
            "0 1 6", "0.5 1 7", "1 1 8",
            "NMARK= 2",
            "MARKER_TAG= wall",
            "MARKER_ELEMS= 2",
            "3 0 1", "3 1 2",
            "MARKER_TAG= farfield",
            "MARKER_ELEMS= 6",
            "3 2 5", "3 5 8", "3 8 7", "3 7 6", "3 6 3", "3 3 0",
        };
    }
}
