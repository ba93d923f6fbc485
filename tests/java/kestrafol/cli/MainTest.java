package kestrafol.cli;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import kestrafol.run.CaseDefinition;
import kestrafol.run.Run;
import kestrafol.ChildJvm;
import kestrafol.mesh.Mesh;
import kestrafol.meshing.MeshGenerator;
import kestrafol.TestMeshes;
import kestrafol.mesh.io.GmshReader;
import kestrafol.mesh.io.Su2Reader;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

class MainTest {
    @TempDir
    Path dir;

    /** Exit status, standard output and standard error of one command. */
    private static final class Result {
        int status;
        String out;
        String err;
    }

    private static Result main(String... args) {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        ByteArrayOutputStream err = new ByteArrayOutputStream();
        Result r = new Result();
        r.status = Main.run(args, new PrintStream(out, true, StandardCharsets.UTF_8),
                new PrintStream(err, true, StandardCharsets.UTF_8), false);
        r.out = out.toString(StandardCharsets.UTF_8);
        r.err = err.toString(StandardCharsets.UTF_8);
        return r;
    }

    private static double summaryValue(String out, String name) {
        Matcher m = Pattern.compile("\\b" + name + " ([-+0-9.eEaN]+)").matcher(out.substring(out.indexOf("Stopped:")));
        assertTrue(m.find(), out);
        return Double.parseDouble(m.group(1));
    }

    @Test
    void defaultCaseAtSmallResolutionWritesEveryResult() throws Exception {
        // As a user runs it: java -jar kestrafol.jar, with nothing else on the class path or the
        // library path.
        Path outDir = dir.resolve("results");
        ChildJvm.Result child = ChildJvm.run(dir, List.of("-jar", ChildJvm.jar(), "run", "--resolution",
                "32", "--iterations", "120", "--out", outDir.toString(), "--print-every", "40",
                "--startup-first-order", "30"));
        String out = child.output;
        assertEquals(Run.EXIT_NOT_CONVERGED, child.status, out);
        assertTrue(out.contains("NACA 0012"), out);
        assertTrue(out.contains("Mach 0.8, alpha 1.25 deg"), out);
        assertTrue(out.contains("switched to second order after iteration 30"), out);
        assertTrue(out.contains("Stopped: reached the cap of 120 iterations"), out);
        assertTrue(out.contains("NOT CONVERGED, last values: CL"), out);
        double cl = summaryValue(out, "CL");
        double cd = summaryValue(out, "CD");
        assertTrue(Double.isFinite(cl) && Double.isFinite(cd) && cl > 0 && cd > 0, cl + " " + cd);
        for (String name : new String[] {"history.csv", "flow.vtu", "mach.png", "cp.png",
            "convergence.png", "summary.json", "surface.csv"}) {
            assertTrue(Files.size(outDir.resolve(name)) > 1000, name);
        }
        List<String> history = Files.readAllLines(outDir.resolve("history.csv"));
        assertEquals(122, history.size()); // the run id, the header, 120 iterations
        String[] last = history.get(121).split(",");
        assertEquals("120", last[0]);
        assertEquals(cl, Double.parseDouble(last[2]), 1e-6);
        // The progress lines: header, iteration 1, every 40 iterations.
        assertTrue(out.contains("   iter     residual"), out);
        assertTrue(Pattern.compile("(?m)^\\s+80\\s+\\d\\.\\d{4}e[-+]\\d\\d").matcher(out).find(), out);
    }

    @Test
    void eachStoppingCriterionEndsARunAndIsNamed() {
        Path out = dir.resolve("o");
        Result orders = main("run", "--circle", "--resolution", "32", "--mach", "0.3", "--alpha", "0",
                "--first-order", "--orders", "2", "--out", out.toString(), "--no-pictures");
        assertEquals(0, orders.status, orders.err);
        assertTrue(orders.out.contains("Stopped: the residual norm dropped by 2 orders"), orders.out);
        assertTrue(summaryValue(orders.out, "Iterations") < CaseDefinition.MIN_CAP);

        Result cauchy = main("run", "--circle", "--resolution", "32", "--mach", "0.3", "--first-order",
                "--cauchy", "0.05/20", "--out", out.toString(), "--no-pictures");
        assertEquals(0, cauchy.status, cauchy.err);
        assertTrue(cauchy.out.contains("Stopped: cl, cd and cm settled"), cauchy.out);

        Result cap = main("run", "--circle", "--resolution", "32", "--iterations", "7", "--out",
                out.toString(), "--no-pictures");
        assertEquals(Run.EXIT_NOT_CONVERGED, cap.status, cap.err);
        assertTrue(cap.out.contains("Stopped: reached the cap of 7 iterations"), cap.out);
    }

    @Test
    void aDivergingRunStopsAtOnceWithAnErrorStatus() throws Exception {
        // Second order from the first iteration with the midpoint reconstruction (weight 1)
        // at Mach 5 blows up within a few dozen iterations.
        Path out = dir.resolve("d");
        // A previous run's results in the folder: none may survive beside the diverged summary.
        Files.createDirectories(out);
        for (String name : new String[] {"flow.vtu", "surface.csv", "cp.png", "mach.png"}) {
            Files.writeString(out.resolve(name), "an earlier run");
        }
        Result r = main("run", "--resolution", "32", "--mach", "5", "--weight", "1",
                "--startup-first-order", "0", "--out", out.toString());
        assertEquals(Run.EXIT_DIVERGED, r.status, r.out);
        assertTrue(r.out.contains("the run diverged at iteration"), r.out);
        List<String> history = Files.readAllLines(out.resolve("history.csv"));
        assertTrue(history.size() < 200, "stopped at once: " + history.size());
        assertTrue(history.get(history.size() - 1).contains("NaN"));
        for (String name : new String[] {"flow.vtu", "surface.csv", "cp.png", "mach.png"}) {
            assertTrue(!Files.exists(out.resolve(name)), name + ": no results of a diverged run");
        }
    }

    @Test
    void meshCommandWritesFilesThatRunReads() throws Exception {
        Path su2 = dir.resolve("naca2412.su2");
        Result m = main("mesh", "naca", "2412", "--out", su2.toString(), "--resolution", "32");
        assertEquals(0, m.status, m.err);
        Mesh mesh = Su2Reader.read(su2);
        assertEquals(MeshGenerator.naca("2412", MeshGenerator.Options.resolution(32)), mesh);
        assertEquals(0, mesh.quadCount());
        Path msh = dir.resolve("circle.msh");
        assertEquals(0, main("mesh", "circle", "--out", msh.toString(), "--resolution", "20", "--quads")
                .status);
        assertEquals(MeshGenerator.circle(MeshGenerator.Options.resolution(20).withQuads(true)),
                GmshReader.read(msh));
        // The body options are run's: --naca names the same body, and --mesh writes a mesh file
        // again in another format, unchanged.
        Path same = dir.resolve("same.su2");
        Path back = dir.resolve("back.su2");
        assertEquals(0, main("mesh", "--naca", "2412", "--out", same.toString(), "--resolution",
                "32").status);
        assertEquals(0, main("mesh", "--mesh", msh.toString(), "--out", back.toString()).status);
        assertArrayEquals(Files.readAllBytes(su2), Files.readAllBytes(same));
        assertEquals(GmshReader.read(msh), Su2Reader.read(back));
        assertEquals(2, main("mesh", "--mesh", su2.toString()).status, "writing over itself");

        Result run = main("run", "--mesh", su2.toString(), "--bc", "airfoil=slip", "--iterations", "5",
                "--out", dir.resolve("r").toString(), "--no-pictures");
        assertEquals(Run.EXIT_NOT_CONVERGED, run.status, run.err);
        assertTrue(run.out.contains("naca2412.su2") && run.out.contains("airfoil (slip)"), run.out);
        Result viscous = main("run", "--mesh", msh.toString(), "--viscous", "--reynolds", "500",
                "--iterations", "3", "--out", dir.resolve("v").toString(), "--no-pictures");
        assertEquals(Run.EXIT_NOT_CONVERGED, viscous.status, viscous.err);
        assertTrue(viscous.out.contains("circle (noslip)") && viscous.out.contains("Reynolds 500"),
                viscous.out);
    }

    @Test
    void badCommandLinesAndFilesFailWithAMessage() throws Exception {
        assertEquals(2, main("run", "--mach").status);
        assertEquals(2, main("run", "--mach", "fast").status);
        assertEquals(2, main("run", "--viscous").status);
        assertEquals(2, main("run", "--cauchy", "1e-4").status);
        Result unknown = main("run", "--whatever");
        assertEquals(2, unknown.status);
        assertEquals(1, unknown.err.strip().lines().count(), unknown.err);
        assertTrue(unknown.err.contains("'--whatever'") && unknown.out.isEmpty(), unknown.err);
        assertEquals(2, main("run", "--mach", "NaN").status);
        assertEquals(2, main("run", "--resolution", "8").status);
        assertEquals(2, main("fly").status);
        assertEquals(2, main("mesh", "square").status);
        assertEquals(2, main().status);
        assertEquals(0, main("--help").status);
        Result help = main("run", "--help");
        assertEquals(0, help.status);
        assertTrue(help.out.contains("--cauchy EPS/W"));

        Path bad = TestMeshes.write(dir.resolve("bad.su2"), "NDIME= 2", "NELEM= 1", "5 0 1");
        Result r = main("run", "--mesh", bad.toString(), "--out", dir.resolve("x").toString());
        assertEquals(1, r.status);
        assertTrue(r.err.contains(bad + ":3: expected 3 node numbers"), r.err);
        Result missing = main("run", "--mesh", dir.resolve("none.su2").toString());
        assertEquals(1, missing.status);
        assertTrue(missing.err.contains("none.su2"), missing.err);
        Path good = dir.resolve("c.su2");
        assertEquals(0, main("mesh", "circle", "--out", good.toString(), "--resolution", "16").status);
        Result unknownBoundary = main("run", "--mesh", good.toString(), "--bc", "wing=slip");
        assertEquals(1, unknownBoundary.status);
        assertTrue(unknownBoundary.err.contains("no boundary named \"wing\""), unknownBoundary.err);
    }
}
