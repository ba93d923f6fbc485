package kestrafol.batch;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.stream.IntStream;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import kestrafol.polar.Rows;
import kestrafol.base.ShellQuoting;
import kestrafol.polar.PolarCase;
import kestrafol.polar.PolarCsv;
import kestrafol.polar.PolarRow;
import kestrafol.polar.Sweep;

class SlurmJobTest {
    @TempDir
    Path dir;

    /** A folder name that breaks every unquoted use: space, quotes, %j, $, a command, newline. */
    static final String HOSTILE = "it's a \"polar\" %j $HOME $(touch pwned) `touch pwned2`\\x\nnaca = 4412";

    private static Sweep sweep(String machs, String alphas, boolean chained) {
        return Sweep.of(Sweep.parseList("--mach", machs), List.of(), Sweep.parseList("--alpha", alphas),
                chained);
    }

    @Test
    void theBatchScriptRunsExactlyTheIntendedCommandWhateverTheNames() throws Exception {
        Path out = dir.resolve(HOSTILE);
        Path printer = dir.resolve("print args");
        Files.writeString(printer, "#!/bin/bash\nprintf '%s\\0' \"$@\" > \"$ARGS_FILE\"\n");
        printer.toFile().setExecutable(true);
        List<String> command = List.of(printer.toString(), "-Dx=$(touch pwned3)", "polar",
                "--config", out.resolve("polar.properties").toString());
        SlurmJob job = new SlurmJob(out, 5, 3);
        Path script = job.writeScript(command);

        // No user value in the lines sbatch reads as options.
        String text = Files.readString(script);
        List<String> directives = text.lines().filter(l -> l.startsWith("#SBATCH")).toList();
        assertEquals(List.of("#SBATCH --job-name=kestrafol-polar", "#SBATCH --ntasks=1",
                "#SBATCH --cpus-per-task=1"), directives);
        Process syntax = new ProcessBuilder("bash", "-n", script.toString()).redirectErrorStream(true)
                .start();
        assertEquals(0, syntax.waitFor(), new String(syntax.getInputStream().readAllBytes()));

        Path args = dir.resolve("args");
        ProcessBuilder pb = new ProcessBuilder("bash", script.toString()).directory(dir.toFile())
                .redirectErrorStream(true);
        pb.environment().put("SLURM_ARRAY_TASK_ID", "2");
        pb.environment().put("SLURM_ARRAY_JOB_ID", "77");
        pb.environment().put("ARGS_FILE", args.toString());
        Process p = pb.start();
        String output = new String(p.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
        assertEquals(0, p.waitFor(), output);
        List<String> expected = new ArrayList<>(command.subList(1, command.size()));
        expected.addAll(List.of("--task", "2", "--tasks", "3", "--job", "77"));
        String got = Files.readString(args, StandardCharsets.UTF_8);
        assertEquals(expected, Arrays.asList(got.substring(0, got.length() - 1).split("\0", -1)));
        for (String f : new String[] {"pwned", "pwned2", "pwned3"}) {
            assertFalse(Files.exists(dir.resolve(f)), f);
        }

        // Folder, logs, partition and time go to sbatch as single arguments.
        assertEquals(List.of("sbatch", "--parsable", "--array=0-2", "--chdir=" + out.resolve("slurm"),
                "--output=" + out.resolve("slurm").toString().replace("%j", "%%j") + "/task-%A-%a.log",
                "--partition=short", "--time=0:10:00", script.toString()),
                job.sbatchCommand("short", "0:10:00"));
        // The printed submit line, pasted into bash with sbatch stubbed, gives sbatch that argv.
        List<String> sbatch = job.sbatchCommand("short", "0:10:00");
        Process paste = new ProcessBuilder("bash", "-c", "sbatch() { printf '%s\\0' \"$@\"; }; "
                + kestrafol.base.ShellQuoting.commandLine(sbatch)).directory(dir.toFile()).start();
        String pasted = new String(paste.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
        assertEquals(0, paste.waitFor());
        assertEquals(sbatch.subList(1, sbatch.size()),
                Arrays.asList(pasted.substring(0, pasted.length() - 1).split("\0", -1)));
        assertEquals(out.resolve("slurm/77/task-2.csv"), job.taskRows("77", 2));
        assertEquals(out.resolve("slurm/task-77-2.log"), job.taskLog("77", 2));
    }

    @Test
    void partitionAndTimeThatSlurmCannotTakeAreRefusedNamingTheOption() {
        for (String[] bad : new String[][] {{"short\n#SBATCH --wrap=x", null}, {"a b", null},
                {"", null}, {null, "1:00\n"}, {null, "soon"}, {null, "$(id)"}, {null, "1::0"}}) {
            IllegalArgumentException e = assertThrows(IllegalArgumentException.class,
                    () -> SlurmJob.checkOptions(Path.of("/x"), bad[0], bad[1]), Arrays.toString(bad));
            assertTrue(e.getMessage().startsWith(bad[0] != null ? "--partition" : "--time")
                    && !e.getMessage().contains("\n"), e.getMessage());
        }
        for (String time : new String[] {"30", "1:00:00", "2-12:00:00", "45:00", "UNLIMITED"}) {
            SlurmJob.checkOptions(Path.of(HOSTILE.replace("\\", "")), "gpu-long.v2", time);
        }
        IllegalArgumentException e = assertThrows(IllegalArgumentException.class,
                () -> SlurmJob.checkOptions(Path.of("/runs/a\\b"), null, null));
        assertTrue(e.getMessage().startsWith("--out") && e.getMessage().contains("backslash"),
                e.getMessage());
    }

    @Test
    void unitsArePackedIntoAtMostMaxArraySizeTasksOfNearlyEqualShare() {
        // units, MaxArraySize, expected share of each task
        Object[][] table = {
            {10, 3, List.of(3, 3, 4)},
            {4, 1001, List.of(1, 1, 1, 1)},
            {7, 7, List.of(1, 1, 1, 1, 1, 1, 1)},
            {5, 1, List.of(5)},
            {1, 5, List.of(1)},
            {12_000, 1001, null},
        };
        for (Object[] row : table) {
            int units = (Integer) row[0];
            int tasks = SlurmJob.tasksFor(units, (Integer) row[1]);
            SlurmJob job = new SlurmJob(dir, units, tasks);
            List<Integer> all = IntStream.range(0, units).boxed().toList();
            List<Integer> joined = new ArrayList<>();
            List<Integer> shares = new ArrayList<>();
            for (int n = 0; n < tasks; n++) {
                joined.addAll(job.unitsOf(n, all));
                shares.add(job.unitsOf(n, all).size());
            }
            assertEquals(all, joined, "every unit exactly once, in order: " + Arrays.toString(row));
            assertTrue(shares.stream().mapToInt(Integer::intValue).max().getAsInt()
                    - shares.stream().mapToInt(Integer::intValue).min().getAsInt() <= 1, shares.toString());
            if (row[2] != null) {
                assertEquals(row[2], shares);
            } else {
                assertEquals(1001, tasks);
            }
        }
        assertThrows(IllegalArgumentException.class, () -> SlurmJob.tasksFor(4, 0));
        assertEquals(3, SlurmJob.parseMaxArraySize("MaxArraySize            = 3\nMaxJobCount = 10000\n"));
        assertEquals(75001, SlurmJob.parseMaxArraySize("MaxJobCount = 10000\n  MaxArraySize = 75001\n"));
        assertEquals(SlurmJob.DEFAULT_MAX_ARRAY_SIZE, SlurmJob.parseMaxArraySize("ClusterName = x\n"));
    }

    @Test
    void gatheringTakesOnlyTheRowsOfTheRecordedJobAndNamesTheLogOfASilentTask() throws Exception {
        // Four cold cases packed into three tasks: task 0 has cases 0, task 1 case 1, task 2
        // cases 2 and 3.
        Sweep sweep = sweep("0.5,0.7", "0,2", false);
        SlurmJob job = new SlurmJob(dir, 4, 3);
        List<PolarCase> cases = sweep.cases();
        List<PolarRow> old = new ArrayList<>();
        for (PolarCase c : cases) {
            old.add(Rows.row(c, 9, 9, 9, 0, Double.NaN, 300, "iterations", 1, 2, ""));
        }
        for (int n = 0; n < 3; n++) {
            Files.createDirectories(job.taskRows("111", n).getParent());
            PolarCsv.write(old, job.taskRows("111", n));
        }
        // Job 222 answered for task 2 only (both of its cases); tasks 0 and 1 were cancelled.
        Files.createDirectories(job.taskRows("222", 2).getParent());
        PolarCsv.write(List.of(Rows.row(cases.get(3), 0.25, 0.01, 0.01, 0, Double.NaN, 300,
                "iterations", 1.5, 2, ""), Rows.row(cases.get(2), 1e-5, 0.009, 0.009, 0,
                Double.NaN, 300, "iterations", 1.4, 2, "")), job.taskRows("222", 2));
        List<PolarRow> rows = job.gather(sweep, "222");
        assertEquals(4, rows.size());
        assertEquals(1e-5, rows.get(2).result().cl());
        assertEquals(0.25, rows.get(3).result().cl());
        for (int k = 0; k < 2; k++) {
            PolarRow r = rows.get(k);
            assertEquals("failed", r.result().stop().key());
            assertTrue(Double.isNaN(r.result().cl()));
            assertTrue(r.result().message().contains("array task " + k + " of job 222")
                    && r.result().message().contains("task-222-" + k + ".log"), r.result().message());
        }
    }

    @Test
    void theSubmissionRecordReadsBackWithItsSweep() throws Exception {
        Path out = dir.resolve(HOSTILE);
        SlurmSubmission s = new SlurmSubmission("4711", 3, "Polar, " + HOSTILE, "0.5,0.7", "-2:2:2",
                null, true);
        s.write(out);
        assertEquals(s, SlurmSubmission.read(out));
        assertEquals(6, s.sweep().cases().size());
        assertEquals(2, s.sweep().chains().size());
        SlurmSubmission viscous = new SlurmSubmission("12", 1, "t", "0.2", "0,1", "1000,2000", false);
        viscous.write(out);
        assertEquals(4, SlurmSubmission.read(out).sweep().chains().size());

        Files.writeString(SlurmSubmission.file(out), "job = 12a\ntasks = 3\n");
        assertTrue(assertThrows(java.io.IOException.class, () -> SlurmSubmission.read(out))
                .getMessage().contains("submission.properties"));
        SlurmSubmission.forget(out);
        assertTrue(assertThrows(java.io.IOException.class, () -> SlurmSubmission.read(out))
                .getMessage().contains("holds no Slurm polar"));
    }
}
