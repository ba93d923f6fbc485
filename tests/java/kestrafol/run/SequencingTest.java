package kestrafol.run;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import kestrafol.meshing.MeshGenerator;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** A sequenced run starts its own mesh from the field of the coarser one and ends as a plain run. */
class SequencingTest {
    @TempDir
    Path dir;

    private static CaseDefinition naca0012(int sequence) {
        return new CaseDefinition(new CaseDefinition.Body("NACA 0012", null, false, "0012", null),
                new CaseDefinition.Meshing(MeshGenerator.Options.resolution(48), null, 0, true,
                        sequence),
                new CaseDefinition.Boundaries(List.of(), null, null, null),
                new CaseDefinition.Flow(0.5, 1.25, 1.4, false, null),
                new CaseDefinition.Scheme(true, 0.5, false, 100, null),
                new CaseDefinition.Stopping(6, 2e-3, 150, null),
                new CaseDefinition.Output(50, false));
    }

    @Test
    void theRunsMeshStartsFromTheCarriedField() throws Exception {
        ByteArrayOutputStream text = new ByteArrayOutputStream();
        PrintStream out = new PrintStream(text, true, StandardCharsets.UTF_8);
        CaseResult plain = new Run(naca0012(0), dir.resolve("plain"), out, false).execute();
        CaseResult sequenced = new Run(naca0012(1), dir.resolve("sequenced"), out, false).execute();
        assertTrue(plain.converged() && sequenced.converged(), text.toString(StandardCharsets.UTF_8));
        // A cold start's first lift is that of the free stream meeting the body, far from the
        // answer; the carried field's is close to it already. (The first residual tells less:
        // the carried coarse field's discretisation error on the fine mesh is about as large as
        // the free stream's.)
        double coldStart = Math.abs(firstLift(dir.resolve("plain")) - plain.cl());
        double carried = Math.abs(firstLift(dir.resolve("sequenced")) - sequenced.cl());
        assertTrue(coldStart > 0.5 * Math.abs(plain.cl()) && carried < 0.2 * Math.abs(plain.cl()),
                "first lift off the answer by " + carried + " against " + coldStart);
        assertTrue(sequenced.iterations() < plain.iterations(),
                sequenced.iterations() + " against " + plain.iterations());
        // The same answer within the stopping rule's band (0.2 %, the cd floor).
        assertEquals(plain.cl(), sequenced.cl(), 2 * 2e-3 * Math.abs(plain.cl()));
        assertEquals(plain.cd(), sequenced.cd(), Math.max(2 * 2e-3 * Math.abs(plain.cd()), 1e-5));
        String summary = Files.readString(dir.resolve("sequenced/summary.json"));
        assertTrue(summary.contains("\"coarseLevels\"") && summary.contains("\"pointsAround\": 24"),
                summary);
        assertTrue(text.toString(StandardCharsets.UTF_8).contains("Coarse level 1: 24 points"
                + " around"), text.toString(StandardCharsets.UTF_8));
    }

    /** The lift of the first iteration, from the folder's history.csv. */
    private static double firstLift(java.nio.file.Path folder) throws Exception {
        List<String> lines = Files.readAllLines(folder.resolve("history.csv"));
        int header = lines.indexOf("iteration,residual,cl,cd,cm,cdPressure,cdFriction,seconds");
        return Double.parseDouble(lines.get(header + 1).split(",")[2]);
    }
}
