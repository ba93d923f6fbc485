package kestrafol.study;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.List;
import kestrafol.run.CaseResult;
import kestrafol.run.ErrorBars;
import kestrafol.run.StopReason;
import org.junit.jupiter.api.Test;

class TwoMeshesTest {
    private static CaseResult result(double cl, double cd, double cm, StopReason stop,
            boolean converged) {
        return new CaseResult(cl, cd, cd, 0, cm, 100, stop, 3, 1, converged, List.of(), "", "");
    }

    /**
     * Worked example: twice the nodes is r^2 = 2 at order 2, so each band is 2.5 times the
     * difference of the two meshes; a supersonic region flags the same bands as not asymptotic.
     */
    @Test
    void bandsAreTheSafetyFactorTimesTheDifferenceOverRSquaredMinusOne() {
        CaseResult fine = result(0.37, 0.0255, -0.045, StopReason.CAUCHY, true);
        CaseResult coarse = result(0.38, 0.0275, -0.047, StopReason.CAUCHY, true);
        ErrorBars subsonic = TwoMeshes.bars(fine, 5600, 0.98, coarse, 2800, 80);
        assertEquals(0.025, subsonic.clError(), 1e-15);
        assertEquals(0.005, subsonic.cdError(), 1e-15);
        assertEquals(0.005, subsonic.cmError(), 1e-15);
        assertTrue(subsonic.asymptotic());
        assertNull(subsonic.warning());
        assertEquals("two-mesh grid convergence index against a coarser mesh of 80 points around"
                + " the body (2800 nodes): order 2 assumed, safety factor 2.5", subsonic.rule());

        ErrorBars transonic = TwoMeshes.bars(fine, 5600, 1.31, coarse, 2800, 80);
        assertFalse(transonic.asymptotic());
        assertTrue(transonic.rule().contains("; not asymptotic: a supersonic region (local Mach"
                + " up to 1.31)"), transonic.rule());
        assertEquals(subsonic.clError(), transonic.clError());
    }

    /** A coarser run that did not converge makes the bars doubtful; one without an answer none. */
    @Test
    void theCoarserRunsVerdictTravelsWithTheBars() {
        CaseResult fine = result(0.37, 0.0255, -0.045, StopReason.CAUCHY, true);
        ErrorBars capped = TwoMeshes.bars(fine, 5600, 0.9,
                result(0.38, 0.0275, -0.047, StopReason.ITERATIONS, false), 2800, 80);
        assertTrue(capped.warning().contains("did not converge (iterations)"), capped.warning());
        assertTrue(fine.withBars(capped).warnings().contains(capped.warning()));
        IllegalStateException e = assertThrows(IllegalStateException.class, () -> TwoMeshes.bars(
                fine, 5600, 0.9, CaseResult.without(StopReason.DIVERGED, "NaN"), 2800, 80));
        assertTrue(e.getMessage().contains("no coefficients (diverged: NaN)"), e.getMessage());
    }
}
