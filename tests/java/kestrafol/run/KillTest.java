package kestrafol.run;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.Random;
import java.util.concurrent.TimeUnit;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import java.util.stream.Stream;
import kestrafol.ChildJvm;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * kill -9 of run, polar and study at random moments into a reused output folder: afterwards
 * every case folder holds one complete run (summary.json whose run id every other file carries,
 * every file whole) or is clearly incomplete (no summary.json), never a mix; polar.csv, when
 * present, agrees with the folders; a study folder holds the results of one study, agreeing with
 * its level folders, or none; a resumed polar keeps the finished cases untouched and a resumed
 * study completes. The number of kills is -Dkestrafol.kills (default 18: 12 of run, 6 of polar,
 * and a quarter as many again of study); scripts/kill-soak.sh runs hundreds.
 */
class KillTest {
    private static final int KILLS = Integer.getInteger("kestrafol.kills", 18);
    private static final Pattern SUMMARY_RUN = Pattern.compile("\"run\": \"([^\"]+)\"");
    private static final Pattern STOPPED = Pattern.compile("\"stoppedBy\": \"([^\"]+)\"");
    private static final Pattern CL = Pattern.compile("\"cl\": ([-0-9.eE]+|null)");

    @TempDir
    Path dir;

    private final Map<String, Integer> counts = new HashMap<>();
    /** Why each mixed folder was called mixed, for the failure message. */
    private static final List<String> WHY = new ArrayList<>();

    @Test
    void killedRunsAndPolarsLeaveCompleteOrIncompleteFoldersNeverMixed() throws Exception {
        Random random = new Random(18);
        int runKills = KILLS * 2 / 3;
        Path out = dir.resolve("run");
        List<String> run = command("run", "--resolution", "32", "--iterations", "30",
                "--out", out.toString());
        long start = System.nanoTime();
        assertEquals(Run.EXIT_NOT_CONVERGED, finish(run), "a run to start from");
        int runMillis = (int) ((System.nanoTime() - start) / 1_000_000);
        assertEquals("complete", verdict(out, true));
        // Kill moments spread over the run's own duration, its writing phase included.
        for (int k = 0; k < runKills; k++) {
            killAfter(run, runMillis / 4 + random.nextInt(runMillis));
            counts.merge(verdict(out, true), 1, Integer::sum);
        }

        Path polar = dir.resolve("polar");
        List<String> sweep = command("polar", "--resolution", "32", "--iterations", "30",
                "--alpha", "0:2:6", "--jobs", "1", "--no-pictures", "--out", polar.toString());
        start = System.nanoTime();
        assertEquals(Run.EXIT_NOT_CONVERGED, finish(sweep), "a polar to start from");
        int polarMillis = (int) ((System.nanoTime() - start) / 1_000_000);
        for (int k = runKills; k < KILLS; k++) {
            killAfter(sweep, polarMillis / 4 + random.nextInt(polarMillis));
            for (int a = 0; a <= 6; a += 2) {
                counts.merge(verdict(polar.resolve("m0.8_a" + a), false), 1, Integer::sum);
            }
            polarAgreesWithFolders(polar);
        }
        System.out.println("run " + runMillis + " ms, polar " + polarMillis + " ms; kills " + KILLS + " (" + runKills + " of run, " + (KILLS - runKills)
                + " of polar; case folders checked: " + counts + ")");
        assertEquals(0, counts.getOrDefault("mixed", 0), counts + " " + WHY);

        // Resumption: finished cases keep their files (same run id), the rest are run, and
        // polar.csv holds every case as its folder has it.
        Map<String, String> before = new HashMap<>();
        for (int a = 0; a <= 6; a += 2) {
            Path f = polar.resolve("m0.8_a" + a);
            if ("complete".equals(verdict(f, false)) && !stopped(f).equals("interrupted")) {
                before.put(f.getFileName().toString(), runId(f));
            }
        }
        List<String> resume = new ArrayList<>(sweep);
        resume.add("--resume");
        assertEquals(Run.EXIT_NOT_CONVERGED, finish(resume), "the resumed polar");
        for (Map.Entry<String, String> e : before.entrySet()) {
            assertEquals(e.getValue(), runId(polar.resolve(e.getKey())), e.getKey() + " was rerun");
        }
        List<String> rows = Files.readAllLines(polar.resolve("polar.csv"));
        assertEquals(5, rows.size(), String.join("\n", rows));
        polarAgreesWithFolders(polar);
        killedStudies(random);
    }

    /** A study killed at random moments, then resumed to the end. */
    private void killedStudies(Random random) throws Exception {
        Path study = dir.resolve("study");
        List<String> ladder = command("study", "--resolution", "24", "--levels", "3", "--ratio",
                "1.2", "--iterations", "30", "--jobs", "1", "--no-pictures", "--out",
                study.toString());
        long start = System.nanoTime();
        assertEquals(Run.EXIT_NOT_CONVERGED, finish(ladder), "a study to start from");
        int studyMillis = (int) ((System.nanoTime() - start) / 1_000_000);
        Map<String, Integer> studies = new HashMap<>();
        for (int k = 0; k < KILLS / 4; k++) {
            killAfter(ladder, studyMillis / 4 + random.nextInt(studyMillis));
            studies.merge(studyVerdict(study), 1, Integer::sum);
        }
        System.out.println("study " + studyMillis + " ms; study folders: " + studies);
        assertEquals(0, studies.getOrDefault("mixed", 0), studies + " " + WHY);
        ladder.add("--resume");
        assertEquals(Run.EXIT_NOT_CONVERGED, finish(ladder), "the resumed study");
        assertEquals("complete", studyVerdict(study), String.valueOf(WHY));
    }

    /**
     * "complete" (summary.json, study.csv, and each level one complete run with its row's lift),
     * "incomplete" (no summary.json) or "mixed".
     */
    private static String studyVerdict(Path study) throws IOException {
        if (!Files.exists(study.resolve("summary.json"))) {
            return "incomplete";
        }
        List<String> rows = Files.readAllLines(study.resolve("study.csv"));
        for (String row : rows.subList(1, rows.size())) {
            String[] f = row.split(",");
            Path level = study.resolve("level" + f[0] + "-n" + f[1]);
            Matcher m = CL.matcher(Files.readString(level.resolve(CaseOutputs.SUMMARY)));
            if (!"complete".equals(verdict(level, false)) || !m.find()
                    || Double.parseDouble(m.group(1)) != Double.parseDouble(f[4])) {
                WHY.add(level + ": not the complete run of study.csv's " + row);
                return "mixed";
            }
        }
        return rows.size() == 4 ? "complete" : "mixed";
    }

    /**
     * "complete", "incomplete" (no summary.json) or "mixed" (a summary beside files of another
     * run, or beside a missing or cut file).
     */
    private static String verdict(Path folder, boolean pictures) throws IOException {
        Path summary = folder.resolve(CaseOutputs.SUMMARY);
        if (!Files.exists(summary)) {
            return "incomplete";
        }
        String id = runId(folder);
        boolean diverged = stopped(folder).equals("diverged");
        for (String name : CaseOutputs.files(diverged, pictures)) {
            if (!Files.isRegularFile(folder.resolve(name))) {
                WHY.add(folder + ": " + name + " missing");
                return "mixed";
            }
        }
        List<String> history = Files.readAllLines(folder.resolve(CaseOutputs.HISTORY));
        boolean same = history.get(0).equals("# run " + id)
                && Files.readAllLines(folder.resolve(CaseOutputs.CASE_FILE)).contains("# run id: " + id)
                && (diverged || Files.readString(folder.resolve(CaseOutputs.FLOW)).strip()
                        .endsWith("</VTKFile>"));
        try (Stream<Path> files = Files.list(folder)) {
            // The report page is drawn from the committed files after summary.json: a kill while
            // it is written leaves a complete run without its page, and a temporary file that
            // the next run removes. Any other temporary file means a result was cut.
            same &= files.map(p -> p.getFileName().toString())
                    .noneMatch(n -> n.startsWith(".tmp-") && !n.endsWith("-report.html"));
        }
        if (!same) {
            try (Stream<Path> files = Files.list(folder)) {
                WHY.add(folder + ": run " + id + ", history " + history.get(0) + ", files "
                        + files.map(p -> p.getFileName().toString()).sorted().toList());
            }
        }
        return same ? "complete" : "mixed";
    }

    /** Every row of polar.csv with a complete case folder gives that folder's lift, exactly. */
    private static void polarAgreesWithFolders(Path polar) throws IOException {
        Path csv = polar.resolve("polar.csv");
        if (!Files.exists(csv)) {
            return;
        }
        for (String row : Files.readAllLines(csv).subList(1, Files.readAllLines(csv).size())) {
            String[] f = row.split(",");
            Path folder = polar.resolve("m" + f[0] + "_a" + f[2]);
            if (Files.exists(folder.resolve(CaseOutputs.SUMMARY))) {
                Matcher m = CL.matcher(Files.readString(folder.resolve(CaseOutputs.SUMMARY)));
                assertTrue(m.find());
                assertEquals(m.group(1).equals("null") ? "" : Double.toString(
                        Double.parseDouble(m.group(1))), f[3].isEmpty() ? "" : Double.toString(
                        Double.parseDouble(f[3])), row);
            }
        }
    }

    private static String runId(Path folder) throws IOException {
        Matcher m = SUMMARY_RUN.matcher(Files.readString(folder.resolve(CaseOutputs.SUMMARY)));
        assertTrue(m.find(), folder + ": summary.json without a run id");
        return m.group(1);
    }

    private static String stopped(Path folder) throws IOException {
        Matcher m = STOPPED.matcher(Files.readString(folder.resolve(CaseOutputs.SUMMARY)));
        assertTrue(m.find());
        return m.group(1);
    }

    private List<String> command(String... args) {
        List<String> c = new ArrayList<>(List.of(
                Paths.get(System.getProperty("java.home"), "bin", "java").toString(),
                "-Djava.io.tmpdir=" + dir, "-Djava.awt.headless=true", "-jar", ChildJvm.jar()));
        c.addAll(List.of(args));
        return c;
    }

    private static int finish(List<String> command) throws Exception {
        Process p = new ProcessBuilder(command).redirectErrorStream(true)
                .redirectOutput(ProcessBuilder.Redirect.DISCARD).start();
        assertTrue(p.waitFor(300, TimeUnit.SECONDS));
        return p.exitValue();
    }

    /** Starts the command and kills it (SIGKILL) after the given milliseconds. */
    private static void killAfter(List<String> command, int millis) throws Exception {
        Process p = new ProcessBuilder(command).redirectErrorStream(true)
                .redirectOutput(ProcessBuilder.Redirect.DISCARD).start();
        if (!p.waitFor(millis, TimeUnit.MILLISECONDS)) {
            p.destroyForcibly();
            p.waitFor();
        }
    }
}
