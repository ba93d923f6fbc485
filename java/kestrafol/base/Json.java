package kestrafol.base;

import java.nio.file.Path;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;

/**
 * Reads the JSON files the toolkit writes (summary.json): objects as ordered maps, arrays as
 * lists, numbers as doubles, true/false, null and strings. Bounded: a file of at most
 * {@link #MAX_BYTES}, values nested at most {@link #MAX_DEPTH} deep, so that a hostile file is
 * refused as a fault of that file (never a stack overflow or an exhausted heap).
 */
public final class Json {
    /** The largest JSON file read: a summary holds a few kilobytes. */
    public static final int MAX_BYTES = 16 << 20;
    /** The deepest nesting read: the toolkit's files nest three or four levels. */
    public static final int MAX_DEPTH = 64;

    private final String text;
    private int at;
    private int depth;

    private Json(String text) {
        this.text = text;
    }

    /**
     * The value of a JSON text.
     *
     * @throws IllegalArgumentException naming the offset of the first fault
     */
    public static Object parse(String text) {
        Json j = new Json(text);
        Object v = j.value();
        j.space();
        if (j.at != text.length()) {
            throw j.fault("text after the value");
        }
        return v;
    }

    /**
     * The value of a JSON file of at most {@link #MAX_BYTES}, strict UTF-8.
     *
     * @throws InputFileException naming the file: unreadable, too large, not UTF-8, or not JSON
     *     (with the offset of the first fault)
     */
    public static Object read(Path file) throws InputFileException {
        String text = InputFiles.text(file, MAX_BYTES, "JSON file", "");
        try {
            return parse(text);
        } catch (IllegalArgumentException e) {
            throw new InputFileException(file, 0, e.getMessage());
        }
    }

    private Object value() {
        space();
        if (at >= text.length()) {
            throw fault("a value expected");
        }
        char c = text.charAt(at);
        if ((c == '{' || c == '[') && depth == MAX_DEPTH) {
            throw fault("values nested more than " + MAX_DEPTH + " deep");
        }
        depth++;
        try {
            return compound(c);
        } finally {
            depth--;
        }
    }

    private Object compound(char c) {
        if (c == '{') {
            at++;
            Map<String, Object> m = new LinkedHashMap<>();
            space();
            if (peek('}')) {
                return m;
            }
            do {
                space();
                String key = string();
                space();
                expect(':');
                m.put(key, value());
                space();
            } while (peek(','));
            expect('}');
            return m;
        }
        if (c == '[') {
            at++;
            List<Object> l = new ArrayList<>();
            space();
            if (peek(']')) {
                return l;
            }
            do {
                l.add(value());
                space();
            } while (peek(','));
            expect(']');
            return l;
        }
        if (c == '"') {
            return string();
        }
        for (String word : new String[] {"true", "false", "null"}) {
            if (text.startsWith(word, at)) {
                at += word.length();
                return word.equals("null") ? null : Boolean.valueOf(word);
            }
        }
        int start = at;
        while (at < text.length() && "+-0123456789.eE".indexOf(text.charAt(at)) >= 0) {
            at++;
        }
        try {
            return Double.parseDouble(text.substring(start, at));
        } catch (NumberFormatException e) {
            throw fault("a value expected");
        }
    }

    private String string() {
        expect('"');
        StringBuilder sb = new StringBuilder();
        while (at < text.length() && text.charAt(at) != '"') {
            char c = text.charAt(at++);
            if (c == '\\' && at < text.length()) {
                char e = text.charAt(at++);
                switch (e) {
                    case 'n' -> sb.append('\n');
                    case 't' -> sb.append('\t');
                    case 'r' -> sb.append('\r');
                    case 'b' -> sb.append('\b');
                    case 'f' -> sb.append('\f');
                    case 'u' -> {
                        if (at + 4 > text.length()) {
                            throw fault("a \\u escape with four hex digits expected");
                        }
                        sb.append((char) Integer.parseInt(text.substring(at, at + 4), 16));
                        at += 4;
                    }
                    default -> sb.append(e);
                }
            } else {
                sb.append(c);
            }
        }
        expect('"');
        return sb.toString();
    }

    private void space() {
        while (at < text.length() && Character.isWhitespace(text.charAt(at))) {
            at++;
        }
    }

    private boolean peek(char c) {
        if (at < text.length() && text.charAt(at) == c) {
            at++;
            return true;
        }
        return false;
    }

    private void expect(char c) {
        if (!peek(c)) {
            throw fault("'" + c + "' expected");
        }
    }

    private IllegalArgumentException fault(String what) {
        return new IllegalArgumentException("JSON offset " + at + ": " + what);
    }
}
