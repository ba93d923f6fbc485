package kestrafol.base;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.stream.Stream;
import kestrafol.ChildJvm;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** Whole-or-nothing writes and the one owner of an output folder. */
class OutputFilesTest {
    @TempDir
    Path dir;

    @Test
    void aFailedWriteKeepsTheOldFileLeavesNoTemporaryAndNamesTheFile() throws IOException {
        Path file = dir.resolve("flow.vtu");
        AtomicFiles.write(file, tmp -> Files.writeString(tmp, "old run\n"));
        IOException e = assertThrows(IOException.class, () -> AtomicFiles.write(file, tmp -> {
            Files.writeString(tmp, "half of the new");
            throw new IOException(tmp + ": No space left on device");
        }));
        assertEquals("cannot write " + file + ": No space left on device", e.getMessage());
        assertEquals("old run\n", Files.readString(file));
        try (Stream<Path> files = Files.list(dir)) {
            assertEquals(List.of(file), files.toList());
        }
        // A writer that picks its format by extension sees the final one.
        AtomicFiles.write(dir.resolve("cp.png"), tmp -> {
            assertTrue(tmp.getFileName().toString().endsWith("-cp.png"), tmp.toString());
            assertEquals(dir, tmp.getParent());
            Files.writeString(tmp, "new");
        });
        assertEquals("new", Files.readString(dir.resolve("cp.png")));
    }

    @Test
    void aFolderInUseIsRefusedNamingItsHolderAndAStaleLockIsTakenOver() throws Exception {
        Path folder = dir.resolve("out");
        String me = "process " + ProcessHandle.current().pid() + " (the test)";
        try (FolderLock lock = FolderLock.acquire(folder, "the test")) {
            assertFalse(lock.tookOverStale());
            IOException e = assertThrows(IOException.class,
                    () -> FolderLock.acquire(folder, "second"));
            assertTrue(e.getMessage().contains("is in use by " + me), e.getMessage());
            // Another process, as a user starts each command: refused with bad-input status,
            // naming us.
            for (String command : new String[] {"run", "polar", "study"}) {
                ChildJvm.Result child = ChildJvm.run(dir, List.of("-jar", ChildJvm.jar(),
                        command, "--out", folder.toString()));
                assertEquals(1, child.status, command + ": " + child.output);
                assertTrue(child.output.contains("is in use by " + me), child.output);
            }
        }
        // Released: the next owner finds an empty lock file, not a stale one.
        try (FolderLock lock = FolderLock.acquire(folder, "next")) {
            assertFalse(lock.tookOverStale());
        }
        // A lock file a killed process left (its content, no OS lock) is taken over.
        Files.writeString(folder.resolve(FolderLock.NAME), "process 999999 (kestrafol polar)\n");
        try (FolderLock lock = FolderLock.acquire(folder, "after a kill")) {
            assertTrue(lock.tookOverStale());
            assertTrue(Files.readString(folder.resolve(FolderLock.NAME))
                    .startsWith("process " + ProcessHandle.current().pid() + " (after a kill)"));
        }
    }
}
