package kestrafol.mesh.io;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import kestrafol.mesh.Mesh;
import kestrafol.TestMeshes;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * Files a careless or hostile user may hand the readers: counts that would need gigabytes,
 * counts that overflow, binary and endless files, a single enormous line, boundaries on
 * undeclared entities, and a byte-order mark. Each gives a MeshFileException naming what was
 * expected (or, for the mark, the same mesh), never an OutOfMemoryError or an index error.
 */
class HostileMeshFilesTest {
    @TempDir
    Path dir;

    private static String[] replaced(String[] lines, String old, String replacement) {
        String[] copy = lines.clone();
        int i = Arrays.asList(copy).indexOf(old);
        assertTrue(i >= 0, "line \"" + old + "\" is in the file");
        copy[i] = replacement;
        return copy;
    }

    private String refusal(String name, String... lines) throws IOException {
        Path file = TestMeshes.write(dir.resolve(name), lines);
        return assertThrows(MeshFileException.class, () -> GmshReader.read(file)).getMessage();
    }

    @Test
    void countsAreClaimsNotAllocations() throws IOException {
        // A node block announcing 2^31 - 1 nodes (16 GiB of tags if believed) is more than the
        // header's 9, and a header announcing more than a mesh may have is refused at once.
        String huge = refusal("huge.msh", replaced(GmshReaderTest.square41(), "2 1 0 6", "2 1 0 2147483647"));
        assertTrue(huge.endsWith("expected 9 nodes as the header says, found 2147483647 by the"
                + " end of this block"), huge);
        assertTrue(huge.contains("huge.msh"), huge);
        String declared = refusal("declared.msh", replaced(GmshReaderTest.square41(), "2 9 10 18",
                "2 2000000000 10 18"));
        assertTrue(declared.endsWith("declared.msh:16: the number of nodes is 2,000,000,000; a mesh"
                + " may have at most 20,000,000 (20 million nodes need some 50 GB of memory to"
                + " solve); on a machine with more memory, raise it with java"
                + " -Dkestrafol.maxMeshNodes=N"), declared);
        // 2^31 - 1 physical tags on an entity line with one value after the count.
        String tags = refusal("tags.msh",
                replaced(GmshReaderTest.square41(), "1 0 0 0 1 0 0 1 7 0", "1 0 0 0 1 0 0 2147483647 7"));
        assertTrue(tags.endsWith("expected 2147483647 physical tags, found 1 values"), tags);
    }

    @Test
    void binaryEndlessAndOneLineFilesAreRefusedAfterABoundedRead() throws IOException {
        for (Path zero : new Path[] {Path.of("/dev/zero")}) {
            String gmsh = assertThrows(MeshFileException.class, () -> GmshReader.read(zero)).getMessage();
            assertTrue(gmsh.contains("expected a text mesh file, found a NUL character"), gmsh);
            String su2 = assertThrows(MeshFileException.class, () -> Su2Reader.read(zero)).getMessage();
            assertTrue(su2.contains("expected a text mesh file, found a NUL character"), su2);
        }
        char[] line = new char[MeshFileScanner.MAX_LINE + 10];
        Arrays.fill(line, '7');
        Path oneLine = dir.resolve("one-line.su2");
        Files.writeString(oneLine, new String(line), StandardCharsets.UTF_8);
        String message = assertThrows(MeshFileException.class, () -> Su2Reader.read(oneLine)).getMessage();
        assertTrue(message.contains(":1: expected a line of at most 1048576 characters, found a longer one"),
                message);
    }

    @Test
    void boundaryLinesOnUndeclaredEntitiesAreRefused() throws IOException {
        // The far-field lines moved to curve 5, which $Entities does not declare: they would
        // have lost their physical group and become a wall.
        String message = refusal("undeclared.msh", replaced(GmshReaderTest.square41(), "1 2 1 6", "1 5 1 6"));
        assertTrue(message.endsWith("expected an entity declared in $Entities, found element block on"
                + " undeclared entity 5 of dimension 1"), message);
    }

    @Test
    void aByteOrderMarkIsSkipped() throws IOException {
        String[] gmsh = GmshReaderTest.square41();
        Mesh plain = GmshReader.read(TestMeshes.write(dir.resolve("plain.msh"), gmsh));
        Mesh marked = GmshReader.read(TestMeshes.write(dir.resolve("bom.msh"),
                replaced(gmsh, "$MeshFormat", "\uFEFF$MeshFormat")));
        assertEquals(plain, marked);
        String[] su2 = TestMeshes.squareSu2();
        String[] su2Marked = su2.clone();
        su2Marked[0] = "\uFEFF" + su2[0];
        assertEquals(Su2Reader.read(TestMeshes.write(dir.resolve("plain.su2"), su2)),
                Su2Reader.read(TestMeshes.write(dir.resolve("bom.su2"), su2Marked)));
    }
}
