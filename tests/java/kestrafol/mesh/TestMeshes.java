package kestrafol.mesh;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;

/** Small meshes and files for the toolkit tests. */
public final class TestMeshes {
    private TestMeshes() {}

    /**
     * The unit square as 2 x 2 cells: the left column two quadrilaterals, the right column four
     * triangles. Nodes 0..8 row by row from (0, 0). Tag 1 "wall" (slip) is the bottom side, tag 2
     * "farfield" the other three sides.
     */
    public static Mesh square() {
        double[] coords = new double[18];
        for (int j = 0; j < 3; j++) {
            for (int i = 0; i < 3; i++) {
                coords[2 * (3 * j + i)] = 0.5 * i;
                coords[2 * (3 * j + i) + 1] = 0.5 * j;
            }
        }
        int[] quads = {1, 2, 5, 4, 4, 5, 8, 7};
        int[] triangles = {2, 3, 6, 2, 6, 5, 5, 6, 9, 5, 9, 8};
        int[] edges = {0, 1, 1, 1, 2, 1, 2, 5, 2, 5, 8, 2, 8, 7, 2, 7, 6, 2, 6, 3, 2, 3, 0, 2};
        return new Mesh(coords, triangles, quads, edges, List.of(BoundaryKind.SLIP_WALL, BoundaryKind.FAR_FIELD),
                List.of("wall", "farfield"));
    }

    public static Path write(Path file, String... lines) throws IOException {
        Files.write(file, List.of(lines), StandardCharsets.UTF_8);
        return file;
    }

    /** The square of square() as an SU2 file (triangles written clockwise on purpose). */
    public static String[] squareSu2() {
        return new String[] {
            "% the unit square",
            "NDIME= 2",
            "NELEM= 6",
            "9 0 1 4 3 0",
            "9 3 4 7 6 1",
            "5 1 5 2 2",          // clockwise: the reader turns it round
            "5 1 5 4",
            "5 4 5 8",
            "5 4 8 7 5",
            "NPOIN= 9",
            "0 0 0", "0.5 0 1", "1 0 2",
            "0 0.5 3", "0.5 0.5 4", "1 0.5 5",
            "0 1 6", "0.5 1 7", "1 1 8",
            "NMARK= 2",
            "MARKER_TAG= wall",
            "MARKER_ELEMS= 2",
            "3 0 1", "3 1 2",
            "MARKER_TAG= farfield",
            "MARKER_ELEMS= 6",
            "3 2 5", "3 5 8", "3 8 7", "3 7 6", "3 6 3", "3 3 0",
        };
    }
}
