package kestrafol.study;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;
import org.junit.jupiter.api.Test;

class GridConvergenceTest {

    /**
     * A manufactured sequence f(h) = f0 + c h^p is recovered exactly: order, extrapolated value,
     * and a GCI equal to 1.25 times the true error of the finest grid.
     */
    @ParameterizedTest
    @CsvSource({
        // f0,     c,     p,   h1,   r21, r32
        "0.1798,  -0.4,  2.0, 0.01, 2.0, 2.0",
        "0.1798,  -0.4,  1.3, 0.01, 1.5, 1.5",
        "0.0,      0.2,  1.0, 0.02, 1.5, 1.25",   // a coefficient that converges to zero, unequal ratios
        "-0.05,    3.0,  2.7, 0.01, 1.3, 1.6",
    })
    void manufacturedSequenceGivesItsOrderAndLimit(double f0, double c, double p, double h1,
            double r21, double r32) {
        double[] h = {h1, h1 * r21, h1 * r21 * r32};
        double[] f = new double[3];
        for (int k = 0; k < 3; k++) {
            f[k] = f0 + c * Math.pow(h[k], p);
        }
        GridConvergence.Estimate e = GridConvergence.threeGrids(h, f);
        assertEquals(p, e.order(), 1e-8);
        assertEquals(f0, e.extrapolated(), 1e-10);
        assertEquals(1.25 * Math.abs(f[0] - f0), e.gci(), 1e-10);
        assertTrue(e.asymptotic(), e.note());
    }

    @Test
    void oscillatingOrOutOfRangeLevelsAreFlagged() {
        double[] h = {1, 2, 4};
        GridConvergence.Estimate oscillating = GridConvergence.threeGrids(h,
                new double[] {0.170, 0.165, 0.168});
        assertFalse(oscillating.asymptotic());
        assertTrue(oscillating.note().contains("oscillate"), oscillating.note());
        // Differences shrinking 64-fold per halving: order 6, beyond what the scheme can give.
        GridConvergence.Estimate tooFast = GridConvergence.threeGrids(h,
                new double[] {0.1, 0.1 + 1e-4, 0.1 + 1e-4 + 64e-4});
        assertEquals(6.0, tooFast.order(), 1e-9);
        assertFalse(tooFast.asymptotic());
        assertTrue(tooFast.note().contains("outside"), tooFast.note());
        // NACA 0012 at Mach 0.8 (158, 112, 78 points): CL moves by 0.0029 and then 0.0043
        // towards the finest level; the order formula's absolute value alone made that 1.43.
        GridConvergence.Estimate apart = GridConvergence.threeGrids(
                new double[] {1, 1.4053469322555197, 2.0127796827477296},
                new double[] {0.3751736767246681, 0.37951303220819765, 0.382373481690136});
        assertFalse(apart.asymptotic());
        assertTrue(apart.note().contains("grow towards the finest"), apart.note());
    }

    @Test
    void twoGridsUseTheAssumedOrderAndSafetyFactorThree() {
        // Spacing ratio 1.5, order 2: r^p - 1 = 1.25; error band 3 |0.17 - 0.16| / 1.25.
        GridConvergence.Estimate e = GridConvergence.twoGrids(1, 1.5, 0.17, 0.16, 2);
        assertEquals(0.17 + 0.01 / 1.25, e.extrapolated(), 1e-15);
        assertEquals(3 * 0.01 / 1.25, e.gci(), 1e-15);
        assertEquals(2, e.order());
    }
}
