package kestrafol.report;

import kestrafol.solver.History;
import java.awt.BasicStroke;
import java.awt.Color;
import java.awt.Font;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.text.DecimalFormat;
import java.util.ArrayList;
import java.util.Base64;
import java.util.List;
import org.jfree.chart.JFreeChart;
import org.jfree.chart.axis.LogAxis;
import org.jfree.chart.axis.NumberAxis;
import org.jfree.chart.axis.NumberTickUnit;
import org.jfree.chart.plot.XYPlot;
import org.jfree.chart.renderer.xy.XYLineAndShapeRenderer;
import org.jfree.chart.title.TextTitle;
import org.jfree.data.xy.XYSeries;
import org.jfree.data.xy.XYSeriesCollection;

/** What a report draws from a case folder: its history and pictures. */
final class CaseFiles {
    /** At most this many points of a history go into a chart (every k-th, the last kept). */
    static final int CHART_POINTS = 400;

    private CaseFiles() {}

    /**
     * {iteration, residual, cl} per kept row of a history.csv (at most {@link #CHART_POINTS},
     * the last kept), or null when the file is absent.
     *
     * @throws IOException for a file that is no history (the message names file and line)
     */
    static double[][] history(Path file) throws IOException {
        if (!Files.exists(file)) {
            return null;
        }
        History h = History.read(file);
        int n = h.size();
        int step = Math.max(1, (n + CHART_POINTS - 1) / CHART_POINTS);
        List<Integer> kept = new ArrayList<>();
        for (int k = 0; k < n; k++) {
            if (k % step == 0 || k == n - 1) {
                kept.add(k);
            }
        }
        double[][] out = new double[3][kept.size()];
        for (int i = 0; i < kept.size(); i++) {
            int k = kept.get(i);
            out[0][i] = h.iteration(k);
            out[1][i] = h.residual(k);
            out[2][i] = h.lift(k);
        }
        return out;
    }

    /**
     * The residual norm (log axis, left) and cl (right) against the iteration: a small chart of
     * one case's convergence.
     */
    static JFreeChart convergence(double[][] h, String title) {
        XYSeries residual = new XYSeries("residual", false, true);
        XYSeries lift = new XYSeries("cl", false, true);
        double lo = Double.POSITIVE_INFINITY;
        double hi = Double.NEGATIVE_INFINITY;
        for (int k = 0; k < h[0].length; k++) {
            if (h[1][k] > 0 && Double.isFinite(h[1][k])) {
                residual.add(h[0][k], h[1][k]);
                lo = Math.min(lo, h[1][k]);
                hi = Math.max(hi, h[1][k]);
            }
            if (Double.isFinite(h[2][k])) {
                lift.add(h[0][k], h[2][k]);
            }
        }
        LogAxis r = new LogAxis("residual");
        r.setBase(10);
        r.setSmallestValue(1e-300);
        r.setNumberFormatOverride(new DecimalFormat("0E0"));
        if (residual.getItemCount() > 0) {
            double a = Math.floor(Math.log10(lo));
            double b = Math.max(a + 1, Math.ceil(Math.log10(hi)));
            r.setRange(Math.pow(10, a), Math.pow(10, b));
            r.setTickUnit(new NumberTickUnit(Math.max(1, Math.ceil((b - a) / 6))));
        }
        NumberAxis it = new NumberAxis("iteration");
        it.setAutoRangeIncludesZero(false);
        it.setAutoRangeMinimumSize(2);
        XYPlot plot = new XYPlot(new XYSeriesCollection(residual), it, r, line(new Color(30, 80, 200)));
        NumberAxis cl = new NumberAxis("cl");
        cl.setAutoRangeIncludesZero(false);
        cl.setAutoRangeMinimumSize(0.01);
        plot.setRangeAxis(1, cl);
        plot.setDataset(1, new XYSeriesCollection(lift));
        plot.mapDatasetToRangeAxis(1, 1);
        plot.setRenderer(1, line(new Color(200, 50, 30)));
        plot.setBackgroundPaint(Color.WHITE);
        plot.setDomainGridlinePaint(Color.LIGHT_GRAY);
        plot.setRangeGridlinePaint(Color.LIGHT_GRAY);
        JFreeChart chart = new JFreeChart(null, null, plot, true);
        chart.addSubtitle(new TextTitle(title, new Font(Font.SANS_SERIF, Font.BOLD, 13)));
        chart.setBackgroundPaint(Color.WHITE);
        return chart;
    }

    private static XYLineAndShapeRenderer line(Color c) {
        XYLineAndShapeRenderer r = new XYLineAndShapeRenderer(true, false);
        // One path per line instead of a line element per segment: a fifth of the SVG.
        r.setDrawSeriesLineAsPath(true);
        r.setSeriesPaint(0, c);
        r.setSeriesStroke(0, new BasicStroke(1.4f));
        return r;
    }

    /** A PNG as a data: URI for an img element, or null when the file is absent. */
    static String png(Path file) throws IOException {
        if (!Files.exists(file)) {
            return null;
        }
        return "data:image/png;base64," + Base64.getEncoder().encodeToString(Files.readAllBytes(file));
    }
}
