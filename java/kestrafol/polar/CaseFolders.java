package kestrafol.polar;

import java.io.IOException;
import java.nio.file.DirectoryStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.HashSet;
import java.util.List;
import java.util.Map;
import java.util.Set;
import java.util.TreeSet;
import kestrafol.run.CaseOutputs;

/**
 * A polar's rows as its case folders hold them. A case folder holds a complete run when its
 * summary.json carries the run id of its case.properties; the polar's rows are rebuilt from
 * those, so polar.csv always agrees with the folders, however many invocations (an interrupted
 * polar, its resumption, a Slurm gathering) filled them.
 */
public final class CaseFolders {
    private CaseFolders() {}

    /** The row of the complete run in the case's folder, or null when the folder holds none. */
    public static CaseResult complete(PolarCase c, Path polarFolder) {
        Map<?, ?> s = CaseOutputs.completeSummary(polarFolder.resolve(c.folder()));
        if (s == null) {
            return null;
        }
        List<String> warnings = new ArrayList<>();
        if (s.get("warnings") instanceof List<?> w) {
            for (Object o : w) {
                warnings.add(String.valueOf(o));
            }
        }
        return new CaseResult(c, number(s, "cl"), number(s, "cd"), number(s, "cdPressure"),
                number(s, "cdFriction"), number(s, "cm"), (int) number(s, "iterations"),
                String.valueOf(s.get("stoppedBy")), number(s, "residualDrop"),
                number(s, "wallSeconds"), "", warnings);
    }

    /**
     * Whether the case's folder holds a finished run: complete, and not stopped by an
     * interruption (a run whose last iteration completed before the stop came is finished).
     */
    public static boolean finished(CaseResult complete) {
        return complete != null && !"interrupted".equals(complete.stoppedBy());
    }

    /**
     * One row per case: the complete run of its folder where there is one made as the polar
     * makes it now ({@code current}), otherwise the row this invocation has for it (a failure
     * with its message), otherwise a row "interrupted" (the case never finished).
     */
    public static List<CaseResult> rows(List<PolarCase> cases, Path polarFolder,
            List<CaseResult> known, java.util.function.Predicate<PolarCase> current) {
        Map<Integer, CaseResult> byIndex = new HashMap<>();
        if (known != null) {
            for (CaseResult r : known) {
                byIndex.put(r.polarCase().index(), r);
            }
        }
        List<CaseResult> rows = new ArrayList<>();
        for (PolarCase c : cases) {
            CaseResult r = current.test(c) ? complete(c, polarFolder) : null;
            if (r == null) {
                r = byIndex.getOrDefault(c.index(),
                        CaseResult.failed(c, "interrupted", "this case has not finished"));
            }
            rows.add(r);
        }
        return rows;
    }

    /**
     * Folders of cases that are not part of the sweep (another polar's angles or Mach numbers),
     * by name: sub-folders holding a case.properties whose name is no case folder of the sweep.
     */
    public static Set<String> foreign(List<PolarCase> cases, Path polarFolder) throws IOException {
        Set<String> mine = new HashSet<>();
        for (PolarCase c : cases) {
            mine.add(c.folder());
        }
        Set<String> other = new TreeSet<>();
        if (!Files.isDirectory(polarFolder)) {
            return other;
        }
        try (DirectoryStream<Path> ds = Files.newDirectoryStream(polarFolder, Files::isDirectory)) {
            for (Path p : ds) {
                String name = p.getFileName().toString();
                if (!mine.contains(name) && Files.isRegularFile(p.resolve(CaseOutputs.CASE_FILE))) {
                    other.add(name);
                }
            }
        }
        return other;
    }

    private static double number(Map<?, ?> m, String key) {
        return m.get(key) instanceof Number n ? n.doubleValue() : Double.NaN;
    }
}
