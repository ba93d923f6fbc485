package kestrafol.polar;

import java.util.ArrayList;
import java.util.List;
import kestrafol.base.OutputFile;
import kestrafol.run.CaseOutputs;

/**
 * The names of a polar's own files, in its folder beside a folder per case (whose files
 * {@link CaseOutputs} names): the one place each is spelled, the list "polar --help" prints and
 * the list a polar removes before it starts.
 */
public final class PolarOutputs {
    public static final String CSV = "polar.csv";
    public static final String JSON = "polar.json";
    public static final String PICTURE = "polar.png";
    public static final String CP_ALL = "cp-all.png";
    public static final String REPORT = CaseOutputs.REPORT;
    /** The polar's full effective configuration, which also drives the Slurm tasks. */
    public static final String CONFIGURATION = "polar.properties";

    /** The polar's files with what each holds, in the order they are written. */
    public static final List<OutputFile> FILES = List.of(
            new OutputFile(CONFIGURATION, "the effective options, for --config and --resume"),
            new OutputFile(CSV, "one row per case: coefficients, verdict, warnings"),
            new OutputFile(JSON, "the derived quantities and the counts"),
            new OutputFile(PICTURE, "the polar's charts"),
            new OutputFile(CP_ALL, "the pressure coefficient of every case"),
            new OutputFile(REPORT, "the polar on one page"));

    /** The polar's own pictures (the cases' are the run's business). */
    public static final List<String> PICTURES = List.of(PICTURE, CP_ALL);

    /** Files of the whole polar, removed when a polar starts (rebuilt at its end). */
    public static final List<String> RESULTS = List.of(CSV, PICTURE, JSON, CP_ALL, REPORT);

    private PolarOutputs() {}

    /** The results a polar writes at its end, in order: with its pictures or without. */
    public static List<String> written(boolean pictures) {
        List<String> files = new ArrayList<>(List.of(CSV, JSON));
        if (pictures) {
            files.addAll(PICTURES);
        }
        files.add(REPORT);
        return files;
    }
}
