package kestrafol.geometry;

import java.io.IOException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.regex.Pattern;
import kestrafol.base.InputFileException;
import kestrafol.base.InputFiles;

/**
 * Reads an airfoil coordinate file, in either of the two usual layouts, told apart by the
 * content:
 *
 * <ul>
 *   <li>Selig: an optional name line, then one loop of points from the trailing edge over the
 *       upper surface to the leading edge and back along the lower surface (or the reverse);
 *   <li>Lednicer: a name line, a line with the point counts of the upper and lower surface
 *       (numbers of 2 or more, such as "61. 61."), then the upper and the lower surface, each
 *       from the leading edge to the trailing edge.
 * </ul>
 *
 * <p>Accepted: blank lines, spaces, tabs or commas between the numbers, CRLF or CR line ends, a
 * byte-order mark, Fortran exponents (1.0D-3), a sharp (the first point repeated at the end) or
 * blunt trailing edge, coordinates in any unit (see {@link Airfoil}). Refused, with the line: a
 * file over {@link #MAX_BYTES} or with bytes that are not UTF-8, a number that is not finite,
 * more than {@link Airfoil#MAX_POINTS} points, a line that is not two numbers, fewer than 10
 * points, all points equal, two consecutive equal points, a self-intersecting outline, Lednicer
 * counts that do not match the points, and a second element in the same file.
 */
public final class CoordinateFile {
    private static final Pattern NUMBER =
            Pattern.compile("[+-]?(\\d+\\.?\\d*|\\.\\d+)([eEdD][+-]?\\d+)?");
    private static final Pattern SEPARATORS = Pattern.compile("[\\s,;]+");
    private static final Pattern NON_FINITE =
            Pattern.compile("[+-]?(nan|inf|infinity)", Pattern.CASE_INSENSITIVE);

    private CoordinateFile() {}

    /** A non-blank line: its number from 1 and its values (null when it is not all numbers). */
    private record Line(int number, String text, double[] values) {
    }

    /**
     * The largest coordinate file read: {@link Airfoil#MAX_POINTS} lines of two full-precision
     * numbers take under 5 MB; the rest is room for comments and wide columns.
     */
    public static final int MAX_BYTES = 16 << 20;

    /** Reads the file; the airfoil is named after the name line, or the file name without one. */
    public static Airfoil read(Path file) throws IOException {
        String text;
        try {
            text = InputFiles.text(file, MAX_BYTES, "coordinate file", "an outline has at most "
                    + Airfoil.MAX_POINTS + " points, which take under 5 MB");
        } catch (InputFileException e) {
            throw new CoordinateFileException(file, e.line(), e.reason());
        }
        // Line by line, so that a file of too many points is refused at the first line too many.
        java.util.Iterator<String> raw = text.lines().iterator();
        List<Line> lines = new ArrayList<>();
        for (int i = 0; raw.hasNext(); i++) {
            String t = raw.next().strip();
            if (t.isEmpty()) {
                continue;
            }
            if (lines.size() > Airfoil.MAX_POINTS + 1) {
                throw new CoordinateFileException(file, i + 1, "more than " + Airfoil.MAX_POINTS
                        + " points; an outline may have at most " + Airfoil.MAX_POINTS);
            }
            String bad = nonFinite(t);
            if (bad != null) {
                throw new CoordinateFileException(file, i + 1, "expected two finite numbers x y,"
                        + " found \"" + shorten(bad) + "\"");
            }
            lines.add(new Line(i + 1, t, parse(t)));
        }
        if (lines.isEmpty()) {
            throw new CoordinateFileException(file, 0, "empty; expected airfoil coordinates");
        }
        int next = 0;
        String name = null;
        if (lines.get(0).values() == null) {
            name = lines.get(0).text();
            next = 1;
        }
        if (name == null) {
            String f = file.getFileName().toString();
            int dot = f.lastIndexOf('.');
            name = dot > 0 ? f.substring(0, dot) : f;
        }
        if (next < lines.size() && isCountHeader(lines.get(next).values())) {
            return lednicer(file, name, lines, next);
        }
        List<Line> points = pointLines(file, lines, next);
        double[] xy = coordinates(points);
        double[] unit = Airfoil.unitScaled(xy);
        double size = extent(unit);
        if (size == 0) {
            throw new CoordinateFileException(file, points.get(points.size() - 1).number(), "all "
                    + points.size() + " points are the same point: no outline");
        }
        double tol = Airfoil.SAME_POINT * size;
        // The loop closes where a later point repeats the first one: nothing may follow it
        // (unless it repeats the point before it too: that is two equal points, said so below).
        for (int i = 2; i < points.size() - 1; i++) {
            if (Math.hypot(unit[2 * i] - unit[2 * i - 2], unit[2 * i + 1] - unit[2 * i - 1]) <= tol) {
                break;
            }
            if (Math.hypot(unit[2 * i] - unit[0], unit[2 * i + 1] - unit[1]) <= tol) {
                throw new CoordinateFileException(file, points.get(i + 1).number(),
                        "the outline closed on line " + points.get(i).number()
                        + " and more points follow: a second element? A file holds one element");
            }
        }
        return airfoil(file, name, xy, points);
    }

    /** Two numbers of 2 or more, whole: the point counts of a Lednicer header. */
    private static boolean isCountHeader(double[] v) {
        return v != null && v.length == 2 && v[0] >= 2 && v[1] >= 2 && v[0] == Math.rint(v[0])
                && v[1] == Math.rint(v[1]);
    }

    private static Airfoil lednicer(Path file, String name, List<Line> lines, int header)
            throws IOException {
        Line h = lines.get(header);
        int upper = (int) Math.min(Airfoil.MAX_POINTS, h.values()[0]);
        int lower = (int) Math.min(Airfoil.MAX_POINTS, h.values()[1]);
        List<Line> points = pointLines(file, lines, header + 1);
        if (points.size() != upper + lower) {
            throw new CoordinateFileException(file, h.number(), "the header announces " + upper
                    + " upper and " + lower + " lower points (" + (upper + lower) + "), the file has "
                    + points.size());
        }
        double[] up = coordinates(points.subList(0, upper));
        double[] low = coordinates(points.subList(upper, upper + lower));
        double[] both = Airfoil.unitScaled(coordinates(points));
        double[] upUnit = Arrays.copyOfRange(both, 0, 2 * upper);
        double[] lowUnit = Arrays.copyOfRange(both, 2 * upper, both.length);
        // Both surfaces start at the leading edge: the first lower point must be the first
        // upper one, or at least lie closer to it than to the trailing edge.
        double leGap = Math.hypot(lowUnit[0] - upUnit[0], lowUnit[1] - upUnit[1]);
        double teGap = Math.hypot(lowUnit[0] - upUnit[2 * upper - 2],
                lowUnit[1] - upUnit[2 * upper - 1]);
        if (!(leGap < teGap)) {
            throw new CoordinateFileException(file, points.get(upper).number(), "the lower surface"
                    + " does not start at the leading edge: the counts " + upper + " and " + lower
                    + " on line " + h.number() + " do not match the surfaces");
        }
        boolean sharedLe = leGap <= Airfoil.SAME_POINT * extent(upUnit);
        int skip = sharedLe ? 1 : 0;
        int n = upper + lower - skip;
        double[] xy = new double[2 * n];
        List<Line> order = new ArrayList<>();
        for (int i = 0; i < upper; i++) {
            xy[2 * i] = up[2 * (upper - 1 - i)];
            xy[2 * i + 1] = up[2 * (upper - 1 - i) + 1];
            order.add(points.get(upper - 1 - i));
        }
        for (int i = skip; i < lower; i++) {
            int k = upper + i - skip;
            xy[2 * k] = low[2 * i];
            xy[2 * k + 1] = low[2 * i + 1];
            order.add(points.get(upper + i));
        }
        return airfoil(file, name, xy, order);
    }

    /** The point lines from index `from` on: each two numbers. */
    private static List<Line> pointLines(Path file, List<Line> lines, int from)
            throws CoordinateFileException {
        List<Line> points = new ArrayList<>();
        for (int i = from; i < lines.size(); i++) {
            Line l = lines.get(i);
            if (l.values() == null) {
                int numbersAfter = 0;
                for (int k = i + 1; k < lines.size() && numbersAfter < 2; k++) {
                    numbersAfter += lines.get(k).values() != null ? 1 : 0;
                }
                boolean text = !NUMBER.matcher(SEPARATORS.split(l.text())[0]).matches();
                if (!points.isEmpty() && numbersAfter >= 2 && text) {
                    throw new CoordinateFileException(file, l.number(), "\"" + shorten(l.text())
                            + "\" starts a second element? A file holds one element");
                }
                throw new CoordinateFileException(file, l.number(), "expected two numbers x y,"
                        + " found \"" + shorten(l.text()) + "\"");
            }
            if (l.values().length != 2) {
                throw new CoordinateFileException(file, l.number(), "expected two numbers x y,"
                        + " found " + l.values().length);
            }
            points.add(l);
        }
        return points;
    }

    private static Airfoil airfoil(Path file, String name, double[] xy, List<Line> lines)
            throws CoordinateFileException {
        Airfoil.Problem p = Airfoil.check(xy);
        if (p != null) {
            java.util.function.IntUnaryOperator line = i -> lines.isEmpty() ? 0
                    : lines.get(Math.min(i, lines.size() - 1)).number();
            throw new CoordinateFileException(file, line.applyAsInt(p.point()),
                    p.text(i -> "line " + line.applyAsInt(i)));
        }
        return Airfoil.of(name, xy);
    }

    private static double[] coordinates(List<Line> points) {
        double[] xy = new double[2 * points.size()];
        for (int i = 0; i < points.size(); i++) {
            xy[2 * i] = points.get(i).values()[0];
            xy[2 * i + 1] = points.get(i).values()[1];
        }
        return xy;
    }

    private static double extent(double[] xy) {
        double e = 0;
        for (int i = 2; i < xy.length; i += 2) {
            e = Math.max(e, Math.max(Math.abs(xy[i] - xy[0]), Math.abs(xy[i + 1] - xy[1])));
        }
        return e;
    }

    /**
     * In a line of numbers, the first that is not finite (NaN, Infinity, inf, or one too large
     * for a double, such as 1e999); null for any other line.
     */
    private static String nonFinite(String text) {
        String bad = null;
        for (String p : SEPARATORS.split(text)) {
            if (p.isEmpty()) {
                continue;
            }
            boolean word = NON_FINITE.matcher(p).matches();
            if (!word && !NUMBER.matcher(p).matches()) {
                return null; // a name line, or text a later check names
            }
            if (bad == null && (word || !Double.isFinite(
                    Double.parseDouble(p.replace('d', 'e').replace('D', 'e'))))) {
                bad = p;
            }
        }
        return bad;
    }

    /** The numbers of a line, or null when any piece is not a number. */
    private static double[] parse(String text) {
        String[] parts = SEPARATORS.split(text);
        int start = parts.length > 0 && parts[0].isEmpty() ? 1 : 0;
        double[] v = new double[parts.length - start];
        for (int i = start; i < parts.length; i++) {
            if (!NUMBER.matcher(parts[i]).matches()) {
                return null;
            }
            double d = Double.parseDouble(parts[i].replace('d', 'e').replace('D', 'e'));
            if (!Double.isFinite(d)) {
                return null;
            }
            v[i - start] = d;
        }
        return v.length == 0 ? null : v;
    }

    private static String shorten(String s) {
        return s.length() > 40 ? s.substring(0, 40) + "..." : s;
    }
}
