package kestrafol.batch;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import kestrafol.run.CaseResult;
import kestrafol.run.Run;
import kestrafol.run.StopReason;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import kestrafol.study.Ladder;

/** What a study's array tasks report and how the submitting side takes it back. */
class SlurmStudyTest {
    @TempDir
    Path dir;

    private List<Ladder.Level> ladder(int n) {
        List<Ladder.Level> levels = new ArrayList<>();
        for (int k = 1; k <= n; k++) {
            levels.add(new Ladder.Level(k, 40 - 6 * k, null, dir.resolve("level" + k)));
        }
        return levels;
    }

    private static CaseResult result(double cl, double cd, String stoppedBy, boolean converged,
            List<String> warnings) {
        return new CaseResult(cl, cd, cd * 0.75, cd * 0.25, -cl / 7, 1234,
                StopReason.parse(stoppedBy), 1.0 / 3, 0.1 + 0.2, converged, warnings, "run-7", "");
    }

    @Test
    void outcomesSurviveTheTaskFileBitForBitAndOnlyTheSubmittedJobCounts() throws Exception {
        List<Ladder.Level> levels = ladder(4);
        // 4 levels in 3 tasks: task 0 has level 1, task 1 level 2, task 2 levels 3 and 4.
        SlurmJob job = new SlurmJob(dir, "study", 4, 3);
        assertEquals(dir.resolve("slurm/study.sbatch"), job.script());
        Ladder.Outcome l1 = new Ladder.Outcome(levels.get(0), 1056, Double.NaN,
                result(Math.nextUp(0.1), 4.9e-324, "cauchy", true, List.of()));
        Ladder.Outcome l3 = new Ladder.Outcome(levels.get(2), 420, Double.NaN,
                result(Double.NaN, Double.NEGATIVE_INFINITY, "diverged", false, List.of()));
        Ladder.Outcome l4 = Ladder.Outcome.failed(levels.get(3), "cannot read \"a, b.dat\", line 3");
        // Job 7 is the submitted one; its task 1 never reported. Job 6, an earlier job in the
        // same folder, did report level 2: that must not fill in for it.
        Files.createDirectories(job.taskRows("7", 0).getParent());
        Files.createDirectories(job.taskRows("6", 1).getParent());
        SlurmStudy.write(List.of(l1), job.taskRows("7", 0));
        SlurmStudy.write(List.of(l3, l4), job.taskRows("7", 2));
        SlurmStudy.write(List.of(new Ladder.Outcome(levels.get(1), 608, Double.NaN,
                result(0.5, 0.01, "cauchy", true, List.of()))), job.taskRows("6", 1));

        List<Ladder.Outcome> got = SlurmStudy.outcomes(job, "7", levels);
        assertEquals(4, got.size());
        CaseResult r = got.get(0).result();
        assertEquals(Math.nextUp(0.1), r.cl(), 0);
        assertEquals(4.9e-324, r.cd(), 0);
        assertEquals(4.9e-324 * 0.75, r.cdPressure(), 0);
        assertEquals(-Math.nextUp(0.1) / 7, r.cm(), 0);
        assertEquals(1.0 / 3, r.residualDrop(), 0);
        assertEquals(1234, r.iterations());
        assertEquals(0, r.exitStatus());
        assertEquals(1056, got.get(0).nodes());
        assertEquals(1.0, got.get(0).h(), 0);

        assertEquals("run-7", r.runId());
        assertTrue(got.get(1).failed());
        assertEquals("array task 1 of job 7 reported no result; see "
                + job.taskLog("7", 1), got.get(1).result().message());

        CaseResult diverged = got.get(2).result();
        assertTrue(Double.isNaN(diverged.cl()));
        assertEquals(Double.NEGATIVE_INFINITY, diverged.cd(), 0);
        assertEquals(Run.EXIT_DIVERGED, diverged.exitStatus());
        assertEquals(Math.sqrt(1056.0 / 420), got.get(2).h(), 0);

        assertTrue(got.get(3).failed());
        assertEquals("cannot read \"a, b.dat\", line 3", got.get(3).result().message());
        assertTrue(Double.isNaN(got.get(3).h()));

        // A damaged file is refused naming its file and line, not read as numbers.
        Path bad = dir.resolve("bad.csv");
        Files.writeString(bad, SlurmStudy.HEADER
                + "\n9,1,0.1,0.1,0.1,0,0,1,cauchy,true,1,1,,,\n");
        java.io.IOException e = assertThrows(java.io.IOException.class,
                () -> SlurmStudy.read(bad, levels));
        assertTrue(e.getMessage().startsWith(bad + ": line 2: no level 9"), e.getMessage());
    }
}
