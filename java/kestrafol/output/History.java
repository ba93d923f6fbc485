package kestrafol.output;

import java.io.BufferedWriter;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.Locale;
import kestrafol.solver.Analysis;

/** The convergence history of a run: per iteration the residual norm, CL, CD and the time. */
public final class History {
    private int size;
    private int[] iteration = new int[256];
    private double[] residual = new double[256];
    private double[] lift = new double[256];
    private double[] drag = new double[256];
    private double[] seconds = new double[256];

    /** Appends one iteration. */
    public void add(int it, Analysis a, double elapsedSeconds) {
        if (size == iteration.length) {
            int n = 2 * size;
            iteration = Arrays.copyOf(iteration, n);
            residual = Arrays.copyOf(residual, n);
            lift = Arrays.copyOf(lift, n);
            drag = Arrays.copyOf(drag, n);
            seconds = Arrays.copyOf(seconds, n);
        }
        iteration[size] = it;
        residual[size] = a.residualNorm();
        lift[size] = a.lift();
        drag[size] = a.drag();
        seconds[size] = elapsedSeconds;
        size++;
    }

    public int size() {
        return size;
    }

    public int iteration(int k) {
        return iteration[k];
    }

    public double residual(int k) {
        return residual[k];
    }

    public double lift(int k) {
        return lift[k];
    }

    public double drag(int k) {
        return drag[k];
    }

    public double seconds(int k) {
        return seconds[k];
    }

    /** Writes iteration,residual,cl,cd,seconds with a header line. */
    public void writeCsv(Path file) throws IOException {
        try (BufferedWriter w = Files.newBufferedWriter(file, StandardCharsets.UTF_8)) {
            w.write("iteration,residual,cl,cd,seconds\n");
            for (int k = 0; k < size; k++) {
                w.write(String.format(Locale.ROOT, "%d,%.10e,%.10e,%.10e,%.4f%n", iteration[k],
                        residual[k], lift[k], drag[k], seconds[k]));
            }
        }
    }
}
