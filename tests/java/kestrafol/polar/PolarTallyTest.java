package kestrafol.polar;

import static org.junit.jupiter.api.Assertions.assertEquals;
import java.util.ArrayList;
import java.util.List;
import org.junit.jupiter.api.Test;

/** How cases count and what a polar exits with. */
class PolarTallyTest {
    private static final Sweep SWEEP = Sweep.of(Sweep.parseList("--mach", "0.5"), List.of(),
            Sweep.parseList("--alpha", "0:1:3"), true);

    private static CaseResult row(int k, String stoppedBy) {
        PolarCase c = SWEEP.cases().get(k);
        return stoppedBy.equals("failed") || stoppedBy.equals("diverged")
                ? CaseResult.failed(c, stoppedBy, "")
                : new CaseResult(c, 0.1, 0.01, 0.01, 0, 0, 10, stoppedBy, 1, 1, "");
    }

    @Test
    void everyStatusCountsAndTheWorstDecidesTheExitStatus() {
        Object[][] table = {
            {List.of("orders", "cauchy"), "2 cases: 2 converged, 0 not converged, 0 diverged, 0 failed", 0},
            {List.of("orders", "iterations"), "2 cases: 1 converged, 1 not converged, 0 diverged, 0 failed", 4},
            {List.of("interrupted"), "1 case: 0 converged, 1 not converged, 0 diverged, 0 failed", 4},
            {List.of("iterations", "diverged"), "2 cases: 0 converged, 1 not converged, 1 diverged, 0 failed", 3},
            {List.of("diverged", "failed", "cauchy"), "3 cases: 1 converged, 0 not converged, 1 diverged, 1 failed", 1},
        };
        for (Object[] t : table) {
            @SuppressWarnings("unchecked")
            List<String> stops = (List<String>) t[0];
            List<CaseResult> rows = new ArrayList<>();
            for (int k = 0; k < stops.size(); k++) {
                rows.add(row(k, stops.get(k)));
            }
            PolarTally tally = PolarTally.of(rows);
            assertEquals(t[1], tally.line(), stops.toString());
            assertEquals(t[2], tally.exitStatus(), stops.toString());
        }
        // An interrupted case without coefficients ran to nothing: failed, not "not converged".
        assertEquals(CaseResult.Status.FAILED, CaseResult.failed(SWEEP.cases().get(0),
                "interrupted", "stopped").status());
    }
}
