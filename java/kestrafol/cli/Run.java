package kestrafol.cli;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.AccessDeniedException;
import java.nio.file.FileAlreadyExistsException;
import java.nio.file.FileSystemException;
import java.nio.file.Files;
import java.nio.file.NoSuchFileException;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.concurrent.atomic.AtomicBoolean;
import kestrafol.mesh.BoundaryKind;
import kestrafol.mesh.Mesh;
import kestrafol.mesh.MeshGenerator;
import kestrafol.mesh.io.GmshReader;
import kestrafol.mesh.io.Su2Reader;
import kestrafol.output.ConvergencePicture;
import kestrafol.output.CpPicture;
import kestrafol.output.History;
import kestrafol.output.MachPicture;
import kestrafol.output.Numbers;
import kestrafol.output.SummaryJson;
import kestrafol.output.SurfaceCsv;
import kestrafol.output.VtuWriter;
import kestrafol.solver.Analysis;
import kestrafol.solver.BoundaryConditions;
import kestrafol.solver.ConvergenceMonitor;
import kestrafol.solver.ConvergenceMonitor.Stop;
import kestrafol.solver.ConvergenceVerdict;
import kestrafol.solver.Flow;
import kestrafol.solver.FlowChecks;
import kestrafol.solver.FlowReynolds;
import kestrafol.solver.Settings;
import kestrafol.solver.Solver;
import kestrafol.solver.WallForces;

/**
 * One solved case: mesh, solver loop with the stopping criteria, the toolkit's forces and
 * checks, and the output files (history.csv, summary.json, surface.csv, flow.vtu, pictures). A
 * plain method call: no exit, no global state, no signal handling (the command installs that and
 * calls {@link #requestStop()}), so commands that solve many cases may run several at once on
 * different threads, each with its own options and output folder.
 */
public final class Run {
    /** Exit status of a run whose residual became non-finite. */
    public static final int EXIT_DIVERGED = 3;

    /** The pictures a run may write; removed from the folder of a run without pictures. */
    public static final List<String> PICTURES = List.of("mach.png", "cp.png", "convergence.png");

    /**
     * What a finished run gives its caller. The coefficients are those of the last iteration,
     * or, for a run that ended on the coefficient criterion, their mean over its window.
     *
     * @param stoppedBy "orders", "cauchy", "iterations", "diverged" or "interrupted"
     * @param residualDrop orders of magnitude below the largest residual of the first iterations
     * @param converged true only for "orders" and "cauchy"
     * @param warnings everything the run found suspicious, one line each
     * @param libraryReynolds the Reynolds number passed to the library (NaN for inviscid runs)
     */
    public record Result(double cl, double cd, double cdPressure, double cdFriction, double cm,
            int iterations, String stoppedBy, double residualDrop, double wallSeconds,
            boolean converged, List<String> warnings, double libraryReynolds, History history) {
        /** 0, or {@link #EXIT_DIVERGED} for a run whose residual became non-finite. */
        public int exitStatus() {
            return "diverged".equals(stoppedBy) ? EXIT_DIVERGED : 0;
        }
    }

    private final RunOptions o;
    private final Path outDir;
    private final PrintStream out;
    private final Progress progress;
    private final AtomicBoolean stopRequested = new AtomicBoolean();
    private final long startNanos = System.nanoTime();
    private final List<String> warnings = new ArrayList<>();
    private Solver kept;

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

    /**
     * The solver of a run executed with keep, still open (null otherwise); the caller closes it.
     */
    Solver solver() {
        return kept;
    }

    /**
     * Asks the run to stop at the end of its current iteration and write everything it reached
     * (summary.json says "interrupted"). Safe to call from any thread, e.g. a signal handler.
     */
    public void requestStop() {
        stopRequested.set(true);
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
            mesh = MeshGenerator.naca(o.nacaCode(), o.meshOptions());
        }
        BoundaryConditions bc = BoundaryConditions.defaults(o.viscous);
        for (String b : o.boundaries) {
            bc = bc.with(b);
        }
        return bc.apply(mesh);
    }

    /** Runs the case once. */
    public Result execute() throws IOException {
        return execute(mesh(), null, false);
    }

    /**
     * Runs the case on the given mesh. With a solver from a neighbouring case (a polar chain), the
     * run continues from that solver's flow: it is updated to this case's settings and iterates
     * on, without a first-order start; the run owns it from then on. With keep, the solver stays
     * open after the run for the caller to take with {@link #solver()} (and close); otherwise the
     * run closes it, also when the run fails.
     */
    Result execute(Mesh mesh, Solver from, boolean keep) throws IOException {
        if (from != null && from.mesh() != mesh) {
            from.close();
            throw new IllegalArgumentException("a carried solver must be on the run's mesh");
        }
        int[] kinds = mesh.boundaryKindCodes();
        String closed = FlowChecks.noFarField(kinds, mesh.boundaryNames());
        if (closed != null) {
            if (o.boundaries.isEmpty()) {
                throw new IllegalArgumentException(closed);
            }
            warnings.add("no far-field boundary: the flow is a closed domain, as the --bc"
                    + " options say");
        }
        boolean[] monitored = monitoredTags(mesh);
        WallForces.Reference reference = reference(mesh, monitored);
        WallForces forces = new WallForces(mesh.coords(), mesh.triangles(), mesh.quads(),
                mesh.boundaryEdges(), kinds, monitored, reference);
        double libraryReynolds = o.viscous
                ? FlowReynolds.toLibrary(o.reynolds, o.mach, reference.length()) : Double.NaN;
        Settings target = o.settings(libraryReynolds);
        int startup = target.secondOrder() && from == null ? o.startup : 0;
        Settings initial = startup > 0 ? target.withSecondOrder(false) : target;
        int cap = o.iterationCap(mesh.nodeCount());
        ConvergenceMonitor monitor = new ConvergenceMonitor(new ConvergenceMonitor.Criteria(
                o.orders, o.cauchyEps, o.cauchyWindow, cap, startup));
        WallForces.Conditions conditions = new WallForces.Conditions(target.mach(),
                target.alphaDegrees(), target.gamma(), target.viscous(), libraryReynolds);

        header(mesh, target, startup, cap, monitored, reference, libraryReynolds);
        prepareFolder();
        if (forces.monitoredEdgeCount() == 0) {
            warnings.add("no monitored wall: cl, cd and cm are 0 because no force is integrated,"
                    + " and the coefficient criterion cannot end the run");
        }
        if (o.viscous) {
            double h = FlowChecks.firstCellHeight(mesh.coords(), mesh.triangles(), mesh.quads(),
                    mesh.boundaryEdges(), kinds);
            String w = FlowChecks.viscousPreflight(h, libraryReynolds);
            if (w != null) {
                warnings.add(w);
            }
        }
        for (String w : warnings) {
            out.println("Warning: " + w);
        }
        if (!warnings.isEmpty()) {
            out.println();
        }

        History history = new History();
        WallForces.Result wall = null;
        double[] state = null;
        int switchedAt = 0;
        double solverNanos = 0;
        progress.header(seconds());
        Solver solver = from;
        boolean handOver = false;
        try {
            if (solver == null) {
                solver = new Solver(mesh, initial, o.renumber());
            } else {
                solver.update(target);
                progress.message("        continued from the flow of the previous case");
            }
            for (int it = 1; ; it++) {
                if (startup > 0 && it == startup + 1) {
                    solver.update(target);
                    switchedAt = startup;
                    progress.message("        switched to second order after iteration " + startup);
                }
                long t0 = System.nanoTime();
                state = solver.iterate();
                Analysis a = solver.analysis();
                solverNanos += System.nanoTime() - t0;
                wall = forces.compute(state, conditions);
                double elapsed = seconds();
                Stop stop = monitor.add(it, a.residualNorm(), wall.cl(), wall.cd(), wall.cm());
                history.add(it, a.residualNorm(), wall.cl(), wall.cd(), wall.cm(),
                        wall.cdPressure(), wall.cdFriction(), elapsed);
                if (stop == null && stopRequested.get()) {
                    monitor.interrupt();
                    stop = Stop.INTERRUPTED;
                    progress.message("        interrupted: stopping after iteration " + it);
                }
                if (it == 1 || it % o.printEvery == 0 || stop != null) {
                    progress.line(it, a.residualNorm(), monitor.residualDrop(), wall.cl(),
                            wall.cd(), elapsed);
                }
                if (stop != null) {
                    break;
                }
                progress.bar(it, cap, Math.max((double) it / cap,
                        Math.max(0, monitor.residualDrop()) / o.orders), elapsed);
            }
            progress.clearBar();
            handOver = keep;
        } finally {
            if (handOver) {
                kept = solver;
            } else if (solver != null) {
                solver.close();
            }
        }
        double solverSeconds = solverNanos * 1e-9;
        Stop stop = monitor.stop();
        double[] answer = answer(history, stop);
        if (stop == Stop.DIVERGED) {
            warnings.add(divergenceAdvice(monitor.iterations(), target, startup));
        } else {
            addIfPresent(FlowChecks.floorNodes(mesh.coords(), state, target.gamma()));
            addIfPresent(FlowChecks.localMach(mesh.coords(), state, target.gamma(),
                    target.mach()));
        }
        // Converged only when a criterion fired, the residual dropped and nothing is clipped.
        ConvergenceVerdict verdict = ConvergenceVerdict.of(monitor,
                stop == Stop.DIVERGED ? 0 : FlowChecks.floorNodeCount(state, target.gamma()));
        warnings.addAll(verdict.warnings());

        history.writeCsv(outDir.resolve("history.csv"));
        String title = String.format(Locale.ROOT, "%s, Mach %s, alpha %s deg", o.caseName(),
                Numbers.format(target.mach()), Numbers.format(target.alphaDegrees()));
        if (stop != Stop.DIVERGED) {
            Flow flow = new Flow(state, target);
            VtuWriter.write(mesh, flow, outDir.resolve("flow.vtu"));
            SurfaceCsv.write(wall.surface(), mesh.boundaryNames(), outDir.resolve("surface.csv"));
            if (o.pictures()) {
                double chord = o.chordKnown() ? reference.length() : Double.NaN;
                MachPicture.write(mesh, flow.field(Flow.Quantity.MACH), "Mach number, " + title,
                        "Mach", 1.0, chord, outDir.resolve("mach.png"));
                CpPicture.write(wall.surface(), forces.closedWalls(), target.mach(), target.gamma(),
                        reference.length(), "Pressure coefficient, " + title,
                        outDir.resolve("cp.png"));
                ConvergencePicture.write(history, "Convergence, " + title, switchedAt,
                        outDir.resolve("convergence.png"));
            }
        }
        double wallSeconds = seconds();
        Result result = new Result(answer[0], answer[1], answer[2], answer[3], answer[4],
                monitor.iterations(), stop.key(), monitor.residualDrop(), wallSeconds,
                verdict.converged(), List.copyOf(warnings), libraryReynolds, history);
        SummaryJson.write(summary(result, target, cap, startup, reference, mesh, monitored,
                stop), outDir.resolve("summary.json"));
        report(result, stop, solverSeconds, cap);
        return result;
    }

    private void addIfPresent(String warning) {
        if (warning != null) {
            warnings.add(warning);
        }
    }

    /**
     * Tags whose forces count: the --monitor names, or every wall that is not a symmetry plane
     * (a name with "sym" in it).
     */
    private boolean[] monitoredTags(Mesh mesh) {
        List<String> names = mesh.boundaryNames();
        boolean[] monitored = new boolean[names.size()];
        if (o.monitor == null || o.monitor.isEmpty()) {
            for (int t = 0; t < names.size(); t++) {
                monitored[t] = mesh.boundaryKind(t + 1).isWall()
                        && !names.get(t).toLowerCase(Locale.ROOT).contains("sym");
            }
            return monitored;
        }
        for (String wanted : o.monitor) {
            int found = -1;
            for (int t = 0; t < names.size(); t++) {
                if (names.get(t).equalsIgnoreCase(wanted.strip())) {
                    found = t;
                }
            }
            if (found < 0) {
                throw new IllegalArgumentException("--monitor: the mesh has no boundary named \""
                        + wanted + "\"; its boundaries are " + mesh.describeBoundaries());
            }
            if (!mesh.boundaryKind(found + 1).isWall()) {
                throw new IllegalArgumentException("--monitor: boundary \"" + names.get(found)
                        + "\" is a far field, not a wall; monitor walls only");
            }
            monitored[found] = true;
        }
        return monitored;
    }

    /**
     * The moment point and reference length: the options when given; otherwise chord 1 and the
     * quarter chord for a built-in airfoil, diameter 1 and the centre for the built-in circle,
     * and for a mesh the x-extent of the monitored walls with the point a quarter of it behind
     * their front node.
     */
    private WallForces.Reference reference(Mesh mesh, boolean[] monitored) {
        double length;
        double x;
        double y;
        if (o.mesh == null) {
            length = 1;
            x = o.circle ? 0.5 : 0.25;
            y = 0;
        } else {
            double xMin = Double.MAX_VALUE;
            double xMax = -Double.MAX_VALUE;
            double yFront = 0;
            for (int e = 0; e < mesh.boundaryEdgeCount(); e++) {
                if (!monitored[mesh.edgeTag(e) - 1]) {
                    continue;
                }
                for (int k = 0; k < 2; k++) {
                    int n = mesh.edgeNode(e, k);
                    if (mesh.x(n) < xMin) {
                        xMin = mesh.x(n);
                        yFront = mesh.y(n);
                    }
                    xMax = Math.max(xMax, mesh.x(n));
                }
            }
            length = xMax > xMin ? xMax - xMin : 1;
            x = xMax >= xMin ? xMin + 0.25 * length : 0;
            // A front node a rounding error off the axis is on it.
            y = Math.abs(yFront) < 1e-12 * length ? 0 : yFront;
        }
        if (o.refLength != null) {
            length = o.refLength;
        }
        if (o.refPoint != null) {
            x = o.refPoint[0];
            y = o.refPoint[1];
        }
        return new WallForces.Reference(x, y, length);
    }

    /** Creates the output folder, or says which path is at fault and why. */
    private void prepareFolder() throws IOException {
        try {
            Files.createDirectories(outDir);
            Path probe = Files.createTempFile(outDir, ".kestrafol", ".tmp");
            Files.delete(probe);
            if (!o.pictures()) {
                for (String name : PICTURES) {
                    Files.deleteIfExists(outDir.resolve(name));
                }
            }
        } catch (FileAlreadyExistsException e) {
            throw new IOException("output folder " + outDir.toAbsolutePath().normalize()
                    + ": " + e.getFile() + " exists and is not a folder", e);
        } catch (AccessDeniedException e) {
            throw new IOException("output folder " + outDir.toAbsolutePath().normalize()
                    + ": no permission to write " + e.getFile(), e);
        } catch (NoSuchFileException e) {
            throw new IOException("output folder " + outDir.toAbsolutePath().normalize()
                    + ": " + e.getFile() + " does not exist", e);
        } catch (FileSystemException e) {
            throw new IOException("output folder " + outDir.toAbsolutePath().normalize()
                    + ": " + (e.getReason() != null ? e.getReason() : e.getMessage()), e);
        }
    }

    private void header(Mesh mesh, Settings s, int startup, int cap, boolean[] monitored,
            WallForces.Reference reference, double libraryReynolds) {
        out.println("Kestrafol: " + o.caseName() + ", " + mesh);
        String viscous = "inviscid";
        if (s.viscous()) {
            viscous = String.format(Locale.ROOT, "viscous (laminar), Reynolds %s based on the"
                    + " flow speed and length %s (the library gets %s per unit length, based on"
                    + " the speed of sound)", Numbers.format(o.reynolds),
                    brief(reference.length()), brief(libraryReynolds));
        }
        out.println(String.format(Locale.ROOT, "Flow: Mach %s, alpha %s deg, gamma %s, %s",
                Numbers.format(s.mach()), Numbers.format(s.alphaDegrees()),
                Numbers.format(s.gamma()), viscous));
        out.println(s.unsteady() ? "Time: " + RunOptions.UNSTEADY_NOTE : "Time: steady");
        out.println("Scheme: " + (s.secondOrder() ? "second order (weight "
                + Numbers.format(s.reconstructionWeight()) + ")"
                + (startup > 0 ? ", first " + startup + " iterations in first order" : "")
                : "first order"));
        List<String> walls = new ArrayList<>();
        for (int t = 0; t < monitored.length; t++) {
            if (monitored[t]) {
                walls.add(mesh.boundaryNames().get(t));
            }
        }
        out.println(String.format(Locale.ROOT, "Forces on: %s; reference length %s, moment about"
                + " (%s, %s)", walls.isEmpty() ? "nothing" : String.join(", ", walls),
                brief(reference.length()), brief(reference.x()), brief(reference.y())));
        out.println("Stop at the first of: residual down " + Numbers.format(o.orders)
                + " orders" + (o.cauchyWindow > 0 ? String.format(Locale.ROOT,
                        ", means of cl, cd and cm over three windows of %d iterations within %s",
                        o.cauchyWindow, Numbers.format(o.cauchyEps)) : "")
                + ", " + cap + " iterations (cap: not converged)");
        out.println("Output: " + outDir.toAbsolutePath().normalize());
        out.println();
    }

    /**
     * {cl, cd, cdPressure, cdFriction, cm}: the mean over the window of the coefficient criterion
     * when that ended the run (the coefficients then still swing a little around their value),
     * the last iteration's values otherwise.
     */
    private double[] answer(History h, Stop stop) {
        int n = h.size();
        int from = stop == Stop.CAUCHY ? Math.max(0, n - answerWindow()) : n - 1;
        double[] sum = new double[5];
        for (int k = from; k < n; k++) {
            sum[0] += h.lift(k);
            sum[1] += h.drag(k);
            sum[2] += h.dragPressure(k);
            sum[3] += h.dragFriction(k);
            sum[4] += h.moment(k);
        }
        for (int c = 0; c < 5; c++) {
            sum[c] /= n - from;
        }
        return sum;
    }

    /** What to try after a divergence, given what this run already did. */
    private String divergenceAdvice(int iteration, Settings s, int startup) {
        StringBuilder sb = new StringBuilder("the run diverged at iteration " + iteration
                + " (residual or coefficients no longer finite). ");
        boolean viscousTooFine = false;
        for (String w : warnings) {
            viscousTooFine |= w.startsWith("first-cell height");
        }
        if (viscousTooFine) {
            sb.append("The first-cell height is below what the explicit viscous terms tolerate at"
                    + " this Reynolds number (see the warning above): use a coarser wall spacing"
                    + " or a higher Reynolds number; first order does not help.");
        } else if (s.secondOrder() && startup == 0) {
            sb.append("Try a first-order start (--startup-first-order 200) or first order"
                    + " (--first-order).");
        } else if (s.secondOrder()) {
            sb.append("Try a longer first-order start or first order (--first-order).");
        } else {
            sb.append("It diverged in first order already: try gentler conditions (a lower Mach"
                    + " number or angle of attack) or a smoother, finer mesh near the body.");
        }
        return sb.toString();
    }

    private Map<String, Object> summary(Result r, Settings s, int cap, int startup,
            WallForces.Reference reference, Mesh mesh, boolean[] monitored, Stop stop) {
        Map<String, Object> m = new LinkedHashMap<>();
        m.put("case", o.caseName());
        m.put("cl", r.cl());
        m.put("cd", r.cd());
        m.put("cdPressure", r.cdPressure());
        m.put("cdFriction", r.cdFriction());
        m.put("cm", r.cm());
        m.put("coefficientsAre", stop == Stop.CAUCHY
                ? "mean of the last " + answerWindow() + " iterations" : "last iteration");
        m.put("iterations", r.iterations());
        m.put("stoppedBy", r.stoppedBy());
        m.put("converged", r.converged());
        m.put("residualDrop", r.residualDrop());
        m.put("wallSeconds", r.wallSeconds());
        m.put("warnings", r.warnings());
        Map<String, Object> settings = new LinkedHashMap<>();
        settings.put("mesh", o.mesh != null ? o.mesh.toString() : o.caseName());
        settings.put("nodes", mesh.nodeCount());
        settings.put("mach", s.mach());
        settings.put("alpha", s.alphaDegrees());
        settings.put("gamma", s.gamma());
        settings.put("viscous", s.viscous());
        settings.put("reynolds", o.viscous ? o.reynolds : null);
        settings.put("libraryReynolds", o.viscous ? r.libraryReynolds() : null);
        settings.put("unsteady", s.unsteady());
        settings.put("secondOrder", s.secondOrder());
        settings.put("reconstructionWeight", s.reconstructionWeight());
        settings.put("startupFirstOrder", startup);
        settings.put("orders", o.orders);
        settings.put("cauchyEps", o.cauchyEps);
        settings.put("cauchyWindow", o.cauchyWindow);
        settings.put("iterationCap", cap);
        List<String> walls = new ArrayList<>();
        Map<String, Object> boundaries = new LinkedHashMap<>();
        for (int t = 0; t < monitored.length; t++) {
            String name = mesh.boundaryNames().get(t);
            boundaries.put(name, mesh.boundaryKind(t + 1).label());
            if (monitored[t]) {
                walls.add(name);
            }
        }
        settings.put("boundaries", boundaries);
        settings.put("monitor", walls);
        settings.put("referenceLength", reference.length());
        settings.put("referencePoint", List.of(reference.x(), reference.y()));
        m.put("settings", settings);
        return m;
    }

    private void report(Result r, Stop stop, double solverSeconds, int cap) {
        out.println();
        out.println("Stopped: " + reason(stop, cap));
        out.println(String.format(Locale.ROOT,
                "Iterations %d, wall time %.1f s (solver %.1f s, %.1f iterations/s)",
                r.iterations(), r.wallSeconds(), solverSeconds,
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
            out.println("(means over the last " + answerWindow() + " iterations)");
        }
        for (String w : r.warnings()) {
            out.println("Warning: " + w);
        }
        List<String> files = new ArrayList<>(List.of("history.csv", "summary.json"));
        if (stop != Stop.DIVERGED) {
            files.addAll(List.of("surface.csv", "flow.vtu"));
            if (o.pictures()) {
                files.addAll(PICTURES);
            }
        }
        out.println("Results in " + outDir.toAbsolutePath().normalize() + ": "
                + String.join(" ", files));
    }

    /** Iterations the answer of a settled run averages: all windows of the criterion. */
    private int answerWindow() {
        return ConvergenceMonitor.WINDOWS * o.cauchyWindow;
    }

    private String reason(Stop stop, int cap) {
        switch (stop) {
            case ORDERS:
                return "the residual norm dropped by " + Numbers.format(o.orders) + " orders (--orders)";
            case CAUCHY:
                return "cl, cd and cm settled: their means over the last three windows of "
                        + o.cauchyWindow + " iterations agree within " + Numbers.format(o.cauchyEps)
                        + " (--cauchy)";
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

    private double seconds() {
        return (System.nanoTime() - startNanos) * 1e-9;
    }
}
