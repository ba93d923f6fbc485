package kestrafol.base;

import java.util.Locale;

/** The toolkit's one way of writing numbers for people: messages, titles and tick labels. */
public final class Numbers {
    private Numbers() {}

    /**
     * The shortest text that reads back as the same double, as the library's messages spell it:
     * whole numbers without ".0" (1, -3), otherwise Java's shortest form with a lower-case "e"
     * and no ".0" before it (1.25, 1e-4, 2.5e-7, NaN, Infinity).
     */
    public static String format(double v) {
        if (v == Math.rint(v) && Math.abs(v) < 1e15) {
            return String.valueOf((long) v);
        }
        return Double.toString(v).replace(".0E", "e").replace("E", "e");
    }

    /** A tick label of an axis with the given step: as many decimals as the step needs (at most 6). */
    public static String tick(double value, double step) {
        int decimals = Math.max(0, (int) Math.ceil(-Math.log10(step) - 1e-9));
        if (Math.abs(value) < step * 1e-6) {
            value = 0;
        }
        return String.format(Locale.ROOT, "%." + Math.min(decimals, 6) + "f", value);
    }

    /**
     * A value with its error band, "0.17794 +- 0.0030": the band to two significant digits, the
     * value to the band's last decimal (at least 4 and at most 8 decimals); a band that is not a
     * number gives the value alone to 6 decimals.
     */
    public static String withBand(double value, double band) {
        if (!Double.isFinite(band) || band < 0) {
            return String.format(Locale.ROOT, "%.6f", value);
        }
        int decimals = band == 0 ? 6
                : Math.max(4, Math.min(8, 1 - (int) Math.floor(Math.log10(band))));
        return String.format(Locale.ROOT, "%." + decimals + "f +- %.2g", value, band);
    }
}
