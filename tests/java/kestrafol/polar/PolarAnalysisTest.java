package kestrafol.polar;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;
import java.math.BigDecimal;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** Derived quantities of synthetic polars whose slope, zero-lift angle and maximum are known. */
class PolarAnalysisTest {
    @TempDir
    Path dir;

    /**
     * Mach 0.3: cl = 0.11 (alpha + 2) from -6 to 10 degrees, then stall (1.45 at 12, the maximum
     * 1.52 at 14, 1.40 at 16); cm about the quarter chord = -0.05 - 0.0022 (alpha + 2), i.e.
     * dcm/dcl = -0.02 and the aerodynamic centre at x/c 0.27. A case at 4 degrees that hit the
     * cap with a wild cl must not move anything. Mach 0.5 at Re 1e6 rises to its last angle
     * (maximum not reached) with cd = 0.008 + 0.01 cl^2, best L/D 0.88 / 0.015744 = 55.89 at 6
     * degrees.
     */
    private static List<PolarRow> rows() {
        Sweep sweep = Sweep.of(Sweep.parseList("--mach", "0.3"), List.of(),
                Sweep.parseList("--alpha", "-6:2:16"), true);
        List<PolarRow> rows = new ArrayList<>();
        double[] stall = {1.45, 1.52, 1.40};
        for (PolarCase c : sweep.cases()) {
            double a = c.alpha().doubleValue();
            double cl = a <= 10 ? 0.11 * (a + 2) : stall[(int) (a - 12) / 2];
            double cm = -0.05 - 0.0022 * (a + 2);
            boolean capped = a == 4;
            rows.add(Rows.row(c, capped ? 2.0 : cl, 0.01, 0.01, 0, capped ? 0.3 : cm, 100,
                    capped ? "iterations" : "orders", 6, 1, ""));
        }
        Sweep viscous = Sweep.of(Sweep.parseList("--mach", "0.5"),
                Sweep.parseList("--reynolds", "1e6"), Sweep.parseList("--alpha", "2:2:8"), true);
        for (PolarCase c : viscous.cases()) {
            double cl = 0.11 * (c.alpha().doubleValue() + 2);
            PolarCase moved = new PolarCase(c.index() + 100, c.chain() + 1, c.mach(), c.reynolds(),
                    c.alpha());
            rows.add(Rows.row(moved, cl, 0.008 + 0.01 * cl * cl, 0, 0, Double.NaN, 100,
                    "cauchy", 3, 1, ""));
        }
        return rows;
    }

    @Test
    void slopeZeroLiftMomentCentreAndMaximumOfASyntheticPolar() {
        List<PolarAnalysis.Group> g = PolarAnalysis.analyse(rows(), 0.25);
        assertEquals(2, g.size());
        PolarAnalysis.Group inviscid = g.get(0);
        assertEquals(12, inviscid.cases());
        assertEquals(11, inviscid.converged());
        assertEquals(-6, inviscid.linearFrom(), 0);
        assertEquals(10, inviscid.linearTo(), 0);
        assertEquals(8, inviscid.linearCases());
        assertEquals(0.11, inviscid.liftSlope(), 1e-12);
        assertEquals(0.11 * 180 / Math.PI, inviscid.liftSlopePerRadian(), 1e-12);
        assertEquals(6.3025, inviscid.liftSlopePerRadian(), 5e-5);
        assertEquals(-2, inviscid.zeroLiftAlpha(), 1e-12);
        assertEquals(-0.05, inviscid.cm0(), 1e-12);
        assertEquals(-0.0022, inviscid.cmSlope(), 1e-12);
        assertEquals(0.27, inviscid.aerodynamicCentre(), 1e-12);
        assertTrue(inviscid.maxLiftReached());
        assertEquals(1.52, inviscid.maxLift(), 0);
        assertEquals(14, inviscid.maxLiftAlpha(), 0);
        assertTrue(Double.isNaN(inviscid.bestLiftToDrag()), "no L/D for an inviscid polar");

        PolarAnalysis.Group viscous = g.get(1);
        assertEquals(new BigDecimal("1e6").compareTo(viscous.reynolds()), 0);
        assertFalse(viscous.maxLiftReached());
        assertEquals(8, viscous.maxLiftAlpha(), 0);
        assertEquals(0.88 / 0.015744, viscous.bestLiftToDrag(), 1e-9);
        assertEquals(6, viscous.bestLiftToDragAlpha(), 0);
        assertTrue(Double.isNaN(viscous.cmSlope()), "no moment column, no moment fit");

        String text = String.join("\n", PolarAnalysis.lines(g));
        for (String want : new String[] {"Mach 0.3: 11 of 12 cases converged",
            "lift slope 0.11 per degree (6.303 per radian), fitted over alpha -6 to 10 deg (8 cases)",
            "zero-lift angle -2 deg", "cm0 -0.05, dcm/dalpha -0.0022 per degree, aerodynamic centre"
                + " at x/c 0.27", "maximum lift cl 1.52 at alpha 14 deg",
            "Mach 0.5, Re 1000000: 4 of 4 cases converged", "maximum lift not reached (highest cl"
                + " 1.1 at alpha 8 deg", "best L/D 55.89 at alpha 6 deg"}) {
            assertTrue(text.contains(want), want + " in\n" + text);
        }
    }

    @Test
    void aPolarWithTooFewConvergedCasesSaysSoAndPolarJsonHoldsNulls() throws Exception {
        Sweep sweep = Sweep.of(Sweep.parseList("--mach", "0.7"), List.of(),
                Sweep.parseList("--alpha", "0,2"), true);
        List<PolarRow> rows = List.of(
                Rows.row(sweep.cases().get(0), 0.2, 0.01, 0.01, 0, 0.01, 100, "cauchy", 3, 1, ""),
                Rows.failed(sweep.cases().get(1), "diverged", "NaN"));
        List<PolarAnalysis.Group> g = PolarAnalysis.analyse(rows, 0.25);
        assertTrue(Double.isNaN(g.get(0).liftSlope()));
        assertTrue(String.join("\n", g.get(0).lines()).contains("no lift slope: fewer than two"
                + " converged cases"));
        Path file = dir.resolve("polar.json");
        PolarJson.write(PolarTally.of(rows), PolarTally.of(rows).exitStatus(), g, 0.25, rows,
                "standard", file);
        String json = Files.readString(file);
        for (String want : new String[] {"\"converged\": 1", "\"diverged\": 1", "\"exitStatus\": 3",
            "\"liftSlopePerDegree\": null", "\"momentPointXc\": 0.25"}) {
            assertTrue(json.contains(want), want + " in " + json);
        }
        Map<String, Object> linear = g.get(0).toMap();
        assertTrue(linear.containsKey("linearRange"));
    }
}
