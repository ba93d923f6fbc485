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
import kestrafol.run.CaseResult;
import kestrafol.run.CaseSummary;
import kestrafol.run.ErrorBars;
import kestrafol.run.StopReason;
import kestrafol.run.InviscidDrag;

/**
 * The report page of a single run ({@link CaseOutputs#REPORT}), from the files of its folder: the verdict (converged or why not,
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
     * Writes the report page into the folder.
     *
     * @param folder the run's output folder, with at least summary.json
     * @param compare points (x, cp) to draw with the computed Cp, or null
     * @param title what the run is, e.g. "NACA 0012, Mach 0.8, alpha 1.25 deg"
     * @return the file written
     * @throws IOException when summary.json is missing or unreadable, or a file of the folder
     *     cannot be read
     */
    public static Path write(Path folder, ComparisonData compare, String title) throws IOException {
        CaseSummary summary = CaseSummary.read(folder.resolve(CaseOutputs.SUMMARY));
        StringBuilder sb = new StringBuilder(1 << 18);
        Html.open(sb, title);
        header(sb, summary.result(), title);
        coefficients(sb, summary, folder);
        cycles(sb, summary);
        charts(sb, summary, folder, compare);
        settings(sb, summary, folder);
        Html.close(sb, "Written by kestrafol run.");
        Path file = folder.resolve(CaseOutputs.REPORT);
        AtomicFiles.write(file, f -> Files.writeString(f, sb, StandardCharsets.UTF_8));
        return file;
    }

    /** The title, the verdict and the warnings. */
    private static void header(StringBuilder sb, CaseResult r, String title) {
        sb.append("<header>\n<h1>").append(Html.escape(title)).append("</h1>\n");
        boolean converged = r.converged();
        sb.append("<p id=\"verdict\" class=\"verdict ").append(converged ? "ok"
                : r.stop() == StopReason.DIVERGED ? "bad" : "warn").append("\">")
                .append(converged ? "Converged" : "NOT CONVERGED").append(" (stopped by ")
                .append(Html.escape(r.stop().key())).append(" after ").append(r.iterations())
                .append(" iterations)</p>\n");
        if (!r.warnings().isEmpty()) {
            sb.append("<ul class=\"warnings\">\n");
            for (String w : r.warnings()) {
                sb.append("<li>").append(Html.escape(w)).append("</li>\n");
            }
            sb.append("</ul>\n");
        }
        sb.append("</header>\n");
    }

    /** The coefficients with their error bars, what the drag is, and the links to the files. */
    private static void coefficients(StringBuilder sb, CaseSummary summary, Path folder) {
        sb.append("<section id=\"results\">\n<h2>Coefficients</h2>\n<table id=\"coefficients\">\n");
        CaseResult r = summary.result();
        ErrorBars bars = r.bars();
        double[] values = {r.cl(), r.cd(), r.cdPressure(), r.cdFriction(), r.cm(),
            r.residualDrop(), r.seconds()};
        double[] errors = bars == null ? null : new double[] {bars.clError(), bars.cdError(),
            Double.NaN, Double.NaN, bars.cmError(), Double.NaN, Double.NaN};
        String[] keys = {"cl", "cd", "cdPressure", "cdFriction", "cm", "residualDrop",
            "wallSeconds"};
        for (int k = 0; k < keys.length; k++) {
            sb.append("<tr><td>").append(keys[k]).append("</td>").append(Html.number(keys[k],
                    values[k], 6));
            if (errors != null) {
                // The error bar beside its coefficient; the other rows have none.
                sb.append(Double.isNaN(errors[k]) ? "<td></td>"
                        : Html.band(keys[k] + "Error", errors[k]));
            }
            sb.append("</tr>\n");
        }
        sb.append("</table>\n");
        if (!summary.viscous()) {
            sb.append("<p id=\"drag-note\" class=\"muted\">").append(Html.escape(
                    InviscidDrag.NOTE)).append("</p>\n");
        }
        if (bars != null) {
            sb.append("<p id=\"error-bars\" class=\"").append(bars.asymptotic() ? "muted"
                    : "verdict warn").append("\">Error bars: ").append(Html.escape(bars.rule()))
                    .append(".</p>\n");
        }
        sb.append("<p class=\"muted\">Coefficients: ").append(Html.escape(
                summary.coefficientsAre())).append(". Files: ");
        for (String f : CaseOutputs.LINKED) {
            if (Files.exists(folder.resolve(f))) {
                sb.append(Html.links(List.of(f))).append(' ');
            }
        }
        sb.append("</p>\n</section>\n");
    }

    /** The meshes of an adapted run, one row each, the run's own last (nothing without). */
    private static void cycles(StringBuilder sb, CaseSummary summary) {
        if (summary.cycles().isEmpty()) {
            return;
        }
        sb.append("<section id=\"cycles\">\n<h2>Adaptation</h2>\n<table>\n<tr>");
        for (String key : new String[] {"cycle", "pointsAround", "nodes", "iterations",
            "stoppedBy", "cl", "cd", "cm", "estimate", "wallSeconds"}) {
            sb.append("<th>").append(key).append("</th>");
        }
        sb.append("</tr>\n");
        for (var k : summary.cycles()) {
            sb.append(String.format(java.util.Locale.ROOT, "<tr><td>%d</td><td>%d</td><td>%d</td>"
                    + "<td>%d</td><td>%s</td><td>%.6g</td><td>%.6g</td><td>%.6g</td><td>%.4g</td>"
                    + "<td>%.1f</td></tr>%n", k.cycle(), k.pointsAround(), k.nodes(),
                    k.iterations(), Html.escape(k.stoppedBy()), k.cl(), k.cd(), k.cm(),
                    k.estimate(), k.seconds()));
        }
        sb.append("</table>\n<p class=\"muted\">Each mesh solved, its error indicator (the mean"
                + " jump of Mach number, pressure and entropy across element sides) and the next"
                + " mesh built from it; the last row is the run's answer.</p>\n</section>\n");
    }

    /** The pressure coefficient, the convergence and the Mach picture. */
    private static void charts(StringBuilder sb, CaseSummary summary, Path folder,
            ComparisonData compare) throws IOException {
        boolean converged = summary.result().converged();
        sb.append("<section id=\"charts\">\n<h2>Charts</h2>\n");
        Path surface = folder.resolve(CaseOutputs.SURFACE);
        if (Files.exists(surface)) {
            double chord = summary.referenceLength();
            boolean elements = !summary.elements().isEmpty() && chord > 0;
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
        double[][] h = CaseFiles.history(folder.resolve(CaseOutputs.HISTORY));
        if (h != null && h[0].length > 0) {
            sb.append("<figure>").append(Svg.of(CaseFiles.convergence(h, "Convergence"), CHART_W,
                    CONVERGENCE_H, "Convergence")).append("<figcaption>Residual norm (blue, left)"
                            + " and cl (red, right) against the iteration.</figcaption></figure>\n");
        }
        String mach = CaseFiles.png(folder.resolve(CaseOutputs.MACH));
        if (mach != null) {
            sb.append("<figure><img alt=\"Mach number\" src=\"").append(mach)
                    .append("\"><figcaption>Mach number (").append(CaseOutputs.MACH)
                    .append(")</figcaption></figure>\n");
        }
        sb.append("</section>\n");
    }

    /** The settings of summary.json and the options of case.properties. */
    private static void settings(StringBuilder sb, CaseSummary summary, Path folder)
            throws IOException {
        sb.append("<section id=\"settings\">\n<h2>Settings</h2>\n<table>\n");
        for (Map.Entry<String, Object> e : summary.settings().entrySet()) {
            sb.append("<tr><td>").append(Html.escape(e.getKey())).append("</td><td>")
                    .append(Html.escape(plain(e.getValue()))).append("</td></tr>\n");
        }
        sb.append("</table>\n");
        Path config = folder.resolve(CaseOutputs.CASE_FILE);
        if (Files.exists(config)) {
            sb.append("<h3>Options (").append(CaseOutputs.CASE_FILE).append(")</h3>\n<table>\n");
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
