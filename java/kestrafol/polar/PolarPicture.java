package kestrafol.polar;

import java.awt.BasicStroke;
import java.awt.Color;
import java.awt.Font;
import java.awt.Graphics2D;
import java.awt.RenderingHints;
import java.awt.geom.Rectangle2D;
import java.awt.image.BufferedImage;
import java.io.IOException;
import java.nio.file.Path;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import javax.imageio.ImageIO;
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
 * angle. Cases without coefficients (diverged, failed) leave a gap in their line.
 */
public final class PolarPicture {
    private static final Color[] COLOURS = {new Color(30, 80, 200), new Color(200, 50, 30),
        new Color(30, 150, 60), new Color(150, 60, 170), new Color(230, 140, 20),
        new Color(20, 160, 170), new Color(120, 120, 120), new Color(0, 0, 0)};

    private PolarPicture() {}

    /** Writes the picture (1500 x 520 pixels). */
    public static void write(List<CaseResult> rows, String title, Path file) throws IOException {
        if (System.getProperty("java.awt.headless") == null) {
            System.setProperty("java.awt.headless", "true");
        }
        Map<String, XYSeries[]> lines = new LinkedHashMap<>();
        boolean anyMoment = false;
        for (CaseResult r : rows) {
            PolarCase c = r.polarCase();
            String name = "Mach " + Sweep.plain(c.mach())
                    + (c.reynolds() == null ? "" : ", Re " + Sweep.plain(c.reynolds()));
            XYSeries[] s = lines.computeIfAbsent(name, k -> new XYSeries[] {
                new XYSeries(k, false, true), new XYSeries(k, false, true),
                new XYSeries(k, false, true)});
            double alpha = c.alpha().doubleValue();
            // A null y value breaks the line: a failed case is a visible gap, not a straight
            // line across it.
            s[0].add(alpha, finite(r.cl()));
            if (r.answered()) {
                s[1].add(r.cd(), r.cl());
            }
            s[2].add(alpha, finite(r.cm()));
            anyMoment |= Double.isFinite(r.cm());
        }
        JFreeChart[] charts = {
            chart("Lift", "alpha (deg)", "cl", lines, 0, true),
            chart("Drag polar", "cd", "cl", lines, 1, false),
            chart(anyMoment ? "Moment (quarter chord)" : "Moment (not computed)", "alpha (deg)",
                    "cm", lines, 2, true)};
        int w = 1500;
        int h = 520;
        BufferedImage image = new BufferedImage(w, h, BufferedImage.TYPE_INT_RGB);
        Graphics2D g = image.createGraphics();
        g.setRenderingHint(RenderingHints.KEY_ANTIALIASING, RenderingHints.VALUE_ANTIALIAS_ON);
        g.setPaint(Color.WHITE);
        g.fillRect(0, 0, w, h);
        g.setPaint(Color.BLACK);
        g.setFont(new Font(Font.SANS_SERIF, Font.BOLD, 18));
        g.drawString(title, 20, 28);
        for (int k = 0; k < charts.length; k++) {
            charts[k].draw(g, new Rectangle2D.Double(k * w / 3.0, 40, w / 3.0, h - 40));
        }
        g.dispose();
        ImageIO.write(image, "png", file.toFile());
    }

    private static Double finite(double v) {
        return Double.isFinite(v) ? v : null;
    }

    private static JFreeChart chart(String title, String x, String y, Map<String, XYSeries[]> lines,
            int which, boolean zeroLine) {
        XYSeriesCollection data = new XYSeriesCollection();
        for (XYSeries[] s : lines.values()) {
            data.addSeries(s[which]);
        }
        NumberAxis xAxis = new NumberAxis(x);
        xAxis.setAutoRangeIncludesZero(false);
        NumberAxis yAxis = new NumberAxis(y);
        yAxis.setAutoRangeIncludesZero(zeroLine);
        XYLineAndShapeRenderer r = new XYLineAndShapeRenderer(true, true);
        for (int k = 0; k < lines.size(); k++) {
            r.setSeriesPaint(k, COLOURS[k % COLOURS.length]);
            r.setSeriesStroke(k, new BasicStroke(1.8f));
        }
        XYPlot plot = new XYPlot(data, xAxis, yAxis, r);
        plot.setBackgroundPaint(Color.WHITE);
        plot.setDomainGridlinePaint(Color.LIGHT_GRAY);
        plot.setRangeGridlinePaint(Color.LIGHT_GRAY);
        JFreeChart chart = new JFreeChart(null, null, plot, true);
        chart.addSubtitle(new TextTitle(title, new Font(Font.SANS_SERIF, Font.BOLD, 14)));
        chart.setBackgroundPaint(Color.WHITE);
        return chart;
    }
}
