package kestrafol.cli;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.stream.Stream;
import kestrafol.ChildJvm;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * What the commands answer with as a user sees it: the exit status of a polar and of a run by
 * whether their cases converged (the polars without pictures, which still have their reports),
 * and the refusal of a bad comparison file before anything runs. Each in a fresh JVM, as a user runs it.
 */
class PolarResultsTest {
    @TempDir
    Path dir;

    /**
     * On the 32-point mesh at Mach 0.5 the residual drops by 0.9 orders at iteration 501 for alpha
     * 0 and at 1,232 for alpha 4 with weight 0: a cap of 1,300 lets both converge, 1,100 stops
     * alpha 4 at the cap.
     */
    private static final List<String> SMALL = List.of("--resolution", "32", "--mach", "0.5",
            "--orders", "0.9", "--startup-first-order", "0", "--weight", "0", "--no-pictures");

    /** kestrafol COMMAND with the small case's options and more, in a fresh JVM. */
    private ChildJvm.Result kestrafol(String command, String... more) throws Exception {
        List<String> a = new ArrayList<>(List.of("-jar", ChildJvm.jar(), command));
        a.addAll(SMALL);
        a.addAll(List.of(more));
        return ChildJvm.run(dir, a);
    }

    @Test
    void exitStatusIsZeroOnlyWhenEveryCaseConvergedAndFourWhenOneStoppedAtTheCap() throws Exception {
        // command and its angles, cap, exit status, what the output must say
        Object[][] table = {
            {"polar", "0,4", "1300", 0, "2 cases: 2 converged, 0 not converged, 0 diverged, 0 failed"},
            {"polar", "0,4", "1100", 4, "2 cases: 1 converged, 1 not converged, 0 diverged, 0 failed"},
            {"run", "4", "1300", 0, "Stopped: the residual norm dropped by 0.9 orders"},
            {"run", "4", "1100", 4, "reached the cap of 1100 iterations"},
        };
        for (Object[] t : table) {
            String command = (String) t[0];
            Path out = dir.resolve(command + t[2]);
            if (command.equals("polar")) {
                // Pictures of an earlier polar in the folder go: they belong to other numbers.
                Files.createDirectories(out);
                Files.writeString(out.resolve("polar.png"), "old");
                Files.writeString(out.resolve("cp-all.png"), "old");
            }
            ChildJvm.Result r = kestrafol(command, "--alpha", (String) t[1], "--iterations",
                    (String) t[2], "--out", out.toString());
            String what = command + " capped at " + t[2] + ": " + r.output;
            assertEquals(t[3], r.status, what);
            assertTrue(r.output.contains((String) t[4]), what);
            assertTrue(Files.exists(out.resolve("report.html")), what);
            if (command.equals("polar")) {
                assertTrue(Files.readString(out.resolve("polar.json"))
                        .contains("\"exitStatus\": " + t[3]), what);
                noPicturesButAReport(out);
            }
        }
        // The capped case's row says so, with the run's warning (carried from the case's run).
        List<String> rows = Files.readAllLines(dir.resolve("polar1100").resolve("polar.csv"));
        assertTrue(rows.get(1).startsWith("0.5,,0,") && rows.get(1).contains(",orders,true,"), rows.get(1));
        assertTrue(rows.get(2).startsWith("0.5,,4,") && rows.get(2).contains(",1100,iterations,false,")
                && rows.get(2).contains("reached the cap of 1100 iterations"), rows.get(2));
        // The aerodynamic centre does not depend on the moment point: moments about the leading
        // edge (x/c 0) give the quarter-chord polar's centre, up to the normal force's share of
        // drag (a few 1e-4 here). Taking the point's x/c as 0.25, or its sign wrong, is 0.25 off.
        Path edge = dir.resolve("leading edge");
        ChildJvm.Result r = kestrafol("polar", "--alpha", "0,4", "--iterations", "1300",
                "--ref-point", "0,0", "--out", edge.toString());
        assertEquals(0, r.status, r.output);
        double[] quarter = centre(dir.resolve("polar1300"));
        double[] leading = centre(edge);
        assertEquals(0.25, quarter[0]);
        assertEquals(0.0, leading[0]);
        assertEquals(quarter[1], leading[1], 2e-3, r.output);
    }

    /**
     * A polar counts, draws and derives from what its runs decided: on the 16-point mesh with a
     * loose coefficient criterion the criterion fires after 17 iterations with the residual not
     * down at all, which the run's verdict refuses (both angles, each from the free stream). The
     * polar says so too: exit 4, converged false in polar.csv, drawn as not converged, no lift
     * slope from the two angles.
     */
    @Test
    void aCaseTheVerdictRefusesIsNotConvergedInThePolarAsInItsRun() throws Exception {
        List<String> loose = List.of("--resolution", "16", "--cauchy", "0.5/5",
                "--startup-first-order", "0", "--mach", "0.8", "--no-pictures", "--out");
        List<String> a = new ArrayList<>(List.of("-jar", ChildJvm.jar(), "run", "--alpha", "1.25"));
        a.addAll(loose);
        a.add(dir.resolve("run").toString());
        ChildJvm.Result run = ChildJvm.run(dir, a);
        assertEquals(4, run.status, run.output);
        assertTrue(Files.readString(dir.resolve("run/summary.json")).contains("\"converged\": false"));

        a = new ArrayList<>(List.of("-jar", ChildJvm.jar(), "polar", "--alpha", "0,1.25", "--cold",
                "--jobs", "1"));
        a.addAll(loose);
        Path out = dir.resolve("polar");
        a.add(out.toString());
        ChildJvm.Result polar = ChildJvm.run(dir, a);
        assertEquals(4, polar.status, polar.output);
        assertTrue(polar.output.contains("2 cases: 0 converged, 2 not converged"), polar.output);
        List<String> rows = Files.readAllLines(out.resolve("polar.csv"));
        assertTrue(rows.get(2).startsWith("0.8,,1.25,") && rows.get(2).contains(",cauchy,false,"),
                rows.get(2));
        String json = Files.readString(out.resolve("polar.json"));
        assertTrue(json.contains("\"liftSlopePerDegree\": null") && json.contains("\"exitStatus\": 4"),
                json);
        assertTrue(Files.readString(out.resolve("report.html")).contains(
                "<tr class=\"not-converged\" data-case=\"m0.8_a1.25\""));
    }

    /** {momentPointXc, aerodynamicCentreXc} of a polar's polar.json. */
    private static double[] centre(Path polar) throws Exception {
        String json = Files.readString(polar.resolve("polar.json"));
        double[] v = new double[2];
        String[] keys = {"\"momentPointXc\": ", "\"aerodynamicCentreXc\": "};
        for (int k = 0; k < 2; k++) {
            int at = json.indexOf(keys[k]) + keys[k].length();
            v[k] = Double.parseDouble(json.substring(at, json.indexOf(',', at)).strip());
        }
        return v;
    }

    /**
     * --no-pictures: no PNG anywhere in the polar's folder, old ones removed, yet report.html
     * has every chart: the polar's three in one SVG, the Cp of both angles in one, and one
     * convergence chart per case; every case folder has its own report.
     */
    private static void noPicturesButAReport(Path out) throws Exception {
        try (Stream<Path> files = Files.walk(out)) {
            assertEquals(List.of(), files.filter(p -> p.toString().endsWith(".png")).toList());
        }
        String report = Files.readString(out.resolve("report.html"));
        assertEquals(4, report.split("<svg", -1).length - 1, "SVG charts in report.html");
        for (String c : new String[] {"m0.5_a0", "m0.5_a4"}) {
            assertTrue(report.contains("<a href=\"" + c + "/\">"), c);
            assertTrue(Files.readString(out.resolve(c).resolve("report.html")).contains("<svg"), c);
        }
    }

    @Test
    void aBadComparisonFileIsRefusedWithItsLineBeforeAnythingRuns() throws Exception {
        Path notNumber = dir.resolve("wind tunnel.csv");
        Files.writeString(notNumber, "# NACA 0012\nalpha,cl\n0,0.0\n2,abc\n");
        Path polarData = dir.resolve("polar-data.csv");
        Files.writeString(polarData, "alpha,cl,cd\n0,0,0.008\n");
        // command, file, what the one line must say
        Object[][] table = {
            {"polar", notNumber, notNumber + ":4: column cl: expected a finite number, got \"abc\""},
            {"run", polarData, polarData + ":1: the header names none of x, cp"},
        };
        for (Object[] t : table) {
            Path out = dir.resolve("refused-" + t[0]);
            ChildJvm.Result r = kestrafol((String) t[0], "--compare", t[1].toString(), "--out",
                    out.toString());
            assertEquals(1, r.status, r.output);
            assertTrue(r.output.contains((String) t[2]), r.output);
            assertEquals(1, r.output.strip().lines().count(), r.output);
            assertFalse(Files.exists(out), t[0] + " created its output folder: " + r.output);
        }
    }
}
