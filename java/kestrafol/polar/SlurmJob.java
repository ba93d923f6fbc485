package kestrafol.polar;

import java.io.IOException;
import java.io.InputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import java.util.concurrent.TimeUnit;

/**
 * A polar as a Slurm job array: one array task per chain (per case for cold starts), each running
 * the same JAR on its share with the polar's recorded configuration and writing its rows to
 * {@code slurm/task-N.csv} in the output folder, which must be on a file system that the nodes
 * share. The submitting command waits for the array to leave the queue and gathers the rows.
 */
public final class SlurmJob {
    /** Seconds between two looks at the queue. */
    static final long POLL_SECONDS = 3;

    private final Path out;
    private final int tasks;

    /**
     * @param out the polar's output folder (absolute)
     * @param tasks number of array tasks
     */
    public SlurmJob(Path out, int tasks) {
        this.out = out.toAbsolutePath().normalize();
        this.tasks = tasks;
    }

    /** The folder of the batch script, the task logs and the task rows. */
    public Path folder() {
        return out.resolve("slurm");
    }

    /** The batch script. */
    public Path script() {
        return folder().resolve("polar.sbatch");
    }

    /** The rows written by array task n. */
    public Path taskRows(int n) {
        return folder().resolve("task-" + n + ".csv");
    }

    /** The log (standard output and error) of array task n. */
    public Path taskLog(int n) {
        return folder().resolve("task-" + n + ".log");
    }

    /**
     * Writes the batch script.
     *
     * @param command the command each task runs, before its task number (java, its options, the
     *     JAR, "polar", "--config", the recorded configuration)
     * @param partition Slurm partition, or null for the cluster's default
     * @param time time limit per task in a form sbatch takes (e.g. 1:00:00), or null
     */
    public Path writeScript(List<String> command, String partition, String time)
            throws IOException {
        Files.createDirectories(folder());
        StringBuilder s = new StringBuilder();
        s.append("#!/bin/bash\n");
        s.append("#SBATCH --job-name=kestrafol-polar\n");
        s.append("#SBATCH --array=0-").append(tasks - 1).append('\n');
        s.append("#SBATCH --ntasks=1\n");
        s.append("#SBATCH --cpus-per-task=1\n");
        s.append("#SBATCH --output=").append(folder().resolve("task-%a.log")).append('\n');
        if (partition != null) {
            s.append("#SBATCH --partition=").append(partition).append('\n');
        }
        if (time != null) {
            s.append("#SBATCH --time=").append(time).append('\n');
        }
        s.append("#\n");
        s.append("# A polar of kestrafol: array task N runs the N-th chain of cases (the N-th case\n");
        s.append("# with --cold) of the configuration below and writes slurm/task-N.csv; the\n");
        s.append("# submitting command gathers them into polar.csv. The output folder, the JAR and\n");
        s.append("# Java must be reachable at the same paths on every node.\n");
        s.append("set -eu\n");
        s.append("cd ").append(quote(out.toString())).append('\n');
        s.append("echo \"task $SLURM_ARRAY_TASK_ID of job $SLURM_ARRAY_JOB_ID on $(hostname),"
                + " started $(date +%s.%N)\"\n");
        StringBuilder c = new StringBuilder();
        for (String a : command) {
            c.append(quote(a)).append(' ');
        }
        s.append(c).append("--task \"$SLURM_ARRAY_TASK_ID\"\n");
        s.append("echo \"task $SLURM_ARRAY_TASK_ID ended $(date +%s.%N)\"\n");
        Files.writeString(script(), s.toString(), StandardCharsets.UTF_8);
        script().toFile().setExecutable(true);
        return script();
    }

    /** A word for bash: single quotes, with embedded single quotes closed and escaped. */
    static String quote(String word) {
        if (word.matches("[A-Za-z0-9_./:=+,@%-]+")) {
            return word;
        }
        return "'" + word.replace("'", "'\\''") + "'";
    }

    /** Submits the script with sbatch and returns the job id. */
    public String submit() throws IOException, InterruptedException {
        Result r = exec(List.of("sbatch", "--parsable", script().toString()));
        if (r.status != 0) {
            throw new IOException("sbatch failed (exit " + r.status + "): " + r.output.trim());
        }
        String id = r.output.trim();
        int semicolon = id.indexOf(';');
        if (semicolon >= 0) {
            id = id.substring(0, semicolon);
        }
        if (!id.matches("\\d+")) {
            throw new IOException("sbatch answered \"" + r.output.trim() + "\" instead of a job id");
        }
        return id;
    }

    /**
     * Waits until no task of the job is in the queue any more, printing a line whenever the
     * number of pending, running or reported tasks changes.
     */
    public void await(String jobId, PrintStream progress) throws IOException, InterruptedException {
        String last = "";
        int failures = 0;
        while (true) {
            Result r = exec(List.of("squeue", "-h", "-r", "-j", jobId, "-o", "%t"));
            if (r.status != 0) {
                // Once a job has left the controller's memory squeue calls its id invalid.
                if (r.output.contains("Invalid job id")) {
                    return;
                }
                if (++failures >= 5) {
                    throw new IOException("squeue failed 5 times (exit " + r.status + "): "
                            + r.output.trim());
                }
            } else {
                failures = 0;
                int pending = 0;
                int running = 0;
                for (String line : r.output.split("\n")) {
                    String t = line.trim();
                    if (t.equals("PD")) {
                        pending++;
                    } else if (!t.isEmpty()) {
                        running++;
                    }
                }
                int reported = 0;
                for (int n = 0; n < tasks; n++) {
                    reported += Files.exists(taskRows(n)) ? 1 : 0;
                }
                String now = String.format(Locale.ROOT, "job %s: %d of %d tasks reported, %d"
                        + " running, %d pending", jobId, reported, tasks, running, pending);
                if (!now.equals(last)) {
                    progress.println(now);
                    last = now;
                }
                if (pending + running == 0) {
                    return;
                }
            }
            TimeUnit.SECONDS.sleep(POLL_SECONDS);
        }
    }

    /**
     * The rows of every task; a case whose task wrote no rows (killed, out of time, node lost)
     * is a row with stoppedBy "failed" that names the task's log.
     */
    public List<CaseResult> gather(Sweep sweep, List<List<PolarCase>> units) throws IOException {
        List<CaseResult> rows = new ArrayList<>();
        for (int n = 0; n < units.size(); n++) {
            List<CaseResult> got = Files.exists(taskRows(n)) ? PolarCsv.read(taskRows(n), sweep)
                    : List.of();
            for (PolarCase c : units.get(n)) {
                CaseResult row = got.stream().filter(r -> r.polarCase().equals(c)).findFirst()
                        .orElse(CaseResult.failed(c, "failed", "array task " + n
                                + " reported no row; see " + taskLog(n)));
                rows.add(row);
            }
        }
        rows.sort(java.util.Comparator.comparingInt(r -> r.polarCase().index()));
        return rows;
    }

    private record Result(int status, String output) {}

    private static Result exec(List<String> command) throws IOException, InterruptedException {
        Process p;
        try {
            p = new ProcessBuilder(command).redirectErrorStream(true).start();
        } catch (IOException e) {
            throw new IOException(command.get(0) + " not found: --slurm needs the Slurm client"
                    + " commands (sbatch, squeue) on the PATH", e);
        }
        p.getOutputStream().close();
        String output;
        try (InputStream in = p.getInputStream()) {
            output = new String(in.readAllBytes(), StandardCharsets.UTF_8);
        }
        return new Result(p.waitFor(), output);
    }
}
