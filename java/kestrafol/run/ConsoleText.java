package kestrafol.run;

import java.io.PrintStream;
import java.nio.file.Path;
import java.util.List;
import java.util.Locale;
import kestrafol.base.Numbers;
import kestrafol.solver.ConvergenceMonitor;
import kestrafol.solver.ConvergenceMonitor.Stop;
import kestrafol.solver.Settings;

/** What a run prints before its first iteration and after its last. */
final class ConsoleText {
    private ConsoleText() {
    }

    /** The case, the flow, the scheme, the forces, the stopping rule and the folder. */
    static void header(PrintStream out, CaseDefinition c, CaseSetup setup, Path folder) {
        Settings s = setup.target();
        out.println("Kestrafol: " + c.body().caseName() + ", " + setup.mesh());
        for (var airfoil : c.body().airfoils()) {
            out.println("Airfoil " + airfoil.describe());
        }
        if (!c.body().airfoils().isEmpty()) {
            out.println("Frame: the chord of " + c.body().airfoils().get(0).file().getFileName()
                    + " from (0, 0) to (1, 0); alpha is measured from it");
        }
        String viscous = "inviscid";
        if (s.viscous()) {
            viscous = String.format(Locale.ROOT, "viscous (laminar), Reynolds %s based on the"
                    + " flow speed and length %s (the library gets %s per unit length, based on"
                    + " the speed of sound)", Numbers.format(c.flow().reynolds()),
                    brief(setup.reference().length()), brief(setup.libraryReynolds()));
        }
        out.println(String.format(Locale.ROOT, "Flow: Mach %s, alpha %s deg, gamma %s, %s",
                Numbers.format(s.mach()), Numbers.format(s.alphaDegrees()),
                Numbers.format(s.gamma()), viscous));
        out.println(s.unsteady() ? "Time: " + CaseDefinition.UNSTEADY_NOTE : "Time: steady");
        int startup = setup.startup();
        out.println("Scheme: " + (s.secondOrder() ? "second order (weight "
                + Numbers.format(s.reconstructionWeight()) + ")"
                + (startup > 0 ? ", first " + startup + " iterations in first order" : "")
                : "first order"));
        out.println("Method: " + (c.scheme().method().isStandard()
                ? "standard (the library's own, as CFD.Solvers.EulerSolver computes it)"
                : c.scheme().method().name() + " (options of the flow module; --method standard for the"
                        + " library's own)"));
        List<String> walls = setup.monitoredNames();
        out.println(String.format(Locale.ROOT, "Forces on: %s; reference length %s, moment about"
                + " (%s, %s)", walls.isEmpty() ? "nothing" : String.join(", ", walls),
                brief(setup.reference().length()), brief(setup.reference().x()),
                brief(setup.reference().y())));
        out.println("Stop at the first of: residual down " + Numbers.format(c.stopping().orders())
                + " orders" + (c.stopping().cauchyWindow() > 0 ? String.format(Locale.ROOT,
                        ", means of cl, cd and cm over three windows of %d iterations within %s",
                        c.stopping().cauchyWindow(), Numbers.format(c.stopping().cauchyEps())) : "")
                + ", " + setup.cap() + " iterations (cap: not converged)");
        out.println("Output: " + folder);
        out.println();
    }

    /** The warnings found before the first iteration. */
    static void warnings(PrintStream out, List<String> warnings) {
        for (String w : warnings) {
            out.println("Warning: " + w);
        }
        if (!warnings.isEmpty()) {
            out.println();
        }
    }

    /** The coarse levels of a sequenced run, before its summary (nothing without). */
    static void sequence(PrintStream out, List<Sequencing.Level> levels) {
        for (int k = 0; k < levels.size(); k++) {
            out.println((k == 0 ? System.lineSeparator() : "") + "Coarse level " + (k + 1) + ": "
                    + levels.get(k).describe());
        }
    }

    /** The meshes of an adapted run, before its summary (nothing without). */
    static void cycles(PrintStream out, List<Adapting.Cycle> cycles) {
        for (int k = 0; k < cycles.size(); k++) {
            out.println((k == 0 ? System.lineSeparator() : "") + "Adaptation "
                    + cycles.get(k).describe()
                    + (k == cycles.size() - 1 ? " (the run's answer)" : ""));
        }
    }

    /** Why the run stopped, its numbers, its warnings and its files. */
    static void summary(PrintStream out, CaseDefinition c, CaseResult r, Stop stop,
            double solverSeconds, int cap, Path folder, List<String> files) {
        ErrorBars bars = r.bars();
        out.println();
        out.println("Stopped: " + reason(c, stop, cap));
        out.println(String.format(Locale.ROOT,
                "Iterations %d, wall time %.1f s (solver %.1f s, %.1f iterations/s)",
                r.iterations(), r.seconds(), solverSeconds,
                r.iterations() / Math.max(1e-9, solverSeconds)));
        out.println(String.format(Locale.ROOT, "Residual %.2f orders below the largest of the"
                + " first %d iterations", r.residualDrop(), ConvergenceMonitor.REFERENCE_ITERATIONS));
        String label = r.converged() ? ""
                : stop == Stop.CAUCHY ? "NOT CONVERGED (see the warnings): "
                : "NOT CONVERGED, last values: ";
        out.println(String.format(Locale.ROOT, "%sCL %.6f   CD %.6f (pressure %.6f, friction"
                + " %.6f)   CM %.6f", label, r.cl(), r.cd(), r.cdPressure(), r.cdFriction(),
                r.cm()));
        if (stop == Stop.CAUCHY) {
            out.println("(means over the last " + c.answerWindow() + " iterations)");
        }
        if (bars != null) {
            out.println(String.format(Locale.ROOT, "Error estimate: CL %s   CD %s   CM %s",
                    Numbers.withBand(r.cl(), bars.clError()),
                    Numbers.withBand(r.cd(), bars.cdError()),
                    Numbers.withBand(r.cm(), bars.cmError())));
            out.println("(" + bars.rule() + ")");
        }
        for (String w : r.warnings()) {
            out.println("Warning: " + w);
        }
        out.println("Results in " + folder + ": " + String.join(" ", files));
    }

    private static String reason(CaseDefinition c, Stop stop, int cap) {
        switch (stop) {
            case ORDERS:
                return "the residual norm dropped by " + Numbers.format(c.stopping().orders())
                        + " orders (--orders)";
            case CAUCHY:
                return "cl, cd and cm settled: their means over the last three windows of "
                        + c.stopping().cauchyWindow() + " iterations agree within "
                        + Numbers.format(c.stopping().cauchyEps()) + " (--cauchy)";
            case ITERATIONS:
                return "reached the cap of " + cap + " iterations (--iterations) before the"
                        + " residual or the coefficients settled: not converged";
            case INTERRUPTED:
                return "interrupted (signal): not converged";
            default:
                return "diverged";
        }
    }

    /** Six significant digits, without trailing zeros: 984252, 0.0762, 1. */
    static String brief(double v) {
        String t = String.format(Locale.ROOT, "%.6g", v);
        if (t.contains("e")) {
            return t.replaceFirst("\\.?0+e", "e");
        }
        return t.contains(".") ? t.replaceFirst("\\.?0+$", "") : t;
    }
}
