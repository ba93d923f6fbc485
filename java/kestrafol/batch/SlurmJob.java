package kestrafol.batch;

import java.io.IOException;
import java.io.InputStream;
import java.io.PrintStream;
import java.io.Reader;
import java.io.Writer;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.Comparator;
import java.util.List;
import java.util.Locale;
import java.util.Properties;
import java.util.concurrent.TimeUnit;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import kestrafol.base.InputFiles;
import kestrafol.base.PropertiesFile;
import kestrafol.run.StopReason;
import kestrafol.base.ShellQuoting;
import kestrafol.polar.PolarCase;
import kestrafol.polar.PolarCsv;
import kestrafol.polar.PolarRow;
import kestrafol.polar.Sweep;

/**
 * A polar or a grid study as a Slurm job array. The units of work (a polar's chains, or single
 * cases when cold; a study's levels) are packed into at most as many array tasks as the cluster's
 * MaxArraySize allows, in contiguous runs whose sizes differ by at most one. Each task runs the
 * same JAR on its units with the recorded configuration and writes its results to
 * {@code slurm/JOB/task-N.csv} (JOB the array's job id), its log to {@code slurm/task-JOB-N.log};
 * the output folder must be on a file system that the nodes share. Results are only ever gathered
 * from the folder of the job that was submitted, so files of an earlier job in the same folder
 * are never taken for answers. What a submission records for a later gathering is kept in
 * {@code slurm/submission.properties} ({@link #writeRecord}, {@link #readRecord}).
 *
 * <p>No value given by the user is written into the batch script's #SBATCH lines: the working
 * folder, the log pattern, partition and time limit go to sbatch as arguments (no shell between),
 * and the command of the tasks is quoted word by word for bash.
 */
public final class SlurmJob {
    /** Seconds between two looks at the queue. */
    static final long POLL_SECONDS = 3;
    /** Slurm's MaxArraySize when the cluster's configuration does not say. */
    public static final int DEFAULT_MAX_ARRAY_SIZE = 1001;

    /** How a job is submitted. */
    public enum Mode {
        /** write the script and print the sbatch command only */
        DRY_RUN,
        /** submit, record the job and return */
        DETACH,
        /** submit and wait for the array */
        WAIT
    }

    private final Path out;
    private final String kind;
    private final int units;
    private final int tasks;

    /** A polar's job array (see {@link #SlurmJob(Path, String, int, int)}). */
    public SlurmJob(Path out, int units, int tasks) {
        this(out, "polar", units, tasks);
    }

    /**
     * @param out the output folder (made absolute)
     * @param kind the command whose units the tasks run, "polar" or "study": it names the batch
     *     script, the job and the gathering command
     * @param units number of units of work (chains, or cases when cold; levels)
     * @param tasks number of array tasks, at most units (see {@link #tasksFor})
     */
    public SlurmJob(Path out, String kind, int units, int tasks) {
        if (units < 1 || tasks < 1 || tasks > units) {
            throw new IllegalArgumentException("a job array of " + tasks + " tasks cannot carry "
                    + units + " units of work");
        }
        this.out = out.toAbsolutePath().normalize();
        this.kind = kind;
        this.units = units;
        this.tasks = tasks;
    }

    /** Array tasks for the units: one per unit, or all that the cluster allows (packed). */
    public static int tasksFor(int units, int maxArraySize) {
        if (maxArraySize < 1) {
            throw new IllegalArgumentException("the cluster takes no job arrays (MaxArraySize "
                    + maxArraySize + ")");
        }
        return Math.min(units, maxArraySize);
    }

    /** The number of array tasks. */
    public int tasks() {
        return tasks;
    }

    /** The first unit of task n; task n runs units first(n) to first(n + 1) - 1. */
    static int firstUnit(int n, int units, int tasks) {
        return (int) ((long) n * units / tasks);
    }

    /** The units of work of array task n. */
    public <T> List<T> unitsOf(int n, List<T> all) {
        if (all.size() != units) {
            throw new IllegalArgumentException("the job was packed for " + units + " units, not "
                    + all.size());
        }
        return all.subList(firstUnit(n, units, tasks), firstUnit(n + 1, units, tasks));
    }

    /** The folder of the batch script, the submission record and the task logs. */
    public Path folder() {
        return out.resolve("slurm");
    }

    /** The batch script: slurm/polar.sbatch or slurm/study.sbatch. */
    public Path script() {
        return folder().resolve(kind + ".sbatch");
    }

    /** The results (rows of cases, or levels) written by array task n of the job. */
    public Path taskRows(String jobId, int n) {
        return folder().resolve(jobId).resolve("task-" + n + ".csv");
    }

    /** The log (standard output and error) of array task n of the job. */
    public Path taskLog(String jobId, int n) {
        return folder().resolve("task-" + jobId + "-" + n + ".log");
    }

    /**
     * Writes the batch script: the command, quoted for bash, with the task's number, the number
     * of tasks and the job id appended.
     *
     * @param command the command each task runs (java, its options, the JAR, "polar" or
     *     "study", "--config", the recorded configuration)
     */
    public Path writeScript(List<String> command) throws IOException {
        Files.createDirectories(folder());
        StringBuilder s = new StringBuilder();
        s.append("#!/bin/bash\n");
        s.append("#SBATCH --job-name=kestrafol-").append(kind).append('\n');
        s.append("#SBATCH --ntasks=1\n");
        s.append("#SBATCH --cpus-per-task=1\n");
        s.append("#\n");
        if (kind.equals("polar")) {
            s.append("# A polar of kestrafol: array task N runs its share of the chains of cases (of the\n");
            s.append("# cases with --cold) of the recorded configuration and writes slurm/JOB/task-N.csv;\n");
            s.append("# the submitting command, or polar --gather, gathers them into polar.csv. Submit\n");
        } else {
            s.append("# A grid study of kestrafol: array task N runs its share of the levels of the\n");
            s.append("# recorded configuration and writes slurm/JOB/task-N.csv; the submitting command,\n");
            s.append("# or study --gather, gathers them into study.csv and summary.json. Submit\n");
        }
        s.append("# it with the sbatch command line that the ").append(kind).append(" printed or ran"
                + " (array, working\n");
        s.append("# folder, log names). The output folder, the JAR and Java must be reachable at the\n");
        s.append("# same paths on every node.\n");
        s.append("set -eu\n");
        s.append("echo \"task $SLURM_ARRAY_TASK_ID of job $SLURM_ARRAY_JOB_ID on $(hostname),"
                + " started $(date +%s.%N)\"\n");
        s.append(ShellQuoting.commandLine(command));
        s.append(" --task \"$SLURM_ARRAY_TASK_ID\" --tasks ").append(tasks)
                .append(" --job \"$SLURM_ARRAY_JOB_ID\"\n");
        s.append("echo \"task $SLURM_ARRAY_TASK_ID ended $(date +%s.%N)\"\n");
        Files.writeString(script(), s.toString(), StandardCharsets.UTF_8);
        script().toFile().setExecutable(true);
        return script();
    }

    /**
     * The sbatch command that submits the script: the array, the working folder (slurm/), the
     * task logs (a file-name pattern of Slurm's, in which a % of the folder's name is doubled),
     * and the partition and time limit when given.
     */
    public List<String> sbatchCommand(String partition, String time) {
        List<String> c = new ArrayList<>(List.of("sbatch", "--parsable", "--array=0-" + (tasks - 1),
                "--chdir=" + folder(), "--output=" + folder().toString().replace("%", "%%")
                        + "/task-%A-%a.log"));
        if (partition != null) {
            c.add("--partition=" + partition);
        }
        if (time != null) {
            c.add("--time=" + time);
        }
        c.add(script().toString());
        return c;
    }

    /**
     * Checks the output folder, a partition name and a time limit before they reach sbatch: no
     * backslash in the folder (in a log-file name Slurm takes it to switch off the task number),
     * no control characters or spaces in a partition (no partition has them), a time limit in one
     * of Slurm's forms.
     *
     * @throws IllegalArgumentException naming the option
     */
    public static void checkOptions(Path out, String partition, String time) {
        if (out.toString().indexOf('\\') >= 0) {
            throw new IllegalArgumentException("--out: a Slurm job's output folder cannot hold a"
                    + " backslash (Slurm's log-file names take it as an escape), got "
                    + printable(out.toString()));
        }
        if (partition != null && !partition.matches("[^\\p{Cntrl}\\s]+")) {
            throw new IllegalArgumentException("--partition expects a partition name without"
                    + " spaces or control characters, got " + printable(partition));
        }
        if (time != null && !time.matches("(\\d+-)?\\d+(:\\d+){0,2}|(?i)unlimited|infinite")) {
            throw new IllegalArgumentException("--time expects MINUTES, H:MM:SS or D-H:MM:SS, got "
                    + printable(time));
        }
    }

    /** The text in double quotes with control characters shown as \n, \r, \t or \\uXXXX. */
    static String printable(String s) {
        StringBuilder b = new StringBuilder("\"");
        for (char c : s.toCharArray()) {
            switch (c) {
                case '\n' -> b.append("\\n");
                case '\r' -> b.append("\\r");
                case '\t' -> b.append("\\t");
                default -> b.append(Character.isISOControl(c)
                        ? String.format(Locale.ROOT, "\\u%04x", (int) c) : String.valueOf(c));
            }
        }
        return b.append('"').toString();
    }

    /** The cluster's MaxArraySize from "scontrol show config". */
    public static int maxArraySize() throws IOException, InterruptedException {
        Result r = exec(List.of("scontrol", "show", "config"));
        if (r.status != 0) {
            throw new IOException("scontrol show config failed (exit " + r.status + "): "
                    + oneLine(r.output));
        }
        return parseMaxArraySize(r.output);
    }

    private static final Pattern MAX_ARRAY = Pattern.compile("(?m)^\\s*MaxArraySize\\s*=\\s*(\\d+)");

    /** MaxArraySize from the text of "scontrol show config", or Slurm's default without it. */
    static int parseMaxArraySize(String config) {
        Matcher m = MAX_ARRAY.matcher(config);
        return m.find() ? Integer.parseInt(m.group(1)) : DEFAULT_MAX_ARRAY_SIZE;
    }

    /** Submits the script with sbatch and returns the job id. */
    public String submit(String partition, String time) throws IOException, InterruptedException {
        Result r = exec(sbatchCommand(partition, time));
        if (r.status != 0) {
            throw new IOException("sbatch failed (exit " + r.status + "): " + oneLine(r.output));
        }
        String id = r.output.trim();
        int semicolon = id.indexOf(';');
        if (semicolon >= 0) {
            id = id.substring(0, semicolon);
        }
        if (!id.matches("\\d+")) {
            throw new IOException("sbatch answered \"" + oneLine(r.output) + "\" instead of a job id");
        }
        return id;
    }

    private static String oneLine(String text) {
        return text.trim().replaceAll("\\s*\\R\\s*", "; ");
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
                            + oneLine(r.output));
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
                    reported += Files.exists(taskRows(jobId, n)) ? 1 : 0;
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
     * The rows of every task of the job; a case whose task wrote no row for it (cancelled,
     * failed, out of time, node lost) is a row stopped by "failed" that names the task's log.
     */
    public List<PolarRow> gather(Sweep sweep, String jobId) throws IOException {
        List<List<PolarCase>> all = sweep.chains();
        List<PolarRow> rows = new ArrayList<>();
        for (int n = 0; n < tasks; n++) {
            Path file = taskRows(jobId, n);
            List<PolarRow> got = Files.exists(file) ? PolarCsv.read(file, sweep) : List.of();
            for (List<PolarCase> unit : unitsOf(n, all)) {
                for (PolarCase c : unit) {
                    final int task = n;
                    rows.add(got.stream().filter(r -> r.polarCase().equals(c)).findFirst()
                            .orElseGet(() -> PolarRow.without(c, StopReason.FAILED, "array task " + task
                                    + " of job " + jobId + " reported no row; see "
                                    + taskLog(jobId, task))));
                }
            }
        }
        rows.sort(Comparator.comparingInt(r -> r.polarCase().index()));
        return rows;
    }

    /** What the submitting command records about the job it submitted (see {@link #launch}). */
    public interface Recorder {
        void record(String jobId, int tasks) throws IOException;
    }

    /**
     * Packs the units into array tasks, writes the batch script and, unless only a dry run is
     * asked for, submits it, lets the recorder note the job for a later gathering and, in WAIT
     * mode, waits until the array has left the queue (stopping the wait leaves the job running
     * and prints how to cancel or gather it).
     *
     * @param kind "polar" or "study"
     * @param unit the name of one unit of work ("chain", "case", "level")
     * @param command the command each task runs, without the task's numbers
     * @return the job and its id once the array has ended; null when nothing is to be gathered
     *     now (dry run, detached)
     */
    public static Launched launch(Path out, String kind, int units, String unit,
            List<String> command, String partition, String time, Mode mode, Recorder recorder,
            PrintStream progress) throws IOException, InterruptedException {
        int max = mode == Mode.DRY_RUN ? DEFAULT_MAX_ARRAY_SIZE : maxArraySize();
        int tasks;
        try {
            tasks = tasksFor(units, max);
        } catch (IllegalArgumentException e) {
            throw new IOException(e.getMessage(), e);
        }
        SlurmJob job = new SlurmJob(out, kind, units, tasks);
        Path script = job.writeScript(command);
        String array = tasks + " array task" + (tasks == 1 ? "" : "s") + ", " + (tasks == units
                ? "one " + unit + " per task" : units + " " + unit + "s packed into them"
                + " (the cluster's MaxArraySize is " + max + ")");
        if (mode == Mode.DRY_RUN) {
            progress.println("Batch script (" + array + ") written to " + script);
            progress.println("Submit it with: "
                    + ShellQuoting.commandLine(job.sbatchCommand(partition, time)));
            return null;
        }
        String id = job.submit(partition, time);
        recorder.record(id, tasks);
        String gather = "kestrafol " + kind + " --gather " + ShellQuoting.quote(job.out.toString());
        progress.println("Submitted job " + id + ": " + array + "; script " + script);
        if (mode == Mode.DETACH) {
            progress.println("Detached; collect the results with: " + gather);
            return null;
        }
        Thread note = new Thread(() -> progress.println("\nStopped waiting; Slurm job " + id
                + " goes on (cancel it with: scancel " + id + "; collect it with: " + gather + ")"),
                kind + "-slurm-note");
        Runtime.getRuntime().addShutdownHook(note);
        job.await(id, progress);
        Runtime.getRuntime().removeShutdownHook(note);
        return new Launched(job, id);
    }

    /** A submitted job array that has left the queue. */
    public record Launched(SlurmJob job, String jobId) {}

    /**
     * A submission as the command line asked for it.
     *
     * @param command what each task runs (java, the JAR, the command, --config and the recorded
     *     configuration)
     */
    public record Request(List<String> command, String partition, String time, Mode mode) {
        public Request {
            command = List.copyOf(command);
        }
    }

    /** The record of a submission inside an output folder. */
    public static Path recordFile(Path out) {
        return out.resolve("slurm").resolve("submission.properties");
    }

    /**
     * Writes the record of a submission (the job id, the number of tasks and what else the
     * gathering needs), escaped as properties need, through a temporary file.
     */
    public static void writeRecord(Path out, String jobId, int tasks, Properties more,
            String comment) throws IOException {
        Properties p = new Properties();
        p.putAll(more);
        p.setProperty("job", jobId);
        p.setProperty("tasks", Integer.toString(tasks));
        Path f = recordFile(out);
        Files.createDirectories(f.getParent());
        Path tmp = f.resolveSibling(f.getFileName() + ".tmp");
        try (Writer w = Files.newBufferedWriter(tmp, StandardCharsets.UTF_8)) {
            p.store(w, comment);
        }
        Files.move(tmp, f, StandardCopyOption.REPLACE_EXISTING, StandardCopyOption.ATOMIC_MOVE);
    }

    /**
     * Reads the record of the submission into the folder, its job id and task count checked.
     *
     * @param kind "polar" or "study", for the message
     * @throws IOException when the folder holds no record or a damaged one (the message names
     *     the file)
     */
    public static Properties readRecord(Path out, String kind) throws IOException {
        Path f = recordFile(out);
        Properties p = new Properties();
        if (!Files.exists(f, java.nio.file.LinkOption.NOFOLLOW_LINKS)) {
            throw new IOException(out + " holds no Slurm " + kind + " (" + f + " is missing)");
        }
        try (Reader r = new java.io.StringReader(InputFiles.text(f, PropertiesFile.MAX_BYTES,
                "Slurm submission record", ""))) {
            p.load(r);
        }
        String job = p.getProperty("job", "");
        String tasks = p.getProperty("tasks", "");
        if (!job.matches("\\d+") || !tasks.matches("[1-9]\\d{0,8}")) {
            throw new IOException(f + ": expected a job id and a task count, got job \"" + job
                    + "\", tasks \"" + tasks + "\"");
        }
        return p;
    }

    /** Removes the record of an earlier submission: a new job in the folder replaces it. */
    public static void forgetRecord(Path out) throws IOException {
        Files.deleteIfExists(recordFile(out));
    }

    private record Result(int status, String output) {}

    private static Result exec(List<String> command) throws IOException, InterruptedException {
        Process p;
        try {
            p = new ProcessBuilder(command).redirectErrorStream(true).start();
        } catch (IOException e) {
            throw new IOException(command.get(0) + " not found: --slurm needs the Slurm client"
                    + " commands (sbatch, squeue, scontrol) on the PATH", e);
        }
        p.getOutputStream().close();
        String output;
        try (InputStream in = p.getInputStream()) {
            output = new String(in.readAllBytes(), StandardCharsets.UTF_8);
        }
        return new Result(p.waitFor(), output);
    }
}
