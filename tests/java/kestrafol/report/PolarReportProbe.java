package kestrafol.report;

import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.Locale;
import kestrafol.base.PropertiesFile;
import kestrafol.polar.PolarRow;
import kestrafol.polar.Rows;
import kestrafol.polar.ComparisonData;
import kestrafol.polar.PolarCase;
import kestrafol.polar.PolarCsv;
import kestrafol.polar.Sweep;
import kestrafol.output.SummaryJson;

/**
 * Run in a child JVM by PolarReportBrowserTest: writes a synthetic polar folder (polar.csv,
 * polar.properties, history.csv and surface.csv per answered case) and its report.html.
 */
public final class PolarReportProbe {
    static final Sweep SWEEP = Sweep.of(Sweep.parseList("--mach", "0.5,0.7"), List.of(),
            Sweep.parseList("--alpha", "-2:2:6"), true);

    private PolarReportProbe() {}

    /** A polar of two Mach numbers with a capped, a failed and a diverged case and warnings. */
    static List<PolarRow> polar(Path folder) throws Exception {
        Sweep sweep = SWEEP;
        List<PolarRow> rows = new ArrayList<>();
        for (PolarCase c : sweep.cases()) {
            double a = c.alpha().doubleValue();
            double m = c.mach().doubleValue();
            double cl = (0.1 + 0.05 * m) * a + 1e-3 / 3 * a * a + 1.0 / 7e5;
            String stop = a == 4 && m == 0.7 ? "iterations" : "cauchy";
            PolarRow r = Rows.row(c, cl, 0.008 + 0.02 * m * m + 0.001 * a * a / 3,
                    0.008, 0, -0.01 - 0.0003 * a, 800 + 37 * c.index(), stop, 2 + 0.1 * a, 12.5,
                    "", stop.equals("iterations") ? List.of("not converged: cl ranged 0.61 to 0.64,"
                            + " <b>not</b> an answer & more") : List.of());
            if (a == 6 && m == 0.7) {
                r = Rows.failed(c, "diverged", "residual became NaN");
            } else if (a == -2 && m == 0.7) {
                r = Rows.failed(c, "failed", "mesh file missing");
            }
            rows.add(r);
            Path cf = folder.resolve(c.folder());
            Files.createDirectories(cf);
            if (!r.result().answered()) {
                continue;
            }
            writeCaseFiles(cf, cl, a, r.result().iterations());
        }
        PolarCsv.write(rows, folder.resolve("polar.csv"));
        LinkedHashMap<String, String> settings = new LinkedHashMap<>();
        settings.put("mach", "0.5,0.7");
        settings.put("alpha", "-2:2:6");
        settings.put("naca", "0012");
        PropertiesFile.write(folder.resolve("polar.properties"), List.of("test polar"), settings);
        return PolarCsv.read(folder.resolve("polar.csv"), sweep);
    }

    /** history.csv and surface.csv of a case with the given lift, angle and iterations. */
    static void writeCaseFiles(Path cf, double cl, double a, int iterations) throws Exception {
        StringBuilder h = new StringBuilder("iteration,residual,cl,cd,cm,cdPressure,cdFriction,seconds\n");
        for (int it = 1; it <= iterations; it++) {
            h.append(String.format(Locale.ROOT, "%d,%.10e,%.10e,0.01,0,0.01,0,%.4f%n", it,
                    Math.exp(-it / 150.0) * (1 + 0.3 * Math.sin(it / 9.0)),
                    cl * (1 - Math.exp(-it / 120.0)), it * 0.01));
        }
        Files.writeString(cf.resolve("history.csv"), h);
        StringBuilder s = new StringBuilder("marker,x,y,cp,cf,pressure\n");
        for (int k = 0; k <= 80; k++) {
            double t = Math.PI * 2 * k / 80;
            double x = 0.5 + 0.5 * Math.cos(t);
            s.append(String.format(Locale.ROOT, "airfoil,%.6f,%.6f,%.6f,0,0.7%n", x,
                    0.06 * Math.sin(t), (1 - 4 * x * (1 - x)) - Math.signum(Math.sin(t))
                            * a * 0.1 * Math.sqrt(1 - x)));
        }
        Files.writeString(cf.resolve("surface.csv"), s);
    }

    /** The summary of the synthetic run: numbers whose shortest decimals matter. */
    static Map<String, Object> runSummary() {
        Map<String, Object> m = new LinkedHashMap<>();
        m.put("case", "NACA 0012");
        m.put("cl", 0.1 + 0.2);
        m.put("cd", 1.0 / 3e2);
        m.put("cdPressure", 2.5e-7);
        m.put("cdFriction", 0.0);
        m.put("cm", -0.0123456789);
        m.put("coefficientsAre", "last iteration");
        m.put("iterations", 600);
        m.put("stoppedBy", "iterations");
        m.put("converged", false);
        m.put("residualDrop", 1.75);
        m.put("wallSeconds", 3.5);
        m.put("warnings", List.of("not converged: reached the cap of 600 iterations <now>"));
        Map<String, Object> settings = new LinkedHashMap<>();
        settings.put("mach", 0.8);
        settings.put("boundaries", Map.of("airfoil", "slip wall"));
        settings.put("referencePoint", List.of(0.25, 0.0));
        m.put("settings", settings);
        return m;
    }

    /** A run folder (summary.json, history.csv, surface.csv) and its report.html. */
    static void run(Path folder) throws Exception {
        Files.createDirectories(folder);
        SummaryJson.write(runSummary(), folder.resolve("summary.json"));
        writeCaseFiles(folder, 0.3, 1.25, 600);
        Path compare = folder.resolveSibling("cp-tunnel.csv");
        Files.writeString(compare, "x,cp\n0.1,-0.5\n0.5,-0.2\n0.9,0.1\n");
        RunReport.write(folder, ComparisonData.read(compare, ComparisonData.Use.SURFACE),
                "NACA 0012, Mach 0.8, alpha 1.25 deg");
    }

    public static void main(String[] args) throws Exception {
        if (args.length > 1 && args[1].equals("run")) {
            run(Path.of(args[0]));
            return;
        }
        Path folder = Path.of(args[0]);
        List<PolarRow> rows = polar(folder);
        Path compare = folder.resolveSibling("tunnel.csv");
        Files.writeString(compare, "alpha,cl,cd\n-2,-0.25,0.012\n2,0.27,0.013\n5,0.6,0.02\n");
        PolarReport.write(folder, rows, ComparisonData.read(compare, ComparisonData.Use.POLAR),
                0.25, "Polar, NACA 0012 <test> & co");
    }
}
