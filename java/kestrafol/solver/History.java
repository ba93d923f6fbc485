package kestrafol.solver;

import java.io.BufferedWriter;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import kestrafol.base.InputFileException;
import kestrafol.base.InputFiles;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;

/**
 * The convergence history of a run: per iteration the residual norm, the toolkit's lift, drag
 * and moment coefficients, the pressure and friction parts of the drag, and the time. The one
 * class that writes history.csv and reads it back.
 */
public final class History {
    private int size;
    private int[] iteration = new int[256];
    /** Per row: residual, cl, cd, cm, cdPressure, cdFriction, seconds. */
    private double[][] columns = new double[7][256];

    /** Appends one iteration. */
    public void add(int it, double residual, double cl, double cd, double cm, double cdPressure,
            double cdFriction, double elapsedSeconds) {
        if (size == iteration.length) {
            int n = 2 * size;
            iteration = Arrays.copyOf(iteration, n);
            for (int c = 0; c < columns.length; c++) {
                columns[c] = Arrays.copyOf(columns[c], n);
            }
        }
        iteration[size] = it;
        double[] row = {residual, cl, cd, cm, cdPressure, cdFriction, elapsedSeconds};
        for (int c = 0; c < row.length; c++) {
            columns[c][size] = row[c];
        }
        size++;
    }

    public int size() {
        return size;
    }

    public int iteration(int k) {
        return iteration[k];
    }

    public double residual(int k) {
        return columns[0][k];
    }

    public double lift(int k) {
        return columns[1][k];
    }

    public double drag(int k) {
        return columns[2][k];
    }

    public double moment(int k) {
        return columns[3][k];
    }

    public double dragPressure(int k) {
        return columns[4][k];
    }

    public double dragFriction(int k) {
        return columns[5][k];
    }

    public double seconds(int k) {
        return columns[6][k];
    }

    /** The header line of history.csv. */
    static final String HEADER = "iteration,residual,cl,cd,cm,cdPressure,cdFriction,seconds";
    /** The columns a history must have; a history recorded without the others reads them NaN. */
    private static final int REQUIRED = 5;

    /** Writes iteration,residual,cl,cd,cm,cdPressure,cdFriction,seconds with a header line. */
    public void writeCsv(Path file) throws IOException {
        writeCsv(file, null);
    }

    /**
     * Writes the history as {@link #writeCsv(Path)} does, after a comment line "# run ID" when a
     * run id is given (readers skip lines that start with '#').
     */
    public void writeCsv(Path file, String runId) throws IOException {
        try (BufferedWriter w = Files.newBufferedWriter(file, StandardCharsets.UTF_8)) {
            if (runId != null) {
                w.write("# run " + runId + "\n");
            }
            w.write(HEADER + "\n");
            for (int k = 0; k < size; k++) {
                w.write(String.format(Locale.ROOT, "%d,%.10e,%.10e,%.10e,%.10e,%.10e,%.10e,%.4f%n",
                        iteration[k], residual(k), lift(k), drag(k), moment(k), dragPressure(k),
                        dragFriction(k), seconds(k)));
            }
        }
    }

    /**
     * The history a history.csv holds, after the comment lines a run writes first ("# run ID").
     * Its header names the columns in the order written; one recorded with only the first five
     * (iteration,residual,cl,cd,cm) reads the others as NaN.
     *
     * @throws InputFileException naming the file and line of a missing header or a damaged row
     */
    public static History read(Path file) throws InputFileException {
        List<String> lines = InputFiles.resultLines(file);
        int head = 0;
        while (head < lines.size() && lines.get(head).startsWith("#")) {
            head++;
        }
        List<String> columns = List.of(HEADER.split(","));
        int count = head == lines.size() ? 0 : lines.get(head).split(",", -1).length;
        if (count < REQUIRED || count > columns.size()
                || !lines.get(head).equals(String.join(",", columns.subList(0, count)))) {
            throw new InputFileException(file, head + 1, "not a convergence history: expected the header "
                    + HEADER + " (at least its first " + REQUIRED + " columns)");
        }
        History h = new History();
        double[] row = new double[columns.size()];
        for (int k = head + 1; k < lines.size(); k++) {
            String[] f = lines.get(k).split(",", -1);
            try {
                if (f.length != count) {
                    throw new NumberFormatException();
                }
                Arrays.fill(row, Double.NaN);
                for (int c = 1; c < count; c++) {
                    row[c] = Double.parseDouble(f[c]);
                }
                h.add(Integer.parseInt(f[0]), row[1], row[2], row[3], row[4], row[5], row[6],
                        row[7]);
            } catch (NumberFormatException e) {
                throw new InputFileException(file, k + 1, "expected " + count + " numbers ("
                        + String.join(",", columns.subList(0, count)) + "), got "
                        + lines.get(k));
            }
        }
        return h;
    }
}
