package kestrafol.batch;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.Path;
import java.util.List;
import kestrafol.polar.PolarRow;
import kestrafol.polar.Sweep;

/**
 * A polar through Slurm from the submitting side: writing the batch script, submitting it (or
 * only printing how to), waiting for the array and gathering its rows, now or in a later process
 * from what the submission recorded in the output folder.
 */
public final class SlurmPolar {
    /** Rows gathered from a recorded submission, with the title of its polar picture. */
    public record Gathered(List<PolarRow> rows, String title) {}

    private SlurmPolar() {}

    /**
     * Submits the polar recorded in its folder as a job array.
     *
     * @param out the polar's output folder (absolute)
     * @param polar the polar to submit (its job id and task count are not used yet)
     * @param request what each task runs (the polar's recorded configuration), the partition
     *     and time limit, and the mode
     * @return the gathered rows, or null when nothing is gathered now (dry run, detached)
     */
    public static List<PolarRow> submit(Path out, SlurmSubmission polar, SlurmJob.Request request,
            PrintStream progress) throws IOException, InterruptedException {
        Sweep sweep = polar.sweep();
        SlurmJob.Launched job = SlurmJob.launch(out, "polar", sweep.chains().size(),
                polar.chained() ? "chain" : "case", request.command(), request.partition(),
                request.time(), request.mode(),
                (id, tasks) -> new SlurmSubmission(id, tasks, polar.title(), polar.mach(),
                        polar.alpha(), polar.reynolds(), polar.chained()).write(out),
                progress);
        if (job == null) {
            return null;
        }
        return reportFailures(job.job().gather(sweep, job.jobId()), progress);
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

    private static List<PolarRow> reportFailures(List<PolarRow> rows, PrintStream progress) {
        for (PolarRow r : rows) {
            if (!r.result().answered()) {
                progress.println(r.polarCase().label() + ": " + r.result().stop().key()
                        + (r.result().message().isEmpty() ? "" : ": " + r.result().message()));
            }
        }
        return rows;
    }
}
