package kestrafol.cli;

import java.io.IOException;
import java.io.PrintStream;
import java.math.BigDecimal;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.Set;
import kestrafol.batch.Polar;
import kestrafol.polar.PolarCase;
import kestrafol.polar.Sweep;
import kestrafol.run.CaseDefinition;
import kestrafol.study.TwoMeshes;
import picocli.CommandLine;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Model.OptionSpec;
import picocli.CommandLine.ParameterException;

/**
 * The cases of a polar as the command line gives them: each case's options are the polar's run
 * options with the case's conditions and folder, settled by the same checks as "kestrafol run"
 * (the dependent defaults, such as the weight from the Mach number, follow each case's
 * conditions), and recorded as its case.properties.
 */
final class PolarCases implements Polar.Cases {
    private final CommandSpec runOptions;
    private final PrintStream out;
    private final Map<String, String> polarEntries;
    private final CommandSpec polarSpec;
    /** The validated options of the first case: the values the options settle by default. */
    private RunOptions settled;

    /**
     * @param polarSpec the polar command (for usage errors)
     * @param runOptions the polar's run-options mixin: what every case shares
     * @param polarEntries the polar's own entries of polar.properties (lists, chaining, compare)
     */
    PolarCases(CommandSpec polarSpec, CommandSpec runOptions, Map<String, String> polarEntries,
            PrintStream out, PolarCase first, Path folder) {
        this.polarSpec = polarSpec;
        this.runOptions = runOptions;
        this.polarEntries = polarEntries;
        this.out = out;
        this.settled = options(first, folder);
    }

    @Override
    public CaseDefinition definition(PolarCase c, Path folder) {
        return options(c, folder).definition();
    }

    @Override
    public CaseDefinition coarser(PolarCase c, Path folder) {
        RunOptions o = options(c, folder);
        return o.definitionAt(TwoMeshes.coarserPoints(o.resolution), folder, false);
    }

    /** The run options of one case: the polar's, with the case's conditions and folder. */
    private RunOptions options(PolarCase c, Path folder) {
        LinkedHashMap<String, String> entries = entries(c, folder);
        Main.RunCommand command = new Main.RunCommand(out, false);
        CommandLine line = new CommandLine(command);
        try {
            line.parseArgs(toArguments(entries, line.getCommandSpec()).toArray(new String[0]));
            return command.validated();
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

    private static List<String> toArguments(Map<String, String> entries, CommandSpec spec) {
        List<String> args = new ArrayList<>();
        for (Map.Entry<String, String> e : entries.entrySet()) {
            OptionSpec o = spec.findOption("--" + e.getKey());
            if (o == null) {
                continue;
            }
            if (o.arity().max() == 0) {
                if (e.getValue().equals("true")) {
                    args.add("--" + e.getKey());
                }
            } else if (o.isMultiValue()) {
                for (String v : e.getValue().split(",")) {
                    if (!v.isBlank()) {
                        args.add("--" + e.getKey());
                        args.add(v.trim());
                    }
                }
            } else {
                args.add("--" + e.getKey());
                args.add(e.getValue());
            }
        }
        return args;
    }
}
