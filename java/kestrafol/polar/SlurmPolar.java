package kestrafol.polar;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import kestrafol.base.ShellQuoting;

/**
 * A polar through Slurm from the submitting side: writing the batch script, submitting it (or
 * only printing how to), waiting for the array and gathering its rows, now or in a later process
 * from what the submission recorded in the output folder.
 */
public final class SlurmPolar {
    /** How the polar is submitted. */
    public enum Mode {
        /** write the script and print the sbatch command only */
        DRY_RUN,
        /** submit, record the job and return */
        DETACH,
        /** submit, wait for the array and gather its rows */
        WAIT
    }

    /** Rows gathered from a recorded submission, with the title of its polar picture. */
    public record Gathered(List<CaseResult> rows, String title) {}

    private SlurmPolar() {}

    /**
     * Submits the polar recorded in {@code config} as a job array.
     *
     * @param out the polar's output folder (absolute)
     * @param polar the polar to submit (its job id and task count are not used yet)
     * @param javaCommand the command that runs the toolkit (java, options, class path, main class)
     * @param partition Slurm partition, or null for the cluster's default
     * @param time time limit per task, or null
     * @return the gathered rows, or null when nothing is gathered now (dry run, detached)
     */
    public static List<CaseResult> submit(Path out, SlurmSubmission polar, Path config,
            List<String> javaCommand, String partition, String time, Mode mode,
            PrintStream progress) throws IOException, InterruptedException {
        Sweep sweep = polar.sweep();
        boolean chained = polar.chained();
        int units = sweep.chains().size();
        int max = mode == Mode.DRY_RUN ? SlurmJob.DEFAULT_MAX_ARRAY_SIZE : SlurmJob.maxArraySize();
        int tasks;
        try {
            tasks = SlurmJob.tasksFor(units, max);
        } catch (IllegalArgumentException e) {
            throw new IOException(e.getMessage(), e);
        }
        SlurmJob job = new SlurmJob(out, units, tasks);
        List<String> command = new ArrayList<>(javaCommand);
        command.addAll(List.of("polar", "--config", config.toString()));
        Path script = job.writeScript(command);
        String kind = chained ? "chain" : "case";
        String array = tasks + " array task" + (tasks == 1 ? "" : "s") + ", " + (tasks == units
                ? "one " + kind + " per task" : units + " " + kind + "s packed into them"
                + " (the cluster's MaxArraySize is " + max + ")");
        if (mode == Mode.DRY_RUN) {
            progress.println("Batch script (" + array + ") written to " + script);
            progress.println("Submit it with: "
                    + ShellQuoting.commandLine(job.sbatchCommand(partition, time)));
            return null;
        }
        String id = job.submit(partition, time);
        new SlurmSubmission(id, tasks, polar.title(), polar.mach(), polar.alpha(), polar.reynolds(),
                chained).write(out);
        String gather = "kestrafol polar --gather " + ShellQuoting.quote(out.toString());
        progress.println("Submitted job " + id + ": " + array + "; script " + script);
        if (mode == Mode.DETACH) {
            progress.println("Detached; collect the results with: " + gather);
            return null;
        }
        Thread note = new Thread(() -> progress.println("\nStopped waiting; Slurm job " + id
                + " goes on (cancel it with: scancel " + id + "; collect it with: " + gather + ")"),
                "polar-slurm-note");
        Runtime.getRuntime().addShutdownHook(note);
        job.await(id, progress);
        Runtime.getRuntime().removeShutdownHook(note);
        return reportFailures(job.gather(sweep, id), progress);
    }

    /**
     * Gathers the polar submitted into the folder: waits while its job is in the queue, then
     * takes the rows of that job id only.
     *
     * @throws IOException when the folder holds no recorded submission or configuration
     */
    public static Gathered gather(Path out, PrintStream progress)
            throws IOException, InterruptedException {
        SlurmSubmission s = SlurmSubmission.read(out);
        Sweep sweep = s.sweep();
        SlurmJob job = new SlurmJob(out, sweep.chains().size(), s.tasks());
        progress.println("Gathering Slurm job " + s.jobId() + " (" + s.tasks() + " array task"
                + (s.tasks() == 1 ? "" : "s") + ", " + sweep.cases().size() + " cases) in " + out);
        job.await(s.jobId(), progress);
        return new Gathered(reportFailures(job.gather(sweep, s.jobId()), progress), s.title());
    }

    private static List<CaseResult> reportFailures(List<CaseResult> rows, PrintStream progress) {
        for (CaseResult r : rows) {
            if (!r.answered()) {
                progress.println(r.polarCase().label() + ": " + r.stoppedBy()
                        + (r.message().isEmpty() ? "" : ": " + r.message()));
            }
        }
        return rows;
    }
}
