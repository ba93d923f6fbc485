package kestrafol.polar;

import java.util.EnumMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import kestrafol.run.CaseResult;
import kestrafol.run.Run;

/**
 * How the cases of a polar ended, counted: the summary line and the exit status of the polar.
 *
 * @param counts cases per status, every status present
 */
public record PolarTally(Map<CaseResult.Status, Integer> counts) {
    /** Exit status of a polar with a failed case (the status of bad input). */
    public static final int EXIT_FAILED = 1;

    public PolarTally {
        counts = Map.copyOf(counts);
    }

    /** Counts the rows. */
    public static PolarTally of(List<PolarRow> rows) {
        Map<CaseResult.Status, Integer> m = new EnumMap<>(CaseResult.Status.class);
        for (CaseResult.Status s : CaseResult.Status.values()) {
            m.put(s, 0);
        }
        for (PolarRow r : rows) {
            m.merge(r.result().status(), 1, Integer::sum);
        }
        return new PolarTally(m);
    }

    public int count(CaseResult.Status s) {
        return counts.get(s);
    }

    public int total() {
        return counts.values().stream().mapToInt(Integer::intValue).sum();
    }

    /**
     * 0 when every case converged; otherwise the most serious: 1 a case failed, 3 a case
     * diverged, 4 cases answered without converging or did not run.
     */
    public int exitStatus() {
        if (count(CaseResult.Status.FAILED) > 0) {
            return EXIT_FAILED;
        }
        if (count(CaseResult.Status.DIVERGED) > 0) {
            return Run.EXIT_DIVERGED;
        }
        return count(CaseResult.Status.NOT_CONVERGED) + count(CaseResult.Status.NOT_RUN) > 0
                ? Run.EXIT_NOT_CONVERGED : 0;
    }

    /**
     * "18 cases: 15 converged, 2 not converged, 0 diverged, 1 failed" (every status named,
     * also when none has it, so that a zero is seen; "not run" only for an interrupted polar).
     */
    public String line() {
        StringBuilder sb = new StringBuilder(String.format(Locale.ROOT, "%d case%s:", total(),
                total() == 1 ? "" : "s"));
        String sep = " ";
        for (CaseResult.Status s : CaseResult.Status.values()) {
            if (s == CaseResult.Status.NOT_RUN && count(s) == 0) {
                continue;
            }
            sb.append(sep).append(count(s)).append(' ').append(s.label());
            sep = ", ";
        }
        return sb.toString();
    }
}
