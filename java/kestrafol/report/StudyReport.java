package kestrafol.report;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.Map;
import kestrafol.base.AtomicFiles;
import kestrafol.base.Numbers;
import kestrafol.base.PropertiesFile;
import kestrafol.study.GridConvergence;
import kestrafol.study.Ladder;
import kestrafol.study.StudyCsv;
import kestrafol.study.StudyCsv.Row;
import kestrafol.study.StudyOutputs;
import kestrafol.study.StudySummary;
import kestrafol.run.StopReason;
import kestrafol.run.CaseOutputs;

/**
 * The report page of a grid-convergence study, from the files of its folder: the verdict (every
 * level converged or not, each estimate asymptotic or not, with its note), the levels of
 * study.csv, the estimates of summary.json, each coefficient against h^p with its extrapolated
 * value (the chart of study.png, as inline SVG), the convergence of each level with a link to its
 * folder, and the settings of study.properties. Self-contained like the polar's report.
 */
public final class StudyReport {
    private static final int CHART_W = 520;
    private static final int CHART_H = 420;
    private static final int SMALL_W = 520;
    private static final int SMALL_H = 250;

    private StudyReport() {}

    /**
     * Writes the report page into studyFolder (through a temporary file renamed into place).
     *
     * @param studyFolder the study's output folder, with study.csv and summary.json
     * @param title what the study is, e.g. "Grid study, NACA 0012, Mach 0.5"
     * @return the file written
     * @throws IOException when study.csv or summary.json is missing or not a study's, or the
     *     report cannot be written
     */
    public static Path write(Path studyFolder, String title) throws IOException {
        List<Row> rows = StudyCsv.read(studyFolder.resolve(StudyOutputs.CSV));
        Path summaryFile = studyFolder.resolve(StudyOutputs.SUMMARY);
        StudySummary summary = StudySummary.read(summaryFile);
        StringBuilder sb = new StringBuilder(1 << 19);
        Html.open(sb, title);
        sb.append("<header>\n<h1>").append(Html.escape(title)).append("</h1>\n");
        boolean converged = summary.converged();
        boolean asymptotic = true;
        for (String c : Ladder.COEFFICIENTS) {
            GridConvergence.Estimate e = estimate(summary, c);
            asymptotic &= e != null && e.asymptotic();
        }
        // As the polar's page: a level without an answer is bad, one not converged a warning.
        boolean broken = rows.stream().anyMatch(r -> r.stop() == StopReason.FAILED
                || r.stop() == StopReason.DIVERGED);
        String levelsSay = converged ? "Every level converged"
                : "NOT EVERY LEVEL CONVERGED: the estimates rest on values that are not an answer";
        String estimatesSay = asymptotic ? "every coefficient in the asymptotic range"
                : "NOT every coefficient in the asymptotic range";
        sb.append("<p id=\"verdict\" class=\"verdict ").append(broken ? "bad" : converged
                && asymptotic ? "ok" : "warn").append("\">").append(levelsSay).append("; ")
                .append(estimatesSay).append("</p>\n");
        if (!summary.warnings().isEmpty()) {
            sb.append("<ul class=\"warnings\">\n");
            for (String w : summary.warnings()) {
                sb.append("<li>").append(Html.escape(w)).append("</li>\n");
            }
            sb.append("</ul>\n");
        }
        sb.append("<p class=\"muted\">Files: ").append(Html.links(StudyOutputs.written(
                Files.exists(studyFolder.resolve(StudyOutputs.PICTURE)))))
                .append(". Finest level: ").append(Html.escape(summary.finestRule()))
                .append(". Spacing: ").append(Html.escape(summary.spacingRule()))
                .append(".</p>\n</header>\n");
        levels(sb, rows);
        estimates(sb, summary, rows, title);
        convergence(sb, summary, studyFolder);
        settings(sb, studyFolder.resolve(StudyOutputs.CONFIGURATION));
        Html.close(sb, "Written by kestrafol study. Each level's numbers are its run's answer;"
                + " the estimates come from the finest levels (three when there are three).");
        Path file = studyFolder.resolve(CaseOutputs.REPORT);
        AtomicFiles.write(file, f -> Files.writeString(f, sb, StandardCharsets.UTF_8));
        return file;
    }

    /**
     * The estimate of a coefficient, or null when the study gave none or no extrapolated value
     * (JSON holds none that is not finite).
     */
    private static GridConvergence.Estimate estimate(StudySummary summary, String name) {
        GridConvergence.Estimate e = summary.estimate(name);
        return e == null || Double.isNaN(e.extrapolated()) ? null : e;
    }

    /** ": here up to X more |cl|" when the summary gives cl's far-field share. */
    private static String farFieldShare(StudySummary summary) {
        StudySummary.Coefficient cl = summary.coefficients().get("cl");
        return cl == null || Double.isNaN(cl.farFieldShare()) ? ""
                : ": here up to " + Html.shown(cl.farFieldShare(), 2) + " more |cl|";
    }

    private static void levels(StringBuilder sb, List<Row> rows) {
        sb.append("<section id=\"levels\">\n<h2>Levels</h2>\n<table id=\"study\">\n<thead><tr>"
                + "<th>level</th><th>points</th><th>nodes</th><th>h</th><th>cl</th><th>cd</th>"
                + "<th>cm</th><th>iterations</th><th>stopped by</th><th>converged</th></tr>"
                + "</thead>\n<tbody>\n");
        for (Row r : rows) {
            sb.append("<tr class=\"").append(r.converged() ? "converged" : r.stop()
                    == StopReason.FAILED ? "failed" : "not-converged").append("\"><td class=\"num\">")
                    .append(r.level()).append("</td><td class=\"num\">")
                    .append(r.points()).append("</td><td class=\"num\">")
                    .append(r.nodes()).append("</td>")
                    .append(Html.number("h", r.h(), 5));
            for (int c = 0; c < Ladder.COEFFICIENTS.size(); c++) {
                sb.append(Html.number(Ladder.COEFFICIENTS.get(c), r.values()[c], 6));
            }
            sb.append("<td class=\"num\">").append(r.iterations() < 0 ? "" : r.iterations())
                    .append("</td><td>").append(Html.escape(r.stop().key()))
                    .append("</td><td data-column=\"converged\""
                            + " class=\"").append(r.converged() ? "flag-yes\">yes" : "flag-no\">no")
                    .append("</td></tr>\n");
        }
        sb.append("</tbody>\n</table>\n</section>\n");
    }

    private static void estimates(StringBuilder sb, StudySummary summary, List<Row> rows,
            String title) {
        boolean observed = rows.size() >= 3;
        sb.append("<section id=\"estimates\">\n<h2>Discretisation error of the finest level</h2>\n"
                + "<table id=\"estimate\">\n<thead><tr><th></th><th>finest</th><th>band"
                + "</th><th>").append(observed ? "observed order" : "assumed order")
                .append("</th><th>extrapolated</th><th>GCI</th><th>asymptotic</th><th>rule"
                        + "</th></tr></thead>\n<tbody>\n");
        double[] h = new double[rows.size()];
        for (int k = 0; k < h.length; k++) {
            h[k] = rows.get(k).h();
        }
        StringBuilder charts = new StringBuilder();
        for (int c = 0; c < Ladder.COEFFICIENTS.size(); c++) {
            String name = Ladder.COEFFICIENTS.get(c);
            GridConvergence.Estimate e = estimate(summary, name);
            sb.append("<tr data-coefficient=\"").append(name).append("\"><td>").append(name)
                    .append("</td>");
            if (e == null) {
                sb.append("<td colspan=\"7\">no estimate (a level gave no value)</td></tr>\n");
            } else {
                double finest = rows.get(0).values()[c];
                sb.append(Html.number("finest", finest, 6)).append("<td class=\"num\""
                        + " data-column=\"band\">").append(Html.escape(Numbers.withBand(finest,
                                e.gci()).replace("+-", "\u00b1"))).append("</td>")
                        .append(Html.number("order", observed ? e.observedOrder() : e.order(), 3))
                        .append(Html.number("extrapolated", e.extrapolated(), 6))
                        .append(Html.number("gci", e.gci(), 3)).append("<td class=\"")
                        .append(e.asymptotic() ? "flag-yes\">yes" : "flag-no\">no")
                        .append("</td><td>").append(Html.escape(e.rule()))
                        .append(e.note() == null ? "" : "<br>" + Html.escape(e.note()))
                        .append("</td></tr>\n");
            }
            double[] values = new double[rows.size()];
            for (int k = 0; k < values.length; k++) {
                values[k] = rows.get(k).values()[c];
            }
            charts.append("<figure data-coefficient=\"").append(name).append("\">")
                    .append(Svg.of(StudyOutputs.chart(title, name, h, values, e), CHART_W,
                            CHART_H, name + " against the spacing"))
                    .append("</figure>\n");
        }
        sb.append("</tbody>\n</table>\n<p class=\"muted\">GCI: the grid convergence index of the"
                + " finest level, an absolute band about its value: the safety factor times the"
                + " last increment over r^p - 1, p the observed order at most the formal 2;"
                + " safety factor 1.25 when the levels are in the asymptotic range, 3 otherwise. ")
                .append(Html.escape(summary.farField())).append(farFieldShare(summary)).append("."
                + " Charts: each level against h^p (h when the order is not usable), the dashed"
                + " line continued to the extrapolated value at h = 0.</p>\n<div class=\"grid\">\n")
                .append(charts).append("</div>\n</section>\n");
    }

    private static void convergence(StringBuilder sb, StudySummary summary, Path studyFolder)
            throws IOException {
        sb.append("<section id=\"convergence\">\n<h2>Convergence of each level</h2>\n"
                + "<p class=\"muted\">Residual norm (blue, left axis) and cl (red, right axis)"
                + " against the iteration.</p>\n<div class=\"grid\">\n");
        for (StudySummary.Level level : summary.levels()) {
            if (level.folder() == null) {
                continue;
            }
            // The level folders lie in the study's folder; link them relative to the page.
            String name = Path.of(level.folder()).getFileName().toString();
            double[][] h = CaseFiles.history(studyFolder.resolve(name)
                    .resolve(CaseOutputs.HISTORY));
            String caption = "<figcaption><a href=\"" + Html.escape(name) + "/\">"
                    + Html.escape(name) + "/</a>: " + Html.escape(level.row().stop().key())
                    + (level.row().converged() ? ", converged" : ", NOT CONVERGED")
                    + "</figcaption>";
            sb.append("<figure data-level=\"").append(Html.escape(name)).append("\">");
            if (h == null || h[0].length == 0) {
                sb.append("<p class=\"muted\">no ").append(CaseOutputs.HISTORY).append("</p>");
            } else {
                sb.append(Svg.of(CaseFiles.convergence(h, name), SMALL_W, SMALL_H,
                        "Convergence, " + name));
            }
            sb.append(caption).append("</figure>\n");
        }
        sb.append("</div>\n</section>\n");
    }

    private static void settings(StringBuilder sb, Path file) throws IOException {
        sb.append("<section id=\"settings\">\n<h2>Settings</h2>\n");
        if (!Files.exists(file)) {
            sb.append("<p class=\"muted\">no ").append(StudyOutputs.CONFIGURATION)
                    .append(" in the folder</p>\n</section>\n");
            return;
        }
        sb.append("<table>\n");
        for (Map.Entry<String, String> e : PropertiesFile.read(file).entrySet()) {
            sb.append("<tr><td>").append(Html.escape(e.getKey())).append("</td><td>")
                    .append(Html.escape(e.getValue())).append("</td></tr>\n");
        }
        sb.append("</table>\n<p class=\"muted\">Re-run with: kestrafol study --config ")
                .append(Html.escape(file.toString())).append("</p>\n</section>\n");
    }
}
