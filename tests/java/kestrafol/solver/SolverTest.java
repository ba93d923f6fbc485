package kestrafol.solver;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.List;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.concurrent.atomic.AtomicReference;
import kestrafol.mesh.Mesh;
import kestrafol.meshing.MeshGenerator;
import kestrafol.mesh.Renumbering;
import org.junit.jupiter.api.Test;

class SolverTest {

    /** Quadrilaterals keep the mesh mirror-symmetric about the x axis. */
    private static Mesh circle() {
        return MeshGenerator.circle(MeshGenerator.Options.resolution(32).withQuads(true));
    }

    @Test
    void lifeCycleAndIdempotentClose() {
        Mesh mesh = circle();
        Settings s = TestSettings.of(0.4, 0);
        Solver solver = new Solver(mesh, s);
        double[] before = solver.state();
        assertArrayEquals(Flow.freeStream(mesh.nodeCount(), s), before);
        double[] state = solver.iterate();
        assertEquals(4 * mesh.nodeCount(), state.length);
        assertEquals(1, solver.iterations());
        assertArrayEquals(state, solver.state());
        Analysis a = solver.analysis();
        assertTrue(a.isFinite() && a.residualNorm() > 0, a.toString());
        assertEquals(a.lift() / a.drag(), a.liftToDrag(), 1e-12 * Math.abs(a.liftToDrag()));
        solver.update(TestSettings.of(0.5, s.alphaDegrees()));
        assertEquals(0.5, solver.settings().mach());
        solver.close();
        solver.close();
        assertThrows(IllegalStateException.class, solver::iterate);
        assertThrows(IllegalStateException.class, solver::analysis);
        assertThrows(IllegalStateException.class, () -> solver.update(s));
    }

    @Test
    void closeOnAnotherThreadWaitsForTheRunningIterateAndReleasesTheSolver() throws Exception {
        // Large enough that an iterate takes a while: the worker is inside the library nearly
        // all the time, so close() lands during a call.
        Mesh mesh = MeshGenerator.naca("0012", MeshGenerator.Options.resolution(192));
        for (int round = 0; round < 4; round++) {
            Solver solver = new Solver(mesh, Settings.defaults());
            long[] handle = solver.nativeHandle();
            CountDownLatch firstDone = new CountDownLatch(1);
            AtomicInteger completed = new AtomicInteger();
            AtomicReference<Throwable> ended = new AtomicReference<>();
            Thread worker = new Thread(() -> {
                try {
                    while (true) {
                        solver.iterate();
                        completed.incrementAndGet();
                        firstDone.countDown();
                    }
                } catch (Throwable t) {
                    ended.set(t);
                    firstDone.countDown();
                }
            });
            worker.start();
            firstDone.await();
            Thread.sleep(round * 3L);
            solver.close();
            worker.join(60_000);
            assertTrue(!worker.isAlive(), "the worker stops once the solver is closed");
            Throwable t = ended.get();
            assertTrue(t instanceof IllegalStateException && t.getMessage().contains("closed"),
                    "the worker's next call finds the solver closed: " + t);
            assertTrue(completed.get() >= 1);
            // Released: the library no longer knows the handle.
            IllegalStateException gone = assertThrows(IllegalStateException.class,
                    () -> kestrafol.engine.FlowModule.iterate(handle));
            assertTrue(gone.getMessage().contains("names no live solver"), gone.getMessage());
            solver.close();
            assertThrows(IllegalStateException.class, solver::nativeHandle);
        }
    }

    @Test
    void badInputFromTheLibraryIsAnException() {
        Mesh mesh = circle();
        try (Solver solver = new Solver(mesh, Settings.defaults())) {
            // update takes Settings, which refuse a gamma of 1 before the library sees it.
            assertThrows(IllegalArgumentException.class, () -> solver.update(
                    new Settings(0.8, 1.25, 1.0, true, 0.5, false, false, 1)));
            solver.iterate();
        }
    }

    @Test
    void renumberedRunsAreMappedBackToTheMeshNumbering() {
        // The solver runs on the reverse Cuthill-McKee numbering and hands out states in the
        // numbering of its mesh: exactly the states of a run on the renumbered mesh, mapped back.
        Mesh mesh = circle();
        Settings s = TestSettings.of(0.5, 2);
        Renumbering rcm = Renumbering.reverseCuthillMcKee(mesh);
        try (Solver wrapped = new Solver(mesh, s, true);
                Solver direct = new Solver(rcm.apply(mesh), s, false);
                Solver plain = new Solver(mesh, s, false)) {
            for (int it = 0; it < 20; it++) {
                double[] a = wrapped.iterate();
                assertArrayEquals(rcm.toOriginal(direct.iterate(), 4), a);
                plain.iterate();
            }
            assertEquals(direct.analysis(), wrapped.analysis());
            // Without renumbering the sweeps run in another order: a different path to the
            // same flow.
            double[] a = wrapped.state();
            double[] p = plain.state();
            double diff = 0;
            for (int i = 0; i < a.length; i++) {
                diff = Math.max(diff, Math.abs(a[i] - p[i]));
            }
            assertTrue(diff > 0 && diff < 0.1, "difference " + diff);
        }
    }

    @Test
    void firstOrderSubsonicFlowConvergesToASymmetricAnswer() {
        // A circle at Mach 0.3 in first order: the residual falls by several orders and the lift
        // of this symmetric body at zero incidence vanishes.
        Mesh mesh = circle();
        Settings s = TestSettings.of(0.3, 0).withSecondOrder(false);
        try (Solver solver = new Solver(mesh, s)) {
            solver.iterate();
            double first = solver.analysis().residualNorm();
            Analysis last = null;
            for (int it = 0; it < 1500; it++) {
                solver.iterate();
                last = solver.analysis();
            }
            assertTrue(last.residualNorm() < 1e-4 * first, last.toString());
            assertEquals(0, last.lift(), 1e-6);
            Flow flow = solver.flow();
            assertTrue(flow.isPhysical());
            // Stagnation at the front of the circle (node 16 of the ring, at the origin): the
            // highest wall pressure; suction at the top; upper and lower sides mirror each other.
            assertEquals(0.0, mesh.x(16), 1e-12);
            for (int i = 1; i < 32; i++) {
                assertTrue(flow.pressureCoefficient(i) <= flow.pressureCoefficient(16), "node " + i);
                assertEquals(flow.pressureCoefficient(i), flow.pressureCoefficient(32 - i), 1e-6);
            }
            assertTrue(flow.pressureCoefficient(16) > 1);
            assertTrue(flow.pressureCoefficient(8) < -1);
        }
    }

    @Test
    void meshesTakeTheirKindsIntoTheSolver() {
        // All far field: no wall, so no force; the library reports CL = CD = 0 and L/D = NaN.
        Mesh mesh = BoundaryConditions.defaults(false).with("circle=farfield").apply(circle());
        assertEquals(List.of("circle", "farfield"), mesh.boundaryNames());
        try (Solver solver = new Solver(mesh, Settings.defaults())) {
            solver.iterate();
            Analysis a = solver.analysis();
            assertEquals(0.0, a.lift());
            assertEquals(0.0, a.drag());
            assertTrue(Double.isNaN(a.liftToDrag()));
        }
    }
}
