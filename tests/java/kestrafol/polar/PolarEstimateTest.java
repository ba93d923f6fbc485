package kestrafol.polar;

import static org.junit.jupiter.api.Assertions.assertEquals;
import org.junit.jupiter.api.Test;

class PolarEstimateTest {
    @Test
    void theBoundIsCasesTimesCapTimesNodesAtTheMeasuredCost() {
        // 18 cases x 9,504 iterations x 3,168 nodes x 1.1 us = 596.2 s, about 10 minutes.
        assertEquals(596.15, PolarEstimate.cpuSeconds(18, 3168, 9504, false), 0.01);
        assertEquals(596.15 * 1.15, PolarEstimate.cpuSeconds(18, 3168, 9504, true), 0.01);
        Object[][] table = {
            {18L, 3168, 9504, false, "at most 10 CPU minutes (18 cases x 9,504 iterations x 3,168 nodes)"},
            {1L, 1000, 50, true, "under 1 CPU second (1 case x 50 iterations x 1,000 nodes, viscous)"},
            {10_201L, 528, 50, false, "at most 5 CPU minutes (10,201 cases x 50 iterations x 528 nodes)"},
            {1_000_000L, 3168, 9504, false, "at most 383.3 CPU days (1,000,000 cases x 9,504 iterations x 3,168 nodes)"},
        };
        for (Object[] r : table) {
            assertEquals(r[4], PolarEstimate.describe((Long) r[0], (Integer) r[1], (Integer) r[2],
                    (Boolean) r[3]));
        }
    }
}
