package CFD.Solvers;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.File;
import java.nio.charset.StandardCharsets;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.TimeUnit;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import org.junit.jupiter.api.Test;

/**
 * Resident memory of long runs in one JVM: 2,000 cycles of start, 10 iterate calls, analysis and
 * cleanup grow it by less than 10 MB from the 100th cycle to the last; so do 500 cycles that drive
 * a solver to divergence before cleaning it up. Each phase runs in a child JVM with a fixed,
 * pre-touched heap and without the JIT compiler, so what grows is the library's native memory.
 */
class ReliabilitySoakTest {
    private static final long LIMIT_KB = 10 * 1024;
    private static final Pattern RESULT = Pattern.compile(
            "result (\\w+) cycles=(\\d+) rssAtReference=(\\d+) rssEnd=(\\d+) rssPeak=(\\d+)");

    private static String location(Class<?> c) throws Exception {
        return Paths.get(c.getProtectionDomain().getCodeSource().getLocation().toURI()).toString();
    }

    private static String runChild(String phase, int cycles, int referenceCycle) throws Exception {
        List<String> command = new ArrayList<>();
        command.add(Paths.get(System.getProperty("java.home"), "bin", "java").toString());
        command.add("-Xms128m");
        command.add("-Xmx128m");
        command.add("-XX:+AlwaysPreTouch");
        command.add("-XX:+UseSerialGC");
        // Interpreted only: the JIT compiler's arenas and code cache grow by several MB while
        // methods get compiled late in a run, which would hide what the library does.
        command.add("-Xint");
        command.add("-Xcheck:jni");
        String library = System.getProperty("kestrafol.library.path");
        if (library != null) {
            command.add("-Dkestrafol.library.path=" + library);
        }
        command.add("-cp");
        command.add(location(EulerSolver.class) + File.pathSeparator + location(ReliabilitySoakMain.class));
        command.add(ReliabilitySoakMain.class.getName());
        command.add(phase);
        command.add(Integer.toString(cycles));
        command.add(Integer.toString(referenceCycle));
        Process p = new ProcessBuilder(command).redirectErrorStream(true).start();
        byte[] out = p.getInputStream().readAllBytes();
        assertTrue(p.waitFor(900, TimeUnit.SECONDS), "the soak JVM did not finish");
        String output = new String(out, StandardCharsets.UTF_8);
        System.out.print(output);
        assertEquals(0, p.exitValue(), output);
        assertTrue(!output.contains("WARNING in native method"), output);
        return output;
    }

    private static void checkGrowth(String output, String phase, int cycles) {
        Matcher m = RESULT.matcher(output);
        assertTrue(m.find(), output);
        assertEquals(phase, m.group(1));
        assertEquals(cycles, Integer.parseInt(m.group(2)));
        long reference = Long.parseLong(m.group(3));
        long end = Long.parseLong(m.group(4));
        long peak = Long.parseLong(m.group(5));
        System.out.printf("%s: %d cycles, resident %d kB at the reference cycle, %d kB at the end "
                + "(growth %d kB), peak %d kB%n", phase, cycles, reference, end, end - reference, peak);
        assertTrue(end - reference < LIMIT_KB, phase + ": resident memory grew by " + (end - reference) + " kB");
        assertTrue(peak - reference < LIMIT_KB, phase + ": resident memory peaked " + (peak - reference) + " kB up");
    }

    @Test
    void twoThousandCyclesKeepResidentMemoryFlat() throws Exception {
        checkGrowth(runChild("soak", 2000, 100), "soak", 2000);
    }

    @Test
    void divergedSolversAreReleasedCompletely() throws Exception {
        checkGrowth(runChild("blowup", 500, 50), "blowup", 500);
    }
}
