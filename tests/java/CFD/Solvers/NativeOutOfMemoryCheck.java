package CFD.Solvers;

import kestrafol.TestMeshes;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import org.junit.jupiter.api.Test;

/**
 * Runs in a JVM whose address space is limited (see tests/java/CMakeLists.txt): a mesh whose
 * native copies and solver arrays do not fit makes start throw OutOfMemoryError, and everything
 * allocated up to the failure is released, so a small solver still starts afterwards.
 */
class NativeOutOfMemoryCheck {
    /** Triangulated n x n square; about 1.5 kB of native memory per node once set up. */
    private static TestMesh square(int n) {
        TestMesh m = TestMesh.rectangle(n, n, TestMeshes.Cells.TRIANGLES);
        m.boundaryKinds = new int[] {1, 1, 1, 1};
        return m;
    }

    @Test
    void failedNativeAllocationBecomesOutOfMemoryErrorAndLeaksNothing() {
        TestMesh big = square(1200);  // 1.44 million nodes: more than the limit leaves
        TestMesh small = square(10);
        for (int attempt = 0; attempt < 5; ++attempt) {
            OutOfMemoryError error = assertThrows(OutOfMemoryError.class, big::start);
            System.out.println("attempt " + attempt + ": " + error.getMessage());
            long[] handle = small.start();
            assertEquals(4 * small.nodeCount, EulerSolver.iterate(handle).length);
            EulerSolver.cleanup(handle);
        }
    }
}
