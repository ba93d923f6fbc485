package kestrafol.polar;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import org.jfree.chart.JFreeChart;
import org.jfree.chart.axis.NumberAxis;
import org.jfree.chart.plot.XYPlot;
import org.jfree.chart.renderer.xy.XYLineAndShapeRenderer;
import org.jfree.data.xy.XYDataset;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** What polar.png and cp-all.png draw from the rows and the case folders. */
class PolarPicturesTest {
    @TempDir
    Path dir;

    @Test
    void convergedOnTheLineUnconvergedOpenFailedNotDrawnComparisonCrosses() throws Exception {
        Sweep sweep = Sweep.of(Sweep.parseList("--mach", "0.5"), List.of(),
                Sweep.parseList("--alpha", "0:2:6"), true);
        List<PolarCase> c = sweep.cases();
        List<PolarRow> rows = List.of(
                Rows.row(c.get(0), 0.0, 0.01, 0.01, 0, 0.0, 10, "orders", 6, 1, ""),
                Rows.row(c.get(1), 0.25, 0.011, 0.01, 0, -0.01, 10, "iterations", 1, 1, ""),
                Rows.failed(c.get(2), "failed", "mesh"),
                Rows.row(c.get(3), 0.7, 0.02, 0.01, 0, -0.03, 10, "cauchy", 3, 1, ""));
        Path csv = dir.resolve("wind.csv");
        Files.writeString(csv, "alpha,cl\n1,0.12\n3,0.37\n");
        JFreeChart[] charts = PolarPicture.charts(rows, ComparisonData.read(csv,
                ComparisonData.Use.POLAR));
        XYPlot lift = charts[0].getXYPlot();
        XYDataset d = lift.getDataset();
        assertEquals(3, d.getSeriesCount());
        assertEquals("Mach 0.5", d.getSeriesKey(0));
        assertEquals("Mach 0.5, not converged", d.getSeriesKey(1));
        assertEquals("wind", d.getSeriesKey(2));
        // The line: 0, a gap at the failed 4 degrees, 6; the capped case alone and open.
        assertArrayEquals(new Object[] {0.0, null, 0.7}, ys(d, 0));
        assertArrayEquals(new Object[] {0.25}, ys(d, 1));
        XYLineAndShapeRenderer r = (XYLineAndShapeRenderer) lift.getRenderer();
        assertFalse(r.getSeriesShapesFilled(1));
        assertFalse(r.getSeriesLinesVisible(1));
        assertFalse(r.getSeriesLinesVisible(2));
        assertArrayEquals(new Object[] {0.12, 0.37}, ys(d, 2));
        // The comparison file has no cd or cm: those charts get no comparison series.
        assertEquals(2, charts[1].getXYPlot().getDataset().getSeriesCount());
        assertEquals(2, charts[2].getXYPlot().getDataset().getSeriesCount());
    }

    @Test
    void aOnePointPolarGetsAxesOfAReadableSpan() {
        Sweep sweep = Sweep.of(Sweep.parseList("--mach", "0.8"), List.of(),
                Sweep.parseList("--alpha", "6"), true);
        JFreeChart[] charts = PolarPicture.charts(List.of(Rows.row(sweep.cases().get(0),
                0.6, 0.03, 0.03, 0, -0.02, 10, "orders", 6, 1, "")), null);
        double[][] spans = {{2, 0.1}, {0.004, 0.1}, {2, 0.02}};
        for (int k = 0; k < 3; k++) {
            XYPlot p = charts[k].getXYPlot();
            p.getDomainAxis().configure();
            p.getRangeAxis().configure();
            assertTrue(p.getDomainAxis().getRange().getLength() >= spans[k][0] * 0.999,
                    k + ": " + p.getDomainAxis().getRange());
            assertTrue(p.getRangeAxis().getRange().getLength() >= spans[k][1] * 0.999,
                    k + ": " + p.getRangeAxis().getRange());
            assertTrue(((NumberAxis) p.getDomainAxis()).getAutoRangeMinimumSize() >= spans[k][0]);
        }
    }

    @Test
    void cpOfEveryCaseComesFromTheCaseFoldersBrokenBetweenWalls() throws Exception {
        Sweep sweep = Sweep.of(Sweep.parseList("--mach", "0.5"), List.of(),
                Sweep.parseList("--alpha", "0,2,4"), true);
        List<PolarCase> c = sweep.cases();
        List<PolarRow> rows = new ArrayList<>(List.of(
                Rows.row(c.get(0), 0.0, 0.01, 0.01, 0, 0.0, 10, "orders", 6, 1, ""),
                Rows.row(c.get(1), 0.2, 0.01, 0.01, 0, 0.0, 10, "iterations", 6, 1, ""),
                Rows.failed(c.get(2), "diverged", "")));
        for (PolarCase k : c) {
            Files.createDirectories(dir.resolve(k.folder()));
            Files.writeString(dir.resolve(k.folder()).resolve("surface.csv"),
                    "marker,x,y,cp,cf,pressure\nmain,2,0,0.5,0,1\nmain,4,0.1,-1,0,1\n"
                    + "\"flap, aft\",6,0,0.25,0,1\n");
        }
        List<CpAllPicture.Curve> curves = CpAllPicture.curves(rows, dir);
        assertEquals(2, curves.size(), "the diverged case is left out");
        assertEquals("alpha 0", curves.get(0).label());
        assertEquals("Mach 0.5", curves.get(0).group());
        assertFalse(curves.get(1).converged());
        // x/c over the walls' extent 2..6; NaN where the marker changes.
        assertArrayEquals(new double[] {0, 0.5, Double.NaN, 1}, curves.get(0).xc());
        assertArrayEquals(new double[] {0.5, -1, Double.NaN, 0.25}, curves.get(0).cp());
        Files.writeString(dir.resolve(c.get(0).folder()).resolve("surface.csv"),
                "marker,x,y,cp,cf,pressure\nmain,2,0,oops,0,1\n");
        Exception e = org.junit.jupiter.api.Assertions.assertThrows(java.io.IOException.class,
                () -> CpAllPicture.curves(rows, dir));
        assertTrue(e.getMessage().contains("surface.csv:2:"), e.getMessage());
    }

    private static Object[] ys(XYDataset d, int s) {
        Object[] y = new Object[d.getItemCount(s)];
        for (int k = 0; k < y.length; k++) {
            Number v = d.getY(s, k);
            y[k] = v == null ? null : v.doubleValue();
        }
        return y;
    }
}
