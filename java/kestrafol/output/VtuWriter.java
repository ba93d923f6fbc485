package kestrafol.output;

import java.io.BufferedWriter;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import kestrafol.mesh.Mesh;
import kestrafol.solver.Flow;

/**
 * Writes a flow field as a VTK XML unstructured grid (.vtu, ASCII) that ParaView and VTK read:
 * the nodes as points (z = 0), triangles (VTK type 5) and quadrilaterals (type 9) as cells, and
 * the point data density, velocity (3 components, z = 0), pressure, Mach and Cp.
 */
public final class VtuWriter {
    private VtuWriter() {}

    public static void write(Mesh mesh, Flow flow, Path file) throws IOException {
        int n = mesh.nodeCount();
        if (flow.nodeCount() != n) {
            throw new IllegalArgumentException("the flow has " + flow.nodeCount()
                    + " nodes, the mesh " + n);
        }
        int cells = mesh.triangleCount() + mesh.quadCount();
        try (BufferedWriter w = Files.newBufferedWriter(file, StandardCharsets.UTF_8)) {
            w.write("<?xml version=\"1.0\"?>\n");
            w.write("<VTKFile type=\"UnstructuredGrid\" version=\"0.1\" byte_order=\"LittleEndian\">\n");
            w.write("<UnstructuredGrid>\n");
            w.write("<Piece NumberOfPoints=\"" + n + "\" NumberOfCells=\"" + cells + "\">\n");
            w.write("<PointData Scalars=\"Mach\" Vectors=\"velocity\">\n");
            scalar(w, "density", n, flow::density);
            w.write("<DataArray type=\"Float64\" Name=\"velocity\" NumberOfComponents=\"3\""
                    + " format=\"ascii\">\n");
            for (int i = 0; i < n; i++) {
                w.write(flow.velocityX(i) + " " + flow.velocityY(i) + " 0\n");
            }
            w.write("</DataArray>\n");
            scalar(w, "pressure", n, flow::pressure);
            scalar(w, "Mach", n, flow::machNumber);
            scalar(w, "Cp", n, flow::pressureCoefficient);
            w.write("</PointData>\n");
            w.write("<Points>\n<DataArray type=\"Float64\" NumberOfComponents=\"3\" format=\"ascii\">\n");
            for (int i = 0; i < n; i++) {
                w.write(mesh.x(i) + " " + mesh.y(i) + " 0\n");
            }
            w.write("</DataArray>\n</Points>\n");
            w.write("<Cells>\n<DataArray type=\"Int32\" Name=\"connectivity\" format=\"ascii\">\n");
            for (int e = 0; e < mesh.triangleCount(); e++) {
                w.write((mesh.triangleNode(e, 0) - 1) + " " + (mesh.triangleNode(e, 1) - 1) + " "
                        + (mesh.triangleNode(e, 2) - 1) + "\n");
            }
            for (int e = 0; e < mesh.quadCount(); e++) {
                w.write((mesh.quadNode(e, 0) - 1) + " " + (mesh.quadNode(e, 1) - 1) + " "
                        + (mesh.quadNode(e, 2) - 1) + " " + (mesh.quadNode(e, 3) - 1) + "\n");
            }
            w.write("</DataArray>\n<DataArray type=\"Int32\" Name=\"offsets\" format=\"ascii\">\n");
            long offset = 0;
            for (int e = 0; e < cells; e++) {
                offset += e < mesh.triangleCount() ? 3 : 4;
                w.write(offset + (e % 16 == 15 ? "\n" : " "));
            }
            w.write("\n</DataArray>\n<DataArray type=\"UInt8\" Name=\"types\" format=\"ascii\">\n");
            for (int e = 0; e < cells; e++) {
                w.write((e < mesh.triangleCount() ? "5" : "9") + (e % 32 == 31 ? "\n" : " "));
            }
            w.write("\n</DataArray>\n</Cells>\n</Piece>\n</UnstructuredGrid>\n</VTKFile>\n");
        }
    }

    private interface NodeValue {
        double at(int node);
    }

    private static void scalar(BufferedWriter w, String name, int n, NodeValue f) throws IOException {
        w.write("<DataArray type=\"Float64\" Name=\"" + name + "\" format=\"ascii\">\n");
        for (int i = 0; i < n; i++) {
            w.write(f.at(i) + (i % 8 == 7 ? "\n" : " "));
        }
        w.write("\n</DataArray>\n");
    }
}
