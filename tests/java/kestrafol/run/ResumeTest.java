package kestrafol.run;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.TimeUnit;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import kestrafol.ChildJvm;
import kestrafol.cli.Main;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * Checkpoints and exact restart: a run killed (SIGKILL) at several moments and resumed each time
 * ends with the iterations, coefficients and history of a run never stopped, bit for bit; a
 * capped run continues to a higher cap as if it had had it from the start; every checkpoint
 * that does not belong to its folder is refused with a one-line message naming it, exit 1; and
 * a polar killed in a chain case and a study killed in a level, each resumed, equal the ones
 * never stopped, case by case and level by level.
 */
class ResumeTest {
    /** A small case whose coefficient rule ends it after 776 iterations. */
    private static final List<String> CASE = List.of("run", "--resolution", "16", "--cauchy",
            "0.002/20", "--no-pictures");
    /** Two cases in one chain: the second begins on the first one's flow. */
    private static final List<String> POLAR = List.of("polar", "--resolution", "16", "--cauchy",
            "0.002/20", "--alpha", "0,2", "--chain", "--jobs", "1", "--no-pictures");
    /** Three small levels, one after the other. */
    private static final List<String> STUDY = List.of("study", "--resolution", "24", "--levels",
            "3", "--ratio", "1.2", "--cauchy", "0.002/20", "--jobs", "1", "--no-pictures");
    private static final Pattern ANSWER = Pattern.compile(
            "\"(cl|cd|cm|cdPressure|iterations|stoppedBy|converged)\": ([^,\\n]+)");

    @TempDir
    Path dir;

    @Test
    void killedRunResumesToTheSameBits() throws Exception {
        Path reference = dir.resolve("reference");
        // Settled on the coefficient rule, not converged (the residual drops only 0.5 orders):
        // exit status 4 either way.
        assertEquals(4, child(command(reference)).waitFor(), "the run never stopped");
        Path killed = dir.resolve("killed");
        List<String> first = command(killed);
        first.addAll(List.of("--checkpoint-every", "0"));
        // Killed at several moments: early in the first-order start, in it, after the switch to
        // second order; each time resumed from the last checkpoint.
        killAfterCheckpoint(first, killed, 100);
        for (int millis : new int[] {2000, 5000}) {
            killAfterCheckpoint(resume(killed), killed, millis);
        }
        List<String> last = resume(killed);
        last.addAll(List.of("--checkpoint-every", "60"));
        assertEquals(4, child(last).waitFor(), "the last resumption");
        assertEquals(answer(reference), answer(killed));
        assertEquals(history(reference), history(killed));
        assertEquals(runIdOf(killed, "case.properties"), runIdOf(killed, "history.csv"));
    }

    @Test
    void killedPolarContinuesItsChainCaseAndRefusesAForeignCheckpoint() throws Exception {
        Path reference = dir.resolve("polar-reference");
        Out whole = main(with(POLAR, "--out", reference.toString()));
        Path killed = dir.resolve("polar-killed");
        killAfterCheckpoint(java(with(POLAR, "--checkpoint-every", "0", "--out",
                killed.toString())), killed.resolve("m0.8_a2"), 50);
        assertFalse(Files.exists(killed.resolve("m0.8_a2").resolve(CaseOutputs.SUMMARY)),
                "killed in the second case");
        Out resumed = main(with(POLAR, "--resume", "--out", killed.toString()));
        assertTrue(resumed.out.contains("Resumed: 1 of 2 cases kept from their folders, 1"
                + " continued from their checkpoints"), resumed.out);
        assertSamePolar(reference, whole, killed, resumed);
        // Killed before the second case's first checkpoint: it runs again from the flow its kept
        // predecessor ended with (read from that one's checkpoint), as in the polar never stopped.
        Path a2 = killed.resolve("m0.8_a2");
        Files.delete(a2.resolve(CaseOutputs.SUMMARY));
        Files.delete(a2.resolve(CaseOutputs.CHECKPOINT));
        assertSamePolar(reference, whole, killed, main(with(POLAR, "--resume", "--out",
                killed.toString())));
        // Another run's checkpoint in the unfinished case: that case fails with the one-line
        // refusal, its folder as it was; the finished one is kept.
        Files.delete(a2.resolve(CaseOutputs.SUMMARY));
        Files.copy(killed.resolve("m0.8_a0").resolve(CaseOutputs.CHECKPOINT),
                a2.resolve(CaseOutputs.CHECKPOINT), StandardCopyOption.REPLACE_EXISTING);
        Out refused = main(with(POLAR, "--resume", "--out", killed.toString()));
        assertEquals(1, refused.status, refused.out);
        assertTrue(refused.out.contains("Mach 0.8, alpha 2: failed: checkpoint "
                + a2.resolve(CaseOutputs.CHECKPOINT) + " belongs to run "), refused.out);
        assertFalse(Files.exists(a2.resolve(CaseOutputs.SUMMARY)));
    }

    /** The same exit status, polar.csv but for the seconds, and histories, case by case. */
    private static void assertSamePolar(Path reference, Out whole, Path resumed, Out run)
            throws IOException {
        assertEquals(whole.status, run.status, run.err);
        assertEquals(withoutSeconds(reference.resolve("polar.csv")),
                withoutSeconds(resumed.resolve("polar.csv")));
        for (String c : List.of("m0.8_a0", "m0.8_a2")) {
            assertEquals(history(reference.resolve(c)), history(resumed.resolve(c)), c);
        }
    }

    @Test
    void killedStudyContinuesItsLevelAndARaisedCapReplaysEachLevelToItsStop() throws Exception {
        Path reference = dir.resolve("study-reference");
        Out whole = main(with(STUDY, "--iterations", "3000", "--out", reference.toString()));
        Path killed = dir.resolve("study-killed");
        killAfterCheckpoint(java(with(STUDY, "--iterations", "3000", "--checkpoint-every", "0.05",
                "--out", killed.toString())), killed.resolve("level2-n20"), 50);
        // Clearly incomplete: no study results beside the levels.
        assertFalse(Files.exists(killed.resolve("summary.json"))
                || Files.exists(killed.resolve("study.csv")));
        List<String> levels = List.of("level1-n24", "level2-n20", "level3-n16");
        for (String raised : new String[] {"3000", "4000"}) {
            Out resumed = main(with(STUDY, "--iterations", raised, "--resume", "--out",
                    killed.toString()));
            assertEquals(whole.status, resumed.status, resumed.err);
            assertTrue(resumed.out.contains(raised.equals("3000") ? "Resumed: 1 of 3 levels"
                    + " kept from their folders, 1 continued" : "Resumed: 0 of 3 levels kept"
                    + " from their folders, 3 continued"), resumed.out);
            assertEquals(Files.readAllLines(reference.resolve("study.csv")),
                    Files.readAllLines(killed.resolve("study.csv")));
            for (String level : levels) {
                assertEquals(answer(reference.resolve(level)), answer(killed.resolve(level)));
                assertEquals(history(reference.resolve(level)), history(killed.resolve(level)));
            }
        }
    }

    /**
     * Runs the case capped at 25 iterations and resumes it to 40; the answer and history must
     * equal those of a run capped at 40. Returns the folder of the capped run.
     */
    private Path assertCappedRunContinues(String name, String... options) throws Exception {
        List<String> more = new ArrayList<>(List.of(options));
        Path whole = dir.resolve(name + "-whole");
        more.addAll(List.of("--iterations", "40"));
        assertEquals(4, main(withOut(whole, more.toArray(new String[0]))).status);
        Path capped = dir.resolve(name);
        more.set(more.size() - 1, "25");
        assertEquals(4, main(withOut(capped, more.toArray(new String[0]))).status);
        Path copy = dir.resolve(name + "-at-25");
        copy(capped, copy);
        assertEquals(4, main(List.of("run", "--resume", "--iterations", "40", "--out",
                capped.toString())).status);
        assertEquals(answer(whole), answer(capped));
        assertEquals(history(whole), history(capped));
        return copy;
    }

    @Test
    void methodOptionsResumeToTheSameBits() throws Exception {
        // The Courant number grown so far, the residual peak and the vortex's circulation carry
        // over in the checkpoint, through the first-order start and after it.
        assertCappedRunContinues("options", "--method", "courant,smooth-limiter,vortex",
                "--startup-first-order", "15");
    }

    @Test
    void cappedRunContinuesToAHigherCapAndForeignCheckpointsAreRefused() throws Exception {
        Path base = assertCappedRunContinues("capped");
        Path other = dir.resolve("other");
        assertEquals(4, main(withOut(other, "--iterations", "25")).status);

        record Refusal(String what, String[] options, Mutation change, String message) {
        }
        List<Refusal> table = List.of(
                new Refusal("no checkpoint", new String[0], f -> Files.delete(f.resolve(
                        CaseOutputs.CHECKPOINT)), "nothing to resume in"),
                new Refusal("cut short", new String[0], f -> cut(f, 0.5), "is damaged (it is cut"
                        + " short)"),
                new Refusal("one bit flipped", new String[0], ResumeTest::flip,
                        "is damaged (its checksum does not match"),
                new Refusal("not a checkpoint", new String[0], f -> Files.writeString(
                        f.resolve(CaseOutputs.CHECKPOINT), "hello"), "is damaged"),
                new Refusal("another run's", new String[0], f -> Files.copy(other.resolve(
                        CaseOutputs.CHECKPOINT), f.resolve(CaseOutputs.CHECKPOINT),
                        StandardCopyOption.REPLACE_EXISTING), "belongs to run"),
                new Refusal("another mesh", new String[] {"--resolution", "20"}, f -> { },
                        "was taken on another mesh"),
                new Refusal("other settings", new String[] {"--mach", "0.7"}, f -> { },
                        "was taken with other settings"),
                new Refusal("another stopping rule", new String[] {"--cauchy", "0.001/20"},
                        f -> { }, "was taken with other settings"),
                new Refusal("a lower cap", new String[] {"--iterations", "20"}, f -> { },
                        "holds 25 iterations, past this run's cap of 20"),
                new Refusal("another method", new String[] {"--method", "courant"}, f -> { },
                        "was taken with other settings"));
        for (Refusal r : table) {
            Path folder = dir.resolve("refused-" + r.what().replace(' ', '-'));
            copy(base, folder);
            r.change().apply(folder);
            List<String> args = new ArrayList<>(List.of("run", "--resume", "--out",
                    folder.toString()));
            args.addAll(List.of(r.options()));
            Out result = main(args);
            assertEquals(1, result.status, r.what() + ": " + result.err);
            assertTrue(result.err.contains(r.message()) && result.err.strip().lines().count() == 1
                    && result.err.contains(folder.toString()), r.what() + ": " + result.err);
            assertTrue(!Files.exists(folder.resolve(CaseOutputs.SUMMARY))
                    || Files.getLastModifiedTime(folder.resolve(CaseOutputs.SUMMARY))
                            .equals(Files.getLastModifiedTime(base.resolve(CaseOutputs.SUMMARY))),
                    r.what() + ": the folder was not touched");
        }
    }

    @FunctionalInterface
    private interface Mutation {
        void apply(Path folder) throws IOException;
    }

    private static void cut(Path folder, double fraction) throws IOException {
        Path file = folder.resolve(CaseOutputs.CHECKPOINT);
        byte[] bytes = Files.readAllBytes(file);
        Files.write(file, java.util.Arrays.copyOf(bytes, (int) (bytes.length * fraction)));
    }

    private static void flip(Path folder) throws IOException {
        Path file = folder.resolve(CaseOutputs.CHECKPOINT);
        byte[] bytes = Files.readAllBytes(file);
        bytes[bytes.length * 3 / 4] ^= 1;
        Files.write(file, bytes);
    }

    private static void copy(Path from, Path to) throws IOException {
        Files.createDirectories(to);
        try (var files = Files.list(from)) {
            for (Path p : files.toList()) {
                Files.copy(p, to.resolve(p.getFileName()), StandardCopyOption.COPY_ATTRIBUTES);
            }
        }
    }

    /** summary.json's answer: coefficients, iterations, how the run stopped. */
    private static List<String> answer(Path folder) throws IOException {
        List<String> found = new ArrayList<>();
        Matcher m = ANSWER.matcher(Files.readString(folder.resolve(CaseOutputs.SUMMARY)));
        while (m.find()) {
            found.add(m.group(1) + "=" + m.group(2));
        }
        assertTrue(found.size() >= 7, folder + ": " + found);
        return found;
    }

    /** history.csv without its run id and its seconds column. */
    private static List<String> history(Path folder) throws IOException {
        List<String> rows = new ArrayList<>();
        for (String line : Files.readAllLines(folder.resolve(CaseOutputs.HISTORY))) {
            if (!line.startsWith("#")) {
                rows.add(line.substring(0, line.lastIndexOf(',')));
            }
        }
        return rows;
    }

    private static String runIdOf(Path folder, String file) throws IOException {
        Matcher m = Pattern.compile("# run (id: )?(\\S+)").matcher(Files.readString(
                folder.resolve(file)));
        assertTrue(m.find(), file);
        return m.group(2);
    }

    private List<String> withOut(Path folder, String... more) {
        List<String> args = new ArrayList<>(CASE);
        args.addAll(List.of(more));
        args.addAll(List.of("--out", folder.toString()));
        return args;
    }

    private List<String> command(Path folder) {
        List<String> c = new ArrayList<>(List.of(
                Paths.get(System.getProperty("java.home"), "bin", "java").toString(),
                "-Djava.io.tmpdir=" + dir, "-Djava.awt.headless=true", "-jar", ChildJvm.jar()));
        c.addAll(withOut(folder));
        return c;
    }

    /** polar.csv without its seconds column (counted from the end: the warnings are quoted). */
    private static List<String> withoutSeconds(Path csv) throws IOException {
        List<String> lines = Files.readAllLines(csv);
        List<String> header = List.of(lines.get(0).split(","));
        int after = header.size() - 1 - header.indexOf("seconds");
        return lines.stream().map(l -> l.replaceFirst("[^,]*((,[^,]*){" + after + "})$", "$1"))
                .toList();
    }

    private static List<String> with(List<String> args, String... more) {
        List<String> all = new ArrayList<>(args);
        all.addAll(List.of(more));
        return all;
    }

    /** The command in a child JVM. */
    private List<String> java(List<String> args) {
        return with(command(dir).subList(0, 5), args.toArray(new String[0]));
    }

    private List<String> resume(Path folder) {
        List<String> c = command(folder).subList(0, 5);
        List<String> r = new ArrayList<>(c);
        r.addAll(List.of("run", "--resume", "--out", folder.toString()));
        return r;
    }

    private static Process child(List<String> command) throws IOException {
        return new ProcessBuilder(command).redirectErrorStream(true)
                .redirectOutput(ProcessBuilder.Redirect.DISCARD).start();
    }

    /**
     * Starts the command and kills it (SIGKILL) the given milliseconds after it wrote a new
     * checkpoint into folder (so that the run has come some way and left something to resume).
     */
    private static void killAfterCheckpoint(List<String> command, Path folder, int millis)
            throws Exception {
        Path file = folder.resolve(CaseOutputs.CHECKPOINT);
        Object before = Files.exists(file) ? Files.getLastModifiedTime(file) : null;
        Process p = child(command);
        long deadline = System.nanoTime() + 120_000_000_000L;
        while (p.isAlive() && System.nanoTime() < deadline && (!Files.exists(file)
                || Files.getLastModifiedTime(file).equals(before))) {
            Thread.sleep(10);
        }
        if (!p.waitFor(millis, TimeUnit.MILLISECONDS)) {
            p.destroyForcibly();
            p.waitFor();
        }
        assertTrue(Files.exists(file), "a checkpoint to resume from");
    }

    private record Out(int status, String out, String err) {
    }

    private static Out main(List<String> args) {
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        ByteArrayOutputStream err = new ByteArrayOutputStream();
        int status = Main.run(args.toArray(new String[0]), new PrintStream(out, true,
                StandardCharsets.UTF_8), new PrintStream(err, true, StandardCharsets.UTF_8), false);
        return new Out(status, out.toString(StandardCharsets.UTF_8),
                err.toString(StandardCharsets.UTF_8));
    }
}
