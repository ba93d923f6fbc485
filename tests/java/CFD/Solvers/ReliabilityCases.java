package CFD.Solvers;

import java.util.Arrays;

/** Meshes, settings and whole solver sessions shared by the reliability tests. */
final class ReliabilityCases {
    private ReliabilityCases() {}

    /**
     * O-mesh of triangles around a circle of radius 0.5 out to radius 10: ni points around, nj
     * rings. Tag 1 the wall (slip), tag 2 the far field.
     */
    static TestMesh circle(int ni, int nj) {
        TestMesh m = TestMesh.rectangle(1, 1, TestMesh.Cells.TRIANGLES).copy();
        m.nodeCount = ni * nj;
        m.coords = new double[2 * m.nodeCount];
        double growth = Math.pow(10.0 / 0.5, 1.0 / (nj - 1));
        for (int j = 0; j < nj; ++j) {
            double r = 0.5 * Math.pow(growth, j);
            for (int i = 0; i < ni; ++i) {
                double t = 2.0 * Math.PI * i / ni;
                m.coords[2 * (j * ni + i)] = r * Math.cos(t);
                m.coords[2 * (j * ni + i) + 1] = r * Math.sin(t);
            }
        }
        m.triangleCount = 2 * ni * (nj - 1);
        m.triangles = new int[3 * m.triangleCount];
        int k = 0;
        for (int j = 0; j + 1 < nj; ++j) {
            for (int i = 0; i < ni; ++i) {
                int a = j * ni + i + 1;
                int b = (j + 1) * ni + i + 1;
                int c = (j + 1) * ni + (i + 1) % ni + 1;
                int d = j * ni + (i + 1) % ni + 1;
                int[] two = {a, b, c, a, c, d};
                System.arraycopy(two, 0, m.triangles, k, 6);
                k += 6;
            }
        }
        m.quadCount = 0;
        m.quads = null;
        m.boundaryEdgeCount = 2 * ni;
        m.boundaryEdges = new int[3 * m.boundaryEdgeCount];
        for (int i = 0; i < ni; ++i) {
            int[] wall = {i, (i + 1) % ni, 1};
            int[] far = {(nj - 1) * ni + i, (nj - 1) * ni + (i + 1) % ni, 2};
            System.arraycopy(wall, 0, m.boundaryEdges, 3 * i, 3);
            System.arraycopy(far, 0, m.boundaryEdges, 3 * (ni + i), 3);
        }
        m.boundaryKindCount = 2;
        m.boundaryKinds = new int[] {2, 1};
        m.parameters = TestMesh.parameters(0.5, 2.0);
        return m;
    }

    /** Settings: order, time mode, Mach number, angle; inviscid. */
    static double[] parameters(int order, int timeMode, double mach, double alpha) {
        double[] p = TestMesh.parameters(mach, alpha);
        p[1] = order;
        p[5] = timeMode;
        return p;
    }

    /** Four different kinds of run: first order mixed, second order triangles, viscous quads, unsteady circle. */
    static TestMesh config(int k) {
        TestMesh m;
        switch (k % 4) {
            case 0:
                m = TestMesh.rectangle(24, 12, TestMesh.Cells.MIXED);
                m.parameters = parameters(1, 0, 0.5, 2.0);
                break;
            case 1:
                m = TestMesh.rectangle(20, 10, TestMesh.Cells.TRIANGLES);
                m.parameters = parameters(2, 0, 0.4, -1.0);
                break;
            case 2:
                m = TestMesh.rectangle(16, 8, TestMesh.Cells.QUADS);
                m.boundaryKinds[0] = 3;  // no-slip wall at the bottom
                m.parameters = parameters(2, 0, 0.3, 0.0);
                m.parameters[13] = 1;
                m.parameters[14] = 200;
                break;
            default:
                m = circle(20, 8);
                m.parameters = parameters(2, 1, 0.45, 3.0);
                break;
        }
        return m;
    }

    /** What one session hands back: the last state and the analysis values. */
    static final class Session {
        final double[] state;
        final double[] analysis;

        Session(double[] state, double[] analysis) {
            this.state = state;
            this.analysis = analysis;
        }
    }

    /** start, `before` iterates, an update to a higher Mach number, `after` iterates, analysis, cleanup. */
    static Session session(TestMesh mesh, int before, int after) {
        long[] handle = mesh.start();
        double[] state = null;
        for (int s = 0; s < before; ++s) {
            state = EulerSolver.iterate(handle);
        }
        double[] changed = mesh.parameters.clone();
        changed[10] += 0.05;
        EulerSolver.update(handle, changed);
        for (int s = 0; s < after; ++s) {
            state = EulerSolver.iterate(handle);
        }
        double[] analysis = EulerSolver.analysis(handle);
        EulerSolver.cleanup(handle);
        return new Session(state, analysis);
    }

    /** The state after `steps` iterates of a fresh solver on the mesh. */
    static double[] run(TestMesh mesh, int steps) {
        long[] handle = mesh.start();
        double[] state = null;
        for (int s = 0; s < steps; ++s) {
            state = EulerSolver.iterate(handle);
        }
        EulerSolver.cleanup(handle);
        return state;
    }

    static boolean allFinite(double[] values) {
        return Arrays.stream(values).allMatch(Double::isFinite);
    }
}
