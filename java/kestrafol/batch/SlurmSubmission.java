package kestrafol.batch;

import java.io.IOException;
import java.math.BigDecimal;
import java.nio.file.Path;
import java.util.List;
import java.util.Properties;
import kestrafol.polar.Sweep;

/**
 * What a Slurm polar recorded when it submitted its job array, in {@code slurm/submission.properties}
 * of the output folder: the job id, the number of array tasks, the title of the polar picture
 * and the sweep (its lists as given to --mach, --alpha and --reynolds, and whether it chains).
 * That is all that gathering the rows needs, in a later process.
 *
 * @param reynolds the Reynolds list, or null for an inviscid polar
 */
public record SlurmSubmission(String jobId, int tasks, String title, String mach, String alpha,
        String reynolds, boolean chained) {
    /** The record's file inside a polar's output folder. */
    public static Path file(Path out) {
        return SlurmJob.recordFile(out);
    }

    /** Writes the record (escaped as properties need), through a temporary file. */
    public void write(Path out) throws IOException {
        Properties p = new Properties();
        p.setProperty("title", title);
        p.setProperty("mach", mach);
        p.setProperty("alpha", alpha);
        if (reynolds != null) {
            p.setProperty("reynolds", reynolds);
        }
        p.setProperty("chain", Boolean.toString(chained));
        SlurmJob.writeRecord(out, jobId, tasks, p, "kestrafol polar: the Slurm job array of this"
                + " polar; gather it with kestrafol polar --gather FOLDER");
    }

    /**
     * Reads the record of the polar in the folder.
     *
     * @throws IOException when the folder holds no record or a damaged one (the message names
     *     the file)
     */
    public static SlurmSubmission read(Path out) throws IOException {
        Properties p = SlurmJob.readRecord(out, "polar");
        SlurmSubmission s = new SlurmSubmission(p.getProperty("job"),
                Integer.parseInt(p.getProperty("tasks")), p.getProperty("title", "Polar"),
                p.getProperty("mach", ""), p.getProperty("alpha", ""), p.getProperty("reynolds"),
                Boolean.parseBoolean(p.getProperty("chain")));
        try {
            s.sweep();
        } catch (IllegalArgumentException e) {
            throw new IOException(file(out) + ": " + e.getMessage(), e);
        }
        return s;
    }

    /** Removes the record of an earlier submission: a new polar in the folder replaces it. */
    public static void forget(Path out) throws IOException {
        SlurmJob.forgetRecord(out);
    }

    /** The sweep of the submitted polar. */
    public Sweep sweep() {
        List<BigDecimal> r = reynolds == null ? List.of() : Sweep.parseList("--reynolds", reynolds);
        return Sweep.of(Sweep.parseList("--mach", mach), r, Sweep.parseList("--alpha", alpha),
                chained);
    }
}
