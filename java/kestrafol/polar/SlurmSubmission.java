package kestrafol.polar;

import java.io.IOException;
import java.io.Reader;
import java.io.Writer;
import java.math.BigDecimal;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.NoSuchFileException;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.List;
import java.util.Map;
import java.util.Properties;

/**
 * What a Slurm polar recorded when it submitted its job array, in {@code slurm/submission.properties}
 * of the output folder: the job id, the number of array tasks and the title of the polar
 * picture. With the polar's recorded configuration (polar.properties: the sweep) this is all that
 * gathering the rows needs, in a later process.
 */
public record SlurmSubmission(String jobId, int tasks, String title) {
    /** The record's file inside a polar's output folder. */
    public static Path file(Path out) {
        return out.resolve("slurm").resolve("submission.properties");
    }

    /** Writes the record (escaped as properties need), through a temporary file. */
    public void write(Path out) throws IOException {
        Properties p = new Properties();
        p.setProperty("job", jobId);
        p.setProperty("tasks", Integer.toString(tasks));
        p.setProperty("title", title);
        Path f = file(out);
        Files.createDirectories(f.getParent());
        Path tmp = f.resolveSibling(f.getFileName() + ".tmp");
        try (Writer w = Files.newBufferedWriter(tmp, StandardCharsets.UTF_8)) {
            p.store(w, "kestrafol polar: the Slurm job array of this polar; gather it with"
                    + " kestrafol polar --gather FOLDER");
        }
        Files.move(tmp, f, StandardCopyOption.REPLACE_EXISTING, StandardCopyOption.ATOMIC_MOVE);
    }

    /**
     * Reads the record of the polar in the folder.
     *
     * @throws IOException when the folder holds no record or a damaged one (the message names
     *     the file)
     */
    public static SlurmSubmission read(Path out) throws IOException {
        Path f = file(out);
        Properties p = new Properties();
        try (Reader r = Files.newBufferedReader(f, StandardCharsets.UTF_8)) {
            p.load(r);
        } catch (NoSuchFileException e) {
            throw new IOException(out + " holds no Slurm polar (" + f + " is missing)", e);
        }
        String job = p.getProperty("job", "");
        String tasks = p.getProperty("tasks", "");
        if (!job.matches("\\d+") || !tasks.matches("[1-9]\\d{0,8}")) {
            throw new IOException(f + ": expected a job id and a task count, got job \"" + job
                    + "\", tasks \"" + tasks + "\"");
        }
        return new SlurmSubmission(job, Integer.parseInt(tasks), p.getProperty("title", "Polar"));
    }

    /**
     * The sweep of a polar from its recorded configuration (polar.properties: mach, alpha,
     * reynolds and chain or cold).
     */
    public static Sweep recordedSweep(Path configuration) throws IOException {
        Map<String, String> e = CaseFile.read(configuration);
        try {
            List<BigDecimal> machs = Sweep.parseList("--mach", e.getOrDefault("mach", ""));
            List<BigDecimal> alphas = Sweep.parseList("--alpha", e.getOrDefault("alpha", ""));
            String re = e.get("reynolds");
            List<BigDecimal> reynolds = re == null ? List.of() : Sweep.parseList("--reynolds", re);
            return Sweep.of(machs, reynolds, alphas,
                    Boolean.parseBoolean(e.getOrDefault("chain", "false").trim()));
        } catch (IllegalArgumentException x) {
            throw new IOException(configuration + ": " + x.getMessage(), x);
        }
    }
}
