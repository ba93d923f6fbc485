package kestrafol.output;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import java.awt.Color;
import java.util.List;
import kestrafol.solver.WallForces.SurfacePoint;
import org.jfree.chart.plot.XYPlot;
import org.jfree.chart.renderer.xy.XYLineAndShapeRenderer;
import org.jfree.data.xy.XYDataset;
import org.junit.jupiter.api.Test;

/** Comparison points in the Cp picture: their own series beside upper and lower side. */
class CpPictureCompareTest {
    @Test
    void comparisonPointsAreBlackMarkersWithoutALineSkippingMissingValues() {
        // A closed wall listed clockwise from the back: back, lower, front, upper.
        List<SurfacePoint> wall = List.of(new SurfacePoint(1, 0, 0, 2, 0, 0.2, 0, 1),
                new SurfacePoint(1, 0, 1, 1.5, -0.1, -0.1, 0, 1),
                new SurfacePoint(1, 0, 2, 1, 0, 1, 0, 1),
                new SurfacePoint(1, 0, 3, 1.5, 0.1, -0.6, 0, 1));
        CpPicture.Points tunnel = new CpPicture.Points("tunnel", new double[] {0.1, 0.5, 0.9},
                new double[] {-0.5, Double.NaN, 0.1});
        XYPlot plot = CpPicture.chart(wall, new boolean[] {true}, 0.5, 1.4, 1, "Cp", tunnel)
                .getXYPlot();
        XYDataset d = plot.getDataset();
        assertEquals(3, d.getSeriesCount());
        assertEquals("upper", d.getSeriesKey(0));
        assertEquals("lower", d.getSeriesKey(1));
        assertEquals("tunnel", d.getSeriesKey(2));
        assertEquals(2, d.getItemCount(2));
        assertEquals(0.9, d.getXValue(2, 1), 0);
        assertEquals(0.1, d.getYValue(2, 1), 0);
        // x/c of the computed points: from the front node at x = 1, chord 1.
        assertEquals(0.5, d.getXValue(0, 1), 0);
        XYLineAndShapeRenderer r = (XYLineAndShapeRenderer) plot.getRenderer();
        assertEquals(Color.BLACK, r.getSeriesPaint(2));
        assertFalse(r.getSeriesLinesVisible(2));
        assertEquals(2, CpPicture.chart(wall, new boolean[] {true}, 0.5, 1.4, 1, "Cp", null)
                .getXYPlot().getDataset().getSeriesCount());
        assertThrows(IllegalArgumentException.class, () -> new CpPicture.Points("x",
                new double[] {0.1}, new double[] {0.1, 0.2}));
    }
}
