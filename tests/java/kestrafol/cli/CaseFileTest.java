package kestrafol.cli;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Set;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

class CaseFileTest {
    @TempDir
    Path dir;

    private static final Set<String> KNOWN = Set.of("mach", "alpha", "bc", "viscous", "quads", "out");
    private static final Set<String> FLAGS = Set.of("viscous", "quads");
    private static final Set<String> REPEATABLE = Set.of("bc");
    private static final Set<String> PATHS = Set.of("out");

    private List<String> merge(String file, String... args) throws Exception {
        Path f = dir.resolve("case.properties");
        Files.writeString(f, file);
        List<String> all = new java.util.ArrayList<>(List.of(args));
        all.add(0, f.toString());
        all.add(0, "--config");
        return CaseFile.merge(all, KNOWN, FLAGS, REPEATABLE, PATHS);
    }

    @Test
    void fileOptionsComeFirstAndTheCommandLineOverridesThemKeyByKey() throws Exception {
        String file = "# a polar\nmach = 0.5\nalpha: -2:2:8\nviscous = true\nquads = false\n"
                + "bc = wall=slip, far=farfield\n";
        assertEquals(List.of("--alpha", "-2:2:8", "--bc", "wall=slip", "--bc", "far=farfield",
                "--mach", "0.5", "--viscous"), merge(file));
        // A key given on the command line drops the file's entry for it, repeatable ones too.
        assertEquals(List.of("--alpha", "-2:2:8", "--viscous", "--mach", "0.7", "--bc", "wall=noslip"),
                merge(file, "--mach", "0.7", "--bc", "wall=noslip"));
        assertEquals(List.of("--mach", "0.5", "--alpha=3"), merge("mach = 0.5\nalpha = 1\n", "--alpha=3"));
        // A path keeps its trailing space (a folder may be named so); other values are trimmed.
        assertEquals(List.of("--mach", "0.5", "--out", "x/trail "), merge("mach = 0.5 \nout = x/trail\\ \n"));
        assertEquals(List.of("--mach", "0.5"), CaseFile.merge(List.of("--mach", "0.5"), KNOWN, FLAGS,
                REPEATABLE, PATHS));
    }

    @Test
    void mistakesInTheFileNameTheFileAndTheKey() throws Exception {
        IllegalArgumentException unknown = assertThrows(IllegalArgumentException.class,
                () -> merge("mach = 0.5\nmahc = 0.7\n"));
        assertTrue(unknown.getMessage().contains("case.properties: mahc: no such option"),
                unknown.getMessage());
        IllegalArgumentException flag = assertThrows(IllegalArgumentException.class,
                () -> merge("viscous = yes\n"));
        assertTrue(flag.getMessage().contains("viscous: expected true or false"), flag.getMessage());
        assertThrows(IllegalArgumentException.class, () -> merge("config = other.properties\n"));
        assertThrows(IllegalArgumentException.class, () -> CaseFile.merge(List.of("--config"),
                KNOWN, FLAGS, REPEATABLE, PATHS));
        java.io.IOException missing = assertThrows(java.io.IOException.class, () -> CaseFile.merge(
                List.of("--config", dir.resolve("none").toString()), KNOWN, FLAGS, REPEATABLE, PATHS));
        assertTrue(missing.getMessage().contains("none"), missing.getMessage());
    }

    @Test
    void writtenFilesReadBackToTheSameEntriesWhateverTheyHold() throws Exception {
        // Each value would, written raw, end its line early, start a key of its own, lose a
        // character or turn into a comment; read back it must be exactly what was written.
        String[] hostile = {"C:\\runs\\a b", "wall=slip,far=farfield", " 0.5", "\t lead",
            "polar\nnaca = 4412", "a\r\nmach = 0.9", "x: y", "#not a comment", "!neither",
            "trail\\", "x/trail  ", "100% $(touch pwned) `id` 'q' \"qq\"", "\f", "\\u0041", "tab\tin"};
        LinkedHashMap<String, String> entries = new LinkedHashMap<>();
        for (int i = 0; i < hostile.length; i++) {
            entries.put("out" + i, hostile[i]);
        }
        entries.put("key with = and : and space", "v");
        Path f = dir.resolve("w.properties");
        CaseFile.write(f, List.of("first line", "injected\nnaca = 4412", "also\rmach = 0.9"), entries);
        assertEquals(new java.util.TreeMap<>(entries), CaseFile.read(f));
    }

    @Test
    void boundedInputsAreRefusedNamingSizesAndBothSides() throws Exception {
        Path big = dir.resolve("big.properties");
        Files.write(big, new byte[2_000_000]);
        Path one = dir.resolve("one.properties");
        Files.writeString(one, "mach = 0.5\nalpha = 1\n");
        Path latin = dir.resolve("latin.properties");
        Files.write(latin, new byte[] {'a', 'l', 'p', 'h', 'a', '=', '1', '\n', 'm', 'a', 'c', 'h',
            '=', '0', '.', '5', (byte) 0xff, '\n'});
        Path dup = dir.resolve("dup.properties");
        Files.writeString(dup, "mach = 0.5\nalpha = 1\nmach: 0.7\n");
        // {arguments, exit status, what the one-line message says}
        Object[][] table = {
            {new String[] {"run", "--config", "/dev/zero"}, 1,
                "the case file /dev/zero is over 1 MB; a case file may hold at most 1 MB"},
            {new String[] {"polar", "--config", big.toString()}, 1,
                "the case file " + big + " is 2,000,000 bytes"},
            {new String[] {"run", "--config", latin.toString()}, 1,
                latin + ":2: byte 0xFF (byte 17 of the file) is not UTF-8 text"},
            {new String[] {"run", "--config", dup.toString()}, 2,
                dup + ": mach is given twice (mach = 0.5 and mach = 0.7)"},
            {new String[] {"run", "--config", one.toString(), "--config=" + dup}, 2,
                "--config is given twice (" + one + " and " + dup + ")"},
            {new String[] {"run", "--out", ""}, 2, "--out expects a folder, got an empty name"},
            {new String[] {"polar", "--out", " "}, 2, "--out expects a folder, got an empty name"},
            {new String[] {"run", "--mesh", "a.su2", "--sequence", "1"}, 2,
                "--sequence needs a mesh the program builds"},
            {new String[] {"polar", "--sequence", "4"}, 2,
                "--sequence expects 0 to 3 coarser levels, got 4"},
        };
        for (Object[] row : table) {
            java.io.ByteArrayOutputStream err = new java.io.ByteArrayOutputStream();
            int status = Main.run((String[]) row[0], new java.io.PrintStream(
                    java.io.OutputStream.nullOutputStream()), new java.io.PrintStream(err, true,
                    java.nio.charset.StandardCharsets.UTF_8), false);
            String message = err.toString(java.nio.charset.StandardCharsets.UTF_8);
            assertEquals(row[1], status, message);
            assertTrue(message.startsWith("kestrafol: " + row[2]), message);
            assertEquals(1, message.strip().lines().count(), message);
        }
    }
}
