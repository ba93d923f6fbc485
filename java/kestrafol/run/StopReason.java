package kestrafol.run;

import kestrafol.solver.ConvergenceMonitor.Stop;

/**
 * How a case ended, as every file and page of the toolkit names it: one of the monitor's stops,
 * or a case that failed before an answer, or one that never started (a polar or study
 * interrupted before its turn).
 */
public enum StopReason {
    ORDERS("orders"), CAUCHY("cauchy"), ITERATIONS("iterations"), DIVERGED("diverged"),
    INTERRUPTED("interrupted"), FAILED("failed"), NOT_RUN("not run");

    private final String key;

    StopReason(String key) {
        this.key = key;
    }

    /** The word of summary.json, polar.csv, study.csv and the pages. */
    public String key() {
        return key;
    }

    /** The reason of a monitor's stop. */
    public static StopReason of(Stop stop) {
        return switch (stop) {
            case ORDERS -> ORDERS;
            case CAUCHY -> CAUCHY;
            case ITERATIONS -> ITERATIONS;
            case DIVERGED -> DIVERGED;
            case INTERRUPTED -> INTERRUPTED;
        };
    }

    /**
     * The reason of a key.
     *
     * @throws IllegalArgumentException for a word that names no reason
     */
    public static StopReason parse(String key) {
        for (StopReason r : values()) {
            if (r.key.equals(key)) {
                return r;
            }
        }
        throw new IllegalArgumentException("unknown stop reason \"" + key + "\"");
    }
}
