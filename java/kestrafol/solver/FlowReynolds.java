package kestrafol.solver;

/**
 * The two Reynolds numbers of a viscous run. Engineers give the free-stream Reynolds number
 * rho U L / mu, based on the flow speed and a reference length (the chord of an airfoil, the
 * diameter of a cylinder). The library divides its viscous stresses by a Reynolds number per
 * unit length based on the speed of sound (its state has density 1 and speed of sound 1, so the
 * flow speed is the Mach number): that value is Re / (Mach x L).
 */
public final class FlowReynolds {
    private FlowReynolds() {
    }

    /** The library's value (settings entry 14) for a flow Reynolds number over length L. */
    public static double toLibrary(double flowReynolds, double mach, double referenceLength) {
        check(mach, referenceLength);
        return flowReynolds / (mach * referenceLength);
    }

    /** The flow Reynolds number over length L of the library's value. */
    public static double fromLibrary(double libraryReynolds, double mach, double referenceLength) {
        check(mach, referenceLength);
        return libraryReynolds * mach * referenceLength;
    }

    private static void check(double mach, double length) {
        if (!(mach > 0) || !(length > 0)) {
            throw new IllegalArgumentException("a flow Reynolds number needs a Mach number and a"
                    + " reference length above 0, got Mach " + mach + ", length " + length);
        }
    }
}
