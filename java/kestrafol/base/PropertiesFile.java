package kestrafol.base;

import java.io.BufferedWriter;
import java.io.InputStream;
import java.io.IOException;
import java.io.Reader;
import java.io.StringReader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
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

    /** The largest properties file read: a case file holds a few dozen short lines. */
    public static final int MAX_BYTES = 1 << 20;

    /**
     * The entries of a properties file, sorted by key.
     *
     * @throws IOException for an unreadable file or one over {@link #MAX_BYTES} (read no further,
     *     so that a device or a huge file costs no memory), or a byte that is not UTF-8 (naming
     *     its line: a replacement character would turn "0.5" into another value)
     * @throws IllegalArgumentException for a key given twice, naming both values
     */
    public static Map<String, String> read(Path file) throws IOException {
        byte[] bytes;
        try (InputStream in = Files.newInputStream(file)) {
            bytes = in.readNBytes(MAX_BYTES + 1);
        } catch (IOException e) {
            throw new IOException("cannot read the case file " + file + ": " + e.getMessage(), e);
        }
        if (bytes.length > MAX_BYTES) {
            long size = Files.isRegularFile(file) ? Files.size(file) : -1;
            throw new IOException("the case file " + file + " is " + (size >= 0
                    ? String.format(Locale.ROOT, "%,d bytes", size) : "over 1 MB")
                    + "; a case file may hold at most 1 MB (1,048,576 bytes)");
        }
        Properties p = new Properties() {
            @Override
            public synchronized Object put(Object key, Object value) {
                Object before = super.put(key, value);
                if (before != null) {
                    throw new IllegalArgumentException(file + ": " + key + " is given twice ("
                            + key + " = " + before + " and " + key + " = " + value + ")");
                }
                return null;
            }
        };
        try (Reader r = new StringReader(InputFiles.utf8(file, bytes))) {
            p.load(r);
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

    /**
     * The text escaped for a properties file; in a key every space is escaped, in a value the
     * leading and the trailing ones (an editor or a reader that trims lines keeps them).
     */
    public static String escape(String v, boolean key) {
        StringBuilder b = new StringBuilder();
        boolean leading = true;
        int trailing = v.length();
        while (trailing > 0 && v.charAt(trailing - 1) == ' ') {
            trailing--;
        }
        for (int i = 0; i < v.length(); i++) {
            char c = v.charAt(i);
            switch (c) {
                case '\\' -> b.append("\\\\");
                case '\n' -> b.append("\\n");
                case '\r' -> b.append("\\r");
                case '\t' -> b.append("\\t");
                case '\f' -> b.append("\\f");
                case '=', ':', '#', '!' -> b.append('\\').append(c);
                case ' ' -> b.append(key || leading || i >= trailing ? "\\ " : " ");
                default -> b.append(c);
            }
            leading &= c == ' ';
        }
        return b.toString();
    }
}
