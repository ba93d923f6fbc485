package kestrafol.base;

import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;

/**
 * Reads the JSON files the toolkit writes (summary.json): objects as ordered maps, arrays as
 * lists, numbers as doubles, true/false, null and strings.
 */
public final class Json {
    private final String text;
    private int at;

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

    private Object value() {
        space();
        if (at >= text.length()) {
            throw fault("a value expected");
        }
        char c = text.charAt(at);
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
