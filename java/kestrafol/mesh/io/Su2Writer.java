package kestrafol.mesh.io;

import java.io.BufferedWriter;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import kestrafol.mesh.Mesh;

/**
 * Writes a mesh in the SU2 native text format: triangles as type 5, quadrilaterals as type 9,
 * one marker per boundary tag with its lines (type 3). Node numbers in the file count from 0;
 * coordinates are written with enough digits to read back exactly.
 */
public final class Su2Writer {
    private Su2Writer() {}

    public static void write(Mesh mesh, Path file) throws IOException {
        try (BufferedWriter w = Files.newBufferedWriter(file, StandardCharsets.UTF_8)) {
            w.write("% Written by kestrafol\n");
            w.write("NDIME= 2\n");
            int elements = mesh.triangleCount() + mesh.quadCount();
            w.write("NELEM= " + elements + "\n");
            int index = 0;
            for (int e = 0; e < mesh.triangleCount(); e++) {
                w.write("5\t" + (mesh.triangleNode(e, 0) - 1) + "\t" + (mesh.triangleNode(e, 1) - 1)
                        + "\t" + (mesh.triangleNode(e, 2) - 1) + "\t" + index++ + "\n");
            }
            for (int e = 0; e < mesh.quadCount(); e++) {
                w.write("9\t" + (mesh.quadNode(e, 0) - 1) + "\t" + (mesh.quadNode(e, 1) - 1) + "\t"
                        + (mesh.quadNode(e, 2) - 1) + "\t" + (mesh.quadNode(e, 3) - 1) + "\t"
                        + index++ + "\n");
            }
            w.write("NPOIN= " + mesh.nodeCount() + "\n");
            for (int i = 0; i < mesh.nodeCount(); i++) {
                w.write(mesh.x(i) + "\t" + mesh.y(i) + "\t" + i + "\n");
            }
            w.write("NMARK= " + mesh.boundaryKindCount() + "\n");
            for (int tag = 1; tag <= mesh.boundaryKindCount(); tag++) {
                int count = 0;
                for (int b = 0; b < mesh.boundaryEdgeCount(); b++) {
                    if (mesh.edgeTag(b) == tag) {
                        count++;
                    }
                }
                w.write("MARKER_TAG= " + mesh.boundaryNames().get(tag - 1) + "\n");
                w.write("MARKER_ELEMS= " + count + "\n");
                for (int b = 0; b < mesh.boundaryEdgeCount(); b++) {
                    if (mesh.edgeTag(b) == tag) {
                        w.write("3\t" + mesh.edgeNode(b, 0) + "\t" + mesh.edgeNode(b, 1)
                                + "\n");
                    }
                }
            }
        }
    }
}
