package kestrafol.base;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

class ShellQuotingTest {
    @TempDir
    Path dir;

    /** Words that bash would split, expand, execute or reinterpret if they were not quoted. */
    static final List<String> HOSTILE = List.of("plain", "", "a b", "it's", "\"dq\"", "$HOME",
            "${PATH}", "$(touch pwned)", "`touch pwned2`", "line\nbreak", "cr\rhere", "tab\tx",
            "back\\slash", "100%j", "X=1", "*", "~", "!!", "a;b|c&d>e<f", "#hash", "--opt=va lue",
            "unicode \u00e9\u4e2d", "'", "''", "\\'");

    @Test
    void bashReadsEveryQuotedWordBackUnchangedAndRunsNothingElse() throws Exception {
        // The command line starts with a word holding '=': quoted, it is the command, not an
        // assignment. printf writes each argument followed by NUL.
        Path printer = dir.resolve("X=print args");
        Files.writeString(printer, "#!/bin/bash\nprintf '%s\\0' \"$@\"\n");
        printer.toFile().setExecutable(true);
        List<String> words = new ArrayList<>(List.of(printer.toString()));
        words.addAll(HOSTILE);
        Process p = new ProcessBuilder("bash", "-c", ShellQuoting.commandLine(words))
                .directory(dir.toFile()).redirectError(ProcessBuilder.Redirect.INHERIT).start();
        String out = new String(p.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
        assertEquals(0, p.waitFor());
        assertEquals(HOSTILE, Arrays.asList(out.split("\0", -1)).subList(0, HOSTILE.size()));
        assertEquals(HOSTILE.size() + 1, out.split("\0", -1).length);
        assertFalse(Files.exists(dir.resolve("pwned")) || Files.exists(dir.resolve("pwned2")));
    }

    @Test
    void safeWordsStayReadableAndNulIsRefused() {
        assertEquals("/usr/bin/java -cp /a/b.jar polar --config /x/polar.properties",
                ShellQuoting.commandLine(List.of("/usr/bin/java", "-cp", "/a/b.jar", "polar",
                        "--config", "/x/polar.properties")));
        assertEquals("'a=b'", ShellQuoting.quote("a=b"));
        assertEquals("--array=0-3", ShellQuoting.quote("--array=0-3"));
        assertThrows(IllegalArgumentException.class, () -> ShellQuoting.quote("a\0b"));
    }
}
