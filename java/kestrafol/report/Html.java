package kestrafol.report;

import java.util.List;

import java.util.Locale;

/**
 * The frame of a report page: one self-contained HTML file that makes no request (a content
 * security policy forbids everything but inline styles and data: images), reads on a laptop
 * screen and prints on A4.
 */
final class Html {
    /** The page's content security policy: nothing leaves the file. */
    static final String POLICY = "default-src 'none'; style-src 'unsafe-inline'; img-src data:";

    private static final String STYLE = """
            :root { --ok: #1d7a35; --warn: #a15c00; --bad: #b3261e; --line: #d0d4da; }
            * { box-sizing: border-box; }
            body { font: 15px/1.45 "DejaVu Sans", "Helvetica Neue", Arial, sans-serif;
              color: #1b1f24; margin: 0 auto; padding: 24px 32px; max-width: 1200px; }
            h1 { font-size: 24px; margin: 0 0 4px; }
            h2 { font-size: 19px; margin: 28px 0 8px; border-bottom: 2px solid var(--line);
              padding-bottom: 3px; }
            h3 { font-size: 15px; margin: 16px 0 6px; }
            .verdict { font-weight: bold; padding: 6px 10px; border-radius: 4px;
              display: inline-block; margin: 6px 0; }
            .verdict.ok { background: #e3f3e6; color: var(--ok); }
            .verdict.warn { background: #fff1dc; color: var(--warn); }
            .verdict.bad { background: #fbe4e2; color: var(--bad); }
            table { border-collapse: collapse; font-size: 13px; margin: 6px 0 12px; }
            th, td { border-bottom: 1px solid var(--line); padding: 3px 8px; text-align: left;
              vertical-align: top; }
            th { background: #f3f5f7; }
            td.num { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }
            tr.not-converged td { background: #fff7ea; }
            tr.failed td, tr.diverged td { background: #fdeeee; }
            tr.not-run td { color: #777; }
            .flag-yes { color: var(--ok); font-weight: bold; }
            .flag-no { color: var(--bad); font-weight: bold; }
            .warnings { font-size: 12px; color: var(--warn); max-width: 420px; }
            figure { margin: 10px 0 18px; break-inside: avoid; page-break-inside: avoid; }
            figure svg, figure img { width: 100%; height: auto; display: block;
              border: 1px solid var(--line); }
            figcaption { font-size: 13px; color: #555; margin-top: 4px; }
            .grid { display: grid; grid-template-columns: repeat(auto-fill, minmax(340px, 1fr));
              gap: 12px; }
            .grid figure { margin: 0; }
            .pair { display: grid; grid-template-columns: repeat(auto-fit, minmax(440px, 1fr));
              gap: 12px; }
            .derived td:not(:first-child) { text-align: right; }
            .derived td:first-child { color: #444; }
            .muted { color: #666; font-size: 13px; }
            a { color: #1a55b0; }
            @page { size: A4; margin: 14mm; }
            @media print {
              body { padding: 0; max-width: none; font-size: 11px; }
              h2 { break-after: avoid; page-break-after: avoid; }
              table { font-size: 9.5px; }
              tr { break-inside: avoid; page-break-inside: avoid; }
              .grid, .pair { grid-template-columns: repeat(2, 1fr); }
              a { color: inherit; text-decoration: none; }
            }
            """;

    private Html() {}

    /** The page up to the opening of the body. */
    static void open(StringBuilder sb, String title) {
        sb.append("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n")
                .append("<meta http-equiv=\"Content-Security-Policy\" content=\"").append(POLICY)
                .append("\">\n<meta name=\"viewport\" content=\"width=device-width,"
                        + " initial-scale=1\">\n<title>").append(escape(title))
                .append("</title>\n<style>\n").append(STYLE).append("</style>\n</head>\n<body>\n");
    }

    /** Closes the body and the page. */
    static void close(StringBuilder sb, String footer) {
        sb.append("<footer class=\"muted\"><p>").append(escape(footer))
                .append("</p></footer>\n</body>\n</html>\n");
    }

    /** Links to files of the page's folder, by name, separated by ", ". */
    static String links(List<String> names) {
        return String.join(", ", names.stream().map(n -> "<a href=\"" + escape(n) + "\">"
                + escape(n) + "</a>").toList());
    }

    /** Text with the five HTML special characters escaped. */
    static String escape(String s) {
        StringBuilder sb = new StringBuilder(s.length());
        for (int i = 0; i < s.length(); i++) {
            char c = s.charAt(i);
            switch (c) {
                case '<' -> sb.append("&lt;");
                case '>' -> sb.append("&gt;");
                case '&' -> sb.append("&amp;");
                case '"' -> sb.append("&quot;");
                case '\'' -> sb.append("&#39;");
                default -> sb.append(c);
            }
        }
        return sb.toString();
    }

    /**
     * A table cell with a number: shown to the given significant digits, the exact value (the
     * shortest text that reads back as the same double) in data-value; empty for NaN.
     */
    static String number(String column, double v, int digits) {
        if (Double.isNaN(v)) {
            return "<td class=\"num\" data-column=\"" + column + "\"></td>";
        }
        return "<td class=\"num\" data-column=\"" + column + "\" data-value=\"" + Double.toString(v)
                + "\">" + shown(v, digits) + "</td>";
    }

    /** A cell with an error bar, "± 0.0067" (two significant digits), its value in data-value. */
    static String band(String column, double v) {
        if (!Double.isFinite(v)) {
            return "<td class=\"num\" data-column=\"" + column + "\"></td>";
        }
        return "<td class=\"num\" data-column=\"" + column + "\" data-value=\""
                + Double.toString(v) + "\">\u00b1 " + shown(v, 2) + "</td>";
    }

    /** v to the given significant digits, plain decimal for ordinary magnitudes. */
    static String shown(double v, int digits) {
        if (!Double.isFinite(v)) {
            return "n/a";
        }
        if (v == 0) {
            return "0";
        }
        double a = Math.abs(v);
        if (a >= 1e-4 && a < 1e7) {
            int decimals = Math.max(0, digits - 1 - (int) Math.floor(Math.log10(a)));
            return String.format(Locale.ROOT, "%." + decimals + "f", v);
        }
        return String.format(Locale.ROOT, "%." + (digits - 1) + "e", v);
    }
}
