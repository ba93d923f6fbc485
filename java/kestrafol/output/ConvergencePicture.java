package kestrafol.output;

import java.awt.BasicStroke;
import java.awt.Color;
import java.awt.Font;
import java.io.IOException;
import java.nio.file.Path;
import java.text.DecimalFormat;
import kestrafol.solver.History;
import org.jfree.chart.ChartUtilities;
import org.jfree.chart.JFreeChart;
import org.jfree.chart.axis.LogAxis;
import org.jfree.chart.axis.NumberAxis;
import org.jfree.chart.axis.NumberTickUnit;
import org.jfree.chart.plot.CombinedDomainXYPlot;
import org.jfree.chart.plot.ValueMarker;
import org.jfree.chart.plot.XYPlot;
import org.jfree.chart.renderer.xy.XYLineAndShapeRenderer;
import org.jfree.data.xy.XYSeries;
import org.jfree.data.xy.XYSeriesCollection;

/**
 * Convergence picture: the residual norm on a logarithmic axis above, the lift coefficient (and
 * the drag coefficient on a second axis) below, both against the iteration; the coefficient
 * axes fit the last half of the run. A dashed line marks
 * the switch from first to second order. Drawn with JFreeChart.
 */
public final class ConvergencePicture {
    private ConvergencePicture() {}

    /**
     * @param switchIteration iteration after which the run went to second order, or 0 for none
     */
    public static void write(History h, String title, int switchIteration, Path file)
            throws IOException {
        Pictures.headless();
        XYSeries residual = new XYSeries("residual", false, true);
        XYSeries lift = new XYSeries("CL", false, true);
        XYSeries drag = new XYSeries("CD", false, true);
        for (int k = 0; k < h.size(); k++) {
            if (h.residual(k) > 0 && Double.isFinite(h.residual(k))) {
                residual.add(h.iteration(k), h.residual(k));
            }
            if (Double.isFinite(h.lift(k))) {
                lift.add(h.iteration(k), h.lift(k));
            }
            if (Double.isFinite(h.drag(k))) {
                drag.add(h.iteration(k), h.drag(k));
            }
        }
        NumberAxis iterations = new NumberAxis("iteration");
        CombinedDomainXYPlot plot = new CombinedDomainXYPlot(iterations);
        plot.setGap(12);

        LogAxis residualAxis = new LogAxis("residual norm");
        residualAxis.setBase(10);
        residualAxis.setSmallestValue(1e-300);
        if (residual.getItemCount() > 0) {
            // Whole decades, one tick per decade.
            double lo = Math.floor(Math.log10(residual.getMinY()));
            double hi = Math.ceil(Math.log10(residual.getMaxY()));
            if (hi <= lo) {
                hi = lo + 1;
            }
            residualAxis.setRange(Math.pow(10, lo), Math.pow(10, hi));
            residualAxis.setTickUnit(new NumberTickUnit(Math.max(1, Math.ceil((hi - lo) / 12))));
            residualAxis.setNumberFormatOverride(new DecimalFormat("0E0"));
        }
        XYPlot top = new XYPlot(new XYSeriesCollection(residual), null, residualAxis,
                renderer(new Color(30, 80, 200)));
        style(top);

        NumberAxis liftAxis = new NumberAxis("CL");
        liftAxis.setAutoRangeIncludesZero(false);
        scaleToLastHalf(liftAxis, lift);
        XYPlot bottom = new XYPlot(new XYSeriesCollection(lift), null, liftAxis,
                renderer(new Color(200, 50, 30)));
        NumberAxis dragAxis = new NumberAxis("CD");
        dragAxis.setAutoRangeIncludesZero(false);
        scaleToLastHalf(dragAxis, drag);
        bottom.setRangeAxis(1, dragAxis);
        bottom.setDataset(1, new XYSeriesCollection(drag));
        bottom.mapDatasetToRangeAxis(1, 1);
        bottom.setRenderer(1, renderer(new Color(30, 150, 60)));
        style(bottom);

        if (switchIteration > 0) {
            for (XYPlot p : new XYPlot[] {top, bottom}) {
                ValueMarker m = new ValueMarker(switchIteration + 0.5, Color.GRAY,
                        new BasicStroke(1f, BasicStroke.CAP_BUTT, BasicStroke.JOIN_MITER, 10f,
                                new float[] {6f, 4f}, 0f));
                p.addDomainMarker(m);
            }
        }
        plot.add(top, 1);
        plot.add(bottom, 1);
        JFreeChart chart = new JFreeChart(title, new Font(Font.SANS_SERIF, Font.BOLD, 18), plot, true);
        chart.setBackgroundPaint(Color.WHITE);
        ChartUtilities.saveChartAsPNG(file.toFile(), chart, 1000, 800);
    }

    /**
     * Fits the axis to the values of the last half of the run, with a margin, so that the
     * start-up transient does not squash the part that matters; the earlier values run off the
     * plot.
     */
    static void scaleToLastHalf(NumberAxis axis, XYSeries s) {
        int n = s.getItemCount();
        if (n < 4) {
            return;
        }
        double lo = Double.MAX_VALUE;
        double hi = -Double.MAX_VALUE;
        for (int k = n / 2; k < n; k++) {
            double v = s.getY(k).doubleValue();
            lo = Math.min(lo, v);
            hi = Math.max(hi, v);
        }
        double pad = Math.max(0.1 * (hi - lo), 1e-6 * Math.max(1, Math.abs(hi)));
        axis.setRange(lo - pad, hi + pad);
    }

    private static XYLineAndShapeRenderer renderer(Color c) {
        XYLineAndShapeRenderer r = new XYLineAndShapeRenderer(true, false);
        r.setSeriesPaint(0, c);
        r.setSeriesStroke(0, new BasicStroke(1.5f));
        return r;
    }

    private static void style(XYPlot p) {
        p.setBackgroundPaint(Color.WHITE);
        p.setDomainGridlinePaint(Color.LIGHT_GRAY);
        p.setRangeGridlinePaint(Color.LIGHT_GRAY);
    }
}
