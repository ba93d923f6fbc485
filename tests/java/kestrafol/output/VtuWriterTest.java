package kestrafol.output;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.TimeUnit;
import kestrafol.mesh.Mesh;
import kestrafol.meshing.MeshGenerator;
import kestrafol.TestMeshes;
import kestrafol.solver.Flow;
import kestrafol.solver.Settings;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** The VTU file is read back by VTK itself (Debian's python3-vtk9). */
class VtuWriterTest {
    @TempDir
    Path dir;

    /** Reads a .vtu with vtkXMLUnstructuredGridReader and reports counts and some values. */
    private static final String READER = String.join("\n",
            "import sys, vtk",
            "r = vtk.vtkXMLUnstructuredGridReader()",
            "r.SetFileName(sys.argv[1])",
            "r.Update()",
            "g = r.GetOutput()",
            "pd = g.GetPointData()",
            "print('points', g.GetNumberOfPoints())",
            "print('cells', g.GetNumberOfCells())",
            "types = {}",
            "for c in range(g.GetNumberOfCells()):",
            "    t = g.GetCellType(c)",
            "    types[t] = types.get(t, 0) + 1",
            "print('triangles', types.get(vtk.VTK_TRIANGLE, 0))",
            "print('quads', types.get(vtk.VTK_QUAD, 0))",
            "print('other', sum(v for k, v in types.items() if k not in (vtk.VTK_TRIANGLE, vtk.VTK_QUAD)))",
            "for name in ('density', 'velocity', 'pressure', 'Mach', 'Cp'):",
            "    a = pd.GetArray(name)",
            "    print('components', name, a.GetNumberOfComponents(), a.GetNumberOfTuples())",
            "n = int(sys.argv[2])",
            "print('point', repr(g.GetPoint(n)[0]), repr(g.GetPoint(n)[1]))",
            "for name in ('density', 'pressure', 'Mach', 'Cp'):",
            "    print('value', name, repr(pd.GetArray(name).GetValue(n)))",
            "v = pd.GetArray('velocity').GetTuple3(n)",
            "print('value', 'u', repr(v[0]))",
            "print('value', 'v', repr(v[1]))",
            "ids = vtk.vtkIdList()",
            "g.GetCellPoints(int(sys.argv[3]), ids)",
            "print('cell', ' '.join(str(ids.GetId(k)) for k in range(ids.GetNumberOfIds())))");

    /** Debian's interpreter, which has the vtk module of python3-vtk9. */
    static String python() {
        return Files.isExecutable(Paths.get("/usr/bin/python3")) ? "/usr/bin/python3" : "python3";
    }

    @Test
    void vtkReadsCountsTypesAndValues() throws Exception {
        // The mixed square mesh (4 triangles, 2 quadrilaterals) with a field that differs from
        // node to node.
        Mesh mesh = TestMeshes.square();
        int n = mesh.nodeCount();
        double[] state = new double[4 * n];
        for (int i = 0; i < n; i++) {
            state[4 * i] = 1 + 0.01 * i;
            state[4 * i + 1] = 0.5 + 0.003 * i;
            state[4 * i + 2] = -0.1 * i / 7.0;
            state[4 * i + 3] = 2.0 + i / 3.0;
        }
        Flow flow = new Flow(state, 1.4, 0.5);
        Path file = dir.resolve("flow.vtu");
        VtuWriter.write(mesh, flow, file);
        Path script = dir.resolve("read_vtu.py");
        Files.writeString(script, READER, StandardCharsets.UTF_8);
        int node = 7;
        int cell = 1; // the second triangle (cells are triangles first, then quadrilaterals)
        Process p = new ProcessBuilder(python(), script.toString(), file.toString(),
                String.valueOf(node), String.valueOf(cell)).redirectErrorStream(true).start();
        String output = new String(p.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
        assertTrue(p.waitFor(120, TimeUnit.SECONDS));
        assertEquals(0, p.exitValue(), output);
        Map<String, String> lines = new HashMap<>();
        for (String line : output.split("\n")) {
            String[] w = line.split(" ", 2);
            if (w[0].equals("components") || w[0].equals("value")) {
                String[] k = w[1].split(" ", 2);
                lines.put(w[0] + " " + k[0], k[1]);
            } else if (w.length == 2) {
                lines.put(w[0], w[1]);
            }
        }
        assertEquals("9", lines.get("points"), output);
        assertEquals("6", lines.get("cells"));
        assertEquals("4", lines.get("triangles"));
        assertEquals("2", lines.get("quads"));
        assertEquals("0", lines.get("other"));
        assertEquals("1 9", lines.get("components density"));
        assertEquals("3 9", lines.get("components velocity"));
        for (String name : List.of("pressure", "Mach", "Cp")) {
            assertEquals("1 9", lines.get("components " + name));
        }
        assertEquals(mesh.x(node) + " " + mesh.y(node), lines.get("point"));
        // Values come back exactly: the file holds every digit Java prints.
        assertEquals(flow.density(node), Double.parseDouble(lines.get("value density")));
        assertEquals(flow.pressure(node), Double.parseDouble(lines.get("value pressure")));
        assertEquals(flow.machNumber(node), Double.parseDouble(lines.get("value Mach")));
        assertEquals(flow.pressureCoefficient(node), Double.parseDouble(lines.get("value Cp")));
        assertEquals(flow.velocityX(node), Double.parseDouble(lines.get("value u")));
        assertEquals(flow.velocityY(node), Double.parseDouble(lines.get("value v")));
        int[] tri = mesh.triangles();
        assertEquals((tri[3] - 1) + " " + (tri[4] - 1) + " " + (tri[5] - 1), lines.get("cell"));
    }

    @Test
    void writesEveryNodeOfALargerMesh() throws IOException {
        Mesh mesh = MeshGenerator.naca("0012", MeshGenerator.Options.resolution(32).withQuads(false));
        Settings s = Settings.defaults();
        VtuWriter.write(mesh, new Flow(Flow.freeStream(mesh.nodeCount(), s), s), dir.resolve("f.vtu"));
        String text = Files.readString(dir.resolve("f.vtu"));
        assertTrue(text.contains("NumberOfPoints=\"" + mesh.nodeCount() + "\""));
        assertTrue(text.contains("NumberOfCells=\"" + mesh.triangleCount() + "\""));
    }
}
