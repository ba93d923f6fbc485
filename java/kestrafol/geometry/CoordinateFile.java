package kestrafol.geometry;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.regex.Pattern;

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
 * blunt trailing edge. Refused, with the line: a line that is not two numbers, fewer than 10
 * points, two consecutive equal points, a self-intersecting outline, Lednicer counts that do not
 * match the points, and a second element in the same file.
 */
public final class CoordinateFile {
    private static final Pattern NUMBER =
            Pattern.compile("[+-]?(\\d+\\.?\\d*|\\.\\d+)([eEdD][+-]?\\d+)?");
    private static final Pattern SEPARATORS = Pattern.compile("[\\s,;]+");

    private CoordinateFile() {}

    /** A non-blank line: its number from 1 and its values (null when it is not all numbers). */
    private record Line(int number, String text, double[] values) {
    }

    /** Reads the file; the airfoil is named after the name line, or the file name without one. */
    public static Airfoil read(Path file) throws IOException {
        byte[] bytes;
        try {
            bytes = Files.readAllBytes(file);
        } catch (java.nio.file.NoSuchFileException e) {
            throw new CoordinateFileException(file, 0, "no such file");
        } catch (IOException e) {
            throw new CoordinateFileException(file, 0, "cannot be read (" + e.getMessage() + ")");
        }
        String text = new String(bytes, StandardCharsets.UTF_8);
        if (text.startsWith("\uFEFF")) {
            text = text.substring(1);
        }
        String[] raw = text.split("\r\n|\r|\n", -1);
        List<Line> lines = new ArrayList<>();
        List<Integer> blankBefore = new ArrayList<>();
        int blanks = 0;
        for (int i = 0; i < raw.length; i++) {
            String t = raw[i].strip();
            if (t.isEmpty()) {
                blanks++;
                continue;
            }
            lines.add(new Line(i + 1, t, parse(t)));
            blankBefore.add(blanks);
            blanks = 0;
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
        double tol = Airfoil.SAME_POINT * extent(xy);
        // The loop closes where a later point repeats the first one: nothing may follow it.
        for (int i = 2; i < points.size() - 1; i++) {
            if (Math.hypot(xy[2 * i] - xy[0], xy[2 * i + 1] - xy[1]) <= tol) {
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
        // Both surfaces start at the leading edge: the first lower point must be the first
        // upper one, or at least lie closer to it than to the trailing edge.
        double leGap = Math.hypot(low[0] - up[0], low[1] - up[1]);
        double teGap = Math.hypot(low[0] - up[2 * upper - 2], low[1] - up[2 * upper - 1]);
        if (!(leGap < teGap)) {
            throw new CoordinateFileException(file, points.get(upper).number(), "the lower surface"
                    + " does not start at the leading edge: the counts " + upper + " and " + lower
                    + " on line " + h.number() + " do not match the surfaces");
        }
        boolean sharedLe = leGap <= Airfoil.SAME_POINT * extent(up);
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
