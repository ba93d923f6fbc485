package kestrafol.mesh.io;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Files;
import java.nio.file.Path;
import kestrafol.TestMeshes;
import kestrafol.mesh.Mesh;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** Reading and writing by extension: each format round-trips, an unknown one is refused. */
class MeshFilesTest {
    @TempDir
    Path dir;

    @Test
    void everyKnownExtensionRoundTripsInAnyCase() throws Exception {
        Mesh square = TestMeshes.square();
        for (String name : new String[] {"a.su2", "b.msh", "C.SU2", "d.Msh"}) {
            Path file = dir.resolve(name);
            MeshFiles.write(square, file);
            String head = Files.readAllLines(file).get(0);
            boolean gmsh = name.toLowerCase().endsWith(".msh");
            assertEquals(gmsh, head.startsWith("$MeshFormat"), name + ": " + head);
            assertEquals(square, MeshFiles.read(file), name);
        }
    }

    @Test
    void anUnknownExtensionIsRefusedWithTheKnownOnesAndNothingWritten() {
        Path file = dir.resolve("square.mesh");
        for (Runnable call : new Runnable[] {
            () -> rethrow(() -> MeshFiles.write(TestMeshes.square(), file)),
            () -> rethrow(() -> MeshFiles.read(file))}) {
            String message = assertThrows(IllegalArgumentException.class, call::run).getMessage();
            assertTrue(message.startsWith(file.toString()) && message.contains(".su2")
                    && message.contains(".msh"), message);
        }
        assertFalse(Files.exists(file));
    }

    private interface Io {
        void run() throws Exception;
    }

    private static void rethrow(Io io) {
        try {
            io.run();
        } catch (RuntimeException e) {
            throw e;
        } catch (Exception e) {
            throw new AssertionError(e);
        }
    }
}
