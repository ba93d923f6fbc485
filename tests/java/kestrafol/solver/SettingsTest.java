package kestrafol.solver;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import kestrafol.mesh.Mesh;
import kestrafol.TestMeshes;
import org.junit.jupiter.api.Test;

class SettingsTest {

    @Test
    void defaultsAreTheDefaultCaseAndMapToTheVector() {
        Settings s = Settings.defaults();
        assertEquals(0.8, s.mach());
        assertEquals(1.25, s.alphaDegrees());
        assertEquals(1.4, s.gamma());
        assertTrue(s.secondOrder());
        assertFalse(s.unsteady());
        assertFalse(s.viscous());
        double[] expected = new double[16];
        expected[1] = 2;
        expected[2] = Settings.DEFAULT_RECONSTRUCTION_WEIGHT;
        expected[3] = 1;
        expected[5] = 0;
        expected[6] = 1;
        expected[10] = 0.8;
        expected[11] = 1.4;
        expected[12] = 1.25;
        expected[13] = 0;
        expected[14] = Settings.DEFAULT_REYNOLDS;
        assertArrayEquals(expected, s.toVector());
    }

    @Test
    void everyFieldLandsInItsEntryAndComesBack() {
        Settings s = new Settings(0.3, -2.5, 1.3, false, 0.75, true, true, 1234.5);
        double[] v = s.toVector();
        assertEquals(16, v.length);
        assertEquals(1, v[1]);
        assertEquals(0.75, v[2]);
        assertEquals(1, v[5]);
        assertEquals(1, v[6]);
        assertEquals(0.3, v[10]);
        assertEquals(1.3, v[11]);
        assertEquals(-2.5, v[12]);
        assertEquals(1, v[13]);
        assertEquals(1234.5, v[14]);
    }

    @Test
    void badValuesAreRefusedWithTheirName() {
        assertTrue(assertThrows(IllegalArgumentException.class, () -> TestSettings.of(0, 0))
                .getMessage().startsWith("mach = 0.0"));
        assertThrows(IllegalArgumentException.class, () -> TestSettings.of(Double.NaN, 0));
        assertThrows(IllegalArgumentException.class,
                () -> new Settings(0.5, 0, 1.0, true, 0.5, false, false, 1));
        assertThrows(IllegalArgumentException.class,
                () -> TestSettings.of(0.5, Double.POSITIVE_INFINITY));
        assertThrows(IllegalArgumentException.class, () -> TestSettings.of(0.5, 0, 1.5));
        assertThrows(IllegalArgumentException.class, () -> TestSettings.viscous(0.5, 0, 0));
        // Inviscid runs do not need a Reynolds number above 0.
        assertEquals(0, new Settings(0.5, 0, 1.4, true, 0.5, false, false, 0).reynolds());
    }

    @Test
    void theLibraryAcceptsWhatSettingsProduce() {
        // The library checks the vector too: a settings record it refuses would be a fault.
        Mesh mesh = TestMeshes.square();
        for (Settings s : new Settings[] {Settings.defaults(),
                new Settings(0.3, -2.5, 1.3, false, 0.75, true, true, 1234.5)}) {
            try (Solver solver = new Solver(mesh, s)) {
                assertEquals(s, solver.settings());
            }
        }
    }
}
