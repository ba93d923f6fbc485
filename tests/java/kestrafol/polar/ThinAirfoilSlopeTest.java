package kestrafol.polar;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import kestrafol.mesh.Mesh;
import kestrafol.meshing.MeshGenerator;
import kestrafol.solver.Analysis;
import kestrafol.solver.BoundaryConditions;
import kestrafol.solver.ConvergenceMonitor;
import kestrafol.solver.Settings;
import kestrafol.solver.Solver;
import org.junit.jupiter.api.Test;

/**
 * The lift slope of real solves against thin-airfoil theory with the Prandtl-Glauert factor:
 * NACA 0012, inviscid, second order, on the coarse built-in mesh (64 points around), at -1 and 1
 * degree, Mach 0.3 and 0.5, each chain carried on from a start-up at zero incidence.
 *
 * <p>Theory: 2 pi / sqrt(1 - M^2) per radian, 6.587/rad = 0.1150/deg at Mach 0.3 and 0.1266/deg
 * at Mach 0.5. Measured: 0.11517/deg (+0.2 %) and 0.12754/deg (+0.7 %), ratio 1.1074 against
 * 1.1015. The band of 3 % catches degrees taken for radians (a factor 57) and, at either Mach
 * number, a solver without compressibility or with the factor applied twice (-4.6 % and +4.8 %
 * at Mach 0.3, -13 % and +15 % at Mach 0.5); the ratio of the two slopes, where mesh and thickness errors largely
 * cancel, must be within 5 % of the Prandtl-Glauert ratio (1 or 1.213 would leave it).
 * Slopes fitted between 0 and 2 degrees on this mesh come out 6 % lower: the coarse mesh bends
 * the lift curve, so the test stays at the smallest angles, where the theory holds.
 */
class ThinAirfoilSlopeTest {
    private static final double[] MACHS = {0.3, 0.5};
    private static final int START_UP = 1000;

    @Test
    void liftSlopeMatchesThinAirfoilTheoryWithPrandtlGlauert() throws Exception {
        Mesh mesh = BoundaryConditions.defaults(false).apply(
                MeshGenerator.naca("0012", MeshGenerator.Options.resolution(64)));
        Sweep sweep = Sweep.of(Sweep.parseList("--mach", "0.3,0.5"), List.of(),
                Sweep.parseList("--alpha", "-1,1"), true);
        // The two chains side by side, one solver each, like a polar on two workers.
        ExecutorService pool = Executors.newFixedThreadPool(2);
        List<Future<List<CaseResult>>> chains = new ArrayList<>();
        for (List<PolarCase> chain : sweep.chains()) {
            chains.add(pool.submit(() -> chain(mesh, chain)));
        }
        List<CaseResult> rows = new ArrayList<>();
        for (Future<List<CaseResult>> f : chains) {
            rows.addAll(f.get());
        }
        pool.shutdown();
        List<PolarAnalysis.Group> groups = PolarAnalysis.analyse(rows, 0.25);
        double[] slope = new double[2];
        for (int m = 0; m < 2; m++) {
            PolarAnalysis.Group g = groups.get(m);
            assertEquals(2, g.converged(), rows.toString());
            slope[m] = g.liftSlope();
            double theory = 2 * Math.PI / Math.sqrt(1 - MACHS[m] * MACHS[m]);
            assertEquals(theory, g.liftSlopePerRadian(), 0.03 * theory, g.lines().toString());
            assertEquals(theory * Math.PI / 180, slope[m], 0.03 * theory * Math.PI / 180,
                    g.lines().toString());
            // Symmetric airfoil: the fit passes through the origin.
            assertEquals(0, g.zeroLiftAlpha(), 0.02, g.lines().toString());
        }
        assertEquals(0.1150, 2 * Math.PI / Math.sqrt(0.91) * Math.PI / 180, 5e-5);
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
    private static List<CaseResult> chain(Mesh mesh, List<PolarCase> chain) {
        List<CaseResult> rows = new ArrayList<>();
        Settings s = Settings.defaults().withMach(chain.get(0).mach().doubleValue());
        try (Solver solver = new Solver(mesh, s.withAlphaDegrees(0))) {
            for (int it = 0; it < START_UP; it++) {
                solver.iterate();
            }
            for (PolarCase c : chain) {
                solver.update(s.withAlphaDegrees(c.alpha().doubleValue()));
                rows.add(solve(solver, c));
            }
        }
        return rows;
    }

    /** Iterates to the default stopping rule; the answer is the window mean after "cauchy". */
    private static CaseResult solve(Solver solver, PolarCase c) {
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
        return new CaseResult(c, cl, solver.analysis().drag(), Double.NaN, Double.NaN, Double.NaN,
                monitor.iterations(), stop.key(), monitor.residualDrop(), 0, "");
    }
}
