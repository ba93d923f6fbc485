package kestrafol.polar;

import java.math.BigDecimal;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.TreeSet;

/**
 * The cases of a polar: every combination of Mach number, Reynolds number and angle of attack,
 * grouped into chains (one chain per Mach and Reynolds number, angles ascending).
 *
 * <p>Values are kept as the decimals the user wrote ({@link BigDecimal}), so that a range such as
 * 0:0.1:0.3 gives exactly 0, 0.1, 0.2 and 0.3, folder names stay readable, and every case passes
 * on the very double the user typed.
 */
public final class Sweep {
    /** At most this many values per list: a typo in a range should not start a million cases. */
    public static final int MAX_VALUES = 10_000;
    /**
     * At most this many cases in one polar, checked before any case is built: each case is a
     * folder of a few megabytes and at least seconds of CPU time, so a million cases are
     * terabytes and CPU-years; such a sweep is several polars.
     */
    public static final long MAX_CASES = 1_000_000;

    private final List<PolarCase> cases;
    private final List<List<PolarCase>> chains;

    private Sweep(List<PolarCase> cases, List<List<PolarCase>> chains) {
        this.cases = cases;
        this.chains = chains;
    }

    /**
     * Parses a list of values: comma-separated numbers, each of which may be a range FROM:STEP:TO
     * (TO included when the steps reach it). The result is sorted; a value given twice is refused.
     *
     * @param option the option name for messages, e.g. "--alpha"
     * @throws IllegalArgumentException with a one-line message naming the option
     */
    public static List<BigDecimal> parseList(String option, String text) {
        if (text == null || text.isBlank()) {
            throw new IllegalArgumentException(option + " expects a list of numbers, e.g. -2,0,2"
                    + " or -2:2:8");
        }
        TreeSet<BigDecimal> values = new TreeSet<>();
        for (String item : text.split(",", -1)) {
            String s = item.trim();
            String[] parts = s.split(":", -1);
            List<BigDecimal> expanded = new ArrayList<>();
            if (parts.length == 1) {
                expanded.add(number(option, s));
            } else if (parts.length == 3) {
                BigDecimal from = number(option, parts[0]);
                BigDecimal step = number(option, parts[1]);
                BigDecimal to = number(option, parts[2]);
                if (step.signum() == 0 || to.subtract(from).signum() * step.signum() < 0) {
                    throw new IllegalArgumentException(option + " range " + s + ": the step must"
                            + " lead from " + parts[0] + " to " + parts[2]);
                }
                BigDecimal count = to.subtract(from).divide(step, java.math.MathContext.DECIMAL64);
                if (count.compareTo(BigDecimal.valueOf(MAX_VALUES)) >= 0) {
                    throw new IllegalArgumentException(option + " range " + s + " gives more than "
                            + MAX_VALUES + " values");
                }
                for (BigDecimal v = from; step.signum() > 0 ? v.compareTo(to) <= 0
                        : v.compareTo(to) >= 0; v = v.add(step)) {
                    expanded.add(v);
                }
            } else {
                throw new IllegalArgumentException(option + " expects numbers or ranges"
                        + " FROM:STEP:TO separated by commas, got " + s);
            }
            for (BigDecimal v : expanded) {
                if (!values.add(v.stripTrailingZeros())) {
                    throw new IllegalArgumentException(option + " gives " + plain(v) + " twice");
                }
            }
            if (values.size() > MAX_VALUES) {
                throw new IllegalArgumentException(option + " gives more than " + MAX_VALUES
                        + " values");
            }
        }
        return List.copyOf(values);
    }

    private static BigDecimal number(String option, String s) {
        try {
            BigDecimal v = new BigDecimal(s.trim());
            if (v.abs().compareTo(BigDecimal.valueOf(1e12)) > 0) {
                throw new NumberFormatException();
            }
            return v;
        } catch (NumberFormatException e) {
            throw new IllegalArgumentException(option + " expects numbers, got \"" + s + "\"");
        }
    }

    /** A value as the user would write it: 0.5, -2, 1E+6 becomes 1000000. */
    public static String plain(BigDecimal v) {
        BigDecimal s = v.stripTrailingZeros();
        return s.scale() < 0 ? s.setScale(0).toPlainString() : s.toPlainString();
    }

    /**
     * Every combination, sorted by Mach number, Reynolds number and angle.
     *
     * @param reynolds Reynolds numbers of viscous runs; empty for inviscid runs
     * @param chained chains of ascending angles per Mach and Reynolds number; otherwise every case
     *     is a chain of its own (cold starts)
     * @throws IllegalArgumentException for more than {@link #MAX_CASES} cases, before any is built
     */
    public static Sweep of(List<BigDecimal> machs, List<BigDecimal> reynolds,
            List<BigDecimal> alphas, boolean chained) {
        if (machs.isEmpty() || alphas.isEmpty()) {
            throw new IllegalArgumentException("a polar needs at least one Mach number and angle");
        }
        long n = (long) machs.size() * Math.max(1, reynolds.size()) * alphas.size();
        if (n > MAX_CASES) {
            throw new IllegalArgumentException(String.format(java.util.Locale.ROOT, "%,d Mach"
                    + " numbers x %,d angles%s make %,d cases; a polar holds at most %,d: split"
                    + " the lists over several polars", machs.size(), alphas.size(),
                    reynolds.isEmpty() ? "" : String.format(java.util.Locale.ROOT,
                    " x %,d Reynolds numbers", reynolds.size()), n, MAX_CASES));
        }
        List<BigDecimal> res = reynolds.isEmpty() ? Collections.singletonList(null) : sorted(reynolds);
        List<PolarCase> cases = new ArrayList<>();
        List<List<PolarCase>> chains = new ArrayList<>();
        for (BigDecimal m : sorted(machs)) {
            for (BigDecimal re : res) {
                List<PolarCase> chain = new ArrayList<>();
                for (BigDecimal a : sorted(alphas)) {
                    PolarCase c = new PolarCase(cases.size(), chains.size(), m, re, a);
                    cases.add(c);
                    if (chained) {
                        chain.add(c);
                    } else {
                        chains.add(List.of(c));
                    }
                }
                if (chained) {
                    chains.add(List.copyOf(chain));
                }
            }
        }
        return new Sweep(List.copyOf(cases), List.copyOf(chains));
    }

    private static List<BigDecimal> sorted(List<BigDecimal> values) {
        List<BigDecimal> s = new ArrayList<>(values);
        s.sort(null);
        return s;
    }

    /** All cases, sorted; a case's index is its position here. */
    public List<PolarCase> cases() {
        return cases;
    }

    /** The units of work: chains in order of their first case; inside a chain, angles ascend. */
    public List<List<PolarCase>> chains() {
        return chains;
    }
}
