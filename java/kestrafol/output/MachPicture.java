package kestrafol.output;

import kestrafol.base.Numbers;
import java.awt.BasicStroke;
import java.awt.Color;
import java.awt.Font;
import java.awt.FontMetrics;
import java.awt.Graphics2D;
import java.awt.RenderingHints;
import java.awt.geom.Line2D;
import java.awt.geom.Path2D;
import java.awt.image.BufferedImage;
import java.io.IOException;
import java.nio.file.Path;
import javax.imageio.ImageIO;
import kestrafol.mesh.Mesh;

/**
 * Filled contour picture of a nodal field around the walls of a mesh, with a colour bar: each
 * triangle (quadrilaterals are split in two) is cut into the bands between contour levels of
 * the linear interpolant, and each piece is filled with the colour of its band. Optionally one
 * level is drawn as a line (the sonic line M = 1 of a Mach field). Walls are filled grey.
 */
public final class MachPicture {
    private static final int WIDTH = 1400;
    private static final int HEIGHT = 800;
    private static final int LEFT = 80;
    private static final int RIGHT = 170;
    private static final int TOP = 60;
    private static final int BOTTOM = 70;
    private static final int BANDS = 20;

    /** Colour map stops: blue through green and yellow to dark red. */
    private static final float[][] STOPS = {
        {0.00f, 48, 18, 59}, {0.15f, 65, 105, 225}, {0.30f, 30, 180, 230}, {0.45f, 50, 220, 150},
        {0.60f, 170, 235, 50}, {0.75f, 250, 190, 40}, {0.90f, 230, 90, 20}, {1.00f, 122, 4, 3},
    };

    private MachPicture() {}

    /**
     * Writes a PNG.
     *
     * @param field one value per node
     * @param label name of the quantity for the colour bar, e.g. "Mach number"
     * @param line a level drawn as a black line (e.g. 1 for the sonic line), or NaN for none
     */
    public static void write(Mesh mesh, double[] field, String title, String label, double line,
            Path file) throws IOException {
        write(mesh, field, title, label, line, Double.NaN, file);
    }

    /**
     * Writes a PNG with axes in units of the chord when it is known.
     *
     * @param chord length that divides the axis values (labels x/c, y/c), or NaN for plain x, y
     */
    public static void write(Mesh mesh, double[] field, String title, String label, double line,
            double chord, Path file) throws IOException {
        write(mesh, field, title, label, line, chord, false, file);
    }

    /**
     * Writes a PNG with axes in units of the chord when it is known, and with edges the
     * elements' sides drawn thin over the field (an adapted mesh shown where it is fine).
     */
    public static void write(Mesh mesh, double[] field, String title, String label, double line,
            double chord, boolean edges, Path file) throws IOException {
        if (field.length != mesh.nodeCount()) {
            throw new IllegalArgumentException("expected " + mesh.nodeCount() + " values, got "
                    + field.length);
        }
        Pictures.headless();
        double[] view = view(mesh, field, line);
        double plotW = WIDTH - LEFT - RIGHT;
        double plotH = HEIGHT - TOP - BOTTOM;
        // Equal scales in x and y: widen the shorter side of the view.
        double scale = Math.min(plotW / (view[1] - view[0]), plotH / (view[3] - view[2]));
        double cx = 0.5 * (view[0] + view[1]);
        double cy = 0.5 * (view[2] + view[3]);
        double x0 = cx - 0.5 * plotW / scale;
        double y1 = cy + 0.5 * plotH / scale;
        double[] px = new double[mesh.nodeCount()];
        double[] py = new double[mesh.nodeCount()];
        for (int i = 0; i < px.length; i++) {
            px[i] = LEFT + (mesh.x(i) - x0) * scale;
            py[i] = TOP + (y1 - mesh.y(i)) * scale;
        }
        double[] range = range(field, px, py);
        double[] levels = levels(range[0], range[1]);
        range = new double[] {levels[0], levels[levels.length - 1]};

        BufferedImage image = new BufferedImage(WIDTH, HEIGHT, BufferedImage.TYPE_INT_RGB);
        Graphics2D g = image.createGraphics();
        g.setColor(Color.WHITE);
        g.fillRect(0, 0, WIDTH, HEIGHT);
        g.setClip(LEFT, TOP, (int) plotW, (int) plotH);
        g.setRenderingHint(RenderingHints.KEY_ANTIALIASING, RenderingHints.VALUE_ANTIALIAS_OFF);
        forEachTriangle(mesh, (a, b, c) -> {
            double minX = Math.min(px[a], Math.min(px[b], px[c]));
            double maxX = Math.max(px[a], Math.max(px[b], px[c]));
            double minY = Math.min(py[a], Math.min(py[b], py[c]));
            double maxY = Math.max(py[a], Math.max(py[b], py[c]));
            if (maxX < LEFT || minX > LEFT + plotW || maxY < TOP || minY > TOP + plotH) {
                return;
            }
            fillBands(g, new double[] {px[a], px[b], px[c]}, new double[] {py[a], py[b], py[c]},
                    new double[] {field[a], field[b], field[c]}, levels);
        });
        g.setRenderingHint(RenderingHints.KEY_ANTIALIASING, RenderingHints.VALUE_ANTIALIAS_ON);
        if (edges) {
            drawEdges(g, mesh, px, py);
        }
        if (!Double.isNaN(line) && line > range[0] && line < range[1]) {
            g.setColor(Color.BLACK);
            g.setStroke(new BasicStroke(1.6f));
            forEachTriangle(mesh, (a, b, c) -> drawLevel(g, new double[] {px[a], px[b], px[c]},
                    new double[] {py[a], py[b], py[c]},
                    new double[] {field[a], field[b], field[c]}, line));
        }
        drawWalls(g, mesh, px, py);
        g.setClip(null);
        g.setColor(Color.BLACK);
        g.setStroke(new BasicStroke(1f));
        g.drawRect(LEFT, TOP, (int) plotW, (int) plotH);
        axes(g, x0, y1, scale, plotW, plotH, chord);
        colourBar(g, levels, label, !Double.isNaN(line) && line > range[0] && line < range[1]
                ? line : Double.NaN);
        g.setFont(new Font(Font.SANS_SERIF, Font.BOLD, 20));
        FontMetrics fm = g.getFontMetrics();
        g.drawString(title, (WIDTH - RIGHT + LEFT - fm.stringWidth(title)) / 2, TOP - 20);
        g.dispose();
        ImageIO.write(image, "png", file.toFile());
    }

    /** The elements' sides, thin and faint over the field. */
    private static void drawEdges(Graphics2D g, Mesh mesh, double[] px, double[] py) {
        g.setColor(new Color(0, 0, 0, 70));
        g.setStroke(new BasicStroke(0.5f));
        forEachTriangle(mesh, (a, b, c) -> {
            Path2D.Double side = new Path2D.Double();
            side.moveTo(px[a], py[a]);
            side.lineTo(px[b], py[b]);
            side.lineTo(px[c], py[c]);
            side.closePath();
            g.draw(side);
        });
    }

    /** Each closed wall filled grey and outlined. */
    private static void drawWalls(Graphics2D g, Mesh mesh, double[] px, double[] py) {
        for (int[] loop : Pictures.wallLoops(mesh)) {
            Path2D.Double body = new Path2D.Double();
            for (int k = 0; k < loop.length; k++) {
                if (k == 0) {
                    body.moveTo(px[loop[k]], py[loop[k]]);
                } else {
                    body.lineTo(px[loop[k]], py[loop[k]]);
                }
            }
            body.closePath();
            g.setColor(new Color(200, 200, 200));
            g.fill(body);
            g.setColor(Color.BLACK);
            g.setStroke(new BasicStroke(1.2f));
            g.draw(body);
        }
    }

    /**
     * {xmin, xmax, ymin, ymax}: the walls with a margin, widened to take in every node where the
     * field exceeds the line level (the whole supersonic pocket of a Mach field) with a margin,
     * never beyond the mesh, unless most of the field exceeds it (a supersonic free stream); the
     * whole mesh without walls.
     */
    static double[] view(Mesh mesh, double[] field, double line) {
        double[] box = view(mesh);
        if (Double.isNaN(line) || box[0] == Double.MAX_VALUE) {
            return box;
        }
        double[] pocket = {Double.MAX_VALUE, -Double.MAX_VALUE, Double.MAX_VALUE, -Double.MAX_VALUE};
        double[] all = {Double.MAX_VALUE, -Double.MAX_VALUE, Double.MAX_VALUE, -Double.MAX_VALUE};
        int above = 0;
        for (int n = 0; n < mesh.nodeCount(); n++) {
            include(all, mesh.x(n), mesh.y(n));
            if (field[n] > line) {
                include(pocket, mesh.x(n), mesh.y(n));
                above++;
            }
        }
        // A pocket is a minority of the nodes; above the line almost everywhere (a supersonic
        // free stream) there is no pocket to frame.
        if (above == 0 || 2 * above > mesh.nodeCount()) {
            return box;
        }
        double margin = Math.max(0.15 * Math.max(pocket[1] - pocket[0], pocket[3] - pocket[2]),
                0.05 * Math.max(box[1] - box[0], box[3] - box[2]));
        return new double[] {
            Math.max(all[0], Math.min(box[0], pocket[0] - margin)),
            Math.min(all[1], Math.max(box[1], pocket[1] + margin)),
            Math.max(all[2], Math.min(box[2], pocket[2] - margin)),
            Math.min(all[3], Math.max(box[3], pocket[3] + margin))
        };
    }

    /** {xmin, xmax, ymin, ymax}: the walls with a margin, or the whole mesh without walls. */
    static double[] view(Mesh mesh) {
        double[] box = {Double.MAX_VALUE, -Double.MAX_VALUE, Double.MAX_VALUE, -Double.MAX_VALUE};
        boolean walls = false;
        for (int e = 0; e < mesh.boundaryEdgeCount(); e++) {
            if (mesh.isWallTag(mesh.edgeTag(e))) {
                walls = true;
                for (int k = 0; k < 2; k++) {
                    int n = mesh.edgeNode(e, k);
                    include(box, mesh.x(n), mesh.y(n));
                }
            }
        }
        if (!walls) {
            for (int n = 0; n < mesh.nodeCount(); n++) {
                include(box, mesh.x(n), mesh.y(n));
            }
            return box;
        }
        double size = Math.max(box[1] - box[0], box[3] - box[2]);
        double[] mesh4 = {Double.MAX_VALUE, -Double.MAX_VALUE, Double.MAX_VALUE, -Double.MAX_VALUE};
        for (int n = 0; n < mesh.nodeCount(); n++) {
            include(mesh4, mesh.x(n), mesh.y(n));
        }
        // Three quarters of a body length around the walls, but never beyond the mesh.
        return new double[] {
            Math.max(mesh4[0], box[0] - 0.75 * size), Math.min(mesh4[1], box[1] + 0.75 * size),
            Math.max(mesh4[2], box[2] - 0.75 * size), Math.min(mesh4[3], box[3] + 0.75 * size)
        };
    }

    private static void include(double[] box, double x, double y) {
        box[0] = Math.min(box[0], x);
        box[1] = Math.max(box[1], x);
        box[2] = Math.min(box[2], y);
        box[3] = Math.max(box[3], y);
    }

    /** Smallest and largest finite value at nodes inside the picture. */
    private static double[] range(double[] field, double[] px, double[] py) {
        double lo = Double.MAX_VALUE;
        double hi = -Double.MAX_VALUE;
        for (int i = 0; i < field.length; i++) {
            if (px[i] >= LEFT && px[i] <= WIDTH - RIGHT && py[i] >= TOP && py[i] <= HEIGHT - BOTTOM
                    && Double.isFinite(field[i])) {
                lo = Math.min(lo, field[i]);
                hi = Math.max(hi, field[i]);
            }
        }
        if (lo > hi) {
            lo = 0;
            hi = 1;
        }
        if (hi - lo < 1e-12 * Math.max(1, Math.abs(hi))) {
            lo -= 0.5;
            hi += 0.5;
        }
        return new double[] {lo, hi};
    }

    /**
     * Levels on round values: a step of 1, 2 or 5 times a power of ten that gives about BANDS
     * bands, from the last multiple of the step at or below lo to the first at or above hi.
     */
    static double[] levels(double lo, double hi) {
        double step = Pictures.niceStep((hi - lo) / BANDS);
        long first = (long) Math.floor(lo / step + 1e-9);
        long last = (long) Math.ceil(hi / step - 1e-9);
        if (last <= first) {
            last = first + 1;
        }
        double[] l = new double[(int) (last - first) + 1];
        for (int k = 0; k < l.length; k++) {
            l[k] = (first + k) * step;
        }
        return l;
    }

    /** Colour of a position t from 0 to 1 on the colour map. */
    static Color colour(double t) {
        t = Math.max(0, Math.min(1, t));
        for (int k = 1; k < STOPS.length; k++) {
            if (t <= STOPS[k][0]) {
                float[] a = STOPS[k - 1];
                float[] b = STOPS[k];
                double u = (t - a[0]) / (b[0] - a[0]);
                return new Color((int) Math.round(a[1] + u * (b[1] - a[1])),
                        (int) Math.round(a[2] + u * (b[2] - a[2])),
                        (int) Math.round(a[3] + u * (b[3] - a[3])));
            }
        }
        float[] last = STOPS[STOPS.length - 1];
        return new Color((int) last[1], (int) last[2], (int) last[3]);
    }

    private interface TriangleVisitor {
        void triangle(int a, int b, int c);
    }

    private static void forEachTriangle(Mesh mesh, TriangleVisitor v) {
        for (int e = 0; e < mesh.triangleCount(); e++) {
            v.triangle(mesh.triangleNode(e, 0) - 1, mesh.triangleNode(e, 1) - 1,
                    mesh.triangleNode(e, 2) - 1);
        }
        for (int e = 0; e < mesh.quadCount(); e++) {
            int a = mesh.quadNode(e, 0) - 1;
            int c = mesh.quadNode(e, 2) - 1;
            v.triangle(a, mesh.quadNode(e, 1) - 1, c);
            v.triangle(a, c, mesh.quadNode(e, 3) - 1);
        }
    }

    /** Fills the parts of a triangle that fall in each band. */
    private static void fillBands(Graphics2D g, double[] x, double[] y, double[] v, double[] levels) {
        for (double value : v) {
            if (!Double.isFinite(value)) {
                return;
            }
        }
        double lo = Math.min(v[0], Math.min(v[1], v[2]));
        double hi = Math.max(v[0], Math.max(v[1], v[2]));
        int bands = levels.length - 1;
        for (int k = 0; k < bands; k++) {
            double bandLo = k == 0 ? Double.NEGATIVE_INFINITY : levels[k];
            double bandHi = k == bands - 1 ? Double.POSITIVE_INFINITY : levels[k + 1];
            if (hi < bandLo || lo > bandHi) {
                continue;
            }
            double[][] poly = {x, y, v};
            if (bandLo > lo) {
                poly = clip(poly, bandLo, true);
            }
            if (bandHi < hi) {
                poly = clip(poly, bandHi, false);
            }
            if (poly[0].length < 3) {
                continue;
            }
            Path2D.Double p = new Path2D.Double();
            p.moveTo(poly[0][0], poly[1][0]);
            for (int i = 1; i < poly[0].length; i++) {
                p.lineTo(poly[0][i], poly[1][i]);
            }
            p.closePath();
            Color c = colour((k + 0.5) / bands);
            g.setColor(c);
            g.fill(p);
            // Drawing the outline too closes the hairline gaps between neighbouring pieces.
            g.draw(p);
        }
    }

    /** Keeps the part of a polygon {x[], y[], v[]} where v >= level (above) or v <= level. */
    private static double[][] clip(double[][] poly, double level, boolean above) {
        int n = poly[0].length;
        double[] ox = new double[n + 2];
        double[] oy = new double[n + 2];
        double[] ov = new double[n + 2];
        int m = 0;
        for (int i = 0; i < n; i++) {
            int j = (i + 1) % n;
            double vi = poly[2][i];
            double vj = poly[2][j];
            boolean inI = above ? vi >= level : vi <= level;
            boolean inJ = above ? vj >= level : vj <= level;
            if (inI) {
                ox[m] = poly[0][i];
                oy[m] = poly[1][i];
                ov[m++] = vi;
            }
            if (inI != inJ) {
                double t = (level - vi) / (vj - vi);
                ox[m] = poly[0][i] + t * (poly[0][j] - poly[0][i]);
                oy[m] = poly[1][i] + t * (poly[1][j] - poly[1][i]);
                ov[m++] = level;
            }
        }
        return new double[][] {java.util.Arrays.copyOf(ox, m), java.util.Arrays.copyOf(oy, m),
            java.util.Arrays.copyOf(ov, m)};
    }

    /** Draws the segment of a triangle where the linear interpolant equals the level. */
    private static void drawLevel(Graphics2D g, double[] x, double[] y, double[] v, double level) {
        double[] sx = new double[2];
        double[] sy = new double[2];
        int found = 0;
        for (int i = 0; i < 3 && found < 2; i++) {
            int j = (i + 1) % 3;
            if ((v[i] < level) != (v[j] < level)) {
                double t = (level - v[i]) / (v[j] - v[i]);
                sx[found] = x[i] + t * (x[j] - x[i]);
                sy[found] = y[i] + t * (y[j] - y[i]);
                found++;
            }
        }
        if (found == 2) {
            g.draw(new Line2D.Double(sx[0], sy[0], sx[1], sy[1]));
        }
    }

    private static void axes(Graphics2D g, double x0, double y1, double scale, double plotW,
            double plotH, double chord) {
        g.setFont(new Font(Font.SANS_SERIF, Font.PLAIN, 14));
        FontMetrics fm = g.getFontMetrics();
        double unit = Double.isNaN(chord) ? 1 : chord;
        double step = Pictures.niceStep(plotW / scale / unit / 8);
        double xFirst = Math.ceil(x0 / unit / step) * step;
        for (double t = xFirst; t * unit <= x0 + plotW / scale + 1e-9 * unit; t += step) {
            int p = (int) Math.round(LEFT + (t * unit - x0) * scale);
            g.drawLine(p, TOP + (int) plotH, p, TOP + (int) plotH + 6);
            String s = Numbers.tick(t, step);
            g.drawString(s, p - fm.stringWidth(s) / 2, TOP + (int) plotH + 22);
        }
        double yFirst = Math.ceil((y1 - plotH / scale) / unit / step) * step;
        for (double t = yFirst; t * unit <= y1 + 1e-9 * unit; t += step) {
            int p = (int) Math.round(TOP + (y1 - t * unit) * scale);
            g.drawLine(LEFT - 6, p, LEFT, p);
            String s = Numbers.tick(t, step);
            g.drawString(s, LEFT - 10 - fm.stringWidth(s), p + fm.getAscent() / 2 - 1);
        }
        boolean c = !Double.isNaN(chord);
        g.drawString(c ? "x/c" : "x", LEFT + (int) plotW / 2, HEIGHT - BOTTOM / 2 + 14);
        g.drawString(c ? "y/c" : "y", 14, TOP + (int) plotH / 2);
    }

    private static void colourBar(Graphics2D g, double[] levels, String label, double line) {
        int bands = levels.length - 1;
        int x = WIDTH - RIGHT + 40;
        int w = 28;
        int top = TOP;
        int h = HEIGHT - TOP - BOTTOM;
        for (int k = 0; k < bands; k++) {
            int yHi = top + (int) Math.round(h * (1 - (double) (k + 1) / bands));
            int yLo = top + (int) Math.round(h * (1 - (double) k / bands));
            g.setColor(colour((k + 0.5) / bands));
            g.fillRect(x, yHi, w, yLo - yHi);
        }
        g.setColor(Color.BLACK);
        g.drawRect(x, top, w, h);
        g.setFont(new Font(Font.SANS_SERIF, Font.PLAIN, 13));
        FontMetrics fm = g.getFontMetrics();
        double span = levels[bands] - levels[0];
        // Ticks on the round values among the levels (which are round themselves).
        double step = Pictures.niceStep(span / 8);
        for (int k = 0; k <= bands; k++) {
            double ratio = levels[k] / step;
            if (Math.abs(ratio - Math.rint(ratio)) > 1e-6
                    || Math.abs(levels[k] - line) < 1e-9 * step) {
                continue;
            }
            int y = top + (int) Math.round(h * (1 - (double) k / bands));
            g.drawLine(x + w, y, x + w + 5, y);
            g.drawString(Numbers.tick(levels[k], step), x + w + 8, y + fm.getAscent() / 2 - 1);
        }
        if (!Double.isNaN(line)) {
            int y = top + (int) Math.round(h * (1 - (line - levels[0]) / span));
            g.setStroke(new BasicStroke(2.5f));
            g.drawLine(x - 6, y, x + w + 6, y);
            g.setStroke(new BasicStroke(1f));
            g.drawString(Numbers.tick(line, 0.1) + " sonic", x + w + 8,
                    y + fm.getAscent() / 2 - 1);
        }
        g.setFont(new Font(Font.SANS_SERIF, Font.BOLD, 15));
        g.drawString(label, x - 10, top - 12);
    }
}
