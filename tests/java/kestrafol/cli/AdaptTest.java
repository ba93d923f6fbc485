package kestrafol.cli;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.file.Path;
import java.util.List;
import java.util.Map;
import kestrafol.base.Json;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * --adapt as a user meets it: the refusals, the cycles of a short run recorded, and a study on
 * adapted meshes.
 */
class AdaptTest {
    @TempDir
    Path dir;

    @Test
    void adaptationThatOtherOptionsCannotCarryIsRefusedAsAUsageError() {
        String out = dir.resolve("other").toString();
        String[][] cases = {
            {"polar", "--alpha", "0,2", "--adapt", "1", "--chain", "--out", out},
            {"study", "--adapt", "1", "--resume", "--out", out},
            {"study", "--adapt", "1", "--mesh", "x.su2", "--out", out},
            {"run", "--adapt", "1", "--mesh", "x.su2", "--out", out},
        };
        for (String[] args : cases) {
            RunTest.Out r = RunTest.main(args);
            assertEquals(2, r.status(), String.join(" ", args) + ": " + r.err());
            assertTrue(r.err().contains("--adapt"), r.err());
        }
    }

    @Test
    void nonsenseIsRefusedAsAUsageError() {
        String[][] cases = {
            {"--adapt", "-1"}, {"--adapt", "7"}, {"--max-nodes", "9000"},
            {"--adapt", "1", "--sequence", "1"},
            {"--adapt", "1", "--resolution", "32", "--max-nodes", "100"},
        };
        for (String[] extra : cases) {
            String[] args = new String[extra.length + 3];
            args[0] = "run";
            args[1] = "--out";
            args[2] = dir.resolve("refused").toString();
            System.arraycopy(extra, 0, args, 3, extra.length);
            RunTest.Out r = RunTest.main(args);
            assertEquals(2, r.status(), String.join(" ", extra) + ": " + r.err());
            assertTrue(r.err().contains(extra.length > 2 ? extra[extra.length - 2] : extra[0]),
                    r.err());
        }
    }

    @Test
    void aMainElementAndAFlapAreMeshedAgainByGmshWithinTheBudget() throws Exception {
        Path out = dir.resolve("flap");
        String section = java.nio.file.Paths.get(System.getProperty("kestrafol.readme"))
                .resolveSibling("docs/examples/naca0012.dat").toString();
        RunTest.Out r = RunTest.main("run", "--airfoil", section, "--airfoil",
                section + "@1.02,-0.06,20,0.3", "--mach", "0.3", "--alpha", "4", "--adapt", "1",
                "--max-nodes", "5000", "--iterations", "100", "--no-pictures", "--out",
                out.toString());
        assertTrue(r.status() == 0 || r.status() == 4, r.out() + r.err());
        @SuppressWarnings("unchecked")
        List<Map<String, Object>> cycles = (List<Map<String, Object>>) ((Map<String, Object>)
                Json.read(out.resolve("summary.json"))).get("cycles");
        double first = ((Number) cycles.get(0).get("nodes")).doubleValue();
        double last = ((Number) cycles.get(1).get("nodes")).doubleValue();
        assertTrue(last > 1.2 * first && last <= 1.05 * 5000, first + " then " + last + " nodes");
    }

    @Test
    void oneCycleSolvesAnAdaptedMeshWithinItsBudgetAndRecordsBothMeshes() throws Exception {
        Path out = dir.resolve("adapted");
        RunTest.Out r = RunTest.main("run", "--mach", "0.5", "--alpha", "2", "--resolution", "32",
                "--adapt", "1", "--max-nodes", "1500", "--iterations", "300",
                "--no-pictures", "--out", out.toString());
        assertTrue(r.status() == 0 || r.status() == 4, r.out() + r.err());
        @SuppressWarnings("unchecked")
        Map<String, Object> summary = (Map<String, Object>) Json.read(out.resolve("summary.json"));
        @SuppressWarnings("unchecked")
        List<Map<String, Object>> cycles = (List<Map<String, Object>>) summary.get("cycles");
        assertEquals(2, cycles.size(), summary.toString());
        double first = ((Number) cycles.get(0).get("nodes")).doubleValue();
        double last = ((Number) cycles.get(1).get("nodes")).doubleValue();
        assertTrue(first < last && last <= 1500, first + " then " + last + " nodes");
        // The last cycle is the run's answer.
        assertEquals(((Number) summary.get("cl")).doubleValue(),
                ((Number) cycles.get(1).get("cl")).doubleValue(), 0);
        assertTrue(((Number) cycles.get(0).get("estimate")).doubleValue() > 0);
        assertTrue(r.out().contains("Adaptation cycle 2: "), r.out());
        @SuppressWarnings("unchecked")
        Map<String, Object> settings = (Map<String, Object>) summary.get("settings");
        assertEquals(last, ((Number) settings.get("nodes")).doubleValue());
        assertTrue(java.nio.file.Files.readString(out.resolve("report.html"))
                .contains("<h2>Adaptation</h2>"));
    }

    @Test
    void anAdaptedRunsErrorEstimateSolvesTheMemberOneRatioCoarser() throws Exception {
        Path out = dir.resolve("bars");
        RunTest.Out r = RunTest.main("run", "--adapt", "1", "--error-estimate", "--resolution",
                "64", "--mach", "0.5", "--alpha", "2", "--iterations", "300", "--no-pictures",
                "--out", out.toString());
        assertEquals(4, r.status(), r.out() + r.err());
        Map<?, ?> fine = (Map<?, ?>) Json.read(out.resolve("summary.json"));
        Map<?, ?> coarse = (Map<?, ?>) Json.read(out.resolve("coarser/summary.json"));
        double ratio = ((Number) ((Map<?, ?>) fine.get("settings")).get("nodes")).doubleValue()
                / ((Number) ((Map<?, ?>) coarse.get("settings")).get("nodes")).doubleValue();
        // One step of sqrt(2) in points per direction: half the nodes, within the even steps
        // of a 60-point level (2 / 60).
        assertEquals(2, ratio, 0.07, "fine over coarse nodes");
        assertTrue(((Number) fine.get("clError")).doubleValue() > 0, fine.toString());
    }

    @Test
    void aStudyOnAdaptedMeshesKeepsItsRatioInNodesAndSaysItsLevelsAreAdapted() throws Exception {
        Path out = dir.resolve("study");
        RunTest.Out r = RunTest.main("study", "--adapt", "1", "--resolution", "48", "--mach",
                "0.5", "--alpha", "2", "--iterations", "300", "--print-every", "1000",
                "--no-pictures", "--out", out.toString());
        assertEquals(4, r.status(), r.out() + r.err());
        List<String> rows = java.nio.file.Files.readAllLines(out.resolve("study.csv"));
        assertEquals(4, rows.size(), rows.toString());
        int above = 0;
        for (String row : rows.subList(1, rows.size())) {
            String[] c = row.split(",");
            assertEquals("adapted", c[10], row);
            int nodes = Integer.parseInt(c[2]);
            // Levels of two to three hundred nodes: the nearest even point count is within
            // about 2 / points of the ratio squared, 2.
            assertTrue(above == 0 || Math.abs((double) above / nodes - 2) < 0.15, above
                    + " then " + nodes + " nodes");
            above = nodes;
        }
        assertTrue(r.out().contains("Adapted: every level's points"), r.out());
        // A Slurm array task of the recorded study builds its level from the recorded size
        // field, without adapting again: the same nodes and coefficients, bit for bit.
        Path tasks = java.nio.file.Files.createDirectories(dir.resolve("tasks"));
        for (String f : new String[] {"study.properties", "adaptation.properties"}) {
            java.nio.file.Files.copy(out.resolve(f), tasks.resolve(f));
        }
        RunTest.Out task = RunTest.main("study", "--config", tasks.resolve("study.properties")
                .toString(), "--out", tasks.toString(), "--no-pictures", "--task", "2",
                "--tasks", "3", "--job", "9");
        assertEquals(0, task.status(), task.out() + task.err());
        assertTrue(!task.out().contains("adaptation cycle"), task.out());
        String[] level = java.nio.file.Files.readAllLines(tasks.resolve("slurm/9/task-2.csv"))
                .get(1).split(",");
        String[] row = rows.get(3).split(",");
        assertEquals(List.of(row[0], row[2], row[4], row[5]),
                List.of(level[0], level[1], level[2], level[3]));
        assertTrue(java.nio.file.Files.readString(out.resolve("summary.json"))
                .contains("placed by the size field of 1 cycle"));
    }
}
