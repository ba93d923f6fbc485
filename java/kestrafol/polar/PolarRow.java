package kestrafol.polar;

import kestrafol.run.CaseResult;
import kestrafol.run.StopReason;

/**
 * A row of a polar: the case and what its run decided ({@link CaseResult}, carried unchanged
 * from the run, its summary.json or a Slurm task's rows).
 */
public record PolarRow(PolarCase polarCase, CaseResult result) {
    public PolarRow {
        if (polarCase == null || result == null) {
            throw new IllegalArgumentException("a polar row needs its case and its result");
        }
    }

    /** The row of a case without an answer. */
    public static PolarRow without(PolarCase c, StopReason stop, String message) {
        return new PolarRow(c, CaseResult.without(stop, message));
    }
}
