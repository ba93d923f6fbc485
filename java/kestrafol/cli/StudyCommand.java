package kestrafol.cli;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.Callable;
import kestrafol.run.MethodLimits;
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
        if (options.adapt > 0) {
            throw usage("--adapt: a study's levels are the built-in meshes' ladder; a ladder of"
                    + " adapted meshes is not built yet, so adapt single runs (run --adapt)");
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
        List<Ladder.Level> ladder = Ladder.levels(folder, points,
                (n, level) -> options.definitionAt(n, true));
        SlurmOptions task = study.slurmJob;
        if (task.task != null) {
            SlurmStudy.runTask(folder, ladder, task.task, task.tasks(spec, ladder.size(),
                    "study", ladder.size() + " levels"), task.jobId, out);
            return 0;
        }
        return solve(folder, ladder);
    }

    /** The study of the settled ladder. */
    private int solve(Path folder, List<Ladder.Level> ladder) throws IOException,
            InterruptedException {
        List<String> command = new ArrayList<>(SlurmOptions.javaCommand());
        command.addAll(List.of("study", "--config", folder.resolve(Study.CONFIGURATION)
                .toString()));
        return new Study(study.plan(folder, ladder, options.body.resolution, !options.noPictures,
                gathering, command, MethodLimits.of(ladder.get(0).definition()),
                options.checkpointEvery), CaseFile.studyRecords(spec, options), out).run();
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
