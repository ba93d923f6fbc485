package kestrafol.cli;

import java.math.BigDecimal;
import java.nio.file.Path;
import java.util.List;
import kestrafol.batch.Polar;
import kestrafol.batch.SlurmJob;
import kestrafol.polar.Sweep;
import picocli.CommandLine.Mixin;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Option;
import picocli.CommandLine.ParameterException;

/**
 * The options of "kestrafol polar" beyond those of a run: the conditions as lists, the workers
 * and chaining, the Slurm job array, the comparison points and resumption; their checks, and the
 * {@link Polar.Plan} they settle.
 */
final class PolarOptions {
    /**
     * Without --cold or --chain a local polar chains when it has at least as many chains (Mach and
     * Reynolds numbers) as workers, so that chaining costs no parallelism, and starts every case
     * cold otherwise; a Slurm polar starts cold (measured: see docs/PERFORMANCE.md).
     */
    static boolean chainsByDefault(int chains, int jobs, boolean slurm) {
        return !slurm && chains >= jobs;
    }

    @Option(names = "--mach", paramLabel = "LIST", description = "Mach numbers, e.g. 0.3,0.5,0.7"
            + " (default: 0.8)")
    String machText = "0.8";

    @Option(names = "--alpha", paramLabel = "LIST", description = "angles of attack in degrees:"
            + " 0,2,4 or FROM:STEP:TO, e.g. -2:2:8 (default: 1.25)")
    String alphaText = "1.25";

    @Option(names = "--reynolds", paramLabel = "LIST", description = "Reynolds numbers of viscous"
            + " runs (with --viscous)")
    String reynoldsText;

    @Option(names = "--jobs", paramLabel = "N", description = "cases at the same time, one solver"
            + " per worker thread (default: the number of cores, here ${DEFAULT-VALUE})")
    int jobs = Runtime.getRuntime().availableProcessors();

    @Option(names = "--cold", description = "every case from the free stream (default with"
            + " fewer Mach/Reynolds numbers than --jobs, and with --slurm)")
    boolean cold;

    @Option(names = "--chain", description = "along each Mach (and Reynolds) number, a case starts"
            + " from the converged flow of the previous angle (default with at least as many"
            + " Mach/Reynolds numbers as --jobs)")
    boolean chain;

    @Option(names = "--slurm", description = "run as a Slurm job array (one task per chain, or per"
            + " case when cold), wait for it and gather the results")
    boolean slurm;

    @Option(names = "--slurm-dry-run", description = "only write the batch script slurm/polar.sbatch")
    boolean dryRun;

    /** --partition, --time and the hidden options of one array task. */
    @Mixin
    final SlurmOptions slurmJob = new SlurmOptions();

    // --- Slurm: detached submission, gathering, confirmation of large polars ---

    @Option(names = "--detach", description = "with --slurm: submit, record the job and return at"
            + " once; collect the results later with --gather")
    boolean detach;

    @Option(names = "--gather", paramLabel = "DIR", description = "collect the Slurm polar"
            + " submitted into folder DIR (waits while its job runs) and write its results")
    Path gather;

    @Option(names = "--yes", description = "run a polar of more than 10,000 cases")
    boolean yes;

    // --- end of the Slurm options ---

    @Option(names = "--compare", paramLabel = "FILE", description = "measured or published"
            + " points (a CSV file whose header names any of alpha, cl, cd, cm) drawn in the polar"
            + " charts of polar.png and the report")
    Path compare;

    @Option(names = "--error-estimate", description = "also solve each case on the next coarser"
            + " built-in mesh (sqrt(2) fewer points per direction, into coarser/ inside the case's"
            + " folder, chained like the cases) and give each case error bars of CL, CD and CM"
            + " (two-mesh grid convergence index, as run --error-estimate) in polar.csv,"
            + " polar.json, the report and on screen. Costs a quarter to two fifths more CPU"
            + " time: the coarser mesh has about half the nodes and settles in fewer iterations")
    boolean errorEstimate;

    // --- Output folder: resumption (the folder rules live in CaseFolders and CaseOutputs) ---
    @Option(names = "--resume", description = "keep the cases whose folders hold a finished run"
            + " with the same settings, continue those with a checkpoint of the same settings"
            + " (killed, interrupted or capped) from it, run the others, and rebuild polar.csv"
            + " from every case folder")
    boolean resume;
    // --- end of the output-folder options ---

    List<BigDecimal> machs;
    List<BigDecimal> alphas;
    List<BigDecimal> reynolds;
    boolean chained;

    /**
     * Checks the options and settles the lists, the chaining and the output folder (made
     * absolute in the run options); Slurm's file options are made absolute too, so that the
     * recorded configuration names the same files from any working folder (a task runs
     * elsewhere).
     */
    void settle(CommandSpec spec, RunOptions base) {
        if (cold && chain) {
            throw usage(spec, "--cold and --chain exclude each other");
        }
        if (jobs < 1) {
            throw usage(spec, "--jobs expects a whole number of at least 1, got " + jobs);
        }
        try {
            machs = Sweep.parseList("--mach", machText);
            alphas = Sweep.parseList("--alpha", alphaText);
            reynolds = reynoldsText == null ? List.of()
                    : Sweep.parseList("--reynolds", reynoldsText);
        } catch (IllegalArgumentException e) {
            throw usage(spec, e.getMessage());
        }
        if (base.viscous && reynolds.isEmpty()) {
            throw usage(spec, "--viscous needs --reynolds LIST");
        }
        if (!base.viscous && !reynolds.isEmpty()) {
            throw usage(spec, "--reynolds only applies with --viscous");
        }
        if (base.out.toString().isBlank()) {
            throw usage(spec, "--out expects a folder, got an empty name");
        }
        if (base.adapt > 0 && (chain || errorEstimate)) {
            throw usage(spec, "--adapt builds each case its own mesh from the free stream's"
                    + " first solve: it cannot go with " + (chain ? "--chain" : "--error-estimate"));
        }
        int chains = machs.size() * Math.max(1, reynolds.size());
        // An adapted case meshes its own flow: no case starts from another's mesh.
        chained = base.adapt == 0 && (chain || (!cold && chainsByDefault(chains, jobs,
                slurm || dryRun || slurmJob.task != null)));
        try {
            Sweep.of(machs, reynolds, alphas, chained);
        } catch (IllegalArgumentException e) {
            throw usage(spec, e.getMessage());
        }
        if (errorEstimate && base.body.mesh != null) {
            throw usage(spec, "--error-estimate needs a built-in body (--naca, --circle or"
                    + " --airfoil): it also solves a coarser mesh of it");
        }
        base.out = base.out.toAbsolutePath().normalize();
        if (detach && !slurm) {
            throw usage(spec, "--detach only applies with --slurm");
        }
        slurmJob.settle(spec, base.out, slurm || dryRun, "polar");
    }

    /** The settled polar writing into folder, its tasks running command. */
    Polar.Plan plan(Path folder, boolean pictures, double checkpointEvery, List<String> command) {
        return new Polar.Plan(folder, machs, alphas, reynolds, chained, jobs, resume, pictures,
                compare, slurm ? Polar.Where.SLURM : dryRun ? Polar.Where.DRY_RUN
                        : Polar.Where.HERE, new SlurmJob.Request(command, slurmJob.partition,
                        slurmJob.time, detach ? SlurmJob.Mode.DETACH : SlurmJob.Mode.WAIT),
                errorEstimate, checkpointEvery);
    }

    static ParameterException usage(CommandSpec spec, String message) {
        return new ParameterException(spec.commandLine(), message);
    }
}
