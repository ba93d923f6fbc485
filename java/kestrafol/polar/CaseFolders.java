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
import kestrafol.run.CaseResult;
import kestrafol.run.StopReason;

/**
 * A polar's rows as its case folders hold them. A case folder holds a complete run when its
 * summary.json carries the run id of its case.properties; the polar's rows are rebuilt from
 * those, so polar.csv always agrees with the folders, however many invocations (an interrupted
 * polar, its resumption, a Slurm gathering) filled them.
 */
public final class CaseFolders {
    private CaseFolders() {}

    /** The row of the complete run in the case's folder, or null when the folder holds none. */
    public static PolarRow complete(PolarCase c, Path polarFolder) {
        CaseResult r = CaseOutputs.completeResult(polarFolder.resolve(c.folder()));
        return r == null ? null : new PolarRow(c, r);
    }

    /**
     * Whether the case's folder holds a finished run: complete, and not stopped by an
     * interruption (a run whose last iteration completed before the stop came is finished).
     */
    public static boolean finished(PolarRow complete) {
        return complete != null && complete.result().stop() != StopReason.INTERRUPTED;
    }

    /**
     * One row per case: the complete run of its folder where there is one made as the polar
     * makes it now ({@code current}), otherwise the row this invocation has for it (a failure
     * with its message), otherwise a row "not run" (the case never started, or was stopped
     * before its run wrote a result).
     */
    public static List<PolarRow> rows(List<PolarCase> cases, Path polarFolder,
            List<PolarRow> known, java.util.function.Predicate<PolarCase> current) {
        Map<Integer, PolarRow> byIndex = new HashMap<>();
        if (known != null) {
            for (PolarRow r : known) {
                byIndex.put(r.polarCase().index(), r);
            }
        }
        List<PolarRow> rows = new ArrayList<>();
        for (PolarCase c : cases) {
            PolarRow r = current.test(c) ? complete(c, polarFolder) : null;
            if (r == null) {
                r = byIndex.getOrDefault(c.index(),
                        PolarRow.without(c, StopReason.NOT_RUN, "this case has not run"));
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
}
