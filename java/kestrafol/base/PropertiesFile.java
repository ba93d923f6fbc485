package kestrafol.base;

import java.io.BufferedWriter;
import java.io.IOException;
import java.io.Reader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.Properties;
import java.util.TreeMap;

/**
 * Properties files the toolkit writes and reads back (case files, a polar's recorded
 * configuration, a Slurm submission): UTF-8, a comment block, one escaped key = value line per
 * entry.
 */
public final class PropertiesFile {
    private PropertiesFile() {}

    /** The entries of a properties file, sorted by key. */
    public static Map<String, String> read(Path file) throws IOException {
        Properties p = new Properties();
        try (Reader r = Files.newBufferedReader(file, StandardCharsets.UTF_8)) {
            p.load(r);
        } catch (IOException e) {
            throw new IOException("cannot read the case file " + file + ": " + e.getMessage(), e);
        }
        Map<String, String> entries = new TreeMap<>();
        for (String k : p.stringPropertyNames()) {
            entries.put(k, p.getProperty(k));
        }
        return entries;
    }

    /**
     * Writes a comment block, then one key = value line per entry, in the given order. Keys and
     * values are escaped as properties need, so that {@link #read} gives back exactly the strings
     * written: backslashes, line breaks, tabs, '=', ':', '#', '!' and leading spaces (a Windows
     * path or a hostile folder name cannot end a line early or start a key of its own). Line
     * breaks in a comment are written as \n, so a comment stays a comment. The file appears
     * whole or not at all ({@link AtomicFiles}).
     */
    public static void write(Path file, List<String> comments, LinkedHashMap<String, String> entries)
            throws IOException {
        AtomicFiles.write(file, tmp -> {
            try (BufferedWriter w = Files.newBufferedWriter(tmp, StandardCharsets.UTF_8)) {
                for (String c : comments) {
                    w.write("# " + c.replace("\r", "\\r").replace("\n", "\\n") + "\n");
                }
                for (Map.Entry<String, String> e : entries.entrySet()) {
                    w.write(escape(e.getKey(), true) + " = " + escape(e.getValue(), false) + "\n");
                }
            }
        });
    }

    /** The text escaped for a properties file; in a key every space is escaped, in a value the leading ones. */
    public static String escape(String v, boolean key) {
        StringBuilder b = new StringBuilder();
        boolean leading = true;
        for (int i = 0; i < v.length(); i++) {
            char c = v.charAt(i);
            switch (c) {
                case '\\' -> b.append("\\\\");
                case '\n' -> b.append("\\n");
                case '\r' -> b.append("\\r");
                case '\t' -> b.append("\\t");
                case '\f' -> b.append("\\f");
                case '=', ':', '#', '!' -> b.append('\\').append(c);
                case ' ' -> b.append(key || leading ? "\\ " : " ");
                default -> b.append(c);
            }
            leading &= c == ' ';
        }
        return b.toString();
    }
}
