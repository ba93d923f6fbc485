package kestrafol.polar;

import java.io.BufferedWriter;
import java.io.IOException;
import java.math.BigDecimal;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.Comparator;
import java.util.List;
import java.util.Locale;

/**
 * polar.csv: one row per case, sorted by Mach number, Reynolds number and angle. Coefficients are
 * written with the shortest decimal that reads back as the same double, so that two runs can be
 * compared bit for bit from their files (and a Slurm task's rows survive the trip through a file
 * unchanged). Values a run could not provide are empty cells.
 */
public final class PolarCsv {
    /** The header line. */
    public static final String HEADER = "mach,reynolds,alpha,cl,cd,cdPressure,cdFriction,cm,"
            + "iterations,stoppedBy,residualDrop,seconds";

    private PolarCsv() {}

    /** Writes the rows sorted by case, through a temporary file renamed into place. */
    public static void write(List<CaseResult> rows, Path file) throws IOException {
        List<CaseResult> sorted = new ArrayList<>(rows);
        sorted.sort(Comparator.comparingInt(r -> r.polarCase().index()));
        Path tmp = file.resolveSibling(file.getFileName() + ".tmp");
        try (BufferedWriter w = Files.newBufferedWriter(tmp, StandardCharsets.UTF_8)) {
            w.write(HEADER);
            w.write('\n');
            for (CaseResult r : sorted) {
                PolarCase c = r.polarCase();
                w.write(String.join(",", Sweep.plain(c.mach()),
                        c.reynolds() == null ? "" : Sweep.plain(c.reynolds()), Sweep.plain(c.alpha()),
                        exact(r.cl()), exact(r.cd()), exact(r.cdPressure()), exact(r.cdFriction()),
                        exact(r.cm()), Integer.toString(r.iterations()), r.stoppedBy(),
                        exact(r.residualDrop()),
                        String.format(Locale.ROOT, "%.3f", r.seconds())));
                w.write('\n');
            }
        }
        Files.move(tmp, file, StandardCopyOption.REPLACE_EXISTING, StandardCopyOption.ATOMIC_MOVE);
    }

    private static String exact(double v) {
        return Double.isNaN(v) ? "" : Double.toString(v);
    }

    /**
     * Reads rows back and matches them to the cases of the sweep by Mach number, Reynolds number
     * and angle.
     *
     * @throws IOException for a file that is not a polar.csv of this sweep (the message names the
     *     file and line)
     */
    public static List<CaseResult> read(Path file, Sweep sweep) throws IOException {
        List<String> lines = Files.readAllLines(file, StandardCharsets.UTF_8);
        if (lines.isEmpty() || !lines.get(0).equals(HEADER)) {
            throw new IOException(file + ": line 1: expected the header " + HEADER);
        }
        List<CaseResult> rows = new ArrayList<>();
        for (int n = 1; n < lines.size(); n++) {
            String line = lines.get(n);
            if (line.isEmpty()) {
                continue;
            }
            String[] f = line.split(",", -1);
            String where = file + ": line " + (n + 1) + ": ";
            if (f.length != 12) {
                throw new IOException(where + "expected 12 fields, got " + f.length);
            }
            try {
                BigDecimal m = new BigDecimal(f[0]);
                BigDecimal re = f[1].isEmpty() ? null : new BigDecimal(f[1]);
                BigDecimal a = new BigDecimal(f[2]);
                PolarCase c = sweep.cases().stream().filter(k -> k.sameConditions(m, re, a))
                        .findFirst().orElseThrow(() -> new IOException(where + "no case of this"
                                + " polar has Mach " + f[0] + ", Reynolds " + f[1] + ", alpha " + f[2]));
                rows.add(new CaseResult(c, value(f[3]), value(f[4]), value(f[5]), value(f[6]),
                        value(f[7]), Integer.parseInt(f[8]), f[9], value(f[10]),
                        Double.parseDouble(f[11]), ""));
            } catch (NumberFormatException e) {
                throw new IOException(where + "expected numbers: " + line);
            }
        }
        return rows;
    }

    private static double value(String s) {
        return s.isEmpty() ? Double.NaN : Double.parseDouble(s);
    }
}
