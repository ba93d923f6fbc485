package kestrafol.cli;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.Set;
import java.util.concurrent.Callable;
import kestrafol.base.Numbers;
import kestrafol.polar.PolarTally;
import kestrafol.report.StudyReport;
import kestrafol.run.CaseDefinition;
import kestrafol.run.MethodLimits;
import kestrafol.run.Run;
import kestrafol.study.GridConvergence;
import kestrafol.study.Study;
import kestrafol.study.StudyOutputs;
import picocli.CommandLine.Command;
import picocli.CommandLine.Mixin;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;
import picocli.CommandLine.Spec;

/**
 * "kestrafol study": a grid-convergence study of one case on a ladder of built-in meshes (see
 * {@link Study}); study.csv, summary.json, study.png and report.html in the output folder, a
 * folder per level.
 */
@Command(name = "study", separator = " ", sortOptions = false, usageHelpAutoWidth = true,
        description = {"Solves one case on a ladder of built-in meshes, the finest of"
                + " --resolution points around the body, each next level --ratio times coarser in"
                + " points per direction (points around and layers together), and estimates the"
                + " discretisation error of CL, CD and CM: observed order, Richardson-extrapolated"
                + " value and grid convergence index (GCI, safety factor 1.25) of the finest"
                + " level from its three finest levels.",
            "Writes study.csv, summary.json, study.png and report.html into the output folder"
                + " and a case folder per level.", ""},
        footer = {"", "Every option of \"kestrafol run\" applies to each level; --out defaults to"
                + " study and --resolution to " + Study.DEFAULT_FINEST + " (so that the next level"
                + " is the default mesh of \"kestrafol run\").",
            "Exit status: 0 every level converged, 4 a level did not converge, 3 a level"
                + " diverged, 1 a level failed (or bad input), 2 bad options."})
final class StudyCommand implements Callable<Integer> {
    private final PrintStream out;

    @Spec
    CommandSpec spec;

    @Mixin
    FlowConditions conditions;

    @Mixin
    final RunOptions options = RunOptions.writingTo(Path.of("study"));

    @Option(names = "--levels", paramLabel = "L", description = "levels of the ladder, at least 2"
            + " (default: ${DEFAULT-VALUE}; three give an observed order)")
    int levels = Study.DEFAULT_LEVELS;

    @Option(names = "--ratio", paramLabel = "R", converter = RunOptions.FiniteDouble.class,
            description = "refinement ratio between levels in points per direction (default:"
                    + " 1.41421, i.e. sqrt(2): each level has about half the nodes of the one"
                    + " above)")
    double ratio = Study.DEFAULT_RATIO;

    @Option(names = "--jobs", paramLabel = "N", description = "levels at the same time, one"
            + " solver per worker thread (default: the number of cores, here ${DEFAULT-VALUE})")
    int jobs = Runtime.getRuntime().availableProcessors();

    @Option(names = "--slurm", description = "not available for studies: the levels run locally")
    boolean slurm;

    @Option(names = "--config", paramLabel = "FILE", description = "options from a properties"
            + " file, keys named like the long options; the command line overrides it")
    Path config;

    @Option(names = {"-h", "--help"}, usageHelp = true, description = "show this help and exit")
    boolean help;

    StudyCommand(PrintStream out) {
        this.out = out;
    }

    @Override
    public Integer call() throws IOException, InterruptedException {
        if (options.resolutionOption == null) {
            options.resolutionOption = Study.DEFAULT_FINEST;
        }
        conditions.applyTo(options).validate();
        if (slurm) {
            throw usage("--slurm is not available for a study: its levels run locally on"
                    + " --jobs workers");
        }
        if (options.mesh != null) {
            throw usage("a study needs a built-in body (--naca, --circle or --airfoil): it"
                    + " generates the mesh of each level");
        }
        if (jobs < 1) {
            throw usage("--jobs expects a whole number of at least 1, got " + jobs);
        }
        int[] points;
        try {
            points = Study.ladder(options.resolution, levels, ratio);
        } catch (IllegalArgumentException e) {
            throw usage(e.getMessage());
        }
        Path folder = options.out.toAbsolutePath().normalize();
        Files.createDirectories(folder);
        List<Study.Level> ladder = new ArrayList<>();
        for (int k = 0; k < points.length; k++) {
            Path level = folder.resolve(String.format(Locale.ROOT, "level%d-n%d", k + 1,
                    points[k]));
            ladder.add(new Study.Level(k + 1, points[k],
                    options.definitionAt(points[k], level, true), level));
        }
        Path file = folder.resolve("study.properties");
        CaseFile.write(file, List.of("kestrafol study: the effective options of this study.",
                "Re-run it with: kestrafol study --config " + file),
                Configuration.complete(Configuration.entries(spec, Set.of()), options));

        CaseDefinition finest = ladder.get(0).definition();
        String title = String.format(Locale.ROOT, "%s, Mach %s, alpha %s deg", finest.caseName(),
                Numbers.format(finest.mach()), Numbers.format(finest.alpha()));
        out.println(String.format(Locale.ROOT, "Kestrafol study: %s; %d levels, ratio %.4g in"
                + " points per direction, the finest of --resolution %d: %s points around the"
                + " body", title, points.length, ratio, points[0], joined(points)));
        out.println("Output: " + folder);
        List<String> warnings = new ArrayList<>(MethodLimits.of(finest));
        for (String w : warnings) {
            out.println("Warning: " + w);
        }
        int workers = Math.min(jobs, points.length);
        out.println("Workers: " + workers + " (--jobs " + jobs + ")");
        List<Study.Outcome> outcomes = Study.run(ladder, workers, new Study.Listener() {
            @Override
            public void started(Study.Level level) {
                synchronized (out) {
                    out.println(String.format(Locale.ROOT, "  level %d (%d points): started",
                            level.number(), level.points()));
                }
            }

            @Override
            public void finished(Study.Outcome o) {
                synchronized (out) {
                    out.println(line(o));
                }
            }
        });
        for (Study.Outcome o : outcomes) {
            if (o.result() == null) {
                warnings.add("level " + o.level().number() + " failed: " + o.message());
            } else if (!o.converged()) {
                warnings.add("level " + o.level().number() + " (" + o.level().points()
                        + " points) did not converge (" + o.result().stoppedBy() + "): the"
                        + " estimate rests on values that are not an answer");
            }
        }
        Map<String, GridConvergence.Estimate> estimates = Study.estimates(outcomes,
                ErrorEstimate.ASSUMED_ORDER);
        for (Map.Entry<String, GridConvergence.Estimate> e : estimates.entrySet()) {
            if (e.getValue() != null && e.getValue().note() != null && outcomes.size() >= 3) {
                warnings.add(e.getKey() + ": " + e.getValue().note());
            }
        }
        // Each level's own case file, beside the run's files (a run clears its folder first).
        for (Study.Level level : ladder) {
            writeCaseFile(level);
        }
        StudyOutputs.writeCsv(outcomes, folder.resolve(StudyOutputs.CSV));
        StudyOutputs.writeSummary(finest.caseName(), ratio, outcomes, estimates, warnings,
                folder.resolve(StudyOutputs.SUMMARY));
        if (!options.noPictures) {
            StudyOutputs.writePicture(title, outcomes, estimates,
                    folder.resolve(StudyOutputs.PICTURE));
        }
        Path report = StudyReport.write(folder, "Grid study, " + title);
        out.println();
        for (Map.Entry<String, GridConvergence.Estimate> e : estimates.entrySet()) {
            out.println(estimateLine(e.getKey(), outcomes.get(0).coefficient(e.getKey()),
                    e.getValue(), outcomes.size()));
        }
        for (String w : warnings) {
            out.println("Warning: " + w);
        }
        out.println("Results in " + folder + ": " + StudyOutputs.CSV + " " + StudyOutputs.SUMMARY
                + (options.noPictures ? "" : " " + StudyOutputs.PICTURE) + " and a folder per"
                + " level");
        out.println("Report: " + report);
        return exitStatus(outcomes);
    }

    /** The level's own case.properties: "kestrafol run --config" repeats it alone. */
    private void writeCaseFile(Study.Level level) throws IOException {
        java.util.LinkedHashMap<String, String> e = Configuration.entries(
                spec.mixins().get("conditions"), Set.of());
        e.putAll(Configuration.complete(Configuration.entries(spec.mixins().get("options"),
                Set.of()), options));
        e.put("resolution", Integer.toString(level.points()));
        e.put("out", level.folder().toString());
        Files.createDirectories(level.folder());
        Path file = level.folder().resolve("case.properties");
        CaseFile.write(file, List.of("kestrafol study, level " + level.number() + " ("
                + level.points() + " points): the effective options of this level.",
                "Re-run it alone with: kestrafol run --config " + file), e);
    }

    /** 1 a level failed, 3 one diverged, 4 one did not converge, else 0. */
    static int exitStatus(List<Study.Outcome> outcomes) {
        int status = 0;
        for (Study.Outcome o : outcomes) {
            if (o.result() == null) {
                return Main.EXIT_BAD_INPUT;
            }
            if (o.result().exitStatus() == Run.EXIT_DIVERGED) {
                status = Run.EXIT_DIVERGED;
            } else if (!o.converged() && status == 0) {
                status = Run.EXIT_NOT_CONVERGED;
            }
        }
        return status;
    }

    private static String line(Study.Outcome o) {
        if (o.result() == null) {
            return String.format(Locale.ROOT, "  level %d (%d points): failed: %s",
                    o.level().number(), o.level().points(), o.message());
        }
        Run.Result r = o.result();
        return String.format(Locale.ROOT, "  level %d (%d points, %d nodes): CL %.6f CD %.6f CM"
                + " %.6f, %d iterations, stopped by %s%s", o.level().number(), o.level().points(), o.nodes(),
                r.cl(), r.cd(), r.cm(), r.iterations(), r.stoppedBy(),
                r.converged() ? "" : ", NOT CONVERGED");
    }

    private static String estimateLine(String name, double finest, GridConvergence.Estimate e,
            int levels) {
        String n = name.toUpperCase(Locale.ROOT);
        if (e == null) {
            return n + ": no estimate (a level gave no value)";
        }
        return String.format(Locale.ROOT, "%s finest %.6f, extrapolated %.6f, GCI %.2g (%s"
                + " order %s)%s", n, finest, e.extrapolated(), e.gci(),
                levels >= 3 ? "observed" : "assumed",
                Double.isFinite(e.order()) ? String.format(Locale.ROOT, "%.2f", e.order()) : "-",
                e.note() == null ? "" : ": " + e.note());
    }

    private static String joined(int[] points) {
        List<String> t = new ArrayList<>();
        for (int p : points) {
            t.add(Integer.toString(p));
        }
        return String.join(", ", t);
    }

    private ParameterException usage(String message) {
        return new ParameterException(spec.commandLine(), message);
    }
}
