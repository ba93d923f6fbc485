package CFD.Solvers;

import kestrafol.TestMeshes;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assertions.fail;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.EnumMap;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.Random;
import java.util.concurrent.atomic.AtomicBoolean;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.concurrent.atomic.AtomicReference;
import org.junit.jupiter.api.Test;

/**
 * Thousands of random single corruptions of valid meshes, settings and handles. Each must end in
 * the documented exception (IllegalArgumentException for bad input to start and update,
 * IllegalStateException for a bad handle) with a message that names what is wrong, while a valid
 * solver iterating on another thread the whole time stays bit-identical to an undisturbed run.
 */
class ReliabilityCorruptionTest {
    private static final int TRIALS = 10000;
    private static final long SEED = 20_261_207L;

    enum Kind {
        ELEMENT_NODE, EDGE_NODE, NEGATIVE_COUNT, HUGE_COUNT, SHORT_ARRAY, NULL_ARRAY, BAD_COORD,
        SWAPPED_ORIENTATION, REPEATED_NODE, TAG, KIND, NOT_A_SIDE, REPEATED_EDGE, START_SETTING,
        UPDATE_SETTING, UPDATE_SHORT, HANDLE_NULL, HANDLE_LENGTH, HANDLE_RANDOM, HANDLE_MIXED,
        HANDLE_CLEANED
    }

    /** The call to make and what it must throw. */
    private static final class Trial {
        Runnable call;
        Class<? extends RuntimeException> expected;
        final List<String> fragments = new ArrayList<>();

        Trial withFragmentAlso(String fragment) {
            fragments.add(fragment);
            return this;
        }
    }

    private final Random random = new Random(SEED);
    private final List<TestMesh> bases = List.of(
            TestMesh.rectangle(3, 2, TestMeshes.Cells.MIXED),
            TestMesh.rectangle(4, 3, TestMeshes.Cells.TRIANGLES),
            TestMesh.rectangle(3, 3, TestMeshes.Cells.QUADS),
            ReliabilityCases.circle(10, 4));
    private long[] victim;  // target of update and handle corruptions; only ever refused
    private long[] bystander;
    private final List<long[]> dead = new ArrayList<>();

    @Test
    void randomSingleCorruptionsAreRefusedAndDisturbNothing() throws Exception {
        TestMesh victimMesh = TestMesh.rectangle(5, 3, TestMeshes.Cells.MIXED);
        victim = victimMesh.start();
        for (int d = 0; d < 40; ++d) {
            long[] h = bases.get(d % bases.size()).start();
            EulerSolver.iterate(h);
            EulerSolver.cleanup(h);
            dead.add(h);
        }

        // The bystander iterates on its own thread for as long as the corruptions go on.
        TestMesh bystanderMesh = ReliabilityCases.config(1);
        bystander = bystanderMesh.start();
        AtomicBoolean done = new AtomicBoolean(false);
        AtomicInteger bystanderSteps = new AtomicInteger();
        AtomicReference<Throwable> bystanderFailure = new AtomicReference<>();
        AtomicReference<double[]> bystanderState = new AtomicReference<>();
        Thread beside = new Thread(() -> {
            try {
                while (!done.get()) {
                    bystanderState.set(EulerSolver.iterate(bystander));
                    bystanderSteps.incrementAndGet();
                }
            } catch (Throwable t) {
                bystanderFailure.set(t);
            }
        });
        beside.start();

        Map<Kind, Integer> tried = new EnumMap<>(Kind.class);
        Kind[] kinds = Kind.values();
        int victimSteps = 0;
        for (int t = 0; t < TRIALS; ++t) {
            Kind kind = kinds[random.nextInt(kinds.length)];
            TestMesh mesh = bases.get(random.nextInt(bases.size())).copy();
            Trial trial = corrupt(kind, mesh);
            check(t, kind, trial);
            tried.merge(kind, 1, Integer::sum);
            if (t % 100 == 99) {
                EulerSolver.iterate(victim);  // the victim keeps answering
                victimSteps++;
            }
        }
        done.set(true);
        beside.join();
        assertNull(bystanderFailure.get(), () -> "the bystander failed: " + bystanderFailure.get());

        // Undisturbed runs of the same number of steps give the same bits.
        assertTrue(bystanderSteps.get() > 0);
        double[] disturbed = bystanderState.get();
        double[] disturbedAnalysis = EulerSolver.analysis(bystander);
        EulerSolver.cleanup(bystander);
        long[] twin = bystanderMesh.start();
        double[] undisturbed = null;
        for (int s = 0; s < bystanderSteps.get(); ++s) {
            undisturbed = EulerSolver.iterate(twin);
        }
        assertArrayEquals(undisturbed, disturbed, "bystander after " + bystanderSteps.get() + " steps");
        assertArrayEquals(EulerSolver.analysis(twin), disturbedAnalysis);
        EulerSolver.cleanup(twin);

        // The victim took only refusals besides its own steps: its settings never changed.
        double[] victimState = EulerSolver.iterate(victim);
        EulerSolver.cleanup(victim);
        assertArrayEquals(ReliabilityCases.run(victimMesh, victimSteps + 1), victimState);

        int total = tried.values().stream().mapToInt(Integer::intValue).sum();
        assertEquals(TRIALS, total);
        assertEquals(kinds.length, tried.size(), "every kind of corruption was tried");
        System.out.println("corruption trials: " + total + " " + tried + "; bystander steps "
                + bystanderSteps.get() + " bit-identical");
    }

    private void check(int t, Kind kind, Trial trial) {
        try {
            trial.call.run();
        } catch (RuntimeException e) {
            assertEquals(trial.expected, e.getClass(), () -> "trial " + t + " " + kind + ": " + e);
            for (String fragment : trial.fragments) {
                assertTrue(e.getMessage() != null && e.getMessage().contains(fragment),
                        () -> "trial " + t + " " + kind + ": message \"" + e.getMessage() + "\" lacks \""
                                + fragment + "\"");
            }
            return;
        }
        fail("trial " + t + " " + kind + " was accepted; expected " + trial.expected.getSimpleName()
                + " with " + trial.fragments);
    }

    private Trial refusedStart(TestMesh mesh, String fragment) {
        Trial trial = new Trial().withFragmentAlso(fragment);
        trial.expected = IllegalArgumentException.class;
        trial.call = () -> {
            long[] handle = mesh.start();
            EulerSolver.cleanup(handle);  // accepted: release it, the check then fails
        };
        return trial;
    }

    private Trial refusedHandle(long[] handle, String fragment) {
        Trial trial = new Trial().withFragmentAlso(fragment);
        trial.expected = IllegalStateException.class;
        double[] parameters = TestMesh.parameters(0.5, 1.0);
        switch (random.nextInt(4)) {
            case 0:
                trial.call = () -> EulerSolver.iterate(handle);
                break;
            case 1:
                trial.call = () -> EulerSolver.analysis(handle);
                break;
            case 2:
                trial.call = () -> EulerSolver.update(handle, parameters);
                break;
            default:
                trial.call = () -> EulerSolver.cleanup(handle);
                break;
        }
        return trial;
    }

    private Trial refusedUpdate(double[] parameters, String fragment) {
        Trial trial = new Trial().withFragmentAlso(fragment);
        trial.expected = IllegalArgumentException.class;
        trial.call = () -> EulerSolver.update(victim, parameters);
        return trial;
    }

    // A value outside [low, high] (inclusive), drawn from near and far.
    private int outside(int low, int high) {
        switch (random.nextInt(4)) {
            case 0:
                return low - 1 - random.nextInt(3);
            case 1:
                return high + 1 + random.nextInt(3);
            case 2:
                return random.nextBoolean() ? Integer.MIN_VALUE : Integer.MAX_VALUE;
            default:
                int v = random.nextInt();
                return v >= low && v <= high ? (v >= 0 ? Integer.MAX_VALUE - random.nextInt(100) : Integer.MIN_VALUE) : v;
        }
    }

    private Trial corrupt(Kind kind, TestMesh m) {
        switch (kind) {
            case ELEMENT_NODE: {
                boolean tri = m.quadCount == 0 || (m.triangleCount > 0 && random.nextBoolean());
                int[] nodes = tri ? m.triangles : m.quads;
                int i = random.nextInt(nodes.length);
                nodes[i] = outside(1, m.nodeCount);
                return refusedStart(m, (tri ? "triangles[" : "quads[") + i + "] is " + nodes[i]
                        + "; element node numbers run from 1 to nodeCount");
            }
            case EDGE_NODE: {
                int i = 3 * random.nextInt(m.boundaryEdgeCount) + random.nextInt(2);
                m.boundaryEdges[i] = outside(0, m.nodeCount - 1);
                return refusedStart(m, "boundaryEdges[" + i + "] is " + m.boundaryEdges[i]
                        + "; boundary-edge node numbers run from 0");
            }
            case NEGATIVE_COUNT: {
                int v = random.nextBoolean() ? -1 - random.nextInt(Integer.MAX_VALUE) : -1 - random.nextInt(5);
                String name = setCount(m, random.nextInt(5), v);
                return refusedStart(m, name + " is " + v + "; a count must not be negative");
            }
            case HUGE_COUNT: {
                int which = random.nextInt(5);
                int current = count(m, which);
                int v = random.nextBoolean() ? current + 1 + random.nextInt(3)
                        : current + 1 + random.nextInt(Integer.MAX_VALUE - current);
                String name = setCount(m, which, v);
                return refusedStart(m, name);
            }
            case SHORT_ARRAY: {
                int which = random.nextInt(6);
                if (which == 2 && m.quadCount == 0) {
                    which = 1;
                }
                if (which == 1 && m.triangleCount == 0) {
                    which = 2;
                }
                String name = shorten(m, which);
                return refusedStart(m, name + " has ");
            }
            case NULL_ARRAY: {
                int which = random.nextInt(6);
                if (which == 2 && m.quadCount == 0) {
                    which = 1;
                }
                if (which == 1 && m.triangleCount == 0) {
                    which = 2;
                }
                String name = nullify(m, which);
                return refusedStart(m, name + " is null");
            }
            case BAD_COORD: {
                int i = random.nextInt(m.coords.length);
                double[] bad = {Double.NaN, Double.POSITIVE_INFINITY, Double.NEGATIVE_INFINITY};
                m.coords[i] = bad[random.nextInt(3)];
                String shown = Double.isNaN(m.coords[i]) ? "NaN" : m.coords[i] > 0 ? "Infinity" : "-Infinity";
                return refusedStart(m, "coords[" + i + "] is " + shown + "; coordinates must be finite");
            }
            case SWAPPED_ORIENTATION: {
                boolean tri = m.quadCount == 0 || (m.triangleCount > 0 && random.nextBoolean());
                int per = tri ? 3 : 4;
                int[] nodes = tri ? m.triangles : m.quads;
                int e = random.nextInt(nodes.length / per);
                for (int a = per * e, b = per * e + per - 1; a < b; ++a, --b) {
                    int swap = nodes[a];
                    nodes[a] = nodes[b];
                    nodes[b] = swap;
                }
                return refusedStart(m, "(" + (tri ? "triangle " : "quadrilateral ") + e + ") is ");
            }
            case REPEATED_NODE: {
                boolean tri = m.quadCount == 0 || (m.triangleCount > 0 && random.nextBoolean());
                int per = tri ? 3 : 4;
                int[] nodes = tri ? m.triangles : m.quads;
                int e = random.nextInt(nodes.length / per);
                int j = random.nextInt(per);
                int k = (j + 1 + random.nextInt(per - 1)) % per;
                nodes[per * e + j] = nodes[per * e + k];
                return refusedStart(m, "(" + (tri ? "triangle " : "quadrilateral ") + e + ") is {")
                        .withFragmentAlso(": it repeats node " + nodes[per * e + k]);
            }
            case TAG: {
                int i = 3 * random.nextInt(m.boundaryEdgeCount) + 2;
                m.boundaryEdges[i] = outside(1, m.boundaryKindCount);
                return refusedStart(m, "boundaryEdges[" + i + "] is " + m.boundaryEdges[i] + "; boundary tags run from 1");
            }
            case KIND: {
                int t = random.nextInt(m.boundaryKindCount);
                m.boundaryKinds[t] = outside(1, 3);
                return refusedStart(m, "boundaryKinds[" + t + "] is " + m.boundaryKinds[t] + "; a boundary kind is");
            }
            case NOT_A_SIDE: {
                Map<Long, Integer> sides = sides(m);
                int e = random.nextInt(m.boundaryEdgeCount);
                int a;
                int b;
                int owners;
                do {
                    a = random.nextInt(m.nodeCount);
                    b = random.nextInt(m.nodeCount);
                    owners = sides.getOrDefault(key(a, b), 0);
                } while (a == b || owners == 1);
                m.boundaryEdges[3 * e] = a;
                m.boundaryEdges[3 * e + 1] = b;
                return refusedStart(m, "(boundary edge " + e + ") is {" + a + ", " + b + "}: it is a side of "
                        + owners + " elements");
            }
            case REPEATED_EDGE: {
                int e = random.nextInt(m.boundaryEdgeCount);
                int f = (e + 1 + random.nextInt(m.boundaryEdgeCount - 1)) % m.boundaryEdgeCount;
                boolean reversed = random.nextBoolean();
                m.boundaryEdges[3 * e] = m.boundaryEdges[3 * f + (reversed ? 1 : 0)];
                m.boundaryEdges[3 * e + 1] = m.boundaryEdges[3 * f + (reversed ? 0 : 1)];
                return refusedStart(m, "(boundary edge " + Math.max(e, f) + ") is {")
                        .withFragmentAlso(": it repeats boundary edge " + Math.min(e, f));
            }
            case START_SETTING: {
                String fragment = corruptSettings(m.parameters);
                return refusedStart(m, fragment);
            }
            case UPDATE_SETTING: {
                double[] p = TestMesh.parameters(0.6, 3.0);
                return refusedUpdate(p, corruptSettings(p));
            }
            case UPDATE_SHORT: {
                if (random.nextInt(4) == 0) {
                    return refusedUpdate(null, "parameters is null");
                }
                int length = random.nextInt(16);
                return refusedUpdate(new double[length], "parameters has " + length + " values; it must hold 16");
            }
            case HANDLE_NULL:
                return refusedHandle(null, "handle is null");
            case HANDLE_LENGTH: {
                int length = random.nextBoolean() ? 1 : random.nextInt(8);
                if (length == 2) {
                    length = 3;
                }
                long[] h = new long[length];
                for (int i = 0; i < length; ++i) {
                    h[i] = random.nextBoolean() ? victim[i % 2] : random.nextLong();
                }
                return refusedHandle(h, "handle has " + length + " elements; a solver handle has 2");
            }
            case HANDLE_RANDOM:
                return refusedHandle(new long[] {random.nextLong(), random.nextLong()}, "names no live solver");
            case HANDLE_MIXED: {
                long[][] choices = {
                    {victim[0], bystander[1]}, {bystander[0], victim[1]}, {victim[1], victim[0]},
                    {victim[0], victim[1] + 8 * (1 + random.nextInt(100))},
                    {victim[0] + 8 * (1 + random.nextInt(100)), victim[1]}, {victim[0], 0}, {0, victim[1]}
                };
                return refusedHandle(choices[random.nextInt(choices.length)], "names no live solver");
            }
            case HANDLE_CLEANED: {
                long[] h = dead.get(random.nextInt(dead.size()));
                return refusedHandle(h.clone(), "names no live solver");
            }
            default:
                throw new AssertionError(kind);
        }
    }

    /** Corrupts one checked settings entry (or two for the Reynolds rule); returns the message fragment. */
    private String corruptSettings(double[] p) {
        double[] nonFinite = {Double.NaN, Double.POSITIVE_INFINITY, Double.NEGATIVE_INFINITY};
        switch (random.nextInt(5)) {
            case 0: {  // integer entries
                int[] entries = {1, 3, 5, 6, 13};
                int i = entries[random.nextInt(entries.length)];
                double[] bad = {Double.NaN, Double.POSITIVE_INFINITY, Double.NEGATIVE_INFINITY, 2147483648.0,
                    -2147483649.0, 1e300, -1e19, 2147483648.0 + random.nextInt(1 << 30)};
                p[i] = bad[random.nextInt(bad.length)];
                return "parameters[" + i + "] (";
            }
            case 1: {  // gamma
                double[] bad = {Double.NaN, Double.POSITIVE_INFINITY, Double.NEGATIVE_INFINITY, 1.0, 0.0, -1.4,
                    1.0 - random.nextDouble()};
                p[11] = bad[random.nextInt(bad.length)];
                return "parameters[11] (gamma) is ";
            }
            case 2: {  // mach, alpha, reynolds
                int[] entries = {10, 12, 14};
                int i = entries[random.nextInt(entries.length)];
                p[i] = nonFinite[random.nextInt(3)];
                return "parameters[" + i + "] (";
            }
            case 3: {  // reynolds not above 0 with the viscous terms on
                p[13] = random.nextBoolean() ? 1.0 : -1.5;
                p[14] = random.nextBoolean() ? 0.0 : -random.nextDouble() * 1000.0;
                return "parameters[14] (reynolds) is ";
            }
            default: {  // gamma just at or below 1
                p[11] = random.nextBoolean() ? 1.0 : Math.nextDown(1.0);
                return "parameters[11] (gamma) is ";
            }
        }
    }

    private static int count(TestMesh m, int which) {
        switch (which) {
            case 0:
                return m.nodeCount;
            case 1:
                return m.triangleCount;
            case 2:
                return m.quadCount;
            case 3:
                return m.boundaryEdgeCount;
            default:
                return m.boundaryKindCount;
        }
    }

    private static String setCount(TestMesh m, int which, int value) {
        switch (which) {
            case 0:
                m.nodeCount = value;
                return "nodeCount";
            case 1:
                m.triangleCount = value;
                return "triangleCount";
            case 2:
                m.quadCount = value;
                return "quadCount";
            case 3:
                m.boundaryEdgeCount = value;
                return "boundaryEdgeCount";
            default:
                m.boundaryKindCount = value;
                return "boundaryKindCount";
        }
    }

    private String shorten(TestMesh m, int which) {
        switch (which) {
            case 0:
                m.coords = Arrays.copyOf(m.coords, random.nextInt(m.coords.length));
                return "coords";
            case 1:
                m.triangles = Arrays.copyOf(m.triangles, random.nextInt(m.triangles.length));
                return "triangles";
            case 2:
                m.quads = Arrays.copyOf(m.quads, random.nextInt(m.quads.length));
                return "quads";
            case 3:
                m.boundaryEdges = Arrays.copyOf(m.boundaryEdges, random.nextInt(m.boundaryEdges.length));
                return "boundaryEdges";
            case 4:
                m.boundaryKinds = Arrays.copyOf(m.boundaryKinds, random.nextInt(m.boundaryKinds.length));
                return "boundaryKinds";
            default:
                m.parameters = Arrays.copyOf(m.parameters, random.nextInt(16));
                return "parameters";
        }
    }

    private static String nullify(TestMesh m, int which) {
        switch (which) {
            case 0:
                m.coords = null;
                return "coords";
            case 1:
                m.triangles = null;
                return "triangles";
            case 2:
                m.quads = null;
                return "quads";
            case 3:
                m.boundaryEdges = null;
                return "boundaryEdges";
            case 4:
                m.boundaryKinds = null;
                return "boundaryKinds";
            default:
                m.parameters = null;
                return "parameters";
        }
    }

    private static long key(int a, int b) {
        return ((long) Math.min(a, b) << 32) | Math.max(a, b);
    }

    /** How many elements own each side (0-based node pair). */
    private static Map<Long, Integer> sides(TestMesh m) {
        Map<Long, Integer> sides = new HashMap<>();
        for (int e = 0; e < m.triangleCount; ++e) {
            for (int j = 0; j < 3; ++j) {
                sides.merge(key(m.triangles[3 * e + j] - 1, m.triangles[3 * e + (j + 1) % 3] - 1), 1, Integer::sum);
            }
        }
        for (int e = 0; e < m.quadCount; ++e) {
            for (int j = 0; j < 4; ++j) {
                sides.merge(key(m.quads[4 * e + j] - 1, m.quads[4 * e + (j + 1) % 4] - 1), 1, Integer::sum);
            }
        }
        return sides;
    }
}
