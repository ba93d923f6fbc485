package kestrafol.polar;

import kestrafol.base.CsvLine;
import java.io.BufferedWriter;
import kestrafol.base.InputFiles;
import kestrafol.base.AtomicFiles;
import java.io.IOException;
import java.math.BigDecimal;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Comparator;
import java.util.List;
import java.util.Locale;
import java.util.regex.Pattern;
import kestrafol.run.CaseResult;
import kestrafol.run.ErrorBars;
import kestrafol.run.StopReason;

/**
 * polar.csv: one row per case, sorted by Mach number, Reynolds number and angle. Coefficients are
 * written with the shortest decimal that reads back as the same double, so that two runs can be
 * compared bit for bit from their files (and a Slurm task's rows survive the trip through a file
 * unchanged). Values a run could not provide are empty cells. {@code converged} is the run's own
 * verdict, carried unchanged; {@code warnings} holds the case's warnings joined by
 * {@value #WARNING_SEPARATOR}, quoted. After the wall time come the case's error bars (polar
 * --error-estimate; empty cells without): {@code clError}, {@code cdError}, {@code cmError},
 * absolute half-widths, and {@code barsAsymptotic}, false where a supersonic region makes them
 * doubtful. A file of the former layout, which ends at the wall time, reads as rows without bars.
 */
public final class PolarCsv {
    /** The header line. */
    public static final String HEADER = "mach,reynolds,alpha,cl,cd,cdPressure,cdFriction,cm,"
            + "iterations,stoppedBy,converged,residualDrop,warnings,seconds,clError,cdError,"
            + "cmError,barsAsymptotic";
    /** The header of the former layout, without the error bars: still read. */
    static final String HEADER_WITHOUT_BARS = HEADER.substring(0, HEADER.indexOf(",clError"));
    /** Between two warnings of a case in the warnings cell. */
    public static final String WARNING_SEPARATOR = " | ";
    private static final int FIELDS = 18;
    private static final int FIELDS_WITHOUT_BARS = 14;

    private PolarCsv() {}

    /** Writes the rows sorted by case, whole or not at all (through a temporary file). */
    public static void write(List<PolarRow> rows, Path file) throws IOException {
        List<PolarRow> sorted = new ArrayList<>(rows);
        sorted.sort(Comparator.comparingInt(r -> r.polarCase().index()));
        AtomicFiles.write(file, tmp -> {
            try (BufferedWriter w = Files.newBufferedWriter(tmp, StandardCharsets.UTF_8)) {
                w.write(HEADER);
                w.write('\n');
                for (PolarRow r : sorted) {
                    PolarCase c = r.polarCase();
                    CaseResult x = r.result();
                    w.write(String.join(",", Sweep.plain(c.mach()),
                            c.reynolds() == null ? "" : Sweep.plain(c.reynolds()),
                            Sweep.plain(c.alpha()), exact(x.cl()), exact(x.cd()),
                            exact(x.cdPressure()), exact(x.cdFriction()), exact(x.cm()),
                            Integer.toString(x.iterations()), x.stop().key(),
                            Boolean.toString(x.converged()), exact(x.residualDrop()),
                            quoted(String.join(WARNING_SEPARATOR, x.warnings())),
                            String.format(Locale.ROOT, "%.3f", x.seconds()), bars(x.bars())));
                    w.write('\n');
                }
            }
        });
    }

    private static String bars(ErrorBars b) {
        return b == null ? ",,," : String.join(",", exact(b.clError()), exact(b.cdError()),
                exact(b.cmError()), Boolean.toString(b.asymptotic()));
    }

    private static String quoted(String s) {
        return s.isEmpty() ? "" : '"' + s.replace("\"", "\"\"") + '"';
    }

    /**
     * The fields of one CSV line: separated by commas, a field in double quotes may hold commas
     * and doubled quotes.
     *
     * @throws IllegalArgumentException for a quote that is not closed
     */
    public static List<String> fields(String line) {
        return CsvLine.fields(line);
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
    public static List<PolarRow> read(Path file, Sweep sweep) throws IOException {
        List<String> lines = InputFiles.resultLines(file);
        if (lines.isEmpty() || !lines.get(0).equals(HEADER)
                && !lines.get(0).equals(HEADER_WITHOUT_BARS)) {
            throw new IOException(file + ": line 1: expected the header " + HEADER);
        }
        int fields = lines.get(0).equals(HEADER) ? FIELDS : FIELDS_WITHOUT_BARS;
        List<PolarRow> rows = new ArrayList<>();
        for (int n = 1; n < lines.size(); n++) {
            String line = lines.get(n);
            if (line.isEmpty()) {
                continue;
            }
            String where = file + ": line " + (n + 1) + ": ";
            String[] f;
            try {
                f = fields(line).toArray(new String[0]);
            } catch (IllegalArgumentException e) {
                throw new IOException(where + e.getMessage());
            }
            if (f.length != fields) {
                throw new IOException(where + "expected " + fields + " fields, got " + f.length);
            }
            try {
                BigDecimal m = new BigDecimal(f[0]);
                BigDecimal re = f[1].isEmpty() ? null : new BigDecimal(f[1]);
                BigDecimal a = new BigDecimal(f[2]);
                PolarCase c = sweep.cases().stream().filter(k -> k.sameConditions(m, re, a))
                        .findFirst().orElseThrow(() -> new IOException(where + "no case of this"
                                + " polar has Mach " + f[0] + ", Reynolds " + f[1] + ", alpha " + f[2]));
                if (!f[10].equals("true") && !f[10].equals("false")) {
                    throw new IOException(where + "converged must be true or false, got " + f[10]);
                }
                StopReason stop;
                try {
                    stop = StopReason.parse(f[9]);
                } catch (IllegalArgumentException e) {
                    throw new IOException(where + e.getMessage());
                }
                List<String> warnings = f[12].isEmpty() ? List.of()
                        : List.of(f[12].split(Pattern.quote(WARNING_SEPARATOR)));
                double[] v = {value(f[3]), value(f[4]), value(f[5]), value(f[6]), value(f[7]),
                    value(f[11]), Double.parseDouble(f[13])};
                int iterations = Integer.parseInt(f[8]);
                try {
                    rows.add(new PolarRow(c, new CaseResult(v[0], v[1], v[2], v[3], v[4],
                            iterations, stop, v[5], v[6], f[10].equals("true"), warnings, "",
                            "", fields == FIELDS ? bars(f, where) : null)));
                } catch (IllegalArgumentException e) {
                    throw new IOException(where + e.getMessage());
                }
            } catch (NumberFormatException e) {
                throw new IOException(where + "expected numbers: " + line);
            }
        }
        return rows;
    }

    /** The bars of a row's last four cells, or null when they are empty. */
    private static ErrorBars bars(String[] f, String where) throws IOException {
        if (f[14].isEmpty() && f[15].isEmpty() && f[16].isEmpty() && f[17].isEmpty()) {
            return null;
        }
        if (!f[17].equals("true") && !f[17].equals("false")) {
            throw new IOException(where + "barsAsymptotic must be true or false, got " + f[17]);
        }
        return new ErrorBars(Double.parseDouble(f[14]), Double.parseDouble(f[15]),
                Double.parseDouble(f[16]), f[17].equals("true"), "", null);
    }

    private static double value(String s) {
        return s.isEmpty() ? Double.NaN : Double.parseDouble(s);
    }
}
