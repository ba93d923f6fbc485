package kestrafol.batch;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import java.io.ByteArrayOutputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.util.List;
import org.junit.jupiter.api.Test;
import kestrafol.polar.Rows;
import kestrafol.polar.Sweep;

/** The progress of a polar: its lines and the time left from the cases finished. */
class PolarProgressTest {
    @Test
    void timeLeftIsTheMeanFinishedCaseOverTheWorkersAndLinesSayNotConverged() {
        Sweep sweep = Sweep.of(Sweep.parseList("--mach", "0.5"), List.of(),
                Sweep.parseList("--alpha", "0:1:9"), false);
        ByteArrayOutputStream text = new ByteArrayOutputStream();
        PolarProgress p = new PolarProgress(new PrintStream(text, true, StandardCharsets.UTF_8),
                false, 10, 4);
        assertTrue(Double.isNaN(p.secondsLeft()), "nothing finished, no estimate");
        // Cases of 10 s and 30 s: 20 s each on average, 8 left on 4 workers: 40 s.
        p.finished(Rows.row(sweep.cases().get(0), 0.1, 0.01, 0.01, 0, 0, 100, "orders", 6, 10, ""));
        p.finished(Rows.row(sweep.cases().get(1), 0.2, 0.01, 0.01, 0, 0, 900, "iterations", 1, 30, ""));
        assertEquals(40, p.secondsLeft(), 1e-12);
        // Seven more of 20 s: 1 left, on one worker only: 20 s.
        for (int k = 2; k < 9; k++) {
            p.finished(Rows.row(sweep.cases().get(k), 0.2, 0.01, 0.01, 0, 0, 9, "cauchy", 2, 20, ""));
        }
        assertEquals(20, p.secondsLeft(), 1e-12);
        String[] lines = text.toString(StandardCharsets.UTF_8).split("\n");
        assertTrue(lines[0].startsWith("[ 1/10] Mach 0.5, alpha 0: CL 0.10000"), lines[0]);
        assertTrue(lines[1].startsWith("[ 2/10] Mach 0.5, alpha 1: NOT CONVERGED, CL 0.20000"), lines[1]);
        assertTrue(lines[1].endsWith(", about 0:40 left"), lines[1]);
        assertEquals("1:05:00", PolarProgress.time(3900));
    }
}
