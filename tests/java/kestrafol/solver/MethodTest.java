package kestrafol.solver;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import org.junit.jupiter.api.Test;

/**
 * --method as written and as the flow module reads it: every name reads back as the method it
 * names, the entries after the 16 settings sit where the library reads them, and a wrong word
 * or value is refused naming the part.
 */
class MethodTest {
    @Test
    void namesReadBackAndEntriesSitWhereTheLibraryReadsThem() {
        String[][] cases = {
            {"standard", "standard", ""},
            {"courant", "courant", "1 5 1000 0 0 5 0 20"},
            {" Smooth-Limiter=2.5 , vortex", "smooth-limiter=2.5,vortex", "0 5 1000 0 1 2.5 1 20"},
            {"vortex,courant=3/400,symmetric,sweeps=4", "courant=3/400,symmetric,vortex,sweeps=4",
                "1 3 400 1 0 5 1 4"},
        };
        for (String[] c : cases) {
            Method m = Method.parse(c[0]);
            assertEquals(c[1], m.name(), c[0]);
            assertEquals(m, Method.parse(m.name()), c[0]);
            double[] expected = c[2].isEmpty() ? new double[0]
                    : java.util.Arrays.stream(c[2].split(" ")).mapToDouble(Double::parseDouble)
                            .toArray();
            assertArrayEquals(expected, m.entries(), c[0]);
            double[] v = m.vector(Settings.defaults());
            assertEquals(Settings.VECTOR_LENGTH + expected.length, v.length, c[0]);
        }
    }

    @Test
    void wrongWordsAndValuesAreRefusedNamingThePart() {
        String[][] refusals = {
            {"fast", "'fast' is not a method option"},
            {"courant=5", "courant=5: expected START/MAX"},
            {"courant=50/5", "the largest at least the start"},
            {"smooth-limiter=x", "'smooth-limiter=x': 'x' is not a number"},
            {"vortex=1", "'vortex=1' takes no value"},
            {"sweeps=0", "sweeps=0: expected 1 to 100"},
            {"sweeps=2.5", "expected a whole number"},
        };
        for (String[] r : refusals) {
            IllegalArgumentException e = assertThrows(IllegalArgumentException.class,
                    () -> Method.parse(r[0]), r[0]);
            assertTrue(e.getMessage().contains(r[1]), r[0] + ": " + e.getMessage());
        }
    }
}
