package kestrafol;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.List;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.Mesh;

/**
 * The one builder of test meshes, for the host-class tests and the toolkit tests: meshes in the
 * library's raw layout ({@link Raw}: element nodes from 1, boundary-edge nodes from 0, tags from
 * 1, elements counter-clockwise), toolkit {@link Mesh} objects, and mesh files.
 */
public final class TestMeshes {
    private TestMeshes() {}

    /** The arrays the library takes; an element array is null when there is no such element. */
    public record Raw(int nodeCount, double[] coords, int[] triangles, int[] quads,
            int[] boundaryEdges, int[] boundaryKinds) {
        public int triangleCount() {
            return triangles == null ? 0 : triangles.length / 3;
        }

        public int quadCount() {
            return quads == null ? 0 : quads.length / 4;
        }
    }

    /** Cells of {@link #rectangle}. */
    public enum Cells { MIXED, TRIANGLES, QUADS }

    /**
     * Rectangle [0, 2] x [0, 1] with nx x ny cells, rows slightly sheared. MIXED splits the cells
     * of even columns into two triangles and keeps the others as quadrilaterals. Tags: 1 bottom
     * (slip wall), 2 right, 3 top, 4 left (far field).
     */
    public static Raw rectangle(int nx, int ny, Cells cells) {
        int nodeCount = (nx + 1) * (ny + 1);
        double[] coords = new double[2 * nodeCount];
        for (int j = 0; j <= ny; ++j) {
            for (int i = 0; i <= nx; ++i) {
                int k = j * (nx + 1) + i;
                coords[2 * k] = 2.0 * i / nx + 0.1 / nx * Math.sin(1.3 * j);
                coords[2 * k + 1] = 1.0 * j / ny;
            }
        }
        int[] tri = new int[6 * nx * ny];
        int[] quad = new int[4 * nx * ny];
        int triangleCount = 0;
        int quadCount = 0;
        for (int j = 0; j < ny; ++j) {
            for (int i = 0; i < nx; ++i) {
                int a = j * (nx + 1) + i + 1;
                int b = a + 1;
                int c = b + nx + 1;
                int d = a + nx + 1;
                boolean keepQuad = cells == Cells.QUADS || (cells == Cells.MIXED && i % 2 == 1);
                if (keepQuad) {
                    System.arraycopy(new int[] {a, b, c, d}, 0, quad, 4 * quadCount, 4);
                    quadCount++;
                } else {
                    System.arraycopy(new int[] {a, b, c, a, c, d}, 0, tri, 3 * triangleCount, 6);
                    triangleCount += 2;
                }
            }
        }
        int[] edges = new int[3 * 2 * (nx + ny)];
        int e = 0;
        for (int i = 0; i < nx; ++i) {
            e = edge(edges, e, i, i + 1, 1);
        }
        for (int j = 0; j < ny; ++j) {
            e = edge(edges, e, j * (nx + 1) + nx, (j + 1) * (nx + 1) + nx, 2);
        }
        for (int i = nx; i > 0; --i) {
            e = edge(edges, e, ny * (nx + 1) + i, ny * (nx + 1) + i - 1, 3);
        }
        for (int j = ny; j > 0; --j) {
            e = edge(edges, e, j * (nx + 1), (j - 1) * (nx + 1), 4);
        }
        return new Raw(nodeCount, coords,
                triangleCount > 0 ? Arrays.copyOf(tri, 3 * triangleCount) : null,
                quadCount > 0 ? Arrays.copyOf(quad, 4 * quadCount) : null, edges,
                new int[] {2, 1, 1, 1});
    }

    private static int edge(int[] edges, int e, int first, int second, int tag) {
        edges[3 * e] = first;
        edges[3 * e + 1] = second;
        edges[3 * e + 2] = tag;
        return e + 1;
    }

    /**
     * O-mesh around a circle of radius 0.5 out to the given radius, radii growing geometrically:
     * ni points around, nj rings; each cell a quadrilateral (outward in radius, then forward in
     * angle) or two triangles. Tag 1 the wall (slip), tag 2 the far field.
     */
    public static Raw circle(int ni, int nj, double outerRadius, boolean quads) {
        int nodeCount = ni * nj;
        double[] coords = new double[2 * nodeCount];
        double growth = Math.pow(outerRadius / 0.5, 1.0 / (nj - 1));
        for (int j = 0; j < nj; ++j) {
            double r = 0.5 * Math.pow(growth, j);
            for (int i = 0; i < ni; ++i) {
                double t = 2.0 * Math.PI * i / ni;
                coords[2 * (j * ni + i)] = r * Math.cos(t);
                coords[2 * (j * ni + i) + 1] = r * Math.sin(t);
            }
        }
        int[] cells = new int[(quads ? 4 : 6) * ni * (nj - 1)];
        int k = 0;
        for (int j = 0; j + 1 < nj; ++j) {
            for (int i = 0; i < ni; ++i) {
                int a = j * ni + i + 1;
                int b = (j + 1) * ni + i + 1;
                int c = (j + 1) * ni + (i + 1) % ni + 1;
                int d = j * ni + (i + 1) % ni + 1;
                int[] cell = quads ? new int[] {a, b, c, d} : new int[] {a, b, c, a, c, d};
                System.arraycopy(cell, 0, cells, k, cell.length);
                k += cell.length;
            }
        }
        int[] edges = new int[3 * 2 * ni];
        for (int i = 0; i < ni; ++i) {
            int[] wall = {i, (i + 1) % ni, 1};
            int[] far = {(nj - 1) * ni + i, (nj - 1) * ni + (i + 1) % ni, 2};
            System.arraycopy(wall, 0, edges, 3 * i, 3);
            System.arraycopy(far, 0, edges, 3 * (ni + i), 3);
        }
        return new Raw(nodeCount, coords, quads ? null : cells, quads ? cells : null, edges,
                new int[] {2, 1});
    }

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
