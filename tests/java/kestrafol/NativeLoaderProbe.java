package kestrafol;

import kestrafol.TestMeshes;
import kestrafol.solver.Settings;
import kestrafol.solver.Solver;

/**
 * Run in a separate JVM by NativeLoaderTest: loads both libraries, runs a solver on the flow
 * module, says where each came from.
 */
public final class NativeLoaderProbe {
    private NativeLoaderProbe() {}

    public static void main(String[] args) {
        try {
            NativeLoader.load();
            try (Solver solver = new Solver(TestMeshes.square(), Settings.defaults())) {
                solver.iterate();
                System.out.println("finite " + solver.analysis().isFinite());
            }
            System.out.println("source " + NativeLoader.source());
            System.out.println("flow source " + NativeLoader.flowSource());
        } catch (UnsatisfiedLinkError e) {
            System.out.println("error " + e.getMessage());
            System.exit(1);
        }
    }
}
