package kestrafol;

import kestrafol.TestMeshes;
import kestrafol.solver.Settings;
import kestrafol.solver.Solver;

/** Run in a separate JVM by NativeLoaderTest: loads the library, runs a solver, says from where. */
public final class NativeLoaderProbe {
    private NativeLoaderProbe() {}

    public static void main(String[] args) {
        try (Solver solver = new Solver(TestMeshes.square(), Settings.defaults())) {
            solver.iterate();
            System.out.println("finite " + solver.analysis().isFinite());
            System.out.println("source " + NativeLoader.source());
        } catch (UnsatisfiedLinkError e) {
            System.out.println("error " + e.getMessage());
            System.exit(1);
        }
    }
}
