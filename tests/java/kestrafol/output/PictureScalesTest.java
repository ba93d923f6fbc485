package kestrafol.output;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import kestrafol.mesh.Mesh;
import kestrafol.meshing.MeshGenerator;
import org.jfree.chart.axis.NumberAxis;
import org.jfree.data.xy.XYSeries;
import org.junit.jupiter.api.Test;

/** The scales the pictures choose: round colour levels, the framed pocket, the fitted axes. */
class PictureScalesTest {

    @Test
    void colourLevelsAreRoundAndCoverTheRange() {
        // Mach 0.23 to 1.37: a step of 0.05 (1.14 / 20 rounded), from 0.20 to 1.40.
        double[] l = MachPicture.levels(0.23, 1.37);
        assertEquals(25, l.length);
        assertEquals(0.2, l[0], 1e-12);
        assertEquals(1.4, l[24], 1e-12);
        assertEquals(1.0, l[16], 1e-12);
    }

    @Test
    void theWholeSupersonicPocketIsFramedInASubsonicStream() {
        Mesh naca = MeshGenerator.naca("0012", MeshGenerator.Options.resolution(32));
        double[] field = new double[naca.nodeCount()];
        double[] plain = MachPicture.view(naca);
        int far = -1;
        for (int n = 0; n < naca.nodeCount(); n++) {
            field[n] = 0.5;
            // One supersonic node above the default view, 3 chords up.
            if (far < 0 && naca.y(n) > plain[3] + 1 && naca.y(n) < 4 && Math.abs(naca.x(n)) < 1) {
                far = n;
            }
        }
        assertTrue(far >= 0);
        field[far] = 1.2;
        double[] framed = MachPicture.view(naca, field, 1.0);
        assertTrue(framed[3] > naca.y(far), framed[3] + " does not reach " + naca.y(far));
        // Supersonic almost everywhere: the default view around the walls stays.
        java.util.Arrays.fill(field, 5.0);
        assertArrayEquals(plain, MachPicture.view(naca, field, 1.0));
    }

    @Test
    void coefficientAxesFitTheLastHalfAndTheCriticalCpIsTheTextbookOne() {
        XYSeries s = new XYSeries("cl");
        s.add(1, 5.0);
        s.add(2, 0.30);
        s.add(3, 0.32);
        s.add(4, 0.34);
        NumberAxis axis = new NumberAxis();
        ConvergencePicture.scaleToLastHalf(axis, s);
        // Last half 0.32 to 0.34, 10 % margin each side; the start-up spike of 5 runs off.
        assertEquals(0.318, axis.getLowerBound(), 1e-12);
        assertEquals(0.342, axis.getUpperBound(), 1e-12);
        assertEquals(-0.4346, CpPicture.criticalCp(0.8, 1.4), 1e-4);
        assertEquals(0.0, CpPicture.criticalCp(1.0, 1.4), 1e-12);
    }
}
