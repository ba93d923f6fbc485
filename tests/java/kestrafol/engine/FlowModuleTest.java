package kestrafol.engine;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import CFD.Solvers.EulerSolver;
import java.util.Arrays;
import java.util.List;
import java.util.function.Consumer;
import kestrafol.TestMeshes;
import org.junit.jupiter.api.Test;

/**
 * The flow module through JNI: the same steps as the host class, bit for bit; a field read back
 * and handed to a new solver continues it exactly; every refusal of the session arrives as the
 * right Java exception with its message; the two libraries keep their solvers apart.
 */
class FlowModuleTest {
    private static final TestMeshes.Raw MESH = TestMeshes.circle(16, 6, 20.0, true);

    /** Second order, unsteady (time mode 1): every time level matters. */
    private static double[] parameters() {
        double[] p = new double[16];
        p[1] = 2;
        p[5] = 1;
        p[6] = 1;
        p[10] = 0.5;
        p[11] = 1.4;
        p[12] = 2.0;
        return p;
    }

    private static long[] start(double[] p) {
        return FlowModule.start(MESH.nodeCount(), MESH.coords(), MESH.triangleCount(),
                MESH.triangles(), MESH.quadCount(), MESH.quads(), MESH.boundaryEdges().length / 3,
                MESH.boundaryEdges(), MESH.boundaryKinds().length, MESH.boundaryKinds(), p);
    }

    private static long[] startFrom(double[] p, double[][] levels) {
        return FlowModule.startFromField(MESH.nodeCount(), MESH.coords(), MESH.triangleCount(),
                MESH.triangles(), MESH.quadCount(), MESH.quads(), MESH.boundaryEdges().length / 3,
                MESH.boundaryEdges(), MESH.boundaryKinds().length, MESH.boundaryKinds(), p,
                levels[0], levels[1], levels[2], levels[3], levels[4]);
    }

    private static double[][] levels(long[] handle) {
        double[] all = FlowModule.field(handle);
        int n = (all.length - 8) / 4;
        double[][] levels = new double[5][];
        for (int k = 0; k < 4; k++) {
            levels[k] = Arrays.copyOfRange(all, k * n, (k + 1) * n);
        }
        levels[4] = Arrays.copyOfRange(all, 4 * n, all.length);
        return levels;
    }

    @Test
    void stepsAsTheHostClassAndContinuesFromAFieldBitForBit() {
        double[] p = parameters();
        long[] host = EulerSolver.start(MESH.nodeCount(), MESH.coords(), MESH.triangleCount(),
                MESH.triangles(), MESH.quadCount(), MESH.quads(), MESH.boundaryEdges().length / 3,
                MESH.boundaryEdges(), MESH.boundaryKinds().length, MESH.boundaryKinds(), p);
        long[] module = start(p);
        for (int call = 0; call < 6; call++) {
            assertArrayEquals(EulerSolver.iterate(host), FlowModule.iterate(module), "call " + call);
        }
        assertArrayEquals(EulerSolver.analysis(host), FlowModule.analysis(module));
        // A handle of one library names no solver in the other.
        assertThrows(IllegalStateException.class, () -> FlowModule.iterate(host));
        assertThrows(IllegalStateException.class, () -> EulerSolver.iterate(module));

        long[] resumed = startFrom(p, levels(module));
        for (int call = 0; call < 4; call++) {
            assertArrayEquals(EulerSolver.iterate(host), FlowModule.iterate(resumed), "after " + call);
        }
        assertArrayEquals(EulerSolver.analysis(host), FlowModule.analysis(resumed));
        for (long[] h : List.of(module, resumed)) {
            FlowModule.cleanup(h);
        }
        EulerSolver.cleanup(host);
    }

    @Test
    void methodOptionsContinueFromTheirMemoryBitForBit() {
        // Step control, the smooth limiter and the vortex far field: the Courant number grown so
        // far, the residual peak and the circulation must carry over, or the copy drifts.
        double[] p = Arrays.copyOf(parameters(), 23);
        p[5] = 0;  // steady: step control acts in steady runs only
        System.arraycopy(new double[] {1, 5, 1000, 0, 1, 5, 1}, 0, p, 16, 7);
        long[] original = start(p);
        long[] host = EulerSolver.start(MESH.nodeCount(), MESH.coords(), MESH.triangleCount(),
                MESH.triangles(), MESH.quadCount(), MESH.quads(), MESH.boundaryEdges().length / 3,
                MESH.boundaryEdges(), MESH.boundaryKinds().length, MESH.boundaryKinds(), p);
        double[] first = FlowModule.iterate(original);
        for (int call = 0; call < 60; call++) {  // until the residual falls and the number grows
            FlowModule.iterate(original);
        }
        // The host class ignores the entries after 16: its method is the library's own.
        assertFalse(Arrays.equals(first, EulerSolver.iterate(host)));
        long[] copy = startFrom(p, levels(original));
        for (int call = 0; call < 4; call++) {
            assertArrayEquals(FlowModule.iterate(original), FlowModule.iterate(copy), "after " + call);
        }
        for (long[] h : List.of(original, copy)) {
            FlowModule.cleanup(h);
        }
        EulerSolver.cleanup(host);
    }

    @Test
    void refusalsArriveAsJavaExceptionsNamingIndexAndValue() {
        long[] h = start(parameters());
        FlowModule.iterate(h);
        double[][] good = levels(h);
        record Refusal(String what, Consumer<double[][]> fault, String message) {
        }
        int values = good[0].length;
        List<Refusal> table = List.of(
                new Refusal("null state", f -> f[0] = null, "state is null; it must hold 4 values"
                        + " per node, " + values),
                new Refusal("short level", f -> f[2] = Arrays.copyOf(f[2], values - 4),
                        "statePrev2 has " + (values - 4) + " values"),
                new Refusal("NaN", f -> f[1][9] = Double.NaN,
                        "statePrev[9] is NaN; a flow field must be finite"),
                new Refusal("density", f -> f[0][4] = -0.5,
                        "state[4] is -0.5 (node 1); density must be above 0"),
                new Refusal("pressure", f -> f[0][3] = 0.0, "state[3] is 0 (node 0), which gives"
                        + " pressure -"),
                new Refusal("increment", f -> f[3][0] = Double.NEGATIVE_INFINITY,
                        "delta[0] is -Infinity; a flow field must be finite"),
                new Refusal("memory length", f -> f[4] = new double[7],
                        "memory has 7 values; it must hold 8"),
                new Refusal("memory counter", f -> f[4][7] = 0.5,
                        "memory[7] is 0.5; it must be finite, a whole number"));
        for (Refusal r : table) {
            double[][] field = new double[5][];
            for (int k = 0; k < 5; k++) {
                field[k] = good[k].clone();
            }
            r.fault().accept(field);
            IllegalArgumentException e = assertThrows(IllegalArgumentException.class,
                    () -> startFrom(parameters(), field), r.what());
            assertTrue(e.getMessage().startsWith(r.message()), r.what() + ": " + e.getMessage());
        }
        double[] shortSettings = Arrays.copyOf(parameters(), 15);
        assertThrows(IllegalArgumentException.class, () -> startFrom(shortSettings, good));
        // Entries after 16 are the method options, checked as the settings are.
        double[] longer = Arrays.copyOf(parameters(), 21);
        FlowModule.cleanup(startFrom(Arrays.copyOf(longer, 17), good));
        longer[17] = 5;
        longer[18] = 50;
        longer[20] = 2;
        assertEquals("parameters[20] (limiter) is 2; it must be 0 or 1",
                assertThrows(IllegalArgumentException.class, () -> startFrom(longer, good))
                        .getMessage());
        assertThrows(IllegalArgumentException.class,
                () -> startFrom(Arrays.copyOf(parameters(), 25), good));
        FlowModule.cleanup(h);
        assertEquals("handle is null; pass the handle that start returned",
                assertThrows(IllegalStateException.class, () -> FlowModule.field(null))
                        .getMessage());
        assertThrows(IllegalStateException.class, () -> FlowModule.field(h));
    }
}
