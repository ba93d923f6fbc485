package kestrafol.mesh.io;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.TimeUnit;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.Mesh;
import kestrafol.meshing.MeshGenerator;
import kestrafol.TestMeshes;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

class GmshReaderTest {
    @TempDir
    Path dir;

    /** The square of TestMeshes.square() in format 2.2 with sparse node tags and a point. */
    static String[] square22() {
        return new String[] {
            "$MeshFormat", "2.2 0 8", "$EndMeshFormat",
            "$PhysicalNames", "3", "1 7 \"wall\"", "1 9 \"far field\"", "2 11 \"fluid\"", "$EndPhysicalNames",
            "$Comments", "anything here is skipped", "$EndComments",
            "$Nodes", "9",
            "10 0 0 0", "11 0.5 0 0", "12 1 0 0",
            "13 0 0.5 0", "14 0.5 0.5 0", "15 1 0.5 0",
            "16 0 1 0", "17 0.5 1 0", "18 1 1 0",
            "$EndNodes",
            "$Elements", "15",
            "1 15 2 0 1 10",
            "2 1 2 7 1 10 11", "3 1 2 7 1 11 12",
            "4 1 2 9 2 12 15", "5 1 2 9 2 15 18", "6 1 2 9 2 18 17", "7 1 2 9 2 17 16",
            "8 1 2 9 2 16 13", "9 1 2 9 2 13 10",
            "10 3 2 11 1 10 11 14 13", "11 3 2 11 1 13 14 17 16",
            "12 2 2 11 1 11 12 15", "13 2 2 11 1 11 14 15", // the second one clockwise
            "14 2 2 11 1 14 15 18", "15 2 2 11 1 14 18 17",
            "$EndElements",
        };
    }

    /** The same square in format 4.1. */
    static String[] square41() {
        return new String[] {
            "$MeshFormat", "4.1 0 8", "$EndMeshFormat",
            "$PhysicalNames", "2", "1 7 \"wall\"", "1 9 \"far field\"", "$EndPhysicalNames",
            "$Entities", "0 2 1 0",
            "1 0 0 0 1 0 0 1 7 0",
            "2 0 0 0 1 1 0 1 -9 0",
            "1 0 0 0 1 1 0 0 2 1 2",
            "$EndEntities",
            "$Nodes", "2 9 10 18",
            "2 1 0 6",
            "10", "11", "12", "13", "14", "15",
            "0 0 0", "0.5 0 0", "1 0 0", "0 0.5 0", "0.5 0.5 0", "1 0.5 0",
            "2 1 1 3",
            "16", "17", "18",
            "0 1 0 0.1 0.2", "0.5 1 0 0.3 0.4", "1 1 0 0.5 0.6",
            "$EndNodes",
            "$Elements", "4 14 1 14",
            "1 1 1 2", "1 10 11", "2 11 12",
            "1 2 1 6", "3 12 15", "4 15 18", "5 18 17", "6 17 16", "7 16 13", "8 13 10",
            "2 1 3 2", "9 10 11 14 13", "10 13 14 17 16",
            "2 1 2 4", "11 11 12 15", "12 11 14 15", "13 14 15 18", "14 14 18 17",
            "$EndElements",
        };
    }

    @Test
    void readsBothFormatsToTheSameMesh() throws IOException {
        Mesh m22 = GmshReader.read(TestMeshes.write(dir.resolve("a.msh"), square22()));
        Mesh m41 = GmshReader.read(TestMeshes.write(dir.resolve("b.msh"), square41()));
        assertEquals(m22, m41);
        assertEquals(9, m22.nodeCount());
        assertEquals(2, m22.quadCount());
        assertEquals(4, m22.triangleCount());
        assertEquals(List.of("wall", "far field"), m22.boundaryNames());
        assertEquals(List.of(BoundaryKind.SLIP_WALL, BoundaryKind.FAR_FIELD), m22.boundaryKinds());
        // Node tags 10..18 become 0..8; the clockwise triangle 11 14 15 is turned round.
        assertArrayEquals(new int[] {2, 3, 6, 6, 5, 2}, Arrays.copyOf(m22.triangles(), 6));
        assertArrayEquals(new int[] {0, 1, 1, 1, 2, 1}, Arrays.copyOf(m22.boundaryEdges(), 6));
        // Same geometry and topology as the hand-built square.
        Mesh square = TestMeshes.square();
        assertArrayEquals(square.coords(), m22.coords());
        assertArrayEquals(square.quads(), m22.quads());
    }

    private MeshFileException broken(String[] lines, int index, String replacement) {
        String[] copy = lines.clone();
        copy[index] = replacement;
        Path file = dir.resolve("broken.msh");
        MeshFileException e = assertThrows(MeshFileException.class,
                () -> GmshReader.read(TestMeshes.write(file, copy)));
        assertEquals(file, e.file());
        return e;
    }

    @Test
    void malformedFilesNameTheLineAndWhatWasExpected() {
        MeshFileException e = broken(square22(), 1, "3.0 0 8");
        assertEquals(2, e.line());
        assertTrue(e.getMessage().contains("expected format version 2.2 or 4.1"), e.getMessage());

        e = broken(square22(), 1, "2.2 1 8");
        assertTrue(e.getMessage().contains("binary files are not read"), e.getMessage());

        e = broken(square22(), 15, "10 0 0");
        assertEquals(16, e.line());
        assertTrue(e.getMessage().contains("tag x y z"), e.getMessage());

        e = broken(square22(), 16, "11 0.5 0 2");
        assertTrue(e.getMessage().contains("z = 0"), e.getMessage());

        e = broken(square22(), 26, "1 9 2 0 1 10 11 12 13 14 15");
        assertEquals(27, e.line());
        assertTrue(e.getMessage().contains("expected element type 1 (line), 2 (triangle)"), e.getMessage());

        e = broken(square22(), 27, "2 1 2 7 1 10 99");
        assertEquals(28, e.line());
        assertTrue(e.getMessage().contains("expected a node tag listed in $Nodes, found 99"), e.getMessage());

        e = broken(square22(), 27, "2 1 2 7 1 10 14");
        assertTrue(e.getMessage().contains("a side of 0 elements"), e.getMessage());

        e = broken(square22(), 41, "$EndElement");
        assertEquals(42, e.line());
        assertTrue(e.getMessage().contains("expected $EndElements"), e.getMessage());

        e = broken(square22(), 5, "1 7 wall");
        assertTrue(e.getMessage().contains("quoted name"), e.getMessage());

        e = broken(square22(), 0, "$Nodes");
        assertTrue(e.getMessage().contains("expected $MeshFormat first"), e.getMessage());

        e = broken(square41(), 15, "2 8 10 18");
        assertTrue(e.getMessage().contains("expected 8 nodes as the header says, found 9"),
                e.getMessage());

        e = broken(square41(), 39, "1 1 1 3");
        assertTrue(e.getMessage().contains("an element: tag and 2 node tags"), e.getMessage());

        e = broken(square41(), 38, "4 15 1 14");
        assertTrue(e.getMessage().contains("expected 15 elements as the header says"), e.getMessage());

        // A file that ends inside a section.
        String[] cut = Arrays.copyOf(square22(), 20);
        Path file = dir.resolve("cut.msh");
        e = assertThrows(MeshFileException.class, () -> GmshReader.read(TestMeshes.write(file, cut)));
        assertTrue(e.getMessage().contains("found the end of the file"), e.getMessage());
    }

    @Test
    void linesWithoutNamesOrPhysicalGroupsGetDescriptiveNames() throws IOException {
        List<String> lines = new ArrayList<>(Arrays.asList(square22()));
        lines.subList(3, 9).clear(); // no $PhysicalNames
        lines.replaceAll(l -> l.startsWith("4 1 2 9 2 ") ? l.replace("4 1 2 9 2 ", "4 1 2 0 5 ") : l);
        Mesh m = GmshReader.read(TestMeshes.write(dir.resolve("names.msh"), lines.toArray(new String[0])));
        assertEquals(List.of("physical 7", "physical 9", "curve 5"), m.boundaryNames());
    }

    /** Meshes a .geo file with Debian's gmsh into the given format. */
    private Path gmsh(Path geo, String format, String name) throws Exception {
        Path out = dir.resolve(name);
        Process p = new ProcessBuilder("gmsh", "-2", geo.toString(), "-format", format, "-o",
                out.toString()).redirectErrorStream(true).redirectOutput(dir.resolve(name + ".log").toFile())
                .start();
        assertTrue(p.waitFor(120, TimeUnit.SECONDS), "gmsh did not finish");
        assertEquals(0, p.exitValue(), "gmsh failed");
        return out;
    }

    @Test
    void readsMeshesWrittenByGmshInBothFormats() throws Exception {
        for (boolean recombine : new boolean[] {false, true}) {
            Path geo = TestMeshes.write(dir.resolve("hole.geo"),
                    "lc = 0.6;",
                    "Point(1) = {-2, -2, 0, lc}; Point(2) = {3, -2, 0, lc};",
                    "Point(3) = {3, 2, 0, lc}; Point(4) = {-2, 2, 0, lc};",
                    "Point(5) = {0.5, 0, 0, lc / 4}; Point(6) = {1, 0, 0, lc / 4};",
                    "Point(7) = {0.5, 0.5, 0, lc / 4}; Point(8) = {0, 0, 0, lc / 4};",
                    "Point(9) = {0.5, -0.5, 0, lc / 4};",
                    "Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};",
                    "Circle(5) = {6, 5, 7}; Circle(6) = {7, 5, 8}; Circle(7) = {8, 5, 9};",
                    "Circle(8) = {9, 5, 6};",
                    "Curve Loop(1) = {1, 2, 3, 4}; Curve Loop(2) = {5, 6, 7, 8};",
                    "Plane Surface(1) = {1, 2};",
                    recombine ? "Recombine Surface{1};" : "",
                    "Physical Curve(\"outer far field\") = {1, 2, 3, 4};",
                    "Physical Curve(\"cylinder\") = {5, 6, 7, 8};",
                    "Physical Surface(\"fluid\") = {1};");
            Mesh m22 = GmshReader.read(gmsh(geo, "msh22", "hole22.msh"));
            Mesh m41 = GmshReader.read(gmsh(geo, "msh41", "hole41.msh"));
            assertEquals(m22, m41, "formats 2.2 and 4.1 of one gmsh run give the same mesh");
            assertEquals(List.of("outer far field", "cylinder"), m22.boundaryNames());
            assertEquals(List.of(BoundaryKind.FAR_FIELD, BoundaryKind.SLIP_WALL), m22.boundaryKinds());
            assertTrue(recombine ? m22.quadCount() > m22.triangleCount() : m22.quadCount() == 0,
                    m22.toString());
            // The elements cover the rectangle minus the disc (up to the polygonal circle).
            double area = 0;
            for (int e = 0; e < m22.triangleCount(); e++) {
                area += Mesh.signedArea(m22.coords(), m22.triangles(), 3, e);
            }
            for (int e = 0; e < m22.quadCount(); e++) {
                area += Mesh.signedArea(m22.coords(), m22.quads(), 4, e);
            }
            assertEquals(20 - Math.PI * 0.25, area, 0.02);
            // The wall is the circle of radius 0.5 around (0.5, 0).
            int wall = 0;
            for (int b = 0; b < m22.boundaryEdgeCount(); b++) {
                if (m22.edgeTag(b) == 2) {
                    int node = m22.edgeNode(b, 0);
                    assertEquals(0.5, Math.hypot(m22.x(node) - 0.5, m22.y(node)), 1e-9);
                    wall++;
                }
            }
            assertTrue(wall >= 16, "wall edges: " + wall);
        }
    }

    @Test
    void writerAndReaderRoundTrip() throws IOException {
        Mesh square = TestMeshes.square();
        Path file = dir.resolve("square.msh");
        GmshWriter.write(square, file);
        assertEquals(square, GmshReader.read(file));
        Mesh naca = MeshGenerator.naca("2412", MeshGenerator.Options.resolution(32).withQuads(false));
        GmshWriter.write(naca, file);
        assertEquals(naca, GmshReader.read(file));
    }
}
