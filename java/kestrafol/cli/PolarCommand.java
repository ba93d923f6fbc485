package kestrafol.cli;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import java.util.concurrent.Callable;
import kestrafol.polar.Sweep;
import picocli.CommandLine.Command;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Mixin;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;
import picocli.CommandLine.Spec;
import picocli.CommandLine;
import kestrafol.batch.Polar;
import kestrafol.batch.SlurmSubmission;

/**
 * "kestrafol polar": every combination of the Mach numbers, Reynolds numbers and angles given, each
 * case run by the single-case runner of "kestrafol run" into a folder of its own, side by side on
 * worker threads or as a Slurm job array; then polar.csv, polar.json, the pictures and
 * the report page ({@link Polar}), the same for a local polar and a gathered Slurm one.
 *
 * <p>The command takes the run options' mixin ({@link RunOptions}, shared with "run") and its
 * own ({@link PolarOptions}), among them the flow conditions as lists where "run" takes single
 * values ({@link FlowConditions}).
 */
@Command(name = "polar", separator = " ", sortOptions = false, usageHelpAutoWidth = true,
        description = {"Runs every combination of the Mach numbers, Reynolds numbers (viscous runs)"
                + " and angles of attack as a case of \"kestrafol run\", each into a folder of its"
                + " own inside the output folder, and writes the polar's files (listed below)"
                + " there.",
            "Cases run side by side, one solver per worker thread, or as a Slurm job array.", ""},
        footer = {"", "Every option of \"kestrafol run\" applies to each case; --out defaults to"
                + " polar.",
            "Exit status: 0 every case converged, 4 every case answered but some did not converge,"
                + " 3 a case diverged, 1 a case failed (or bad input), 2 bad options; the most"
                + " serious applies."})
final class PolarCommand implements Callable<Integer> {
    /** Name of the mixin of the run options: its entries are what every case takes. */
    private static final String RUN_OPTIONS = "base";

    private final PrintStream out;
    private final boolean terminal;

    @Spec
    CommandSpec spec;

    /** The polar's own options: the conditions as lists, the workers, Slurm, resumption. */
    @Mixin
    final PolarOptions polar = new PolarOptions();

    @Option(names = "--config", paramLabel = "FILE", description = "options from a properties file,"
            + " keys named like the long options (alpha = -2:2:8); the command line overrides it")
    Path config;

    @Option(names = {"-h", "--help"}, usageHelp = true, description = "show this help and exit")
    boolean help;

    /** The run options of every case; a polar writes into "polar" unless --out says otherwise. */
    @Mixin(name = RUN_OPTIONS)
    final RunOptions base = RunOptions.writingTo(Path.of("polar"));

    private PolarCommand(PrintStream out, boolean terminal) {
        this.out = out;
        this.terminal = terminal;
    }

    /** The polar command: its own options and the run options' mixin. */
    static CommandLine commandLine(PrintStream out, boolean terminal) {
        return new CommandLine(new PolarCommand(out, terminal));
    }

    @Override
    public Integer call() throws IOException, InterruptedException {
        if (polar.gather != null) {
            if (spec.commandLine().getParseResult().matchedOptions().size() > 1) {
                throw usage("--gather takes no other options: the folder holds the polar's"
                        + " settings");
            }
            Path folder = polar.gather.toAbsolutePath().normalize();
            SlurmSubmission.read(folder); // a damaged or oversized record is refused before any mesh
            // The recorded configuration settles what the results need (pictures or not, the
            // comparison points, the moment point) before the waiting starts.
            return recorded(folder.resolve(Polar.CONFIGURATION)).gather();
        }
        polar.settle(spec, base);
        Polar p = prepared();
        SlurmOptions task = polar.slurmJob;
        if (task.task != null) {
            p.runTask(new Polar.Task(task.task, task.tasks(spec, p.units(), "polar", p.units()
                    + " units of work"), task.jobId));
            return 0;
        }
        if (polar.resume && (polar.slurm || polar.dryRun)) {
            throw usage("--resume applies to a polar run here, not to --slurm");
        }
        if (p.size() > Polar.CONFIRM_CASES && !polar.yes) {
            throw usage(String.format(Locale.ROOT, "this polar has %,d cases; more than %,d need"
                    + " --yes; estimated CPU time: %s", p.size(), Polar.CONFIRM_CASES,
                    p.estimate()));
        }
        return p.run();
    }

    /** The polar of the settled options; what every case needs is read here. */
    private Polar prepared() throws IOException {
        Path folder = base.out;
        PolarCases cases = new PolarCases(spec, spec.mixins().get(RUN_OPTIONS),
                PolarCases.polarEntries(polar.machs, polar.alphas, polar.reynolds,
                        polar.chained, polar.compare, polar.errorEstimate), Sweep.of(polar.machs,
                        polar.reynolds, polar.alphas, polar.chained).cases().get(0));
        List<String> command = new ArrayList<>(SlurmOptions.javaCommand());
        command.addAll(List.of("polar", "--config", folder.resolve(Polar.CONFIGURATION)
                .toString()));
        return new Polar(polar.plan(folder, !base.noPictures, base.checkpointEvery, command),
                cases, out, terminal, polar.slurmJob.task != null);
    }

    /** The polar a polar.properties file describes, prepared as for running it. */
    private Polar recorded(Path file) throws IOException {
        PolarCommand p = Configuration.recorded(commandLine(out, false), "polar", file, out);
        try {
            p.polar.settle(p.spec, p.base);
            // The tasks wrote into this folder, wherever the recorded polar wrote.
            p.base.out = file.getParent();
            return p.prepared();
        } catch (ParameterException e) {
            throw new IOException(file + ": " + e.getMessage(), e);
        }
    }

    private ParameterException usage(String message) {
        return new ParameterException(spec.commandLine(), message);
    }
}
