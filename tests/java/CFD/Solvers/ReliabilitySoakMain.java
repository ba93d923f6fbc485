package CFD.Solvers;

import kestrafol.TestMeshes;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Paths;

/**
 * The soak run, in a JVM of its own whose heap is fixed and touched in advance, so that its
 * resident memory moves only with native memory. Phase "soak": cycles of start, 10 iterate
 * calls, analysis, cleanup, rotating through four kinds of run. Phase "blowup": cycles that drive
 * a solver to non-finite values before cleaning it up. Prints one "rss" line per 100 cycles and a
 * closing "result" line: cycles, resident memory at the reference cycle and at the end, in kB.
 */
final class ReliabilitySoakMain {
    private ReliabilitySoakMain() {}

    static long residentKb() throws IOException {
        for (String line : Files.readAllLines(Paths.get("/proc/self/status"))) {
            if (line.startsWith("VmRSS:")) {
                return Long.parseLong(line.replaceAll("[^0-9]", ""));
            }
        }
        throw new IllegalStateException("no VmRSS in /proc/self/status");
    }

    private static void soakCycle(TestMesh mesh) {
        long[] handle = mesh.start();
        double[] state = null;
        for (int s = 0; s < 10; ++s) {
            state = EulerSolver.iterate(handle);
        }
        double[] analysis = EulerSolver.analysis(handle);
        EulerSolver.cleanup(handle);
        if (state.length != 4 * mesh.nodeCount || analysis.length != 5 || !ReliabilityCases.allFinite(state)) {
            throw new IllegalStateException("a soak cycle gave a wrong result");
        }
    }

    private static void blowUpCycle(TestMesh mesh) {
        long[] handle = mesh.start();
        for (int s = 0; s < 5; ++s) {
            EulerSolver.iterate(handle);
        }
        EulerSolver.update(handle, ReliabilityBlowUpTest.divergingParameters());
        double[] state = null;
        for (int s = 0; s < 10; ++s) {
            state = EulerSolver.iterate(handle);
        }
        double[] analysis = EulerSolver.analysis(handle);
        EulerSolver.cleanup(handle);
        if (ReliabilityCases.allFinite(state) || Double.isFinite(analysis[1])) {
            throw new IllegalStateException("a blow-up cycle stayed finite");
        }
    }

    public static void main(String[] args) throws IOException {
        String phase = args[0];
        int cycles = Integer.parseInt(args[1]);
        int referenceCycle = Integer.parseInt(args[2]);
        TestMesh[] meshes = new TestMesh[4];
        for (int k = 0; k < 4; ++k) {
            meshes[k] = ReliabilityCases.config(k);
        }
        TestMesh blowUpMesh = TestMesh.rectangle(8, 4, TestMeshes.Cells.MIXED);
        long reference = -1;
        long peak = 0;
        long start = System.nanoTime();
        for (int c = 1; c <= cycles; ++c) {
            if (phase.equals("soak")) {
                soakCycle(meshes[c % 4]);
            } else {
                blowUpCycle(blowUpMesh);
            }
            if (c == referenceCycle) {
                reference = residentKb();
            }
            if (c >= referenceCycle) {
                peak = Math.max(peak, residentKb());
            }
            if (c % 100 == 0) {
                System.out.println("rss " + c + " " + residentKb());
            }
        }
        long end = residentKb();
        System.out.printf("result %s cycles=%d rssAtReference=%d rssEnd=%d rssPeak=%d seconds=%.1f%n", phase,
                cycles, reference, end, peak, (System.nanoTime() - start) / 1e9);
    }
}
