package kestrafol.batch;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.Map;
import java.util.TreeMap;
import kestrafol.base.PropertiesFile;
import kestrafol.run.CaseOutputs;

/**
 * Whether a case folder of a polar or study holds what the case would compute now: the options
 * its case.properties records against those the case is given now. Where the case lives and how
 * often it saves (the output folder, the checkpoint interval) do not shape its answer: a folder
 * copied elsewhere, or resumed with another interval, still counts.
 */
final class RecordedOptions {
    /** Options that do not shape a case's answer. */
    private static final List<String> NOT_OF_THE_ANSWER = List.of("out", "checkpoint-every");

    private RecordedOptions() {}

    /** The folder's case.properties records exactly the options the case has now. */
    static boolean same(Path folder, Map<String, String> now) {
        return matches(folder, now, List.of());
    }

    /**
     * The folder holds a checkpoint of a run recorded with the options the case has now, but
     * for the iteration cap, which shapes no iteration before it: the case continues from the
     * checkpoint (when it lies within the cap, see {@link kestrafol.run.Run#withinCap}) to the
     * same bits as a run never stopped. The checkpoint itself is still checked against the
     * folder's run id, the mesh and the settings when the run resumes.
     */
    static boolean resumable(Path folder, Map<String, String> now) {
        return Files.isRegularFile(folder.resolve(CaseOutputs.CHECKPOINT))
                && matches(folder, now, List.of("iterations"));
    }

    private static boolean matches(Path folder, Map<String, String> given, List<String> free) {
        Map<String, String> recorded;
        try {
            recorded = new TreeMap<>(PropertiesFile.read(folder.resolve(CaseOutputs.CASE_FILE)));
        } catch (IOException | IllegalArgumentException e) {
            return false;
        }
        Map<String, String> now = new TreeMap<>(given);
        for (List<String> keys : List.of(NOT_OF_THE_ANSWER, free)) {
            recorded.keySet().removeAll(keys);
            now.keySet().removeAll(keys);
        }
        return recorded.equals(now);
    }
}
