package kestrafol.polar;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import kestrafol.solver.TestSettings;
import kestrafol.mesh.Mesh;
import kestrafol.meshing.MeshGenerator;
import kestrafol.solver.Analysis;
import kestrafol.solver.BoundaryConditions;
import kestrafol.solver.ConvergenceMonitor;
import kestrafol.solver.Settings;
import kestrafol.solver.Solver;
import org.junit.jupiter.api.Test;

/**
 * The lift slope of real solves against the published inviscid slope with the Prandtl-Glauert
 * factor: NACA 0012, inviscid, second order, on the coarse built-in mesh (64 points around), at
 * -1 and 1 degree, Mach 0.3 and 0.5, each chain carried on from a start-up at zero incidence.
 *
 * <p>References per degree: at Mach 0.5 the grid-converged CL 0.1798 at 1.25 degrees, 0.1438;
 * at Mach 0.3 a panel method with the Karman-Tsien correction (scripts/panel_method.py, which
 * gives 0.1456 at Mach 0.5), 0.1282. Thickness makes both 10 to 13 % steeper than thin-airfoil
 * theory. Measured on this coarse mesh: 0.1165 (-9.1 %) and 0.1331 (-7.5 %), ratio 1.143
 * against Prandtl-Glauert's 1.1015. The band, 12 % below to 2 % above (a coarse mesh loses
 * lift), catches degrees taken for radians (a factor 57) and a solver without compressibility
 * or with the factor applied twice at Mach 0.5 (-21 % and +7 %); the ratio of the two slopes,
 * where mesh and thickness errors largely cancel, must be within 5 % of the Prandtl-Glauert
 * ratio (1 or 1.213 would leave it).
 * Slopes fitted between 0 and 2 degrees on this mesh come out 6 % lower: the coarse mesh bends
 * the lift curve, so the test stays at the smallest angles.
 */
class ThinAirfoilSlopeTest {
    private static final double[] MACHS = {0.3, 0.5};
    private static final double[] REFERENCES = {0.1282, 0.1798 / 1.25};
    private static final int START_UP = 1000;

    @Test
    void liftSlopeMatchesThePublishedSlopeAndPrandtlGlauert() throws Exception {
        Mesh mesh = BoundaryConditions.defaults(false).apply(
                MeshGenerator.naca("0012", MeshGenerator.Options.resolution(64)));
        Sweep sweep = Sweep.of(Sweep.parseList("--mach", "0.3,0.5"), List.of(),
                Sweep.parseList("--alpha", "-1,1"), true);
        // The two chains side by side, one solver each, like a polar on two workers.
        ExecutorService pool = Executors.newFixedThreadPool(2);
        List<Future<List<PolarRow>>> chains = new ArrayList<>();
        for (List<PolarCase> chain : sweep.chains()) {
            chains.add(pool.submit(() -> chain(mesh, chain)));
        }
        List<PolarRow> rows = new ArrayList<>();
        for (Future<List<PolarRow>> f : chains) {
            rows.addAll(f.get());
        }
        pool.shutdown();
        List<PolarAnalysis.Group> groups = PolarAnalysis.analyse(rows, 0.25);
        double[] slope = new double[2];
        for (int m = 0; m < 2; m++) {
            PolarAnalysis.Group g = groups.get(m);
            assertEquals(2, g.converged(), rows.toString());
            slope[m] = g.liftSlope();
            double reference = REFERENCES[m];
            assertTrue(slope[m] > 0.88 * reference && slope[m] < 1.02 * reference,
                    reference + " per degree expected: " + g.lines());
            assertEquals(slope[m] * 180 / Math.PI, g.liftSlopePerRadian(), 1e-9 * slope[m]);
            // Symmetric airfoil: the fit passes through the origin.
            assertEquals(0, g.zeroLiftAlpha(), 0.02, g.lines().toString());
        }
        double pg = Math.sqrt((1 - 0.09) / (1 - 0.25));
        assertEquals(pg, slope[1] / slope[0], 0.05 * pg, slope[0] + " / " + slope[1]);
        System.out.printf("lift slope per degree: Mach 0.3 %.5f, Mach 0.5 %.5f, ratio %.4f%n",
                slope[0], slope[1], slope[1] / slope[0]);
    }

    /**
     * The flow at zero incidence settles fast (no circulation to build up): a start-up there,
     * then each angle carried on from the previous one as in a chained polar. A cold start at an
     * angle leaves a slow lift drift that the coefficient criterion can stop on a percent or two
     * off.
     */
    private static List<PolarRow> chain(Mesh mesh, List<PolarCase> chain) {
        List<PolarRow> rows = new ArrayList<>();
        Settings s = TestSettings.of(chain.get(0).mach().doubleValue(), Settings.DEFAULT_ALPHA);
        try (Solver solver = new Solver(mesh, TestSettings.withAlpha(s, 0))) {
            for (int it = 0; it < START_UP; it++) {
                solver.iterate();
            }
            for (PolarCase c : chain) {
                solver.update(TestSettings.withAlpha(s, c.alpha().doubleValue()));
                rows.add(solve(solver, c));
            }
        }
        return rows;
    }

    /** Iterates to the default stopping rule; the answer is the window mean after "cauchy". */
    private static PolarRow solve(Solver solver, PolarCase c) {
        int window = 500;
        ConvergenceMonitor monitor = new ConvergenceMonitor(
                new ConvergenceMonitor.Criteria(6, 0.005, window, 6000, 0));
        List<Double> lift = new ArrayList<>();
        ConvergenceMonitor.Stop stop = null;
        for (int it = 1; stop == null; it++) {
            solver.iterate();
            Analysis a = solver.analysis();
            lift.add(a.lift());
            stop = monitor.add(it, a.residualNorm(), a.lift(), a.drag(), 0);
        }
        int from = stop == ConvergenceMonitor.Stop.CAUCHY ? Math.max(0, lift.size() - window)
                : lift.size() - 1;
        double cl = lift.subList(from, lift.size()).stream().mapToDouble(Double::doubleValue)
                .average().orElseThrow();
        assertTrue(Double.isFinite(cl), c.label() + ": " + stop.key());
        return Rows.row(c, cl, solver.analysis().drag(), Double.NaN, Double.NaN, Double.NaN,
                monitor.iterations(), stop.key(), monitor.residualDrop(), 0, "");
    }
}
