package kestrafol.run;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.nio.file.Path;
import java.util.List;
import kestrafol.meshing.MeshGenerator;
import org.junit.jupiter.api.Test;

/** The case definition's derived values and the file list of a case's folder. */
class CaseDefinitionTest {
    private static CaseDefinition definition(Integer iterations, List<Double> refPoint,
            boolean viscous, Double reynolds) {
        return new CaseDefinition(new CaseDefinition.Body("NACA 0012", null, false, "0012", null),
                new CaseDefinition.Meshing(MeshGenerator.Options.resolution(32), null, 0, true, 0),
                new CaseDefinition.Boundaries(List.of(), null, null, refPoint),
                new CaseDefinition.Flow(0.8, 1.25, 1.4, viscous, reynolds),
                new CaseDefinition.Scheme(true, 0.5, false, 0, null),
                new CaseDefinition.Stopping(6, 5e-3, 500, iterations),
                new CaseDefinition.Output(50, true));
    }

    @Test
    void theCapIsThreePerNodeButAtLeast4000UnlessGiven() {
        int[][] cases = {{100, -1, 4000}, {1333, -1, 4000}, {1334, -1, 4002}, {2000, -1, 6000},
            {2000, 17, 17}, {900_000_000, -1, Integer.MAX_VALUE}};
        for (int[] c : cases) {
            CaseDefinition d = definition(c[1] < 0 ? null : c[1], null, false, null);
            assertEquals(c[2], d.iterationCap(c[0]), c[0] + " nodes");
        }
    }

    @Test
    void inconsistentDefinitionsAreRefused() {
        assertThrows(IllegalArgumentException.class,
                () -> definition(null, List.of(0.25, 0.0, 1.0), false, null));
        assertThrows(IllegalArgumentException.class, () -> definition(null, null, true, null));
        assertThrows(IllegalArgumentException.class, () -> definition(null, null, false, 1e6));
        CaseDefinition d = definition(null, null, false, null);
        assertThrows(IllegalArgumentException.class, () -> new CaseDefinition(d.body(),
                new CaseDefinition.Meshing(null, null, 0, true, 0), d.boundaries(), d.flow(),
                d.scheme(), d.stopping(), d.output()));
        CaseDefinition file = new CaseDefinition(new CaseDefinition.Body("a.su2", Path.of("a.su2"),
                false, "0012", null), new CaseDefinition.Meshing(null, null, 0, true, 0),
                d.boundaries(), d.flow(), d.scheme(), d.stopping(), d.output());
        assertEquals("the mesh's x axis", file.chordLine());
    }

    @Test
    void aDivergedRunReportsOnlyHistoryAndSummaryAndPicturesOnlyWhenDrawn() {
        assertEquals(List.of("history.csv", "summary.json"), CaseOutputs.files(true, true));
        assertEquals(List.of("history.csv", "summary.json", "surface.csv", "flow.vtu"),
                CaseOutputs.files(false, false));
        List<String> all = CaseOutputs.files(false, true);
        assertEquals(CaseOutputs.files(false, false), all.subList(0, 4));
        assertEquals(CaseOutputs.PICTURES, all.subList(4, all.size()));
    }
}
