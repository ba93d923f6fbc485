package kestrafol.cli;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.BufferedReader;
import java.io.ByteArrayOutputStream;
import java.io.InputStreamReader;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.TimeUnit;
import kestrafol.run.Run;
import kestrafol.ChildJvm;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.Mesh;
import kestrafol.meshing.MeshGenerator;
import kestrafol.mesh.io.Su2Writer;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** The single-case runner as a user meets it: refusals, warnings, summary.json, signals. */
class RunTest {
    @TempDir
    Path dir;

    record Out(int status, String out, String err) {
    }

    static Out main(String... args) {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        ByteArrayOutputStream err = new ByteArrayOutputStream();
        int status = Main.run(args, new PrintStream(out, true, StandardCharsets.UTF_8),
                new PrintStream(err, true, StandardCharsets.UTF_8), false);
        return new Out(status, out.toString(StandardCharsets.UTF_8),
                err.toString(StandardCharsets.UTF_8));
    }

    @Test
    void optionsThatCannotApplyAreRefused() throws Exception {
        Out bc = main("run", "--bc", "airfoil=wall", "--iterations", "2");
        assertEquals(2, bc.status(), bc.err());
        assertTrue(bc.err().contains("farfield, slip, noslip") && bc.err().contains("airfoil=wall"),
                bc.err());
        Path su2 = dir.resolve("c.su2");
        Su2Writer.write(MeshGenerator.circle(MeshGenerator.Options.resolution(16)), su2);
        for (String[] extra : new String[][] {{"--naca", "2412"}, {"--circle"},
            {"--resolution", "40"}}) {
            List<String> args = new ArrayList<>(List.of("run", "--mesh", su2.toString()));
            args.addAll(List.of(extra));
            Out r = main(args.toArray(new String[0]));
            assertEquals(2, r.status(), r.err());
            assertTrue(r.err().contains("--mesh cannot go with " + extra[0]), r.err());
        }
        // An output folder that is a file: the message names the path.
        Path file = Files.writeString(dir.resolve("taken"), "x");
        Out folder = main("run", "--resolution", "16", "--iterations", "2", "--out",
                file.toString());
        assertEquals(1, folder.status(), folder.err());
        assertTrue(folder.err().contains(file.toString()) && folder.err().contains("not a folder"),
                folder.err());
        Out monitor = main("run", "--resolution", "16", "--iterations", "2", "--monitor", "wing",
                "--out", dir.resolve("m").toString());
        assertEquals(1, monitor.status());
        assertTrue(monitor.err().contains("no boundary named \"wing\""), monitor.err());
    }

    @Test
    void aMeshWithoutFarFieldIsRefusedUntilTheBoundaryIsNamed() throws Exception {
        Mesh m = MeshGenerator.circle(MeshGenerator.Options.resolution(16));
        Mesh outer = new Mesh(m.coords(), m.triangles(), m.quads(), m.boundaryEdges(),
                List.of(BoundaryKind.SLIP_WALL, BoundaryKind.SLIP_WALL), List.of("body", "outer"));
        Path su2 = dir.resolve("outer.su2");
        Su2Writer.write(outer, su2);
        Out refused = main("run", "--mesh", su2.toString(), "--iterations", "2", "--out",
                dir.resolve("a").toString());
        assertEquals(1, refused.status(), refused.out());
        assertTrue(refused.err().contains("no open boundary (far field): body (slip wall), outer (slip"
                + " wall)") && refused.err().contains("--bc outer=farfield"), refused.err());
        Out named = main("run", "--mesh", su2.toString(), "--bc", "outer=farfield",
                "--iterations", "2", "--out", dir.resolve("b").toString(), "--no-pictures");
        assertEquals(Run.EXIT_NOT_CONVERGED, named.status(), named.err());
    }

    @Test
    void theCapIsNotConvergedAndNoPicturesRemovesOldOnes() throws Exception {
        Path out = dir.resolve("cap");
        Files.createDirectories(out);
        Files.writeString(out.resolve("mach.png"), "old");
        Out r = main("run", "--resolution", "16", "--iterations", "40", "--out", out.toString(),
                "--no-pictures");
        assertEquals(Run.EXIT_NOT_CONVERGED, r.status(), r.err());
        assertFalse(Files.exists(out.resolve("mach.png")), "an old picture stayed");
        String json = Files.readString(out.resolve("summary.json"));
        assertTrue(json.contains("\"stoppedBy\": \"iterations\""), json);
        assertTrue(json.contains("\"converged\": false"), json);
        assertTrue(json.contains("not converged: reached the cap of 40 iterations"), json);
        for (String key : new String[] {"cl", "cd", "cdPressure", "cdFriction", "cm",
            "iterations", "residualDrop", "wallSeconds", "warnings", "settings"}) {
            assertTrue(json.contains("\"" + key + "\": "), key);
        }
        List<String> surface = Files.readAllLines(out.resolve("surface.csv"));
        assertEquals("marker,x,y,cp,cf,pressure", surface.get(0));
        assertEquals(1 + 16, surface.size());
        assertTrue(surface.get(1).startsWith("airfoil,1.0000"), surface.get(1));
    }

    @Test
    void reynoldsIsTheFlowReynoldsNumberAndTheLibraryGetsItOverMach() throws Exception {
        Path out = dir.resolve("re");
        Out r = main("run", "--circle", "--resolution", "32", "--viscous", "--reynolds", "40",
                "--mach", "0.2", "--alpha", "0", "--iterations", "3", "--out", out.toString(),
                "--no-pictures");
        assertEquals(Run.EXIT_NOT_CONVERGED, r.status(), r.err());
        assertTrue(r.out().contains("Reynolds 40 based on the flow speed and length 1 (the library"
                + " gets 200 per unit length"), r.out());
        String json = Files.readString(out.resolve("summary.json"));
        assertTrue(json.contains("\"libraryReynolds\": 200"), json);
        // Its drag has friction: the page says nothing about numerical drag.
        assertFalse(Files.readString(out.resolve("report.html")).contains("drag-note"));
    }

    @Test
    void aViscousMeshTooFineForTheReynoldsNumberIsWarnedAboutAndItsDivergenceExplained()
            throws Exception {
        // First cell 1e-3 at a library Reynolds number of 100: 0.1, far below the threshold 1.
        Mesh m = MeshGenerator.circle(MeshGenerator.Options.resolution(32).withFirstHeight(1e-3)
                .withLayers(16));
        Path su2 = dir.resolve("fine.su2");
        Su2Writer.write(m, su2);
        Out r = main("run", "--mesh", su2.toString(), "--viscous", "--reynolds", "20", "--mach",
                "0.2", "--iterations", "200", "--out", dir.resolve("v").toString(),
                "--no-pictures");
        assertTrue(r.out().contains("Warning: first-cell height 0.000845 at the wall is too small"),
                r.out());
        assertTrue(r.out().contains("at least 0.0100 would work"), r.out());
        assertEquals(Run.EXIT_DIVERGED, r.status(), r.out());
        assertTrue(r.out().contains("first order does not help"), r.out());
    }

    @Test
    void sigintStopsAtTheEndOfAnIterationAndWritesEverything() throws Exception {
        Path out = dir.resolve("int");
        List<String> command = List.of(Paths.get(System.getProperty("java.home"), "bin", "java")
                .toString(), "-Djava.awt.headless=true", "-Djava.io.tmpdir=" + dir, "-jar",
                ChildJvm.jar(), "run", "--resolution", "32", "--iterations", "1000000",
                "--print-every", "10", "--out", out.toString());
        Process p = new ProcessBuilder(command).redirectErrorStream(true).start();
        StringBuilder seen = new StringBuilder();
        try (BufferedReader in = new BufferedReader(new InputStreamReader(p.getInputStream(),
                StandardCharsets.UTF_8))) {
            String line;
            boolean sent = false;
            while ((line = in.readLine()) != null) {
                seen.append(line).append('\n');
                if (!sent && line.matches("\\s+20\\s.*")) {
                    // The shell's own kill: no separate program needed.
                    new ProcessBuilder("sh", "-c", "kill -INT " + p.pid()).start().waitFor();
                    sent = true;
                }
            }
        }
        assertTrue(p.waitFor(120, TimeUnit.SECONDS), seen.toString());
        assertEquals(Main.RunCommand.EXIT_INTERRUPTED, p.exitValue(), seen.toString());
        String json = Files.readString(out.resolve("summary.json"));
        assertTrue(json.contains("\"stoppedBy\": \"interrupted\""), json);
        assertTrue(json.contains("\"converged\": false"), json);
        for (String name : new String[] {"history.csv", "flow.vtu", "surface.csv", "mach.png",
            "cp.png", "convergence.png"}) {
            assertTrue(Files.size(out.resolve(name)) > 100, name);
        }
        int rows = Files.readAllLines(out.resolve("history.csv")).size() - 2; // run id, header
        assertTrue(json.contains("\"iterations\": " + rows + ","), rows + " rows, " + json);
    }
}
