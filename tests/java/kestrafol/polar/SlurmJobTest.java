package kestrafol.polar;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.Map;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

class SlurmJobTest {
    @TempDir
    Path dir;

    @Test
    void theBatchScriptRunsTheCommandInTheOutputFolderWhateverItsName() throws Exception {
        // A folder name with a space and a quote must reach the task as one word.
        Path out = dir.resolve("it's a polar");
        SlurmJob job = new SlurmJob(out, 3);
        Path script = job.writeScript(List.of("printf", "[%s]", "$HOME", "a b", "it's"), "short",
                null);
        String text = Files.readString(script);
        assertTrue(text.contains("#SBATCH --array=0-2\n") && text.contains("#SBATCH --partition=short\n")
                && !text.contains("--time"), text);
        ProcessBuilder pb = new ProcessBuilder("bash", script.toString()).redirectErrorStream(true);
        Map<String, String> env = pb.environment();
        env.put("SLURM_ARRAY_TASK_ID", "2");
        env.put("SLURM_ARRAY_JOB_ID", "77");
        Process p = pb.start();
        String output = new String(p.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
        assertEquals(0, p.waitFor(), output);
        assertTrue(output.contains("task 2 of job 77"), output);
        assertTrue(output.contains("[$HOME][a b][it's][--task][2]"), output);
    }

    @Test
    void gatheringGivesEveryCaseARowAndNamesTheLogOfASilentTask() throws Exception {
        Sweep sweep = Sweep.of(Sweep.parseList("--mach", "0.5,0.7"), List.of(),
                Sweep.parseList("--alpha", "0,2"), true);
        SlurmJob job = new SlurmJob(dir, 2);
        Files.createDirectories(job.folder());
        List<PolarCase> first = sweep.chains().get(0);
        PolarCsv.write(List.of(new CaseResult(first.get(1), 0.25, 0.01, 0.01, 0, Double.NaN, 300,
                "iterations", 1.5, 2, ""), new CaseResult(first.get(0), 1e-5, 0.009, 0.009, 0,
                Double.NaN, 300, "iterations", 1.4, 2, "")), job.taskRows(0));
        List<CaseResult> rows = job.gather(sweep, sweep.chains());
        assertEquals(4, rows.size());
        assertEquals(0.25, rows.get(1).cl());
        assertEquals(1e-5, rows.get(0).cl());
        for (CaseResult r : rows.subList(2, 4)) {
            assertEquals("failed", r.stoppedBy());
            assertTrue(r.message().contains("array task 1") && r.message().contains("task-1.log"),
                    r.message());
        }
    }
}
