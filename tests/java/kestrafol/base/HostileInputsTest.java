package kestrafol.base;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Map;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** Inputs a hostile user plants: endless or huge files, bad bytes, deep JSON, links as lock files. */
class HostileInputsTest {
    @TempDir
    Path dir;

    @Test
    void readsStopAtTheirLimitAndNameTheFileTheLineAndTheLimit() throws IOException {
        long t0 = System.nanoTime();
        InputFileException zero = assertThrows(InputFileException.class,
                () -> InputFiles.text(Path.of("/dev/zero"), 1 << 20, "test file", "split it"));
        assertEquals("/dev/zero: larger than 1 MB (1,048,576 bytes), the most a test file may hold;"
                + " split it", zero.getMessage());
        assertTrue(System.nanoTime() - t0 < 1_000_000_000L, "a refusal takes under a second");
        Path latin = dir.resolve("latin.txt");
        Files.write(latin, new byte[] {'a', '\n', 'b', '\n', '0', '.', '5', (byte) 0xe9, '\n'});
        InputFileException bad = assertThrows(InputFileException.class,
                () -> InputFiles.text(latin, 100, "test file", ""));
        assertEquals(latin + ":3: byte 0xE9 (byte 8 of the file) is not UTF-8 text; save the file"
                + " as UTF-8", bad.getMessage());
        Files.write(latin, "\uFEFFmach = 0.5 \u00e9\n".getBytes(StandardCharsets.UTF_8));
        assertEquals("mach = 0.5 \u00e9\n", InputFiles.text(latin, 100, "test file", ""));
    }

    @Test
    void jsonDeeperOrLargerThanItsBoundIsAFaultOfThatFile() throws IOException {
        Path deep = dir.resolve("summary.json");
        Files.writeString(deep, "[".repeat(200_000));
        InputFileException e = assertThrows(InputFileException.class, () -> Json.read(deep));
        assertTrue(e.getMessage().startsWith(deep + ": JSON offset 64: values nested more than 64"),
                e.getMessage());
        Files.writeString(deep, "{\"a\":".repeat(64) + "1" + "}".repeat(64));
        Object v = Json.read(deep);
        for (int i = 0; i < 64; i++) {
            v = ((Map<?, ?>) v).get("a");
        }
        assertEquals(1.0, v);
        InputFileException big = assertThrows(InputFileException.class,
                () -> Json.read(Path.of("/dev/zero")));
        assertTrue(big.getMessage().contains("larger than 16 MB"), big.getMessage());
    }

    @Test
    void aLockFileIsNeverFollowedThroughALinkNorTakenWhenItIsNoRegularFile() throws Exception {
        Path victim = dir.resolve("thesis.txt");
        Files.writeString(victim, "three years of work\n");
        Path outside = dir.resolve("outside");
        Path fifo = Files.createDirectories(dir.resolve("fifo"));
        assertEquals(0, new ProcessBuilder("mkfifo", fifo.resolve(FolderLock.NAME).toString())
                .start().waitFor());
        Path toFile = Files.createDirectories(dir.resolve("link"));
        Files.createSymbolicLink(toFile.resolve(FolderLock.NAME), victim);
        Path dangling = Files.createDirectories(dir.resolve("dangling"));
        Files.createSymbolicLink(dangling.resolve(FolderLock.NAME), outside);
        // {folder, what the refusal calls the lock file}
        Object[][] table = {
            {toFile, "a symbolic link"},
            {dangling, "a symbolic link"},
            {fifo, "not a regular file (a device or FIFO)"},
        };
        for (Object[] row : table) {
            Path folder = (Path) row[0];
            IOException e = assertThrows(IOException.class,
                    () -> FolderLock.acquire(folder, "kestrafol run"));
            assertEquals("output folder " + folder + ": " + FolderLock.NAME + " is " + row[1]
                    + ", not a lock file; remove it or choose another --out", e.getMessage());
        }
        assertEquals("three years of work\n", Files.readString(victim));
        assertFalse(Files.exists(outside));
        // Once removed, the folder is taken as any other.
        Files.delete(toFile.resolve(FolderLock.NAME));
        try (FolderLock lock = FolderLock.acquire(toFile, "kestrafol run")) {
            assertFalse(lock.tookOverStale());
            assertTrue(Files.isRegularFile(toFile.resolve(FolderLock.NAME)));
        }
    }
}
