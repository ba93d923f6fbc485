package CFD.Solvers;

import kestrafol.TestMeshes;

/**
 * A test mesh ({@link TestMeshes}) in the host's layout, as mutable fields that a test may corrupt (element nodes numbered from 1, boundary-edge nodes from 0,
 * tags from 1, elements counter-clockwise), with the settings vector to start a solver on it.
 */
final class TestMesh {
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

    /** The raw mesh with the default settings (Mach 0.5, alpha 0). */
    static TestMesh of(TestMeshes.Raw raw) {
        TestMesh m = new TestMesh();
        m.nodeCount = raw.nodeCount();
        m.coords = raw.coords();
        m.triangleCount = raw.triangleCount();
        m.triangles = raw.triangles();
        m.quadCount = raw.quadCount();
        m.quads = raw.quads();
        m.boundaryEdgeCount = raw.boundaryEdges().length / 3;
        m.boundaryEdges = raw.boundaryEdges();
        m.boundaryKindCount = raw.boundaryKinds().length;
        m.boundaryKinds = raw.boundaryKinds();
        m.parameters = parameters(0.5, 0.0);
        return m;
    }

    /**
     * {@link TestMeshes#circle} of quadrilaterals out to radius 20 with the given wall kind (2
     * slip, 3 no-slip) and settings.
     */
    static TestMesh circleQuads(int ni, int nj, int wallKind, double[] parameters) {
        TestMesh m = of(TestMeshes.circle(ni, nj, 20.0, true));
        m.boundaryKinds[0] = wallKind;
        m.parameters = parameters;
        return m;
    }

    /** {@link TestMeshes#rectangle} in the host's layout. */
    static TestMesh rectangle(int nx, int ny, TestMeshes.Cells cells) {
        return of(TestMeshes.rectangle(nx, ny, cells));
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
