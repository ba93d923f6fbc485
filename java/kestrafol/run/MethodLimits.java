package kestrafol.run;

import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import kestrafol.base.Numbers;

/**
 * What the method cannot do, said before the run: cases it will answer, but whose answer means
 * little. Each check gives one line for the warnings of the case (screen, summary.json and a
 * polar's row).
 *
 * <ul>
 *   <li>Mach numbers below {@link #LOW_MACH}: a compressible method without low-Mach
 *       preconditioning grows its numerical dissipation as the Mach number falls; lift drops and
 *       the spurious drag grows (the figures in the warning are measured, see docs/ACCURACY.md).
 *   <li>Laminar runs of an airfoil (or a mesh file) above {@link #LAMINAR_AIRFOIL_REYNOLDS}, and
 *       of the built-in circle above {@link #STEADY_CIRCLE_REYNOLDS}: no transition, turbulence
 *       or vortex shedding is modelled. Steady laminar runs of an airfoil above
 *       {@link #STEADY_AIRFOIL_REYNOLDS}: the laminar layer separates and sheds, so a steady
 *       answer may not exist and the run may end at the cap or diverge.
 *   <li>Angles beyond {@link #MAX_ALPHA} degrees either way: most likely radians or a typo.
 *   <li>The inviscid circle: no unique answer.
 * </ul>
 */
public final class MethodLimits {
    /** Below this free-stream Mach number the answers degrade (measured). */
    public static final double LOW_MACH = 0.2;
    /**
     * Above this flow Reynolds number a real airfoil's boundary layer turns turbulent over much of
     * the chord (a flat plate's transition Reynolds number, about 5e5).
     */
    public static final double LAMINAR_AIRFOIL_REYNOLDS = 5e5;
    /**
     * Above this flow Reynolds number an airfoil's laminar boundary layer separates before the
     * trailing edge and the separated layer sheds: a steady laminar flow may not exist. Measured:
     * a laminar Clark Y polar at Re 100,000, Mach 0.3, alpha -2 to 8 left 4 cases at the
     * cap and 2 diverged 5,000 to 9,000 iterations in.
     */
    public static final double STEADY_AIRFOIL_REYNOLDS = 5e4;
    /** Above this Reynolds number (diameter) a circle's wake sheds vortices: no steady flow. */
    public static final double STEADY_CIRCLE_REYNOLDS = 47;
    /** Angles of attack beyond this many degrees, either way, are taken for a units mistake. */
    public static final double MAX_ALPHA = 20;

    /**
     * Measured on the default built-in NACA 0012 at 2 degrees (see docs/ACCURACY.md): free-stream
     * Mach number, lift against the Mach 0.3 lift scaled by Prandtl-Glauert (percent), drag.
     */
    static final double[][] LOW_MACH_MEASURED = {
        {0.05, 0.6, 0.0116},
        {0.1, 0.6, 0.0062},
        {0.2, 0.1, 0.0032},
    };
    /** Drag of the same airfoil at Mach 0.3, where the method still holds. */
    static final double LOW_MACH_REFERENCE_CD = 0.0023;

    private MethodLimits() {}

    /** The warnings of the case before it runs, in a fixed order; empty when none applies. */
    public static List<String> of(CaseDefinition c) {
        List<String> w = new ArrayList<>();
        if (c.flow().mach() < LOW_MACH) {
            w.add(lowMach(c.flow().mach()));
        }
        if (Math.abs(c.flow().alpha()) > MAX_ALPHA) {
            w.add("angle of attack " + Numbers.format(c.flow().alpha()) + " degrees is beyond "
                    + Numbers.format(MAX_ALPHA) + " degrees either way: check the units (--alpha"
                    + " takes degrees); so far into stall the answer of this method (no"
                    + " turbulence model) means little");
        }
        boolean builtInCircle = c.body().meshFile() == null && c.body().circle();
        if (c.flow().viscous()) {
            double limit = builtInCircle ? STEADY_CIRCLE_REYNOLDS : LAMINAR_AIRFOIL_REYNOLDS;
            if (c.flow().reynolds() > limit) {
                w.add(builtInCircle
                        ? "Reynolds number " + Numbers.format(c.flow().reynolds()) + " is above "
                                + Numbers.format(limit) + ", where a circle's wake sheds vortices:"
                                + " the steady laminar answer is not a physical flow (and"
                                + " --unsteady is not time-accurate)"
                        : "Reynolds number " + Numbers.format(c.flow().reynolds()) + " is above "
                                + Numbers.format(limit) + ", where an airfoil's boundary layer"
                                + " turns turbulent: the method is laminar throughout (no"
                                + " transition or turbulence model), so drag and separation are"
                                + " not those of the real flow");
            } else if (!builtInCircle && !c.scheme().unsteady() && c.flow().reynolds() > STEADY_AIRFOIL_REYNOLDS) {
                w.add("Reynolds number " + Numbers.format(c.flow().reynolds()) + " is above "
                        + Numbers.format(STEADY_AIRFOIL_REYNOLDS) + ", where an airfoil's laminar"
                        + " boundary layer separates and sheds: a steady laminar flow may not"
                        + " exist, and the run may end at the cap or diverge without an answer"
                        + " (a laminar Clark Y polar at Re 100,000, Mach 0.3: 4 cases at the cap, 2"
                        + " diverged)");
            }
        } else if (builtInCircle) {
            w.add("inviscid flow around a circle has no unique answer: where the flow separates,"
                    + " and with it the drag and any lift, is set by the scheme's numerical"
                    + " dissipation and the mesh, not by physics");
        }
        return w;
    }

    /** The low-Mach warning with the measured degradation. */
    static String lowMach(double mach) {
        StringBuilder sb = new StringBuilder("Mach " + Numbers.format(mach) + " is below "
                + Numbers.format(LOW_MACH) + ": this compressible method loses accuracy at low"
                + " Mach numbers (measured, NACA 0012 at 2 degrees, default mesh: CL against the"
                + " Mach 0.3 value scaled by Prandtl-Glauert, CD against "
                + Numbers.format(LOW_MACH_REFERENCE_CD) + " at Mach 0.3:");
        for (int k = 0; k < LOW_MACH_MEASURED.length; k++) {
            double[] m = LOW_MACH_MEASURED[k];
            sb.append(String.format(Locale.ROOT, "%s Mach %s CL %+.1f %% CD %s",
                    k == 0 ? "" : ",", Numbers.format(m[0]), m[1], Numbers.format(m[2])));
        }
        return sb.append(")").toString();
    }
}
