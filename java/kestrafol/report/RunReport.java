package kestrafol.report;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.List;
import java.util.Map;
import kestrafol.base.AtomicFiles;
import kestrafol.base.PropertiesFile;
import kestrafol.polar.ComparisonData;
import kestrafol.polar.CpAllPicture;
import kestrafol.run.CaseOutputs;
import kestrafol.run.InviscidDrag;

/**
 * report.html of a single run, from the files of its folder: the verdict (converged or why not,
 * with the warnings), the coefficients of summary.json, the pressure coefficient (surface.csv,
 * with comparison points) and the convergence (history.csv) as inline SVG charts, the Mach
 * picture when the run drew one (embedded, not linked), the settings of summary.json and
 * case.properties, and links to the files. Self-contained like the polar's report.
 */
public final class RunReport {
    private static final int CHART_W = 900;
    private static final int CP_H = 540;
    private static final int CONVERGENCE_H = 380;

    private RunReport() {}

    /**
     * Writes folder/report.html.
     *
     * @param folder the run's output folder, with at least summary.json
     * @param compare points (x, cp) to draw with the computed Cp, or null
     * @param title what the run is, e.g. "NACA 0012, Mach 0.8, alpha 1.25 deg"
     * @return the file written
     * @throws IOException when summary.json is missing or unreadable, or a file of the folder
     *     cannot be read
     */
    public static Path write(Path folder, ComparisonData compare, String title) throws IOException {
        Path summaryFile = folder.resolve("summary.json");
        Map<?, ?> summary = CaseFiles.summary(summaryFile, "run");
        StringBuilder sb = new StringBuilder(1 << 18);
        Html.open(sb, title);
        header(sb, summary, title);
        coefficients(sb, summary, folder);
        charts(sb, summary, folder, compare);
        settings(sb, summary, folder);
        Html.close(sb, "Written by kestrafol run.");
        Path file = folder.resolve(CaseOutputs.REPORT);
        AtomicFiles.write(file, f -> Files.writeString(f, sb, StandardCharsets.UTF_8));
        return file;
    }

    /** The title, the verdict and the warnings. */
    private static void header(StringBuilder sb, Map<?, ?> summary, String title) {
        sb.append("<header>\n<h1>").append(Html.escape(title)).append("</h1>\n");
        boolean converged = converged(summary);
        String stopped = String.valueOf(summary.get("stoppedBy"));
        sb.append("<p id=\"verdict\" class=\"verdict ").append(converged ? "ok" : stopped
                .equals("diverged") ? "bad" : "warn").append("\">")
                .append(converged ? "Converged" : "NOT CONVERGED").append(" (stopped by ")
                .append(Html.escape(stopped)).append(" after ").append(integer(summary.get(
                        "iterations"))).append(" iterations)</p>\n");
        List<?> warnings = summary.get("warnings") instanceof List<?> l ? l : List.of();
        if (!warnings.isEmpty()) {
            sb.append("<ul class=\"warnings\">\n");
            for (Object w : warnings) {
                sb.append("<li>").append(Html.escape(String.valueOf(w))).append("</li>\n");
            }
            sb.append("</ul>\n");
        }
        sb.append("</header>\n");
    }

    private static boolean converged(Map<?, ?> summary) {
        return Boolean.TRUE.equals(summary.get("converged"));
    }

    /** The coefficients with their error bars, what the drag is, and the links to the files. */
    private static void coefficients(StringBuilder sb, Map<?, ?> summary, Path folder) {
        sb.append("<section id=\"results\">\n<h2>Coefficients</h2>\n<table id=\"coefficients\">\n");
        boolean bars = summary.get("errorEstimate") != null;
        for (String key : new String[] {"cl", "cd", "cdPressure", "cdFriction", "cm",
            "residualDrop", "wallSeconds"}) {
            Object v = summary.get(key);
            sb.append("<tr><td>").append(key).append("</td>").append(Html.number(key,
                    v instanceof Double d ? d : Double.NaN, 6));
            if (bars) {
                // The error bar beside its coefficient; the other rows have none.
                Object e = summary.get(key + "Error");
                sb.append(e instanceof Double d ? Html.band(key + "Error", d) : "<td></td>");
            }
            sb.append("</tr>\n");
        }
        sb.append("</table>\n");
        if (summary.get("settings") instanceof Map<?, ?> settings
                && Boolean.FALSE.equals(settings.get("viscous"))) {
            sb.append("<p id=\"drag-note\" class=\"muted\">").append(Html.escape(
                    InviscidDrag.NOTE)).append("</p>\n");
        }
        if (bars) {
            boolean holds = !Boolean.FALSE.equals(summary.get("errorBarsAsymptotic"));
            sb.append("<p id=\"error-bars\" class=\"").append(holds ? "muted" : "verdict warn")
                    .append("\">Error bars: ").append(Html.escape(String.valueOf(
                            summary.get("errorEstimate")))).append(".</p>\n");
        }
        sb.append("<p class=\"muted\">Coefficients: ").append(Html.escape(
                String.valueOf(summary.get("coefficientsAre")))).append(". Files: ");
        for (String f : new String[] {"summary.json", "history.csv", "surface.csv", "flow.vtu",
            "case.properties"}) {
            if (Files.exists(folder.resolve(f))) {
                sb.append("<a href=\"").append(f).append("\">").append(f).append("</a> ");
            }
        }
        sb.append("</p>\n</section>\n");
    }

    /** The pressure coefficient, the convergence and the Mach picture. */
    private static void charts(StringBuilder sb, Map<?, ?> summary, Path folder,
            ComparisonData compare) throws IOException {
        boolean converged = converged(summary);
        sb.append("<section id=\"charts\">\n<h2>Charts</h2>\n");
        Path surface = folder.resolve("surface.csv");
        if (Files.exists(surface)) {
            double chord = summary.get("settings") instanceof Map<?, ?> settings
                    && settings.get("referenceLength") instanceof Double d ? d : Double.NaN;
            boolean elements = summary.get("elements") instanceof List<?> && chord > 0;
            List<CpAllPicture.Curve> curves = elements
                    ? CpAllPicture.elements(surface, chord, converged) : List.of(single(surface,
                            converged));
            sb.append("<figure>").append(Svg.of(CpAllPicture.chart(curves, compare,
                    "Pressure coefficient"), CHART_W, CP_H, "Pressure coefficient"))
                    .append(elements ? "<figcaption>One curve per element; x/c from the front of"
                            + " the foremost element over the reference chord, as in cp.png"
                            : "<figcaption>x/c over the extent of the monitored walls")
                    .append(compare == null ? "" : "; crosses: " + Html.escape(compare.label()))
                    .append(".</figcaption></figure>\n");
        }
        double[][] h = CaseFiles.history(folder.resolve("history.csv"));
        if (h != null && h[0].length > 0) {
            sb.append("<figure>").append(Svg.of(CaseFiles.convergence(h, "Convergence"), CHART_W,
                    CONVERGENCE_H, "Convergence")).append("<figcaption>Residual norm (blue, left)"
                            + " and cl (red, right) against the iteration.</figcaption></figure>\n");
        }
        String mach = CaseFiles.png(folder.resolve("mach.png"));
        if (mach != null) {
            sb.append("<figure><img alt=\"Mach number\" src=\"").append(mach)
                    .append("\"><figcaption>Mach number (mach.png)</figcaption></figure>\n");
        }
        sb.append("</section>\n");
    }

    /** The settings of summary.json and the options of case.properties. */
    private static void settings(StringBuilder sb, Map<?, ?> summary, Path folder)
            throws IOException {
        sb.append("<section id=\"settings\">\n<h2>Settings</h2>\n<table>\n");
        if (summary.get("settings") instanceof Map<?, ?> settings) {
            for (Map.Entry<?, ?> e : settings.entrySet()) {
                sb.append("<tr><td>").append(Html.escape(String.valueOf(e.getKey())))
                        .append("</td><td>").append(Html.escape(plain(e.getValue())))
                        .append("</td></tr>\n");
            }
        }
        sb.append("</table>\n");
        Path config = folder.resolve("case.properties");
        if (Files.exists(config)) {
            sb.append("<h3>Options (case.properties)</h3>\n<table>\n");
            for (Map.Entry<String, String> e : PropertiesFile.read(config).entrySet()) {
                sb.append("<tr><td>").append(Html.escape(e.getKey())).append("</td><td>")
                        .append(Html.escape(e.getValue())).append("</td></tr>\n");
            }
            sb.append("</table>\n");
        }
        sb.append("</section>\n");
    }

    /** The walls of a single body as one curve over their extent. */
    private static CpAllPicture.Curve single(Path surface, boolean converged) throws IOException {
        double[][] xy = CpAllPicture.readSurface(surface);
        return new CpAllPicture.Curve("", "computed", 0, converged, xy[0], xy[1]);
    }

    private static String integer(Object v) {
        return v instanceof Double d ? Long.toString(Math.round(d)) : String.valueOf(v);
    }

    /** A JSON value as text: whole numbers without ".0", lists joined, maps as key=value. */
    private static String plain(Object v) {
        if (v instanceof Double d) {
            return d == Math.rint(d) && Math.abs(d) < 1e15 ? Long.toString(d.longValue())
                    : Double.toString(d);
        }
        if (v instanceof List<?> l) {
            return String.join(", ", l.stream().map(RunReport::plain).toList());
        }
        if (v instanceof Map<?, ?> m) {
            return String.join(", ", m.entrySet().stream().map(e -> e.getKey() + "="
                    + plain(e.getValue())).toList());
        }
        return String.valueOf(v);
    }
}
