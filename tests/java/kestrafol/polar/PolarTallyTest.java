package kestrafol.polar;

import static org.junit.jupiter.api.Assertions.assertEquals;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import kestrafol.run.CaseResult;
import kestrafol.run.StopReason;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * How cases count and what a polar exits with: from the run's verdict, never from the stop
 * reason alone (a criterion may fire on a flow the verdict refuses).
 */
class PolarTallyTest {
    private static final Sweep SWEEP = Sweep.of(Sweep.parseList("--mach", "0.5"), List.of(),
            Sweep.parseList("--alpha", "0:1:3"), true);

    @TempDir
    Path dir;

    /** "cauchy+" a run the verdict accepted, "cauchy-" one it refused; no coefficients for failed, diverged, not run. */
    private static PolarRow row(int k, String cell) {
        PolarCase c = SWEEP.cases().get(k);
        String stop = cell.replaceAll("[+-]$", "");
        StopReason reason = StopReason.parse(stop);
        if (reason == StopReason.FAILED || reason == StopReason.DIVERGED
                || reason == StopReason.NOT_RUN) {
            return PolarRow.without(c, reason, "");
        }
        return new PolarRow(c, new CaseResult(0.1 * k, 0.01, 0.01, 0, 0, 10, reason, 1, 1,
                cell.endsWith("+"), List.of(), "", ""));
    }

    private static final Object[][] TABLE = {
        {List.of("orders+", "cauchy+"), "2 cases: 2 converged, 0 not converged, 0 diverged, 0 failed", 0},
        // The criterion fired, the verdict refused it (floor nodes, a residual barely down).
        {List.of("cauchy-"), "1 case: 0 converged, 1 not converged, 0 diverged, 0 failed", 4},
        {List.of("orders+", "cauchy-", "cauchy+"), "3 cases: 2 converged, 1 not converged, 0 diverged, 0 failed", 4},
        {List.of("orders+", "iterations-"), "2 cases: 1 converged, 1 not converged, 0 diverged, 0 failed", 4},
        {List.of("interrupted-", "not run"), "2 cases: 0 converged, 1 not converged, 0 diverged, 0 failed, 1 not run", 4},
        {List.of("iterations-", "diverged"), "2 cases: 0 converged, 1 not converged, 1 diverged, 0 failed", 3},
        {List.of("diverged", "failed", "cauchy+"), "3 cases: 1 converged, 0 not converged, 1 diverged, 1 failed", 1},
    };

    private static List<PolarRow> rows(Object[] t) {
        @SuppressWarnings("unchecked")
        List<String> cells = (List<String>) t[0];
        List<PolarRow> rows = new ArrayList<>();
        for (int k = 0; k < cells.size(); k++) {
            rows.add(row(k, cells.get(k)));
        }
        return rows;
    }

    @Test
    void everyStatusCountsAndTheWorstDecidesTheExitStatus() {
        for (Object[] t : TABLE) {
            PolarTally tally = PolarTally.of(rows(t));
            assertEquals(t[1], tally.line(), t[0].toString());
            assertEquals(t[2], tally.exitStatus(), t[0].toString());
        }
    }

    /** The same counts from polar.csv read back (a Slurm task's rows, a gathered polar). */
    @Test
    void theVerdictSurvivesPolarCsv() throws Exception {
        Path file = dir.resolve("polar.csv");
        for (Object[] t : TABLE) {
            PolarCsv.write(rows(t), file);
            PolarTally tally = PolarTally.of(PolarCsv.read(file, SWEEP));
            assertEquals(t[1], tally.line(), t[0].toString());
            assertEquals(t[2], tally.exitStatus(), t[0].toString());
        }
    }
}
