package kestrafol.polar;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;
import java.nio.file.Files;
import java.nio.file.Path;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** The --compare reader: what it takes and what it refuses, with file and line. */
class ComparisonDataTest {
    @TempDir
    Path dir;

    @Test
    void readsNamedColumnsInAnyOrderSkippingCommentsAndOtherColumns() throws Exception {
        Path file = dir.resolve("tunnel-1985.csv");
        Files.writeString(file, "# measured, corrected for wall interference\n"
                + "Re, CL ,Alpha,notes\n\n1e6,0.11,1,a\n1e6,,2,\"gap, no reading\"\n1e6,0.33,3,\n");
        ComparisonData d = ComparisonData.read(file, ComparisonData.Use.POLAR);
        assertEquals("tunnel-1985", d.label());
        assertArrayEquals(new double[] {1, 2, 3}, d.column("alpha"));
        assertArrayEquals(new double[] {0.11, Double.NaN, 0.33}, d.column("cl"));
        assertFalse(d.has("cd"));
        Path cp = dir.resolve("cp.csv");
        Files.writeString(cp, "x,cp\n0,1\n0.5,-0.4\n");
        assertArrayEquals(new double[] {1, -0.4},
                ComparisonData.read(cp, ComparisonData.Use.SURFACE).column("cp"));
    }

    @Test
    void refusesWithFileAndLine() throws Exception {
        Object[][] table = {
            // contents, use, line, words in the message
            {"cd\n0.01\n", ComparisonData.Use.POLAR, 1, "needs alpha with cl or cm"},
            {"alpha,cl\n1,0.1\n", ComparisonData.Use.SURFACE, 1, "needs x and cp"},
            {"alpha,cl\n1,0.1\n2,abc\n", ComparisonData.Use.POLAR, 3, "column cl: expected a finite number, got \"abc\""},
            {"alpha,cl\n1,NaN\n", ComparisonData.Use.POLAR, 2, "expected a finite number"},
            {"alpha,cl\n1,0.1,7\n", ComparisonData.Use.POLAR, 2, "expected 2 fields"},
            {"alpha,cl,ALPHA\n", ComparisonData.Use.POLAR, 1, "column alpha is named twice"},
            {"# nothing\n", ComparisonData.Use.POLAR, 0, "no header line"},
            {"alpha,cl\n", ComparisonData.Use.POLAR, 0, "no data rows"},
            {"x,cp\n\"0.5,1\n", ComparisonData.Use.SURFACE, 2, "not closed"},
        };
        for (Object[] t : table) {
            Path file = dir.resolve("bad.csv");
            Files.writeString(file, (String) t[0]);
            ComparisonFileException e = assertThrows(ComparisonFileException.class,
                    () -> ComparisonData.read(file, (ComparisonData.Use) t[1]), (String) t[0]);
            assertEquals(t[2], e.line(), e.getMessage());
            assertEquals(file, e.file());
            assertTrue(e.getMessage().startsWith(file + ((int) t[2] > 0 ? ":" + t[2] + ": " : ": "))
                    && e.getMessage().contains((String) t[3]), e.getMessage());
        }
        Path latin = dir.resolve("latin.csv");
        Files.write(latin, new byte[] {'x', ',', 'c', 'p', '\n', '1', ',', (byte) 0xb0, '\n'});
        ComparisonFileException bad = assertThrows(ComparisonFileException.class,
                () -> ComparisonData.read(latin, ComparisonData.Use.SURFACE));
        assertEquals(2, bad.line(), bad.getMessage());
        ComparisonFileException zero = assertThrows(ComparisonFileException.class,
                () -> ComparisonData.read(Path.of("/dev/zero"), ComparisonData.Use.POLAR));
        assertTrue(zero.getMessage().startsWith("/dev/zero: larger than 16 MB"), zero.getMessage());
    }
}
