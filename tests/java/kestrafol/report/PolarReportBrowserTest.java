package kestrafol.report;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import java.awt.image.BufferedImage;
import java.io.File;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.TimeUnit;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import javax.imageio.ImageIO;
import kestrafol.ChildJvm;
import kestrafol.polar.PolarRow;
import kestrafol.polar.Rows;
import kestrafol.polar.PolarCsv;
import org.junit.jupiter.api.Assumptions;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * report.html of a polar opened from disk by headless Chromium: the numbers of the page's DOM
 * are those of polar.csv, every chart is an SVG with drawn paths that shows on the screenshot,
 * the browser logs no console message (a blocked request or a script error would log one) and
 * the file names no URL but namespace URIs.
 */
class PolarReportBrowserTest {
    @TempDir
    Path dir;

    private static final Pattern CELL = Pattern.compile(
            "<td class=\"num\" data-column=\"(\\w+)\" data-value=\"([^\"]+)\">([^<]*)</td>");
    private static final Pattern ROW = Pattern.compile("<tr class=\"[\\w-]+\" data-case=\"([^\"]+)\">(.*?)</tr>",
            Pattern.DOTALL);

    static Path chromium() {
        for (String d : System.getenv().getOrDefault("PATH", "/usr/bin").split(File.pathSeparator)) {
            Path p = Path.of(d, "chromium");
            if (Files.isExecutable(p)) {
                return p;
            }
        }
        return null;
    }

    /** Runs chromium on the page; returns {stdout, stderr}. */
    private String[] browse(Path page, String... mode) throws Exception {
        List<String> command = new ArrayList<>(List.of(chromium().toString(), "--headless",
                "--no-sandbox", "--disable-gpu", "--user-data-dir=" + dir.resolve("profile"),
                "--enable-logging=stderr", "--v=0", "--hide-scrollbars"));
        command.addAll(List.of(mode));
        command.add(page.toUri().toString());
        Path out = dir.resolve("chromium.out");
        Path err = dir.resolve("chromium.err");
        Process p = new ProcessBuilder(command).redirectOutput(out.toFile())
                .redirectError(err.toFile()).start();
        assertTrue(p.waitFor(120, TimeUnit.SECONDS), "chromium did not finish");
        assertEquals(0, p.exitValue(), Files.readString(err));
        return new String[] {Files.readString(out), Files.readString(err)};
    }

    private static List<String> console(String stderr) {
        return stderr.lines().filter(l -> l.contains(":CONSOLE")).toList();
    }

    @Test
    void theBrowserShowsPolarCsvsNumbersEveryChartAndMakesNoRequest() throws Exception {
        Assumptions.assumeTrue(chromium() != null, "chromium is not installed (Debian package"
                + " chromium): the browser test of report.html is skipped");
        // Drawn in a child JVM: the JDK's font code trips the test runner's -Xcheck:jni.
        Path folder = dir.resolve("polar");
        ChildJvm.Result child = ChildJvm.run(dir, List.of("-cp", ChildJvm.classPath(),
                PolarReportProbe.class.getName(), folder.toString()));
        assertEquals(0, child.status, child.output);
        List<PolarRow> rows = PolarCsv.read(folder.resolve("polar.csv"), PolarReportProbe.SWEEP);
        Path page = folder.resolve("report.html");
        String html = Files.readString(page, StandardCharsets.UTF_8);

        selfContained(html);

        String[] dump = browse(page, "--dump-dom");
        assertEquals(List.of(), console(dump[1]));
        String dom = dump[0];
        // Text from the data is escaped, not markup.
        assertTrue(dom.contains("&lt;b&gt;not&lt;/b&gt; an answer &amp; more"), "warning escaped");
        assertTrue(dom.contains("<title>Polar, NACA 0012 &lt;test&gt; &amp; co</title>"));
        assertTrue(dom.contains("10 cases: 7 converged, 1 not converged, 1 diverged, 1 failed"));

        // Every number of polar.csv is in the DOM, exactly (data-value) and as shown (rounded).
        Matcher rm = ROW.matcher(dom);
        int checked = 0;
        int seenRows = 0;
        while (rm.find()) {
            PolarRow r = rows.stream().filter(x -> x.polarCase().folder().equals(rm.group(1)))
                    .findFirst().orElseThrow();
            seenRows++;
            assertTrue(rm.group(2).contains("data-column=\"converged\" class=\"flag-"
                    + (r.result().converged() ? "yes\">yes" : "no\">no")), rm.group(2));
            Matcher cm = CELL.matcher(rm.group(2));
            List<String> columns = new ArrayList<>();
            while (cm.find()) {
                double want = switch (cm.group(1)) {
                    case "cl" -> r.result().cl();
                    case "cd" -> r.result().cd();
                    case "cdPressure" -> r.result().cdPressure();
                    case "cdFriction" -> r.result().cdFriction();
                    case "cm" -> r.result().cm();
                    case "residualDrop" -> r.result().residualDrop();
                    default -> throw new AssertionError(cm.group(1));
                };
                double exact = Double.parseDouble(cm.group(2));
                assertEquals(Double.doubleToLongBits(want), Double.doubleToLongBits(exact),
                        rm.group(1) + " " + cm.group(1));
                double shown = Double.parseDouble(cm.group(3));
                assertEquals(want, shown, 1e-3 * Math.abs(want) + 1e-12, rm.group(1) + " "
                        + cm.group(1) + " shown as " + cm.group(3));
                columns.add(cm.group(1));
                checked++;
            }
            if (r.result().answered()) {
                assertTrue(columns.containsAll(List.of("cl", "cd", "cm", "residualDrop")), columns.toString());
            }
        }
        assertEquals(rows.size(), seenRows);
        assertTrue(checked >= 8 * 5, "numbers checked: " + checked);

        // Charts: the polar, the Cp of every angle per Mach number, one convergence chart per
        // answered case.
        assertEquals(1 + 2 + 8, chartsWithPaths(dom), "polar, Cp per Mach number, convergence per answered case");
        // The derived quantities of Mach 0.5 (all converged): a slope near 0.125 per degree.
        Matcher slope = Pattern.compile("data-group=\"m0.5\" class=\"num\" data-column=\""
                + "lift-slope-per-degree\" data-value=\"([^\"]+)\"").matcher(dom);
        assertTrue(slope.find());
        assertEquals(0.125, Double.parseDouble(slope.group(1)), 0.004);

        // The screenshot shows the charts: the page has far more coloured pixels than the same
        // page with its svg elements emptied (the text, the flags and the links stay).
        Path bare = folder.resolve("bare.html");
        Files.writeString(bare, html.replaceAll("(?s)(<svg[^>]*>).*?</svg>", "$1</svg>"));
        int[] coloured = new int[2];
        for (int k = 0; k < 2; k++) {
            Path shot = dir.resolve("shot" + k + ".png");
            String[] s = browse(k == 0 ? page : bare, "--screenshot=" + shot,
                    "--window-size=1280,5200");
            assertEquals(List.of(), console(s[1]));
            coloured[k] = coloured(ImageIO.read(shot.toFile()));
        }
        assertTrue(coloured[0] - coloured[1] > 11 * 500, "coloured pixels: with charts "
                + coloured[0] + ", without " + coloured[1]);
    }

    /** Pixels of a clear colour (not white, grey or black). */
    private static int coloured(BufferedImage image) {
        int n = 0;
        for (int y = 0; y < image.getHeight(); y++) {
            for (int x = 0; x < image.getWidth(); x++) {
                int p = image.getRGB(x, y);
                int r = p >> 16 & 255;
                int g = p >> 8 & 255;
                int b = p & 255;
                n += Math.max(r, Math.max(g, b)) - Math.min(r, Math.min(g, b)) > 80 ? 1 : 0;
            }
        }
        return n;
    }

    /** Nothing but namespace URIs names a place outside the file; the policy forbids loads. */
    private static void selfContained(String html) {
        String stripped = html.replaceAll("xmlns(:\\w+)?=\"https?://[^\"]*\"", "");
        int at = Math.max(stripped.indexOf("http://"), stripped.indexOf("https://"));
        assertTrue(at < 0, "a URL in the page: " + (at < 0 ? ""
                : stripped.substring(Math.max(0, at - 80), Math.min(stripped.length(), at + 80))));
        assertTrue(html.contains("content=\"" + Html.POLICY + "\""));
    }

    private static int chartsWithPaths(String dom) {
        Matcher svg = Pattern.compile("<svg[^>]*>(.*?)</svg>", Pattern.DOTALL).matcher(dom);
        int charts = 0;
        while (svg.find()) {
            charts++;
            assertTrue(Pattern.compile("<path [^>]*d=\"M[^\"]{40,}").matcher(svg.group(1)).find(),
                    "chart " + charts + " has no drawn path");
        }
        return charts;
    }

    @Test
    void aRunsReportHoldsSummaryJsonsNumbersAndItsCharts() throws Exception {
        Assumptions.assumeTrue(chromium() != null, "chromium is not installed (Debian package"
                + " chromium): the browser test of report.html is skipped");
        Path folder = dir.resolve("run");
        ChildJvm.Result child = ChildJvm.run(dir, List.of("-cp", ChildJvm.classPath(),
                PolarReportProbe.class.getName(), folder.toString(), "run"));
        assertEquals(0, child.status, child.output);
        Path page = folder.resolve("report.html");
        selfContained(Files.readString(page));
        String[] dump = browse(page, "--dump-dom");
        assertEquals(List.of(), console(dump[1]));
        String dom = dump[0];
        assertTrue(dom.contains("NOT CONVERGED (stopped by iterations after 600 iterations)"), dom);
        assertTrue(dom.contains("reached the cap of 600 iterations &lt;now&gt;"));
        java.util.Map<String, Object> summary = PolarReportProbe.runSummary();
        Matcher cm = CELL.matcher(dom);
        int numbers = 0;
        while (cm.find()) {
            double want = ((Number) summary.get(cm.group(1))).doubleValue();
            assertEquals(Double.doubleToLongBits(want), Double.doubleToLongBits(
                    Double.parseDouble(cm.group(2))), cm.group(1));
            assertEquals(want, Double.parseDouble(cm.group(3)), 1e-5 * Math.abs(want), cm.group(1));
            numbers++;
        }
        assertEquals(7, numbers);
        assertTrue(dom.contains("<td>boundaries</td><td>airfoil=slip wall</td>"), "settings");
        assertEquals(2, chartsWithPaths(dom), "Cp and convergence");
        assertTrue(dom.contains("crosses: cp-tunnel"));
    }

    @Test
    void theConsoleCheckSeesABlockedRequest() throws Exception {
        Assumptions.assumeTrue(chromium() != null, "chromium is not installed (Debian package"
                + " chromium): the browser test of report.html is skipped");
        // The same policy as a report, and an image from outside: the browser must say so, or
        // the console check above proves nothing.
        Path page = dir.resolve("outside.html");
        Files.writeString(page, "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><meta"
                + " http-equiv=\"Content-Security-Policy\" content=\"" + Html.POLICY + "\">"
                + "</head><body><img src=\"https://example.invalid/x.png\"></body></html>");
        List<String> lines = console(browse(page, "--dump-dom")[1]);
        assertEquals(1, lines.size(), lines.toString());
        assertTrue(lines.get(0).contains("example.invalid"), lines.get(0));
    }
}
