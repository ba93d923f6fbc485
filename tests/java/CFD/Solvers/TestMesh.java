package CFD.Solvers;

import java.util.Arrays;

/**
 * A small mesh in the host's layout (element nodes numbered from 1, boundary-edge nodes from 0,
 * tags from 1, elements counter-clockwise), with the settings vector to start a solver on it.
 */
final class TestMesh {
    enum Cells { MIXED, TRIANGLES, QUADS }

    int nodeCount;
    double[] coords;
    int triangleCount;
    int[] triangles;
    int quadCount;
    int[] quads;
    int boundaryEdgeCount;
    int[] boundaryEdges;
    int boundaryKindCount;
    int[] boundaryKinds;
    double[] parameters;

    private TestMesh() {}

    /**
     * Rectangle [0, 2] x [0, 1] with nx x ny cells, rows slightly sheared. MIXED splits the cells
     * of even columns into two triangles and keeps the others as quadrilaterals. Tags: 1 bottom
     * (slip wall), 2 right, 3 top, 4 left (far field).
     */
    static TestMesh rectangle(int nx, int ny, Cells cells) {
        TestMesh m = new TestMesh();
        m.nodeCount = (nx + 1) * (ny + 1);
        m.coords = new double[2 * m.nodeCount];
        for (int j = 0; j <= ny; ++j) {
            for (int i = 0; i <= nx; ++i) {
                int k = j * (nx + 1) + i;
                m.coords[2 * k] = 2.0 * i / nx + 0.1 / nx * Math.sin(1.3 * j);
                m.coords[2 * k + 1] = 1.0 * j / ny;
            }
        }
        int[] tri = new int[6 * nx * ny];
        int[] quad = new int[4 * nx * ny];
        for (int j = 0; j < ny; ++j) {
            for (int i = 0; i < nx; ++i) {
                int a = j * (nx + 1) + i + 1;
                int b = a + 1;
                int c = b + nx + 1;
                int d = a + nx + 1;
                boolean keepQuad = cells == Cells.QUADS || (cells == Cells.MIXED && i % 2 == 1);
                if (keepQuad) {
                    System.arraycopy(new int[] {a, b, c, d}, 0, quad, 4 * m.quadCount, 4);
                    m.quadCount++;
                } else {
                    System.arraycopy(new int[] {a, b, c, a, c, d}, 0, tri, 3 * m.triangleCount, 6);
                    m.triangleCount += 2;
                }
            }
        }
        m.triangles = m.triangleCount > 0 ? Arrays.copyOf(tri, 3 * m.triangleCount) : null;
        m.quads = m.quadCount > 0 ? Arrays.copyOf(quad, 4 * m.quadCount) : null;
        m.boundaryEdgeCount = 2 * (nx + ny);
        m.boundaryEdges = new int[3 * m.boundaryEdgeCount];
        int e = 0;
        for (int i = 0; i < nx; ++i) {
            e = edge(m.boundaryEdges, e, i, i + 1, 1);
        }
        for (int j = 0; j < ny; ++j) {
            e = edge(m.boundaryEdges, e, j * (nx + 1) + nx, (j + 1) * (nx + 1) + nx, 2);
        }
        for (int i = nx; i > 0; --i) {
            e = edge(m.boundaryEdges, e, ny * (nx + 1) + i, ny * (nx + 1) + i - 1, 3);
        }
        for (int j = ny; j > 0; --j) {
            e = edge(m.boundaryEdges, e, j * (nx + 1), (j - 1) * (nx + 1), 4);
        }
        m.boundaryKindCount = 4;
        m.boundaryKinds = new int[] {2, 1, 1, 1};
        m.parameters = parameters(0.5, 0.0);
        return m;
    }

    private static int edge(int[] edges, int e, int first, int second, int tag) {
        edges[3 * e] = first;
        edges[3 * e + 1] = second;
        edges[3 * e + 2] = tag;
        return e + 1;
    }

    /** Steady, first order, inviscid, one pass per call, gamma 1.4. */
    static double[] parameters(double mach, double alphaDegrees) {
        double[] p = new double[16];
        p[1] = 1;
        p[2] = 0.5;
        p[5] = 0;
        p[6] = 1;
        p[7] = 5;
        p[10] = mach;
        p[11] = 1.4;
        p[12] = alphaDegrees;
        return p;
    }

    /** Deep copy, for corrupting one part. */
    TestMesh copy() {
        TestMesh m = new TestMesh();
        m.nodeCount = nodeCount;
        m.coords = clone(coords);
        m.triangleCount = triangleCount;
        m.triangles = clone(triangles);
        m.quadCount = quadCount;
        m.quads = clone(quads);
        m.boundaryEdgeCount = boundaryEdgeCount;
        m.boundaryEdges = clone(boundaryEdges);
        m.boundaryKindCount = boundaryKindCount;
        m.boundaryKinds = clone(boundaryKinds);
        m.parameters = clone(parameters);
        return m;
    }

    private static int[] clone(int[] a) {
        return a == null ? null : a.clone();
    }

    private static double[] clone(double[] a) {
        return a == null ? null : a.clone();
    }

    long[] start() {
        return EulerSolver.start(nodeCount, coords, triangleCount, triangles, quadCount, quads,
                boundaryEdgeCount, boundaryEdges, boundaryKindCount, boundaryKinds, parameters);
    }

    /** The conserved free-stream state of the settings vector, node by node. */
    double[] freeStream() {
        double mach = parameters[10];
        double gamma = parameters[11];
        double alpha = Math.atan(1.0) * 4.0 / 180.0 * parameters[12];
        double[] u = new double[4 * nodeCount];
        for (int i = 0; i < nodeCount; ++i) {
            u[4 * i] = 1.0;
            u[4 * i + 1] = mach * Math.cos(alpha);
            u[4 * i + 2] = mach * Math.sin(alpha);
            u[4 * i + 3] = (1.0 / gamma) / (gamma - 1.0) + 0.5 * mach * mach;
        }
        return u;
    }
}
