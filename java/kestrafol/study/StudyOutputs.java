package kestrafol.study;

import java.awt.BasicStroke;
import java.awt.Color;
import java.awt.Graphics2D;
import java.awt.RenderingHints;
import java.awt.geom.Rectangle2D;
import java.awt.image.BufferedImage;
import java.io.IOException;
import java.nio.file.Path;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import javax.imageio.ImageIO;
import kestrafol.base.OutputFile;
import kestrafol.output.Pictures;
import org.jfree.chart.ChartFactory;
import org.jfree.chart.JFreeChart;
import org.jfree.chart.plot.PlotOrientation;
import org.jfree.chart.plot.XYPlot;
import org.jfree.chart.renderer.xy.XYLineAndShapeRenderer;
import org.jfree.data.xy.XYSeries;
import org.jfree.data.xy.XYSeriesCollection;
import kestrafol.run.CaseOutputs;

/**
 * The files of a study: study.csv (one row per level), summary.json (the estimate of each
 * coefficient) and study.png (each coefficient against h^p with the extrapolation to h = 0).
 */
public final class StudyOutputs {
    public static final String CSV = "study.csv";
    /** The study's summary: named as a case's, since it summarises the study's folder. */
    public static final String SUMMARY = CaseOutputs.SUMMARY;
    public static final String PICTURE = "study.png";
    public static final String REPORT = CaseOutputs.REPORT;
    /** The study's full effective configuration, which also drives the Slurm tasks. */
    public static final String CONFIGURATION = "study.properties";
    /**
     * With --adapt: the adaptation whose size field places the levels (written before they run,
     * read by the Slurm tasks and the gathering).
     */
    public static final String ADAPTATION = "adaptation.properties";
    /**
     * Every file of a whole study with what it holds, the list "study --help" prints; but for
     * the configuration and the adaptation, removed before a study starts. summary.json is written last.
     */
    public static final List<OutputFile> FILES = List.of(
            new OutputFile(CONFIGURATION, "the effective options, for --config and --resume"),
            new OutputFile(CSV, "one row per level"),
            new OutputFile(SUMMARY, "the estimate of each coefficient; written last"),
            new OutputFile(PICTURE, "each coefficient against the spacing"),
            new OutputFile(REPORT, "the study on one page"),
            new OutputFile(ADAPTATION, "with --adapt: the size field that places the levels"));
    /** The results of a whole study, removed before a study starts. */
    public static final List<String> RESULTS = List.of(CSV, SUMMARY, PICTURE, REPORT);

    private StudyOutputs() {}

    /** The data files a finished study wrote, as its closing line lists them. */
    public static List<String> written(boolean pictures) {
        return pictures ? List.of(CSV, SUMMARY, PICTURE) : List.of(CSV, SUMMARY);
    }

    /** study.csv: one row per level ({@link StudyCsv}). */
    public static void writeCsv(List<Ladder.Outcome> outcomes, Path file) throws IOException {
        StudyCsv.write(outcomes.stream().map(StudyCsv.Row::of).toList(), file);
    }

    /**
     * summary.json: the case, the ladder, per coefficient its estimate, whether every level
     * converged, and the study's warnings ({@link StudySummary}).
     */
    public static void writeSummary(String caseName, double ratio, List<Ladder.Outcome> outcomes,
            Map<String, GridConvergence.Estimate> estimates, List<String> warnings,
            String adaptation, Path file) throws IOException {
        StudySummary.of(caseName, ratio, outcomes, estimates, warnings, adaptation).write(file);
    }

    /** Size of study.png in pixels. */
    static final int WIDTH = 1500;
    static final int HEIGHT = 520;

    /**
     * study.png: one chart per coefficient, its values against h^p (p the observed order, or 1
     * when none was observed or it lies outside the asymptotic range: the axis says which), with
     * the straight line through the two finest levels continued to h = 0 and the extrapolated
     * value there.
     */
    public static void writePicture(String title, List<Ladder.Outcome> outcomes,
            Map<String, GridConvergence.Estimate> estimates, Path file) throws IOException {
        Pictures.headless();
        BufferedImage image = new BufferedImage(WIDTH, HEIGHT, BufferedImage.TYPE_INT_RGB);
        Graphics2D g = image.createGraphics();
        g.setRenderingHint(RenderingHints.KEY_ANTIALIASING, RenderingHints.VALUE_ANTIALIAS_ON);
        g.setColor(Color.WHITE);
        g.fillRect(0, 0, WIDTH, HEIGHT);
        int n = Ladder.COEFFICIENTS.size();
        for (int k = 0; k < n; k++) {
            String name = Ladder.COEFFICIENTS.get(k);
            chart(title, name, outcomes, estimates.get(name))
                    .draw(g, new Rectangle2D.Double(k * WIDTH / (double) n, 0, WIDTH / (double) n,
                            HEIGHT));
        }
        g.dispose();
        ImageIO.write(image, "png", file.toFile());
    }

    /** The exponent of the x axis: the observed order when it is usable, else 1. */
    static double plotOrder(GridConvergence.Estimate e) {
        return e != null && e.asymptotic() && Double.isFinite(e.order()) ? e.order() : 1;
    }

    private static JFreeChart chart(String title, String name, List<Ladder.Outcome> outcomes,
            GridConvergence.Estimate e) {
        double[] h = new double[outcomes.size()];
        double[] values = new double[outcomes.size()];
        for (int k = 0; k < h.length; k++) {
            h[k] = outcomes.get(k).h();
            values[k] = outcomes.get(k).coefficient(name);
        }
        return chart(title, name, h, values, e);
    }

    /**
     * The chart of one coefficient, as study.png and the study's report page draw it: the
     * values of the levels (finest first; NaN where a level gave none) against h^p, and the
     * line from the finest level to the extrapolated value at h = 0.
     */
    public static JFreeChart chart(String title, String name, double[] h, double[] values,
            GridConvergence.Estimate e) {
        double p = plotOrder(e);
        XYSeries levels = new XYSeries(name.toUpperCase(Locale.ROOT) + " per level", false, true);
        for (int k = 0; k < h.length; k++) {
            if (Double.isFinite(h[k]) && Double.isFinite(values[k])) {
                levels.add(Math.pow(h[k], p), values[k]);
            }
        }
        XYSeriesCollection data = new XYSeriesCollection(levels);
        if (e != null && Double.isFinite(e.extrapolated()) && levels.getItemCount() > 0) {
            XYSeries line = new XYSeries("extrapolated", false, true);
            line.add(0, e.extrapolated());
            line.add(levels.getX(0), levels.getY(0));
            data.addSeries(line);
        }
        String order = e == null || !Double.isFinite(e.order()) ? "no order"
                : String.format(Locale.ROOT, "p = %.2f%s", e.order(),
                        e.asymptotic() ? "" : " (not asymptotic)");
        String chartTitle = String.format(Locale.ROOT, "%s: %s", name.toUpperCase(Locale.ROOT),
                order);
        JFreeChart chart = ChartFactory.createXYLineChart(chartTitle,
                p == 1 ? "h (finest level 1)" : String.format(Locale.ROOT, "h^%.2f", p),
                name.toUpperCase(Locale.ROOT), data, PlotOrientation.VERTICAL, true, false,
                false);
        chart.addSubtitle(new org.jfree.chart.title.TextTitle(title));
        if (e != null) {
            chart.addSubtitle(new org.jfree.chart.title.TextTitle(String.format(Locale.ROOT,
                    "extrapolated %.5g, GCI of the finest level %.2g", e.extrapolated(),
                    e.gci())));
        }
        XYPlot plot = chart.getXYPlot();
        plot.setBackgroundPaint(Color.WHITE);
        plot.setDomainGridlinePaint(Color.LIGHT_GRAY);
        plot.setRangeGridlinePaint(Color.LIGHT_GRAY);
        plot.getDomainAxis().setLowerBound(0);
        ((org.jfree.chart.axis.NumberAxis) plot.getRangeAxis()).setAutoRangeIncludesZero(false);
        XYLineAndShapeRenderer r = new XYLineAndShapeRenderer(true, true);
        r.setSeriesPaint(0, new Color(30, 80, 200));
        r.setSeriesStroke(0, new BasicStroke(1.5f));
        r.setSeriesShape(0, new java.awt.geom.Ellipse2D.Double(-4, -4, 8, 8));
        r.setSeriesPaint(1, new Color(200, 50, 30));
        r.setSeriesStroke(1, new BasicStroke(1.2f, BasicStroke.CAP_BUTT, BasicStroke.JOIN_MITER,
                10f, new float[] {6f, 4f}, 0f));
        r.setSeriesShape(1, new java.awt.geom.Ellipse2D.Double(-4, -4, 8, 8));
        plot.setRenderer(r);
        chart.setBackgroundPaint(Color.WHITE);
        return chart;
    }
}
