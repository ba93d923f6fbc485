package kestrafol.cli;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.PrintStream;
import java.io.PrintWriter;
import java.io.StringWriter;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * Whatever goes wrong, the command line ends with one line naming the problem and an exit
 * status (2 for bad options, 1 for everything else), never a stack trace unless --debug.
 */
class HostileCommandLineTest {
    @TempDir
    Path dir;

    private record Result(int status, String out, String err) {}

    private static Result main(String... args) {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        ByteArrayOutputStream err = new ByteArrayOutputStream();
        int status = Main.run(args, new PrintStream(out, true, StandardCharsets.UTF_8),
                new PrintStream(err, true, StandardCharsets.UTF_8), false);
        return new Result(status, out.toString(StandardCharsets.UTF_8), err.toString(StandardCharsets.UTF_8));
    }

    private static void assertOneLine(Result r, int status, String start) {
        assertEquals(status, r.status(), r.err());
        assertTrue(r.err().startsWith(start), r.err());
        assertEquals(1, r.err().strip().lines().count(), r.err());
    }

    @Test
    void hugeResolutionsAreBadOptions() {
        assertOneLine(main("run", "--resolution", "2147483646", "--out", dir.toString()), 2,
                "kestrafol: --resolution expects at most 2500000, got 2147483646");
        // Within the count limit but too many cells once the layers are added.
        assertOneLine(main("run", "--resolution", "100000", "--out", dir.toString()), 2,
                "kestrafol: --resolution 100000 gives too large a mesh: pointsAround = 100000 and layers = 33333");
        for (String n : new String[] {"2147483646", "2147483647"}) {
            Result mesh = main("mesh", "naca", "0012", "--resolution", n, "--out", dir.resolve("m.su2").toString());
            assertEquals(2, mesh.status(), mesh.err());
            // The mesh command checks its body options as run does.
            assertTrue(mesh.err().startsWith("kestrafol: --resolution expects at most 2500000"),
                    mesh.err());
            assertFalse(Files.exists(dir.resolve("m.su2")));
        }
    }

    @Test
    void hostileMeshFilesEndInOneLineNamingTheFile() throws Exception {
        Path zero = dir.resolve("zero.su2");
        Files.createSymbolicLink(zero, Path.of("/dev/zero"));
        Result r = main("run", "--mesh", zero.toString(), "--out", dir.resolve("out").toString());
        assertOneLine(r, 1, "kestrafol: " + zero);
        assertTrue(r.err().contains("expected a text mesh file, found a NUL character"), r.err());

        Result debug = main("run", "--mesh", zero.toString(), "--out", dir.resolve("out").toString(), "--debug");
        assertEquals(1, debug.status());
        assertTrue(debug.err().contains("\tat kestrafol.mesh.io.MeshFileScanner"), debug.err());

        Result missing = main("run", "--mesh", dir.resolve("absent.msh").toString());
        assertEquals(1, missing.status(), missing.err());
        assertTrue(missing.err().contains("absent.msh"), missing.err());
        assertEquals(1, missing.err().strip().lines().count(), missing.err());
    }

    @Test
    void unforeseenFailuresAreOneLineWithoutDebugAndATraceWithIt() {
        StringWriter quiet = new StringWriter();
        assertEquals(1, Main.failure(new NegativeArraySizeException("-2"), new PrintWriter(quiet), false));
        assertEquals("kestrafol: internal error: java.lang.NegativeArraySizeException: -2 (run with --debug"
                + " for the stack trace)", quiet.toString().strip());
        StringWriter loud = new StringWriter();
        assertEquals(1, Main.failure(new NegativeArraySizeException("-2"), new PrintWriter(loud), true));
        assertTrue(loud.toString().contains("\tat kestrafol.cli.HostileCommandLineTest"), loud.toString());
        StringWriter memory = new StringWriter();
        assertEquals(1, Main.failure(new OutOfMemoryError("Java heap space"), new PrintWriter(memory), false));
        assertTrue(memory.toString().startsWith("kestrafol: out of memory: "), memory.toString());
        StringWriter lines = new StringWriter();
        Main.failure(new IllegalStateException("first\nsecond"), new PrintWriter(lines), false);
        assertEquals("kestrafol: first second", lines.toString().strip());
    }
}
