package kestrafol.cli;

import java.io.IOException;
import java.io.PrintStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.Collection;
import java.util.HashSet;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Set;
import java.util.stream.Collectors;
import picocli.CommandLine.Model.CommandSpec;
import picocli.CommandLine.Model.OptionSpec;
import picocli.CommandLine;
import picocli.CommandLine.ParameterException;

/**
 * Case files for the commands: reading --config FILE into the command line, and the effective
 * configuration of a command (every option with its value, defaults included) as case-file
 * entries, so that a run can be repeated exactly.
 */
final class Configuration {
    private Configuration() {}

    /**
     * The command a recorded configuration (polar.properties, study.properties) describes,
     * parsed into line's command as "kestrafol NAME --config FILE" would be.
     *
     * @throws IOException for a missing file or one the command refuses (naming the file)
     */
    static <T> T recorded(CommandLine line, String name, Path file, PrintStream out)
            throws IOException {
        if (!Files.exists(file)) {
            throw new IOException(file.getParent() + " holds no " + name + " (" + file
                    + " is missing)");
        }
        String[] args = expand(new String[] {name, "--config", file.toString()},
                Main.commandLine(out, System.err, false));
        try {
            line.parseArgs(Arrays.copyOfRange(args, 1, args.length));
            return line.getCommand();
        } catch (ParameterException e) {
            throw new IOException(file + ": " + e.getMessage(), e);
        }
    }

    /**
     * The arguments with a --config FILE of the subcommand named first replaced by the file's
     * options (placed before the command line's own, which override them key by key).
     */
    static String[] expand(String[] args, CommandLine top) throws IOException {
        if (args.length == 0 || !Arrays.asList(args).stream().anyMatch(
                a -> a.equals("--config") || a.startsWith("--config="))) {
            return args;
        }
        CommandLine sub = top.getSubcommands().get(args[0]);
        if (sub == null || sub.getCommandSpec().findOption("--config") == null) {
            return args;
        }
        Set<String> known = new HashSet<>();
        Set<String> flags = new HashSet<>();
        Set<String> repeatable = new HashSet<>();
        Set<String> paths = new HashSet<>();
        for (OptionSpec o : sub.getCommandSpec().options()) {
            String name = o.longestName();
            if (!name.startsWith("--") || o.usageHelp() || o.hidden()) {
                continue;
            }
            String key = name.substring(2);
            known.add(key);
            if (o.arity().max() == 0) {
                flags.add(key);
            } else if (o.isMultiValue()) {
                repeatable.add(key);
            } else if (o.type() == java.nio.file.Path.class) {
                paths.add(key);
            }
        }
        List<String> rest = CaseFile.merge(List.of(args).subList(1, args.length), known, flags,
                repeatable, paths);
        String[] merged = new String[rest.size() + 1];
        merged[0] = args[0];
        for (int i = 0; i < rest.size(); i++) {
            merged[i + 1] = rest.get(i);
        }
        return merged;
    }

    /**
     * The arguments of "run --resume": the --out folder's case.properties as the --config file
     * (unless one is given), so the run continues with its own options; the command line still
     * overrides them. Other arguments are returned as they are.
     *
     * @throws IllegalArgumentException for a folder without case.properties
     */
    static String[] resumed(String[] args) {
        List<String> list = Arrays.asList(args);
        if (args.length == 0 || !args[0].equals("run") || !list.contains("--resume")
                || list.stream().anyMatch(a -> a.equals("--config") || a.startsWith("--config="))) {
            return args;
        }
        String out = "results";
        for (int i = 1; i < args.length; i++) {
            if (args[i].equals("--out") && i + 1 < args.length) {
                out = args[i + 1];
            } else if (args[i].startsWith("--out=")) {
                out = args[i].substring("--out=".length());
            }
        }
        Path file = Path.of(out).resolve(kestrafol.run.CaseOutputs.CASE_FILE);
        if (!Files.isRegularFile(file)) {
            throw new ResumeException("nothing to resume in " + out + ": it has no"
                    + " case.properties (a run writes it when it starts)");
        }
        String[] expanded = Arrays.copyOf(args, args.length + 2);
        expanded[args.length] = "--config";
        expanded[args.length + 1] = file.toString();
        return expanded;
    }

    /** A folder that holds no run to resume: bad input, not a bad command line. */
    static final class ResumeException extends RuntimeException {
        private static final long serialVersionUID = 1L;

        ResumeException(String message) {
            super(message);
        }
    }

    /**
     * Every option of the command with its current value, keyed by the long name without dashes:
     * flags as true or false, repeated options and arrays (--ref-point) joined by commas; options
     * without a value, help, --config and the names in skip are left out.
     */
    static LinkedHashMap<String, String> entries(CommandSpec spec, Set<String> skip) {
        LinkedHashMap<String, String> e = new LinkedHashMap<>();
        for (OptionSpec o : spec.options()) {
            String name = o.longestName();
            if (!name.startsWith("--") || o.usageHelp() || o.versionHelp() || o.hidden()
                    || name.equals("--config") || skip.contains(name)) {
                continue;
            }
            Object v = o.getValue();
            if (v == null) {
                continue;
            }
            String value;
            if (v instanceof Collection<?> c) {
                if (c.isEmpty()) {
                    continue;
                }
                value = c.stream().map(String::valueOf).collect(Collectors.joining(","));
            } else if (v.getClass().isArray()) {
                // --ref-point X,Y: the numbers, not the array's identity
                int n = java.lang.reflect.Array.getLength(v);
                if (n == 0) {
                    continue;
                }
                StringBuilder sb = new StringBuilder();
                for (int k = 0; k < n; k++) {
                    sb.append(k == 0 ? "" : ",").append(java.lang.reflect.Array.get(v, k));
                }
                value = sb.toString();
            } else {
                value = String.valueOf(v);
            }
            e.put(name.substring(2), value);
        }
        return e;
    }

    /**
     * Adds the values that validated run options settle when the command line leaves them out
     * (the coefficient criterion, the first-order start), so that the entries hold every value;
     * without validated options (null) the entries stay as they are.
     */
    static LinkedHashMap<String, String> complete(LinkedHashMap<String, String> entries,
            RunOptions validated) {
        if (validated == null) {
            return entries;
        }
        entries.putIfAbsent("cauchy", validated.cauchyEps + "/" + validated.cauchyWindow);
        entries.putIfAbsent("startup-first-order", Integer.toString(validated.startup));
        return entries;
    }
}
