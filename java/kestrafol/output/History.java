package kestrafol.output;

import java.io.BufferedWriter;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.Locale;

/**
 * The convergence history of a run: per iteration the residual norm, the toolkit's lift, drag
 * and moment coefficients, the pressure and friction parts of the drag, and the time.
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
            w.write("iteration,residual,cl,cd,cm,cdPressure,cdFriction,seconds\n");
            for (int k = 0; k < size; k++) {
                w.write(String.format(Locale.ROOT, "%d,%.10e,%.10e,%.10e,%.10e,%.10e,%.10e,%.4f%n",
                        iteration[k], residual(k), lift(k), drag(k), moment(k), dragPressure(k),
                        dragFriction(k), seconds(k)));
            }
        }
    }
}
