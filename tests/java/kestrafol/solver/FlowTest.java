package kestrafol.solver;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import org.junit.jupiter.api.Test;

class FlowTest {

    @Test
    void freeStreamHasUnitDensityAndSpeedOfSoundAndZeroCp() {
        Settings s = TestSettings.of(0.7, 30);
        Flow f = new Flow(Flow.freeStream(3, s), s);
        assertEquals(3, f.nodeCount());
        for (int i = 0; i < 3; i++) {
            assertEquals(1.0, f.density(i));
            assertEquals(1 / 1.4, f.pressure(i), 1e-15);
            assertEquals(1.0, f.speedOfSound(i), 1e-15);
            assertEquals(0.7, f.machNumber(i), 1e-15);
            assertEquals(0.7 * Math.cos(Math.PI / 6), f.velocityX(i), 1e-15);
            assertEquals(0.35, f.velocityY(i), 1e-15);
            assertEquals(0.0, f.pressureCoefficient(i), 1e-14);
        }
        assertTrue(f.isPhysical());
    }

    @Test
    void workedState() {
        // rho 2, u = 0.5, v = -0.25, p = 0.9 with gamma 1.4:
        // E = p / 0.4 + 0.5 * rho * (u^2 + v^2) = 2.25 + 0.3125 = 2.5625.
        double[] state = {2, 1, -0.5, 2.5625};
        Flow f = new Flow(state, 1.4, 0.5);
        assertEquals(0.5, f.velocityX(0));
        assertEquals(-0.25, f.velocityY(0));
        assertEquals(0.9, f.pressure(0), 1e-15);
        double c = Math.sqrt(1.4 * 0.9 / 2);
        assertEquals(Math.sqrt(0.3125) / c, f.machNumber(0), 1e-15);
        // Cp = (0.9 - 1/1.4) / (0.5 * 0.25)
        assertEquals((0.9 - 1 / 1.4) / 0.125, f.pressureCoefficient(0), 1e-14);
        assertEquals(2, f.field(Flow.Quantity.DENSITY)[0]);
        assertEquals(f.machNumber(0), f.field(Flow.Quantity.MACH)[0]);
    }

    @Test
    void unphysicalStatesAreRecognised() {
        assertFalse(new Flow(new double[] {1, 0, 0, -1}, 1.4, 0.5).isPhysical());
        assertFalse(new Flow(new double[] {Double.NaN, 0, 0, 1}, 1.4, 0.5).isPhysical());
        assertThrows(IllegalArgumentException.class, () -> new Flow(new double[5], 1.4, 0.5));
    }

    @Test
    void aFlowKeepsItsOwnCopyOfTheState() {
        double[] state = {1, 0.5, 0, 2.5};
        Flow f = new Flow(state, 1.4, 0.5);
        double before = f.pressure(0);
        state[3] = 100;
        assertEquals(before, f.pressure(0));
        // (gamma - 1) (E - |m|^2 / (2 rho)) = 0.4 (2.5 - 0.125)
        assertEquals(0.95, before, 1e-15);
    }
}
