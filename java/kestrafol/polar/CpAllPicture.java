package kestrafol.polar;

import java.awt.BasicStroke;
import java.awt.Color;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Comparator;
import java.util.List;
import kestrafol.output.SurfaceCsv;
import kestrafol.run.CaseOutputs;
import kestrafol.output.Pictures;
import org.jfree.chart.ChartFactory;
import org.jfree.chart.JFreeChart;
import org.jfree.chart.plot.PlotOrientation;
import org.jfree.chart.plot.XYPlot;
import org.jfree.chart.renderer.xy.XYLineAndShapeRenderer;
import org.jfree.data.xy.XYSeries;
import org.jfree.data.xy.XYSeriesCollection;

/**
 * cp-all.png: the pressure coefficient of every case of a polar, one chart per Mach (and
 * Reynolds) number side by side, one curve per angle coloured from blue (smallest angle) to red
 * (largest), negative Cp up. The curves come from each
 * case folder's surface.csv, so a polar run through Slurm gets the picture as well. Cases that
 * did not converge are dashed; cases without a surface.csv (failed, diverged) are left out.
 */
public final class CpAllPicture {
    /** Size of one chart of the picture. */
    public static final int WIDTH = 900;
    public static final int HEIGHT = 650;

    /**
     * One case's pressure coefficient along its walls.
     *
     * @param group the chart the curve belongs to, e.g. "Mach 0.5" or "Mach 0.2, Re 5000"
     * @param xc (x - front) / (back - front) of the walls, NaN between two walls (a break)
     */
    public record Curve(String group, String label, double alpha, boolean converged, double[] xc,
            double[] cp) {
        public Curve {
            xc = xc.clone();
            cp = cp.clone();
        }
    }

    private CpAllPicture() {}

    /**
     * The curves of the cases that have a surface.csv in their folder below polarFolder, in the
     * order of the cases.
     *
     * @throws IOException for a surface.csv that cannot be read (the message names file and line)
     */
    public static List<Curve> curves(List<PolarRow> rows, Path polarFolder) throws IOException {
        List<PolarRow> sorted = new ArrayList<>(rows);
        sorted.sort(Comparator.comparingInt(r -> r.polarCase().index()));
        List<Curve> curves = new ArrayList<>();
        for (PolarRow r : sorted) {
            Path file = polarFolder.resolve(r.polarCase().folder()).resolve(CaseOutputs.SURFACE);
            if (!r.result().answered() || !Files.exists(file)) {
                continue;
            }
            double[][] xy = readSurface(file);
            PolarCase c = r.polarCase();
            curves.add(new Curve("Mach " + Sweep.plain(c.mach()) + (c.reynolds() == null ? ""
                    : ", Re " + Sweep.plain(c.reynolds())), "alpha " + Sweep.plain(c.alpha()),
                    c.alpha().doubleValue(), r.result().converged(), xy[0], xy[1]));
        }
        return curves;
    }

    /**
     * {x/c, cp} of a surface.csv (marker,x,y,cp,...): x/c over the extent of the walls, NaN
     * where the marker changes.
     *
     * @throws IOException for a file that is not a surface.csv (the message names file and line)
     */
    public static double[][] readSurface(Path file) throws IOException {
        List<SurfaceCsv.Row> points = SurfaceCsv.read(file);
        int n = points.size();
        double[] x = new double[2 * n];
        double[] cp = new double[2 * n];
        int m = 0;
        String marker = null;
        double lo = Double.POSITIVE_INFINITY;
        double hi = Double.NEGATIVE_INFINITY;
        for (SurfaceCsv.Row p : points) {
            if (marker != null && !marker.equals(p.marker())) {
                x[m] = Double.NaN;
                cp[m++] = Double.NaN;
            }
            marker = p.marker();
            x[m] = p.x();
            cp[m++] = p.cp();
            lo = Math.min(lo, p.x());
            hi = Math.max(hi, p.x());
        }
        double span = hi > lo ? hi - lo : 1;
        for (int k = 0; k < m; k++) {
            x[k] = (x[k] - lo) / span;
        }
        return new double[][] {Arrays.copyOf(x, m), Arrays.copyOf(cp, m)};
    }

    /**
     * One curve per wall (marker) of a surface.csv, as cp.png draws them: x/c = (x - x of the
     * front of all walls) / chord, so the elements of a multi-element airfoil stand where they
     * are along the chord. Each curve is labelled with its marker.
     *
     * @throws IOException for a file that is not a surface.csv (the message names file and line)
     */
    public static List<Curve> elements(Path file, double chord, boolean converged)
            throws IOException {
        List<SurfaceCsv.Row> points = SurfaceCsv.read(file);
        double front = Double.POSITIVE_INFINITY;
        java.util.Map<String, List<SurfaceCsv.Row>> walls = new java.util.LinkedHashMap<>();
        for (SurfaceCsv.Row p : points) {
            front = Math.min(front, p.x());
            walls.computeIfAbsent(p.marker(), k -> new ArrayList<>()).add(p);
        }
        List<Curve> curves = new ArrayList<>();
        for (java.util.Map.Entry<String, List<SurfaceCsv.Row>> e : walls.entrySet()) {
            double[] xc = new double[e.getValue().size()];
            double[] cp = new double[xc.length];
            for (int k = 0; k < xc.length; k++) {
                xc[k] = (e.getValue().get(k).x() - front) / chord;
                cp[k] = e.getValue().get(k).cp();
            }
            curves.add(new Curve("", e.getKey(), curves.size(), converged, xc, cp));
        }
        return curves;
    }

    /** The chart: one line per curve, Cp axis inverted. */
    public static JFreeChart chart(List<Curve> curves, String title) {
        return chart(curves, null, title);
    }

    /**
     * The chart with comparison points (x as x/c, cp) as black crosses.
     *
     * @param compare the points, or null
     */
    public static JFreeChart chart(List<Curve> curves, ComparisonData compare, String title) {
        Pictures.headless();
        XYSeriesCollection data = new XYSeriesCollection();
        double lo = Double.POSITIVE_INFINITY;
        double hi = Double.NEGATIVE_INFINITY;
        for (Curve c : curves) {
            lo = Math.min(lo, c.alpha());
            hi = Math.max(hi, c.alpha());
        }
        JFreeChart chart = ChartFactory.createXYLineChart(title, "x/c", "Cp (negative up)", data,
                PlotOrientation.VERTICAL, true, false, false);
        XYLineAndShapeRenderer r = new XYLineAndShapeRenderer(true, false);
        r.setDrawSeriesLineAsPath(true);
        for (int k = 0; k < curves.size(); k++) {
            Curve c = curves.get(k);
            String name = c.label() + (c.converged() ? "" : " (not converged)");
            XYSeries s = new XYSeries(name, false, true);
            for (int i = 0; i < c.xc().length; i++) {
                s.add(c.xc()[i], Double.isNaN(c.xc()[i]) ? null : c.cp()[i]);
            }
            data.addSeries(s);
            double t = hi > lo ? (c.alpha() - lo) / (hi - lo) : 0;
            r.setSeriesPaint(k, new Color((int) Math.round(30 + 190 * t), 60,
                    (int) Math.round(210 - 180 * t)));
            r.setSeriesStroke(k, c.converged() ? new BasicStroke(1.6f) : new BasicStroke(1.6f,
                    BasicStroke.CAP_BUTT, BasicStroke.JOIN_MITER, 10f, new float[] {6f, 4f}, 0f));
        }
        if (compare != null && compare.has("x") && compare.has("cp")) {
            XYSeries s = new XYSeries(compare.label(), false, true);
            double[] x = compare.column("x");
            double[] cp = compare.column("cp");
            for (int k = 0; k < x.length; k++) {
                if (Double.isFinite(x[k]) && Double.isFinite(cp[k])) {
                    s.add(x[k], cp[k]);
                }
            }
            int i = data.getSeriesCount();
            data.addSeries(s);
            r.setSeriesPaint(i, Color.BLACK);
            r.setSeriesLinesVisible(i, false);
            r.setSeriesShapesVisible(i, true);
            r.setSeriesShape(i, PolarPicture.CROSS);
        }
        XYPlot plot = chart.getXYPlot();
        plot.setRenderer(r);
        plot.getRangeAxis().setInverted(true);
        plot.setBackgroundPaint(Color.WHITE);
        plot.setDomainGridlinePaint(Color.LIGHT_GRAY);
        plot.setRangeGridlinePaint(Color.LIGHT_GRAY);
        chart.setBackgroundPaint(Color.WHITE);
        return chart;
    }

    /** One chart per group of the curves, titled "title, group", in the order of the curves. */
    public static List<JFreeChart> charts(List<Curve> curves, String title) {
        java.util.Map<String, List<Curve>> groups = new java.util.LinkedHashMap<>();
        for (Curve c : curves) {
            groups.computeIfAbsent(c.group(), k -> new ArrayList<>()).add(c);
        }
        List<JFreeChart> charts = new ArrayList<>();
        for (java.util.Map.Entry<String, List<Curve>> e : groups.entrySet()) {
            charts.add(chart(e.getValue(), title + ", " + e.getKey()));
        }
        return charts;
    }

    /**
     * Writes cp-all.png: the charts of {@link #charts} side by side, two per row, each
     * {@link #WIDTH} x {@link #HEIGHT}.
     */
    public static void write(List<Curve> curves, String title, Path file) throws IOException {
        List<JFreeChart> charts = charts(curves, title);
        int columns = Math.min(2, Math.max(1, charts.size()));
        int rows = Math.max(1, (charts.size() + columns - 1) / columns);
        java.awt.image.BufferedImage image = new java.awt.image.BufferedImage(columns * WIDTH,
                rows * HEIGHT, java.awt.image.BufferedImage.TYPE_INT_RGB);
        java.awt.Graphics2D g = image.createGraphics();
        g.setRenderingHint(java.awt.RenderingHints.KEY_ANTIALIASING,
                java.awt.RenderingHints.VALUE_ANTIALIAS_ON);
        g.setPaint(Color.WHITE);
        g.fillRect(0, 0, image.getWidth(), image.getHeight());
        for (int k = 0; k < charts.size(); k++) {
            charts.get(k).draw(g, new java.awt.geom.Rectangle2D.Double(k % columns * WIDTH,
                    k / columns * HEIGHT, WIDTH, HEIGHT));
        }
        g.dispose();
        javax.imageio.ImageIO.write(image, "png", file.toFile());
    }
}
