package kestrafol.cli;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;
import java.io.ByteArrayOutputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import kestrafol.solver.TestSettings;
import kestrafol.ChildJvm;
import kestrafol.mesh.Mesh;
import kestrafol.run.Run;
import kestrafol.polar.CaseFolders;
import kestrafol.polar.PolarCase;
import kestrafol.polar.PolarRow;
import kestrafol.polar.PolarCsv;
import kestrafol.polar.Sweep;
import kestrafol.solver.Solver;
import kestrafol.study.TwoMeshes;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import picocli.CommandLine;
import kestrafol.batch.SlurmJob;
import kestrafol.batch.SlurmSubmission;

/** The polar command end to end on a small built-in mesh. */
class PolarTest {
    @TempDir
    Path dir;

    /** Second order from the start, like the solver driven by hand below. */
    private static final List<String> POLAR = List.of("polar", "--resolution", "32", "--iterations",
            "60", "--startup-first-order", "0", "--mach", "0.5,0.6", "--alpha", "0,2",
            "--no-pictures");

    private static int main(ByteArrayOutputStream text, List<String> args) {
        PrintStream p = new PrintStream(text, true, StandardCharsets.UTF_8);
        return Main.run(args.toArray(new String[0]), p, p, false);
    }

    private static List<String> withOut(List<String> base, Path out, String... more) {
        List<String> a = new ArrayList<>(base);
        a.addAll(List.of(more));
        a.add("--out");
        a.add(out.toString());
        return a;
    }

    /** polar.csv without the wall-time column (history.csv without its last). */
    private static List<String> numbers(Path csv) throws Exception {
        // The run id line aside: iterations and coefficients without the seconds.
        int seconds = csv.endsWith("polar.csv") ? PolarCsv.HEADER.split(",").length - 5 : -1;
        return Files.readAllLines(csv).stream().filter(l -> !l.startsWith("#")).map(l -> {
            if (seconds < 0) {
                return l.substring(0, l.lastIndexOf(','));
            }
            List<String> f = new ArrayList<>(PolarCsv.fields(l));
            f.remove(seconds);
            return String.join(",", f);
        }).toList();
    }

    @Test
    void chainedPolarIsTheSameOnOneOrTwoWorkersAsSlurmTasksAndAsTheSolverDrivenByHand()
            throws Exception {
        Path two = dir.resolve("two");
        List<String> jar = new ArrayList<>(List.of("-jar", ChildJvm.jar()));
        ChildJvm.Result r2 = ChildJvm.run(dir, withOut(concat(jar, POLAR), two, "--chain", "--jobs", "2"));
        assertTrue(r2.output.contains("4 cases (2 Mach x 2 angle), chained"), r2.output);
        assertTrue(r2.output.contains("4 cases: 0 converged, 4 not converged, 0 diverged, 0 failed"), r2.output);
        for (String c : new String[] {"m0.5_a0", "m0.5_a2", "m0.6_a0", "m0.6_a2"}) {
            assertEquals(62, Files.readAllLines(two.resolve(c).resolve("history.csv")).size(), c);
            assertTrue(Files.exists(two.resolve(c).resolve("flow.vtu")), c);
        }
        assertTrue(Files.readString(two.resolve("m0.6_a2/run.log")).contains("continued from the flow"));
        assertFalse(Files.readString(two.resolve("m0.6_a0/run.log")).contains("continued from the flow"));

        Path one = dir.resolve("one");
        ChildJvm.Result r1 = ChildJvm.run(dir, withOut(concat(jar, POLAR), one, "--chain", "--jobs", "1"));
        assertEquals(4, r1.status, r1.output);
        List<String> rows = numbers(two.resolve("polar.csv"));
        assertEquals(5, rows.size());
        assertEquals(rows, numbers(one.resolve("polar.csv")));

        // The second angle of a chain is the first case's solver updated to the new angle.
        Main.RunCommand command = new Main.RunCommand(System.out, false);
        new CommandLine(command).parseArgs("--resolution", "32", "--mach", "0.5", "--alpha", "0");
        RunOptions o = command.validated();
        Mesh mesh = Run.mesh(o.definition());
        double[] cl = new double[2];
        try (Solver s = new Solver(mesh, o.settings(Double.NaN))) {
            for (int k = 0; k < 2; k++) {
                if (k == 1) {
                    s.update(TestSettings.withAlpha(o.settings(Double.NaN), 2));
                }
                for (int it = 0; it < 60; it++) {
                    s.iterate();
                }
                cl[k] = s.analysis().lift();
            }
        }
        // polar.csv holds the toolkit's forces, which match the library's CL to 1e-9 on a closed
        // body; a case started cold instead of carried would be off by far more.
        for (int k = 0; k < 2; k++) {
            String[] f = rows.get(1 + k).split(",");
            assertEquals(k == 0 ? "0" : "2", f[2]);
            assertEquals("60", f[8]);
            assertEquals(cl[k], Double.parseDouble(f[3]), 1e-9 * Math.abs(cl[k]), rows.get(1 + k));
        }

        // Slurm array tasks run from the recorded configuration, gathered: one chain per task
        // (job 5), and both chains packed into one task (job 9).
        Path tasks = dir.resolve("tasks");
        Sweep sweep = Sweep.of(Sweep.parseList("--mach", "0.5,0.6"), List.of(),
                Sweep.parseList("--alpha", "0,2"), true);
        for (String[] t : new String[][] {{"1", "2", "5"}, {"0", "2", "5"}, {"0", "1", "9"}}) {
            ByteArrayOutputStream text = new ByteArrayOutputStream();
            int status = main(text, List.of("polar", "--config", two.resolve("polar.properties")
                    .toString(), "--out", tasks.toString(), "--task", t[0], "--tasks", t[1], "--job", t[2]));
            assertEquals(0, status, text.toString());
        }
        for (String[] job : new String[][] {{"5", "2"}, {"9", "1"}}) {
            List<PolarRow> gathered = new SlurmJob(tasks, 2, Integer.parseInt(job[1]))
                    .gather(sweep, job[0]);
            PolarCsv.write(gathered, tasks.resolve("polar.csv"));
            assertEquals(rows, numbers(tasks.resolve("polar.csv")), "job " + job[0]);
        }

        // "polar --gather" of job 5, its queue empty (squeue stubbed), gives the local polar's
        // results: the same rows, polar.json byte for byte, a report, no pictures, exit status 4
        // (the cases stopped at their cap), and the same lines on the screen.
        Files.copy(two.resolve("polar.properties"), tasks.resolve("polar.properties"));
        new SlurmSubmission("5", 2, "Polar, NACA 0012", "0.5,0.6", "0,2", null, true).write(tasks);
        Path stubs = Files.createDirectories(dir.resolve("stubs"));
        Files.writeString(stubs.resolve("squeue"), "#!/bin/sh\nexit 0\n");
        stubs.resolve("squeue").toFile().setExecutable(true);
        ChildJvm.Result g = ChildJvm.run(dir, java.util.Map.of("PATH", stubs + ":"
                + System.getenv("PATH")), concat(jar, List.of("polar", "--gather", tasks.toString())));
        assertEquals(4, g.status, g.output);
        assertEquals(4, r2.status, r2.output);
        assertEquals(rows, numbers(tasks.resolve("polar.csv")));
        assertEquals(Files.readString(two.resolve("polar.json")), Files.readString(tasks.resolve("polar.json")));
        assertTrue(Files.exists(tasks.resolve("report.html")));
        assertFalse(Files.exists(tasks.resolve("polar.png")) || Files.exists(tasks.resolve("cp-all.png")));
        String derived = r2.output.substring(r2.output.indexOf("4 cases: "), r2.output.indexOf("Results in"));
        assertTrue(g.output.contains(derived), derived + " // " + g.output);
    }

    private static List<String> concat(List<String> a, List<String> b) {
        List<String> c = new ArrayList<>(a);
        c.addAll(b);
        return c;
    }

    @Test
    void resumeKeepsOnlyRunsMadeAsNowWhereverTheFolderLives() throws Exception {
        Path airfoil = AirfoilCommandTest.seligFile(dir.resolve("naca0012.dat"), "0012", 1, 0, 0, 0)
                .toAbsolutePath().normalize();
        String relative = Path.of("").toAbsolutePath().relativize(airfoil).toString();
        List<String> polar = List.of("polar", "--airfoil", relative, "--resolution", "32",
                "--iterations", "40", "--mach", "0.5", "--alpha", "0,2", "--no-pictures");
        Path first = dir.resolve("first");
        ByteArrayOutputStream text = new ByteArrayOutputStream();
        main(text, withOut(polar, first));
        // Recorded paths are absolute: the printed command works from any folder.
        String recorded = Files.readString(first.resolve("polar.properties"));
        assertTrue(recorded.contains("airfoil = " + airfoil.toString().replace(":", "\\:")),
                recorded);
        // A copy resumes in place of the original: every case kept.
        Path copy = dir.resolve("copy");
        try (var files = Files.walk(first)) {
            for (Path f : files.toList()) {
                Files.copy(f, copy.resolve(first.relativize(f).toString()));
            }
        }
        text.reset();
        assertEquals(4, main(text, withOut(polar, copy, "--resume")), text.toString());
        assertTrue(text.toString().contains("Resumed: 2 of 2 cases kept"), text.toString());
        // Another option: no earlier run is a row of this polar, each runs again.
        List<PolarCase> cases = Sweep.of(Sweep.parseList("--mach", "0.5"), List.of(),
                Sweep.parseList("--alpha", "0,2"), true).cases();
        for (PolarRow r : CaseFolders.rows(cases, copy, List.of(), c -> false)) {
            assertEquals("not run", r.result().stop().key());
        }
        // A raised cap: no case is kept, each continues from the checkpoint at its old cap.
        text.reset();
        List<String> changed = new ArrayList<>(polar);
        changed.set(changed.indexOf("40"), "41");
        assertEquals(4, main(text, withOut(changed, copy, "--resume")), text.toString());
        assertTrue(text.toString().contains("Resumed: 0 of 2 cases kept from their folders, 2"
                + " continued from their checkpoints"), text.toString());
        for (String row : numbers(copy.resolve("polar.csv")).subList(1, 3)) {
            assertTrue(row.contains(",41,iterations,"), row);
        }
    }

    @Test
    void anInterruptedPolarStillWritesARowForEveryCase() throws Exception {
        Path out = dir.resolve("stopped");
        List<String> command = new ArrayList<>(List.of(Path.of(System.getProperty("java.home"), "bin",
                "java").toString(), "-Djava.awt.headless=true", "-jar", ChildJvm.jar(), "polar",
                "--resolution", "32", "--iterations", "3000", "--cauchy", "0/0", "--mach", "0.5",
                "--alpha", "0,2,4", "--jobs", "1", "--cold", "--no-pictures", "--out", out.toString()));
        Process p = new ProcessBuilder(command).redirectErrorStream(true)
                .redirectOutput(dir.resolve("stopped.log").toFile()).start();
        // The second case's log appears once the first case's row is in.
        Path secondLog = out.resolve("m0.5_a2/run.log");
        long deadline = System.nanoTime() + 240_000_000_000L;
        while (!Files.exists(secondLog)) {
            assertTrue(p.isAlive() && System.nanoTime() < deadline, Files.readString(dir.resolve("stopped.log")));
            Thread.sleep(100);
        }
        p.destroy(); // SIGTERM: the running case stops after its iteration, no other starts
        assertEquals(143, p.waitFor());
        List<String> rows = Files.readAllLines(out.resolve("polar.csv"));
        assertEquals(4, rows.size(), rows.toString());
        assertTrue(rows.get(1).startsWith("0.5,,0,") && rows.get(1).contains(",3000,iterations,"), rows.get(1));
        // The running case wrote what it reached, summary included; the last one never started.
        assertTrue(rows.get(2).startsWith("0.5,,2,0.") && rows.get(2).contains(",interrupted,false,"),
                rows.get(2));
        assertTrue(Files.readString(out.resolve("m0.5_a2/summary.json"))
                .contains("\"stoppedBy\": \"interrupted\""));
        assertTrue(rows.get(3).startsWith("0.5,,4,,,,,,0,not run,false,"), rows.get(3));
        // The pages say what happened: one case not run, the status the process exited with.
        assertTrue(Files.readString(out.resolve("polar.json")).contains("\"exitStatus\": 143"));
        assertTrue(Files.readString(out.resolve("report.html")).contains(
                "3 cases: 0 converged, 2 not converged, 0 diverged, 0 failed, 1 not run"));
        String log = Files.readString(dir.resolve("stopped.log"));
        assertTrue(log.contains("Interrupted: 1 of 3 cases finished") && log.contains(
                "kestrafol polar --config " + out.resolve("polar.properties") + " --resume"), log);
    }

    @Test
    void dryRunWritesAJobArrayOfOneTaskPerCaseOrChain() throws Exception {
        Path out = dir.resolve("dry");
        for (String mode : new String[] {"--cold", "--chain"}) {
            ByteArrayOutputStream text = new ByteArrayOutputStream();
            assertEquals(0, main(text, withOut(POLAR, out, mode, "--slurm-dry-run", "--partition",
                    "short", "--time", "0:10:00")), text.toString());
            String script = Files.readString(out.resolve("slurm/polar.sbatch"));
            String tasks = mode.equals("--cold") ? "4" : "2";
            assertTrue(text.toString().contains("Submit it with: sbatch --parsable --array=0-"
                    + (Integer.parseInt(tasks) - 1) + " --chdir=" + out.resolve("slurm")
                    + " --output=" + out.resolve("slurm") + "/task-%A-%a.log --partition=short --time=0:10:00 "
                    + out.resolve("slurm/polar.sbatch")), text.toString());
            assertTrue(text.toString().contains("Estimated CPU time: under 1 CPU second (4 cases x 60 iterations x "), text.toString());
            assertTrue(script.contains(" polar --config " + out.resolve("polar.properties")
                    + " --task \"$SLURM_ARRAY_TASK_ID\" --tasks " + tasks
                    + " --job \"$SLURM_ARRAY_JOB_ID\"\n"), script);
            Process syntax = new ProcessBuilder("bash", "-n", out.resolve("slurm/polar.sbatch")
                    .toString()).redirectErrorStream(true).start();
            assertEquals(0, syntax.waitFor());
            assertFalse(Files.exists(out.resolve("polar.csv")));
            String config = Files.readString(out.resolve("polar.properties"));
            assertTrue(config.contains("mach = 0.5,0.6\nalpha = 0,2\n"), config);
        }
    }

    /**
     * Each case's bars are the two-mesh index against its coarser run: 2.5 |f - fc| / (N / Nc - 1)
     * for the finer mesh's N nodes and the coarser one's Nc (h as 1 / sqrt(N), order 2), the same
     * in polar.csv, polar.json, report.html and the case's summary.json.
     */
    @Test
    void errorEstimateGivesEveryCaseItsTwoMeshBars() throws Exception {
        Path out = dir.resolve("bars");
        ByteArrayOutputStream text = new ByteArrayOutputStream();
        int status = main(text, withOut(List.of("polar", "--resolution", "24", "--iterations",
                "150", "--mach", "0.5", "--alpha", "0,2", "--chain", "--jobs", "1",
                "--no-pictures", "--error-estimate"), out));
        assertEquals(4, status, text.toString());
        assertTrue(text.toString().contains("; the coarser meshes of the error estimate "),
                text.toString());
        String json = Files.readString(out.resolve("polar.json"));
        String html = Files.readString(out.resolve("report.html"));
        // An inviscid polar says on screen and on its page that its drag is numerical.
        assertTrue(text.toString().contains("\nDrag here is numerical: the inviscid method"),
                text.toString());
        assertTrue(html.contains("<p id=\"drag-note\""), html);
        List<String> lines = Files.readAllLines(out.resolve("polar.csv"));
        assertEquals(PolarCsv.HEADER, lines.get(0));
        String[] columns = PolarCsv.HEADER.split(",");
        for (String line : lines.subList(1, lines.size())) {
            List<String> f = PolarCsv.fields(line);
            String folder = "m0.5_a" + f.get(2);
            Path coarse = out.resolve(folder).resolve(TwoMeshes.FOLDER);
            String fine = Files.readString(out.resolve(folder).resolve("summary.json"));
            String c = Files.readString(coarse.resolve("summary.json"));
            double ratio = json(fine, "nodes") / json(c, "nodes");
            for (String k : List.of("cl", "cd", "cm")) {
                double band = Double.parseDouble(f.get(List.of(columns).indexOf(k + "Error")));
                double want = 2.5 * Math.abs(json(fine, k) - json(c, k)) / (ratio - 1);
                assertEquals(want, band, 1e-12 * want, folder + " " + k);
                assertEquals(band, json(fine, k + "Error"), 0, folder + " " + k);
                assertTrue(json.contains("\"" + k + "Error\": " + Double.toString(band)
                        .toLowerCase(java.util.Locale.ROOT)), k + " in " + json);
                assertTrue(html.contains("data-column=\"" + k + "Error\" data-value=\"" + band
                        + "\">\u00b1 "), k + " in " + html);
            }
            assertEquals("true", f.get(17), line);
        }
        // The coarser mesh runs chained too; the console and the page give the bars and the rule.
        assertTrue(Files.readString(out.resolve("m0.5_a2").resolve("coarser/run.log"))
                .contains("continued from the flow"));
        assertTrue(text.toString().contains("Mach 0.5, alpha 2: NOT CONVERGED, CL "), text.toString());
        assertTrue(text.toString().matches("(?s).*alpha 2: NOT CONVERGED, CL [-0-9.]+ \\+- [0-9.e-]+"
                + " CD [-0-9.]+ \\+- [0-9.e-]+ CM .*"), text.toString());
        assertTrue(html.contains("Bands: two-mesh grid convergence index against a coarser mesh"
                + " of 16 points around the body"), html);
    }

    private static double json(String json, String key) {
        java.util.regex.Matcher m = java.util.regex.Pattern.compile("\"" + key
                + "\": (-?[0-9.eE+-]+)").matcher(json);
        assertTrue(m.find(), key + " in " + json);
        return Double.parseDouble(m.group(1));
    }

    @Test
    void badPolarOptionsExit2AndCaseFilesDriveRun() throws Exception {
        // option given, a word the message must hold
        String[][] table = {{"--alpha", "0:0:2", "--alpha"}, {"--jobs", "0", "--jobs"},
            {"--viscous", "--reynolds"}, {"--reynolds", "1000", "--reynolds"},
            {"--detach", "--detach"}, {"--slurm", "--partition", "a\n#SBATCH --wrap=id", "--partition"},
            {"--slurm", "--time", "1:00\nid", "--time"}, {"--slurm", "--mesh", "x.su2 ", "--mesh"}, {"--gather", "x", "--jobs", "2", "--gather"},
            {"--alpha", "0:0.002:10", "--yes"}, {"--error-estimate", "--mesh", "x.su2",
                "--error-estimate needs a built-in body"}};
        for (String[] bad : table) {
            ByteArrayOutputStream text = new ByteArrayOutputStream();
            List<String> given = List.of(bad).subList(0, bad.length - 1);
            List<String> polar = new ArrayList<>(POLAR);
            int listed = polar.indexOf(given.get(0));
            if (listed >= 0) {
                polar.subList(listed, listed + 2).clear();
            }
            assertEquals(2, main(text, withOut(polar, dir.resolve("bad"), given.toArray(new String[0]))),
                    given + ": " + text);
            assertTrue(text.toString().contains(bad[bad.length - 1]), given + ": " + text);
        }
        assertTrue(!Files.exists(dir.resolve("bad/polar.properties")));
        Path file = dir.resolve("case.properties");
        Files.writeString(file, "mach = 0.6\nalpha = 1\nresolution = 32\niterations = 3\nno-pictures = true\n");
        ByteArrayOutputStream text = new ByteArrayOutputStream();
        assertEquals(4, main(text, List.of("run", "--config", file.toString(), "--alpha", "3",
                "--out", dir.resolve("run").toString())), text.toString());
        assertTrue(text.toString().contains("Flow: Mach 0.6, alpha 3 deg"), text.toString());
        assertTrue(text.toString().contains("reached the cap of 3 iterations"), text.toString());
        // The run records its full configuration; running from that file repeats it exactly.
        Path recorded = dir.resolve("run/case.properties");
        assertTrue(Files.readString(recorded).contains("resolution = 32\n"));
        assertEquals(4, main(new ByteArrayOutputStream(), List.of("run", "--config",
                recorded.toString(), "--out", dir.resolve("again").toString())));
        assertEquals(numbers(dir.resolve("run/history.csv")), numbers(dir.resolve("again/history.csv")));
    }
}
