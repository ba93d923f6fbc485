package kestrafol.cli;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import kestrafol.ChildJvm;
import kestrafol.study.GridConvergence;
import kestrafol.study.TwoMeshes;
import kestrafol.study.Ladder;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * The grid-convergence study and run --error-estimate: their estimates are those of
 * GridConvergence on their own levels' numbers, bit for bit.
 */
class StudyTest {
    @TempDir
    Path dir;

    /** The number after "key": inside the object that follows "object": (or the whole text). */
    private static double number(String json, String object, String key) {
        String text = json;
        if (object != null) {
            int at = json.indexOf("\"" + object + "\": {");
            assertTrue(at >= 0, object + " in " + json);
            text = json.substring(at, json.indexOf('}', at));
        }
        Matcher m = Pattern.compile("\"" + key + "\": (-?[0-9.eE+-]+)").matcher(text);
        assertTrue(m.find(), key + " in " + text);
        return Double.parseDouble(m.group(1));
    }

    @Test
    void aTinyStudyExtrapolatesItsOwnLevelsAsGridConvergenceDoes() throws Exception {
        Path out = dir.resolve("study");
        // In a JVM of its own, as a user runs it: the pictures' font code trips -Xcheck:jni.
        ChildJvm.Result r = ChildJvm.run(dir, List.of("-jar", ChildJvm.jar(), "study",
                "--resolution", "32", "--ratio", "1.25", "--mach", "0.5", "--iterations", "300",
                "--jobs", "2", "--print-every", "1000", "--out", out.toString()));
        // The cap ends every level: answered, not converged.
        assertEquals(4, r.status, r.output);
        List<String> rows = Files.readAllLines(out.resolve("study.csv"));
        assertEquals("level,points,nodes,h,cl,cd,cm,iterations,stoppedBy,converged,mesh",
                rows.get(0));
        assertEquals(4, rows.size());
        double[] h = new double[3];
        double[][] f = new double[3][3];
        int[] points = new int[3];
        for (int k = 0; k < 3; k++) {
            String[] c = rows.get(k + 1).split(",");
            points[k] = Integer.parseInt(c[1]);
            h[k] = Double.parseDouble(c[3]);
            for (int j = 0; j < 3; j++) {
                f[j][k] = Double.parseDouble(c[4 + j]);
            }
            assertEquals("300,iterations,false,built-in", c[7] + "," + c[8] + "," + c[9] + ","
                    + c[10]);
            // The row is the level's own answer, as its case folder's summary.json gives it.
            Path folder = out.resolve("level" + (k + 1) + "-n" + points[k]);
            // Its case file, written again by the study, keeps the run id: one complete run.
            assertTrue(kestrafol.run.CaseOutputs.completeSummary(folder) != null, folder.toString());
            String level = Files.readString(folder.resolve("summary.json"));
            assertEquals(f[0][k], number(level, null, "cl"), 0);
            assertEquals(Math.sqrt(number(Files.readString(out.resolve("level1-n32")
                    .resolve("summary.json")), "settings", "nodes")
                    / number(level, "settings", "nodes")), h[k], 0);
        }
        assertArrayEquals(new int[] {32, 26, 20}, points);
        assertEquals(1.0, h[0], 0);
        String summary = Files.readString(out.resolve("summary.json"));
        List<String> names = List.of("cl", "cd", "cm");
        for (int j = 0; j < 3; j++) {
            GridConvergence.Estimate e = GridConvergence.threeGrids(h, f[j]);
            String name = names.get(j);
            assertEquals(e.extrapolated(), number(summary, name, "extrapolated"), 0, name);
            assertEquals(e.gci(), number(summary, name, "gci"), 0, name);
            assertEquals(e.observedOrder(), number(summary, name, "observedOrder"), 0, name);
            assertEquals(e.safety(), number(summary, name, "safetyFactor"), 0, name);
            int at = summary.indexOf("\"" + name + "\": {");
            assertEquals(e.asymptotic(), summary.substring(at, summary.indexOf('}', at))
                    .contains("\"asymptotic\": true"), name);
        }
        assertTrue(Files.size(out.resolve("study.png")) > 10_000);
        // report.html shows the very numbers of study.csv and summary.json, and draws them.
        String html = Files.readString(out.resolve("report.html"));
        for (int k = 0; k < 3; k++) {
            String[] c = rows.get(k + 1).split(",");
            for (int j = 0; j < 4; j++) {
                String cell = "data-column=\"" + List.of("h", "cl", "cd", "cm").get(j)
                        + "\" data-value=\"" + c[3 + j] + "\"";
                assertTrue(html.contains(cell), cell);
            }
        }
        for (String key : List.of("extrapolated", "gci", "order")) {
            for (int j = 0; j < 3; j++) {
                GridConvergence.Estimate e = GridConvergence.threeGrids(h, f[j]);
                double v = key.equals("gci") ? e.gci() : key.equals("order")
                        ? e.observedOrder() : e.extrapolated();
                String cell = "data-column=\"" + key + "\" data-value=\"" + v + "\"";
                assertTrue(html.contains(cell), cell);
            }
        }
        assertTrue(html.contains("class=\"verdict warn\">NOT EVERY LEVEL CONVERGED"), html);
        // Three coefficient charts and three convergence charts, each with drawn paths.
        String[] charts = html.split("<svg", -1);
        assertEquals(7, charts.length, "six charts");
        for (int k = 1; k < charts.length; k++) {
            assertTrue(charts[k].substring(0, charts[k].indexOf("</svg>")).contains("<path"));
        }
        assertTrue(html.contains("<a href=\"level3-n20/\">"), html);
        assertTrue(r.output.contains("Report: " + out.resolve("report.html")), r.output);
        // A level's case.properties repeats it alone, bit for bit.
        Path again = dir.resolve("again");
        RunTest.Out alone = RunTest.main("run", "--config", out.resolve("level2-n26")
                .resolve("case.properties").toString(), "--no-pictures", "--out",
                again.toString());
        assertTrue(alone.status() == 0 || alone.status() == 4, alone.out() + alone.err());
        assertEquals(f[0][1], number(Files.readString(again.resolve("summary.json")), null,
                "cl"), 0);
        assertTrue(summary.contains("level 1 (32 points) did not converge"), summary);
        assertTrue(r.output.contains("CL finest") && r.output.contains("extrapolated"), r.output);
        slurmTasksOfTheRecordedStudyAreGatheredFromTheSubmittedJobOnly(out, rows);
    }

    /**
     * The array tasks of a Slurm study run from its recorded study.properties, each its own
     * level; "study --gather" (squeue stubbed: the job has ended) takes the task files of the
     * recorded job only: a level whose task did not report is a failed level naming its log even
     * though an earlier job left that level's result, and with every task reported the gathered
     * study.csv is the local one bit for bit.
     */
    private void slurmTasksOfTheRecordedStudyAreGatheredFromTheSubmittedJobOnly(Path local,
            List<String> rows) throws Exception {
        Path tasks = dir.resolve("tasks");
        Path config = local.resolve("study.properties");
        for (String[] t : new String[][] {{"0", "7"}, {"2", "7"}, {"1", "6"}}) {
            RunTest.Out task = RunTest.main("study", "--config", config.toString(), "--out",
                    tasks.toString(), "--no-pictures", "--task", t[0], "--tasks", "3", "--job",
                    t[1]);
            assertEquals(0, task.status(), task.out() + task.err());
        }
        assertEquals(List.of("task-0.csv", "task-2.csv"), names(tasks.resolve("slurm/7")));
        assertTrue(Files.readString(tasks.resolve("slurm/7/task-2.csv")).contains("\n3,"));
        assertEquals(List.of("level1-n32", "level2-n26", "level3-n20", "slurm"), names(tasks));
        Files.copy(config, tasks.resolve("study.properties"));
        kestrafol.batch.SlurmJob.writeRecord(tasks, "7", 3, new java.util.Properties() {
            {
                setProperty("levels", "3");
            }
        }, "test");
        Path stubs = Files.createDirectories(dir.resolve("stubs"));
        Files.writeString(stubs.resolve("squeue"), "#!/bin/sh\nexit 0\n");
        stubs.resolve("squeue").toFile().setExecutable(true);
        java.util.Map<String, String> path = java.util.Map.of("PATH", stubs + ":"
                + System.getenv("PATH"));
        List<String> gather = List.of("-jar", ChildJvm.jar(), "study", "--gather",
                tasks.toString());
        ChildJvm.Result g = ChildJvm.run(dir, path, gather);
        assertEquals(1, g.status, g.output);
        List<String> gathered = Files.readAllLines(tasks.resolve("study.csv"));
        assertEquals(List.of(rows.get(0), rows.get(1), "2,26,0,,,,,,failed,false,built-in", rows.get(3)),
                gathered);
        assertTrue(g.output.contains("level 2 (26 points): failed: array task 1 of job 7 reported"
                + " no result; see " + tasks.resolve("slurm/task-7-1.log")), g.output);

        Files.copy(tasks.resolve("slurm/6/task-1.csv"), tasks.resolve("slurm/7/task-1.csv"));
        g = ChildJvm.run(dir, path, gather);
        assertEquals(4, g.status, g.output);
        assertEquals(rows, Files.readAllLines(tasks.resolve("study.csv")));
        assertEquals(Files.readString(local.resolve("summary.json")).replace(local.toString(),
                tasks.toString()), Files.readString(tasks.resolve("summary.json")));
        assertTrue(Files.size(tasks.resolve("study.png")) > 10_000);
    }

    private static List<String> names(Path folder) throws java.io.IOException {
        try (var s = Files.list(folder)) {
            return s.map(p -> p.getFileName().toString()).filter(n -> !n.startsWith("."))
                    .sorted().toList();
        }
    }

    @Test
    void theErrorEstimateIsTheTwoMeshIndexAgainstTheCoarserRun() throws Exception {
        Path out = dir.resolve("run");
        RunTest.Out r = RunTest.main("run", "--resolution", "24", "--mach", "0.5",
                "--iterations", "200", "--no-pictures", "--error-estimate", "--out",
                out.toString());
        assertTrue(r.status() == 0 || r.status() == 4, r.out() + r.err());
        String fine = Files.readString(out.resolve("summary.json"));
        String coarse = Files.readString(out.resolve(TwoMeshes.FOLDER).resolve("summary.json"));
        double hFine = 1 / Math.sqrt(number(fine, "settings", "nodes"));
        double hCoarse = 1 / Math.sqrt(number(coarse, "settings", "nodes"));
        assertTrue(hCoarse > hFine * 1.1, hFine + " " + hCoarse);
        for (String c : List.of("cl", "cd", "cm")) {
            double expected = GridConvergence.twoGrids(hFine, hCoarse, number(fine, null, c),
                    number(coarse, null, c), TwoMeshes.ASSUMED_ORDER).gci();
            assertEquals(expected, number(fine, null, c + "Error"), 0, c);
            assertTrue(expected > 0, c);
        }
        assertTrue(fine.contains("16 points around the body"), fine);
        assertTrue(r.out().contains("Error estimate: CL "), r.out());
        // Neither run converged within 200 iterations: the bars say they are doubtful.
        assertTrue(fine.contains("error bars are doubtful"), fine);
        // report.html shows each coefficient's bar beside it, and the rule that gave it.
        String html = Files.readString(out.resolve("report.html"));
        assertTrue(html.contains("data-column=\"clError\" data-value=\""
                + number(fine, null, "clError") + "\""), html);
        assertTrue(html.contains("safety factor " + GridConvergence.SAFETY_TWO_GRIDS), html);
    }

    @Test
    void whatAStudyCannotDoIsRefusedWithOneLine() throws Exception {
        Path su2 = dir.resolve("c.su2");
        RunTest.Out mesh = RunTest.main("mesh", "circle", "--resolution", "16", "--out",
                su2.toString());
        assertEquals(0, mesh.status(), mesh.err());
        String[][] cases = {
            {"study", "--detach"},
            {"study", "--slurm", "--time", "1:00\nid"},
            {"study", "--gather", dir.toString(), "--levels", "2"},
            {"study", "--mesh", su2.toString()},
            {"study", "--resolution", "24", "--levels", "3"},
            {"study", "--levels", "1"},
            {"study", "--ratio", "1.05"},
            {"run", "--mesh", su2.toString(), "--error-estimate"},
            {"run", "--resolution", "16", "--error-estimate"},
        };
        for (String[] c : cases) {
            RunTest.Out r = RunTest.main(c);
            assertEquals(2, r.status(), String.join(" ", c) + ": " + r.out() + r.err());
            assertEquals(1, r.err().strip().lines().count(), r.err());
        }
        assertThrows(IllegalArgumentException.class, () -> Ladder.ladder(96, 3, 1.0));
        assertArrayEquals(new int[] {96, 68, 48}, Ladder.ladder(96, 3, Ladder.DEFAULT_RATIO));
    }

    /**
     * SIGTERM stops a study as it stops a polar: the running level after its iteration (its
     * files written), the level not started "not run"; study.csv and the report written, 143.
     */
    @Test
    void aTerminatedStudyWritesItsFilesAndCountsTheUnstartedLevelAsNotRun() throws Exception {
        Path out = dir.resolve("stopped");
        Process p = new ProcessBuilder(Path.of(System.getProperty("java.home"), "bin", "java")
                .toString(), "-Djava.awt.headless=true", "-jar", ChildJvm.jar(), "study",
                "--resolution", "32", "--levels", "2", "--jobs", "1", "--iterations", "3000",
                "--cauchy", "0/0", "--no-pictures", "--out", out.toString())
                .redirectErrorStream(true).redirectOutput(dir.resolve("stopped.log").toFile())
                .start();
        Path history = out.resolve("level1-n32/run.log");
        long deadline = System.nanoTime() + 240_000_000_000L;
        while (!Files.exists(history)) {
            assertTrue(p.isAlive() && System.nanoTime() < deadline,
                    Files.readString(dir.resolve("stopped.log")));
            Thread.sleep(100);
        }
        p.destroy();
        assertEquals(143, p.waitFor(), Files.readString(dir.resolve("stopped.log")));
        List<String> rows = Files.readAllLines(out.resolve("study.csv"));
        assertTrue(rows.get(1).contains(",interrupted,false"), rows.get(1));
        assertTrue(rows.get(2).startsWith("2,") && rows.get(2).endsWith(",,,,,,not run,false,built-in"),
                rows.get(2));
        assertTrue(Files.exists(out.resolve("report.html")));
        assertTrue(Files.readString(dir.resolve("stopped.log")).contains("kestrafol study"
                + " --config " + out.resolve("study.properties") + " --resume"));
    }
}
