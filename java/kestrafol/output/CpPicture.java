package kestrafol.output;

import java.awt.BasicStroke;
import java.awt.Color;
import java.io.IOException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import kestrafol.solver.WallForces;
import org.jfree.chart.ChartFactory;
import org.jfree.chart.ChartUtilities;
import org.jfree.chart.JFreeChart;
import org.jfree.chart.plot.PlotOrientation;
import org.jfree.chart.plot.ValueMarker;
import org.jfree.chart.plot.XYPlot;
import org.jfree.chart.renderer.xy.XYLineAndShapeRenderer;
import org.jfree.data.xy.XYSeries;
import org.jfree.data.xy.XYSeriesCollection;
import org.jfree.ui.RectangleAnchor;
import org.jfree.ui.TextAnchor;

/**
 * The pressure coefficient on the walls against x/c, with the axis turned so that negative Cp
 * (suction) is up, as aerodynamicists plot it. x/c runs from the front to the back of the walls.
 * Drawn with JFreeChart.
 */
public final class CpPicture {
    /** Size of the picture in pixels. */
    public static final int WIDTH = 1000;
    public static final int HEIGHT = 700;

    /**
     * Measured or published points drawn beside the computed ones (black crosses, no line).
     *
     * @param label the legend entry
     * @param x x/c of each point
     * @param cp the pressure coefficient of each point (NaN: left out)
     */
    public record Points(String label, double[] x, double[] cp) {
        public Points {
            if (x.length != cp.length) {
                throw new IllegalArgumentException("comparison points: " + x.length + " x values"
                        + " but " + cp.length + " cp values");
            }
            x = x.clone();
            cp = cp.clone();
        }
    }

    private CpPicture() {}

    /**
     * Cp along the monitored walls as the toolkit's forces list them: each closed wall (a body)
     * split at its front node into its upper and lower side, open walls as one line each, the
     * critical Cp (where the flow turns sonic) as a dashed line for subsonic free streams.
     *
     * @param surface wall nodes in order along each wall
     * @param closedWalls per wall index: whether it closes on itself
     * @param chord reference length: x/c = (x - x of the front node) / chord
     */
    public static void write(List<WallForces.SurfacePoint> surface, boolean[] closedWalls,
            double mach, double gamma, double chord, String title, Path file) throws IOException {
        write(surface, closedWalls, mach, gamma, chord, title, null, file);
    }

    /**
     * The picture with comparison points beside the computed Cp.
     *
     * @param compare the points, or null for none
     */
    public static void write(List<WallForces.SurfacePoint> surface, boolean[] closedWalls,
            double mach, double gamma, double chord, String title, Points compare, Path file)
            throws IOException {
        write(surface, closedWalls, mach, gamma, chord, "x/c", title, compare, file);
    }

    /**
     * The picture with the x axis named after the reference length (x/c for an airfoil, x/D for
     * a circle).
     */
    public static void write(List<WallForces.SurfacePoint> surface, boolean[] closedWalls,
            double mach, double gamma, double chord, String xLabel, String title, Points compare,
            Path file) throws IOException {
        Pictures.headless();
        ChartUtilities.saveChartAsPNG(file.toFile(), chart(surface, closedWalls, mach, gamma,
                chord, xLabel, title, compare), WIDTH, HEIGHT);
    }

    /** The chart of {@link #write}, to draw elsewhere (an SVG of a report page). */
    public static JFreeChart chart(List<WallForces.SurfacePoint> surface, boolean[] closedWalls,
            double mach, double gamma, double chord, String title, Points compare) {
        return chart(surface, closedWalls, mach, gamma, chord, "x/c", title, compare);
    }

    /** The chart with the x axis named xLabel. */
    public static JFreeChart chart(List<WallForces.SurfacePoint> surface, boolean[] closedWalls,
            double mach, double gamma, double chord, String xLabel, String title,
            Points compare) {
        XYSeriesCollection data = wallSeries(surface, closedWalls, chord);
        int computed = data.getSeriesCount();
        if (compare != null) {
            XYSeries s = new XYSeries(compare.label(), false, true);
            for (int k = 0; k < compare.x().length; k++) {
                if (Double.isFinite(compare.x()[k]) && Double.isFinite(compare.cp()[k])) {
                    s.add(compare.x()[k], compare.cp()[k]);
                }
            }
            data.addSeries(s);
        }
        JFreeChart chart = ChartFactory.createXYLineChart(title, xLabel, "Cp (negative up)", data,
                PlotOrientation.VERTICAL, true, false, false);
        XYPlot plot = chart.getXYPlot();
        plot.getRangeAxis().setInverted(true);
        plot.setBackgroundPaint(Color.WHITE);
        plot.setDomainGridlinePaint(Color.LIGHT_GRAY);
        plot.setRangeGridlinePaint(Color.LIGHT_GRAY);
        plot.setRenderer(renderer(computed, compare != null));
        // The axis spans the computed (and compared) Cp only: the critical line never widens
        // it, or at low Mach numbers (Cp* = -6.9 at Mach 0.3) it squeezes the curve.
        double[] span = cpRange(data);
        if (span != null) {
            plot.getRangeAxis().setRange(span[0], span[1]);
        }
        criticalLine(chart, plot, span, mach, gamma);
        chart.setBackgroundPaint(Color.WHITE);
        return chart;
    }

    /**
     * The computed series: per closed wall its upper and lower side, split at its front node,
     * per open wall one line; x/c = (x - x of the front of all walls) / chord.
     */
    private static XYSeriesCollection wallSeries(List<WallForces.SurfacePoint> surface,
            boolean[] closedWalls, double chord) {
        double xFront = Double.MAX_VALUE;
        for (WallForces.SurfacePoint p : surface) {
            xFront = Math.min(xFront, p.x());
        }
        XYSeriesCollection data = new XYSeriesCollection();
        for (int w = 0; w < closedWalls.length; w++) {
            List<WallForces.SurfacePoint> wall = new ArrayList<>();
            for (WallForces.SurfacePoint p : surface) {
                if (p.wall() == w) {
                    wall.add(p);
                }
            }
            if (wall.isEmpty()) {
                continue;
            }
            String suffix = closedWalls.length > 1 ? " " + (w + 1) : "";
            if (!closedWalls[w]) {
                data.addSeries(series("wall" + suffix, wall, 0, wall.size(), xFront, chord));
                continue;
            }
            // Listed clockwise from the back: the lower side up to the front node, then the upper.
            int front = 0;
            for (int k = 0; k < wall.size(); k++) {
                if (wall.get(k).x() < wall.get(front).x()) {
                    front = k;
                }
            }
            List<WallForces.SurfacePoint> upper = new ArrayList<>(wall.subList(front, wall.size()));
            upper.add(wall.get(0));
            data.addSeries(series("upper" + suffix, upper, 0, upper.size(), xFront, chord));
            data.addSeries(series("lower" + suffix, wall, 0, front + 1, xFront, chord));
        }
        return data;
    }

    /** Lines with dots in four colours for the computed series, black crosses for compared. */
    private static XYLineAndShapeRenderer renderer(int computed, boolean compared) {
        XYLineAndShapeRenderer r = new XYLineAndShapeRenderer(true, true);
        Color[] colours = {new Color(30, 80, 200), new Color(200, 50, 30), new Color(30, 150, 60),
            new Color(150, 60, 170)};
        for (int k = 0; k < computed; k++) {
            r.setSeriesPaint(k, colours[k % colours.length]);
            r.setSeriesStroke(k, new BasicStroke(1.5f));
            r.setSeriesShape(k, new java.awt.geom.Ellipse2D.Double(-2, -2, 4, 4));
        }
        if (compared) {
            r.setSeriesPaint(computed, Color.BLACK);
            r.setSeriesLinesVisible(computed, false);
            java.awt.geom.Path2D.Double cross = new java.awt.geom.Path2D.Double();
            cross.moveTo(-4, -4);
            cross.lineTo(4, 4);
            cross.moveTo(-4, 4);
            cross.lineTo(4, -4);
            r.setSeriesShape(computed, new BasicStroke(1.5f).createStrokedShape(cross));
        }
        return r;
    }

    /**
     * The critical Cp of a subsonic free stream: a dashed line when it lies in the plotted span,
     * else a subtitle that says it is beyond.
     */
    private static void criticalLine(JFreeChart chart, XYPlot plot, double[] span, double mach,
            double gamma) {
        double critical = criticalCp(mach, gamma);
        if (mach < 1 && Double.isFinite(critical)) {
            String label = String.format(java.util.Locale.ROOT, "critical Cp* = %.3f (sonic)",
                    critical);
            if (span == null || (critical >= span[0] && critical <= span[1])) {
                ValueMarker m = new ValueMarker(critical, Color.DARK_GRAY, new BasicStroke(1.2f,
                        BasicStroke.CAP_BUTT, BasicStroke.JOIN_MITER, 10f, new float[] {6f, 4f},
                        0f));
                m.setLabel(label);
                m.setLabelAnchor(RectangleAnchor.BOTTOM_RIGHT);
                m.setLabelTextAnchor(TextAnchor.TOP_RIGHT);
                plot.addRangeMarker(m);
            } else {
                chart.addSubtitle(new org.jfree.chart.title.TextTitle(label
                        + ", beyond the plotted range: the flow stays far from sonic"));
            }
        }
    }

    /**
     * The range of the Cp axis: the smallest and largest Cp of every series with 5 % of their
     * spread added on each side (at least 0.05, so a flat curve still shows), or null without
     * points.
     */
    static double[] cpRange(XYSeriesCollection data) {
        double lo = Double.POSITIVE_INFINITY;
        double hi = Double.NEGATIVE_INFINITY;
        for (int s = 0; s < data.getSeriesCount(); s++) {
            XYSeries series = data.getSeries(s);
            for (int k = 0; k < series.getItemCount(); k++) {
                double v = series.getY(k).doubleValue();
                if (Double.isFinite(v)) {
                    lo = Math.min(lo, v);
                    hi = Math.max(hi, v);
                }
            }
        }
        if (!(lo <= hi)) {
            return null;
        }
        double pad = Math.max(0.05 * (hi - lo), 0.05);
        return new double[] {lo - pad, hi + pad};
    }

    /**
     * The pressure coefficient at which the local flow is sonic, for a free stream of the given
     * Mach number: 2 / (gamma M^2) ((2 + (gamma - 1) M^2) / (gamma + 1))^(gamma / (gamma - 1))
     * - 1).
     */
    public static double criticalCp(double mach, double gamma) {
        double m2 = mach * mach;
        return 2 / (gamma * m2)
                * (Math.pow((2 + (gamma - 1) * m2) / (gamma + 1), gamma / (gamma - 1)) - 1);
    }

    private static XYSeries series(String name, List<WallForces.SurfacePoint> points, int from,
            int to, double xFront, double chord) {
        XYSeries s = new XYSeries(name, false, true);
        for (int k = from; k < to; k++) {
            s.add((points.get(k).x() - xFront) / chord, points.get(k).cp());
        }
        return s;
    }
}
