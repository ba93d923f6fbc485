package kestrafol.polar;

import java.io.IOException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import kestrafol.base.InputFileException;
import kestrafol.base.InputFiles;

/**
 * Measured or published points to draw beside computed ones (--compare FILE): a CSV file whose
 * header names its columns. A polar takes any of alpha, cl, cd and cm (enough for at least one
 * of its charts: alpha with cl or cm, or cd with cl); a single run takes x (as x/c) and cp. Other
 * columns are ignored, names are case-insensitive, lines starting with # and blank lines are
 * skipped, and an empty cell is a missing value.
 *
 * @param label what the legend calls the points: the file name without its extension
 * @param columns the known columns present, in the order {@link #COLUMNS} lists them
 */
public record ComparisonData(String label, Map<String, double[]> columns) {
    /** Every column the reader knows. */
    public static final List<String> COLUMNS = List.of("alpha", "cl", "cd", "cm", "x", "cp");
    /**
     * The largest file read: 100,000 rows of six full-precision numbers take about 12 MB, far
     * more points than a chart can show apart.
     */
    public static final int MAX_BYTES = 16 << 20;

    /** What the points are compared with. */
    public enum Use {
        /** The charts of a polar: alpha, cl, cd, cm. */
        POLAR,
        /** The pressure distribution of a run: x, cp. */
        SURFACE
    }

    public ComparisonData {
        Map<String, double[]> copy = new LinkedHashMap<>();
        for (String c : COLUMNS) {
            if (columns.containsKey(c)) {
                copy.put(c, columns.get(c).clone());
            }
        }
        columns = copy;
    }

    /** True when the file has the column. */
    public boolean has(String column) {
        return columns.containsKey(column);
    }

    /** A copy of a column (NaN where a cell was empty); an empty array when absent. */
    public double[] column(String column) {
        double[] c = columns.get(column);
        return c == null ? new double[0] : c.clone();
    }

    /**
     * Reads the file for the given use.
     *
     * @throws ComparisonFileException (an IOException) naming the file and line: no header, a
     *     column given twice, too few columns for the use, a cell that is not a finite number, a
     *     row of another length than the header, a file over {@link #MAX_BYTES} or with a byte
     *     that is not UTF-8
     */
    public static ComparisonData read(Path file, Use use) throws IOException {
        List<String> lines;
        try {
            lines = InputFiles.text(file, MAX_BYTES, "comparison table",
                    "keep fewer rows (a chart shows a few thousand points at most)").lines().toList();
        } catch (InputFileException e) {
            throw new ComparisonFileException(file, e.line(), e.reason());
        }
        int headerLine = headerLine(file, lines, use);
        List<String> header = fields(file, headerLine, lines.get(headerLine));
        Map<String, Integer> index = columns(file, headerLine, header);
        List<String> present = present(file, headerLine, index, use);
        Map<String, double[]> values = new LinkedHashMap<>();
        int rows = 0;
        for (String c : present) {
            values.put(c, new double[lines.size()]);
        }
        for (int k = headerLine + 1; k < lines.size(); k++) {
            if (skipped(lines.get(k))) {
                continue;
            }
            List<String> f = fields(file, k, lines.get(k));
            if (f.size() != header.size()) {
                throw new ComparisonFileException(file, k + 1, "expected " + header.size()
                        + " fields as in the header, got " + f.size());
            }
            for (String c : present) {
                values.get(c)[rows] = cell(file, k, c, f.get(index.get(c)));
            }
            rows++;
        }
        if (rows == 0) {
            throw new ComparisonFileException(file, 0, "no data rows below the header");
        }
        for (String c : present) {
            values.put(c, Arrays.copyOf(values.get(c), rows));
        }
        String name = file.getFileName().toString();
        int dot = name.lastIndexOf('.');
        return new ComparisonData(dot > 0 ? name.substring(0, dot) : name, values);
    }

    /** The index of the first line that is not blank or a comment: the header. */
    private static int headerLine(Path file, List<String> lines, Use use)
            throws ComparisonFileException {
        for (int k = 0; k < lines.size(); k++) {
            if (!skipped(lines.get(k))) {
                return k;
            }
        }
        throw new ComparisonFileException(file, 0, "no header line: expected column names"
                + " such as " + String.join(",", wanted(use)));
    }

    /** The position of each known column of the header; a column named twice is refused. */
    private static Map<String, Integer> columns(Path file, int headerLine, List<String> header)
            throws ComparisonFileException {
        Map<String, Integer> index = new LinkedHashMap<>();
        for (int k = 0; k < header.size(); k++) {
            String name = header.get(k).strip().toLowerCase(Locale.ROOT);
            if (COLUMNS.contains(name) && index.put(name, k) != null) {
                throw new ComparisonFileException(file, headerLine + 1, "column " + name
                        + " is named twice");
            }
        }
        return index;
    }

    /** The columns of the use that the header has; refused when too few for the use. */
    private static List<String> present(Path file, int headerLine, Map<String, Integer> index,
            Use use) throws ComparisonFileException {
        List<String> present = new ArrayList<>();
        for (String c : wanted(use)) {
            if (index.containsKey(c)) {
                present.add(c);
            }
        }
        String missing = use == Use.POLAR
                ? (index.containsKey("alpha") && (index.containsKey("cl") || index.containsKey("cm"))
                        || index.containsKey("cl") && index.containsKey("cd") ? null
                        : "needs alpha with cl or cm, or cd with cl")
                : index.containsKey("x") && index.containsKey("cp") ? null : "needs x and cp";
        if (missing != null) {
            throw new ComparisonFileException(file, headerLine + 1, "the header names "
                    + (present.isEmpty() ? "none of " + String.join(", ", wanted(use))
                            : String.join(", ", present)) + ": comparison data for a "
                    + (use == Use.POLAR ? "polar " : "pressure distribution ") + missing);
        }
        return present;
    }

    /** A cell of column c on line k (from 0): NaN when empty, else a finite number. */
    private static double cell(Path file, int k, String c, String raw)
            throws ComparisonFileException {
        String cell = raw.strip();
        double v = Double.NaN;
        if (!cell.isEmpty()) {
            try {
                v = Double.parseDouble(cell);
            } catch (NumberFormatException e) {
                v = Double.NaN;
                cell = null;
            }
            if (cell == null || !Double.isFinite(v)) {
                throw new ComparisonFileException(file, k + 1, "column " + c
                        + ": expected a finite number, got \"" + raw.strip() + "\"");
            }
        }
        return v;
    }

    private static List<String> wanted(Use use) {
        return use == Use.POLAR ? COLUMNS.subList(0, 4) : COLUMNS.subList(4, 6);
    }

    private static boolean skipped(String line) {
        String s = line.strip();
        return s.isEmpty() || s.startsWith("#");
    }

    private static List<String> fields(Path file, int k, String line) throws ComparisonFileException {
        try {
            return PolarCsv.fields(line);
        } catch (IllegalArgumentException e) {
            throw new ComparisonFileException(file, k + 1, e.getMessage());
        }
    }
}
