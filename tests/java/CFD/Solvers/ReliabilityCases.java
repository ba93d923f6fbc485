package CFD.Solvers;

import java.util.Arrays;
import kestrafol.TestMeshes;

/** Meshes, settings and whole solver sessions shared by the reliability tests. */
final class ReliabilityCases {
    private ReliabilityCases() {}

    /**
     * O-mesh of triangles around a circle of radius 0.5 out to radius 10: ni points around, nj
     * rings. Tag 1 the wall (slip), tag 2 the far field.
     */
    static TestMesh circle(int ni, int nj) {
        TestMesh m = TestMesh.of(TestMeshes.circle(ni, nj, 10.0, false));
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
                m = TestMesh.rectangle(24, 12, TestMeshes.Cells.MIXED);
                m.parameters = parameters(1, 0, 0.5, 2.0);
                break;
            case 1:
                m = TestMesh.rectangle(20, 10, TestMeshes.Cells.TRIANGLES);
                m.parameters = parameters(2, 0, 0.4, -1.0);
                break;
            case 2:
                m = TestMesh.rectangle(16, 8, TestMeshes.Cells.QUADS);
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
