package kestrafol.cli;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.Callable;
import kestrafol.run.AdaptedLevels;
import kestrafol.run.CaseDefinition;
import kestrafol.run.MethodLimits;
import kestrafol.run.Run;
import kestrafol.study.StudyOutputs;
import kestrafol.study.Ladder;
import picocli.CommandLine;
import picocli.CommandLine.Command;
import picocli.CommandLine.Mixin;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;
import picocli.CommandLine.Spec;
import kestrafol.batch.SlurmStudy;
import kestrafol.batch.Study;

/**
 * "kestrafol study": a grid-convergence study of one case on a ladder of built-in meshes (see
 * {@link Study}); the files of {@link kestrafol.study.StudyOutputs} in the output folder, a
 * folder per level.
 */
@Command(name = "study", separator = " ", sortOptions = false, usageHelpAutoWidth = true,
        description = {"Solves one case on a ladder of built-in meshes, the finest of"
                + " --resolution points around the body, each next level --ratio times coarser in"
                + " points per direction (points around and layers together), and estimates the"
                + " discretisation error of CL, CD and CM: observed order, Richardson-extrapolated"
                + " value and grid convergence index (GCI, safety factor 1.25) of the finest"
                + " level from its three finest levels.",
            "Writes the study's files (listed below) into the output folder and a case folder"
                + " per level.", ""},
        footer = {"", "Every option of \"kestrafol run\" applies to each level; --out defaults to"
                + " study and --resolution to " + Ladder.DEFAULT_FINEST + " (so that the next level"
                + " is the default mesh of \"kestrafol run\").",
            "With --adapt N the levels are adapted meshes of one family: N cycles from the"
                + " second level's built-in mesh to --max-nodes M (default: the nodes of the"
                + " finest level's built-in mesh); the finest level is the last adapted mesh, each"
                + " further level places fewer points by its size field, its nodes the finest's"
                + " over the ratio squared. study.csv marks the levels adapted.",
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

    /** The ladder, the workers and the Slurm job array. */
    @Mixin
    final StudyOptions study = new StudyOptions();

    /** Set on the study recorded in a folder that --gather collects: its levels ran in Slurm. */
    private boolean gathering;

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
        if (study.gather != null) {
            return gatherSlurm();
        }
        if (options.body.resolutionOption == null) {
            options.body.resolutionOption = Ladder.DEFAULT_FINEST;
        }
        conditions.applyTo(options).validate();
        if (options.body.mesh != null) {
            throw usage("a study needs a built-in body (--naca, --circle or --airfoil): it"
                    + " generates the mesh of each level");
        }
        if (options.adapt > 0 && study.resume) {
            throw usage("--resume does not apply with --adapt: a study on adapted meshes adapts"
                    + " again, so run it afresh");
        }
        study.settle(spec, options.out);
        int[] points;
        try {
            points = Ladder.ladder(options.body.resolution, study.levels, study.ratio);
        } catch (IllegalArgumentException e) {
            throw usage(e.getMessage());
        }
        Path folder = options.out.toAbsolutePath().normalize();
        Files.createDirectories(folder);
        SlurmOptions task = study.slurmJob;
        AdaptedLevels.Family family = options.adapt == 0 ? null
                : adapted(folder, points, task.task != null || gathering);
        List<Ladder.Level> ladder;
        if (family == null) {
            ladder = Ladder.levels(folder, points, (n, level) -> options.definitionAt(n, true));
        } else {
            try {
                points = family.ladder().levelPoints(family.finestPoints(), study.levels,
                        study.ratio, Ladder.MIN_POINTS);
            } catch (IllegalArgumentException e) {
                throw usage(e.getMessage());
            }
            ladder = Ladder.levels(folder, points,
                    (n, level) -> options.definitionAt(n, true, 0, null), family.ladder());
        }
        if (task.task != null) {
            SlurmStudy.runTask(folder, ladder, task.task, task.tasks(spec, ladder.size(),
                    "study", ladder.size() + " levels"), task.jobId, out);
            return 0;
        }
        return solve(folder, ladder, family);
    }

    /**
     * The adaptation of a study with --adapt N: N cycles from the second level's built-in mesh
     * (one ratio coarser than --resolution) to the node budget (--max-nodes, or the nodes of
     * the finest level's built-in mesh), recorded in the study's folder; an array task or a
     * gathering reads the one recorded instead.
     */
    private AdaptedLevels.Family adapted(Path folder, int[] points, boolean recorded)
            throws IOException {
        Path file = folder.resolve(StudyOutputs.ADAPTATION);
        Integer budget = options.maxNodes;
        if (budget == null) {
            budget = Run.mesh(options.definitionAt(points[0], false, 0, null)).nodeCount();
        }
        CaseDefinition start = options.definitionAt(points[1], false, options.adapt, budget);
        if (recorded) {
            return AdaptedLevels.recorded(file, start);
        }
        out.println("Adapting: " + options.adapt + " cycle" + (options.adapt == 1 ? "" : "s")
                + " from the second level's mesh (" + points[1] + " points around the body) to"
                + " at most " + String.format(java.util.Locale.ROOT, "%,d", budget) + " nodes");
        AdaptedLevels.Family family;
        try {
            family = AdaptedLevels.adapt(start, out);
            family = family.with(family.ladder().levels(family.finestPoints(), study.levels,
                    study.ratio, Ladder.MIN_POINTS));
        } catch (IllegalArgumentException | IllegalStateException e) {
            throw usage("--adapt: " + e.getMessage());
        }
        AdaptedLevels.record(family, file);
        return family;
    }

    /** The study of the settled ladder. */
    private int solve(Path folder, List<Ladder.Level> ladder, AdaptedLevels.Family family)
            throws IOException, InterruptedException {
        List<String> command = new ArrayList<>(SlurmOptions.javaCommand());
        command.addAll(List.of("study", "--config", folder.resolve(Study.CONFIGURATION)
                .toString()));
        return new Study(study.plan(folder, ladder, options.body.resolution, !options.noPictures,
                gathering, command, MethodLimits.of(ladder.get(0).definition()),
                options.checkpointEvery, family == null ? null : family.describe()),
                CaseFile.studyRecords(spec, options), out).run();
    }

    /**
     * study --gather DIR: the study recorded in DIR/study.properties, its levels taken from the
     * Slurm job recorded there (waiting while it runs), then the same results as a local study.
     */
    private int gatherSlurm() throws IOException, InterruptedException {
        if (spec.commandLine().getParseResult().matchedOptions().size() > 1) {
            throw usage("--gather takes no other options: the folder holds the study's settings");
        }
        Path file = study.gather.toAbsolutePath().normalize().resolve(Study.CONFIGURATION);
        StudyCommand recorded = Configuration.recorded(new CommandLine(new StudyCommand(out)),
                "study", file, out);
        // The tasks wrote into this folder; it names the levels' folders too.
        recorded.options.out = file.getParent();
        recorded.gathering = true;
        return recorded.call();
    }

    private ParameterException usage(String message) {
        return new ParameterException(spec.commandLine(), message);
    }
}
