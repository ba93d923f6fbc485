package kestrafol.cli;

import java.io.BufferedWriter;
import java.io.IOException;
import java.io.Reader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.HashSet;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.Properties;
import java.util.Set;
import java.util.TreeMap;
import kestrafol.base.PropertiesFile;
import kestrafol.batch.Study;
import kestrafol.study.Ladder;
import picocli.CommandLine.Model.CommandSpec;

/**
 * Case files: Java properties whose keys are the long option names without the dashes, e.g.
 * <pre>
 *   mach = 0.5
 *   alpha = -2:2:8
 *   viscous = true
 *   bc = wall=noslip, far=farfield
 * </pre>
 * A flag is {@code true} (given) or {@code false} (left out); a repeatable option takes several
 * values separated by commas. {@link #merge} turns a file into command-line arguments placed
 * before the command line's own, leaving out every option that the command line gives itself:
 * the command line overrides the file option by option.
 */
public final class CaseFile {
    private CaseFile() {}

    /**
     * Splits {@code --config FILE} (or {@code --config=FILE}) out of the arguments and returns the
     * file's options followed by the remaining arguments.
     *
     * @param repeatable long option names (without dashes) that may be given several times
     * @param paths long option names whose value is a path: taken exactly as written (a folder
     *     name may end in a space); other values are trimmed
     * @throws IOException for an unreadable file (the message names it)
     * @throws IllegalArgumentException for a file key that is no option of the command, a bad
     *     flag value or a --config without a file
     */
    public static List<String> merge(List<String> args, Set<String> known, Set<String> flags,
            Set<String> repeatable, Set<String> paths) throws IOException {
        Path file = null;
        List<String> rest = new ArrayList<>();
        for (int i = 0; i < args.size(); i++) {
            String a = args.get(i);
            if (a.equals("--config")) {
                if (i + 1 >= args.size()) {
                    throw new IllegalArgumentException("--config expects a file");
                }
                file = second(file, Path.of(args.get(++i)));
            } else if (a.startsWith("--config=")) {
                file = second(file, Path.of(a.substring("--config=".length())));
            } else {
                rest.add(a);
            }
        }
        if (file == null) {
            return rest;
        }
        Set<String> given = new HashSet<>();
        for (String a : rest) {
            if (a.startsWith("--")) {
                int eq = a.indexOf('=');
                given.add(eq < 0 ? a.substring(2) : a.substring(2, eq));
            }
        }
        List<String> merged = new ArrayList<>();
        for (Map.Entry<String, String> e : read(file).entrySet()) {
            String key = e.getKey();
            String value = paths.contains(key) ? e.getValue() : e.getValue().trim();
            String where = file + ": " + key + ": ";
            if (!known.contains(key)) {
                throw new IllegalArgumentException(where + "no such option (keys are the long"
                        + " option names without the dashes)");
            }
            if (given.contains(key)) {
                continue;
            }
            if (flags.contains(key)) {
                if (value.equalsIgnoreCase("true")) {
                    merged.add("--" + key);
                } else if (!value.equalsIgnoreCase("false")) {
                    throw new IllegalArgumentException(where + "expected true or false, got "
                            + value);
                }
            } else if (repeatable.contains(key)) {
                for (String v : value.split(",")) {
                    if (!v.isBlank()) {
                        merged.add("--" + key);
                        merged.add(v.trim());
                    }
                }
            } else {
                merged.add("--" + key);
                merged.add(value);
            }
        }
        merged.addAll(rest);
        return merged;
    }

    /** The one --config file: a second is refused, naming both. */
    private static Path second(Path first, Path file) {
        if (first != null) {
            throw new IllegalArgumentException("--config is given twice (" + first + " and "
                    + file + "); give one case file");
        }
        return file;
    }

    /** The entries of a case file, sorted by key; a case file cannot name another. */
    public static Map<String, String> read(Path file) throws IOException {
        Map<String, String> entries = PropertiesFile.read(file);
        if (entries.containsKey("config")) {
            throw new IllegalArgumentException(file + ": config: a case file cannot name"
                    + " another case file");
        }
        return entries;
    }

    /** Writes a case file (see {@link PropertiesFile#write}). */
    public static void write(Path file, List<String> comments, LinkedHashMap<String, String> entries)
            throws IOException {
        PropertiesFile.write(file, comments, entries);
    }

    static String escape(String v, boolean key) {
        return PropertiesFile.escape(v, key);
    }

    /** What a study records of its options: study.properties and each level's case file. */
    static Study.Records studyRecords(CommandSpec study, RunOptions options) {
        return new Study.Records() {
            @Override
            public void configuration(Path file) throws IOException {
                write(file, List.of("kestrafol study: the effective options of this study.",
                        "Re-run it with: kestrafol study --config " + file),
                        Configuration.complete(Configuration.entries(study, Set.of("--resume")),
                                options));
            }

            @Override
            public LinkedHashMap<String, String> level(Ladder.Level level) {
                return levelEntries(study, options, level);
            }
        };
    }

    /** A study level's effective options: "kestrafol run --config" repeats it alone. */
    static LinkedHashMap<String, String> levelEntries(CommandSpec study, RunOptions options,
            Ladder.Level level) {
        LinkedHashMap<String, String> e = Configuration.entries(
                study.mixins().get("conditions"), Set.of());
        e.putAll(Configuration.complete(Configuration.entries(study.mixins().get("options"),
                Set.of()), options));
        e.put("resolution", Integer.toString(level.points()));
        e.put("out", level.folder().toString());
        if (level.adapted() != null) {
            // The level's mesh is given: its run does not adapt.
            e.remove("adapt");
            e.remove("max-nodes");
        }
        return e;
    }
}
