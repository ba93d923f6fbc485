package kestrafol.report;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.Comparator;
import java.util.List;
import java.util.Map;
import kestrafol.base.AtomicFiles;
import kestrafol.base.Numbers;
import kestrafol.base.PropertiesFile;
import kestrafol.polar.PolarOutputs;
import kestrafol.polar.PolarRow;
import kestrafol.polar.ComparisonData;
import kestrafol.polar.CpAllPicture;
import kestrafol.polar.PolarAnalysis;
import kestrafol.polar.PolarCase;
import kestrafol.polar.PolarCsv;
import kestrafol.polar.PolarPicture;
import kestrafol.polar.PolarTally;
import kestrafol.polar.Sweep;
import kestrafol.run.CaseOutputs;
import kestrafol.run.ErrorBars;
import kestrafol.run.InviscidDrag;

/**
 * The report page of a polar: one self-contained file in the polar's folder with the verdict (how
 * the cases ended), the derived quantities per Mach and Reynolds number, the polar and the Cp of
 * every angle as inline SVG charts, the table of every case with its converged flag and
 * warnings, the convergence of each case and links to the case folders, and the settings from
 * polar.properties. It needs no PNG and no network.
 */
public final class PolarReport {
    /** Width and height of a case's convergence chart. */
    private static final int SMALL_W = 520;
    private static final int SMALL_H = 250;
    /** The polar's three charts and the Cp chart on the page: smaller canvases, larger text. */
    private static final int POLAR_W = 1140;
    private static final int POLAR_H = 430;
    private static final int CP_W = 760;
    private static final int CP_H = 560;

    private PolarReport() {}

    /**
     * Writes the report page into the folder (through a temporary file renamed into place).
     *
     * @param folder the polar's output folder: polar.properties and one folder per case in it
     * @param rows every case's row, as polar.csv holds them
     * @param compare comparison points to draw in the polar chart, or null
     * @param momentPointXc x/c of the moment point (for the aerodynamic centre)
     * @param title what the polar is, e.g. "Polar, NACA 0012"
     * @return the file written
     * @throws IOException when a case file cannot be read or the report cannot be written
     */
    public static Path write(Path folder, List<PolarRow> rows, ComparisonData compare,
            double momentPointXc, String title) throws IOException {
        List<PolarRow> sorted = new ArrayList<>(rows);
        sorted.sort(Comparator.comparingInt(r -> r.polarCase().index()));
        PolarTally tally = PolarTally.of(sorted);
        List<PolarAnalysis.Group> groups = PolarAnalysis.analyse(sorted, momentPointXc);
        StringBuilder sb = new StringBuilder(1 << 20);
        Html.open(sb, title);
        sb.append("<header>\n<h1>").append(Html.escape(title)).append("</h1>\n");
        int status = tally.exitStatus();
        sb.append("<p id=\"verdict\" class=\"verdict ").append(status == 0 ? "ok" : status == 4
                ? "warn" : "bad").append("\">").append(Html.escape(tally.line())).append("</p>\n");
        sb.append("<p class=\"muted\">Derived quantities use converged cases only. Files: ")
                .append(Html.links(List.of(PolarOutputs.CSV, PolarOutputs.JSON,
                        PolarOutputs.CONFIGURATION))).append(".</p>\n</header>\n");

        derived(sb, groups, momentPointXc);

        sb.append("<section id=\"charts\">\n<h2>Charts</h2>\n<figure>")
                .append(Svg.of(POLAR_W, POLAR_H, "Polar",
                        g -> PolarPicture.draw(sorted, compare, title, g, POLAR_W, POLAR_H)))
                .append("<figcaption>Filled markers: converged cases; open markers: not converged"
                        + " (not an answer); failed and diverged cases leave a gap.")
                .append(compare == null ? "" : " Crosses: " + Html.escape(compare.label()) + ".")
                .append("</figcaption></figure>\n");
        if (sorted.stream().anyMatch(r -> r.polarCase().reynolds() == null)) {
            sb.append("<p id=\"drag-note\" class=\"muted\">").append(Html.escape(
                    InviscidDrag.NOTE)).append("</p>\n");
        }
        List<CpAllPicture.Curve> curves = CpAllPicture.curves(sorted, folder);
        sb.append("<div class=\"pair\">\n");
        for (org.jfree.chart.JFreeChart chart : CpAllPicture.charts(curves, "Cp")) {
            sb.append("<figure>").append(Svg.of(chart, CP_W, CP_H, "Cp of every angle"))
                    .append("<figcaption>Cp of every case with a surface; dashed: not converged."
                            + "</figcaption></figure>\n");
        }
        sb.append("</div>\n");
        sb.append("</section>\n");

        table(sb, sorted);
        convergence(sb, sorted, folder);
        settings(sb, folder.resolve(PolarOutputs.CONFIGURATION));
        Html.close(sb, "Written by kestrafol polar. Every number in the table is the case's"
                + " answer: the mean over the window of the coefficient criterion when that ended"
                + " the case, else the last iteration.");
        Path file = folder.resolve(CaseOutputs.REPORT);
        AtomicFiles.write(file, f -> Files.writeString(f, sb, StandardCharsets.UTF_8));
        return file;
    }

    /** One column per Mach (and Reynolds) number, one row per quantity. */
    private static void derived(StringBuilder sb, List<PolarAnalysis.Group> groups,
            double momentPointXc) {
        sb.append("<section id=\"derived\">\n<h2>What the polar says</h2>\n<table class=\"derived\">\n"
                + "<thead><tr><th></th>");
        List<String> ids = new ArrayList<>();
        for (PolarAnalysis.Group g : groups) {
            ids.add("m" + Sweep.plain(g.mach()) + (g.reynolds() == null ? ""
                    : "_re" + Sweep.plain(g.reynolds())));
            sb.append("<th>").append(Html.escape(g.name())).append("</th>");
        }
        sb.append("</tr></thead>\n<tbody>\n");
        quantity(sb, "converged cases", groups, ids, g -> g.converged() + " of " + g.cases(), null);
        quantity(sb, "lift slope per degree", groups, ids, null, g -> g.liftSlope());
        quantity(sb, "lift slope per radian", groups, ids, null, g -> g.liftSlopePerRadian());
        quantity(sb, "fitted over alpha (deg)", groups, ids, g -> Double.isFinite(g.liftSlope())
                ? Numbers.format(g.linearFrom()) + " to " + Numbers.format(g.linearTo()) + " ("
                        + g.linearCases() + " cases)" : "fewer than two converged cases", null);
        quantity(sb, "zero-lift angle (deg)", groups, ids, null, g -> g.zeroLiftAlpha());
        quantity(sb, "cm0 (at zero lift)", groups, ids, null, g -> g.cm0());
        quantity(sb, "dcm/dalpha per degree", groups, ids, null, g -> g.cmSlope());
        quantity(sb, "aerodynamic centre x/c (moments about x/c " + Numbers.format(momentPointXc)
                + ")", groups, ids, null, g -> g.aerodynamicCentre());
        quantity(sb, "maximum lift", groups, ids, g -> g.maxLiftReached() ? null
                : Double.isFinite(g.maxLift()) ? "not reached (highest cl " + Html.shown(g.maxLift(), 4)
                        + " at " + Numbers.format(g.maxLiftAlpha()) + " deg)" : "", g -> g.maxLift());
        quantity(sb, "at alpha (deg)", groups, ids, g -> g.maxLiftReached() ? null : "",
                g -> g.maxLiftAlpha());
        if (groups.stream().anyMatch(g -> g.reynolds() != null)) {
            quantity(sb, "best L/D", groups, ids, null, g -> g.bestLiftToDrag());
            quantity(sb, "at alpha (deg)", groups, ids, null, g -> g.bestLiftToDragAlpha());
        }
        sb.append("</tbody>\n</table>\n</section>\n");
    }

    /**
     * A row of the derived table: per group the text (when text gives one) or the number, with
     * its exact value and its group in data attributes.
     */
    private static void quantity(StringBuilder sb, String name, List<PolarAnalysis.Group> groups,
            List<String> ids, java.util.function.Function<PolarAnalysis.Group, String> text,
            java.util.function.ToDoubleFunction<PolarAnalysis.Group> number) {
        sb.append("<tr><td>").append(Html.escape(name)).append("</td>");
        for (int k = 0; k < groups.size(); k++) {
            String t = text == null ? null : text.apply(groups.get(k));
            if (t != null) {
                sb.append("<td>").append(Html.escape(t)).append("</td>");
            } else {
                String key = name.replaceAll("[^a-z]+", "-").replaceAll("-$", "");
                sb.append(Html.number(key, number.applyAsDouble(groups.get(k)), 4)
                        .replace("<td ", "<td data-group=\"" + ids.get(k) + "\" "));
            }
        }
        sb.append("</tr>\n");
    }

    private static void table(StringBuilder sb, List<PolarRow> rows) {
        ErrorBars rule = rows.stream().map(r -> r.result().bars()).filter(b -> b != null)
                .findFirst().orElse(null);
        sb.append("<section id=\"results\">\n<h2>Cases</h2>\n<table id=\"cases\">\n<thead><tr>"
                + "<th>Mach</th><th>Re</th><th>alpha</th><th>cl</th><th>cd</th><th>cd pressure</th>"
                + "<th>cd friction</th><th>cm</th>").append(rule == null ? ""
                        : "<th>cl band</th><th>cd band</th><th>cm band</th>").append(
                "<th>converged</th><th>stopped by</th>"
                + "<th>iterations</th><th>residual drop</th><th>warnings</th></tr></thead>\n<tbody>\n");
        for (PolarRow r : rows) {
            PolarCase c = r.polarCase();
            String cls = switch (r.result().status()) {
                case CONVERGED -> "converged";
                case NOT_CONVERGED -> "not-converged";
                case DIVERGED -> "diverged";
                case FAILED -> "failed";
                case NOT_RUN -> "not-run";
            };
            sb.append("<tr class=\"").append(cls).append("\" data-case=\"").append(c.folder())
                    .append("\"><td class=\"num\">").append(Sweep.plain(c.mach()))
                    .append("</td><td class=\"num\">")
                    .append(c.reynolds() == null ? "" : Sweep.plain(c.reynolds()))
                    .append("</td><td class=\"num\"><a href=\"").append(Html.escape(c.folder()))
                    .append("/\">").append(Sweep.plain(c.alpha())).append("</a></td>")
                    .append(Html.number("cl", r.result().cl(), 5)).append(Html.number("cd", r.result().cd(), 4))
                    .append(Html.number("cdPressure", r.result().cdPressure(), 4))
                    .append(Html.number("cdFriction", r.result().cdFriction(), 4))
                    .append(Html.number("cm", r.result().cm(), 4))
                    .append(rule == null ? "" : bands(r.result().bars()))
                    .append("<td data-column=\"converged\" class=\"")
                    .append(r.result().converged() ? "flag-yes\">yes" : "flag-no\">no").append("</td><td>")
                    .append(Html.escape(r.result().stop().key())).append("</td><td class=\"num\">")
                    .append(r.result().iterations()).append("</td>")
                    .append(Html.number("residualDrop", r.result().residualDrop(), 3))
                    .append("<td class=\"warnings\">");
            List<String> notes = new ArrayList<>(r.result().warnings());
            if (!r.result().message().isEmpty()) {
                notes.add(0, r.result().message());
            }
            sb.append(Html.escape(String.join(PolarCsv.WARNING_SEPARATOR, notes)))
                    .append("</td></tr>\n");
        }
        sb.append("</tbody>\n</table>\n");
        if (rule != null) {
            boolean doubtful = rows.stream().anyMatch(r -> r.result().bars() != null
                    && !r.result().bars().asymptotic());
            sb.append("<p id=\"error-bars\" class=\"").append(doubtful ? "verdict warn" : "muted")
                    .append("\">Bands: ").append(Html.escape(rule.rule().isEmpty()
                            ? "two-mesh grid convergence index" : rule.rule().replaceFirst(
                                    "; not asymptotic: .*", ""))).append(" (polar --error-estimate).")
                    .append(doubtful ? " Bands in italics are not asymptotic: the case has a"
                            + " supersonic region, across whose shocks two meshes cannot tell the"
                            + " error; a study can." : "").append("</p>\n");
        }
        sb.append("</section>\n");
    }

    /** The three band cells of a case (empty for a case without bars). */
    private static String bands(ErrorBars b) {
        if (b == null) {
            return "<td></td><td></td><td></td>";
        }
        String cells = Html.band("clError", b.clError()) + Html.band("cdError", b.cdError())
                + Html.band("cmError", b.cmError());
        return b.asymptotic() ? cells : cells.replace("<td class=\"num\"",
                "<td class=\"num\" style=\"font-style: italic\"");
    }

    private static void convergence(StringBuilder sb, List<PolarRow> rows, Path folder)
            throws IOException {
        sb.append("<section id=\"convergence\">\n<h2>Convergence of each case</h2>\n"
                + "<p class=\"muted\">Residual norm (blue, left axis) and cl (red, right axis)"
                + " against the iteration.</p>\n<div class=\"grid\">\n");
        for (PolarRow r : rows) {
            PolarCase c = r.polarCase();
            double[][] h = CaseFiles.history(folder.resolve(c.folder())
                    .resolve(CaseOutputs.HISTORY));
            sb.append("<figure data-case=\"").append(c.folder()).append("\">");
            String caption = "<figcaption><a href=\"" + Html.escape(c.folder()) + "/\">"
                    + Html.escape(c.folder()) + "/</a>: " + Html.escape(r.result().status().label()) + ", "
                    + Html.escape(r.result().stop().key()) + " after " + r.result().iterations() + " iterations"
                    + "</figcaption>";
            if (h == null || h[0].length == 0) {
                sb.append("<p class=\"muted\">no ").append(CaseOutputs.HISTORY).append("</p>")
                        .append(caption)
                        .append("</figure>\n");
                continue;
            }
            sb.append(Svg.of(CaseFiles.convergence(h, c.label()), SMALL_W, SMALL_H,
                    "Convergence, " + c.label())).append(caption).append("</figure>\n");
        }
        sb.append("</div>\n</section>\n");
    }

    private static void settings(StringBuilder sb, Path file) throws IOException {
        sb.append("<section id=\"settings\">\n<h2>Settings</h2>\n");
        if (!Files.exists(file)) {
            sb.append("<p class=\"muted\">no polar.properties in the folder</p>\n</section>\n");
            return;
        }
        Map<String, String> entries = PropertiesFile.read(file);
        sb.append("<table>\n");
        for (Map.Entry<String, String> e : entries.entrySet()) {
            sb.append("<tr><td>").append(Html.escape(e.getKey())).append("</td><td>")
                    .append(Html.escape(e.getValue())).append("</td></tr>\n");
        }
        sb.append("</table>\n<p class=\"muted\">Re-run with: kestrafol polar --config ")
                .append(Html.escape(file.toString())).append("</p>\n</section>\n");
    }
}
