package kestrafol.study;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import kestrafol.base.InputFileException;
import kestrafol.base.InputFiles;
import kestrafol.run.StopReason;

/**
 * study.csv, written and read back here: one row per level of a study, finest first (level,
 * points, nodes, h, cl, cd, cm, iterations, stoppedBy, converged, mesh: "built-in" or
 * "adapted"). A number the level did not give is an empty cell.
 */
public final class StudyCsv {
    /** The header line. */
    static final String HEADER = "level,points,nodes,h,cl,cd,cm,iterations,stoppedBy,converged,"
            + "mesh";
    private static final int FIELDS = 11;

    /**
     * One level.
     *
     * @param values cl, cd and cm in the order of {@link Ladder#COEFFICIENTS}, NaN where the
     *     level gave none
     * @param iterations the level's iterations, -1 for a level that did not run
     * @param mesh the level's mesh kind, {@link Ladder#BUILT_IN} or {@link Ladder#ADAPTED}
     */
    public record Row(int level, int points, int nodes, double h, double[] values,
            int iterations, StopReason stop, boolean converged, String mesh) {
        public Row {
            values = values.clone();
        }

        /** The row of a level's outcome. */
        public static Row of(Ladder.Outcome o) {
            double[] values = Ladder.COEFFICIENTS.stream().mapToDouble(o::coefficient).toArray();
            return new Row(o.level().number(), o.level().points(), o.nodes(), o.h(), values,
                    o.ran() ? o.result().iterations() : -1, o.result().stop(), o.converged(),
                    o.level().meshKind());
        }

        @Override
        public double[] values() {
            return values.clone();
        }

        @Override
        public boolean equals(Object o) {
            return o instanceof Row r && level == r.level && points == r.points
                    && nodes == r.nodes && Double.compare(h, r.h) == 0
                    && java.util.Arrays.equals(values, r.values) && iterations == r.iterations
                    && stop == r.stop && converged == r.converged && mesh.equals(r.mesh);
        }

        @Override
        public int hashCode() {
            return java.util.Objects.hash(level, points, nodes, h,
                    java.util.Arrays.hashCode(values), iterations, stop, converged, mesh);
        }
    }

    private StudyCsv() {}

    /** Writes the rows, replacing the file. */
    public static void write(List<Row> rows, Path file) throws IOException {
        StringBuilder sb = new StringBuilder(HEADER).append('\n');
        for (Row r : rows) {
            sb.append(r.level()).append(',').append(r.points()).append(',').append(r.nodes())
                    .append(',').append(cell(r.h()));
            for (double v : r.values) {
                sb.append(',').append(cell(v));
            }
            sb.append(',').append(r.iterations() < 0 ? "" : Integer.toString(r.iterations()))
                    .append(',').append(r.stop().key()).append(',').append(r.converged())
                    .append(',').append(r.mesh()).append('\n');
        }
        Files.writeString(file, sb.toString(), StandardCharsets.UTF_8);
    }

    /**
     * The rows of a study.csv, in the file's order.
     *
     * @throws InputFileException naming the file and line of a missing header or a damaged row
     */
    public static List<Row> read(Path file) throws InputFileException {
        List<String> lines = InputFiles.resultLines(file);
        if (lines.isEmpty() || !lines.get(0).equals(HEADER)) {
            throw new InputFileException(file, 1, "not a " + StudyOutputs.CSV + ": expected the header "
                    + HEADER);
        }
        List<Row> rows = new ArrayList<>();
        for (int k = 1; k < lines.size(); k++) {
            String[] f = lines.get(k).split(",", -1);
            try {
                if (f.length != FIELDS || !(f[9].equals("true") || f[9].equals("false"))
                        || !(f[10].equals(Ladder.BUILT_IN) || f[10].equals(Ladder.ADAPTED))) {
                    throw new IllegalArgumentException("expected " + FIELDS + " fields");
                }
                rows.add(new Row(Integer.parseInt(f[0]), Integer.parseInt(f[1]),
                        Integer.parseInt(f[2]), number(f[3]), new double[] {number(f[4]),
                            number(f[5]), number(f[6])},
                        f[7].isEmpty() ? -1 : Integer.parseInt(f[7]), StopReason.parse(f[8]),
                        Boolean.parseBoolean(f[9]), f[10]));
            } catch (IllegalArgumentException e) {
                throw new InputFileException(file, k + 1, "expected " + HEADER + ", got "
                        + lines.get(k));
            }
        }
        return rows;
    }

    /** A number as the shortest decimal that reads back as the same double; empty for NaN. */
    private static String cell(double v) {
        return Double.isFinite(v) ? Double.toString(v) : "";
    }

    private static double number(String s) {
        return s.isEmpty() ? Double.NaN : Double.parseDouble(s);
    }
}
