package kestrafol.polar;

import java.math.BigDecimal;
import java.util.ArrayList;
import java.util.List;

/**
 * One case of a polar.
 *
 * @param index position in the sorted list of all cases
 * @param chain the chain (unit of work) the case belongs to
 * @param mach free-stream Mach number as given
 * @param reynolds Reynolds number as given, or null for an inviscid case
 * @param alpha angle of attack in degrees as given
 */
public record PolarCase(int index, int chain, BigDecimal mach, BigDecimal reynolds,
        BigDecimal alpha) {

    /** The case's own output folder name inside the polar's folder, e.g. m0.5_a-2 or m0.2_re5000_a4. */
    public String folder() {
        return "m" + Sweep.plain(mach) + (reynolds == null ? "" : "_re" + Sweep.plain(reynolds))
                + "_a" + Sweep.plain(alpha);
    }

    /** The options that make the case out of the polar's run options. */
    public List<String> arguments() {
        List<String> a = new ArrayList<>(List.of("--mach", Sweep.plain(mach), "--alpha",
                Sweep.plain(alpha)));
        if (reynolds != null) {
            a.add("--reynolds");
            a.add(Sweep.plain(reynolds));
        }
        return a;
    }

    /** "Mach 0.5, alpha -2" (with the Reynolds number for viscous cases). */
    public String label() {
        return "Mach " + Sweep.plain(mach) + (reynolds == null ? "" : ", Re " + Sweep.plain(reynolds))
                + ", alpha " + Sweep.plain(alpha);
    }

    /** Same Mach number, Reynolds number and angle (the key that matches rows to cases). */
    public boolean sameConditions(BigDecimal m, BigDecimal re, BigDecimal a) {
        return mach.compareTo(m) == 0 && alpha.compareTo(a) == 0
                && (reynolds == null ? re == null : re != null && reynolds.compareTo(re) == 0);
    }
}
