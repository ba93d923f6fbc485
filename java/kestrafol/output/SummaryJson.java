package kestrafol.output;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.Locale;
import java.util.Map;

/**
 * Writes summary.json: a JSON object built from a map whose values are numbers, booleans,
 * strings, lists and nested maps (in the map's order). Non-finite numbers become null, since
 * JSON has no NaN or infinity.
 */
public final class SummaryJson {
    private SummaryJson() {
    }

    /** Writes the object to a file, replacing it. */
    public static void write(Map<String, ?> object, Path file) throws IOException {
        Files.writeString(file, toJson(object) + "\n", StandardCharsets.UTF_8);
    }

    /** The object as indented JSON text. */
    public static String toJson(Map<String, ?> object) {
        StringBuilder sb = new StringBuilder();
        value(sb, object, 0);
        return sb.toString();
    }

    private static void value(StringBuilder sb, Object v, int indent) {
        if (v == null) {
            sb.append("null");
        } else if (v instanceof Double || v instanceof Float) {
            double d = ((Number) v).doubleValue();
            sb.append(Double.isFinite(d) ? number(d) : "null");
        } else if (v instanceof Number || v instanceof Boolean) {
            sb.append(v);
        } else if (v instanceof Map<?, ?> map) {
            if (map.isEmpty()) {
                sb.append("{}");
                return;
            }
            sb.append("{\n");
            int k = 0;
            for (Map.Entry<?, ?> e : map.entrySet()) {
                pad(sb, indent + 1);
                string(sb, String.valueOf(e.getKey()));
                sb.append(": ");
                value(sb, e.getValue(), indent + 1);
                sb.append(++k < map.size() ? ",\n" : "\n");
            }
            pad(sb, indent);
            sb.append('}');
        } else if (v instanceof List<?> list) {
            if (list.isEmpty()) {
                sb.append("[]");
                return;
            }
            sb.append("[\n");
            for (int k = 0; k < list.size(); k++) {
                pad(sb, indent + 1);
                value(sb, list.get(k), indent + 1);
                sb.append(k + 1 < list.size() ? ",\n" : "\n");
            }
            pad(sb, indent);
            sb.append(']');
        } else {
            string(sb, v.toString());
        }
    }

    /** Shortest text that reads back as the same double. */
    private static String number(double d) {
        if (d == Math.rint(d) && Math.abs(d) < 1e15) {
            return String.valueOf((long) d);
        }
        return Double.toString(d).toLowerCase(Locale.ROOT);
    }

    private static void pad(StringBuilder sb, int indent) {
        sb.append("  ".repeat(indent));
    }

    private static void string(StringBuilder sb, String s) {
        sb.append('"');
        for (int i = 0; i < s.length(); i++) {
            char c = s.charAt(i);
            switch (c) {
                case '"' -> sb.append("\\\"");
                case '\\' -> sb.append("\\\\");
                case '\n' -> sb.append("\\n");
                case '\r' -> sb.append("\\r");
                case '\t' -> sb.append("\\t");
                default -> {
                    if (c < 0x20) {
                        sb.append(String.format(Locale.ROOT, "\\u%04x", (int) c));
                    } else {
                        sb.append(c);
                    }
                }
            }
        }
        sb.append('"');
    }
}
