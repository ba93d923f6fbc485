package kestrafol.output;

import java.io.BufferedWriter;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import kestrafol.base.CsvLine;
import kestrafol.base.InputFileException;
import kestrafol.base.InputFiles;
import kestrafol.solver.WallForces;

/**
 * surface.csv, written and read back here: one row per node of the monitored walls, in order
 * along each wall (marker, x, y, cp, cf, pressure; pressure non-dimensional, free stream
 * 1/gamma).
 */
public final class SurfaceCsv {
    /** The header line. */
    static final String HEADER = "marker,x,y,cp,cf,pressure";

    /** One row: a wall node, named by the boundary (marker) it lies on. */
    public record Row(String marker, double x, double y, double cp, double cf, double pressure) {}

    private SurfaceCsv() {
    }

    /**
     * @param points the wall nodes in order, as {@link WallForces.Result#surface()} lists them
     * @param markerNames names of the boundary tags (tag t at index t-1)
     */
    public static void write(List<WallForces.SurfacePoint> points, List<String> markerNames,
            Path file) throws IOException {
        write(points.stream().map(p -> new Row(markerNames.get(p.tag() - 1), p.x(), p.y(),
                p.cp(), p.cf(), p.pressure())).toList(), file);
    }

    /** Writes the rows, replacing the file; a marker with a comma or quote is quoted. */
    public static void write(List<Row> rows, Path file) throws IOException {
        try (BufferedWriter w = Files.newBufferedWriter(file, StandardCharsets.UTF_8)) {
            w.write(HEADER + "\n");
            for (Row r : rows) {
                String name = r.marker();
                w.write(String.format(Locale.ROOT, "%s,%.10g,%.10g,%.10g,%.10g,%.10g%n",
                        name.contains(",") || name.contains("\"")
                                ? '"' + name.replace("\"", "\"\"") + '"' : name,
                        r.x(), r.y(), r.cp(), r.cf(), r.pressure()));
            }
        }
    }

    /**
     * The rows of a surface.csv, in the file's order.
     *
     * @throws InputFileException naming the file and line of a missing header or a damaged row
     */
    public static List<Row> read(Path file) throws InputFileException {
        List<String> lines = InputFiles.resultLines(file);
        if (lines.isEmpty() || !lines.get(0).equals(HEADER)) {
            throw new InputFileException(file, 1, "not a wall surface table: expected the header "
                    + HEADER);
        }
        List<Row> rows = new ArrayList<>();
        for (int k = 1; k < lines.size(); k++) {
            try {
                List<String> f = CsvLine.fields(lines.get(k));
                if (f.size() != 6) {
                    throw new NumberFormatException();
                }
                rows.add(new Row(f.get(0), Double.parseDouble(f.get(1)),
                        Double.parseDouble(f.get(2)), Double.parseDouble(f.get(3)),
                        Double.parseDouble(f.get(4)), Double.parseDouble(f.get(5))));
            } catch (IllegalArgumentException e) {
                throw new InputFileException(file, k + 1, "expected " + HEADER
                        + " with numbers, got " + lines.get(k));
            }
        }
        return rows;
    }
}
