package kestrafol.solver;

/** Settings of tests: the default case with what a test changes. */
public final class TestSettings {
    private TestSettings() {}

    /** The default case at the given Mach number and angle. */
    public static Settings of(double mach, double alpha) {
        return of(mach, alpha, Settings.DEFAULT_RECONSTRUCTION_WEIGHT);
    }

    /** The default case at the given Mach number, angle and reconstruction weight. */
    public static Settings of(double mach, double alpha, double weight) {
        return new Settings(mach, alpha, Settings.DEFAULT_GAMMA, true, weight, false, false,
                Settings.DEFAULT_REYNOLDS);
    }

    /** A viscous case with the library's Reynolds number. */
    public static Settings viscous(double mach, double alpha, double reynolds) {
        return new Settings(mach, alpha, Settings.DEFAULT_GAMMA, true,
                Settings.DEFAULT_RECONSTRUCTION_WEIGHT, false, true, reynolds);
    }

    /** The settings at another angle. */
    public static Settings withAlpha(Settings s, double alpha) {
        return new Settings(s.mach(), alpha, s.gamma(), s.secondOrder(), s.reconstructionWeight(),
                s.unsteady(), s.viscous(), s.reynolds());
    }
}
