package kestrafol.mesh.io;

import java.io.BufferedWriter;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import kestrafol.mesh.Mesh;

/**
 * Writes a mesh as a Gmsh 2.2 ASCII file: one physical curve per boundary tag (named after it)
 * and one physical surface "fluid" for the elements. Node and element tags count from 1.
 */
public final class GmshWriter {
    private GmshWriter() {}

    public static void write(Mesh mesh, Path file) throws IOException {
        int tags = mesh.boundaryKindCount();
        int fluid = tags + 1;
        try (BufferedWriter w = Files.newBufferedWriter(file, StandardCharsets.UTF_8)) {
            w.write("$MeshFormat\n2.2 0 8\n$EndMeshFormat\n");
            w.write("$PhysicalNames\n" + (tags + 1) + "\n");
            for (int t = 1; t <= tags; t++) {
                w.write("1 " + t + " \"" + mesh.boundaryNames().get(t - 1).replace("\"", "'") + "\"\n");
            }
            w.write("2 " + fluid + " \"fluid\"\n$EndPhysicalNames\n");
            w.write("$Nodes\n" + mesh.nodeCount() + "\n");
            for (int i = 0; i < mesh.nodeCount(); i++) {
                w.write((i + 1) + " " + mesh.x(i) + " " + mesh.y(i) + " 0\n");
            }
            w.write("$EndNodes\n");
            int count = mesh.boundaryEdgeCount() + mesh.triangleCount() + mesh.quadCount();
            w.write("$Elements\n" + count + "\n");
            int id = 1;
            for (int b = 0; b < mesh.boundaryEdgeCount(); b++) {
                int tag = mesh.edgeTag(b);
                w.write(id++ + " 1 2 " + tag + " " + tag + " " + (mesh.edgeNode(b, 0) + 1) + " "
                        + (mesh.edgeNode(b, 1) + 1) + "\n");
            }
            for (int e = 0; e < mesh.triangleCount(); e++) {
                w.write(id++ + " 2 2 " + fluid + " " + fluid + " " + mesh.triangleNode(e, 0) + " "
                        + mesh.triangleNode(e, 1) + " " + mesh.triangleNode(e, 2) + "\n");
            }
            for (int e = 0; e < mesh.quadCount(); e++) {
                w.write(id++ + " 3 2 " + fluid + " " + fluid + " " + mesh.quadNode(e, 0) + " "
                        + mesh.quadNode(e, 1) + " " + mesh.quadNode(e, 2) + " "
                        + mesh.quadNode(e, 3) + "\n");
            }
            w.write("$EndElements\n");
        }
    }
}
