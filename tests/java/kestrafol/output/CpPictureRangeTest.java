package kestrafol.output;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.List;
import kestrafol.solver.WallForces.SurfacePoint;
import org.jfree.chart.JFreeChart;
import org.jfree.chart.plot.XYPlot;
import org.jfree.data.Range;
import org.junit.jupiter.api.Test;

/** The Cp axis spans the computed Cp; the critical line is drawn only when it falls inside. */
class CpPictureRangeTest {
    /** A closed wall from -0.9 (suction peak) to 1 (stagnation), listed clockwise from the back. */
    private static final List<SurfacePoint> WALL = List.of(
            new SurfacePoint(1, 0, 0, 1, 0, 0.1, 0, 1),
            new SurfacePoint(1, 0, 1, 0.5, -0.06, -0.3, 0, 1),
            new SurfacePoint(1, 0, 2, 0, 0, 1, 0, 1),
            new SurfacePoint(1, 0, 3, 0.1, 0.05, -0.9, 0, 1),
            new SurfacePoint(1, 0, 4, 0.5, 0.06, -0.4, 0, 1));

    @Test
    void theCriticalLineNeverWidensTheAxis() {
        // Mach, critical Cp (sonic), whether it lies within the computed -0.9 to 1.
        double[][] cases = {{0.3, -6.9473, 0}, {0.5, -2.1334, 0}, {0.75, -0.5912, 1},
            {0.8, -0.4346, 1}};
        for (double[] c : cases) {
            JFreeChart chart = CpPicture.chart(WALL, new boolean[] {true}, c[0], 1.4, 1, "x/c",
                    "Cp", null);
            XYPlot plot = chart.getXYPlot();
            Range r = plot.getRangeAxis().getRange();
            // 5 % of the spread of 1.9 on each side of -0.9 and 1.
            assertEquals(-0.9 - 0.095, r.getLowerBound(), 1e-12, "Mach " + c[0]);
            assertEquals(1 + 0.095, r.getUpperBound(), 1e-12, "Mach " + c[0]);
            assertEquals(c[1], CpPicture.criticalCp(c[0], 1.4), 1e-4);
            boolean inside = c[2] == 1;
            assertEquals(inside ? 1 : 0, plot.getRangeMarkers(org.jfree.ui.Layer.FOREGROUND)
                    == null ? 0 : plot.getRangeMarkers(org.jfree.ui.Layer.FOREGROUND).size(),
                    "Mach " + c[0]);
            // Outside the range the value is still stated, in a subtitle.
            assertEquals(inside ? 0 : 1, chart.getSubtitleCount() - 1, "Mach " + c[0]);
        }
    }
}
