package kestrafol.polar;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;
import java.math.BigDecimal;
import java.util.HashSet;
import java.util.List;
import java.util.Set;
import org.junit.jupiter.api.Test;

class SweepTest {
    private static List<String> plain(List<BigDecimal> values) {
        return values.stream().map(Sweep::plain).toList();
    }

    @Test
    void listsAndRangesExpandToTheDecimalsTheUserMeant() {
        assertEquals(List.of("-2", "0", "2", "4", "6", "8"), plain(Sweep.parseList("--alpha", "-2:2:8")));
        // Decimal steps do not accumulate binary rounding: the last value is exactly 0.3.
        List<BigDecimal> tenths = Sweep.parseList("--alpha", "0:0.1:0.3");
        assertEquals(List.of("0", "0.1", "0.2", "0.3"), plain(tenths));
        assertEquals(0.3, tenths.get(3).doubleValue());
        // A range whose step overshoots stops before TO; a falling range is sorted.
        assertEquals(List.of("0", "3"), plain(Sweep.parseList("--alpha", "0:3:5")));
        assertEquals(List.of("4", "6", "8"), plain(Sweep.parseList("--alpha", "8:-2:4")));
        assertEquals(List.of("0.3", "0.5", "0.7", "10", "12"),
                plain(Sweep.parseList("--mach", "0.7, 0.3,0.5,10:2:12")));
        assertEquals(List.of("1000000"), plain(Sweep.parseList("--reynolds", "1e6")));
    }

    @Test
    void badListsAreRefusedNamingTheOption() {
        for (String bad : new String[] {"", "0:0:1", "0:1:-1", "1,1.0", "0,0:1:2", "a", "0:1",
            "0:1e-9:1"}) {
            IllegalArgumentException e = assertThrows(IllegalArgumentException.class,
                    () -> Sweep.parseList("--alpha", bad), bad);
            assertTrue(e.getMessage().startsWith("--alpha"), e.getMessage());
        }
    }

    @Test
    void aSweepOverItsCaseLimitIsRefusedBeforeAnyCaseIsBuilt() {
        long t0 = System.nanoTime();
        IllegalArgumentException e = assertThrows(IllegalArgumentException.class,
                () -> Sweep.of(Sweep.parseList("--mach", "1:1:9999"), List.of(),
                        Sweep.parseList("--alpha", "1:1:9999"), true));
        assertEquals("9,999 Mach numbers x 9,999 angles make 99,980,001 cases; a polar holds at"
                + " most 1,000,000: split the lists over several polars", e.getMessage());
        assertTrue(System.nanoTime() - t0 < 1_000_000_000L, "refused under a second");
    }

    @Test
    void casesAreEveryCombinationSortedAndChainedPerMachAndReynolds() {
        List<BigDecimal> machs = Sweep.parseList("--mach", "0.7,0.3");
        List<BigDecimal> res = Sweep.parseList("--reynolds", "5000,1000");
        List<BigDecimal> alphas = Sweep.parseList("--alpha", "4,-2,0");
        Sweep chained = Sweep.of(machs, res, alphas, true);
        assertEquals(12, chained.cases().size());
        assertEquals(4, chained.chains().size());
        PolarCase first = chained.cases().get(0);
        assertEquals("m0.3_re1000_a-2", first.folder());
        assertEquals(List.of("--mach", "0.3", "--alpha", "-2", "--reynolds", "1000"), first.arguments());
        assertEquals("m0.7_re5000_a4", chained.cases().get(11).folder());
        Set<Integer> seen = new HashSet<>();
        for (int k = 0; k < chained.chains().size(); k++) {
            List<PolarCase> chain = chained.chains().get(k);
            assertEquals(3, chain.size());
            for (int i = 0; i < chain.size(); i++) {
                PolarCase c = chain.get(i);
                assertEquals(k, c.chain());
                assertTrue(seen.add(c.index()));
                assertEquals(chained.cases().get(c.index()), c);
                // One Mach and Reynolds number per chain, angles ascending.
                assertEquals(0, c.mach().compareTo(chain.get(0).mach()));
                assertEquals(0, c.reynolds().compareTo(chain.get(0).reynolds()));
                assertTrue(i == 0 || c.alpha().compareTo(chain.get(i - 1).alpha()) > 0);
            }
        }
        Sweep cold = Sweep.of(machs, List.of(), alphas, false);
        assertEquals(6, cold.chains().size());
        for (int k = 0; k < 6; k++) {
            assertEquals(List.of(cold.cases().get(k)), cold.chains().get(k));
            assertNull(cold.cases().get(k).reynolds());
        }
        assertEquals("m0.3_a-2", cold.cases().get(0).folder());
    }
}
