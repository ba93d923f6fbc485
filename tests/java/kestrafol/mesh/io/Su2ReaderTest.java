package kestrafol.mesh.io;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.Mesh;
import kestrafol.TestMeshes;
import org.junit.jupiter.api.Assumptions;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

class Su2ReaderTest {
    @TempDir
    Path dir;

    @Test
    void readsTrianglesQuadsMarkersAndTurnsClockwiseElements() throws IOException {
        Mesh m = Su2Reader.read(TestMeshes.write(dir.resolve("square.su2"), TestMeshes.squareSu2()));
        assertEquals(9, m.nodeCount());
        assertEquals(2, m.quadCount());
        assertEquals(4, m.triangleCount());
        assertEquals(List.of("wall", "farfield"), m.boundaryNames());
        assertEquals(List.of(BoundaryKind.SLIP_WALL, BoundaryKind.FAR_FIELD), m.boundaryKinds());
        assertEquals(0.5, m.x(4));
        assertEquals(0.5, m.y(4));
        // Quadrilaterals as written, node numbers from 1.
        assertArrayEquals(new int[] {1, 2, 5, 4, 4, 5, 8, 7}, m.quads());
        // The clockwise triangle 1 5 2 (from 0) comes back counter-clockwise: 2 5 1 -> 3 6 2.
        assertArrayEquals(new int[] {3, 6, 2}, Arrays.copyOf(m.triangles(), 3));
        for (int e = 0; e < m.triangleCount(); e++) {
            assertTrue(Mesh.signedArea(m.coords(), m.triangles(), 3, e) > 0);
        }
        assertArrayEquals(new int[] {0, 1, 1, 1, 2, 1, 2, 5, 2}, Arrays.copyOf(m.boundaryEdges(), 9));
    }

    @Test
    void acceptsKeywordsWithoutSpacesTwoPointCountsAndSectionsInAnyOrder() throws IOException {
        List<String> lines = new ArrayList<>(Arrays.asList(TestMeshes.squareSu2()));
        List<String> points = new ArrayList<>(lines.subList(9, 19));
        lines.subList(9, 19).clear();
        points.set(0, "NPOIN=9 9");
        lines.addAll(2, points);
        lines.set(1, "NDIME=2   % two dimensions");
        Mesh m = Su2Reader.read(TestMeshes.write(dir.resolve("order.su2"), lines.toArray(new String[0])));
        Mesh reference = Su2Reader.read(TestMeshes.write(dir.resolve("ref.su2"), TestMeshes.squareSu2()));
        assertEquals(reference, m);
    }

    /** Reads the square with one line replaced; returns the error. */
    private MeshFileException broken(int index, String replacement) throws IOException {
        String[] lines = TestMeshes.squareSu2();
        lines[index] = replacement;
        Path file = TestMeshes.write(dir.resolve("broken.su2"), lines);
        MeshFileException e = assertThrows(MeshFileException.class, () -> Su2Reader.read(file));
        assertEquals(file, e.file());
        assertTrue(e.getMessage().startsWith(file.toString()), e.getMessage());
        return e;
    }

    @Test
    void malformedFilesNameTheLineAndWhatWasExpected() throws IOException {
        MeshFileException e = broken(1, "NDIME= 3");
        assertEquals(2, e.line());
        assertTrue(e.getMessage().contains("expected NDIME= 2"), e.getMessage());

        e = broken(5, "5 1 5");
        assertEquals(6, e.line());
        assertTrue(e.getMessage().contains("expected 3 node numbers"), e.getMessage());

        e = broken(4, "12 3 4 7 6");
        assertEquals(5, e.line());
        assertTrue(e.getMessage().contains("expected element type 5 (triangle) or 9 (quadrilateral)"));

        e = broken(11, "0.5 zero 1");
        assertEquals(12, e.line());
        assertTrue(e.getMessage().contains("expected a y coordinate (a number), found \"zero\""));

        e = broken(12, "1 NaN 2");
        assertTrue(e.getMessage().contains("a finite number"), e.getMessage());

        e = broken(6, "5 1 5 40");
        assertEquals(7, e.line());
        assertTrue(e.getMessage().contains("expected node numbers of 0..8"), e.getMessage());

        e = broken(7, "5 4 5 4");
        assertEquals(8, e.line());
        assertTrue(e.getMessage().contains("node 4 appears twice"), e.getMessage());

        // Three collinear nodes: a triangle of zero area.
        e = broken(7, "5 0 1 2");
        assertEquals(8, e.line());
        assertTrue(e.getMessage().contains("degenerate"), e.getMessage());

        e = broken(23, "3 0 4");
        assertEquals(24, e.line());
        assertTrue(e.getMessage().contains("boundary line 0-4: it is a side of 0 elements"), e.getMessage());

        e = broken(23, "3 0 1");
        assertTrue(e.getMessage().contains("boundary line 0-1: it repeats the boundary line on line 23"), e.getMessage());

        e = broken(21, "MARKER_ELEMS= two");
        assertTrue(e.getMessage().contains("the line count of marker wall"), e.getMessage());

        e = broken(23, "5 0 1 2");
        assertTrue(e.getMessage().contains("\"3 NODE NODE\""), e.getMessage());

        e = broken(19, "NMARK= 3");
        assertTrue(e.getMessage().contains("MARKER_TAG= for marker 2 of 3, found the end of the file"),
                e.getMessage());

        e = broken(2, "NELEM= 7");
        assertEquals(10, e.line());
        assertTrue(e.getMessage().contains("expected an element type"), e.getMessage());

        e = broken(0, "NELEM= 6");
        assertTrue(e.getMessage().contains("expected NDIME= 2 as the first entry"), e.getMessage());

        // A boundary side that no marker covers is reported at the element it belongs to.
        String[] lines = TestMeshes.squareSu2();
        lines[25] = "MARKER_ELEMS= 5";
        List<String> shorter = new ArrayList<>(Arrays.asList(lines));
        shorter.remove(30);
        Path open = TestMeshes.write(dir.resolve("open.su2"), shorter.toArray(new String[0]));
        e = assertThrows(MeshFileException.class, () -> Su2Reader.read(open));
        assertTrue(e.getMessage().contains("is no boundary edge, so the mesh is open there"), e.getMessage());
        assertEquals(5, e.line());
    }

    @Test
    void emptyAndBinaryFilesFailCleanly() throws IOException {
        Path empty = TestMeshes.write(dir.resolve("empty.su2"));
        assertTrue(assertThrows(MeshFileException.class, () -> Su2Reader.read(empty)).getMessage()
                .contains("found the end of the file"));
        Path binary = dir.resolve("binary.su2");
        Files.write(binary, new byte[] {(byte) 0xff, (byte) 0xfe, 0, 1, 2, (byte) 0x80});
        assertThrows(MeshFileException.class, () -> Su2Reader.read(binary));
        Path missing = dir.resolve("missing.su2");
        assertTrue(assertThrows(MeshFileException.class, () -> Su2Reader.read(missing)).getMessage()
                .contains("missing.su2"));
    }

    @Test
    void readsTheSharedRealMeshes() throws IOException {
        // Real files written by another program; present on the development machine, not in the
        // repository.
        Path meshes = Paths.get(System.getProperty("kestrafol.meshes", "/work/shared/meshes"));
        Assumptions.assumeTrue(Files.isDirectory(meshes), "no shared meshes at " + meshes);
        Mesh naca = Su2Reader.read(meshes.resolve("mesh_NACA0012_inv.su2"));
        assertEquals(5233, naca.nodeCount());
        assertEquals(10216, naca.triangleCount());
        assertEquals(250, naca.boundaryEdgeCount());
        assertEquals(List.of("airfoil", "farfield"), naca.boundaryNames());
        Mesh channel = Su2Reader.read(meshes.resolve("mesh_channel_256x128.su2"));
        assertEquals(32768, channel.nodeCount());
        assertEquals(32385, channel.quadCount());
        assertEquals(4, channel.boundaryKindCount());
        Mesh plate = Su2Reader.read(meshes.resolve("mesh_flatplate_65x65.su2"));
        assertEquals(4225, plate.nodeCount());
        assertEquals(5, plate.boundaryKindCount());
        Mesh cylinder = Su2Reader.read(meshes.resolve("mesh_cylinder_lam.su2"));
        assertEquals(13336, cylinder.nodeCount());
        assertEquals(26192, cylinder.triangleCount());
    }
}
