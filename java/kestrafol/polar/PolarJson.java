package kestrafol.polar;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import kestrafol.base.AtomicFiles;
import kestrafol.output.SummaryJson;
import kestrafol.run.CaseResult;
import kestrafol.run.ErrorBars;

/**
 * polar.json: how the cases ended and the derived quantities of every Mach (and Reynolds)
 * number, with the linear range each lift slope was fitted over, and with --error-estimate
 * each case's coefficients with their error bars and the rule that gave them. Values a polar
 * does not give are null.
 */
public final class PolarJson {
    private PolarJson() {}

    /**
     * The object polar.json holds; exitStatus is the polar's (the tally's, or that of the
     * interruption that ended it), method the solver's method of its cases.
     */
    public static Map<String, Object> object(PolarTally tally, int exitStatus,
            List<PolarAnalysis.Group> groups, double momentPointXc, List<PolarRow> rows,
            String method) {
        Map<String, Object> m = new LinkedHashMap<>();
        Map<String, Object> cases = new LinkedHashMap<>();
        cases.put("total", tally.total());
        for (CaseResult.Status s : CaseResult.Status.values()) {
            cases.put(key(s), tally.count(s));
        }
        m.put("cases", cases);
        m.put("exitStatus", exitStatus);
        m.put("method", method);
        m.put("derivedFrom", "converged cases only");
        m.put("momentPointXc", momentPointXc);
        m.put("linearTolerance", PolarAnalysis.LINEAR_TOLERANCE);
        List<Object> g = new ArrayList<>();
        for (PolarAnalysis.Group group : groups) {
            g.add(group.toMap());
        }
        m.put("groups", g);
        m.put("errorBars", errorBars(rows));
        return m;
    }

    /**
     * Per case with error bars: its conditions, each coefficient with its band, whether the
     * bands are asymptotic and the rule; null when no case has bars.
     */
    static List<Object> errorBars(List<PolarRow> rows) {
        List<Object> list = new ArrayList<>();
        for (PolarRow r : rows) {
            ErrorBars b = r.result().bars();
            if (b == null) {
                continue;
            }
            Map<String, Object> c = new LinkedHashMap<>();
            c.put("mach", r.polarCase().mach().doubleValue());
            c.put("reynolds", r.polarCase().reynolds() == null ? null
                    : r.polarCase().reynolds().doubleValue());
            c.put("alpha", r.polarCase().alpha().doubleValue());
            c.put("cl", r.result().cl());
            c.put("clError", b.clError());
            c.put("cd", r.result().cd());
            c.put("cdError", b.cdError());
            c.put("cm", r.result().cm());
            c.put("cmError", b.cmError());
            c.put("asymptotic", b.asymptotic());
            c.put("rule", b.rule().isEmpty() ? null : b.rule());
            list.add(c);
        }
        return list.isEmpty() ? null : list;
    }

    /** Writes polar.json whole or not at all. */
    public static void write(PolarTally tally, int exitStatus, List<PolarAnalysis.Group> groups,
            double momentPointXc, List<PolarRow> rows, String method, Path file)
            throws IOException {
        String json = SummaryJson.toJson(object(tally, exitStatus, groups, momentPointXc, rows,
                method)) + "\n";
        AtomicFiles.write(file, f -> Files.writeString(f, json, StandardCharsets.UTF_8));
    }

    /** "converged", "notConverged", "diverged", "failed", "notRun". */
    static String key(CaseResult.Status s) {
        String[] words = s.label().split(" ");
        StringBuilder sb = new StringBuilder(words[0]);
        for (int k = 1; k < words.length; k++) {
            sb.append(Character.toUpperCase(words[k].charAt(0))).append(words[k].substring(1));
        }
        return sb.toString();
    }
}
