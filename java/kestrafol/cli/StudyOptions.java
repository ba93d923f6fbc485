package kestrafol.cli;

import java.nio.file.Path;
import java.util.List;
import kestrafol.batch.SlurmJob;
import kestrafol.batch.Study;
import kestrafol.study.Ladder;
import kestrafol.study.TwoMeshes;
import picocli.CommandLine.Mixin;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;

/**
 * The options of "kestrafol study" beyond those of a run: the ladder, the workers and the Slurm
 * job array; their checks, and the {@link Study.Plan} they settle.
 */
final class StudyOptions {
    @Option(names = "--levels", paramLabel = "L", description = "levels of the ladder, at least 2"
            + " (default: ${DEFAULT-VALUE}; three give an observed order)")
    int levels = Ladder.DEFAULT_LEVELS;

    @Option(names = "--ratio", paramLabel = "R", converter = RunOptions.FiniteDouble.class,
            description = "refinement ratio between levels in points per direction (default:"
                    + " 1.41421, i.e. sqrt(2): each level has about half the nodes of the one"
                    + " above)")
    double ratio = Ladder.DEFAULT_RATIO;

    @Option(names = "--jobs", paramLabel = "N", description = "levels at the same time, one"
            + " solver per worker thread (default: the number of cores, here ${DEFAULT-VALUE})")
    int jobs = Runtime.getRuntime().availableProcessors();

    // --- Slurm: the levels as a job array, detached submission, gathering ---

    @Option(names = "--slurm", description = "run the levels as a Slurm job array (one level per"
            + " task), wait for it and gather the results")
    boolean slurm;

    /** --partition, --time and the hidden options of one array task. */
    @Mixin
    final SlurmOptions slurmJob = new SlurmOptions();

    @Option(names = "--detach", description = "with --slurm: submit, record the job and return at"
            + " once; collect the results later with --gather")
    boolean detach;

    @Option(names = "--gather", paramLabel = "DIR", description = "collect the Slurm study"
            + " submitted into folder DIR (waits while its job runs) and write its results")
    Path gather;

    // --- end of the Slurm options ---

    @Option(names = "--resume", description = "keep the levels whose folders hold a finished run"
            + " with the same settings, continue those with a checkpoint of the same settings"
            + " (killed, interrupted or capped) from it, run the others, and write the study's"
            + " results from every level")
    boolean resume;

    /**
     * Checks the workers and the Slurm options and makes every file option absolute, so that the
     * recorded configuration names the same files from any working folder (a task runs
     * elsewhere).
     */
    void settle(CommandSpec spec, Path out) {
        if (jobs < 1) {
            throw new ParameterException(spec.commandLine(), "--jobs expects a whole number of"
                    + " at least 1, got " + jobs);
        }
        if (detach && !slurm) {
            throw new ParameterException(spec.commandLine(), "--detach only applies with"
                    + " --slurm");
        }
        if (resume && slurm) {
            throw new ParameterException(spec.commandLine(), "--resume applies to a study run"
                    + " here, not to --slurm (resubmit it, or gather it with --gather)");
        }
        slurmJob.settle(spec, out, slurm, "study");
    }

    /** The settled study of the ladder, its tasks running command. */
    Study.Plan plan(Path folder, List<Ladder.Level> ladder, int resolution, boolean pictures,
            boolean gathering, List<String> command, List<String> warnings,
            double checkpointEvery, String adaptation) {
        return new Study.Plan(folder, ladder, ratio, resolution, jobs, pictures,
                TwoMeshes.ASSUMED_ORDER, gathering ? Study.Where.GATHER : slurm
                        ? Study.Where.SLURM : Study.Where.HERE, new SlurmJob.Request(command,
                        slurmJob.partition, slurmJob.time, detach ? SlurmJob.Mode.DETACH
                        : SlurmJob.Mode.WAIT), warnings, resume, checkpointEvery, adaptation);
    }
}
