package kestrafol.report;

import java.awt.Graphics2D;
import java.awt.RenderingHints;
import java.awt.geom.Rectangle2D;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.function.Consumer;
import kestrafol.output.Pictures;
import org.jfree.chart.JFreeChart;
import org.jfree.svg.MeetOrSlice;
import org.jfree.svg.PreserveAspectRatio;
import org.jfree.svg.SVGGraphics2D;
import org.jfree.svg.ViewBox;

/**
 * Charts as inline SVG elements, drawn by the same chart code as the PNG pictures (JFreeSVG
 * records the Java 2D calls). Each element scales to the width of its container (view box, no
 * fixed size) and gets its own prefix for the ids of its clip paths, so that many charts share
 * one page.
 */
final class Svg {
    private static final AtomicInteger NEXT = new AtomicInteger();

    private Svg() {}

    /** The drawing as an svg element of the given size in user units. */
    static String of(int width, int height, String title, Consumer<Graphics2D> drawing) {
        Pictures.headless();
        SVGGraphics2D g = new SVGGraphics2D(width, height);
        String id = "chart" + NEXT.incrementAndGet();
        g.setDefsKeyPrefix(id + "-");
        g.setRenderingHint(RenderingHints.KEY_ANTIALIASING, RenderingHints.VALUE_ANTIALIAS_ON);
        synchronized (Pictures.DRAWING) {
            drawing.accept(g);
        }
        String svg = g.getSVGElement(id, false, new ViewBox(0, 0, width, height),
                PreserveAspectRatio.XMID_YMID, MeetOrSlice.MEET);
        // A title element names the chart for screen readers and as a tooltip.
        int open = svg.indexOf('>') + 1;
        return svg.substring(0, open) + "<title>" + Html.escape(title) + "</title>"
                + svg.substring(open);
    }

    /** A JFreeChart as an svg element. */
    static String of(JFreeChart chart, int width, int height, String title) {
        return of(width, height, title,
                g -> chart.draw(g, new Rectangle2D.Double(0, 0, width, height)));
    }
}
