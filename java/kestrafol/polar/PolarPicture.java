package kestrafol.polar;

import java.awt.BasicStroke;
import java.awt.Color;
import java.awt.Font;
import java.awt.Graphics2D;
import java.awt.RenderingHints;
import java.awt.Shape;
import java.awt.geom.Ellipse2D;
import java.awt.geom.Path2D;
import java.awt.geom.Rectangle2D;
import java.awt.image.BufferedImage;
import java.io.IOException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import javax.imageio.ImageIO;
import kestrafol.output.Pictures;
import kestrafol.run.CaseResult;
import org.jfree.chart.JFreeChart;
import org.jfree.chart.axis.NumberAxis;
import org.jfree.chart.plot.XYPlot;
import org.jfree.chart.renderer.xy.XYLineAndShapeRenderer;
import org.jfree.chart.title.TextTitle;
import org.jfree.data.xy.XYSeries;
import org.jfree.data.xy.XYSeriesCollection;

/**
 * polar.png: three charts side by side, one line per Mach number (and Reynolds number): lift
 * against angle of attack, the drag polar (lift against drag) and the moment coefficient against
 * angle. Converged cases are filled markers on the line; cases the iteration cap ended are open
 * markers off the line (their values are not an answer); failed and diverged cases are not drawn
 * and leave a gap in the line. Comparison points are black crosses. Any number of points, one
 * included, gets axes with readable ticks.
 */
public final class PolarPicture {
    /** Size of the picture in pixels (and of the SVG on the report page). */
    public static final int WIDTH = 1500;
    public static final int HEIGHT = 520;

    static final Color[] COLOURS = {new Color(30, 80, 200), new Color(200, 50, 30),
        new Color(30, 150, 60), new Color(150, 60, 170), new Color(230, 140, 20),
        new Color(20, 160, 170), new Color(120, 120, 120), new Color(0, 0, 0)};

    /** The smallest span of each axis, so that one point or a flat line gets sensible ticks. */
    private static final double ALPHA_SPAN = 2;
    private static final double CL_SPAN = 0.1;
    private static final double CD_SPAN = 0.004;
    private static final double CM_SPAN = 0.02;

    private PolarPicture() {}

    /** Writes the picture without comparison points. */
    public static void write(List<PolarRow> rows, String title, Path file) throws IOException {
        write(rows, null, title, file);
    }

    /**
     * Writes the picture ({@link #WIDTH} x {@link #HEIGHT} pixels).
     *
     * @param compare points to draw beside the computed ones, or null
     */
    public static void write(List<PolarRow> rows, ComparisonData compare, String title,
            Path file) throws IOException {
        Pictures.headless();
        BufferedImage image = new BufferedImage(WIDTH, HEIGHT, BufferedImage.TYPE_INT_RGB);
        Graphics2D g = image.createGraphics();
        g.setRenderingHint(RenderingHints.KEY_ANTIALIASING, RenderingHints.VALUE_ANTIALIAS_ON);
        draw(rows, compare, title, g);
        g.dispose();
        ImageIO.write(image, "png", file.toFile());
    }

    /** Draws the picture onto g, {@link #WIDTH} x {@link #HEIGHT} (a PNG or an SVG). */
    public static void draw(List<PolarRow> rows, ComparisonData compare, String title,
            Graphics2D g) {
        draw(rows, compare, title, g, WIDTH, HEIGHT);
    }

    /**
     * Draws the picture onto g at another size (a smaller canvas gives larger text relative to
     * the charts, for a page where the picture is scaled to the text width).
     */
    public static void draw(List<PolarRow> rows, ComparisonData compare, String title,
            Graphics2D g, int width, int height) {
        JFreeChart[] charts = charts(rows, compare);
        g.setPaint(Color.WHITE);
        g.fillRect(0, 0, width, height);
        g.setPaint(Color.BLACK);
        g.setFont(new Font(Font.SANS_SERIF, Font.BOLD, 18));
        g.drawString(title, 20, 28);
        for (int k = 0; k < charts.length; k++) {
            charts[k].draw(g, new Rectangle2D.Double(k * width / 3.0, 40, width / 3.0, height - 40));
        }
    }

    /** The three charts: lift, drag polar, moment. */
    static JFreeChart[] charts(List<PolarRow> rows, ComparisonData compare) {
        Map<String, XYSeries[]> lines = new LinkedHashMap<>();
        Map<String, XYSeries[]> open = new LinkedHashMap<>();
        boolean anyMoment = false;
        for (PolarRow r : rows) {
            PolarCase c = r.polarCase();
            CaseResult x = r.result();
            String name = "Mach " + Sweep.plain(c.mach())
                    + (c.reynolds() == null ? "" : ", Re " + Sweep.plain(c.reynolds()));
            XYSeries[] s = lines.computeIfAbsent(name, PolarPicture::three);
            XYSeries[] o = open.computeIfAbsent(name, k -> three(k + ", not converged"));
            double alpha = c.alpha().doubleValue();
            switch (x.status()) {
                case CONVERGED -> {
                    s[0].add(alpha, finite(x.cl()));
                    s[1].add(x.cd(), x.cl());
                    s[2].add(alpha, finite(x.cm()));
                    anyMoment |= Double.isFinite(x.cm());
                }
                case NOT_CONVERGED -> {
                    o[0].add(alpha, x.cl());
                    o[1].add(x.cd(), x.cl());
                    if (Double.isFinite(x.cm())) {
                        o[2].add(alpha, x.cm());
                        anyMoment = true;
                    }
                }
                default -> {
                    // A null value breaks the line: a failed case is a visible gap.
                    s[0].add(alpha, null);
                    s[2].add(alpha, null);
                }
            }
        }
        XYSeries[] points = three(compare == null ? "" : compare.label());
        if (compare != null) {
            addPairs(points[0], compare, "alpha", "cl");
            addPairs(points[1], compare, "cd", "cl");
            addPairs(points[2], compare, "alpha", "cm");
            anyMoment |= points[2].getItemCount() > 0;
        }
        return new JFreeChart[] {
            chart("Lift", "alpha (deg)", "cl", lines, open, points, 0, ALPHA_SPAN, CL_SPAN),
            chart("Drag polar", "cd", "cl", lines, open, points, 1, CD_SPAN, CL_SPAN),
            chart(anyMoment ? "Moment (about the reference point)" : "Moment (not computed)",
                    "alpha (deg)", "cm", lines, open, points, 2, ALPHA_SPAN, CM_SPAN)};
    }

    private static XYSeries[] three(String name) {
        return new XYSeries[] {new XYSeries(name, false, true), new XYSeries(name, false, true),
            new XYSeries(name, false, true)};
    }

    private static void addPairs(XYSeries s, ComparisonData d, String x, String y) {
        if (!d.has(x) || !d.has(y)) {
            return;
        }
        double[] xs = d.column(x);
        double[] ys = d.column(y);
        for (int k = 0; k < xs.length; k++) {
            if (Double.isFinite(xs[k]) && Double.isFinite(ys[k])) {
                s.add(xs[k], ys[k]);
            }
        }
    }

    private static Double finite(double v) {
        return Double.isFinite(v) ? v : null;
    }

    /** An open circle, an x-shaped cross: the markers of unconverged cases and of comparison data. */
    static final Shape DOT = new Ellipse2D.Double(-3.5, -3.5, 7, 7);
    static final Shape CROSS = cross(4.5);

    private static Shape cross(double r) {
        Path2D.Double p = new Path2D.Double();
        p.moveTo(-r, -r);
        p.lineTo(r, r);
        p.moveTo(-r, r);
        p.lineTo(r, -r);
        return new BasicStroke(1.6f).createStrokedShape(p);
    }

    private static JFreeChart chart(String title, String x, String y, Map<String, XYSeries[]> lines,
            Map<String, XYSeries[]> open, XYSeries[] compare, int which, double xSpan, double ySpan) {
        XYSeriesCollection data = new XYSeriesCollection();
        XYLineAndShapeRenderer r = new XYLineAndShapeRenderer(true, true);
        List<String> names = new ArrayList<>(lines.keySet());
        for (int k = 0; k < names.size(); k++) {
            Color colour = COLOURS[k % COLOURS.length];
            XYSeries solid = lines.get(names.get(k))[which];
            if (hasValue(solid)) {
                int i = data.getSeriesCount();
                data.addSeries(solid);
                r.setSeriesPaint(i, colour);
                r.setSeriesStroke(i, new BasicStroke(1.8f));
                r.setSeriesShape(i, DOT);
            }
            XYSeries hollow = open.get(names.get(k))[which];
            if (hollow.getItemCount() > 0) {
                int i = data.getSeriesCount();
                data.addSeries(hollow);
                r.setSeriesPaint(i, colour);
                r.setSeriesLinesVisible(i, false);
                r.setSeriesShapesFilled(i, false);
                r.setSeriesStroke(i, new BasicStroke(1.5f));
                r.setSeriesShape(i, DOT);
            }
        }
        if (compare[which].getItemCount() > 0) {
            int i = data.getSeriesCount();
            data.addSeries(compare[which]);
            r.setSeriesPaint(i, Color.BLACK);
            r.setSeriesLinesVisible(i, false);
            r.setSeriesShape(i, CROSS);
        }
        NumberAxis xAxis = new NumberAxis(x);
        xAxis.setAutoRangeIncludesZero(false);
        xAxis.setAutoRangeMinimumSize(xSpan);
        NumberAxis yAxis = new NumberAxis(y);
        yAxis.setAutoRangeIncludesZero(which != 1);
        yAxis.setAutoRangeMinimumSize(ySpan);
        XYPlot plot = new XYPlot(data, xAxis, yAxis, r);
        plot.setBackgroundPaint(Color.WHITE);
        plot.setDomainGridlinePaint(Color.LIGHT_GRAY);
        plot.setRangeGridlinePaint(Color.LIGHT_GRAY);
        JFreeChart chart = new JFreeChart(null, null, plot, data.getSeriesCount() > 0);
        chart.addSubtitle(new TextTitle(title, new Font(Font.SANS_SERIF, Font.BOLD, 14)));
        chart.setBackgroundPaint(Color.WHITE);
        return chart;
    }

    private static boolean hasValue(XYSeries s) {
        for (int k = 0; k < s.getItemCount(); k++) {
            if (s.getY(k) != null) {
                return true;
            }
        }
        return false;
    }
}
