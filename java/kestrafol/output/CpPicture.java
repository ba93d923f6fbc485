package kestrafol.output;

import java.awt.BasicStroke;
import java.awt.Color;
import java.io.IOException;
import java.nio.file.Path;
import java.util.List;
import kestrafol.mesh.Mesh;
import kestrafol.solver.Flow;
import org.jfree.chart.ChartFactory;
import org.jfree.chart.ChartUtilities;
import org.jfree.chart.JFreeChart;
import org.jfree.chart.plot.PlotOrientation;
import org.jfree.chart.plot.XYPlot;
import org.jfree.chart.renderer.xy.XYLineAndShapeRenderer;
import org.jfree.data.xy.XYSeries;
import org.jfree.data.xy.XYSeriesCollection;

/**
 * The pressure coefficient on the walls against x/c, with the axis turned so that negative Cp
 * (suction) is up, as aerodynamicists plot it. x/c runs from the front to the back of the walls.
 * Drawn with JFreeChart.
 */
public final class CpPicture {
    private CpPicture() {}

    public static void write(Mesh mesh, Flow flow, String title, Path file) throws IOException {
        Pictures.headless();
        List<int[]> loops = Pictures.wallLoops(mesh);
        double xMin = Double.MAX_VALUE;
        double xMax = -Double.MAX_VALUE;
        for (int[] loop : loops) {
            for (int node : loop) {
                xMin = Math.min(xMin, mesh.x(node));
                xMax = Math.max(xMax, mesh.x(node));
            }
        }
        double chord = xMax > xMin ? xMax - xMin : 1;
        XYSeriesCollection data = new XYSeriesCollection();
        int count = 0;
        for (int[] loop : loops) {
            XYSeries s = new XYSeries(loops.size() == 1 ? "wall" : "wall " + (++count), false, true);
            for (int node : loop) {
                s.add((mesh.x(node) - xMin) / chord, flow.pressureCoefficient(node));
            }
            // Close a loop so that the line runs all the way round the body.
            if (loop.length > 2 && isClosed(mesh, loop)) {
                s.add((mesh.x(loop[0]) - xMin) / chord, flow.pressureCoefficient(loop[0]));
            }
            data.addSeries(s);
        }
        JFreeChart chart = ChartFactory.createXYLineChart(title, "x/c", "Cp (negative up)", data,
                PlotOrientation.VERTICAL, loops.size() > 1, false, false);
        XYPlot plot = chart.getXYPlot();
        plot.getRangeAxis().setInverted(true);
        plot.setBackgroundPaint(Color.WHITE);
        plot.setDomainGridlinePaint(Color.LIGHT_GRAY);
        plot.setRangeGridlinePaint(Color.LIGHT_GRAY);
        XYLineAndShapeRenderer r = new XYLineAndShapeRenderer(true, true);
        Color[] colours = {new Color(30, 80, 200), new Color(200, 50, 30), new Color(30, 150, 60)};
        for (int k = 0; k < data.getSeriesCount(); k++) {
            r.setSeriesPaint(k, colours[k % colours.length]);
            r.setSeriesStroke(k, new BasicStroke(1.5f));
            r.setSeriesShape(k, new java.awt.geom.Ellipse2D.Double(-2, -2, 4, 4));
        }
        plot.setRenderer(r);
        chart.setBackgroundPaint(Color.WHITE);
        ChartUtilities.saveChartAsPNG(file.toFile(), chart, 1000, 700);
    }

    private static boolean isClosed(Mesh mesh, int[] loop) {
        int first = loop[0];
        int last = loop[loop.length - 1];
        for (int e = 0; e < mesh.boundaryEdgeCount(); e++) {
            int a = mesh.edgeNode(e, 0);
            int b = mesh.edgeNode(e, 1);
            if ((a == first && b == last) || (a == last && b == first)) {
                return true;
            }
        }
        return false;
    }
}
