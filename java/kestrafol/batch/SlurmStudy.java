package kestrafol.batch;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.Properties;
import java.util.regex.Pattern;
import kestrafol.base.AtomicFiles;
import kestrafol.polar.PolarCsv;
import kestrafol.run.CaseResult;
import kestrafol.run.StopReason;
import kestrafol.study.Ladder;

/**
 * A grid study through Slurm: its levels as one job array (a level per task, packed when the
 * cluster's MaxArraySize is smaller), each task running its levels with the single-case runner
 * of a local study ({@link Study#runLevels} on one worker) and writing their outcomes to
 * {@code slurm/JOB/task-N.csv}; the submitting command, or a later {@code study --gather}, takes
 * the outcomes of that job id only. A level whose task reported nothing (cancelled, failed, out
 * of time) is a failed level naming the task's log.
 *
 * <p>A task's file holds per level its number, the nodes of its mesh and the run's answer, the
 * numbers as the shortest decimals that read back as the same doubles: gathered outcomes are
 * those of a local study bit for bit.
 */
public final class SlurmStudy {
    /** The command the tasks run and the name of the batch script. */
    static final String KIND = "study";
    /** The header of a task's file. */
    static final String HEADER = "level,nodes,cl,cd,cdPressure,cdFriction,cm,iterations,"
            + "stoppedBy,converged,residualDrop,seconds,warnings,runId,message";
    private static final int FIELDS = 15;

    private SlurmStudy() {}

    /**
     * Submits the study as a job array and, in WAIT mode, gathers its levels.
     *
     * @return the outcomes, finest level first; null when nothing is gathered now (detached)
     */
    public static List<Ladder.Outcome> submit(Path out, List<Ladder.Level> levels,
            SlurmJob.Request request, PrintStream progress)
            throws IOException, InterruptedException {
        SlurmJob.forgetRecord(out);
        SlurmJob.Launched launched = SlurmJob.launch(out, KIND, levels.size(), "level",
                request.command(), request.partition(), request.time(), request.mode(),
                (id, tasks) -> record(out, id, tasks, levels.size()), progress);
        if (launched == null) {
            return null;
        }
        return outcomes(launched.job(), launched.jobId(), levels);
    }

    private static void record(Path out, String jobId, int tasks, int levels) throws IOException {
        Properties p = new Properties();
        p.setProperty("levels", Integer.toString(levels));
        SlurmJob.writeRecord(out, jobId, tasks, p, "kestrafol study: the Slurm job array of this"
                + " study; gather it with kestrafol study --gather FOLDER");
    }

    /**
     * Gathers the study submitted into the folder: waits while its job is in the queue, then
     * takes the outcomes of that job id only.
     *
     * @param levels the levels of the recorded configuration
     * @throws IOException when the folder holds no recorded submission, or one of another ladder
     */
    public static List<Ladder.Outcome> gather(Path out, List<Ladder.Level> levels,
            PrintStream progress) throws IOException, InterruptedException {
        Properties p = SlurmJob.readRecord(out, KIND);
        String jobId = p.getProperty("job");
        int tasks = Integer.parseInt(p.getProperty("tasks"));
        if (!Integer.toString(levels.size()).equals(p.getProperty("levels"))
                || tasks > levels.size()) {
            throw new IOException(SlurmJob.recordFile(out) + ": a job of "
                    + p.getProperty("levels") + " levels in " + tasks + " tasks, but the study"
                    + " recorded in the folder has " + levels.size() + " levels");
        }
        progress.println("Gathering Slurm job " + jobId + " (" + tasks + " array task"
                + (tasks == 1 ? "" : "s") + ", " + levels.size() + " levels) in " + out);
        SlurmJob job = new SlurmJob(out, KIND, levels.size(), tasks);
        job.await(jobId, progress);
        return outcomes(job, jobId, levels);
    }

    /**
     * One array task: its levels, one after the other, through the runner of a local study;
     * their outcomes to slurm/JOB/task-N.csv.
     */
    public static void runTask(Path out, List<Ladder.Level> levels, int task, int tasks,
            String jobId, PrintStream log) throws IOException, InterruptedException {
        SlurmJob job = new SlurmJob(out, KIND, levels.size(), tasks);
        List<Ladder.Outcome> mine = Study.runLevels(job.unitsOf(task, levels), 1, new Study.Listener() {
            @Override
            public void started(Ladder.Level level) {
                log.println("level " + level.number() + " (" + level.points() + " points) into "
                        + level.folder());
            }

            @Override
            public void finished(Ladder.Outcome o) {
                log.println("level " + o.level().number() + ": " + (o.failed()
                        ? "failed: " + o.result().message() : o.result().iterations()
                        + " iterations, stopped by " + o.result().stop().key()));
            }
        }, new Stopping());
        Path file = job.taskRows(jobId, task);
        Files.createDirectories(file.getParent());
        write(mine, file);
    }

    /** The outcomes of the job's tasks, finest level first, with their spacings. */
    static List<Ladder.Outcome> outcomes(SlurmJob job, String jobId, List<Ladder.Level> levels)
            throws IOException {
        List<Ladder.Outcome> all = new ArrayList<>();
        for (int n = 0; n < job.tasks(); n++) {
            Path file = job.taskRows(jobId, n);
            Map<Integer, Ladder.Outcome> got = Files.exists(file) ? read(file, levels) : Map.of();
            for (Ladder.Level level : job.unitsOf(n, levels)) {
                Ladder.Outcome o = got.get(level.number());
                if (o == null) {
                    o = Ladder.Outcome.failed(level, "array task " + n + " of job " + jobId
                            + " reported no result; see " + job.taskLog(jobId, n));
                }
                all.add(o);
            }
        }
        return Ladder.withSpacings(all);
    }

    /** Writes the outcomes of a task (whole or not at all). */
    static void write(List<Ladder.Outcome> outcomes, Path file) throws IOException {
        StringBuilder sb = new StringBuilder(HEADER).append('\n');
        for (Ladder.Outcome o : outcomes) {
            CaseResult r = o.result();
            List<String> cells = List.of(Integer.toString(o.level().number()),
                    Integer.toString(o.nodes()), exact(r.cl()), exact(r.cd()),
                    exact(r.cdPressure()), exact(r.cdFriction()), exact(r.cm()),
                    Integer.toString(r.iterations()), r.stop().key(),
                    Boolean.toString(r.converged()), exact(r.residualDrop()),
                    exact(r.seconds()), quoted(String.join(PolarCsv.WARNING_SEPARATOR,
                            r.warnings())), r.runId(), quoted(r.message()));
            sb.append(String.join(",", cells)).append('\n');
        }
        AtomicFiles.write(file, tmp -> Files.writeString(tmp, sb.toString(),
                StandardCharsets.UTF_8));
    }

    private static String quoted(String s) {
        return s.isEmpty() ? "" : '"' + s.replace("\"", "\"\"") + '"';
    }

    /**
     * The outcomes a task's file holds, by level number, for the levels of the ladder only.
     *
     * @throws IOException naming the file and line of a damaged row
     */
    static Map<Integer, Ladder.Outcome> read(Path file, List<Ladder.Level> levels)
            throws IOException {
        List<String> lines = Files.readAllLines(file, StandardCharsets.UTF_8);
        if (lines.isEmpty() || !lines.get(0).equals(HEADER)) {
            throw new IOException(file + ": line 1: expected the header " + HEADER);
        }
        Map<Integer, Ladder.Outcome> m = new HashMap<>();
        for (int i = 1; i < lines.size(); i++) {
            try {
                List<String> c = PolarCsv.fields(lines.get(i));
                if (c.size() != FIELDS) {
                    throw new IllegalArgumentException("expected " + FIELDS + " fields, got "
                            + c.size());
                }
                int number = Integer.parseInt(c.get(0));
                if (number < 1 || number > levels.size()) {
                    throw new IllegalArgumentException("no level " + number + " in a study of "
                            + levels.size());
                }
                List<String> warnings = c.get(12).isEmpty() ? List.of() : List.of(c.get(12)
                        .split(Pattern.quote(PolarCsv.WARNING_SEPARATOR)));
                CaseResult r = new CaseResult(number(c.get(2)), number(c.get(3)),
                        number(c.get(4)), number(c.get(5)), number(c.get(6)),
                        Integer.parseInt(c.get(7)), StopReason.parse(c.get(8)),
                        number(c.get(10)), number(c.get(11)), Boolean.parseBoolean(c.get(9)),
                        warnings, c.get(13), c.get(14));
                m.put(number, new Ladder.Outcome(levels.get(number - 1),
                        Integer.parseInt(c.get(1)), Double.NaN, r));
            } catch (IllegalArgumentException e) {
                throw new IOException(file + ": line " + (i + 1) + ": " + e.getMessage(), e);
            }
        }
        return m;
    }

    private static String exact(double v) {
        return Double.isNaN(v) ? "" : Double.toString(v);
    }

    private static double number(String cell) {
        return cell.isEmpty() ? Double.NaN : Double.parseDouble(cell);
    }
}
