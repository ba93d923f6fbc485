package kestrafol.cli;

import java.io.IOException;
import java.math.BigDecimal;
import java.nio.file.Path;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.Set;
import kestrafol.batch.Polar;
import kestrafol.polar.PolarCase;
import kestrafol.polar.Sweep;
import kestrafol.run.CaseDefinition;
import kestrafol.study.TwoMeshes;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.ParameterException;

/**
 * The cases of a polar as the command line gives them: each case's options are the polar's run
 * options with the case's conditions, settled by the same checks as "kestrafol run" (the
 * dependent defaults, such as the weight from the Mach number, follow each case's conditions),
 * and recorded as its case.properties.
 */
final class PolarCases implements Polar.Cases {
    private final CommandSpec runOptions;
    private final RunOptions base;
    private final Map<String, String> polarEntries;
    private final CommandSpec polarSpec;
    /** The validated options of the first case: the values the options settle by default. */
    private final RunOptions settled;

    /**
     * @param polarSpec the polar command (for usage errors)
     * @param runOptions the polar's run-options mixin: what every case shares
     * @param polarEntries the polar's own entries of polar.properties (lists, chaining, compare)
     */
    PolarCases(CommandSpec polarSpec, CommandSpec runOptions, Map<String, String> polarEntries,
            PolarCase first) {
        this.polarSpec = polarSpec;
        this.runOptions = runOptions;
        this.base = (RunOptions) runOptions.userObject();
        this.polarEntries = polarEntries;
        this.settled = options(first);
    }

    @Override
    public CaseDefinition definition(PolarCase c, Path folder) {
        return options(c).definition();
    }

    @Override
    public CaseDefinition coarser(PolarCase c, Path folder) {
        RunOptions o = options(c);
        return o.definitionAt(TwoMeshes.coarserPoints(o.body.resolution), false);
    }

    /** The run options of one case: the polar's, at the case's conditions. */
    private RunOptions options(PolarCase c) {
        try {
            return base.at(Double.parseDouble(Sweep.plain(c.mach())),
                    Double.parseDouble(Sweep.plain(c.alpha())),
                    c.reynolds() == null ? null : Double.parseDouble(Sweep.plain(c.reynolds())));
        } catch (ParameterException e) {
            throw new ParameterException(polarSpec.commandLine(), e.getMessage());
        }
    }

    @Override
    public LinkedHashMap<String, String> entries(PolarCase c, Path folder) {
        LinkedHashMap<String, String> entries = Configuration.complete(
                Configuration.entries(runOptions, Set.of()), settled);
        List<String> conditions = c.arguments();
        for (int i = 0; i < conditions.size(); i += 2) {
            entries.put(conditions.get(i).substring(2), conditions.get(i + 1));
        }
        entries.put("out", folder.toString());
        return entries;
    }

    @Override
    public void writeConfiguration(Path file) throws IOException {
        LinkedHashMap<String, String> e = new LinkedHashMap<>(polarEntries);
        e.putAll(Configuration.complete(Configuration.entries(runOptions, Set.of()), settled));
        CaseFile.write(file, List.of("kestrafol polar: the effective configuration of this polar.",
                "Re-run it with: kestrafol polar --config " + file), e);
    }

    /** The polar's own entries of polar.properties. */
    static LinkedHashMap<String, String> polarEntries(List<BigDecimal> machs,
            List<BigDecimal> alphas, List<BigDecimal> reynolds, boolean chained, Path compare,
            boolean errorEstimate) {
        LinkedHashMap<String, String> e = new LinkedHashMap<>();
        e.put("mach", join(machs));
        e.put("alpha", join(alphas));
        if (!reynolds.isEmpty()) {
            e.put("reynolds", join(reynolds));
        }
        e.put(chained ? "chain" : "cold", "true");
        if (compare != null) {
            e.put("compare", compare.toString());
        }
        if (errorEstimate) {
            e.put("error-estimate", "true");
        }
        return e;
    }

    private static String join(List<BigDecimal> values) {
        return String.join(",", values.stream().map(Sweep::plain).toList());
    }
}
