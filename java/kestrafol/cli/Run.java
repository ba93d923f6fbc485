package kestrafol.cli;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Locale;
import kestrafol.mesh.Mesh;
import kestrafol.mesh.MeshGenerator;
import kestrafol.mesh.io.GmshReader;
import kestrafol.mesh.io.Su2Reader;
import kestrafol.output.ConvergencePicture;
import kestrafol.output.CpPicture;
import kestrafol.output.History;
import kestrafol.output.MachPicture;
import kestrafol.output.Numbers;
import kestrafol.output.VtuWriter;
import kestrafol.solver.Analysis;
import kestrafol.solver.BoundaryConditions;
import kestrafol.solver.Flow;
import kestrafol.solver.Settings;
import kestrafol.solver.Solver;

/**
 * One solved case: mesh, solver loop with the stopping criteria, and the output files. A plain
 * method call (no exit, no global state): commands that solve many cases call it once per case.
 */
public final class Run {
    /** Why a run stopped. */
    public enum Stop {
        ORDERS, COEFFICIENTS, ITERATIONS, DIVERGED
    }

    /** Exit status of a run whose residual became non-finite. */
    public static final int EXIT_DIVERGED = 3;

    /** What a finished run gives its caller. */
    public record Outcome(Stop stop, int iterations, Analysis last, double ordersDropped,
            double wallSeconds, double solverSeconds, History history) {
        /** 0, or {@link #EXIT_DIVERGED} for a run whose residual became non-finite. */
        public int exitStatus() {
            return stop == Stop.DIVERGED ? EXIT_DIVERGED : 0;
        }
    }

    private final RunOptions o;
    private final Path outDir;
    private final PrintStream out;
    private final Progress progress;
    private final long startNanos = System.nanoTime();

    private Stop stop;
    private int iterations;
    private Analysis last;
    private double ordersDropped;
    private double wallSeconds;
    private double solverSeconds;
    private final History history = new History();

    /**
     * A run of the case the options describe (validated), writing into outDir; progress and the
     * summary go to out, with a live bar when terminal is true.
     */
    public Run(RunOptions options, Path outDir, PrintStream out, boolean terminal) {
        this.o = options;
        this.outDir = outDir;
        this.out = out;
        this.progress = new Progress(out, terminal);
    }

    /** Loads or generates the mesh and sets the boundary kinds. */
    Mesh mesh() throws IOException {
        Mesh mesh;
        if (o.mesh != null) {
            String name = o.mesh.getFileName().toString().toLowerCase(Locale.ROOT);
            if (name.endsWith(".msh")) {
                mesh = GmshReader.read(o.mesh);
            } else if (name.endsWith(".su2")) {
                mesh = Su2Reader.read(o.mesh);
            } else {
                throw new IllegalArgumentException("--mesh expects a .su2 or .msh file, got " + o.mesh);
            }
        } else if (o.circle) {
            mesh = MeshGenerator.circle(o.meshOptions());
        } else {
            mesh = MeshGenerator.naca(o.naca, o.meshOptions());
        }
        BoundaryConditions bc = BoundaryConditions.defaults(o.viscous);
        for (String b : o.boundaries) {
            bc = bc.with(b);
        }
        return bc.apply(mesh);
    }

    /** Runs the case once. */
    public Outcome execute() throws IOException {
        Mesh mesh = mesh();
        try (Solver solver = newSolver(mesh)) {
            return execute(mesh, solver, false);
        }
    }

    /** A solver for this case, from the free stream (first order for a first-order start). */
    Solver newSolver(Mesh mesh) {
        Settings target = o.settings();
        boolean startup = target.secondOrder() && o.startup > 0;
        return new Solver(mesh, startup ? target.withSecondOrder(false) : target, o.renumber());
    }

    /**
     * Runs the case on the given solver, which the caller closes. A new solver starts from the
     * free stream; a carried one holds the flow of a neighbouring case (a polar chain): it is
     * updated to this case's settings and iterates on from that flow, without a first-order start.
     */
    Outcome execute(Mesh mesh, Solver solver, boolean carried) throws IOException {
        solve(mesh, solver, carried);
        return new Outcome(stop, iterations, last, ordersDropped, wallSeconds, solverSeconds, history);
    }

    private void solve(Mesh mesh, Solver solver, boolean carried) throws IOException {
        Settings target = o.settings();
        int startup = target.secondOrder() && !carried ? o.startup : 0;
        boolean cauchy = o.cauchyWindow > 0;

        out.println("Kestrafol: " + o.caseName() + ", " + mesh);
        out.println(String.format(Locale.ROOT, "Flow: Mach %s, alpha %s deg, gamma %s, %s%s, %s",
                Numbers.format(target.mach()), Numbers.format(target.alphaDegrees()), Numbers.format(target.gamma()),
                target.viscous() ? "viscous, Reynolds " : "inviscid",
                target.viscous() ? Numbers.format(target.reynolds()) : "",
                target.unsteady() ? "unsteady" : "steady"));
        out.println("Scheme: " + (target.secondOrder() ? "second order (weight "
                + Numbers.format(target.reconstructionWeight()) + ")"
                + (startup > 0 ? ", first " + startup + " iterations in first order" : "")
                : "first order"));
        out.println("Stop at the first of: residual down " + Numbers.format(o.orders) + " orders"
                + (cauchy ? String.format(Locale.ROOT, ", CL and CD settled to %s over %d iterations",
                        Numbers.format(o.cauchyEps), o.cauchyWindow) : "")
                + ", " + o.iterations + " iterations");
        out.println("Output: " + outDir.toAbsolutePath().normalize());
        out.println();
        Files.createDirectories(outDir);

        double firstResidual = Double.NaN;
        int switchedAt = 0;
        double solverNanos = 0;
        progress.header(seconds());
        if (carried) {
            solver.update(target);
            progress.message("        continued from the flow of the previous case");
        }
        { // the iterations and the output files (the caller owns the solver)
            for (int it = 1; it <= o.iterations; it++) {
                if (startup > 0 && it == startup + 1) {
                    solver.update(target);
                    switchedAt = startup;
                    progress.message("        switched to second order after iteration " + startup);
                }
                long t0 = System.nanoTime();
                solver.iterate();
                Analysis a = solver.analysis();
                solverNanos += System.nanoTime() - t0;
                double elapsed = seconds();
                history.add(it, a, elapsed);
                iterations = it;
                last = a;
                if (it == 1) {
                    firstResidual = a.residualNorm();
                }
                ordersDropped = Math.log10(firstResidual / a.residualNorm());
                if (!a.isFinite()) {
                    stop = Stop.DIVERGED;
                    progress.line(it, a, ordersDropped, elapsed);
                    break;
                }
                // The first two criteria count only in the requested order, so that a start-up
                // in first order cannot end the run.
                if (it > startup && ordersDropped >= o.orders) {
                    stop = Stop.ORDERS;
                } else if (cauchy && it - startup > o.cauchyWindow
                        && settled(o.cauchyEps, o.cauchyWindow)) {
                    stop = Stop.COEFFICIENTS;
                } else if (it == o.iterations) {
                    stop = Stop.ITERATIONS;
                }
                if (it == 1 || it % o.printEvery == 0 || stop != null) {
                    progress.line(it, a, ordersDropped, elapsed);
                }
                if (stop != null) {
                    break;
                }
                progress.bar(it, o.iterations, Math.max((double) it / o.iterations,
                        Math.max(0, ordersDropped) / o.orders), elapsed);
            }
            progress.clearBar();
            solverSeconds = solverNanos * 1e-9;
            history.writeCsv(outDir.resolve("history.csv"));
            if (stop == Stop.DIVERGED) {
                wallSeconds = seconds();
                out.println();
                out.println("kestrafol: the run diverged at iteration " + iterations
                        + ": residual norm " + last.residualNorm() + ", CL " + last.lift() + ", CD "
                        + last.drag() + " are no longer all finite. Try first order (--first-order),"
                        + " a longer first-order start (--startup-first-order) or gentler conditions.");
                out.println("History written to " + outDir.resolve("history.csv"));
                return;
            }
            Flow flow = solver.flow();
            String title = String.format(Locale.ROOT, "%s, Mach %s, alpha %s deg", o.caseName(),
                    Numbers.format(target.mach()), Numbers.format(target.alphaDegrees()));
            VtuWriter.write(mesh, flow, outDir.resolve("flow.vtu"));
            if (o.pictures()) {
                MachPicture.write(mesh, flow.field(Flow.Quantity.MACH), "Mach number, " + title,
                        "Mach", 1.0, outDir.resolve("mach.png"));
                CpPicture.write(mesh, flow, "Pressure coefficient, " + title, outDir.resolve("cp.png"));
                ConvergencePicture.write(history, "Convergence, " + title, switchedAt,
                        outDir.resolve("convergence.png"));
            }
        }
        wallSeconds = seconds();
        out.println();
        out.println("Stopped: " + reason());
        out.println(String.format(Locale.ROOT,
                "Iterations %d, wall time %.1f s (solver %.1f s, %.1f iterations/s)", iterations,
                wallSeconds, solverSeconds, iterations / Math.max(1e-9, solverSeconds)));
        out.println(String.format(Locale.ROOT, "Residual %.4e, %.2f orders below the first iteration",
                last.residualNorm(), ordersDropped));
        out.println(String.format(Locale.ROOT, "CL %.6f   CD %.6f   L/D %.3f", last.lift(),
                last.drag(), last.liftToDrag()));
        int window = Math.min(history.size(), Math.max(o.cauchyWindow, 10));
        double[] cl = windowStats(window, true);
        double[] cd = windowStats(window, false);
        out.println(String.format(Locale.ROOT, "Last %d iterations: CL mean %.6f (range %.2g%%),"
                + " CD mean %.6f (range %.2g%%)", window, cl[0], cl[1], cd[0], cd[1]));
        out.println("Results in " + outDir.toAbsolutePath().normalize() + ": history.csv flow.vtu"
                + (o.pictures() ? " mach.png cp.png convergence.png" : ""));
    }

    /** True when CL and CD each stayed within eps (relative) over the last window iterations. */
    boolean settled(double eps, int window) {
        int n = history.size();
        if (n <= window) {
            return false;
        }
        double cl = history.lift(n - 1);
        double cd = history.drag(n - 1);
        double clLo = cl;
        double clHi = cl;
        double cdLo = cd;
        double cdHi = cd;
        for (int k = n - 1 - window; k < n; k++) {
            clLo = Math.min(clLo, history.lift(k));
            clHi = Math.max(clHi, history.lift(k));
            cdLo = Math.min(cdLo, history.drag(k));
            cdHi = Math.max(cdHi, history.drag(k));
        }
        // Relative to the value, but not below 0.01: a lift or drag near zero (a symmetric
        // case, a subsonic inviscid drag) would otherwise never count as settled.
        return clHi - clLo <= eps * Math.max(Math.abs(cl), 0.01)
                && cdHi - cdLo <= eps * Math.max(Math.abs(cd), 0.01);
    }

    /** {mean, (max - min) / |mean| in percent} of CL or CD over the last iterations. */
    private double[] windowStats(int window, boolean lift) {
        int n = history.size();
        double sum = 0;
        double lo = Double.MAX_VALUE;
        double hi = -Double.MAX_VALUE;
        for (int k = n - window; k < n; k++) {
            double v = lift ? history.lift(k) : history.drag(k);
            sum += v;
            lo = Math.min(lo, v);
            hi = Math.max(hi, v);
        }
        double mean = sum / window;
        return new double[] {mean, 100 * (hi - lo) / Math.abs(mean)};
    }

    private String reason() {
        switch (stop) {
            case ORDERS:
                return "the residual norm dropped by " + Numbers.format(o.orders) + " orders (--orders)";
            case COEFFICIENTS:
                return "CL and CD settled: relative change below " + Numbers.format(o.cauchyEps) + " over "
                        + o.cauchyWindow + " iterations (--cauchy)";
            case ITERATIONS:
                return "reached " + o.iterations + " iterations (--iterations) before the other"
                        + " criteria held";
            default:
                return "diverged";
        }
    }

    private double seconds() {
        return (System.nanoTime() - startNanos) * 1e-9;
    }
}
