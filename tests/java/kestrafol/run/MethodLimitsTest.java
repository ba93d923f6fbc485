package kestrafol.run;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import kestrafol.ChildJvm;
import kestrafol.cli.Main;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * What the method cannot do, said before the run: each check's warning reaches the screen and
 * summary.json, and a polar's row; a case inside the limits gets none of them.
 */
class MethodLimitsTest {
    @TempDir
    Path dir;

    /** Options of the case, a text its warning must hold, and the texts of the other checks. */
    private static final String LOW_MACH = "is below 0.2";
    private static final String LAMINAR = "no transition or turbulence model";
    private static final String ALPHA = "--alpha takes degrees";
    private static final String CIRCLE = "has no unique answer";
    private static final String SHEDDING = "sheds vortices";
    private static final String SEPARATES = "a steady laminar flow may not exist";
    private static final List<String> ALL =
            List.of(LOW_MACH, LAMINAR, ALPHA, CIRCLE, SHEDDING, SEPARATES);

    @Test
    void eachLimitWarnsOnScreenAndInTheSummaryAndOnlyItself() throws Exception {
        Object[][] cases = {
            {new String[] {"--mach", "0.1"}, LOW_MACH},
            {new String[] {"--mach", "0.5", "--viscous", "--reynolds", "1e6"}, LAMINAR},
            {new String[] {"--mach", "0.5", "--alpha", "25"}, ALPHA},
            {new String[] {"--mach", "0.5", "--alpha", "-21"}, ALPHA},
            {new String[] {"--mach", "0.3", "--circle"}, CIRCLE},
            {new String[] {"--mach", "0.2", "--circle", "--viscous", "--reynolds", "100"},
                SHEDDING},
            {new String[] {"--mach", "0.3", "--viscous", "--reynolds", "1e5"}, SEPARATES},
            // Inside every limit: the edges themselves.
            {new String[] {"--mach", "0.2", "--alpha", "20", "--viscous", "--reynolds", "5e4"},
                null},
            {new String[] {"--mach", "0.2", "--circle", "--viscous", "--reynolds", "40"}, null},
        };
        int k = 0;
        for (Object[] c : cases) {
            Path out = dir.resolve("case" + k++);
            List<String> args = new ArrayList<>(List.of("run", "--resolution", "64",
                    "--iterations", "1", "--no-pictures", "--out", out.toString()));
            args.addAll(List.of((String[]) c[0]));
            ByteArrayOutputStream screen = new ByteArrayOutputStream();
            int status = Main.run(args.toArray(new String[0]),
                    new PrintStream(screen, true, StandardCharsets.UTF_8), System.err, false);
            String printed = screen.toString(StandardCharsets.UTF_8);
            String summary = Files.readString(out.resolve("summary.json"));
            String label = String.join(" ", (String[]) c[0]);
            assertTrue(status == 0 || status == 4, label + ": status " + status);
            for (String text : ALL) {
                boolean expected = text.equals(c[1]);
                assertEquals(expected, summary.contains(text), label + " / " + text);
                assertEquals(expected, printed.contains(text), label + " / " + text);
            }
        }
    }

    @Test
    void theLowMachWarningCarriesTheMeasuredFigures() {
        String w = MethodLimits.lowMach(0.1);
        for (double[] m : MethodLimits.LOW_MACH_MEASURED) {
            assertTrue(w.contains(String.format(java.util.Locale.ROOT, "CL %+.1f %%", m[1])), w);
        }
        // The spurious drag grows as the Mach number falls, from the Mach 0.3 value up: the
        // table, lowest Mach number first, must say so.
        double[][] t = MethodLimits.LOW_MACH_MEASURED;
        for (int i = 1; i < t.length; i++) {
            assertTrue(t[i][0] > t[i - 1][0] && t[i][2] < t[i - 1][2]);
        }
        assertTrue(t[t.length - 1][2] > MethodLimits.LOW_MACH_REFERENCE_CD);
    }

    @Test
    void aPolarRowCarriesItsCasesWarnings() throws Exception {
        Path out = dir.resolve("polar");
        // In a JVM of its own: polar.png's font code trips -Xcheck:jni.
        ChildJvm.Result r = ChildJvm.run(dir, List.of("-jar", ChildJvm.jar(), "polar", "--mach",
                "0.1,0.5", "--alpha", "0", "--resolution", "16", "--iterations", "1",
                "--no-pictures", "--jobs", "1", "--out", out.toString()));
        assertTrue(r.status == 0 || r.status == 4, r.output);
        List<String> rows = Files.readAllLines(out.resolve("polar.csv"));
        assertTrue(rows.get(1).startsWith("0.1,") && rows.get(1).contains(LOW_MACH), rows.get(1));
        assertTrue(rows.get(2).startsWith("0.5,"), rows.get(2));
        assertFalse(rows.get(2).contains(LOW_MACH), rows.get(2));
    }
}
