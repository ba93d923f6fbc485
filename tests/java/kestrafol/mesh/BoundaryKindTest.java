package kestrafol.mesh;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.ArrayList;
import java.util.List;
import org.junit.jupiter.api.Test;

/** The one list of kinds: each kind's label and code lead back to it, the lists name them all. */
class BoundaryKindTest {
    @Test
    void labelsCodesAndListsAgree() {
        List<String> fromIterable = new ArrayList<>();
        new BoundaryKind.Labels().forEach(fromIterable::add);
        assertEquals(BoundaryKind.values().length, fromIterable.size());
        int at = -1;
        for (BoundaryKind k : BoundaryKind.values()) {
            assertEquals(k, BoundaryKind.parse(k.label().toUpperCase()));
            assertEquals(k, BoundaryKind.ofCode(k.code()));
            assertEquals(k.isWall(), k.description().endsWith("wall"), k.description());
            assertEquals(k.isWall(), k.role() == BoundaryKind.Role.WALL);
            assertEquals(k.hasFriction(), k.description().startsWith("no-slip"), k.description());
            assertEquals(!k.isWall(), BoundaryKind.openKinds().contains(k.description()));
            assertTrue(fromIterable.contains(k.label()));
            int next = BoundaryKind.labels().indexOf(k.label());
            assertTrue(next > at, "labels() out of order: " + BoundaryKind.labels());
            at = next;
            assertTrue(BoundaryKind.codes().contains(k.code() + " (" + k.description() + ")"));
        }
        assertEquals("farfield, slip or noslip", BoundaryKind.labels());
    }

    @Test
    void unknownCodesAndLabelsAreRefusedNamingTheKnownOnes() {
        for (int bad : new int[] {0, 4, -1}) {
            assertNull(BoundaryKind.ofCode(bad));
            String m = assertThrows(IllegalArgumentException.class,
                    () -> BoundaryKind.fromCodes(new int[] {1, bad})).getMessage();
            assertTrue(m.startsWith("boundaryKinds[1] is " + bad) && m.endsWith(BoundaryKind.codes()), m);
        }
        String m = assertThrows(IllegalArgumentException.class, () -> BoundaryKind.parse("wall"))
                .getMessage();
        assertTrue(m.endsWith(BoundaryKind.labels()), m);
    }
}
