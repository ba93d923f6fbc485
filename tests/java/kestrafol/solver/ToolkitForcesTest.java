package kestrafol.solver;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.List;
import java.util.Locale;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.Mesh;
import kestrafol.meshing.MeshGenerator;
import kestrafol.TestMeshes;
import org.junit.jupiter.api.Test;

/**
 * The toolkit's forces against the library's own coefficients and against published results:
 * the pressure forces of a closed body, the free stream on a plate, and the laminar skin
 * friction of a flat plate against Blasius.
 */
class ToolkitForcesTest {

    static WallForces forces(Mesh mesh, WallForces.Reference ref) {
        boolean[] monitored = new boolean[mesh.boundaryKindCount()];
        for (int t = 0; t < monitored.length; t++) {
            monitored[t] = mesh.boundaryKind(t + 1).isWall()
                    && !mesh.boundaryNames().get(t).contains("sym");
        }
        return new WallForces(mesh, monitored, ref);
    }

    static WallForces.Conditions conditions(Settings s) {
        return new WallForces.Conditions(s.mach(), s.alphaDegrees(), s.gamma(), s.viscous(),
                s.reynolds());
    }

    @Test
    void closedBodyInInviscidFlowHasTheLibrarysPressureForcesAndNoFriction() {
        Mesh mesh = MeshGenerator.naca("2412", MeshGenerator.Options.resolution(32));
        Settings s = TestSettings.of(0.6, 3);
        WallForces w = forces(mesh, new WallForces.Reference(0.25, 0, 1));
        try (Solver solver = new Solver(mesh, s)) {
            for (int it = 1; it <= 60; it++) {
                double[] state = solver.iterate();
                if (it % 20 != 0) {
                    continue;
                }
                Analysis a = solver.analysis();
                WallForces.Result r = w.compute(state, conditions(s));
                // Gauge and absolute pressure differ by a constant, which a closed contour does
                // not feel: the same lift and drag up to rounding.
                assertEquals(a.lift(), r.clPressure(), 1e-9 * Math.abs(a.lift()), "it " + it);
                assertEquals(a.drag(), r.cdPressure(), 1e-9 * Math.abs(a.drag()), "it " + it);
                assertEquals(0.0, r.cdFriction());
                assertEquals(0.0, r.clFriction());
                assertEquals(r.cdPressure(), r.cd());
            }
        }
    }

    @Test
    void freeStreamOnTheFlatPlateHasNoForceWhereTheLibraryIntegratesAbsolutePressure() {
        Mesh plate = TestMeshes.flatPlate();
        Settings s = TestSettings.viscous(0.2, 0, 1e6);
        WallForces.Result r = forces(plate, new WallForces.Reference(0, 0, 0.3048))
                .compute(Flow.freeStream(plate.nodeCount(), s), conditions(s));
        assertEquals(0.0, r.cl(), 1e-15);
        assertEquals(0.0, r.cd(), 1e-15);
        assertEquals(0.0, r.cm(), 1e-15);
        // The library's lift of the same state: p_inf = 1/1.4 over the plate and the symmetry
        // plane (0.3648 long in all), pushing down, over q = 0.02.
        try (Solver solver = new Solver(plate, s)) {
            solver.iterate();
            assertTrue(solver.analysis().lift() < -10, "library CL " + solver.analysis().lift());
        }
        assertEquals(-0.3648 / 1.4 / 0.02, libraryLift(plate, s), 1e-9);
    }

    /** The library's lift rule (absolute pressure on every wall) applied to the free stream. */
    private static double libraryLift(Mesh mesh, Settings s) {
        double fy = 0;
        for (int e = 0; e < mesh.boundaryEdgeCount(); e++) {
            if (mesh.boundaryKind(mesh.edgeTag(e)) == BoundaryKind.FAR_FIELD) {
                continue;
            }
            int a = mesh.edgeNode(e, 0);
            int b = mesh.edgeNode(e, 1);
            fy += (mesh.x(a) - mesh.x(b)) / s.gamma();
        }
        return fy / (0.5 * s.mach() * s.mach());
    }

    @Test
    void laminarFlatPlateSkinFrictionFollowsBlasius() {
        // Mach 0.5, library Reynolds number 4e5 per unit length: the flow Reynolds number is
        // 2e5 per unit length, Re_x = 2e5 x. Blasius: cf = 0.664 / sqrt(Re_x). The layer grows
        // from the leading edge; after 4000 iterations it has settled over the front third of
        // the plate (the README gives the converged figures along the whole plate).
        Mesh plate = TestMeshes.flatPlate();
        Settings s = TestSettings.viscous(0.5, 0, 4e5);
        WallForces w = forces(plate, new WallForces.Reference(0, 0, 0.3048));
        double[] state = null;
        try (Solver solver = new Solver(plate, s)) {
            for (int it = 0; it < 4000; it++) {
                state = solver.iterate();
            }
        }
        WallForces.Result r = w.compute(state, conditions(s));
        double reUnit = FlowReynolds.fromLibrary(4e5, 0.5, 1);
        StringBuilder report = new StringBuilder();
        for (double station : new double[] {0.02, 0.03, 0.05, 0.07, 0.1}) {
            WallForces.SurfacePoint p = nearest(r.surface(), station);
            double blasius = 0.664 / Math.sqrt(reUnit * p.x());
            double ratio = p.cf() / blasius;
            report.append(String.format(Locale.ROOT, " x %.3f cf %.5f Blasius %.5f ratio %.3f;",
                    p.x(), p.cf(), blasius, ratio));
            assertTrue(ratio > 0.75 && ratio < 1.33, report.toString());
        }
        // The plate's drag is friction: no pressure drag on a flat wall at zero incidence, and
        // no friction upstream of the leading edge, where the symmetry plane does not count.
        assertEquals(0.0, r.cdPressure(), 1e-12);
        double blasiusDrag = 1.328 / Math.sqrt(reUnit * 0.3048);
        assertTrue(r.cdFriction() > 0.75 * blasiusDrag && r.cdFriction() < 2 * blasiusDrag,
                r.cdFriction() + " vs " + blasiusDrag + report);
        for (WallForces.SurfacePoint p : r.surface()) {
            assertTrue(p.x() >= 0, "symmetry plane listed at x " + p.x());
        }
    }

    private static WallForces.SurfacePoint nearest(List<WallForces.SurfacePoint> pts, double x) {
        WallForces.SurfacePoint best = pts.get(0);
        for (WallForces.SurfacePoint p : pts) {
            if (Math.abs(p.x() - x) < Math.abs(best.x() - x)) {
                best = p;
            }
        }
        return best;
    }
}
