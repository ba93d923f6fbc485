package kestrafol.polar;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import kestrafol.run.ErrorBars;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

class PolarCsvTest {
    @TempDir
    Path dir;

    private static final Sweep SWEEP = Sweep.of(Sweep.parseList("--mach", "0.5,0.7"), List.of(),
            Sweep.parseList("--alpha", "-2,0.1"), true);

    @Test
    void rowsSurviveTheFileBitForBitAndComeBackSorted() throws IOException {
        List<PolarCase> c = SWEEP.cases();
        // Values whose shortest decimal matters: 0.1 + 0.2, a subnormal, the largest double.
        // The bars too: the first row's, bit for bit; the others have none.
        ErrorBars bars = new ErrorBars(0.1 + 0.2, 4.9e-324, 1.0 / 3.0, false, "", null);
        PolarRow withBars = Rows.row(c.get(3), 0.1 + 0.2, 4.9e-324, Double.MAX_VALUE, 0.0,
                Double.NaN, 1234, "cauchy", 1.2345678901234567, 3.25, "");
        List<PolarRow> rows = List.of(
                new PolarRow(c.get(3), withBars.result().withBars(bars)),
                Rows.row(c.get(0), -1.0 / 3.0, 0.02442, 0.02, 0.00442, -0.0051, 4000, "iterations",
                        0.51, 10, "", List.of("not converged: cl ranged 0.1, 0.2", "a \"quoted\" word")),
                Rows.failed(c.get(1), "diverged", "residual became NaN"),
                Rows.row(c.get(2), Math.PI, Math.E, 1e-300, -0.0, 7e22, 1, "orders", 6.0, 0, ""));
        Path file = dir.resolve("polar.csv");
        PolarCsv.write(rows, file);
        List<String> lines = Files.readAllLines(file);
        assertEquals(PolarCsv.HEADER, lines.get(0));
        assertEquals("0.5,,-2,-0.3333333333333333,0.02442,0.02,0.00442,-0.0051,4000,iterations,false,"
                + "0.51,\"not converged: cl ranged 0.1, 0.2 | a \"\"quoted\"\" word\",10.000,,,,", lines.get(1));
        assertEquals("0.5,,0.1,,,,,,0,diverged,false,,,0.000,,,,", lines.get(2));
        assertTrue(lines.get(4).endsWith(",3.250,0.30000000000000004,4.9E-324,0.3333333333333333,"
                + "false"), lines.get(4));
        assertTrue(lines.get(3).contains(",orders,true,6.0,,"), lines.get(3));
        List<PolarRow> back = PolarCsv.read(file, SWEEP);
        assertEquals(4, back.size());
        for (int k = 0; k < 4; k++) {
            PolarRow want = rows.get(List.of(1, 2, 3, 0).get(k));
            PolarRow got = back.get(k);
            assertEquals(want.polarCase(), got.polarCase());
            for (double[] pair : new double[][] {{want.result().cl(), got.result().cl()}, {want.result().cd(), got.result().cd()},
                {want.result().cdPressure(), got.result().cdPressure()}, {want.result().cdFriction(), got.result().cdFriction()},
                {want.result().cm(), got.result().cm()}, {want.result().residualDrop(), got.result().residualDrop()}}) {
                assertEquals(Double.doubleToLongBits(pair[0]), Double.doubleToLongBits(pair[1]),
                        want.polarCase().label());
            }
            assertEquals(want.result().iterations(), got.result().iterations());
            assertEquals(want.result().stop().key(), got.result().stop().key());
            assertEquals(want.result().converged(), got.result().converged());
            assertEquals(want.result().warnings(), got.result().warnings());
            assertEquals(want.result().bars(), got.result().bars());
        }
        // A file of the former layout, ending at the wall time, reads as rows without bars.
        Files.writeString(file, PolarCsv.HEADER_WITHOUT_BARS + "\n"
                + "0.5,,-2,1,1,1,0,,10,orders,true,1,,1.0\n");
        PolarRow old = PolarCsv.read(file, SWEEP).get(0);
        assertEquals(1.0, old.result().cl());
        assertEquals(null, old.result().bars());
    }

    @Test
    void aFileOfAnotherPolarIsRefusedWithItsLine() throws IOException {
        Path file = dir.resolve("other.csv");
        Files.writeString(file, PolarCsv.HEADER + "\n0.5,,-2,1,1,1,0,,10,orders,true,1,,1.0,,,,\n0.6,,0,1,1,1,0,,10,orders,true,1,,1.0,,,,\n");
        IOException e = assertThrows(IOException.class, () -> PolarCsv.read(file, SWEEP));
        assertTrue(e.getMessage().contains("line 3") && e.getMessage().contains("Mach 0.6"), e.getMessage());
        // A converged flag no run gives (a case stopped at its cap), an unclosed quote.
        // A bars flag that is neither true nor false; a row of the former layout.
        for (String bad : new String[] {"0.5,,-2,1,1,1,0,,10,iterations,true,1,,1.0,,,,",
            "0.5,,-2,1,1,1,0,,10,orders,true,1,\"open,1.0,,,,",
            "0.5,,-2,1,1,1,0,,10,orders,true,1,,1.0,0.1,0.1,0.1,yes",
            "0.5,,-2,1,1,1,0,,10,orders,true,1,,1.0"}) {
            Files.writeString(file, PolarCsv.HEADER + "\n" + bad + "\n");
            e = assertThrows(IOException.class, () -> PolarCsv.read(file, SWEEP));
            assertTrue(e.getMessage().contains("line 2: "), e.getMessage());
        }
        Files.writeString(file, "mach,alpha\n");
        assertTrue(assertThrows(IOException.class, () -> PolarCsv.read(file, SWEEP)).getMessage()
                .contains("line 1"));
    }
}
