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

/**
 * polar.json: how the cases ended and the derived quantities of every Mach (and Reynolds)
 * number, with the linear range each lift slope was fitted over. Values a polar does not give
 * are null.
 */
public final class PolarJson {
    private PolarJson() {}

    /**
     * The object polar.json holds; exitStatus is the polar's (the tally's, or that of the
     * interruption that ended it).
     */
    public static Map<String, Object> object(PolarTally tally, int exitStatus,
            List<PolarAnalysis.Group> groups, double momentPointXc) {
        Map<String, Object> m = new LinkedHashMap<>();
        Map<String, Object> cases = new LinkedHashMap<>();
        cases.put("total", tally.total());
        for (CaseResult.Status s : CaseResult.Status.values()) {
            cases.put(key(s), tally.count(s));
        }
        m.put("cases", cases);
        m.put("exitStatus", exitStatus);
        m.put("derivedFrom", "converged cases only");
        m.put("momentPointXc", momentPointXc);
        m.put("linearTolerance", PolarAnalysis.LINEAR_TOLERANCE);
        List<Object> g = new ArrayList<>();
        for (PolarAnalysis.Group group : groups) {
            g.add(group.toMap());
        }
        m.put("groups", g);
        return m;
    }

    /** Writes polar.json whole or not at all. */
    public static void write(PolarTally tally, int exitStatus, List<PolarAnalysis.Group> groups,
            double momentPointXc, Path file) throws IOException {
        String json = SummaryJson.toJson(object(tally, exitStatus, groups, momentPointXc)) + "\n";
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
