package kestrafol.cli;

import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.List;
import kestrafol.meshing.AirfoilElement;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Model.OptionSpec;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;
import kestrafol.batch.SlurmJob;

/**
 * The options of a job array that "polar" and "study" share: the partition and time limit given
 * to sbatch, and the hidden task options with which the batch script runs one array task. Also
 * the checks before anything reaches sbatch and the command that runs this JAR again.
 */
final class SlurmOptions {
    @Option(names = "--partition", paramLabel = "P", description = "Slurm partition")
    String partition;

    @Option(names = "--time", paramLabel = "T", description = "Slurm time limit per task, e.g."
            + " 1:00:00")
    String time;

    @Option(names = "--task", paramLabel = "N", hidden = true,
            description = "run array task N of the recorded configuration (used by the batch"
                    + " script)")
    Integer task;

    @Option(names = "--tasks", paramLabel = "T", hidden = true,
            description = "the number of array tasks of the job (used by the batch script)")
    Integer taskCount;

    @Option(names = "--job", paramLabel = "ID", hidden = true,
            description = "the Slurm job id of the array (used by the batch script)")
    String jobId;

    /**
     * Makes every file option of the command absolute, so that the recorded configuration names
     * the same files from any working folder (a task runs elsewhere), and, for a job array
     * (slurm true), checks the output folder, partition and time limit before they reach sbatch.
     *
     * @param what "polar" or "study", for the messages
     */
    void settle(CommandSpec spec, Path out, boolean slurm, String what) {
        if (task != null && task < 0) {
            throw new ParameterException(spec.commandLine(), "--task expects a whole number of at"
                    + " least 0, got " + task);
        }
        for (OptionSpec o : spec.options()) {
            if (o.type() == Path.class && o.getValue() instanceof Path p) {
                String text = p.toString();
                if (slurm && !text.isEmpty()
                        && Character.isWhitespace(text.charAt(text.length() - 1))) {
                    throw new ParameterException(spec.commandLine(), o.longestName() + ": a Slurm "
                            + what + " cannot take a path that ends in white space (its tasks read"
                            + " the path from a case file, which trims it)");
                }
                o.setValue(p.toAbsolutePath().normalize());
            }
        }
        OptionSpec airfoil = spec.findOption("--airfoil");
        if (airfoil != null && airfoil.getValue() instanceof List<?> values) {
            List<String> absolute = new ArrayList<>();
            for (String v : BodyOptions.rejoinPlacements(values.stream().map(String::valueOf)
                    .toList())) {
                absolute.add(absoluteAirfoil(v));
            }
            airfoil.setValue(absolute);
        }
        try {
            SlurmJob.checkOptions(slurm ? out : Path.of(""), partition, time);
        } catch (IllegalArgumentException e) {
            throw new ParameterException(spec.commandLine(), e.getMessage());
        }
    }

    /**
     * An --airfoil FILE[@X,Y,DEFLECTION,CHORD] with its file made absolute: the tasks read the
     * recorded configuration in another working folder. A malformed placement is left for the
     * option's own check.
     */
    static String absoluteAirfoil(String value) {
        int at = value.length();
        try {
            if (AirfoilElement.placementOf(value) != null) {
                at = value.lastIndexOf('@');
            }
        } catch (IllegalArgumentException e) {
            return value;
        }
        String file = value.substring(0, at);
        try {
            return file.isEmpty() ? value
                    : Path.of(file).toAbsolutePath().normalize() + value.substring(at);
        } catch (java.nio.file.InvalidPathException e) {
            return value;
        }
    }

    /**
     * The number of array tasks of the job this task belongs to, checked against the units of
     * work and the task's number; the job id must be given.
     *
     * @param unitsText the units in words for the message ("4 units of work", "3 levels")
     */
    int tasks(CommandSpec spec, int units, String what, String unitsText) {
        int tasks = taskCount != null ? taskCount : units;
        if (tasks < 1 || tasks > units || task >= tasks) {
            throw new ParameterException(spec.commandLine(), "--task " + task + " of --tasks "
                    + tasks + ": this " + what + " has " + unitsText);
        }
        if (jobId == null || !jobId.matches("\\d+")) {
            throw new ParameterException(spec.commandLine(), "--task needs --job ID, the Slurm job"
                    + " id of the array");
        }
        return tasks;
    }

    /** The command that runs this JAR again: java, the library path if one was set, the JAR. */
    static List<String> javaCommand() {
        List<String> c = new ArrayList<>();
        c.add(Paths.get(System.getProperty("java.home"), "bin", "java").toString());
        String library = System.getProperty("kestrafol.library.path");
        if (library != null) {
            c.add("-Dkestrafol.library.path=" + Paths.get(library).toAbsolutePath());
        }
        c.add("-cp");
        try {
            c.add(Paths.get(Main.class.getProtectionDomain().getCodeSource().getLocation().toURI())
                    .toString());
        } catch (java.net.URISyntaxException | RuntimeException e) {
            c.add(System.getProperty("java.class.path"));
        }
        c.add(Main.class.getName());
        return c;
    }
}
