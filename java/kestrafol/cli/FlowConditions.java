package kestrafol.cli;

import kestrafol.solver.Settings;
import picocli.CommandLine.Option;

/**
 * The flow conditions of a single case (--mach, --alpha, --reynolds): a picocli mixin of the
 * run command. The polar command takes the same names as lists instead.
 */
final class FlowConditions {
    @Option(names = "--mach", paramLabel = "M", converter = RunOptions.FiniteDouble.class,
            description = "free-stream Mach number (default: ${DEFAULT-VALUE})")
    double mach = Settings.DEFAULT_MACH;

    @Option(names = "--alpha", paramLabel = "A", converter = RunOptions.FiniteDouble.class,
            description = "angle of attack in degrees (default: ${DEFAULT-VALUE})")
    double alpha = Settings.DEFAULT_ALPHA;

    @Option(names = "--reynolds", paramLabel = "R", converter = RunOptions.FiniteDouble.class,
            description = "free-stream Reynolds number based on the flow speed and the reference"
                    + " length (chord, or diameter of the circle); the library gets R / (Mach x"
                    + " length), its own Reynolds number based on the speed of sound")
    Double reynolds;

    /** The options with these conditions, ready for {@link RunOptions#validate()}. */
    RunOptions applyTo(RunOptions options) {
        options.mach = mach;
        options.alpha = alpha;
        options.reynolds = reynolds;
        return options;
    }
}
