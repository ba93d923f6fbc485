package kestrafol.output;

import java.awt.BasicStroke;
import java.awt.Color;
import java.awt.Font;
import java.io.IOException;
import java.nio.file.Path;
import java.text.DecimalFormat;
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
 * the drag coefficient on a second axis) below, both against the iteration. A dashed line marks
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
        XYPlot bottom = new XYPlot(new XYSeriesCollection(lift), null, liftAxis,
                renderer(new Color(200, 50, 30)));
        NumberAxis dragAxis = new NumberAxis("CD");
        dragAxis.setAutoRangeIncludesZero(false);
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
