package kestrafol.polar;

import java.math.BigDecimal;
import java.util.ArrayList;
import java.util.Comparator;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;

/**
 * What a polar says, per Mach and Reynolds number, from its converged cases only (a case the
 * iteration cap ended is not an answer): the lift slope from a straight-line fit over the linear
 * range, the zero-lift angle, the moment at zero lift and its slope, the aerodynamic centre, the
 * maximum lift when the polar passes it, and the best lift-to-drag ratio of a viscous polar.
 *
 * <p>The linear range is found from the data: starting from the pair of neighbouring angles
 * whose lift is nearest zero, it grows one neighbouring interval at a time, to the side whose
 * slope is nearer the slope fitted so far, while that slope is within {@link #LINEAR_TOLERANCE}
 * of it. Stall, a shock moving or a separation bubble bends the lift curve and ends the range.
 */
public final class PolarAnalysis {
    /** An interval belongs to the linear range when its slope is within this fraction of the fit's. */
    public static final double LINEAR_TOLERANCE = 0.10;

    private PolarAnalysis() {}

    /**
     * The derived quantities of one Mach (and Reynolds) number; NaN where the cases do not give
     * a value (fewer than two converged cases, no moment, an inviscid polar for L/D).
     *
     * @param reynolds null for an inviscid polar
     * @param linearFrom first angle of the linear range (degrees)
     * @param linearTo last angle of the linear range (degrees)
     * @param linearCases converged cases in the linear range (the fit's points)
     * @param liftSlope dcl/dalpha per degree
     * @param zeroLiftAlpha angle of zero lift of the fit (degrees)
     * @param cm0 moment coefficient of the fit at the zero-lift angle
     * @param cmSlope dcm/dalpha per degree
     * @param aerodynamicCentre x/c of the point about which the moment does not change with the
     *     angle: the moment point minus dcm/dcl
     * @param maxLift the largest lift of a converged case
     * @param maxLiftReached true when a converged case at a larger angle has less lift, so the
     *     maximum lies inside the computed range
     * @param bestLiftToDrag the largest cl/cd of a converged viscous case
     */
    public record Group(BigDecimal mach, BigDecimal reynolds, int cases, int converged,
            double linearFrom, double linearTo, int linearCases, double liftSlope,
            double zeroLiftAlpha, double cm0, double cmSlope, double aerodynamicCentre,
            double maxLift, double maxLiftAlpha, boolean maxLiftReached, double bestLiftToDrag,
            double bestLiftToDragAlpha) {

        /** dcl/dalpha per radian. */
        public double liftSlopePerRadian() {
            return liftSlope * 180 / Math.PI;
        }

        /** "Mach 0.3" or "Mach 0.3, Re 500000". */
        public String name() {
            return "Mach " + Sweep.plain(mach) + (reynolds == null ? "" : ", Re " + Sweep.plain(reynolds));
        }

        /** The lines to print for this group. */
        public List<String> lines() {
            List<String> l = new ArrayList<>();
            l.add(String.format(Locale.ROOT, "%s: %d of %d case%s converged", name(), converged,
                    cases, cases == 1 ? "" : "s"));
            if (!Double.isFinite(liftSlope)) {
                l.add("  no lift slope: fewer than two converged cases");
                return l;
            }
            l.add(String.format(Locale.ROOT, "  lift slope %s per degree (%s per radian), fitted"
                    + " over alpha %s to %s deg (%d cases)", g(liftSlope), g(liftSlopePerRadian()),
                    g(linearFrom), g(linearTo), linearCases));
            l.add("  zero-lift angle " + g(zeroLiftAlpha) + " deg");
            if (Double.isFinite(cmSlope)) {
                l.add(String.format(Locale.ROOT, "  cm0 %s, dcm/dalpha %s per degree, aerodynamic"
                        + " centre at x/c %s", g(cm0), g(cmSlope), g(aerodynamicCentre)));
            }
            l.add(maxLiftReached ? String.format(Locale.ROOT, "  maximum lift cl %s at alpha %s deg",
                    g(maxLift), g(maxLiftAlpha))
                    : String.format(Locale.ROOT, "  maximum lift not reached (highest cl %s at"
                            + " alpha %s deg, no converged case beyond it with less lift)",
                            g(maxLift), g(maxLiftAlpha)));
            if (Double.isFinite(bestLiftToDrag)) {
                l.add(String.format(Locale.ROOT, "  best L/D %s at alpha %s deg",
                        g(bestLiftToDrag), g(bestLiftToDragAlpha)));
            }
            return l;
        }

        /** The group as polar.json holds it (NaN becomes null). */
        public Map<String, Object> toMap() {
            Map<String, Object> m = new LinkedHashMap<>();
            m.put("mach", mach.doubleValue());
            m.put("reynolds", reynolds == null ? null : reynolds.doubleValue());
            m.put("cases", cases);
            m.put("converged", converged);
            Map<String, Object> range = new LinkedHashMap<>();
            range.put("alphaFrom", linearFrom);
            range.put("alphaTo", linearTo);
            range.put("cases", linearCases);
            m.put("linearRange", range);
            m.put("liftSlopePerDegree", liftSlope);
            m.put("liftSlopePerRadian", liftSlopePerRadian());
            m.put("zeroLiftAlpha", zeroLiftAlpha);
            m.put("cm0", cm0);
            m.put("cmSlopePerDegree", cmSlope);
            m.put("aerodynamicCentreXc", aerodynamicCentre);
            Map<String, Object> max = new LinkedHashMap<>();
            max.put("reached", maxLiftReached);
            max.put("cl", maxLift);
            max.put("alpha", maxLiftAlpha);
            m.put("maxLift", max);
            if (reynolds != null) {
                Map<String, Object> ld = new LinkedHashMap<>();
                ld.put("liftToDrag", bestLiftToDrag);
                ld.put("alpha", bestLiftToDragAlpha);
                m.put("bestLiftToDrag", ld);
            }
            return m;
        }
    }

    /**
     * The derived quantities of every Mach (and Reynolds) number of the rows, in the order of
     * the cases.
     *
     * @param momentPointXc x/c of the point the moments are about (0.25 for the quarter chord)
     */
    public static List<Group> analyse(List<PolarRow> rows, double momentPointXc) {
        Map<String, List<PolarRow>> groups = new LinkedHashMap<>();
        List<PolarRow> sorted = new ArrayList<>(rows);
        sorted.sort(Comparator.comparingInt(r -> r.polarCase().index()));
        for (PolarRow r : sorted) {
            PolarCase c = r.polarCase();
            groups.computeIfAbsent(Sweep.plain(c.mach()) + "/"
                    + (c.reynolds() == null ? "" : Sweep.plain(c.reynolds())),
                    k -> new ArrayList<>()).add(r);
        }
        List<Group> out = new ArrayList<>();
        for (List<PolarRow> g : groups.values()) {
            out.add(group(g, momentPointXc));
        }
        return out;
    }

    private static Group group(List<PolarRow> rows, double momentPointXc) {
        PolarCase first = rows.get(0).polarCase();
        List<PolarRow> ok = new ArrayList<>();
        for (PolarRow r : rows) {
            if (r.result().converged()) {
                ok.add(r);
            }
        }
        ok.sort(Comparator.comparing(r -> r.polarCase().alpha()));
        int n = ok.size();
        double[] a = new double[n];
        double[] cl = new double[n];
        double[] cm = new double[n];
        boolean moments = n > 0;
        for (int k = 0; k < n; k++) {
            a[k] = ok.get(k).polarCase().alpha().doubleValue();
            cl[k] = ok.get(k).result().cl();
            cm[k] = ok.get(k).result().cm();
            moments &= Double.isFinite(cm[k]);
        }
        double nan = Double.NaN;
        double maxLift = nan;
        double maxAlpha = nan;
        boolean reached = false;
        int best = -1;
        for (int k = 0; k < n; k++) {
            if (best < 0 || cl[k] > cl[best]) {
                best = k;
            }
        }
        if (best >= 0) {
            maxLift = cl[best];
            maxAlpha = a[best];
            for (int k = best + 1; k < n; k++) {
                reached |= cl[k] < cl[best];
            }
        }
        double ld = nan;
        double ldAlpha = nan;
        if (first.reynolds() != null) {
            for (int k = 0; k < n; k++) {
                double v = cl[k] / ok.get(k).result().cd();
                if (ok.get(k).result().cd() > 0 && (Double.isNaN(ld) || v > ld)) {
                    ld = v;
                    ldAlpha = a[k];
                }
            }
        }
        if (n < 2) {
            return new Group(first.mach(), first.reynolds(), rows.size(), n, nan, nan, 0, nan, nan,
                    nan, nan, nan, maxLift, maxAlpha, reached, ld, ldAlpha);
        }
        int[] range = linearRange(a, cl);
        double[] lift = fit(a, cl, range[0], range[1]);
        double zeroLift = -lift[1] / lift[0];
        double cm0 = nan;
        double cmSlope = nan;
        double centre = nan;
        if (moments) {
            double[] moment = fit(a, cm, range[0], range[1]);
            cmSlope = moment[0];
            cm0 = moment[0] * zeroLift + moment[1];
            centre = momentPointXc - cmSlope / lift[0];
        }
        return new Group(first.mach(), first.reynolds(), rows.size(), n, a[range[0]], a[range[1]],
                range[1] - range[0] + 1, lift[0], zeroLift, cm0, cmSlope, centre, maxLift, maxAlpha,
                reached, ld, ldAlpha);
    }

    /**
     * {first, last} point of the linear range of y(x), x ascending, at least two points.
     */
    static int[] linearRange(double[] x, double[] y) {
        int n = x.length;
        double[] slope = new double[n - 1];
        int seed = 0;
        for (int i = 0; i < n - 1; i++) {
            slope[i] = (y[i + 1] - y[i]) / (x[i + 1] - x[i]);
            if (Math.abs(y[i] + y[i + 1]) < Math.abs(y[seed] + y[seed + 1])) {
                seed = i;
            }
        }
        int lo = seed;
        int hi = seed;
        while (true) {
            double m = fit(x, y, lo, hi + 1)[0];
            double left = lo > 0 ? Math.abs(slope[lo - 1] - m) : Double.POSITIVE_INFINITY;
            double right = hi < n - 2 ? Math.abs(slope[hi + 1] - m) : Double.POSITIVE_INFINITY;
            double limit = LINEAR_TOLERANCE * Math.abs(m);
            if (left <= right && left <= limit) {
                lo--;
            } else if (right <= limit) {
                hi++;
            } else {
                return new int[] {lo, hi + 1};
            }
        }
    }

    /** {slope, intercept} of the least-squares line through points from..to (inclusive). */
    static double[] fit(double[] x, double[] y, int from, int to) {
        int n = to - from + 1;
        double mx = 0;
        double my = 0;
        for (int k = from; k <= to; k++) {
            mx += x[k];
            my += y[k];
        }
        mx /= n;
        my /= n;
        double sxy = 0;
        double sxx = 0;
        for (int k = from; k <= to; k++) {
            sxy += (x[k] - mx) * (y[k] - my);
            sxx += (x[k] - mx) * (x[k] - mx);
        }
        double slope = sxy / sxx;
        return new double[] {slope, my - slope * mx};
    }

    /** The lines to print for every group. */
    public static List<String> lines(List<Group> groups) {
        List<String> l = new ArrayList<>();
        for (Group g : groups) {
            l.addAll(g.lines());
        }
        return l;
    }

    /** Four significant digits, plain: 0.1102, 6.314, -2.013, 45.21; 4.814e-5 below 0.001. */
    static String g(double v) {
        if (!Double.isFinite(v)) {
            return "n/a";
        }
        if (v == 0) {
            return "0";
        }
        if (Math.abs(v) < 1e-3) {
            return String.format(Locale.ROOT, "%.3e", v).replaceFirst("e-0*", "e-");
        }
        BigDecimal d = new BigDecimal(v).round(new java.math.MathContext(4));
        return d.stripTrailingZeros().toPlainString();
    }
}
